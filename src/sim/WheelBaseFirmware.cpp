#include "WheelBaseFirmware.h"

#include <QFileInfo>
#include <QLoggingCategory>
#include <algorithm>
#include <cstring>

#include "FirmwareStateFile.h"
#include "WireTrace.h"

Q_LOGGING_CATEGORY(lcSim, "karvo.sim", QtInfoMsg)

namespace karvo {

namespace {

// Report IDs and the command packet as the base reads it.
constexpr quint8 kCommandReport = 20;
constexpr quint8 kAnswerReport = 65;
constexpr quint8 kJoystickReport = 1;
constexpr quint8 kStreamRequestId = 255;
constexpr quint8 kHardwareSlotNumber = 11;
constexpr quint8 kChecksumKey = 0x69;

namespace PacketOffset {
constexpr size_t ReportId = 0;
constexpr size_t Length = 1;
constexpr size_t Slot = 2;
constexpr size_t Command = 3;
constexpr size_t ObjectType = 4;
constexpr size_t RequestId = 5;
constexpr size_t ObjectIndex = 6;  // not needed to route a command: the type says it all
constexpr size_t PayloadLength = 7;
constexpr size_t Payload = 8;
}  // namespace PacketOffset
constexpr size_t kHeaderOnlyLength = PacketOffset::Payload + 1;
constexpr size_t kMaxPayload = 48;

namespace Opcode {
constexpr quint8 Read = 0;
constexpr quint8 Write = 1;
constexpr quint8 Load = 2;
constexpr quint8 Save = 3;
constexpr quint8 Centre = 5;
constexpr quint8 Calibrate = 6;
constexpr quint8 Acknowledge = 0x90;
}  // namespace Opcode

// Answer report 65: type, request ID, then the record.
namespace AnswerOffset {
constexpr int ReportId = 0;
constexpr int RecordType = 1;
constexpr int RequestId = 2;
constexpr int Record = 3;
}  // namespace AnswerOffset

// The size of a record the base accepts in a write; 0 for types it does not store.
size_t writableRecordSize(quint8 objectType) {
    switch (objectType) {
        case RecordType::JoystickConfig:
            return TJoystickConfig::kSize;
        case RecordType::MotorConfig:
            return TMotorConfig::kSize;
        case RecordType::WheelBaseConfig:
            return TWheelBaseConfig::kSize;
        case RecordType::Telemetry:
            return SimTelemetryConfig::kSize;
        case RecordType::UserEffectConfig:
            return TUserEffectConfig::kSize;
        default:
            return 0;
    }
}

template <typename T>
void appendLimited(QList<T>& list, T item) {
    if (list.size() >= WheelBaseFirmware::kInspectionLimit)
        list.removeFirst();
    list.append(std::move(item));
}

template <size_t N>
ByteView view(const std::array<quint8, N>& bytes) {
    return ByteView(bytes.data(), N);
}

}  // namespace

WheelBaseFirmware::WheelBaseFirmware() : flash_(defaultFlashImage()) {
    version_.version = {1, 2, 0, 7};
    powerOn();
}

WheelBaseFirmware::~WheelBaseFirmware() = default;

void WheelBaseFirmware::powerOn() {
    std::copy(flash_.profiles.begin(), flash_.profiles.end(), ram_.begin());
    working_ = ram_.front();
    hardware_ = flash_.hardware;
    applyWorkingConfiguration();
}

void WheelBaseFirmware::applyWorkingConfiguration() {
    model_.setConfiguration(working_.wheelBase, working_.userEffect, hardware_.motor);
}

ProfileRecords& WheelBaseFirmware::profileRecords(quint8 slot) {
    return FlashImage::isProfileSlot(slot) ? ram_[slot - FlashImage::kFirstProfileSlot] : working_;
}

const ProfileRecords& WheelBaseFirmware::profileRecords(quint8 slot) const {
    return FlashImage::isProfileSlot(slot) ? ram_[slot - FlashImage::kFirstProfileSlot] : working_;
}

// ---- commands ---------------------------------------------------------------------------

void WheelBaseFirmware::receiveOutputReport(ByteView report) {
    std::lock_guard lock(mutex_);
    if (trace_)
        trace_->outgoing(report);
    appendLimited(received_, QByteArray(reinterpret_cast<const char*>(report.data()),
                                        static_cast<qsizetype>(report.size())));
    handleCommand(report);
}

void WheelBaseFirmware::handleCommand(ByteView report) {
    // A report may be longer than its packet (zero padding) but never shorter.
    if (report.size() < kHeaderOnlyLength || report[PacketOffset::ReportId] != kCommandReport) {
        ++malformedReports_;
        return;
    }
    const size_t payloadLength = report[PacketOffset::PayloadLength];
    const size_t packetLength =
        payloadLength == 0 ? kHeaderOnlyLength : PacketOffset::Payload + payloadLength + 1;
    if (payloadLength > kMaxPayload || report[PacketOffset::Length] != packetLength ||
        report.size() < packetLength) {
        ++malformedReports_;
        return;
    }
    const quint8 slot = report[PacketOffset::Slot];
    const quint8 command = report[PacketOffset::Command];
    const quint8 objectType = report[PacketOffset::ObjectType];
    const quint8 requestId = report[PacketOffset::RequestId];
    const ByteView payload = report.subspan(PacketOffset::Payload, payloadLength);

    if (command != Opcode::Write && payloadLength != 0) {
        ++malformedReports_;
        return;
    }
    switch (command) {
        case Opcode::Read:
            handleRead(slot, objectType, requestId);
            break;
        case Opcode::Write:
            handleWrite(slot, objectType, payload, report[PacketOffset::Payload + payloadLength]);
            break;
        case Opcode::Load:
        case Opcode::Save:
            handleProfileCommand(command, slot, requestId);
            break;
        case Opcode::Centre:
            model_.centre();
            ++centrings_;
            break;
        case Opcode::Calibrate:
            model_.calibrate();
            ++calibrations_;
            break;
        case Opcode::Acknowledge:
            appendLimited(acknowledgements_, requestId);
            break;
        default:
            ++malformedReports_;
            break;
    }
}

void WheelBaseFirmware::handleRead(quint8 slot, quint8 objectType, quint8 requestId) {
    switch (objectType) {
        case RecordType::FirmwareVersion:
            queueAnswer(objectType, requestId, view(encode(version_)));
            break;
        case RecordType::JoystickConfig:
            queueAnswer(objectType, requestId, view(encode(hardware_.joystick)));
            break;
        case RecordType::MotorConfig:
            queueAnswer(objectType, requestId, view(encode(hardware_.motor)));
            break;
        case RecordType::WheelBaseConfig:
            queueAnswer(objectType, requestId, view(encode(profileRecords(slot).wheelBase)));
            break;
        case RecordType::Telemetry:
            queueAnswer(objectType, requestId, view(encode(profileRecords(slot).telemetry)));
            break;
        case RecordType::UserEffectConfig:
            queueAnswer(objectType, requestId, view(encode(profileRecords(slot).userEffect)));
            break;
        default:
            ++malformedReports_;
            break;
    }
}

void WheelBaseFirmware::handleWrite(quint8 slot, quint8 objectType, ByteView payload,
                                    quint8 checksum) {
    const size_t size = writableRecordSize(objectType);
    if (size == 0 || payload.size() != size) {
        ++malformedReports_;
        return;
    }
    if (checksum != (payload[0] ^ kChecksumKey)) {
        ++rejectedWrites_;
        return;
    }
    const bool profileSlot = FlashImage::isProfileSlot(slot);
    ProfileRecords& slotRecords = profileRecords(slot);
    switch (objectType) {
        case RecordType::JoystickConfig:
            hardware_.joystick = decodeJoystickConfig(payload);
            break;
        case RecordType::MotorConfig:
            hardware_.motor = decodeMotorConfig(payload);
            break;
        case RecordType::WheelBaseConfig:
            slotRecords.wheelBase = decodeWheelBaseConfig(payload);
            if (profileSlot)
                working_.wheelBase = slotRecords.wheelBase;
            break;
        case RecordType::UserEffectConfig:
            slotRecords.userEffect = decodeUserEffectConfig(payload);
            if (profileSlot)
                working_.userEffect = slotRecords.userEffect;
            break;
        case RecordType::Telemetry:
            slotRecords.telemetry = decodeSimTelemetryConfig(payload);
            if (profileSlot)
                working_.telemetry = slotRecords.telemetry;
            break;
        default:
            break;
    }
    applyWorkingConfiguration();
}

void WheelBaseFirmware::handleProfileCommand(quint8 command, quint8 slot, quint8 requestId) {
    quint8 status = ProfileDone;
    if (FlashImage::isProfileSlot(slot)) {
        const size_t index = slot - FlashImage::kFirstProfileSlot;
        if (command == Opcode::Load) {
            ram_[index] = flash_.profiles[index];
            working_ = ram_[index];  // the loaded profile is the one the base now runs
        } else {
            flash_.profiles[index] = ram_[index];
        }
    } else if (slot == kHardwareSlotNumber) {
        if (command == Opcode::Load)
            hardware_ = flash_.hardware;
        else
            flash_.hardware = hardware_;
    } else {
        status = ProfileBadSlot;
    }
    if (command == Opcode::Load)
        applyWorkingConfiguration();
    if (command == Opcode::Save && status == ProfileDone && !statePath_.isEmpty()) {
        QString error;
        if (FirmwareStateFile::write(statePath_, flash_, &error)) {
            stateError_.clear();
        } else {
            stateError_ = error;
            status = ProfileNotPersisted;
            qCWarning(lcSim).noquote() << "Simulated wheel base could not keep its flash:" << error;
        }
    }
    const std::array<quint8, 3> answer{command, slot, status};
    queueAnswer(kProfileAnswerType, requestId, view(answer));
}

void WheelBaseFirmware::queueAnswer(quint8 recordType, quint8 requestId, ByteView record) {
    QByteArray report(kInputReportLength, '\0');
    report[AnswerOffset::ReportId] = static_cast<char>(kAnswerReport);
    report[AnswerOffset::RecordType] = static_cast<char>(recordType);
    report[AnswerOffset::RequestId] = static_cast<char>(requestId);
    const size_t room = static_cast<size_t>(kInputReportLength - AnswerOffset::Record);
    std::memcpy(report.data() + AnswerOffset::Record, record.data(), std::min(record.size(), room));
    pending_.push_back(std::move(report));
    wake_.notify_all();
}

// ---- input reports ----------------------------------------------------------------------

WheelBaseFirmware::Clock::duration WheelBaseFirmware::streamInterval() const {
    using namespace std::chrono;
    switch (rate_) {
        case StreamRate::Gentle:
            return duration_cast<Clock::duration>(seconds(1)) /
                   (kGentleReportsPerKindPerSecond * kStreamKinds);
        case StreamRate::Fast1kHz:
            return milliseconds(1);
        default:
            return Clock::duration::zero();
    }
}

QByteArray WheelBaseFirmware::nextStreamReport(Clock::time_point now) {
    model_.advance(std::chrono::duration<double>(now - lastAdvance_).count());
    lastAdvance_ = now;
    const int kind = nextStreamKind_;
    nextStreamKind_ = (nextStreamKind_ + 1) % kStreamKinds;

    QByteArray report(kInputReportLength, '\0');
    const auto answer = [&](quint8 recordType, ByteView record) {
        report[AnswerOffset::ReportId] = static_cast<char>(kAnswerReport);
        report[AnswerOffset::RecordType] = static_cast<char>(recordType);
        report[AnswerOffset::RequestId] = static_cast<char>(kStreamRequestId);
        std::memcpy(report.data() + AnswerOffset::Record, record.data(), record.size());
    };
    switch (kind) {
        case 0:
            answer(RecordType::EncoderStats, view(encode(model_.encoderStats())));
            break;
        case 1:
            answer(RecordType::PwmStats, view(encode(model_.pwmStats())));
            break;
        case 2:
            answer(RecordType::CalculatedParams, view(encode(model_.calculatedParams())));
            break;
        case 3:
            answer(RecordType::FfbReport, view(encode(model_.effectForces())));
            break;
        default: {
            const auto axes = encode(model_.axes(hardware_.joystick));
            report[0] = static_cast<char>(kJoystickReport);
            std::memcpy(report.data() + 1, axes.data(), axes.size());
            break;
        }
    }
    return report;
}

bool WheelBaseFirmware::waitForReportLocked(std::unique_lock<std::mutex>& lock,
                                            Clock::time_point deadline) {
    for (;;) {
        if (interrupted_) {
            interrupted_ = false;
            return false;
        }
        const auto now = Clock::now();
        if (!pending_.empty() || rate_ == StreamRate::Max ||
            (rate_ != StreamRate::Off && now >= nextStreamDue_))
            return true;
        if (now >= deadline)
            return false;
        const auto wakeAt =
            rate_ == StreamRate::Off ? deadline : std::min(deadline, nextStreamDue_);
        wake_.wait_until(lock, wakeAt);
    }
}

std::optional<QByteArray> WheelBaseFirmware::takeInputReport(int timeoutMs) {
    std::unique_lock lock(mutex_);
    const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(0, timeoutMs));
    if (!waitForReportLocked(lock, deadline))
        return std::nullopt;
    QByteArray report;
    if (!pending_.empty()) {
        report = std::move(pending_.front());
        pending_.pop_front();
    } else {
        const auto now = Clock::now();
        if (rate_ != StreamRate::Max) {
            nextStreamDue_ += streamInterval();
            // After a stall (a slow consumer) the pace starts again instead of bursting.
            if (now - nextStreamDue_ > std::chrono::milliseconds(50))
                nextStreamDue_ = now + streamInterval();
        }
        report = nextStreamReport(now);
    }
    // Streamed reports are traced too; at the higher rates that is one line per report.
    if (trace_)
        trace_->incoming(ByteView(reinterpret_cast<const quint8*>(report.constData()),
                                  static_cast<size_t>(report.size())));
    return report;
}

