// Commands of the simulated wheel base: reads, writes, profile load/save, the state file,
// acknowledgements, centring and calibration.

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <thread>

#include "FirmwareStateFile.h"
#include "SimTestSupport.h"
#include "WheelBaseFirmware.h"

using namespace karvo;
using namespace karvo::simtest;

namespace {

// The factory records, byte for byte as the editors' defaults encode.
QByteArray defaultWheelBaseBytes() {
    return fromHex("b400dc0500000000c800c800c8008104353f00000000b80b") +
           fromHex("1027").repeated(11) + fromHex("00");
}
QByteArray defaultUserEffectBytes() {
    return fromHex("1027").repeated(8) + fromHex("0000") + fromHex("1027").repeated(3) +
           fromHex("01010101");
}
QByteArray defaultMotorBytes() {
    return fromHex("0100000100e803000000010000f041000020410000803f01000000");
}
QByteArray defaultJoystickBytes() {
    return fromHex("6079feffa0860100") + fromHex("00000000a0860100").repeated(5);
}
QByteArray defaultTelemetryBytes() {
    return fromHex("00003c0010270000");
}

TWheelBaseConfig customWheelBase() {
    TWheelBaseConfig c = defaultWheelBaseConfig();
    c.steeringAngle = 900;
    c.stopForce = 4321;
    c.qFactor = 1.25f;
    c.sineGain = 1234;
    c.enableTelemetryFfb = true;
    return c;
}

TUserEffectConfig customUserEffect() {
    TUserEffectConfig c = defaultUserEffectConfig();
    c.damperForce = 77;
    c.eOffset = 500;
    c.enableInertia = false;
    return c;
}

TJoystickConfig customJoystick() {
    TJoystickConfig c = defaultJoystickConfig();
    c.xMin = -32768;
    c.xMax = 32767;
    c.rzMax = 1023;
    return c;
}

TMotorConfig customMotor() {
    TMotorConfig c = defaultMotorConfig();
    c.pwmMode = 3;
    c.pwmFreq = 8;
    c.PPR = 2500;
    c.Kp = 12.5f;
    return c;
}

// The record an answer carries, and the check that it is a well-formed answer.
QByteArray answerRecord(const QByteArray& report, quint8 type, quint8 requestId, int size) {
    if (report.size() != WheelBaseFirmware::kInputReportLength)
        return {};
    if (static_cast<quint8>(report[0]) != kResponseReportId)
        return {};
    if (static_cast<quint8>(report[1]) != type || static_cast<quint8>(report[2]) != requestId)
        return {};
    // Everything after the record is zero.
    if (report.mid(3 + size) != QByteArray(report.size() - 3 - size, '\0'))
        return {};
    return report.mid(3, size);
}

QByteArray readRecord(WheelBaseFirmware& firmware, quint8 slot, quint8 type, quint8 index,
                      quint8 requestId, int size) {
    send(firmware, readRequestPacket(slot, type, index, requestId));
    const auto report = takeQueued(firmware);
    return report ? answerRecord(*report, type, requestId, size) : QByteArray("no answer");
}

QByteArray readWheelBase(WheelBaseFirmware& firmware, quint8 slot) {
    return readRecord(firmware, slot, RecordType::WheelBaseConfig, 0, RequestId::WheelBase,
                      TWheelBaseConfig::kSize);
}

// The status answer of a load or save: command, slot, status.
QByteArray profileAnswer(WheelBaseFirmware& firmware) {
    const auto report = takeQueued(firmware);
    return report
               ? answerRecord(*report, WheelBaseFirmware::kProfileAnswerType, RequestId::Profile, 3)
               : QByteArray("no answer");
}

}  // namespace

