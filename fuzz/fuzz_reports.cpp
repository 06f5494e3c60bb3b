// Feeds arbitrary input reports to the report handler, with a command channel and a device link
// over a fake wheel base and a display that only counts, and checks the request-tracking rules
// after every report: a report is processed only when its request is pending (or unsolicited),
// a processed answer is acknowledged exactly once with the right packet, a dropped report shows
// nothing and sends nothing, and nothing at all happens while the window is closing. Every
// report is passed as a heap copy of exactly its size, so a read past its end is caught.
//
// Input layout:
//   byte 0  pending mask: bits 0-6 mark requests 224, 225, 226, 227, 228, 229, 254 as "1";
//           bit 7 marks the request ID of byte 1 as "1" as well
//   byte 1  one more request ID (any value, 255 and 0 included)
//   byte 2  flags: bit 0 the window is closing, bit 1 "Log to File" ticked, bit 2 the log
//           files cannot be written, bit 3 requests not marked pending are marked "0"
//           (acknowledged earlier) instead of never having been requested
//   byte 3  selected profile index, signed (-1 is no selection)
//   then up to kMaxReports reports, each: report ID, data length, data bytes (the length is
//   cut to what is left of the input)

#include "CommandChannel.h"
#include "CommandPacket.h"
#include "DeviceLink.h"
#include "EditorConversions.h"
#include "HidBackend.h"
#include "HidController.h"
#include "HidDevice.h"
#include "LinkHost.h"
#include "RecordDisplay.h"
#include "Records.h"
#include "ReportHandler.h"
#include "SystemLog.h"

#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <vector>

using namespace karvo;

namespace {

constexpr int kReportLength = 64;  // both report kinds, report-ID byte included
constexpr int kMaxReports = 16;
constexpr std::uint8_t kTrackedIds[] = {224, 225, 226, 227, 228, 229, 254};

void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "fuzz_reports: %s\n", what);
        std::abort();
    }
}

// The fake wheel base's opened node: keeps every output report written to it.
class RecordingChannel : public HidChannel {
public:
    explicit RecordingChannel(std::vector<std::vector<quint8>>* writes) : writes_(writes) {}
    bool write(const quint8* data, int length, QString*) override {
        writes_->emplace_back(data, data + length);
        return true;
    }
    ReadResult read(quint8*, int, int, int* bytesRead) override {
        *bytesRead = 0;
        return ReadResult::Timeout;
    }

private:
    std::vector<std::vector<quint8>>* writes_;
};

class OneWheelBaseBackend : public HidBackend {
public:
    std::vector<std::vector<quint8>> writes;

    QList<HidDeviceInfo> scan() override {
        HidDeviceInfo info;
        info.path = QStringLiteral("fuzz:wheel");
        info.instanceId = QStringLiteral("1");
        info.vendorId = kWheelBaseVendorId;
        info.productName = QStringLiteral("Fuzzed Wheel Base");
        info.inputReportLength = kReportLength;
        info.outputReportLength = kReportLength;
        return {info};
    }
    std::unique_ptr<HidChannel> open(const QString&, QString*) override {
        return std::make_unique<RecordingChannel>(&writes);
    }
};

class CountingView : public LogView {
public:
    int statusTexts = 0;
    void setStatusText(const QString&) override { ++statusTexts; }
    void appendLogLine(const QString&) override {}
};

class QuietHost : public LinkHost {
public:
    QString linkText() const override { return text_; }
    void setLinkText(const QString& text) override { text_ = text; }
    void SetSysLog(const QString&) override {}
    void deviceConnected(bool) override {}

private:
    QString text_;
};

// Counts what is shown and remembers the last firmware version text.
class CountingDisplay : public RecordDisplay {
public:
    int shown = 0;
    int axesShown = 0;
    QString firmwareText;
    bool logToFile = false;
    QString debugLogPath;

