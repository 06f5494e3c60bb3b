#include "UhidDevice.h"

#include <fcntl.h>
#include <linux/input.h>
#include <linux/uhid.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <QDebug>
#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <vector>

#include "WheelBaseDescriptor.h"
#include "WheelBaseFirmware.h"

namespace {

// Events of /dev/uhid, encoded at the offsets of the kernel's ABI; the asserts tie each offset
// to the kernel header.
constexpr size_t kEventSize = sizeof(uhid_event);
constexpr size_t kTypeOffset = 0;
constexpr size_t kBodyOffset = 4;

namespace Create2 {
constexpr size_t kName = kBodyOffset + 0;
constexpr size_t kNameSize = 128;
constexpr size_t kDescriptorSize = kBodyOffset + 256;
constexpr size_t kBus = kBodyOffset + 258;
constexpr size_t kVendor = kBodyOffset + 260;
constexpr size_t kProduct = kBodyOffset + 264;
constexpr size_t kVersion = kBodyOffset + 268;
constexpr size_t kCountry = kBodyOffset + 272;
constexpr size_t kDescriptor = kBodyOffset + 276;
static_assert(kName == offsetof(uhid_event, u.create2.name));
static_assert(kDescriptorSize == offsetof(uhid_event, u.create2.rd_size));
static_assert(kBus == offsetof(uhid_event, u.create2.bus));
static_assert(kVendor == offsetof(uhid_event, u.create2.vendor));
static_assert(kProduct == offsetof(uhid_event, u.create2.product));
static_assert(kVersion == offsetof(uhid_event, u.create2.version));
static_assert(kCountry == offsetof(uhid_event, u.create2.country));
static_assert(kDescriptor == offsetof(uhid_event, u.create2.rd_data));
}  // namespace Create2

namespace Input2 {
constexpr size_t kSize = kBodyOffset + 0;
constexpr size_t kData = kBodyOffset + 2;
static_assert(kSize == offsetof(uhid_event, u.input2.size));
static_assert(kData == offsetof(uhid_event, u.input2.data));
}  // namespace Input2

namespace Output {
constexpr size_t kData = kBodyOffset + 0;
constexpr size_t kSize = kBodyOffset + UHID_DATA_MAX;
static_assert(kData == offsetof(uhid_event, u.output.data));
static_assert(kSize == offsetof(uhid_event, u.output.size));
}  // namespace Output

// GET_REPORT and SET_REPORT requests and their replies share the request id at the body's start
// and the error after it.
namespace ReportRequest {
constexpr size_t kId = kBodyOffset + 0;
constexpr size_t kReplyError = kBodyOffset + 4;
static_assert(kId == offsetof(uhid_event, u.get_report.id));
static_assert(kId == offsetof(uhid_event, u.set_report.id));
static_assert(kReplyError == offsetof(uhid_event, u.get_report_reply.err));
static_assert(kReplyError == offsetof(uhid_event, u.set_report_reply.err));
}  // namespace ReportRequest

void putLe16(std::vector<quint8>& event, size_t offset, quint16 value) {
    event[offset] = static_cast<quint8>(value);
    event[offset + 1] = static_cast<quint8>(value >> 8);
}

void putLe32(std::vector<quint8>& event, size_t offset, quint32 value) {
    for (size_t i = 0; i < 4; ++i)
        event[offset + i] = static_cast<quint8>(value >> (8 * i));
}

quint32 getLe32(std::span<const quint8> event, size_t offset) {
    quint32 value = 0;
    for (size_t i = 0; i < 4; ++i)
        value |= static_cast<quint32>(event[offset + i]) << (8 * i);
    return value;
}

quint16 getLe16(std::span<const quint8> event, size_t offset) {
    return static_cast<quint16>(event[offset] | (event[offset + 1] << 8));
}

std::vector<quint8> newEvent(quint32 type) {
    std::vector<quint8> event(kEventSize, 0);
    putLe32(event, kTypeOffset, type);
    return event;
}

}  // namespace

UhidDevice::UhidDevice(std::shared_ptr<karvo::WheelBaseFirmware> firmware)
    : firmware_(std::move(firmware)) {}

UhidDevice::~UhidDevice() {
    unplug();
}

bool UhidDevice::isAvailable(QString* why) {
    const int fd = ::open("/dev/uhid", O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        if (why)
            *why = QStringLiteral("/dev/uhid: ") + qt_error_string(errno);
        return false;
    }
    ::close(fd);
    return true;
}

