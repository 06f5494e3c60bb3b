#include <QHBoxLayout>
#include <QLabel>
#include <QResizeEvent>
#include <QTest>

#include "EventWatcher.h"
#include "FixedWidthSlot.h"

using karvo::EventWatcher;
using karvo::FixedWidthSlot;

class TestFixedWidthSlot : public QObject {
    Q_OBJECT

private slots:
    void fixedWidthSurvivesANarrowLayout() {
        QWidget parent;
        auto* layout = new QHBoxLayout(&parent);
        auto* caption = new QLabel(QStringLiteral("Speed"));
        auto* value = new QLabel(QStringLiteral("0"));
        value->setFixedWidth(150);
        auto* slot = new FixedWidthSlot(value);
        layout->addWidget(caption);
        layout->addWidget(slot);
        // The fixed width does not raise the minimum: the window may be narrower than it.
        QVERIFY(parent.minimumSizeHint().width() < 150);
        parent.resize(120, 40);
        parent.show();
        QVERIFY(QTest::qWaitForWindowExposed(&parent));
        QCOMPARE(parent.width(), 120);
        QCOMPARE(value->width(), 150);
        QVERIFY(slot->width() < 150);
        QCOMPARE(value->height(), slot->height());
    }

    void slotAsksForItsPreferredWidth() {
        auto* value = new QLabel(QStringLiteral("Absolute Encoder"));
        const int natural = value->sizeHint().width();
        value->setFixedWidth(300);
        FixedWidthSlot slot(value);
        QCOMPARE(slot.sizeHint().width(), natural);  // not the fixed 300
        slot.setPreferredWidth(64);
        QCOMPARE(slot.sizeHint().width(), 64);
        QVERIFY(slot.minimumSizeHint().width() <= 64);
        slot.resize(64, 20);
        slot.show();
        QVERIFY(QTest::qWaitForWindowExposed(&slot));
        QCOMPARE(value->width(), 300);
        QCOMPARE(value->height(), 20);
    }

    void watcherRunsOnceAfterABurstOfEvents() {
        QWidget watched;
        int calls = 0;
        auto* watcher = new EventWatcher(&watched, {QEvent::Resize}, [&] { ++calls; });
        for (int width : {100, 120, 140}) {
            QResizeEvent resize(QSize(width, 50), QSize());
            QCoreApplication::sendEvent(&watched, &resize);
        }
        QCOMPARE(calls, 0);  // after the events, not inside them
        QTRY_COMPARE(calls, 1);
        QCOMPARE(watcher->runs(), 1);
        QEvent other(QEvent::FontChange);
        QCoreApplication::sendEvent(&watched, &other);
        QCoreApplication::processEvents();
        QCOMPARE(calls, 1);  // other event types are left alone
    }
};

QTEST_MAIN(TestFixedWidthSlot)
#include "tst_fixedwidthslot.moc"
