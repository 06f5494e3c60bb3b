#include <QCoreApplication>
#include <QEvent>
#include <QSet>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <utility>

#include "GuiHandOff.h"
#include "HidController.h"

using karvo::HidBackend;
using karvo::HidChannel;
using karvo::HidController;
using karvo::HidDevice;
using karvo::HidDeviceInfo;

namespace {

constexpr int kReportLength = 64;

// One device node of the fake backend, shared with the channels opened on it. The test plays
// the device: it queues input reports, unplugs the node and reads what was written.
struct FakeNode {
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<QByteArray> reports;
    bool gone = false;
    bool interrupted = false;
    int reportsTaken = 0;
    QList<QByteArray> written;
    // Whether channels say when a report is there before it is read (like hidraw); otherwise
    // read() does all the waiting.
    bool announcesInput = true;
    bool awaitingInput = false;  // a reader waits in waitForInput right now

    void queue(const QByteArray& report) {
        std::lock_guard lock(mutex);
        reports.push_back(report);
        wake.notify_all();
    }
    int taken() {
        std::lock_guard lock(mutex);
        return reportsTaken;
    }
};

class FakeChannel : public HidChannel {
public:
    explicit FakeChannel(std::shared_ptr<FakeNode> node) : node_(std::move(node)) {}

    bool write(const quint8* data, int length, QString*) override {
        std::lock_guard lock(node_->mutex);
        node_->written.append(QByteArray(reinterpret_cast<const char*>(data), length));
        return true;
    }

    ReadResult read(quint8* buffer, int capacity, int timeoutMs, int* bytesRead) override {
        *bytesRead = 0;
        std::unique_lock lock(node_->mutex);
        node_->wake.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] {
            return node_->gone || node_->interrupted || !node_->reports.empty();
        });
        if (node_->gone)
            return ReadResult::Gone;
        if (std::exchange(node_->interrupted, false) || node_->reports.empty())
            return ReadResult::Timeout;
        const QByteArray report = node_->reports.front();
        node_->reports.pop_front();
        ++node_->reportsTaken;
        *bytesRead = static_cast<int>(std::min<qsizetype>(report.size(), capacity));
        std::copy_n(report.constData(), *bytesRead, reinterpret_cast<char*>(buffer));
        return ReadResult::Data;
    }

    ReadResult waitForInput(int timeoutMs) override {
        std::unique_lock lock(node_->mutex);
        if (!node_->announcesInput)
            return HidChannel::waitForInput(timeoutMs);
        node_->awaitingInput = true;
        node_->wake.notify_all();
        node_->wake.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] {
            return node_->gone || node_->interrupted || !node_->reports.empty();
        });
        node_->awaitingInput = false;
        if (node_->gone)
            return ReadResult::Gone;
        if (std::exchange(node_->interrupted, false) || node_->reports.empty())
            return ReadResult::Timeout;
        return ReadResult::Data;
    }

    void interruptRead() override {
        std::lock_guard lock(node_->mutex);
        node_->interrupted = true;
        node_->wake.notify_all();
    }

private:
    std::shared_ptr<FakeNode> node_;
};

class FakeBackend : public HidBackend {
public:
    std::shared_ptr<FakeNode> plug(const QString& path, quint16 vendorId,
                                   const QString& productName) {
        HidDeviceInfo info;
        info.path = path;
        info.vendorId = vendorId;
        info.productId = 0x0F01;
        info.productName = productName;
        info.inputReportLength = kReportLength;
        info.outputReportLength = kReportLength;
        entries_.append({info, std::make_shared<FakeNode>()});
        return entries_.last().node;
    }

    void unplug(const QString& path) {
        for (qsizetype i = 0; i < entries_.size(); ++i) {
            if (entries_[i].info.path != path)
                continue;
            std::lock_guard lock(entries_[i].node->mutex);
            entries_[i].node->gone = true;
            entries_[i].node->wake.notify_all();
        }
        entries_.removeIf([&](const Entry& e) { return e.info.path == path; });
    }

    void setAccessDenied(const QString& path, bool denied) {
        if (denied)
            denied_.insert(path);
        else
            denied_.remove(path);
    }

    int opens() const { return opens_; }