class TestWheelBaseFirmware : public QObject {
    Q_OBJECT
private slots:
    void fixtureIsSane();
    void readAnswersEveryObject_data();
    void readAnswersEveryObject();
    void readAddressesTheSlot();
    void writeStoresTheRecord_data();
    void writeStoresTheRecord();
    void writeWithBadChecksumIsRejected();
    void malformedReportsAreCountedAndIgnored_data();
    void malformedReportsAreCountedAndIgnored();
    void loadRestoresRamFromFlash();
    void saveCopiesRamToFlash();
    void hardwareSlotLoadAndSave();
    void loadAndSaveOfAnUnknownSlotReportBadSlot();
    void savePersistsToTheStateFile();
    void corruptStateFileGivesFactorySettings_data();
    void corruptStateFileGivesFactorySettings();
    void unwritableStateFileIsReportedInTheAnswer();
    void acknowledgementsAreRecorded();
    void centreReturnsTheWheelAndResetsStatistics();
    void calibrateSweepsLockToLock_data();
    void calibrateSweepsLockToLock();
    void reversedEncoderMirrorsTheCounts();
    void injectedReportsComeFirstAndUnchanged();
    void interruptWakesAWaitingTake();
};

void TestWheelBaseFirmware::fixtureIsSane() {
    WheelBaseFirmware firmware;
    QVERIFY(!firmware.takeInputReport(0).has_value());  // streams are off
    QVERIFY(firmware.acknowledgements().isEmpty());
    QCOMPARE(firmware.rejectedWrites(), 0);
    QCOMPARE(firmware.malformedReports(), 0);
    QCOMPARE(firmware.firmwareVersion().version, (std::array<quint8, 4>{1, 2, 0, 7}));
    QCOMPARE(firmware.flash(), defaultFlashImage());
    // The builders and the firmware agree on the header-only packet.
    QCOMPARE(reportFor(readRequestPacket(11, 0, 255, 224)).left(9), fromHex("14090b0000e0ff0000"));
}

void TestWheelBaseFirmware::readAnswersEveryObject_data() {
    QTest::addColumn<int>("slot");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("requestId");
    QTest::addColumn<QByteArray>("record");
    QTest::newRow("firmware") << 11 << 0 << 255 << 224 << fromHex("01020007");
    QTest::newRow("joystick") << 11 << 1 << 1 << 225 << defaultJoystickBytes();
    QTest::newRow("motor") << 11 << 2 << 2 << 226 << defaultMotorBytes();
    QTest::newRow("wheel base") << 6 << 3 << 0 << 227 << defaultWheelBaseBytes();
    QTest::newRow("user effect") << 8 << 5 << 3 << 228 << defaultUserEffectBytes();
    QTest::newRow("telemetry") << 10 << 4 << 4 << 229 << defaultTelemetryBytes();
    QTest::newRow("request id is echoed") << 11 << 0 << 255 << 17 << fromHex("01020007");
}

void TestWheelBaseFirmware::readAnswersEveryObject() {
    QFETCH(int, slot);
    QFETCH(int, type);
    QFETCH(int, index);
    QFETCH(int, requestId);
    QFETCH(QByteArray, record);
    WheelBaseFirmware firmware;
    QCOMPARE(readRecord(firmware, static_cast<quint8>(slot), static_cast<quint8>(type),
                        static_cast<quint8>(index), static_cast<quint8>(requestId),
                        static_cast<int>(record.size())),
             record);
    QVERIFY(!takeQueued(firmware).has_value());  // exactly one answer
}

void TestWheelBaseFirmware::readAddressesTheSlot() {
    WheelBaseFirmware firmware;
    firmware.setWheelBaseConfig(8, customWheelBase());
    QCOMPARE(readWheelBase(firmware, 8), toQByteArray(encode(customWheelBase())));
    QCOMPARE(readWheelBase(firmware, 7), defaultWheelBaseBytes());
    // Outside the profile slots the base answers with the configuration it runs.
    firmware.setWheelBaseConfig(5, customWheelBase());
    QCOMPARE(readWheelBase(firmware, 5), toQByteArray(encode(customWheelBase())));
    QCOMPARE(readWheelBase(firmware, 6), defaultWheelBaseBytes());
}