bool UhidDevice::plug(QString* error) {
    if (isPlugged())
        return true;
    uhidFd_ = ::open("/dev/uhid", O_RDWR | O_CLOEXEC);
    if (uhidFd_ < 0) {
        if (error)
            *error = QStringLiteral("/dev/uhid: ") + qt_error_string(errno);
        return false;
    }
    stopFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);

    std::vector<quint8> create = newEvent(UHID_CREATE2);
    const QByteArray name(kName);
    std::copy_n(name.constData(), std::min<size_t>(name.size(), Create2::kNameSize - 1),
                create.begin() + Create2::kName);
    const auto& descriptor = karvo::kWheelBaseReportDescriptor;
    putLe16(create, Create2::kDescriptorSize, static_cast<quint16>(descriptor.size()));
    putLe16(create, Create2::kBus, BUS_USB);
    putLe32(create, Create2::kVendor, kVendorId);
    putLe32(create, Create2::kProduct, kProductId);
    putLe32(create, Create2::kVersion, 0x0100);
    putLe32(create, Create2::kCountry, 0);
    std::copy(descriptor.begin(), descriptor.end(), create.begin() + Create2::kDescriptor);
    if (!writeEvent(create)) {
        if (error)
            *error = QStringLiteral("UHID_CREATE2: ") + qt_error_string(errno);
        ::close(uhidFd_);
        ::close(stopFd_);
        uhidFd_ = stopFd_ = -1;
        return false;
    }
    stopping_ = false;
    events_ = std::thread(&UhidDevice::eventLoop, this);
    pump_ = std::thread(&UhidDevice::inputPump, this);
    return true;
}

void UhidDevice::unplug() {
    if (!isPlugged())
        return;
    stopping_ = true;
    firmware_->interrupt();
    pump_.join();  // no input report may follow the destroy
    writeEvent(newEvent(UHID_DESTROY));
    const quint64 one = 1;
    const ssize_t written = ::write(stopFd_, &one, sizeof one);
    Q_UNUSED(written);
    events_.join();
    ::close(uhidFd_);
    ::close(stopFd_);
    uhidFd_ = stopFd_ = -1;
    started_ = false;
}

bool UhidDevice::writeEvent(std::span<const quint8> event) {
    ssize_t written;
    do {
        written = ::write(uhidFd_, event.data(), event.size());
    } while (written < 0 && errno == EINTR);
    return written == static_cast<ssize_t>(event.size());
}

void UhidDevice::eventLoop() {
    std::vector<quint8> event(kEventSize);
    while (!stopping_) {
        pollfd fds[2] = {{uhidFd_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0 && errno != EINTR)
            break;
        if (fds[1].revents & POLLIN)
            break;
        if (!(fds[0].revents & POLLIN))
            continue;
        std::fill(event.begin(), event.end(), 0);
        const ssize_t got = ::read(uhidFd_, event.data(), event.size());
        if (got < static_cast<ssize_t>(kBodyOffset))
            continue;
        switch (getLe32(event, kTypeOffset)) {
            case UHID_START:
                started_ = true;
                break;
            case UHID_STOP:
                started_ = false;
                break;
            case UHID_OUTPUT: {
                // hidraw hands the report on as written: report ID first.
                const size_t size = std::min<size_t>(getLe16(event, Output::kSize), UHID_DATA_MAX);
                firmware_->receiveOutputReport(
                    std::span<const quint8>(event.data() + Output::kData, size));
                break;
            }
            case UHID_GET_REPORT:
                answerReportRequest(event, UHID_GET_REPORT_REPLY);
                break;
            case UHID_SET_REPORT:
                answerReportRequest(event, UHID_SET_REPORT_REPLY);
                break;
            default:
                break;  // open and close of the node
        }
    }
}

// The wheel base has no feature reports: a request for one fails at once instead of leaving
// the kernel waiting for its time-out.
void UhidDevice::answerReportRequest(std::span<const quint8> request, quint32 replyType) {
    std::vector<quint8> reply = newEvent(replyType);
    putLe32(reply, ReportRequest::kId, getLe32(request, ReportRequest::kId));
    putLe16(reply, ReportRequest::kReplyError, EIO);
    writeEvent(reply);
}

void UhidDevice::inputPump() {
    std::vector<quint8> event = newEvent(UHID_INPUT2);
    while (!stopping_) {
        const std::optional<QByteArray> report = firmware_->takeInputReport(100);
        if (!report || stopping_)
            continue;
        const size_t size = std::min<size_t>(report->size(), UHID_DATA_MAX);
        std::fill(event.begin() + kBodyOffset, event.end(), 0);
        putLe16(event, Input2::kSize, static_cast<quint16>(size));
        std::copy_n(report->constData(), size, event.begin() + Input2::kData);
        // Refused while no driver is bound (before the start event): such a report is lost,
        // as it would be on a real bus.
        if (!writeEvent(event))
            ++inputReportsRefused_;
    }
}
