// The wire trace of the simulated wheel base.

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <thread>

#include "SimTestSupport.h"
#include "WheelBaseFirmware.h"
#include "WireTrace.h"

using namespace karvo;
using namespace karvo::simtest;

namespace {

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("unreadable");
}

QByteArray zeros(int count) {
    return QByteArray(" 00").repeated(count);
}

}  // namespace

class TestWireTrace : public QObject {
    Q_OBJECT
private slots:
    void fixtureIsSane();
    void firmwareTrafficIsTracedExactly();
    void appendsToAnExistingFile();
    void unwritableTraceIsReportedAndHarmless();
    void concurrentWritersKeepLinesWhole();
};

void TestWireTrace::fixtureIsSane() {
    QTemporaryDir dir;
    const QString path = dir.filePath("wire.trace");
    WireTrace trace(path);
    QVERIFY(trace.error().isEmpty());
    QVERIFY(QFile::exists(path));
    QCOMPARE(readFile(path), QByteArray());
}

void TestWireTrace::firmwareTrafficIsTracedExactly() {
    QTemporaryDir dir;
    const QString path = dir.filePath("wire.trace");
    WheelBaseFirmware firmware;
    firmware.setTrace(std::make_shared<WireTrace>(path));
    send(firmware, readRequestPacket(11, RecordType::FirmwareVersion, 255, RequestId::Firmware));
    QVERIFY(firmware.takeInputReport(0).has_value());
    firmware.setStreamRate(WheelBaseFirmware::StreamRate::Max);
    const auto streamed = firmware.takeInputReport(0);  // streamed reports are traced as well
    QVERIFY(streamed.has_value());
    firmware.setTrace(nullptr);
    send(firmware, ackPacket(6, RequestId::Firmware));  // no longer traced

    QByteArray streamedLine = "<";
    for (const char byte : *streamed)
        streamedLine += ' ' + QByteArray(1, byte).toHex();
    const QByteArray expected = "> 14 09 0b 00 00 e0 ff 00 00" + zeros(55) + "\n" +
                                "< 41 00 e0 01 02 00 07" + zeros(57) + "\n" + streamedLine + "\n";
    QCOMPARE(readFile(path), expected);
}

void TestWireTrace::appendsToAnExistingFile() {
    QTemporaryDir dir;
    const QString path = dir.filePath("wire.trace");
    QFile existing(path);
    QVERIFY(existing.open(QIODevice::WriteOnly));
    existing.write("> 01\n");
    existing.close();
    WireTrace trace(path);
    const std::array<quint8, 3> bytes{0x14, 0xAB, 0x0F};
    trace.outgoing(ByteView(bytes));
    trace.incoming(ByteView(bytes).first(1));
    QCOMPARE(readFile(path), QByteArray("> 01\n> 14 ab 0f\n< 14\n"));
}

void TestWireTrace::unwritableTraceIsReportedAndHarmless() {
    QTemporaryDir dir;
    const QString path = dir.filePath("missing-folder/wire.trace");
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression("cannot open the wire trace .*missing-folder"));
    auto trace = std::make_shared<WireTrace>(path);
    QVERIFY(trace->error().contains(path));
    WheelBaseFirmware firmware;
    firmware.setTrace(trace);
    send(firmware, readRequestPacket(11, RecordType::FirmwareVersion, 255, RequestId::Firmware));
    QVERIFY(firmware.takeInputReport(0).has_value());  // the base works on without its trace
    QVERIFY(!QFile::exists(path));
}

void TestWireTrace::concurrentWritersKeepLinesWhole() {
    QTemporaryDir dir;
    const QString path = dir.filePath("wire.trace");
    constexpr int kLines = 500;
    {
        WireTrace trace(path);
        const std::array<quint8, 8> out{0x14, 0x09, 0x06, 0x90, 0x90, 0xe3, 0x90, 0x00};
        const std::array<quint8, 8> in{0x41, 0xa0, 0xff, 0x01, 0x02, 0x03, 0x04, 0x05};
        std::thread writer([&] {
            for (int i = 0; i < kLines; ++i)
                trace.outgoing(ByteView(out));
        });
        for (int i = 0; i < kLines; ++i)
            trace.incoming(ByteView(in));
        writer.join();
    }
    const QList<QByteArray> lines = readFile(path).split('\n');
    QCOMPARE(lines.size(), 2 * kLines + 1);
    QCOMPARE(lines.count("> 14 09 06 90 90 e3 90 00"), kLines);
    QCOMPARE(lines.count("< 41 a0 ff 01 02 03 04 05"), kLines);
    QCOMPARE(lines.last(), QByteArray());
}

QTEST_GUILESS_MAIN(TestWireTrace)
#include "tst_wiretrace.moc"