void TestWheelBaseFirmware::writeStoresTheRecord_data() {
    QTest::addColumn<QByteArray>("report");
    QTest::addColumn<QString>("object");
    QTest::addColumn<int>("slot");
    QTest::newRow("wheel base") << reportFor(wheelBaseWritePacket(7, customWheelBase()))
                                << "wheel base" << 7;
    QTest::newRow("user effect") << reportFor(userEffectWritePacket(10, customUserEffect()))
                                 << "user effect" << 10;
    QTest::newRow("joystick, profile slot")
        << reportFor(joystickWritePacket(9, customJoystick())) << "joystick" << 9;
    QTest::newRow("motor, profile slot")
        << reportFor(motorWritePacket(6, customMotor())) << "motor" << 6;
    QTest::newRow("wheel base, no profile")
        << reportFor(wheelBaseWritePacket(5, customWheelBase())) << "wheel base" << 5;
}

void TestWheelBaseFirmware::writeStoresTheRecord() {
    QFETCH(QByteArray, report);
    QFETCH(QString, object);
    QFETCH(int, slot);
    const auto s = static_cast<quint8>(slot);
    WheelBaseFirmware firmware;
    send(firmware, report);
    QCOMPARE(firmware.rejectedWrites(), 0);
    QCOMPARE(firmware.malformedReports(), 0);
    QVERIFY(!takeQueued(firmware).has_value());  // writes are not answered
    constexpr quint8 kWorking = 5;
    if (object == "wheel base") {
        QCOMPARE(firmware.wheelBaseConfig(s), customWheelBase());
        QCOMPARE(firmware.wheelBaseConfig(kWorking), customWheelBase());
        QCOMPARE(firmware.userEffectConfig(s), defaultUserEffectConfig());
    } else if (object == "user effect") {
        QCOMPARE(firmware.userEffectConfig(s), customUserEffect());
        QCOMPARE(firmware.userEffectConfig(kWorking), customUserEffect());
        QCOMPARE(firmware.wheelBaseConfig(s), defaultWheelBaseConfig());
    } else if (object == "joystick") {
        QCOMPARE(firmware.joystickConfig(), customJoystick());
        QCOMPARE(firmware.motorConfig(), defaultMotorConfig());
    } else {
        QCOMPARE(firmware.motorConfig(), customMotor());
        QCOMPARE(firmware.joystickConfig(), defaultJoystickConfig());
    }
    QCOMPARE(firmware.flash(), defaultFlashImage());  // writes reach RAM only
}

void TestWheelBaseFirmware::writeWithBadChecksumIsRejected() {
    WheelBaseFirmware firmware;
    QByteArray report = reportFor(wheelBaseWritePacket(6, customWheelBase()));
    const int checksumAt = 8 + TWheelBaseConfig::kSize;
    QCOMPARE(static_cast<quint8>(report[checksumAt]), quint8(0x84 ^ 0x69));  // 900 = 0x0384
    report[checksumAt] = static_cast<char>(report[checksumAt] ^ 0x01);
    send(firmware, report);
    QCOMPARE(firmware.rejectedWrites(), 1);
    QCOMPARE(firmware.malformedReports(), 0);
    QCOMPARE(firmware.wheelBaseConfig(6), defaultWheelBaseConfig());
    QCOMPARE(firmware.wheelBaseConfig(5), defaultWheelBaseConfig());
}

void TestWheelBaseFirmware::malformedReportsAreCountedAndIgnored_data() {
    QTest::addColumn<QByteArray>("report");
    const QByteArray write = reportFor(motorWritePacket(6, customMotor()));
    QByteArray wrongId = write;
    wrongId[0] = 21;
    QByteArray wrongLength = write;
    wrongLength[1] = 9;
    QByteArray wrongPayloadLength = reportFor(wheelBaseWritePacket(6, customWheelBase()));
    wrongPayloadLength[1] = 8 + 46 + 1;
    wrongPayloadLength[7] = 46;
    QByteArray firmwareWrite = write;
    firmwareWrite[4] = 0;  // the firmware version cannot be written
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("header cut short") << fromHex("14090b0000e0ff");
    QTest::newRow("other report id") << wrongId;
    QTest::newRow("length byte disagrees") << wrongLength;
    QTest::newRow("payload cut off") << write.left(20);
    QTest::newRow("record size wrong for type") << wrongPayloadLength;
    QTest::newRow("write of firmware version") << firmwareWrite;
    QTest::newRow("unknown command 4") << fromHex("1409060400000000 00");
    QTest::newRow("read of unknown object") << reportFor(readRequestPacket(6, 9, 0, 227));
    QTest::newRow("read with payload") << fromHex("140c0b0000e0ff03 010203 6b");
}

