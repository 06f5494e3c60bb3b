// The command packet catalogue, its checksum, the transmit buffer and the packet parser.

#include <QByteArray>
#include <QTest>
#include <cstddef>
#include <vector>

#include "CommandPacket.h"

using namespace karvo;

Q_DECLARE_METATYPE(karvo::TCommandPacket)

namespace {

QByteArray bytesOf(const std::vector<quint8>& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}

ByteView viewOf(const std::vector<quint8>& bytes) {
    return ByteView(bytes.data(), bytes.size());
}

QByteArray hex(const char* text) {
    return QByteArray::fromHex(QByteArray(text));
}

// Profile list indexes as the window hands them over.
constexpr int kProfile1 = 0;
constexpr int kProfile2 = 1;
constexpr int kProfile3 = 2;
constexpr int kProfile4 = 3;
constexpr int kNoProfile = -1;

// The record images of the editor defaults.
const char* const kMotorDefaults =
    "01 00 00 01 00 E8 03 00 00 00 01 00 00 F0 41 00 00 20 41 00 00 80 3F 01 00 00 00";
const char* const kBaseDefaultsStart =
    "B4 00 DC 05 00 00 00 00 C8 00 C8 00 C8 00 81 04 35 3F 00 00 00 00 B8 0B";

TMotorConfig defaultMotor() {
    return TMotorConfig{1, 0, false, true, false, 1000, 0, 1, 30, 10, 1, 1};
}

TWheelBaseConfig defaultWheelBase() {
    TWheelBaseConfig base{180,   1500,  0,     0,     200,   200,   200,   0.7071f,
                          0,     3000,  10000, 10000, 10000, 10000, 10000, 10000,
                          10000, 10000, 10000, 10000, 10000, false};
    return base;
}

TUserEffectConfig defaultUserEffect() {
    return TUserEffectConfig{10000, 10000, 10000, 10000, 10000, 10000, 10000, 10000,
                             0,     10000, 10000, 10000, true,  true,  true,  true};
}

}  // namespace

class TestCommandPacket : public QObject {
    Q_OBJECT

private slots:
    void catalogue_data();
    void catalogue();
    void packetChecksum_data();
    void packetChecksum();
    void checksumOfSteeringAngle();
    void slotOfProfileIndex_data();
    void slotOfProfileIndex();
    void wholeOutputReport_data();
    void wholeOutputReport();
    void transmitBufferFromRawBytes();
    void parseReadsEveryCataloguePacket_data();
    void parseReadsEveryCataloguePacket();
    void parseRejects_data();
    void parseRejects();
};

