// The simulated HID backend on its own and behind the real HID controller.

#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <atomic>
#include <thread>

#include "HidController.h"
#include "SimTestSupport.h"
#include "SimulatedHidBackend.h"
#include "WheelBaseFirmware.h"

using namespace karvo;
using namespace karvo::simtest;

namespace {

QStringList pathsOf(const QList<HidDeviceInfo>& infos) {
    QStringList paths;
    for (const HidDeviceInfo& info : infos)
        paths << info.path;
    return paths;
}

// Runs a channel read on another thread, as the controller's reader does.
class BackgroundRead {
public:
    BackgroundRead(HidChannel& channel, int timeoutMs)
        : thread_([this, &channel, timeoutMs] {
              std::array<quint8, 64> buffer{};
              int bytesRead = 0;
              result_ = channel.read(buffer.data(), static_cast<int>(buffer.size()), timeoutMs,
                                     &bytesRead);
              done_ = true;
          }) {}
    ~BackgroundRead() { thread_.join(); }
    bool done() const { return done_; }
    HidChannel::ReadResult result() const { return result_; }

private:
    std::atomic<bool> done_{false};
    std::atomic<HidChannel::ReadResult> result_{HidChannel::ReadResult::Data};
    std::thread thread_;
};

}  // namespace

class TestSimulatedHidBackend : public QObject {
    Q_OBJECT
private slots:
    void fixtureIsSane();
    void devicesAreListedInPlugOrderWithFreshPaths();
    void notificationsFollowPlugAndUnplug();
    void accessDeniedRefusesOpen();
    void channelPassesReportsToAndFromTheFirmware();
    void unplugEndsReadsAndWrites_data();
    void unplugEndsReadsAndWrites();
    void otherDevicesStaySilent();
    void controllerDeliversTheAnswerOnTheGuiThread();
    void controllerSeesTheUnplugAndChecksInWhileStreaming();
};

void TestSimulatedHidBackend::fixtureIsSane() {
    SimulatedHidBackend backend;
    QVERIFY(backend.scan().isEmpty());
    const QString path = backend.plugWheelBase();
    QCOMPARE(path, QStringLiteral("sim:wheel-1"));
    const QList<HidDeviceInfo> infos = backend.scan();
    QCOMPARE(infos.size(), 1);
    QCOMPARE(infos[0].path, path);
    QCOMPARE(infos[0].vendorId, quint16(0x9999));
    QCOMPARE(infos[0].productId, quint16(0x0F01));
    QCOMPARE(infos[0].productName, QStringLiteral("Karvo Simulated Wheel Base"));
    QCOMPARE(infos[0].inputReportLength, 64);
    QCOMPARE(infos[0].outputReportLength, 64);
    QVERIFY(backend.firmware(path) != nullptr);
}

void TestSimulatedHidBackend::devicesAreListedInPlugOrderWithFreshPaths() {
    SimulatedHidBackend backend;
    auto firmware = std::make_shared<WheelBaseFirmware>();
    const QString wheel = backend.plugWheelBase(firmware);
    const QString mouse = backend.plugDevice(0x046d, QStringLiteral("Some Mouse"));
    const QString second = backend.plugWheelBase();
    QCOMPARE(pathsOf(backend.scan()), (QStringList{"sim:wheel-1", "sim:hid-2", "sim:wheel-3"}));
    QCOMPARE(backend.firmware(wheel), firmware);
    QVERIFY(backend.firmware(second) != firmware);
    QCOMPARE(backend.firmware(mouse), nullptr);
    QCOMPARE(backend.scan()[1].vendorId, quint16(0x046d));
    QCOMPARE(backend.scan()[1].productName, QStringLiteral("Some Mouse"));

    backend.unplug(wheel);
    backend.unplug(QStringLiteral("sim:nothing"));  // ignored
    const QString again = backend.plugWheelBase(firmware);
    QCOMPARE(again, QStringLiteral("sim:wheel-4"));
    QCOMPARE(pathsOf(backend.scan()), (QStringList{"sim:hid-2", "sim:wheel-3", "sim:wheel-4"}));
    QCOMPARE(backend.firmware(wheel), nullptr);
    QCOMPARE(backend.firmware(again), firmware);
}