bool WheelBaseFirmware::waitForInputReport(int timeoutMs) {
    std::unique_lock lock(mutex_);
    return waitForReportLocked(lock,
                               Clock::now() + std::chrono::milliseconds(std::max(0, timeoutMs)));
}

void WheelBaseFirmware::interrupt() {
    std::lock_guard lock(mutex_);
    interrupted_ = true;
    wake_.notify_all();
}

void WheelBaseFirmware::queueInputReport(QByteArray report) {
    std::lock_guard lock(mutex_);
    pending_.push_back(std::move(report));
    wake_.notify_all();
}

void WheelBaseFirmware::setStreamRate(StreamRate rate) {
    std::lock_guard lock(mutex_);
    const auto now = Clock::now();
    if (rate_ == StreamRate::Off)
        lastAdvance_ = now;  // the wheel stood still meanwhile
    rate_ = rate;
    nextStreamDue_ = now;
    wake_.notify_all();
}

WheelBaseFirmware::StreamRate WheelBaseFirmware::streamRate() const {
    std::lock_guard lock(mutex_);
    return rate_;
}

// ---- set-up -----------------------------------------------------------------------------

void WheelBaseFirmware::setFirmwareVersion(const TFirmwareVersion& version) {
    std::lock_guard lock(mutex_);
    version_ = version;
}

