#include <QMainWindow>
#include <QTest>

#include "StatusPanels.h"

using karvo::StatusPanels;

class TestStatusPanels : public QObject {
    Q_OBJECT

private slots:
    void panelsAtStart_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("width");
        QTest::addColumn<QString>("text");
        QTest::newRow("0 status") << 0 << 550 << "";
        QTest::newRow("1 Sel") << 1 << 50 << "Sel";
        QTest::newRow("2 angle") << 2 << 100 << "";
        QTest::newRow("3 State") << 3 << 50 << "State";
        QTest::newRow("4 link") << 4 << 100 << "";
        QTest::newRow("5 firmware") << 5 << 100 << "";
        QTest::newRow("6 unused") << 6 << 50 << "";
    }
    void panelsAtStart() {
        QFETCH(int, index);
        QFETCH(int, width);
        QFETCH(QString, text);
        StatusPanels bar;
        QCOMPARE(bar.panelWidth(index), width);
        QCOMPARE(bar.panelText(index), text);
    }

    void nameAndHeight() {
        StatusPanels bar;
        QCOMPARE(bar.objectName(), QStringLiteral("StatusBar"));
        QCOMPARE(bar.panelCount(), 7);
        QCOMPARE(bar.height(), 19);
    }

    void textsAndWidthsChange() {
        StatusPanels bar;
        bar.setPanelText(4, QStringLiteral("Connected"));
        bar.setPanelWidth(0, 716);
        QCOMPARE(bar.panelText(4), QStringLiteral("Connected"));
        QCOMPARE(bar.panelWidth(0), 716);
        QCOMPARE(bar.panelRect(1).left(), 716);
        // Indexes outside the seven panels are ignored.
        bar.setPanelText(7, QStringLiteral("x"));
        bar.setPanelText(-1, QStringLiteral("x"));
        QCOMPARE(bar.panelText(7), QString());
        QCOMPARE(bar.panelWidth(-1), 0);
    }

    void panelsNeverWidenTheWindow() {
        QMainWindow window;
        auto* bar = new StatusPanels(&window);
        window.setStatusBar(bar);
        bar->setPanelWidth(0, 2000);
        window.resize(500, 200);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.width(), 500);
        QCOMPARE(bar->width(), 500);
    }

    void paintsThePanelTexts() {
        StatusPanels bar;
        bar.resize(1000, 19);
        const QImage empty = bar.grab().toImage();
        bar.setPanelText(2, QStringLiteral("1080"));
        const QImage withText = bar.grab().toImage();
        const QRect panel = bar.panelRect(2);
        QVERIFY(empty.copy(panel) != withText.copy(panel));
        QCOMPARE(empty.copy(bar.panelRect(5)), withText.copy(bar.panelRect(5)));
    }
};

QTEST_MAIN(TestStatusPanels)
#include "tst_statuspanels.moc"