    QList<HidDeviceInfo> scan() override {
        QList<HidDeviceInfo> infos;
        for (const Entry& e : entries_)
            infos.append(e.info);
        return infos;
    }

    std::unique_ptr<HidChannel> open(const QString& path, QString* error) override {
        ++opens_;
        if (denied_.contains(path)) {
            *error = QStringLiteral("Permission denied");
            return nullptr;
        }
        for (const Entry& e : entries_)
            if (e.info.path == path)
                return std::make_unique<FakeChannel>(e.node);
        *error = QStringLiteral("No such file or directory");
        return nullptr;
    }

private:
    struct Entry {
        HidDeviceInfo info;
        std::shared_ptr<FakeNode> node;
    };
    QList<Entry> entries_;
    QSet<QString> denied_;
    int opens_ = 0;
};

// The controller with a hook into its event handling: the hook runs on the GUI thread when a
// reader's hand-off has arrived but before the hand-off has run, which is the moment a busy
// GUI thread can be caught in.
class ProbeController : public HidController {
public:
    explicit ProbeController(std::unique_ptr<HidBackend> backend) : HidController(std::move(backend)) {
        QCoreApplication::instance()->installEventFilter(this);
    }
    std::function<void()> beforeNextHandOff;

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == karvo::GuiHandOff::eventType() && beforeNextHandOff)
            std::exchange(beforeNextHandOff, nullptr)();
        return HidController::eventFilter(watched, event);
    }
};

QByteArray inputReport(quint8 reportId, quint8 sequence) {
    QByteArray report(kReportLength, '\0');
    report[0] = static_cast<char>(reportId);
    report[1] = static_cast<char>(sequence);
    for (int i = 2; i < kReportLength; ++i)
        report[i] = static_cast<char>(sequence + i);
    return report;
}

struct Delivery {
    HidDevice* device;
    quint8 reportId;
    QByteArray data;
    bool onGuiThread;
};

}  // namespace

class TestHidController : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void fixtureWorks();
    void enumerateOrderAndIndexes();
    void checkOutTwiceFails();
    void accessDeniedChecksOutWithoutReader();
    void reportsArriveInOrderOneAtATime_data();
    void reportsArriveInOrderOneAtATime();
    void readerAwaitsTheNextReportDuringTheHandlerButReadsItAfter();
    void unplugMarksDepartedAndRaisesDeviceChange();
    void checkInWhileHandOffPendingDropsReport();
    void checkInFromInsideHandler();
    void stopAllReadersDropsLaterHandOffs();

private:
    QList<std::pair<QString, int>> visitAll() {
        QList<std::pair<QString, int>> visits;
        controller_->enumerate([&](HidDevice* device, int index) {
            visits.append({device->path(), index});
            return true;
        });
        return visits;
    }

    FakeBackend* backend_ = nullptr;  // owned by the controller
    std::unique_ptr<ProbeController> controller_;
    QList<Delivery> deliveries_;
    std::function<void(const Delivery&)> onDelivery_;
};

void TestHidController::init() {
    auto backend = std::make_unique<FakeBackend>();
    backend_ = backend.get();
    controller_ = std::make_unique<ProbeController>(std::move(backend));
    deliveries_.clear();
    onDelivery_ = nullptr;
    controller_->setInputReportHandler([this](HidDevice* device, quint8 reportId,
                                              const quint8* data, quint16 size) {
        Delivery delivery{device, reportId, QByteArray(reinterpret_cast<const char*>(data), size),
                          QThread::currentThread() == qApp->thread()};
        deliveries_.append(delivery);
        if (onDelivery_)
            onDelivery_(delivery);
    });
}

void TestHidController::cleanup() {
    controller_.reset();
    backend_ = nullptr;
}

