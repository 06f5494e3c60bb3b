#include <QByteArray>
#include <QTest>
#include <vector>

#include "ReportDescriptor.h"
#include "WheelBaseDescriptor.h"

using karvo::parseReportDescriptor;
using karvo::ReportLengths;

namespace {

QByteArray bytes(std::initializer_list<quint8> list) {
    QByteArray result;
    for (quint8 b : list)
        result.append(static_cast<char>(b));
    return result;
}

QByteArray wheelBase() {
    const auto& d = karvo::kWheelBaseReportDescriptor;
    return QByteArray(reinterpret_cast<const char*>(d.data()), static_cast<qsizetype>(d.size()));
}

// Parses from a heap copy of exactly the descriptor's size, so that AddressSanitizer catches
// any read past its end.
ReportLengths parse(const QByteArray& descriptor) {
    const std::vector<quint8> copy(descriptor.begin(), descriptor.end());
    return parseReportDescriptor(std::span<const quint8>(copy.data(), copy.size()));
}

using Ids = QList<quint8>;

}  // namespace

class TestReportDescriptor : public QObject {
    Q_OBJECT
private slots:
    void lengths_data();
    void lengths();
    void everyTruncationOfTheWheelBaseDescriptor();
};

void TestReportDescriptor::lengths_data() {
    QTest::addColumn<QByteArray>("descriptor");
    QTest::addColumn<int>("input");
    QTest::addColumn<int>("output");
    QTest::addColumn<int>("feature");
    QTest::addColumn<bool>("usesReportIds");
    QTest::addColumn<Ids>("inputIds");
    QTest::addColumn<Ids>("outputIds");
    QTest::addColumn<QString>("error");  // a piece of the error text, empty for none

    QTest::newRow("wheel base") << wheelBase() << 64 << 64 << 0 << true << Ids{1, 65} << Ids{20}
                                << QString();

    // The boot keyboard of the HID class definition: no report IDs, so no ID byte.
    QTest::newRow("boot keyboard, no report IDs")
        << bytes({0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7, 0x15,
                  0x00, 0x25, 0x01, 0x75, 0x01, 0x95, 0x08, 0x81, 0x02, 0x95, 0x01, 0x75, 0x08,
                  0x81, 0x01, 0x95, 0x05, 0x75, 0x01, 0x05, 0x08, 0x19, 0x01, 0x29, 0x05, 0x91,
                  0x02, 0x95, 0x01, 0x75, 0x03, 0x91, 0x01, 0x95, 0x06, 0x75, 0x08, 0x15, 0x00,
                  0x25, 0x65, 0x05, 0x07, 0x19, 0x00, 0x29, 0x65, 0x81, 0x00, 0xC0})
        << 8 << 1 << 0 << false << Ids{} << Ids{} << QString();

    // Pop must bring back report ID 1 with its size and count; otherwise the second Input would
    // land in report 2 (11 bytes) or use its 16-bit fields.
    QTest::newRow("push and pop") << bytes({0x85, 0x01, 0x75,
                                            0x08, 0x95, 0x04,  // report 1, 4 x 8 bits
                                            0xA4,              // Push
                                            0x85, 0x02, 0x75,
                                            0x10, 0x95, 0x03,  // report 2, 3 x 16 bits
                                            0x81, 0x02,        // Input: report 2, 6 bytes
                                            0xB4,              // Pop
                                            0x81, 0x02,        // Input: report 1, 4 bytes
                                            0xB1, 0x02})       // Feature: report 1, 4 bytes
                                  << 7 << 0 << 5 << true << Ids{1, 2} << Ids{} << QString();

    // The long item's data would read as Report Count (16) and Input if it were not skipped.
    QTest::newRow("long item skipped")
        << bytes({0x85, 0x03, 0x75, 0x08, 0x95, 0x02, 0x81, 0x02,  // report 3 input, 2 bytes
                  0xFE, 0x04, 0x10, 0x95, 0x10, 0x81, 0x02,        // long item, 4 data bytes
                  0x95, 0x04, 0x91, 0x02})                         // report 3 output, 4 bytes
        << 3 << 5 << 0 << true << Ids{3} << Ids{3} << QString();

    QTest::newRow("empty") << QByteArray() << 0 << 0 << 0 << false << Ids{} << Ids{} << QString();

    // Cut inside the 4-byte Logical Minimum of the axes: only the vendor block of report 1 counts.
    QTest::newRow("truncated") << wheelBase().first(38) << 5 << 0 << 0 << true << Ids{1} << Ids{}
                               << QStringLiteral("truncated item at byte 36");

    QTest::newRow("truncated long item")
        << bytes({0x75, 0x08, 0x95, 0x02, 0x81, 0x02, 0xFE, 0x10, 0x00, 0x01, 0x02}) << 2 << 0 << 0
        << false << Ids{} << Ids{} << QStringLiteral("truncated long item at byte 6");

    // 0xFF is a reserved item with 4 data bytes: 12 whole items, then 4 bytes too few.
    QTest::newRow("all 0xFF") << QByteArray(64, '\xFF') << 0 << 0 << 0 << false << Ids{} << Ids{}
                              << QStringLiteral("truncated item at byte 60");

    QTest::newRow("absurd report size")
        << bytes({0x75, 0x08, 0x95, 0x01, 0x81, 0x02, 0x77, 0xFF, 0xFF, 0xFF, 0xFF, 0x81, 0x02})
        << 1 << 0 << 0 << false << Ids{} << Ids{}
        << QStringLiteral("report size of 4294967295 bits at byte 6");

    QTest::newRow("absurd report count")
        << bytes({0x75, 0x08, 0x95, 0x01, 0x81, 0x02, 0x97, 0x00, 0x00, 0x00, 0x01, 0x81, 0x02})
        << 1 << 0 << 0 << false << Ids{} << Ids{}
        << QStringLiteral("report count of 16777216 at byte 6");

    // Each field within the limits, but the report grows past 16 KiB.
    QTest::newRow("report too long")
        << bytes({0x85, 0x07, 0x75, 0x08, 0x95, 0x02, 0x91, 0x02,   // report 7 output, 2 bytes
                  0x76, 0x00, 0x01, 0x96, 0x00, 0x30, 0x91, 0x02})  // 256 x 12288 bits
        << 0 << 3 << 0 << true << Ids{} << Ids{7}
        << QStringLiteral("report 7 longer than 16384 bytes at byte 14");

    QTest::newRow("pop without push")
        << bytes({0x75, 0x08, 0x95, 0x03, 0xB1, 0x02, 0xB4, 0x81, 0x02}) << 0 << 0 << 3 << false
        << Ids{} << Ids{} << QStringLiteral("pop without push at byte 6");

    QTest::newRow("report ID 0") << bytes({0x85, 0x00, 0x75, 0x08, 0x95, 0x03, 0x81, 0x02}) << 0
                                 << 0 << 0 << false << Ids{} << Ids{}
                                 << QStringLiteral("invalid report ID 0 at byte 0");
}

