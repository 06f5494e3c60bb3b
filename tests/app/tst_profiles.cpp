// Profile load, save, the tracker that re-applies a loaded profile, and the remembered profile.

#include "AppFixture.h"

#include <QComboBox>
#include <QPushButton>

#include <algorithm>

using namespace karvo;
using namespace karvo::test;

namespace {

void deliver(TMainForm& w, const QByteArray& data) {
    w.reports->HIDCtlDeviceData(nullptr, 65, reinterpret_cast<const quint8*>(data.constData()),
                                static_cast<quint16>(data.size()));
}

QByteArray answerFor(quint8 requestId) {
    const quint8 type = requestId == 227 ? 3 : requestId == 228 ? 5 : 4;
    QByteArray bytes;
    bytes.append(static_cast<char>(type));
    bytes.append(static_cast<char>(requestId));
    bytes.append(QByteArray(47, '\0'));
    return bytes;
}

// Identifiers of the configuration writes and commands in the order the base received them.
QStringList commandsReceived(const WheelBaseFirmware& firmware) {
    QStringList names;
    for (const QByteArray& r : firmware.receivedReports()) {
        const auto command = static_cast<quint8>(r[3]);
        const auto type = static_cast<quint8>(r[4]);
        const QString slot = QString::number(static_cast<quint8>(r[2]));
        if (command == 1) names << (type == 3 ? "wheelbase-" : type == 5 ? "usereffect-" : "write-") + slot;
        if (command == 2) names << "Load-" + slot;
        if (command == 3) names << "Save-" + slot;
        if (command == 0) names << "read" + QString::number(static_cast<quint8>(r[5])) + "-" + slot;
    }
    return names;
}

}  // namespace

class TestProfiles : public QObject {
    Q_OBJECT

private slots:
    void loadSendsFourPacketsAndStartsFollowing() {
        AppFixture f;
        QVERIFY(f.waitConnectedAndSettled());
        f.firmware->clearReceived();
        f.w().setSelectedProfileIndex(2);
        f.w().ui.basePage->btnLoadProfile->click();
        QCOMPARE(commandsReceived(*f.firmware),
                 (QStringList{"Load-8", "read227-8", "read228-8", "read229-8"}));
        QVERIFY(f.settingsFile().contains("[Profiles]\r\nActiveProfile=2\r\n"));
        for (const char* name : {"WheelBase", "UserEffect", "Telemetry", "Loading"})
            QCOMPARE(f.w().profiles->ProfileLoading.value(name), QStringLiteral("1"));
    }

    void applyIsPressedOnceAfterTheThirdAnswerInAnyOrder() {
        std::array<quint8, 3> order{227, 228, 229};
        do {
            AppFixture f;
            QVERIFY(f.waitConnectedAndSettled());
            f.w().setSelectedProfileIndex(2);
            f.w().ui.basePage->btnLoadProfile->click();
            f.firmware->clearReceived();
            for (size_t i = 0; i < order.size(); ++i) {
                deliver(f.w(), answerFor(order[i]));
                const QStringList writes = commandsReceived(*f.firmware).filter("-8");
                const bool last = i == order.size() - 1;
                QCOMPARE(writes.contains("wheelbase-8"), last);
            }
            QCOMPARE(commandsReceived(*f.firmware).filter("wheelbase-").size(), 1);
            QCOMPARE(commandsReceived(*f.firmware).filter("usereffect-").size(), 1);
            QCOMPARE(f.w().profiles->ProfileLoading.value("Loading"), QStringLiteral("0"));
        } while (std::next_permutation(order.begin(), order.end()));
    }

    void otherAcknowledgementsWhileFollowingChangeNothing() {
        AppFixture f;
        QVERIFY(f.waitConnectedAndSettled());
        f.w().ui.basePage->btnLoadProfile->click();
        f.firmware->clearReceived();
        f.w().channel->RequestQ.setValue("224", "1");
        deliver(f.w(), QByteArray::fromHex("00E001020007"));
        deliver(f.w(), answerFor(227));
        deliver(f.w(), answerFor(227));  // the second is dropped: 227 is done
        QCOMPARE(f.w().profiles->ProfileLoading.value("WheelBase"), QStringLiteral("0"));
        QCOMPARE(f.w().profiles->ProfileLoading.value("UserEffect"), QStringLiteral("1"));
        QCOMPARE(f.w().profiles->ProfileLoading.value("Loading"), QStringLiteral("1"));
        QVERIFY(commandsReceived(*f.firmware).filter("wheelbase-").isEmpty());
    }

    void aFailingTrackerApplyIsRetriedByTheNextAcknowledgement() {
        AppFixture f;
        QVERIFY(f.waitConnectedAndSettled());
        f.w().ui.basePage->btnLoadProfile->click();
        f.firmware->clearReceived();
        deliver(f.w(), answerFor(227));
        deliver(f.w(), answerFor(228));
        f.w().ui.basePage->edtPeakGain->setText("x");
        deliver(f.w(), answerFor(229));
        QVERIFY(f.panel(0).endsWith("] 'x' is not a valid floating point value"));
        QCOMPARE(f.w().profiles->ProfileLoading.value("Loading"), QStringLiteral("1"));
        QVERIFY(commandsReceived(*f.firmware).filter("wheelbase-").isEmpty());
        f.w().ui.basePage->edtPeakGain->setText("0");
        f.w().channel->RequestQ.setValue("224", "1");
        deliver(f.w(), QByteArray::fromHex("00E001020007"));
        QCOMPARE(commandsReceived(*f.firmware).filter("wheelbase-").size(), 1);
        QCOMPARE(f.w().profiles->ProfileLoading.value("Loading"), QStringLiteral("0"));
    }