void TestWheelBaseFirmware::malformedReportsAreCountedAndIgnored() {
    QFETCH(QByteArray, report);
    WheelBaseFirmware firmware;
    send(firmware, report);
    QCOMPARE(firmware.malformedReports(), 1);
    QCOMPARE(firmware.rejectedWrites(), 0);
    QVERIFY(!takeQueued(firmware).has_value());
    QCOMPARE(firmware.motorConfig(), defaultMotorConfig());
    QCOMPARE(firmware.wheelBaseConfig(6), defaultWheelBaseConfig());
    QCOMPARE(firmware.receivedReports(), QList<QByteArray>{report});
}

void TestWheelBaseFirmware::loadRestoresRamFromFlash() {
    WheelBaseFirmware firmware;
    send(firmware, wheelBaseWritePacket(7, customWheelBase()));
    send(firmware, userEffectWritePacket(7, customUserEffect()));
    send(firmware, loadPacket(7));
    QCOMPARE(profileAnswer(firmware), fromHex("020700"));
    QCOMPARE(firmware.wheelBaseConfig(7), defaultWheelBaseConfig());
    QCOMPARE(firmware.userEffectConfig(7), defaultUserEffectConfig());
    QCOMPARE(firmware.wheelBaseConfig(5), defaultWheelBaseConfig());  // now the working one

    // A load makes that profile's RAM copy the working configuration.
    firmware.setWheelBaseConfig(9, customWheelBase());
    send(firmware, savePacket(9));
    QCOMPARE(profileAnswer(firmware), fromHex("030900"));
    send(firmware, loadPacket(9));
    QCOMPARE(profileAnswer(firmware), fromHex("020900"));
    QCOMPARE(readWheelBase(firmware, 5), toQByteArray(encode(customWheelBase())));
}

void TestWheelBaseFirmware::saveCopiesRamToFlash() {
    WheelBaseFirmware firmware;
    send(firmware, wheelBaseWritePacket(8, customWheelBase()));
    send(firmware, savePacket(8));
    QCOMPARE(profileAnswer(firmware), fromHex("030800"));
    QCOMPARE(firmware.flash().profiles[2].wheelBase, customWheelBase());
    QCOMPARE(firmware.flash().profiles[1].wheelBase, defaultWheelBaseConfig());

    firmware.setWheelBaseConfig(8, defaultWheelBaseConfig());
    send(firmware, loadPacket(8));
    QCOMPARE(profileAnswer(firmware), fromHex("020800"));
    QCOMPARE(readWheelBase(firmware, 8), toQByteArray(encode(customWheelBase())));
}

void TestWheelBaseFirmware::hardwareSlotLoadAndSave() {
    WheelBaseFirmware firmware;
    send(firmware, motorWritePacket(6, customMotor()));
    send(firmware, joystickWritePacket(6, customJoystick()));
    send(firmware, loadPacket(kHardwareSlot));
    QCOMPARE(profileAnswer(firmware), fromHex("020b00"));
    QCOMPARE(firmware.motorConfig(), defaultMotorConfig());
    QCOMPARE(firmware.joystickConfig(), defaultJoystickConfig());

    send(firmware, motorWritePacket(6, customMotor()));
    send(firmware, savePacket(kHardwareSlot));
    QCOMPARE(profileAnswer(firmware), fromHex("030b00"));
    QCOMPARE(firmware.flash().hardware.motor, customMotor());
    QCOMPARE(firmware.flash().profiles, defaultFlashImage().profiles);
    send(firmware, loadPacket(kHardwareSlot));
    QCOMPARE(profileAnswer(firmware), fromHex("020b00"));
    QCOMPARE(
        readRecord(firmware, 11, RecordType::MotorConfig, 2, RequestId::Motor, TMotorConfig::kSize),
        toQByteArray(encode(customMotor())));
}