void TestHidController::fixtureWorks() {
    auto node = backend_->plug(QStringLiteral("fake:0"), 0x9999, QStringLiteral("Wheel"));
    HidDevice* device = nullptr;
    QCOMPARE(visitAll(), (QList<std::pair<QString, int>>{{"fake:0", 0}}));
    QVERIFY(controller_->checkOut(device, 0));
    QVERIFY(device);
    QCOMPARE(device->vendorId(), 0x9999);
    QCOMPARE(device->productName(), QStringLiteral("Wheel"));
    QVERIFY(device->readWriteAccess());

    const QByteArray command(kReportLength, '\x14');
    QString error;
    QVERIFY(
        device->write(reinterpret_cast<const quint8*>(command.constData()), kReportLength, &error));
    QCOMPARE(node->written, QList<QByteArray>{command});

    node->queue(inputReport(65, 7));
    QTRY_COMPARE(deliveries_.size(), 1);
    QCOMPARE(deliveries_[0].device, device);
    QCOMPARE(deliveries_[0].reportId, 65);
    QCOMPARE(deliveries_[0].data, inputReport(65, 7).sliced(1));
    controller_->checkIn(device);
    QCOMPARE(device, nullptr);
}

void TestHidController::enumerateOrderAndIndexes() {
    using Visits = QList<std::pair<QString, int>>;
    backend_->plug(QStringLiteral("fake:a"), 0x1111, QStringLiteral("A"));
    backend_->plug(QStringLiteral("fake:b"), 0x9999, QStringLiteral("B"));
    backend_->plug(QStringLiteral("fake:c"), 0x2222, QStringLiteral("C"));
    QCOMPARE(visitAll(), (Visits{{"fake:a", 0}, {"fake:b", 1}, {"fake:c", 2}}));

    // A callback returning false ends the pass.
    int calls = 0;
    QCOMPARE(controller_->enumerate([&](HidDevice*, int index) {
        ++calls;
        return index < 1;
    }),
             2);
    QCOMPARE(calls, 2);

    // B is held when A and B go and D comes: departed devices keep their places for one more
    // pass and are not visited; D is appended.
    HidDevice* held = nullptr;
    QVERIFY(controller_->checkOut(held, 1));
    backend_->unplug(QStringLiteral("fake:a"));
    backend_->unplug(QStringLiteral("fake:b"));
    backend_->plug(QStringLiteral("fake:d"), 0x3333, QStringLiteral("D"));
    QCOMPARE(visitAll(), (Visits{{"fake:c", 2}, {"fake:d", 3}}));
    QVERIFY(!held->isPresent());
    QVERIFY(held->isCheckedOut());

    // The next pass drops A; B stays while it is checked out, and goes once it is checked in.
    QCOMPARE(visitAll(), (Visits{{"fake:c", 1}, {"fake:d", 2}}));
    QCOMPARE(controller_->deviceCount(), 3);
    controller_->checkIn(held);
    QCOMPARE(visitAll(), (Visits{{"fake:c", 0}, {"fake:d", 1}}));
    QCOMPARE(controller_->deviceCount(), 2);
}

void TestHidController::checkOutTwiceFails() {
    backend_->plug(QStringLiteral("fake:0"), 0x9999, QStringLiteral("Wheel"));
    visitAll();
    HidDevice* first = nullptr;
    QVERIFY(controller_->checkOut(first, 0));
    QVERIFY(first);

    HidDevice* second = first;  // check-out clears the variable before anything else
    QVERIFY(!controller_->checkOut(second, 0));
    QCOMPARE(second, nullptr);
    second = first;
    QVERIFY(!controller_->checkOut(second, 1));
    QCOMPARE(second, nullptr);
    second = first;
    QVERIFY(!controller_->checkOut(second, -1));
    QCOMPARE(second, nullptr);

    controller_->checkIn(first);
    QCOMPARE(first, nullptr);
    QVERIFY(controller_->checkOut(second, 0));
    QVERIFY(second);
    controller_->checkIn(second);
}

