#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <algorithm>
#include <optional>

#include "CommandPacket.h"
#include "HidController.h"
#include "LinuxHidBackend.h"
#include "Records.h"
#include "UhidDevice.h"
#include "WheelBaseFirmware.h"

using namespace karvo;

namespace {

struct Delivery {
    quint8 reportId;
    QByteArray data;
    bool onGuiThread;
};

}  // namespace

// The real Linux backend and controller against the kernel's hid core and hidraw, with the
// simulated firmware on the device side of /dev/uhid.
class TestUhid : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void fixtureWorks();
    void firmwareRequestAnsweredThroughHidraw();
    void streamedReportsArrive();
    void unplugAndReplug();

private:
    std::optional<HidDeviceInfo> wheelInScan();
    HidDevice* checkOutWheel();
    bool writePacket(HidDevice* device, const TCommandPacket& packet);
    bool hasAnswer(quint8 requestId) const;

    std::shared_ptr<WheelBaseFirmware> firmware_;
    std::unique_ptr<UhidDevice> uhid_;
    std::unique_ptr<HidController> controller_;
    QList<Delivery> deliveries_;
};

void TestUhid::initTestCase() {
    QString why;
    if (!UhidDevice::isAvailable(&why))
        QSKIP(qPrintable(why + QStringLiteral(" (run-uhid-tier.sh runs this test in a VM)")));
}

void TestUhid::init() {
    firmware_ = std::make_shared<WheelBaseFirmware>();
    uhid_ = std::make_unique<UhidDevice>(firmware_);
    QString error;
    QVERIFY2(uhid_->plug(&error), qPrintable(error));
    controller_ = std::make_unique<HidController>(std::make_unique<LinuxHidBackend>());
    deliveries_.clear();
    controller_->setInputReportHandler(
        [this](HidDevice*, quint8 reportId, const quint8* data, quint16 size) {
            deliveries_.append({reportId, QByteArray(reinterpret_cast<const char*>(data), size),
                                QThread::currentThread() == qApp->thread()});
        });
}

void TestUhid::cleanup() {
    controller_.reset();
    uhid_.reset();
    firmware_.reset();
}

std::optional<HidDeviceInfo> TestUhid::wheelInScan() {
    for (const HidDeviceInfo& info : controller_->backend().scan())
        if (info.vendorId == UhidDevice::kVendorId)
            return info;
    return std::nullopt;
}

HidDevice* TestUhid::checkOutWheel() {
    int index = -1;
    controller_->enumerate([&](HidDevice* device, int i) {
        if (device->vendorId() == UhidDevice::kVendorId)
            index = i;
        return true;
    });
    HidDevice* device = nullptr;
    if (index >= 0)
        controller_->checkOut(device, index);
    return device;
}

bool TestUhid::writePacket(HidDevice* device, const TCommandPacket& packet) {
    const std::vector<quint8> report = transmitBuffer(packet, device->outputReportLength());
    QString error;
    if (device->write(report.data(), static_cast<int>(report.size()), &error))
        return true;
    qWarning() << "write failed:" << error;
    return false;
}

bool TestUhid::hasAnswer(quint8 requestId) const {
    return std::any_of(deliveries_.begin(), deliveries_.end(), [&](const Delivery& d) {
        return d.reportId == kResponseReportId && d.data.size() > 1 &&
               static_cast<quint8>(d.data[1]) == requestId;
    });
}

// The kernel turns the uhid device into a hidraw node that the backend lists with the wheel
// base's IDs, name and report lengths parsed from sysfs.
void TestUhid::fixtureWorks() {
    QTRY_VERIFY(wheelInScan().has_value());
    const HidDeviceInfo info = *wheelInScan();
    QVERIFY2(info.path.startsWith(QStringLiteral("/dev/hidraw")), qPrintable(info.path));
    QCOMPARE(info.productId, UhidDevice::kProductId);
    QCOMPARE(info.productName, QString::fromLatin1(UhidDevice::kName));
    QCOMPARE(info.inputReportLength, 64);
    QCOMPARE(info.outputReportLength, 64);
    QTRY_VERIFY(uhid_->isStarted());
}