void TestSimulatedHidBackend::notificationsFollowPlugAndUnplug() {
    SimulatedHidBackend backend;
    QSignalSpy spy(&backend, &HidBackend::devicesChanged);
    const QString wheel = backend.plugWheelBase();
    QCOMPARE(spy.count(), 0);  // arrives through the event loop, as udev's does
    QTRY_COMPARE(spy.count(), 1);
    backend.unplug(wheel);
    QTRY_COMPARE(spy.count(), 2);

    backend.setNotifications(false);
    const QString quiet = backend.plugDevice(0x1234, QStringLiteral("Keyboard"));
    backend.unplug(quiet);
    backend.setNotifications(true);
    backend.plugWheelBase();
    // Posted events arrive in order: once the last one is in, the quiet ones would have been.
    QTRY_COMPARE(spy.count(), 3);
    QCoreApplication::processEvents();
    QCOMPARE(spy.count(), 3);
}

void TestSimulatedHidBackend::accessDeniedRefusesOpen() {
    SimulatedHidBackend backend;
    const QString wheel = backend.plugWheelBase();
    backend.setAccessDenied(wheel, true);
    QString error;
    QCOMPARE(backend.open(wheel, &error), nullptr);
    QVERIFY(error.contains(wheel));
    QVERIFY(error.contains(QStringLiteral("permission denied")));
    backend.setAccessDenied(wheel, false);
    error.clear();
    QVERIFY(backend.open(wheel, &error) != nullptr);
    QVERIFY(error.isEmpty());
    QCOMPARE(backend.open(QStringLiteral("sim:wheel-9"), &error), nullptr);
    QVERIFY(error.contains(QStringLiteral("no such device")));
}

void TestSimulatedHidBackend::channelPassesReportsToAndFromTheFirmware() {
    SimulatedHidBackend backend;
    const QString wheel = backend.plugWheelBase();
    auto channel = backend.open(wheel, nullptr);
    QVERIFY(channel);
    // A write shorter than the output report is still passed on as it is.
    const std::vector<quint8> packet = readRequestPacket(11, 0, 255, 224).bytes();
    QString error;
    QVERIFY(channel->write(packet.data(), static_cast<int>(packet.size()), &error));
    QCOMPARE(backend.firmware(wheel)->receivedReports(), QList<QByteArray>{toQByteArray(packet)});

    std::array<quint8, 64> buffer{};
    int bytesRead = -1;
    QCOMPARE(channel->read(buffer.data(), 64, 0, &bytesRead), HidChannel::ReadResult::Data);
    QCOMPARE(bytesRead, 64);
    QCOMPARE(toQByteArray(buffer).left(8), fromHex("4100e00102000700"));
    QCOMPARE(channel->read(buffer.data(), 64, 0, &bytesRead), HidChannel::ReadResult::Timeout);
    QCOMPARE(bytesRead, 0);

    // A smaller buffer gets the start of the report only.
    backend.firmware(wheel)->queueInputReport(fromHex("410102030405"));
    std::array<quint8, 4> small{};
    QCOMPARE(channel->read(small.data(), 4, 0, &bytesRead), HidChannel::ReadResult::Data);
    QCOMPARE(bytesRead, 4);
    QCOMPARE(toQByteArray(small), fromHex("41010203"));
}

void TestSimulatedHidBackend::unplugEndsReadsAndWrites_data() {
    QTest::addColumn<bool>("wheelBase");
    QTest::newRow("wheel base") << true;
    QTest::newRow("other device") << false;
}

