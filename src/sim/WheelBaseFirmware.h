#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>

#include "FirmwareRecords.h"
#include "Records.h"
#include "WheelMotionModel.h"

namespace karvo {

class WireTrace;

// The firmware of a simulated wheel base: it answers command packets the way the real base
// does, keeps five profile slots and the hardware slot in RAM and in flash (optionally backed
// by a state file), and streams statistics and its joystick report from a physics model.
//
// Thread-safe behind one mutex: output reports arrive on the GUI thread while a reader thread
// takes input reports.
class WheelBaseFirmware {
public:
    // Gentle: about 30 reports a second of each streamed kind, enough for the live display.
    // Fast1kHz: 1000 streamed reports a second in total. Max: a streamed report whenever one is
    // asked for and no answer is waiting.
    enum class StreamRate { Off, Gentle, Fast1kHz, Max };

    static constexpr int kInputReportLength = 64;  // report ID byte included
    static constexpr int kOutputReportLength = 64;
    static constexpr int kStreamKinds = 5;  // encoder, PWM, calculated, effect forces, joystick
    static constexpr int kGentleReportsPerKindPerSecond = 30;
    static constexpr quint8 kProfileAnswerType = 144;  // answer to a load or a save
    static constexpr int kInspectionLimit = 10000;     // received reports and acks kept

    // The status byte in the answer to a load or a save.
    enum ProfileStatus : quint8 { ProfileDone = 0, ProfileBadSlot = 1, ProfileNotPersisted = 2 };

    WheelBaseFirmware();
    ~WheelBaseFirmware();
    WheelBaseFirmware(const WheelBaseFirmware&) = delete;
    WheelBaseFirmware& operator=(const WheelBaseFirmware&) = delete;

    // One output report, report ID first, handled at once. Reports that are not well-formed
    // command packets are counted and otherwise ignored.
    void receiveOutputReport(ByteView report);

    // The next input report (report ID first; kInputReportLength bytes unless injected with
    // another length), waiting at most timeoutMs. Answers come before streamed reports.
    // nullopt on timeout or when interrupt() was called.
    std::optional<QByteArray> takeInputReport(int timeoutMs);

    // Waits at most timeoutMs until takeInputReport would return a report at once, and takes
    // nothing. False on timeout or when interrupt() was called.
    bool waitForInputReport(int timeoutMs);

    // Wakes a waiting takeInputReport or waitForInputReport (or makes the next one return at
    // once).
    void interrupt();

    void setStreamRate(StreamRate rate);  // Off at construction
    StreamRate streamRate() const;
    void setFirmwareVersion(const TFirmwareVersion& version);  // 1.2.0.7 at construction
    TFirmwareVersion firmwareVersion() const;

    // The file that holds the flash. Read now if it exists (as at power-on: RAM and the
    // working configuration are loaded from it; a file that cannot be used leaves every slot
    // at its factory settings), written after every save.
    void setStateFile(const QString& path);
    QString stateFileError() const;  // the last problem with the state file; empty if none

    void setTrace(std::shared_ptr<WireTrace> trace);  // nullptr stops tracing

    // Inspection and set-up for tests. A profile slot (6 to 10) addresses that slot's RAM
    // copy; any other slot addresses the working configuration (the last loaded or written).
    QList<quint8> acknowledgements() const;     // acknowledged request IDs, in order
    int rejectedWrites() const;                 // writes with a bad checksum
    int malformedReports() const;               // reports that were not command packets
    QList<QByteArray> receivedReports() const;  // every output report, as received
    void clearReceived();                       // forgets all of the above

    TWheelBaseConfig wheelBaseConfig(quint8 slot) const;
    void setWheelBaseConfig(quint8 slot, const TWheelBaseConfig& record);
    TUserEffectConfig userEffectConfig(quint8 slot) const;
    void setUserEffectConfig(quint8 slot, const TUserEffectConfig& record);
    SimTelemetryConfig telemetryConfig(quint8 slot) const;
    void setTelemetryConfig(quint8 slot, const SimTelemetryConfig& record);
    TJoystickConfig joystickConfig() const;  // the working hardware configuration
    void setJoystickConfig(const TJoystickConfig& record);
    TMotorConfig motorConfig() const;
    void setMotorConfig(const TMotorConfig& record);
    FlashImage flash() const;

    qint32 wheelPosition() const;        // encoder counts
    TEncoderStats encoderStats() const;  // as the next streamed report would show them
    void setWheelPosition(qint32 counts);
    int calibrations() const;
    int centrings() const;

    // Queues a report as it is (any length) to be delivered before streamed reports.
    void queueInputReport(QByteArray report);

private:
    using Clock = std::chrono::steady_clock;

    void handleCommand(ByteView report);
    void handleRead(quint8 slot, quint8 objectType, quint8 requestId);
    void handleWrite(quint8 slot, quint8 objectType, ByteView payload, quint8 checksum);
    void handleProfileCommand(quint8 command, quint8 slot, quint8 requestId);
    ProfileRecords& profileRecords(quint8 slot);
    const ProfileRecords& profileRecords(quint8 slot) const;
    void powerOn();  // RAM and working configuration from flash
    void applyWorkingConfiguration();
    void queueAnswer(quint8 recordType, quint8 requestId, ByteView record);
    QByteArray nextStreamReport(Clock::time_point now);
    Clock::duration streamInterval() const;
    // With the lock held: waits until a report can be taken at once, at most until the
    // deadline. False on timeout or when interrupt() was called.
    bool waitForReportLocked(std::unique_lock<std::mutex>& lock, Clock::time_point deadline);

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<QByteArray> pending_;  // answers and injected reports
    bool interrupted_ = false;

    StreamRate rate_ = StreamRate::Off;
    Clock::time_point nextStreamDue_;
    Clock::time_point lastAdvance_;
    int nextStreamKind_ = 0;

    TFirmwareVersion version_;
    FlashImage flash_;
    std::array<ProfileRecords, FlashImage::kProfileCount> ram_;
    ProfileRecords working_;
    HardwareRecords hardware_;
    WheelMotionModel model_;
    QString statePath_;
    QString stateError_;
    std::shared_ptr<WireTrace> trace_;

    QList<quint8> acknowledgements_;
    QList<QByteArray> received_;
    int rejectedWrites_ = 0;
    int malformedReports_ = 0;
    int calibrations_ = 0;
    int centrings_ = 0;
};

}  // namespace karvo
