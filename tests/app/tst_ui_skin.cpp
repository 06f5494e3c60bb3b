// The two skins and the start-up look, and the loading of the theme pictures.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>

#include "KarvoError.h"
#include "SkinManager.h"

using namespace karvo;

class TestUiSkin : public QObject {
    Q_OBJECT

    QString oldCwd_;

private slots:
    void init() { oldCwd_ = QDir::currentPath(); }
    void cleanup() { QDir::setCurrent(oldCwd_); }

    void skinsRestyleTheApplication_data() {
        QTest::addColumn<QString>("skin");
        QTest::addColumn<bool>("dark");
        QTest::newRow("Dark") << "Dark" << true;
        QTest::newRow("Light") << "Light" << false;
    }
    void skinsRestyleTheApplication() {
        QFETCH(QString, skin);
        QFETCH(bool, dark);
        SkinManager skins;
        skins.setSkin(skin);
        QCOMPARE(skins.skin(), skin);
        const QColor window = QApplication::palette().color(QPalette::Window);
        const QColor text = QApplication::palette().color(QPalette::WindowText);
        QCOMPARE(window.lightness() < 100, dark);
        QCOMPARE(text.lightness() > 150, dark);
        QCOMPARE(qApp->styleSheet(), SkinManager::styleSheetFor(skin));
        // A widget made afterwards is drawn with it.
        QGroupBox box(QStringLiteral("Steering"));
        box.ensurePolished();
        QCOMPARE(box.palette().color(QPalette::Window), window);
        // Under the style sheet: the Fusion style.
        qApp->setStyleSheet(QString());
        QCOMPARE(QApplication::style()->name().toLower(), QStringLiteral("fusion"));
    }

    void switchingChangesTheLook() {
        SkinManager skins;
        skins.setSkin(QStringLiteral("Dark"));
        const QPalette dark = QApplication::palette();
        skins.setSkin(QStringLiteral("Light"));
        QVERIFY(QApplication::palette().color(QPalette::Window) != dark.color(QPalette::Window));
        QVERIFY(SkinManager::styleSheetFor(QStringLiteral("Dark")) !=
                SkinManager::styleSheetFor(QStringLiteral("Light")));
        skins.applyStartupLook();
        QCOMPARE(skins.skin(), QString());
        QCOMPARE(qApp->styleSheet(), SkinManager::styleSheetFor(QString()));
    }

    void styleSheetsCoverTheWindow() {
        const QStringList looks = SkinManager::skinNames() << QString();  // and the start-up look
        for (const QString& skin : looks) {
            const QString sheet = SkinManager::styleSheetFor(skin);
            for (const char* part : {"QGroupBox", "QSlider", "QTabBar", "QStatusBar", "QMenu::item",
                                     "QMenu::indicator", "filled=\"true\""}) {
                QVERIFY2(sheet.contains(QLatin1String(part)), part);
            }
            QVERIFY2(!sheet.contains(u'%'), "every colour filled in");
        }
    }

    void unknownSkinIsAnError() {
        SkinManager skins;
        skins.setSkin(QStringLiteral("Light"));
        QVERIFY_THROWS_EXCEPTION(KarvoError, skins.setSkin(QStringLiteral("Beijing")));
        QCOMPARE(skins.skin(), QStringLiteral("Light"));
    }

    void shippedPictures_data() {
        QTest::addColumn<QString>("path");
        QTest::newRow("dark") << "themes/bg_dark.png";
        QTest::newRow("light") << "themes/bg_light.png";
    }
    void shippedPictures() {
        QFETCH(QString, path);
        QDir::setCurrent(QStringLiteral(KARVO_SOURCE_DIR));  // looked up from the current directory
        const QImage picture = loadThemePicture(path);
        QCOMPARE(picture.size(), QSize(300, 120));
        QVERIFY(QFileInfo(path).size() < 64 * 1024);
    }

    void pictureErrors_data() {
        QTest::addColumn<QString>("setUp");   // what is at themes/bg_dark.png
        QTest::addColumn<QString>("reason");  // the end of the message; empty: any reason
        QTest::newRow("missing") << "nothing"
                                 << "No such file or directory";
        QTest::newRow("not a picture") << "text"
                                       << "";
        QTest::newRow("a folder") << "folder"
                                  << "";
    }
    void pictureErrors() {
        QFETCH(QString, setUp);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QDir::setCurrent(dir.path());
        QDir().mkdir(QStringLiteral("themes"));
        const QString absolute = dir.filePath(QStringLiteral("themes/bg_dark.png"));
        if (setUp == QLatin1String("text")) {
            QFile file(absolute);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("not a picture\n");
        } else if (setUp == QLatin1String("folder")) {
            QVERIFY(QDir().mkdir(absolute));
        }
        try {
            loadThemePicture(QStringLiteral("themes/bg_dark.png"));
            QFAIL("no error");
        } catch (const KarvoError& error) {
            const QString prefix = QStringLiteral("Cannot open file \"%1\". ").arg(absolute);
            QVERIFY2(error.message().startsWith(prefix), qPrintable(error.message()));
            QVERIFY(error.message().size() > prefix.size());
            if (!reason.isEmpty())
                QCOMPARE(error.message(), prefix + reason);
        }
    }
};

QTEST_MAIN(TestUiSkin)
#include "tst_ui_skin.moc"
