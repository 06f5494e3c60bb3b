#include <QCoreApplication>
#include <QTest>
#include <atomic>
#include <chrono>
#include <thread>

#include "GuiHandOff.h"

using karvo::GuiHandOff;
using namespace std::chrono_literals;

namespace {

// Runs a hook on the GUI thread when a hand-off has arrived there, before it runs; the hook
// may swallow the hand-off, as if the GUI thread never got round to it.
class HandOffWatcher : public QObject {
public:
    HandOffWatcher() { QCoreApplication::instance()->installEventFilter(this); }
    std::function<bool()> onArrival;  // true swallows the hand-off

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == GuiHandOff::eventType() && onArrival)
            return onArrival();
        return QObject::eventFilter(watched, event);
    }
};

// Joins a worker on every way out of a test, a failed check included.
struct Joined {
    std::thread& thread;
    ~Joined() {
        if (thread.joinable())
            thread.join();
    }
};

}  // namespace

// A worker that watches for its work to return (instead of sleeping at once) still gets it run
// on the GUI thread, one hand-off after the other, and is released by a cancel at once.
class TestGuiHandOff : public QObject {
    Q_OBJECT
private slots:
    void watchingWorkerHandsOverInOrder() {
        QObject context;
        GuiHandOff handOff(&context, GuiHandOff::Cancelled::RunPending);
        QList<int> ran;
        std::atomic<int> returnedTrue{0};
        std::thread worker([&] {
            for (int i = 0; i < 5; ++i)
                if (handOff.run([&ran, i] { ran.append(i); }, 200us))
                    ++returnedTrue;
        });
        QTRY_COMPARE(returnedTrue.load(), 5);
        worker.join();
        QCOMPARE(ran, (QList<int>{0, 1, 2, 3, 4}));
    }

    // The GUI thread cancels a hand-off that it does not run: the worker, set to watch for far
    // longer than the test waits, must return at once and report the hand-off as not run.
    void cancelReleasesAWatchingWorker() {
        QObject context;
        GuiHandOff handOff(&context, GuiHandOff::Cancelled::DropPending);
        HandOffWatcher watcher;
        watcher.onArrival = [&] {
            handOff.cancel();
            return true;
        };
        std::atomic<bool> returned{false};
        std::atomic<bool> result{true};
        bool ran = false;
        std::thread worker([&] {
            result = handOff.run([&ran] { ran = true; }, 20s);
            returned = true;
        });
        const Joined joined{worker};
        QTRY_VERIFY(returned.load());
        QVERIFY(!result.load());
        QVERIFY(!ran);
    }

    // Posting and waiting apart: the worker may do other things between the two; work that
    // returned meanwhile is waited for without sleeping, and a cancelled hand-off gives a
    // ticket that waits for nothing.
    void postThenWaitSeparately() {
        QObject context;
        GuiHandOff handOff(&context, GuiHandOff::Cancelled::DropPending);
        std::atomic<bool> ran{false};
        std::atomic<bool> posted{false};
        std::atomic<bool> result{false};
        std::atomic<bool> returned{false};
        std::thread worker([&] {
            const GuiHandOff::Ticket ticket = handOff.post([&ran] { ran = true; });
            posted = true;
            while (!ran.load())  // the work returns before the worker waits for it
                std::this_thread::sleep_for(1ms);
            result = handOff.wait(ticket);
            returned = true;
        });
        const Joined joined{worker};
        QTRY_VERIFY(returned.load());
        QVERIFY(result.load());

        handOff.cancel();
        const GuiHandOff::Ticket refused = handOff.post([] { QFAIL("cancelled work ran"); });
        QVERIFY(!refused.isValid());
        QVERIFY(!handOff.wait(refused));
        QVERIFY(!GuiHandOff::Ticket().isValid());
    }
};

QTEST_GUILESS_MAIN(TestGuiHandOff)
#include "tst_guihandoff.moc"