void TestWheelBaseFirmware::loadAndSaveOfAnUnknownSlotReportBadSlot() {
    WheelBaseFirmware firmware;
    send(firmware, wheelBaseWritePacket(5, customWheelBase()));
    send(firmware, savePacket(5));
    QCOMPARE(profileAnswer(firmware), fromHex("030501"));
    send(firmware, loadPacket(5));
    QCOMPARE(profileAnswer(firmware), fromHex("020501"));
    QCOMPARE(firmware.flash(), defaultFlashImage());
    QCOMPARE(firmware.wheelBaseConfig(5), customWheelBase());  // nothing was loaded
}

void TestWheelBaseFirmware::savePersistsToTheStateFile() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("flash.state");
    {
        WheelBaseFirmware firmware;
        firmware.setStateFile(path);  // not there yet: nothing changes
        QVERIFY(!QFile::exists(path));
        send(firmware, wheelBaseWritePacket(9, customWheelBase()));
        send(firmware, userEffectWritePacket(9, customUserEffect()));
        send(firmware, wheelBaseWritePacket(8, customWheelBase()));  // never saved
        send(firmware, savePacket(9));
        send(firmware, motorWritePacket(6, customMotor()));
        send(firmware, savePacket(kHardwareSlot));
        QCOMPARE(profileAnswer(firmware), fromHex("030900"));
        QCOMPARE(profileAnswer(firmware), fromHex("030b00"));
        QVERIFY(QFile::exists(path));
        QVERIFY(firmware.stateFileError().isEmpty());
    }
    WheelBaseFirmware restarted;
    restarted.setStateFile(path);
    QVERIFY2(restarted.stateFileError().isEmpty(), qPrintable(restarted.stateFileError()));
    QCOMPARE(readWheelBase(restarted, 9), toQByteArray(encode(customWheelBase())));
    QCOMPARE(restarted.userEffectConfig(9), customUserEffect());
    QCOMPARE(restarted.wheelBaseConfig(8), defaultWheelBaseConfig());
    QCOMPARE(restarted.motorConfig(), customMotor());
    QCOMPARE(restarted.joystickConfig(), defaultJoystickConfig());
}

void TestWheelBaseFirmware::corruptStateFileGivesFactorySettings_data() {
    // Each row damages a good state file in one way.
    QTest::addColumn<QByteArray>("from");
    QTest::addColumn<QByteArray>("to");
    QTest::newRow("other format") << QByteArray("format=1") << QByteArray("format=2");
    QTest::newRow("entry missing") << QByteArray("hardware.motor=") << QByteArray("#");
    QTest::newRow("record too short")
        << QByteArray("profile9.wheelBase=") << QByteArray("profile9.wheelBase=00");
    QTest::newRow("not hexadecimal")
        << QByteArray("profile9.wheelBase=8") << QByteArray("profile9.wheelBase=x");
    QTest::newRow("entry twice") << QByteArray("format=1")
                                 << QByteArray("format=1\nhardware.motor=00");
    QTest::newRow("unknown entry")
        << QByteArray("format=1") << QByteArray("format=1\nprofile12.wheelBase=00");
    QTest::newRow("not name=value") << QByteArray("format=1") << QByteArray("format=1\ngarbage");
    QTest::newRow("binary junk") << QByteArray("format=1") << QByteArray("\x00\xff\xfe", 3);
}

