// The window closes and is destroyed, several times over, while the wheel base floods it with
// reports and answers to requests are on their way. Once the window is closing, reports still
// arrive but nothing is shown or acknowledged any more; destruction stops the readers before
// anything they reach is released (AddressSanitizer and LeakSanitizer watch the rest).

#include "AppFixture.h"
#include "RunUntil.h"

using namespace karvo;
using namespace karvo::test;

namespace {

constexpr int kRounds = 8;
constexpr int kReportsAfterClose = 1000;

}  // namespace

class TestCloseFlood : public QObject {
    Q_OBJECT

private slots:
    void fixtureWorks() {
        AppFixture f;
        QVERIFY(f.waitConnectedAndSettled());
        f.debugOnScreen();
        f.firmware->setStreamRate(WheelBaseFirmware::StreamRate::Max);
        QTRY_VERIFY(f.w().ui.debugPage->cPos->text() != QLatin1String("0"));
    }

    // Closing the window stores the active profile and ignores reports from then on;
    // destroying it without a close (as after File > Exit) must stop the readers before the
    // controller's lists go.
    void floodWhileTheWindowGoes_data() {
        QTest::addColumn<bool>("closeFirst");
        QTest::newRow("close, then destroy") << true;
        QTest::newRow("destroy without close") << false;
    }
    void floodWhileTheWindowGoes() {
        QFETCH(bool, closeFirst);
        for (int round = 0; round < kRounds; ++round) {
            AppFixture f;
            QVERIFY(f.waitConnectedAndSettled());
            f.debugOnScreen();
            f.firmware->setStreamRate(WheelBaseFirmware::StreamRate::Max);
            int delivered = 0;
            TMainForm* window = f.window.get();
            window->HIDCtl->setInputReportHandler(
                [&delivered, window](HidDevice* device, quint8 id, const quint8* data, quint16 size) {
                    ++delivered;
                    window->reports->HIDCtlDeviceData(device, id, data, size);
                });
            QVERIFY(runUntil([&] { return delivered > 100; }));

            // A profile load puts four requests in flight; their answers come after this point.
            window->ui.basePage->btnLoadProfile->click();
            QCOMPARE(window->channel->RequestQ.value(QStringLiteral("254")), QStringLiteral("1"));
            if (closeFirst) {
                const qsizetype packetsBeforeClose = f.firmware->receivedReports().size();
                window->ui.basePage->cProfiles->setCurrentIndex(2);  // stored by the close
                window->close();
                QVERIFY(window->reports->Closing);
                const QString positionAtClose = window->ui.debugPage->cPos->text();
                const int deliveredAtClose = delivered;
                QVERIFY(runUntil([&] { return delivered > deliveredAtClose + kReportsAfterClose; }));
                QCOMPARE(f.firmware->receivedReports().size(), packetsBeforeClose);
                QCOMPARE(window->channel->RequestQ.value(QStringLiteral("254")), QStringLiteral("1"));
                // Shown again, the page has nothing kept back to show either.
                window->show();
                QCOMPARE(window->ui.debugPage->cPos->text(), positionAtClose);
            }
            f.window.reset();  // destroyed while the base keeps streaming
            QVERIFY(f.boxes.isEmpty());
            if (closeFirst) QVERIFY(f.settingsFile().contains("ActiveProfile=2"));
        }
    }
};

QTEST_MAIN(TestCloseFlood)
#include "tst_closeflood.moc"