    void showAxes(const TAxesReport&) override { ++axesShown; }
    void showFirmwareVersion(const QString& text) override {
        ++shown;
        firmwareText = text;
    }
    void showJoystickConfig(const TJoystickConfig&) override { ++shown; }
    void showMotorConfig(const TMotorConfig&) override { ++shown; }
    void showWheelBaseConfig(const TWheelBaseConfig&) override { ++shown; }
    void showUserEffectConfig(const TUserEffectConfig&) override { ++shown; }
    void showEncoderStats(const TEncoderStats&) override { ++shown; }
    void showPwmStats(const TPwmStats&) override { ++shown; }
    void showCalculatedParams(const TCalculatedParams&) override { ++shown; }
    void showFfbReport(const TFFBReport&) override { ++shown; }
    bool logToFileChecked() const override { return logToFile; }
    QString logFileName() const override { return debugLogPath; }
};

// What lives across runs: the controller with the wheel base checked out, the link and a
// scratch folder for the log files.
struct Fixture {
    QTemporaryDir scratch;
    OneWheelBaseBackend* backend = nullptr;
    std::unique_ptr<HidController> hid;
    QuietHost host;
    std::unique_ptr<DeviceLink> link;
    QString writableDir;
    QString blockedDir;  // a regular file: nothing can be created below it

    Fixture() {
        check(scratch.isValid(), "no scratch folder");
        auto owned = std::make_unique<OneWheelBaseBackend>();
        backend = owned.get();
        hid = std::make_unique<HidController>(std::move(owned));
        // Reports are fed by hand here; with the readers stopped, check-out opens the node for
        // writing but starts no reader thread.
        hid->stopAllReaders();
        link = std::make_unique<DeviceLink>(*hid, host);
        hid->enumerate([this](HidDevice*, int index) {
            hid->checkOut(link->CurrentDevice, index);
            return false;
        });
        check(link->CurrentDevice != nullptr, "the fake wheel base was not checked out");
        check(link->CurrentDevice->readWriteAccess(), "the fake wheel base has no access");
        link->Ready = true;
        writableDir = scratch.filePath(QStringLiteral("logs"));
        QDir().mkpath(writableDir);
        blockedDir = scratch.filePath(QStringLiteral("blocked"));
        QFile blocker(blockedDir);
        check(blocker.open(QIODevice::WriteOnly), "cannot create the blocking file");
    }
};

Fixture& fixture() {
    static Fixture instance;
    return instance;
}