void TestWheelBaseFirmware::corruptStateFileGivesFactorySettings() {
    QFETCH(QByteArray, from);
    QFETCH(QByteArray, to);
    QTemporaryDir dir;
    const QString path = dir.filePath("flash.state");
    FlashImage saved = defaultFlashImage();
    saved.profiles[3].wheelBase = customWheelBase();
    saved.hardware.motor = customMotor();
    QString error;
    QVERIFY(FirmwareStateFile::write(path, saved, &error));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QByteArray content = file.readAll();
    file.close();
    QVERIFY(content.contains(from));
    content.replace(content.indexOf(from), from.size(), to);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
    file.close();

    WheelBaseFirmware firmware;
    firmware.setWheelBaseConfig(6, customWheelBase());  // RAM is replaced as at power-on
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression("starts with factory settings: .*flash.state"));
    firmware.setStateFile(path);
    QVERIFY(!firmware.stateFileError().isEmpty());
    QVERIFY(firmware.stateFileError().contains(path));
    QCOMPARE(firmware.flash(), defaultFlashImage());
    QCOMPARE(firmware.wheelBaseConfig(9), defaultWheelBaseConfig());
    QCOMPARE(firmware.wheelBaseConfig(6), defaultWheelBaseConfig());
    QCOMPARE(firmware.motorConfig(), defaultMotorConfig());
}

void TestWheelBaseFirmware::unwritableStateFileIsReportedInTheAnswer() {
    QTemporaryDir dir;
    WheelBaseFirmware firmware;
    firmware.setStateFile(dir.filePath("missing-folder/flash.state"));
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression("could not keep its flash: .*missing-folder"));
    send(firmware, savePacket(6));
    QCOMPARE(
        profileAnswer(firmware),
        fromHex("0306") + QByteArray(1, static_cast<char>(WheelBaseFirmware::ProfileNotPersisted)));
    QVERIFY(firmware.stateFileError().contains("missing-folder"));
}

void TestWheelBaseFirmware::acknowledgementsAreRecorded() {
    WheelBaseFirmware firmware;
    QCOMPARE(reportFor(ackPacket(6, 227)).left(9), fromHex("14090690"
                                                           "90e39000"
                                                           "00"));
    send(firmware, ackPacket(6, 227));
    send(firmware, ackPacket(9, 224));
    send(firmware, ackPacket(6, 227));
    QCOMPARE(firmware.acknowledgements(), (QList<quint8>{227, 224, 227}));
    QVERIFY(!takeQueued(firmware).has_value());
    firmware.clearReceived();
    QVERIFY(firmware.acknowledgements().isEmpty());
    QVERIFY(firmware.receivedReports().isEmpty());
}

void TestWheelBaseFirmware::centreReturnsTheWheelAndResetsStatistics() {
    WheelBaseFirmware firmware;
    firmware.setWheelPosition(5500);  // past the index mark at 4000 counts
    QCOMPARE(firmware.wheelPosition(), 5500);
    QCOMPARE(firmware.encoderStats().maxPos, 5500);
    QCOMPARE(firmware.encoderStats().zPlus, 1);
    send(firmware, centrePacket(8));
    QCOMPARE(firmware.centrings(), 1);
    QCOMPARE(firmware.calibrations(), 0);
    const TEncoderStats stats = firmware.encoderStats();
    QCOMPARE(stats.currentPos, 0);
    QCOMPARE(stats.maxPos, 0);
    QCOMPARE(stats.speed, 0);
    QCOMPARE(stats.zPlus, 0);
    QCOMPARE(stats.zMinus, 0);
    QCOMPARE(firmware.wheelPosition(), 0);
    QVERIFY(!takeQueued(firmware).has_value());
}

void TestWheelBaseFirmware::calibrateSweepsLockToLock_data() {
    QTest::addColumn<int>("steeringAngle");
    QTest::addColumn<int>("ppr");
    QTest::addColumn<bool>("reverse");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("maxPos");
    QTest::addColumn<int>("zPlus");
    QTest::addColumn<int>("zMinus");
    // Index marks at every 4 * PPR counts, 0 included; the sweep goes right, left, middle.
    QTest::newRow("180 degrees") << 180 << 1000 << false << 300 << 1000 << 1 << 1;
    QTest::newRow("1080 degrees") << 1080 << 1000 << false << 300 << 6000 << 3 << 3;
    QTest::newRow("900 degrees, 2500 ppr") << 900 << 2500 << false << 300 << 12500 << 3 << 3;
    QTest::newRow("reversed encoder") << 1080 << 1000 << true << -4500 << 6000 << 3 << 3;
}