    void saveAppliesThenSavesThenRemembers() {
        AppFixture f;
        QVERIFY(f.waitConnectedAndSettled());
        f.firmware->clearReceived();
        f.w().setSelectedProfileIndex(4);
        f.w().ui.basePage->btnSaveProfile->click();
        QCOMPARE(commandsReceived(*f.firmware), (QStringList{"wheelbase-10", "usereffect-10", "Save-10"}));
        QVERIFY(f.settingsFile().contains("ActiveProfile=4\r\n"));
    }

    void aFailingApplyStopsTheSave() {
        AppFixture f;
        QVERIFY(f.waitConnectedAndSettled());
        f.firmware->clearReceived();
        const QByteArray settingsBefore = f.settingsFile();
        f.w().setSelectedProfileIndex(3);
        f.w().ui.basePage->edtQFactor->setText("1.2.3");
        f.w().ui.basePage->btnSaveProfile->click();
        QVERIFY(commandsReceived(*f.firmware).isEmpty());
        QCOMPARE(f.settingsFile(), settingsBefore);
        QCOMPARE(f.boxes.size(), 1);
    }

    void hardwareSaveSendsSave11Only() {
        AppFixture f;
        QVERIFY(f.waitConnectedAndSettled());
        f.firmware->clearReceived();
        const QByteArray settingsBefore = f.settingsFile();
        f.w().ui.hardwarePage->btnHardwareSave->click();
        QCOMPARE(commandsReceived(*f.firmware), QStringList{"Save-11"});
        QCOMPARE(f.settingsFile(), settingsBefore);
    }

    void startupLoad_data() {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<int>("selected");
        QTest::addColumn<QString>("slot");
        QTest::newRow("profile 2 stored") << QByteArray("[Profiles]\r\nActiveProfile=1\r\n\r\n") << 1 << "7";
        QTest::newRow("nothing stored") << QByteArray() << 0 << "6";
        QTest::newRow("out of range") << QByteArray("[Profiles]\r\nActiveProfile=9\r\n\r\n") << -1 << "5";
    }
    void startupLoad() {
        QFETCH(QByteArray, settings);
        QFETCH(int, selected);
        QFETCH(QString, slot);
        AppFixture f({.plugWheelBase = true, .notifications = true, .settings = settings});
        QTRY_COMPARE(f.panel(4), QStringLiteral("Connected"));
        QCOMPARE(f.w().selectedProfileIndex(), selected);
        QVERIFY(!f.logLines().filter("] Applying profile configuration").isEmpty());
        const QStringList commands = commandsReceived(*f.firmware);
        QVERIFY(commands.size() >= 5);
        QCOMPARE(commands.mid(0, 5), (QStringList{"read224-11", "Load-" + slot, "read227-" + slot,
                                                  "read228-" + slot, "read229-" + slot}));
        // A later reconnection loads nothing.
        QVERIFY(f.waitConnectedAndSettled());
        f.firmware->clearReceived();
        f.sim->plugDevice(0x2222, "Shifter");
        QTRY_COMPARE(f.logLines().filter("Device found and connected.").size(), 2);
        QTRY_VERIFY(f.firmware->acknowledgements().contains(224));
        QVERIFY(commandsReceived(*f.firmware).filter("Load-").isEmpty());
    }

    void closingStoresTheProfileExitDoesNot() {
        {
            AppFixture f;
            QVERIFY(f.waitConnectedAndSettled());
            QFile::remove(f.settingsPath);
            f.w().setSelectedProfileIndex(3);
            f.w().close();
            QVERIFY(f.settingsFile().contains("ActiveProfile=3"));
            QVERIFY(f.w().reports->Closing);
        }
        {
            AppFixture f;
            QVERIFY(f.waitConnectedAndSettled());
            QFile::remove(f.settingsPath);
            f.w().setSelectedProfileIndex(3);
            f.w().E1Click();
            f.w().close();
            QVERIFY(!f.settingsFile().contains("ActiveProfile"));
        }
    }

    void savedProfilesSurviveARestart() {
        QTemporaryDir state;
        const QString stateFile = state.filePath("wheel.state");
        {
            AppFixture f({.plugWheelBase = false, .notifications = true, .settings = {}});
            auto firmware = std::make_shared<WheelBaseFirmware>();
            firmware->setStreamRate(WheelBaseFirmware::StreamRate::Off);
            firmware->setStateFile(stateFile);
            f.firmware = firmware;
            f.sim->plugWheelBase(firmware);
            QVERIFY(f.waitConnectedAndSettled());
            f.w().setSelectedProfileIndex(1);
            f.w().ui.basePage->sMaxAngle->setValue(777);
            f.w().ui.basePage->btnSaveProfile->click();
            QTRY_VERIFY(firmware->acknowledgements().contains(254));
        }
        AppFixture f({.plugWheelBase = false,
                      .notifications = true,
                      .settings = "[Profiles]\r\nActiveProfile=1\r\n\r\n"});
        auto firmware = std::make_shared<WheelBaseFirmware>();
        firmware->setStreamRate(WheelBaseFirmware::StreamRate::Off);
        firmware->setStateFile(stateFile);
        f.firmware = firmware;
        f.sim->plugWheelBase(firmware);
        QVERIFY(f.waitConnectedAndSettled());
        QCOMPARE(f.w().ui.basePage->sMaxAngle->value(), 777);
    }
};

QTEST_MAIN(TestProfiles)
#include "tst_profiles.moc"