TFirmwareVersion WheelBaseFirmware::firmwareVersion() const {
    std::lock_guard lock(mutex_);
    return version_;
}

void WheelBaseFirmware::setStateFile(const QString& path) {
    std::lock_guard lock(mutex_);
    statePath_ = path;
    stateError_.clear();
    if (path.isEmpty() || !QFileInfo::exists(path))
        return;
    QString error;
    if (auto image = FirmwareStateFile::read(path, &error)) {
        flash_ = *image;
    } else {
        stateError_ = error;
        flash_ = defaultFlashImage();
        qCWarning(lcSim).noquote() << "Simulated wheel base starts with factory settings:" << error;
    }
    powerOn();
}

QString WheelBaseFirmware::stateFileError() const {
    std::lock_guard lock(mutex_);
    return stateError_;
}

void WheelBaseFirmware::setTrace(std::shared_ptr<WireTrace> trace) {
    std::lock_guard lock(mutex_);
    trace_ = std::move(trace);
}

// ---- inspection -------------------------------------------------------------------------

QList<quint8> WheelBaseFirmware::acknowledgements() const {
    std::lock_guard lock(mutex_);
    return acknowledgements_;
}

int WheelBaseFirmware::rejectedWrites() const {
    std::lock_guard lock(mutex_);
    return rejectedWrites_;
}

