#include <QTest>

#include "ScrollingTextPanel.h"

using karvo::ScrollingTextPanel;

class TestScrollingTextPanel : public QObject {
    Q_OBJECT

    static QImage solid(QColor colour) {
        QImage picture(30, 12, QImage::Format_RGB32);
        picture.fill(colour);
        return picture;
    }

    static bool hasPixel(const QImage& image, QRgb wanted) {
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if ((image.pixel(x, y) & 0xFFFFFF) == (wanted & 0xFFFFFF))
                    return true;
        return false;
    }

private slots:
    void scrollsThroughThenPausesAtTheTop() {
        ScrollingTextPanel panel;
        panel.setLines({QStringLiteral("[title]Title"), QString(), QStringLiteral("plain")});
        const int height = panel.contentHeight();
        QVERIFY(height > 30);
        QCOMPARE(panel.currentIntervalMs(), 60);
        for (int i = 0; i < height; ++i)
            panel.step();
        QCOMPARE(panel.scrollOffset(), height);  // the last line just left the top
        QVERIFY(!panel.isPaused());

        panel.step();  // scrolled through: first line at the top again, 2 s pause
        QCOMPARE(panel.scrollOffset(), 0);
        QVERIFY(panel.isPaused());
        QCOMPARE(panel.currentIntervalMs(), 2000);

        panel.step();  // the pause is over: one pixel every 60 ms again
        QCOMPARE(panel.scrollOffset(), 1);
        QVERIFY(!panel.isPaused());
        QCOMPARE(panel.currentIntervalMs(), 60);
    }

    void startRunsTheTimer() {
        ScrollingTextPanel panel;
        panel.setLines({QStringLiteral("a"), QStringLiteral("b")});
        QVERIFY(!panel.isRunning());
        panel.start();
        QVERIFY(panel.isRunning());
        QTRY_VERIFY(panel.scrollOffset() > 0);
        panel.stop();
        QVERIFY(!panel.isRunning());
    }

    void styleTagsChooseTheFont_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("blackText");
        QTest::newRow("title style is black") << "[title]MMMM" << true;
        QTest::newRow("plain text is light") << "MMMM" << false;
        QTest::newRow("unknown tag is plain text") << "[nosuch]MMMM" << false;
    }
    void styleTagsChooseTheFont() {
        QFETCH(QString, line);
        QFETCH(bool, blackText);
        ScrollingTextPanel panel;
        panel.resize(200, 60);
        panel.setBackgroundPicture(solid(Qt::red));
        panel.setLines({line});
        QCOMPARE(hasPixel(panel.grab().toImage(), qRgb(0, 0, 0)), blackText);
    }

    void titleStylesMatchTheirDescription() {
        ScrollingTextPanel panel;
        const auto title = panel.fontStyle(QStringLiteral("title"));
        QCOMPARE(title.font.pixelSize(), 16);
        QVERIFY(title.font.bold());
        QCOMPARE(title.color, QColor(Qt::black));
        QVERIFY(title.shadow.isValid());
        const auto subtitle = panel.fontStyle(QStringLiteral("subtitle"));
        QCOMPARE(subtitle.font.pixelSize(), 15);
        QVERIFY(subtitle.color.blue() > subtitle.color.red());
        QVERIFY(subtitle.shadow.isValid());
        QCOMPARE(panel.fontStyle(QString()).font.pixelSize(), 13);
    }

    void pictureIsDrawnBehindTheText() {
        ScrollingTextPanel panel;
        panel.resize(120, 60);
        const QPoint corner(2, 57);  // no text down there
        QImage plain = panel.grab().toImage();
        QCOMPARE(plain.pixelColor(corner), QColor(0x3c, 0x3c, 0x3c));  // dark grey
        panel.setBackgroundPicture(solid(Qt::green));
        QCOMPARE(panel.grab().toImage().pixelColor(corner), QColor(Qt::green));
        QCOMPARE(panel.backgroundPicture().size(), QSize(30, 12));
    }
};

QTEST_MAIN(TestScrollingTextPanel)
#include "tst_scrollingtextpanel.moc"