void TestReportDescriptor::lengths() {
    QFETCH(QByteArray, descriptor);
    QFETCH(int, input);
    QFETCH(int, output);
    QFETCH(int, feature);
    QFETCH(bool, usesReportIds);
    QFETCH(Ids, inputIds);
    QFETCH(Ids, outputIds);
    QFETCH(QString, error);

    const ReportLengths lengths = parse(descriptor);
    QCOMPARE(lengths.input, input);
    QCOMPARE(lengths.output, output);
    QCOMPARE(lengths.feature, feature);
    QCOMPARE(lengths.usesReportIds, usesReportIds);
    QCOMPARE(lengths.inputIds, inputIds);
    QCOMPARE(lengths.outputIds, outputIds);
    if (error.isEmpty())
        QCOMPARE(lengths.error, QString());
    else
        QVERIFY2(lengths.error.contains(error), qPrintable(lengths.error));
}

// Every prefix of a real descriptor parses without reading past its end; lengths only grow as
// more of it is seen, and the error is set exactly when the cut falls inside an item.
void TestReportDescriptor::everyTruncationOfTheWheelBaseDescriptor() {
    const QByteArray full = wheelBase();
    // Offsets at which an item of the descriptor starts (short items only).
    QList<qsizetype> itemStarts;
    for (qsizetype offset = 0; offset < full.size();) {
        itemStarts.append(offset);
        const int code = static_cast<quint8>(full[offset]) & 0x3;
        offset += 1 + (code == 3 ? 4 : code);
    }
    itemStarts.append(full.size());

    ReportLengths previous;
    for (qsizetype cut = 0; cut <= full.size(); ++cut) {
        const ReportLengths lengths = parse(full.first(cut));
        QVERIFY2(lengths.input >= previous.input && lengths.output >= previous.output,
                 qPrintable(QStringLiteral("cut at %1").arg(cut)));
        QVERIFY(lengths.input <= 64 && lengths.output <= 64);
        QCOMPARE(lengths.error.isEmpty(), itemStarts.contains(cut));
        previous = lengths;
    }
    QCOMPARE(previous.input, 64);
    QCOMPARE(previous.output, 64);
}

QTEST_GUILESS_MAIN(TestReportDescriptor)
#include "tst_reportdescriptor.moc"