int WheelBaseFirmware::malformedReports() const {
    std::lock_guard lock(mutex_);
    return malformedReports_;
}

QList<QByteArray> WheelBaseFirmware::receivedReports() const {
    std::lock_guard lock(mutex_);
    return received_;
}

void WheelBaseFirmware::clearReceived() {
    std::lock_guard lock(mutex_);
    received_.clear();
    acknowledgements_.clear();
    rejectedWrites_ = 0;
    malformedReports_ = 0;
}

TWheelBaseConfig WheelBaseFirmware::wheelBaseConfig(quint8 slot) const {
    std::lock_guard lock(mutex_);
    return profileRecords(slot).wheelBase;
}

void WheelBaseFirmware::setWheelBaseConfig(quint8 slot, const TWheelBaseConfig& record) {
    std::lock_guard lock(mutex_);
    profileRecords(slot).wheelBase = record;
    applyWorkingConfiguration();
}

TUserEffectConfig WheelBaseFirmware::userEffectConfig(quint8 slot) const {
    std::lock_guard lock(mutex_);
    return profileRecords(slot).userEffect;
}

void WheelBaseFirmware::setUserEffectConfig(quint8 slot, const TUserEffectConfig& record) {
    std::lock_guard lock(mutex_);
    profileRecords(slot).userEffect = record;
    applyWorkingConfiguration();
}