void TestSimulatedHidBackend::unplugEndsReadsAndWrites() {
    QFETCH(bool, wheelBase);
    SimulatedHidBackend backend;
    const QString path =
        wheelBase ? backend.plugWheelBase() : backend.plugDevice(1, QStringLiteral("Pad"));
    auto waiting = backend.open(path, nullptr);
    auto idle = backend.open(path, nullptr);
    QVERIFY(waiting && idle);
    {
        BackgroundRead read(*waiting, 600'000);
        backend.unplug(path);
        QTRY_VERIFY(read.done());
        QCOMPARE(read.result(), HidChannel::ReadResult::Gone);
    }
    std::array<quint8, 64> buffer{};
    int bytesRead = 0;
    QCOMPARE(idle->read(buffer.data(), 64, 0, &bytesRead), HidChannel::ReadResult::Gone);
    QString error;
    QVERIFY(!idle->write(buffer.data(), 64, &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(backend.open(path, &error), nullptr);
}

void TestSimulatedHidBackend::otherDevicesStaySilent() {
    SimulatedHidBackend backend;
    const QString pad = backend.plugDevice(0x054c, QStringLiteral("Game Pad"));
    auto channel = backend.open(pad, nullptr);
    QVERIFY(channel);
    std::array<quint8, 8> buffer{};
    int bytesRead = 0;
    QVERIFY(channel->write(buffer.data(), 8, nullptr));
    QCOMPARE(channel->read(buffer.data(), 8, 0, &bytesRead), HidChannel::ReadResult::Timeout);
    BackgroundRead read(*channel, 600'000);
    channel->interruptRead();
    QTRY_VERIFY(read.done());
    QCOMPARE(read.result(), HidChannel::ReadResult::Timeout);
}

void TestSimulatedHidBackend::controllerDeliversTheAnswerOnTheGuiThread() {
    auto owned = std::make_unique<SimulatedHidBackend>();
    SimulatedHidBackend& backend = *owned;
    HidController controller(std::move(owned));
    backend.plugDevice(0x046d, QStringLiteral("Some Mouse"));
    const QString wheelPath = backend.plugWheelBase();
    auto firmware = backend.firmware(wheelPath);

    int wheelIndex = -1;
    controller.enumerate([&](HidDevice* device, int index) {
        if (device->vendorId() == 0x9999)
            wheelIndex = index;
        return true;
    });
    QCOMPARE(wheelIndex, 1);
    HidDevice* device = nullptr;
    QVERIFY(controller.checkOut(device, wheelIndex));
    QVERIFY(device->readWriteAccess());
    QCOMPARE(device->path(), wheelPath);

    struct Delivery {
        bool onGuiThread;
        quint8 reportId;
        QByteArray data;
    };
    QList<Delivery> deliveries;
    controller.setInputReportHandler(
        [&](HidDevice* from, quint8 reportId, const quint8* data, quint16 size) {
            QCOMPARE(from, device);
            deliveries.append({QThread::currentThread() == qApp->thread(), reportId,
                               QByteArray(reinterpret_cast<const char*>(data), size)});
        });

    const std::vector<quint8> report = transmitBuffer(
        readRequestPacket(kHardwareSlot, RecordType::FirmwareVersion, 255, RequestId::Firmware),
        device->outputReportLength());
    QString error;
    QVERIFY(device->write(report.data(), static_cast<int>(report.size()), &error));
    QTRY_COMPARE(deliveries.size(), 1);
    QVERIFY(deliveries[0].onGuiThread);
    QCOMPARE(deliveries[0].reportId, kResponseReportId);
    QCOMPARE(deliveries[0].data.size(), 63);
    QCOMPARE(deliveries[0].data.left(6), fromHex("00e001020007"));
    QCOMPARE(firmware->receivedReports(), QList<QByteArray>{toQByteArray(report)});
    controller.checkIn(device);
    QCOMPARE(device, nullptr);
}

void TestSimulatedHidBackend::controllerSeesTheUnplugAndChecksInWhileStreaming() {
    auto owned = std::make_unique<SimulatedHidBackend>();
    SimulatedHidBackend& backend = *owned;
    HidController controller(std::move(owned));
    const QString wheelPath = backend.plugWheelBase();
    backend.firmware(wheelPath)->setStreamRate(WheelBaseFirmware::StreamRate::Max);

    int streamed = 0;
    controller.setInputReportHandler(
        [&](HidDevice*, quint8, const quint8*, quint16) { ++streamed; });
    HidDevice* device = nullptr;
    controller.enumerate([](HidDevice*, int) { return true; });
    QVERIFY(controller.checkOut(device, 0));
    QTRY_VERIFY(streamed >= 50);
    // Check-in stops a reader that the stream keeps busy, without waiting for the GUI thread.
    controller.checkIn(device);
    const int afterCheckIn = streamed;
    QCoreApplication::processEvents();
    QCOMPARE(streamed, afterCheckIn);

    QVERIFY(controller.checkOut(device, 0));
    QSignalSpy changes(&controller, &HidController::deviceChange);
    backend.setNotifications(false);  // only the reader's Gone can tell the controller
    backend.unplug(wheelPath);
    QTRY_VERIFY(!device->isPresent());
    QVERIFY(changes.count() >= 1);
    controller.checkIn(device);
    QCOMPARE(controller.enumerate([](HidDevice*, int) { return true; }), 0);
}

QTEST_GUILESS_MAIN(TestSimulatedHidBackend)
#include "tst_simulatedhidbackend.moc"