void TestUhid::firmwareRequestAnsweredThroughHidraw() {
    QTRY_VERIFY(wheelInScan().has_value());
    HidDevice* device = checkOutWheel();
    QVERIFY(device);
    QVERIFY(device->readWriteAccess());

    const TCommandPacket request = readRequestPacket(kHardwareSlot, 0, 0, RequestId::Firmware);
    QVERIFY(writePacket(device, request));
    QTRY_VERIFY(hasAnswer(RequestId::Firmware));
    const Delivery& answer = deliveries_.first();  // nothing is streamed: the answer comes first
    QVERIFY(answer.onGuiThread);
    QCOMPARE(answer.reportId, kResponseReportId);
    QCOMPARE(answer.data.size(), WheelBaseFirmware::kInputReportLength - 1);
    QCOMPARE(static_cast<quint8>(answer.data[0]), 0);  // record type: firmware version
    const auto version = decodeFirmwareVersion(ByteView(
        reinterpret_cast<const quint8*>(answer.data.constData()) + 2, TFirmwareVersion::kSize));
    QCOMPARE(version, firmware_->firmwareVersion());

    // hidraw passed the output report on whole, report ID first.
    const std::vector<quint8> sent = transmitBuffer(request, device->outputReportLength());
    QCOMPARE(firmware_->receivedReports().value(0),
             QByteArray(reinterpret_cast<const char*>(sent.data()),
                        static_cast<qsizetype>(sent.size())));

    QVERIFY(writePacket(device, ackPacket(kHardwareSlot, RequestId::Firmware)));
    QTRY_VERIFY(firmware_->acknowledgements().contains(RequestId::Firmware));
    controller_->checkIn(device);
}

void TestUhid::streamedReportsArrive() {
    QTRY_VERIFY(wheelInScan().has_value());
    HidDevice* device = checkOutWheel();
    QVERIFY(device);
    firmware_->setStreamRate(WheelBaseFirmware::StreamRate::Gentle);
    auto seen = [this](quint8 reportId) {
        return std::any_of(deliveries_.begin(), deliveries_.end(),
                           [&](const Delivery& d) { return d.reportId == reportId; });
    };
    QTRY_VERIFY(seen(kAxesReportId) && hasAnswer(RequestId::Unsolicited));
    firmware_->setStreamRate(WheelBaseFirmware::StreamRate::Off);
    controller_->checkIn(device);
}

// Destroying the uhid device is an unplug: without udevd the reader's read error tells the
// controller. Created again, the device is found, checked out and answers once more.
void TestUhid::unplugAndReplug() {
    QTRY_VERIFY(wheelInScan().has_value());
    HidDevice* device = checkOutWheel();
    QVERIFY(device);
    QSignalSpy deviceChange(controller_.get(), &HidController::deviceChange);

    uhid_->unplug();
    QTRY_VERIFY(deviceChange.count() >= 1);
    QVERIFY(!device->isPresent());
    QVERIFY(!wheelInScan().has_value());
    controller_->checkIn(device);

    QString error;
    QVERIFY2(uhid_->plug(&error), qPrintable(error));
    QTRY_VERIFY(wheelInScan().has_value());
    device = checkOutWheel();
    QVERIFY(device);
    QVERIFY(device->isPresent());
    deliveries_.clear();
    QVERIFY(writePacket(device, readRequestPacket(kHardwareSlot, 0, 0, RequestId::Firmware)));
    QTRY_VERIFY(hasAnswer(RequestId::Firmware));
    controller_->checkIn(device);
}

QTEST_GUILESS_MAIN(TestUhid)
#include "tst_uhid.moc"