SimTelemetryConfig WheelBaseFirmware::telemetryConfig(quint8 slot) const {
    std::lock_guard lock(mutex_);
    return profileRecords(slot).telemetry;
}

void WheelBaseFirmware::setTelemetryConfig(quint8 slot, const SimTelemetryConfig& record) {
    std::lock_guard lock(mutex_);
    profileRecords(slot).telemetry = record;
}

TJoystickConfig WheelBaseFirmware::joystickConfig() const {
    std::lock_guard lock(mutex_);
    return hardware_.joystick;
}

void WheelBaseFirmware::setJoystickConfig(const TJoystickConfig& record) {
    std::lock_guard lock(mutex_);
    hardware_.joystick = record;
}

TMotorConfig WheelBaseFirmware::motorConfig() const {
    std::lock_guard lock(mutex_);
    return hardware_.motor;
}

void WheelBaseFirmware::setMotorConfig(const TMotorConfig& record) {
    std::lock_guard lock(mutex_);
    hardware_.motor = record;
    applyWorkingConfiguration();
}

FlashImage WheelBaseFirmware::flash() const {
    std::lock_guard lock(mutex_);
    return flash_;
}

qint32 WheelBaseFirmware::wheelPosition() const {
    std::lock_guard lock(mutex_);
    return model_.position();
}

TEncoderStats WheelBaseFirmware::encoderStats() const {
    std::lock_guard lock(mutex_);
    return model_.encoderStats();
}

void WheelBaseFirmware::setWheelPosition(qint32 counts) {
    std::lock_guard lock(mutex_);
    model_.setPosition(counts);
}

int WheelBaseFirmware::calibrations() const {
    std::lock_guard lock(mutex_);
    return calibrations_;
}

int WheelBaseFirmware::centrings() const {
    std::lock_guard lock(mutex_);
    return centrings_;
}

}  // namespace karvo