QString expectedFirmwareText(const std::vector<quint8>& data) {
    // Bytes that were not received read as 0.
    auto byteAt = [&](size_t i) { return i < data.size() ? static_cast<int>(data[i]) : 0; };
    return QStringLiteral("%1.%2.%3.%4").arg(byteAt(2)).arg(byteAt(3)).arg(byteAt(4)).arg(byteAt(5));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* input, std::size_t size) {
    if (size < 4) return 0;
    Fixture& fx = fixture();
    const std::uint8_t pendingMask = input[0];
    const std::uint8_t extraId = input[1];
    const std::uint8_t flags = input[2];
    const int profileIndex = static_cast<std::int8_t>(input[3]);
    const bool closing = flags & 0x01;
    const bool logToFile = flags & 0x02;
    const bool blocked = flags & 0x04;
    const bool markAcknowledged = flags & 0x08;

    const QString logDir = blocked ? fx.blockedDir : fx.writableDir;
    const QString appLog = logDir + QStringLiteral("/application.log");
    const QString debugLog = logDir + QStringLiteral("/debug.log");
    QFile::remove(appLog);  // keeps the files small over millions of runs
    QFile::remove(debugLog);
    fx.backend->writes.clear();

    CountingView view;
    SystemLog log(view);
    log.setLogFilePath(appLog);
    CommandChannel channel(*fx.link, log, [profileIndex] { return profileIndex; });
    int acknowledgedCalls = 0;
    channel.setAcknowledgedHandler([&](quint8) { ++acknowledgedCalls; });
    CountingDisplay display;
    display.logToFile = logToFile;
    display.debugLogPath = debugLog;
    ReportHandler handler(channel, display, log);
    handler.Closing = closing;

    for (size_t bit = 0; bit < std::size(kTrackedIds); ++bit) {
        const QString name = QString::number(kTrackedIds[bit]);
        if (pendingMask & (1u << bit))
            channel.RequestQ.setValue(name, QStringLiteral("1"));
        else if (markAcknowledged)
            channel.RequestQ.setValue(name, QStringLiteral("0"));
    }
    if (pendingMask & 0x80) channel.RequestQ.setValue(QString::number(extraId), QStringLiteral("1"));

    const quint8 slot = profileSlot(profileIndex);
    size_t offset = 4;
    for (int n = 0; n < kMaxReports && offset + 2 <= size; ++n) {
        const quint8 reportId = input[offset];
        const size_t length = std::min<size_t>(input[offset + 1], size - offset - 2);
        offset += 2;
        // An exact-size heap copy; an empty report is passed as a null pointer.
        std::vector<quint8> data(input + offset, input + offset + length);
        offset += length;
        std::unique_ptr<quint8[]> exact;
        if (length > 0) {
            exact = std::make_unique<quint8[]>(length);
            std::memcpy(exact.get(), data.data(), length);
        }

        const quint8 requestId = data.size() > 1 ? data[1] : 0;
        const QString requestName = QString::number(requestId);
        const QStringList queueBefore = channel.RequestQ.lines();
        const bool pending = channel.RequestQ.value(requestName) == QLatin1String("1");
        const size_t writesBefore = fx.backend->writes.size();
        const int shownBefore = display.shown;
        const int axesBefore = display.axesShown;
        const int acksBefore = acknowledgedCalls;

        try {
            handler.HIDCtlDeviceData(fx.link->CurrentDevice, reportId, exact.get(),
                                     static_cast<quint16>(length));
        } catch (const std::exception& error) {
            std::fprintf(stderr, "fuzz_reports: exception escaped: %s\n", error.what());
            std::abort();
        } catch (...) {
            check(false, "an exception escaped the handler");
        }

        const size_t newWrites = fx.backend->writes.size() - writesBefore;
        if (closing) {
            check(newWrites == 0, "a packet was sent while closing");
            check(display.shown == shownBefore && display.axesShown == axesBefore,
                  "something was shown while closing");
            check(channel.RequestQ.lines() == queueBefore, "RequestQ changed while closing");
            continue;
        }
        if (reportId == kAxesReportId) {
            check(display.axesShown == axesBefore + 1, "report 1 did not show the axes once");
            check(newWrites == 0 && display.shown == shownBefore, "report 1 did more than show axes");
            continue;
        }
        if (reportId != kResponseReportId) {
            check(newWrites == 0 && display.shown == shownBefore && display.axesShown == axesBefore,
                  "a report of another ID was not ignored");
            continue;
        }
        check(display.axesShown == axesBefore, "report 65 showed axes");
        if (requestId == RequestId::Unsolicited) {
            check(newWrites == 0, "an unsolicited report was acknowledged");
            check(channel.RequestQ.lines() == queueBefore, "an unsolicited report changed RequestQ");
        } else if (!pending) {
            check(newWrites == 0 && display.shown == shownBefore,
                  "a report for a request that is not pending was processed");
            check(channel.RequestQ.lines() == queueBefore, "a dropped report changed RequestQ");
        } else {
            check(newWrites == 1, "a pending answer was not acknowledged exactly once");
            check(acknowledgedCalls == acksBefore + 1, "the acknowledged handler did not run once");
            check(channel.RequestQ.value(requestName) == QLatin1String("0"),
                  "an acknowledged request is not marked done");
            const std::vector<quint8> expected =
                transmitBuffer(ackPacket(slot, requestId), kReportLength);
            check(fx.backend->writes.back() == expected, "wrong acknowledgement packet");
        }
        const quint8 recordType = data.empty() ? 0 : data[0];
        if ((pending || requestId == RequestId::Unsolicited) &&
            recordType == RecordType::FirmwareVersion) {
            check(display.firmwareText == expectedFirmwareText(data), "wrong firmware version text");
        }
    }
    return 0;
}
