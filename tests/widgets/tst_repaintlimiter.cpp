#include <QPointer>
#include <QTest>

#include "RepaintLimiter.h"

using karvo::RepaintLimiter;

namespace {

// A window that counts its paint events.
class PaintCounter : public QWidget {
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent*) override { ++paints; }
};

}  // namespace

class TestRepaintLimiter : public QObject {
    Q_OBJECT

    // Shows the window and waits until its first paint is done.
    static bool showAndSettle(PaintCounter& window) {
        window.resize(120, 80);
        window.show();
        return QTest::qWaitForWindowExposed(&window) &&
               QTest::qWaitFor([&] { return window.paints > 0; });
    }

    // Asks for a repaint and lets Qt deliver its repaint request.
    static void changeAndDeliver(PaintCounter& window) {
        window.update();
        QCoreApplication::sendPostedEvents();
    }

private slots:
    void fixtureCountsRepaintsWithoutALimiter() {
        PaintCounter window;
        QVERIFY(showAndSettle(window));
        const int before = window.paints;
        changeAndDeliver(window);
        changeAndDeliver(window);
        QCOMPARE(window.paints, before + 2);
    }

    void repaintsAskedForTooSoonArePaintedTogetherLater() {
        PaintCounter window;
        QVERIFY(showAndSettle(window));
        RepaintLimiter limiter(&window, 500);
        const int before = window.paints;
        changeAndDeliver(window);
        QCOMPARE(window.paints, before + 1);  // no repaint yet under the limiter: at once

        for (int i = 0; i < 5; ++i)
            changeAndDeliver(window);
        QCOMPARE(window.paints, before + 1);  // held back
        QCOMPARE(limiter.deferredRepaints(), 1);

        QTRY_COMPARE(window.paints, before + 2);  // one repaint for all five changes
        QCoreApplication::processEvents();
        QCOMPARE(window.paints, before + 2);
    }

    void aHeldBackRepaintDiesWithItsWindow() {
        auto* window = new PaintCounter;
        QVERIFY(showAndSettle(*window));
        auto* limiter = new RepaintLimiter(window, 10000);
        changeAndDeliver(*window);
        changeAndDeliver(*window);
        QVERIFY(limiter->deferredRepaints() >= 1);
        QPointer<RepaintLimiter> watch(limiter);
        delete window;  // the limiter and its timer go with the window
        QVERIFY(watch.isNull());
        QCoreApplication::processEvents();
    }
};

QTEST_MAIN(TestRepaintLimiter)
#include "tst_repaintlimiter.moc"
