// Corrupt and hostile settings files at start: the window comes up with the default of every
// setting the file cannot give, without a message box, connects and loads its profile, and the
// next write rewrites the file with the entries that could be read and without the rubbish.

#include "AppFixture.h"
#include "IniDocument.h"

#include <QAction>
#include <QRandomGenerator>

using namespace karvo;
using namespace karvo::test;

namespace {

// A section that any file here carries after its rubbish; it must survive the rewrite.
const QByteArray kReadableTail = "\r\n[Keep]\r\nName=Value\r\n";
constexpr qsizetype kRewrittenLimit = 16 * 1024;

// The bytes of a literal, NULs included, without the terminating one.
template <size_t N>
QByteArray bytes(const char (&text)[N]) {
    return QByteArray(text, static_cast<qsizetype>(N - 1));
}

// The theme pictures in the working directory, so that showing the window needs nothing else.
bool copyThemePictures() {
    QDir().mkpath(QStringLiteral("themes"));
    for (const char* name : {"bg_dark.png", "bg_light.png"}) {
        if (!QFile::copy(QStringLiteral(KARVO_SOURCE_DIR "/themes/") + QLatin1String(name),
                         QStringLiteral("themes/") + QLatin1String(name)))
            return false;
    }
    return true;
}

QByteArray randomBytes(qsizetype size, quint32 seed) {
    QRandomGenerator generator(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char& byte : bytes) byte = static_cast<char>(generator.bounded(256));
    return bytes;
}

}  // namespace

class TestHostileSettings : public QObject {
    Q_OBJECT

private slots:
    void fixtureWorks() {
        AppFixture f({.plugWheelBase = true, .notifications = true,
                      .settings = "[Themes]\r\nActive=1\r\n[Debug]\r\nLogToFile=1\r\n"});
        QVERIFY(copyThemePictures());
        f.w().show();
        QVERIFY(f.waitConnectedAndSettled());
        QVERIFY(f.w().ui.L1->isChecked());
        QVERIFY(f.w().ui.debugPage->enableLogTofile->isChecked());
        QVERIFY(f.boxes.isEmpty());
    }

    void startsWithDefaultsAndRewritesWhatItCouldRead_data() {
        QTest::addColumn<QByteArray>("settings");
        QTest::newRow("binary garbage") << randomBytes(64 * 1024, 20240611) + kReadableTail;
        QTest::newRow("10 MB of [") << QByteArray(10 * 1024 * 1024, '[') + kReadableTail;
        QTest::newRow("huge numbers")
            << QByteArray("[Themes]\r\nActive=99999999999999999999\r\n"
                          "[Profiles]\r\nActiveProfile=-9223372036854775809\r\n"
                          "[Debug]\r\nLogToFile=0x1FFFFFFFFF\r\n") +
                   kReadableTail;
        QTest::newRow("NULs") << bytes("[Themes]\0\r\nActive=\0\x01\r\n\0\0\0\r\n[Debug]\r\n"
                                       "LogToFile=\0\r\n[Profiles]\r\nActiveProfile=\0") +
                                     kReadableTail;
        QTest::newRow("UTF-16 mark, then half a character") << bytes("\xFF\xFE[\0T\0h");
    }
    void startsWithDefaultsAndRewritesWhatItCouldRead() {
        QFETCH(QByteArray, settings);
        AppFixture f({.plugWheelBase = true, .notifications = true, .settings = settings});
        QVERIFY(copyThemePictures());
        f.w().show();
        QVERIFY(f.waitConnectedAndSettled());
        QVERIFY(f.w().ui.D1->isChecked());
        QVERIFY(!f.w().ui.L1->isChecked());
        QVERIFY(!f.w().ui.debugPage->enableLogTofile->isChecked());
        QCOMPARE(f.w().ui.basePage->cProfiles->currentIndex(), 0);
        QVERIFY2(f.boxes.isEmpty(), qPrintable(f.boxes.join(u'|')));

        f.w().ui.L1->trigger();
        QVERIFY(f.boxes.isEmpty());
        const QByteArray written = f.settingsFile();
        QVERIFY2(written.size() < kRewrittenLimit, QByteArray::number(written.size()).constData());
        const IniDocument document = IniDocument::parse(written);
        auto entry = [&](const char* section, const char* name) {
            return document.value(QLatin1String(section), QLatin1String(name)).value_or(QString());
        };
        QCOMPARE(entry("Themes", "Active"), QStringLiteral("1"));
        QCOMPARE(entry("Profiles", "ActiveProfile"), QStringLiteral("0"));
        if (settings.endsWith(kReadableTail)) QCOMPARE(entry("Keep", "Name"), QStringLiteral("Value"));
    }
};

QTEST_MAIN(TestHostileSettings)
#include "tst_hostilesettings.moc"