void TestCommandPacket::catalogue_data() {
    QTest::addColumn<TCommandPacket>("packet");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("Calibrate, Profile 1")
        << calibratePacket(profileSlot(kProfile1)) << hex("14 09 06 06 00 00 00 00 00");
    QTest::newRow("Centerize, Profile 3")
        << centrePacket(profileSlot(kProfile3)) << hex("14 09 08 05 00 00 00 00 00");
    QTest::newRow("Firmware") << readRequestPacket(kHardwareSlot, RecordType::FirmwareVersion, 255,
                                                   RequestId::Firmware)
                              << hex("14 09 0B 00 00 E0 FF 00 00");
    QTest::newRow("LoadJoy") << readRequestPacket(kHardwareSlot, RecordType::JoystickConfig, 1,
                                                  RequestId::Joystick)
                             << hex("14 09 0B 00 01 E1 01 00 00");
    QTest::newRow("LoadMotor") << readRequestPacket(kHardwareSlot, RecordType::MotorConfig, 2,
                                                    RequestId::Motor)
                               << hex("14 09 0B 00 02 E2 02 00 00");
    QTest::newRow("Load-7") << loadPacket(profileSlot(kProfile2))
                            << hex("14 09 07 02 00 FE FF 00 00");
    QTest::newRow("LoadWheelBase")
        << readRequestPacket(profileSlot(kProfile2), RecordType::WheelBaseConfig, 0,
                             RequestId::WheelBase)
        << hex("14 09 07 00 03 E3 00 00 00");
    QTest::newRow("LoadUserEffect")
        << readRequestPacket(profileSlot(kProfile2), RecordType::UserEffectConfig, 3,
                             RequestId::UserEffect)
        << hex("14 09 07 00 05 E4 03 00 00");
    QTest::newRow("LoadTelemetry")
        << readRequestPacket(profileSlot(kProfile2), RecordType::Telemetry, 4, RequestId::Telemetry)
        << hex("14 09 07 00 04 E5 04 00 00");
    QTest::newRow("Save-11") << savePacket(kHardwareSlot) << hex("14 09 0B 03 00 FE FF 00 00");
    QTest::newRow("Ack 227, Profile 1") << ackPacket(profileSlot(kProfile1), RequestId::WheelBase)
                                        << hex("14 09 06 90 90 E3 90 00 00");
    QTest::newRow("Calibrate, no profile")
        << calibratePacket(profileSlot(kNoProfile)) << hex("14 09 05 06 00 00 00 00 00");
    QTest::newRow("Load-5, no profile")
        << loadPacket(profileSlot(kNoProfile)) << hex("14 09 05 02 00 FE FF 00 00");

    // B4 ^ 69 = DD, 01 ^ 69 = 68, 60 ^ 69 = 09, 10 ^ 69 = 79.
    QTest::newRow("Wheelbase write")
        << wheelBaseWritePacket(profileSlot(kProfile1), defaultWheelBase())
        << hex("14 38 06 01 03 00 00 2F") + hex(kBaseDefaultsStart) + hex("10 27").repeated(11) +
               hex("00") + hex("DD");
    QTest::newRow("User effect write")
        << userEffectWritePacket(profileSlot(kProfile1), defaultUserEffect())
        << hex("14 25 06 01 05 00 03 1C") + hex("10 27").repeated(8) + hex("00 00") +
               hex("10 27").repeated(3) + hex("01 01 01 01") + hex("79");
    TJoystickConfig axes;
    axes.xMin = -100000;
    axes.xMax = 100000;
    QTest::newRow("Joystick write, Profile 4 is slot 9")
        << joystickWritePacket(profileSlot(kProfile4), axes)
        << hex("14 39 09 01 01 00 01 30") + hex("60 79 FE FF A0 86 01 00") + QByteArray(40, '\0') +
               hex("09");
    QTest::newRow("Motor write, Profile 4 is slot 9")
        << motorWritePacket(profileSlot(kProfile4), defaultMotor())
        << hex("14 24 09 01 02 00 02 1B") + hex(kMotorDefaults) + hex("68");
}

void TestCommandPacket::catalogue() {
    QFETCH(TCommandPacket, packet);
    QFETCH(QByteArray, expected);
    const QByteArray bytes = bytesOf(packet.bytes());
    QCOMPARE(bytes.toHex(' '), expected.toHex(' '));
    QCOMPARE(int{packet.length}, expected.size());
}

void TestCommandPacket::packetChecksum_data() {
    QTest::addColumn<int>("firstPayloadByte");
    QTest::addColumn<int>("checksum");
    QTest::newRow("angle 360 low byte") << 0x68 << 0x01;
    QTest::newRow("PWM mode 1") << 0x01 << 0x68;
    QTest::newRow("zero") << 0x00 << 0x69;
    QTest::newRow("all ones") << 0xFF << 0x96;
    QTest::newRow("the key itself") << 0x69 << 0x00;
}

void TestCommandPacket::packetChecksum() {
    QFETCH(int, firstPayloadByte);
    QFETCH(int, checksum);
    QCOMPARE(int{PacketChecksum(static_cast<quint8>(firstPayloadByte))}, checksum);
}

void TestCommandPacket::checksumOfSteeringAngle() {
    // Only the first payload byte counts: the high byte of the angle and the rest do not.
    TWheelBaseConfig base = defaultWheelBase();
    base.steeringAngle = 360;
    const std::vector<quint8> bytes = wheelBaseWritePacket(6, base).bytes();
    QCOMPARE(bytes.size(), std::size_t{56});
    QCOMPARE(int{bytes[8]}, 0x68);
    QCOMPARE(int{bytes[9]}, 0x01);
    QCOMPARE(int{bytes[55]}, 0x01);
}

void TestCommandPacket::slotOfProfileIndex_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("slot");
    QTest::newRow("Profile 1") << 0 << 6;
    QTest::newRow("Profile 5") << 4 << 10;
    QTest::newRow("no selection") << -1 << 5;
    QTest::newRow("wraps at 256") << 250 << 0;
    QTest::newRow("below zero wraps") << -7 << 255;
}

void TestCommandPacket::slotOfProfileIndex() {
    QFETCH(int, index);
    QFETCH(int, slot);
    QCOMPARE(int{karvo::profileSlot(index)}, slot);
}