void TestHidController::accessDeniedChecksOutWithoutReader() {
    auto node = backend_->plug(QStringLiteral("fake:0"), 0x9999, QStringLiteral("Wheel"));
    backend_->setAccessDenied(QStringLiteral("fake:0"), true);
    node->queue(inputReport(65, 1));
    visitAll();

    HidDevice* device = nullptr;
    QVERIFY(controller_->checkOut(device, 0));
    QVERIFY(device);
    QVERIFY(device->isCheckedOut());
    QVERIFY(!device->readWriteAccess());
    QCOMPARE(backend_->opens(), 1);
    QString error;
    const quint8 command[2] = {20, 0};
    QVERIFY(!device->write(command, 2, &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(node->written.size(), 0);

    // The same node with access: now a reader runs and the report arrives.
    controller_->checkIn(device);
    QCOMPARE(node->taken(), 0);
    backend_->setAccessDenied(QStringLiteral("fake:0"), false);
    QVERIFY(controller_->checkOut(device, 0));
    QVERIFY(device->readWriteAccess());
    QTRY_COMPARE(deliveries_.size(), 1);
    controller_->checkIn(device);
}

// Reports queued ahead of the reader still come one at a time: while a handler runs (and runs
// the event loop, as the program's waits do), the reader takes nothing more and no second
// handler starts.
void TestHidController::reportsArriveInOrderOneAtATime_data() {
    QTest::addColumn<bool>("announcesInput");
    QTest::newRow("channel announces input") << true;
    QTest::newRow("read waits") << false;
}

void TestHidController::reportsArriveInOrderOneAtATime() {
    QFETCH(bool, announcesInput);
    auto node = backend_->plug(QStringLiteral("fake:0"), 0x9999, QStringLiteral("Wheel"));
    node->announcesInput = announcesInput;
    constexpr int kCount = 20;
    for (int i = 0; i < kCount; ++i)
        node->queue(inputReport(i % 2 ? 65 : 1, static_cast<quint8>(i)));
    visitAll();

    int inside = 0;
    int maxInside = 0;
    int readerMovedDuringHandler = 0;
    onDelivery_ = [&](const Delivery&) {
        maxInside = std::max(maxInside, ++inside);
        const int takenOnEntry = node->taken();
        QCoreApplication::processEvents();
        if (node->taken() != takenOnEntry)
            ++readerMovedDuringHandler;
        --inside;
    };
    HidDevice* device = nullptr;
    QVERIFY(controller_->checkOut(device, 0));
    QTRY_COMPARE(deliveries_.size(), kCount);

    QCOMPARE(maxInside, 1);
    QCOMPARE(readerMovedDuringHandler, 0);
    for (int i = 0; i < kCount; ++i) {
        const Delivery& d = deliveries_[i];
        QVERIFY(d.onGuiThread);
        QCOMPARE(d.reportId, i % 2 ? 65 : 1);
        QCOMPARE(d.data.size(), kReportLength - 1);
        QCOMPARE(static_cast<quint8>(d.data[0]), i);  // in arrival order
        QCOMPARE(d.data, inputReport(d.reportId, static_cast<quint8>(i)).sliced(1));
    }
    controller_->checkIn(device);
}

// On a paced stream the reader waits for the next report while the last one is still being
// handled, so that one wake-up per report is enough; it reads the report only once the handler
// has returned.
void TestHidController::readerAwaitsTheNextReportDuringTheHandlerButReadsItAfter() {
    auto node = backend_->plug(QStringLiteral("fake:0"), 0x9999, QStringLiteral("Wheel"));
    node->queue(inputReport(65, 0));
    visitAll();
    const auto awaiting = [&] {
        std::lock_guard lock(node->mutex);
        return node->awaitingInput;
    };
    bool sawReaderAwaiting = false;
    int takenWhileHandled = -1;
    onDelivery_ = [&](const Delivery& delivery) {
        if (delivery.data[0] != 0)
            return;
        sawReaderAwaiting = QTest::qWaitFor(awaiting, 5000);
        node->queue(inputReport(65, 1));  // there now, but not to be read yet
        QTest::qWait(50);
        takenWhileHandled = node->taken();
    };
    HidDevice* device = nullptr;
    QVERIFY(controller_->checkOut(device, 0));
    QTRY_COMPARE(deliveries_.size(), 2);
    QVERIFY(sawReaderAwaiting);
    QCOMPARE(takenWhileHandled, 1);
    QCOMPARE(static_cast<quint8>(deliveries_[1].data[0]), 1);
    QCOMPARE(node->taken(), 2);
    controller_->checkIn(device);
}

void TestHidController::unplugMarksDepartedAndRaisesDeviceChange() {
    backend_->plug(QStringLiteral("fake:0"), 0x9999, QStringLiteral("Wheel"));
    visitAll();
    HidDevice* device = nullptr;
    QVERIFY(controller_->checkOut(device, 0));
    QSignalSpy deviceChange(controller_.get(), &HidController::deviceChange);

    backend_->unplug(QStringLiteral("fake:0"));
    QTRY_COMPARE(deviceChange.count(), 1);
    QVERIFY(!device->isPresent());
    QVERIFY(device->isCheckedOut());  // still held until the program checks it in
    QCOMPARE(visitAll().size(), 0);

    controller_->checkIn(device);
    visitAll();
    QCOMPARE(controller_->deviceCount(), 0);
}

// The GUI thread is busy when the reader hands a report over; before the hand-off runs, the GUI
// thread checks the device in. The check-in must not wait for the GUI thread (that would be a
// deadlock) and the report must never be delivered.
void TestHidController::checkInWhileHandOffPendingDropsReport() {
    auto node = backend_->plug(QStringLiteral("fake:0"), 0x9999, QStringLiteral("Wheel"));
    visitAll();
    HidDevice* device = nullptr;
    bool checkedIn = false;
    controller_->beforeNextHandOff = [&] {
        QCOMPARE(node->taken(), 1);  // the reader holds the report and waits for us
        controller_->checkIn(device);
        checkedIn = true;
    };
    QVERIFY(controller_->checkOut(device, 0));
    node->queue(inputReport(65, 1));
    QTRY_VERIFY(checkedIn);
    QCOMPARE(device, nullptr);
    QCoreApplication::processEvents();
    QCOMPARE(deliveries_.size(), 0);

    // Checked out again, the device delivers what comes next, never the dropped report.
    QVERIFY(controller_->checkOut(device, 0));
    node->queue(inputReport(65, 2));
    QTRY_COMPARE(deliveries_.size(), 1);
    QCOMPARE(static_cast<quint8>(deliveries_[0].data[0]), 2);
    controller_->checkIn(device);
}

void TestHidController::checkInFromInsideHandler() {
    auto node = backend_->plug(QStringLiteral("fake:0"), 0x9999, QStringLiteral("Wheel"));
    for (quint8 i = 0; i < 3; ++i)
        node->queue(inputReport(65, i));
    visitAll();
    HidDevice* device = nullptr;
    onDelivery_ = [&](const Delivery& delivery) {
        if (delivery.data[0] == 0)
            controller_->checkIn(device);
    };
    QVERIFY(controller_->checkOut(device, 0));
    QTRY_COMPARE(deliveries_.size(), 1);
    QCOMPARE(device, nullptr);
    // The reader stopped with the report it was handing over: the others stay with the node.
    QCoreApplication::processEvents();
    QCOMPARE(deliveries_.size(), 1);
    QCOMPARE(node->taken(), 1);

    onDelivery_ = nullptr;
    QVERIFY(controller_->checkOut(device, 0));
    QTRY_COMPARE(deliveries_.size(), 3);
    QCOMPARE(static_cast<quint8>(deliveries_[1].data[0]), 1);
    QCOMPARE(static_cast<quint8>(deliveries_[2].data[0]), 2);
    controller_->checkIn(device);
}

void TestHidController::stopAllReadersDropsLaterHandOffs() {
    auto wheel = backend_->plug(QStringLiteral("fake:0"), 0x9999, QStringLiteral("Wheel"));
    auto other = backend_->plug(QStringLiteral("fake:1"), 0x9999, QStringLiteral("Second"));
    visitAll();
    HidDevice* device = nullptr;
    bool stopped = false;
    controller_->beforeNextHandOff = [&] {
        controller_->stopAllReaders();
        stopped = true;
    };
    QVERIFY(controller_->checkOut(device, 0));
    wheel->queue(inputReport(65, 1));
    QTRY_VERIFY(stopped);
    QCoreApplication::processEvents();
    QCOMPARE(deliveries_.size(), 0);

    // After the stop no reader starts: a device checked out now is open but nothing reads it.
    HidDevice* second = nullptr;
    other->queue(inputReport(65, 2));
    QVERIFY(controller_->checkOut(second, 1));
    QVERIFY(second->readWriteAccess());
    QCoreApplication::processEvents();
    QCOMPARE(other->taken(), 0);
    QCOMPARE(deliveries_.size(), 0);
    controller_->checkIn(second);
    controller_->checkIn(device);
}

QTEST_GUILESS_MAIN(TestHidController)
#include "tst_hidcontroller.moc"