void TestWheelBaseFirmware::calibrateSweepsLockToLock() {
    QFETCH(int, steeringAngle);
    QFETCH(int, ppr);
    QFETCH(bool, reverse);
    QFETCH(int, start);
    QFETCH(int, maxPos);
    QFETCH(int, zPlus);
    QFETCH(int, zMinus);
    WheelBaseFirmware firmware;
    TWheelBaseConfig wheel = defaultWheelBaseConfig();
    wheel.steeringAngle = static_cast<quint16>(steeringAngle);
    send(firmware, wheelBaseWritePacket(6, wheel));
    TMotorConfig motor = defaultMotorConfig();
    motor.PPR = static_cast<quint32>(ppr);
    motor.reverseEncoder = reverse;
    send(firmware, motorWritePacket(6, motor));
    firmware.setWheelPosition(start);
    send(firmware, centrePacket(6));  // counting starts here
    firmware.setWheelPosition(start);
    QCOMPARE(firmware.wheelPosition(), start);
    send(firmware, calibratePacket(6));
    QCOMPARE(firmware.calibrations(), 1);
    QCOMPARE(firmware.centrings(), 1);
    const TEncoderStats stats = firmware.encoderStats();
    QCOMPARE(stats.currentPos, 0);
    QCOMPARE(stats.maxPos, maxPos);
    QCOMPARE(stats.zPlus, zPlus);
    QCOMPARE(stats.zMinus, zMinus);
    QCOMPARE(stats.ppr, ppr);
    QCOMPARE(stats.cpr, 4 * ppr);
}

void TestWheelBaseFirmware::reversedEncoderMirrorsTheCounts() {
    WheelBaseFirmware firmware;
    TMotorConfig motor = defaultMotorConfig();
    motor.reverseEncoder = true;
    firmware.setMotorConfig(motor);
    firmware.setWheelPosition(-4500);  // past the index mark at -4000 as the base counts
    const TEncoderStats stats = firmware.encoderStats();
    QCOMPARE(stats.currentPos, -4500);
    QCOMPARE(stats.maxPos, 4500);
    QCOMPARE(stats.zPlus, 0);
    QCOMPARE(stats.zMinus, 1);
}

void TestWheelBaseFirmware::injectedReportsComeFirstAndUnchanged() {
    WheelBaseFirmware firmware;
    firmware.setStreamRate(WheelBaseFirmware::StreamRate::Max);
    const QByteArray shortReport = fromHex("4103e3");
    firmware.queueInputReport(shortReport);
    send(firmware, readRequestPacket(11, 0, 255, 224));
    QCOMPARE(firmware.takeInputReport(0), std::optional<QByteArray>(shortReport));
    const auto answer = firmware.takeInputReport(0);
    QVERIFY(answer.has_value());
    QCOMPARE(answerRecord(*answer, 0, 224, 4), fromHex("01020007"));
    const auto streamed = firmware.takeInputReport(0);
    QVERIFY(streamed.has_value());
    QVERIFY(streamed->at(0) == kAxesReportId || static_cast<quint8>(streamed->at(2)) == 255);
}

void TestWheelBaseFirmware::interruptWakesAWaitingTake() {
    WheelBaseFirmware firmware;
    std::atomic<bool> returned{false};
    std::atomic<bool> gotReport{true};
    std::thread reader([&] {
        gotReport = firmware.takeInputReport(600'000).has_value();
        returned = true;
    });
    firmware.interrupt();
    QTRY_VERIFY(returned.load());
    reader.join();
    QVERIFY(!gotReport.load());
}

QTEST_GUILESS_MAIN(TestWheelBaseFirmware)
#include "tst_wheelbasefirmware.moc"