void TestCommandPacket::wholeOutputReport_data() {
    QTest::addColumn<TCommandPacket>("packet");
    QTest::addColumn<int>("reportLength");
    QTest::addColumn<QByteArray>("expected");

    const TCommandPacket firmware = readRequestPacket(kHardwareSlot, 0, 255, RequestId::Firmware);
    const TCommandPacket motor = motorWritePacket(9, defaultMotor());
    const QByteArray motorBytes = hex("14 24 09 01 02 00 02 1B") + hex(kMotorDefaults) + hex("68");

    QTest::newRow("header-only, zero padded")
        << firmware << 64 << hex("14 09 0B 00 00 E0 FF 00 00") + QByteArray(55, '\0');
    QTest::newRow("header-only, exact") << firmware << 9 << hex("14 09 0B 00 00 E0 FF 00 00");
    QTest::newRow("header-only, short report") << firmware << 5 << hex("14 09 0B 00 00");
    QTest::newRow("write, zero padded") << motor << 64 << motorBytes + QByteArray(28, '\0');
    QTest::newRow("write, short report") << motor << 32 << motorBytes.left(32);
    QTest::newRow("no output report") << motor << 0 << QByteArray();
    QTest::newRow("negative length") << motor << -1 << QByteArray();
}

void TestCommandPacket::wholeOutputReport() {
    QFETCH(TCommandPacket, packet);
    QFETCH(int, reportLength);
    QFETCH(QByteArray, expected);
    QCOMPARE(bytesOf(karvo::transmitBuffer(packet, reportLength)).toHex(' '), expected.toHex(' '));
}

void TestCommandPacket::transmitBufferFromRawBytes() {
    const std::vector<quint8> packet = ackPacket(6, RequestId::Motor).bytes();
    const QByteArray expected = hex("14 09 06 90 90 E2 90 00 00") + QByteArray(3, '\0');
    QCOMPARE(bytesOf(karvo::transmitBuffer(packet.data(), 9, 12)).toHex(' '), expected.toHex(' '));
    // Only `length` bytes are taken from the packet, even when it holds more.
    QCOMPARE(bytesOf(karvo::transmitBuffer(packet.data(), 4, 6)).toHex(' '),
             hex("14 09 06 90 00 00").toHex(' '));
    QCOMPARE(bytesOf(karvo::transmitBuffer(nullptr, 9, 4)), QByteArray(4, '\0'));
}

void TestCommandPacket::parseReadsEveryCataloguePacket_data() {
    catalogue_data();
}

void TestCommandPacket::parseReadsEveryCataloguePacket() {
    QFETCH(TCommandPacket, packet);
    const std::vector<quint8> report = karvo::transmitBuffer(packet, 64);
    TCommandPacket parsed;
    parsed.slot = 0xAB;  // must be overwritten
    QVERIFY(parseCommandPacket(viewOf(report), &parsed));
    QCOMPARE(parsed, packet);
}

void TestCommandPacket::parseRejects_data() {
    QTest::addColumn<QByteArray>("report");
    const QByteArray firmware = hex("14 09 0B 00 00 E0 FF 00 00");
    const QByteArray motor = bytesOf(motorWritePacket(9, defaultMotor()).bytes());

    QTest::newRow("empty") << QByteArray();
    QTest::newRow("header cut short") << firmware.left(8);
    QTest::newRow("input report 65") << hex("41") + firmware.mid(1);
    QTest::newRow("length 0") << hex("14 00 0B 00 00 E0 FF 00 00") + QByteArray(55, '\0');
    QTest::newRow("length 10 without payload")
        << hex("14 0A 0B 00 00 E0 FF 00 00") + QByteArray(55, '\0');
    QTest::newRow("payload length without room")
        << hex("14 09 09 01 02 00 02 1B") + QByteArray(56, '\0');
    QTest::newRow("payload longer than any record")
        << hex("14 3A 09 01 02 00 02 31") + QByteArray(56, '\0');
    QTest::newRow("length 255") << hex("14 FF 09 01 02 00 02 F6") + QByteArray(56, '\0');
    QTest::newRow("write cut by a short report") << motor.left(32);
    QTest::newRow("garbage") << QByteArray(64, '\xFF');
}

void TestCommandPacket::parseRejects() {
    QFETCH(QByteArray, report);
    const ByteView view(reinterpret_cast<const quint8*>(report.constData()),
                        static_cast<std::size_t>(report.size()));
    TCommandPacket parsed = calibratePacket(6);
    const TCommandPacket before = parsed;
    QVERIFY(!parseCommandPacket(view, &parsed));
    QCOMPARE(parsed, before);
    QVERIFY(!parseCommandPacket(view, nullptr));
}

QTEST_GUILESS_MAIN(TestCommandPacket)
#include "tst_commandpacket.moc"
