// Enumeration over many HID devices: the simulated backend holds 49 other devices and the wheel
// base. Measured: the controller's pass alone (list refresh and one callback per device), the
// first pass of a new controller (the list is built), and the device link's pass as the program
// runs it (visit every device, check the wheel base in and out again, which restarts its
// reader thread).

#include <benchmark/benchmark.h>

#include <memory>

#include "DeviceLink.h"
#include "HidController.h"
#include "HidDevice.h"
#include "LinkHost.h"
#include "SimulatedHidBackend.h"
#include "WheelBaseFirmware.h"

using namespace karvo;

namespace {

constexpr int kOtherDevices = 49;

enum class WheelPosition { First, Last };

// 49 other devices and the wheel base, plugged in before the controller starts.
std::unique_ptr<SimulatedHidBackend> fiftyDevices(WheelPosition position) {
    auto backend = std::make_unique<SimulatedHidBackend>();
    backend->setNotifications(false);
    if (position == WheelPosition::First)
        backend->plugWheelBase();
    for (int i = 0; i < kOtherDevices; ++i) {
        const auto vendor = static_cast<quint16>(0x1000 + i);
        backend->plugDevice(vendor, QStringLiteral("HID device %1").arg(i));
    }
    if (position == WheelPosition::Last)
        backend->plugWheelBase();
    return backend;
}

// The window side of the link, with nothing to show and no log file to write.
class QuietHost : public LinkHost {
public:
    QString linkText() const override { return text_; }
    void setLinkText(const QString& text) override { text_ = text; }
    void SetSysLog(const QString&) override {}
    void deviceConnected(bool) override {}

private:
    QString text_;
};

void BM_EnumerateFiftyDevices(benchmark::State& state) {
    HidController controller(fiftyDevices(static_cast<WheelPosition>(state.range(0))));
    controller.enumerate([](HidDevice*, int) { return true; });  // the list is built
    int wheelBases = 0;
    for (auto _ : state) {
        const int visited = controller.enumerate([&](HidDevice* device, int) {
            if (device->vendorId() == kWheelBaseVendorId)
                ++wheelBases;
            return true;
        });
        benchmark::DoNotOptimize(visited);
    }
    if (wheelBases != static_cast<int>(state.iterations()))
        state.SkipWithError("the wheel base was not visited once per pass");
    state.counters["devices"] = kOtherDevices + 1;
}
BENCHMARK(BM_EnumerateFiftyDevices)
    ->Name("enumerate/50_devices/steady")
    ->Arg(static_cast<int>(WheelPosition::Last))
    ->Unit(benchmark::kMicrosecond);

void BM_FirstPassFiftyDevices(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto backend = fiftyDevices(WheelPosition::Last);
        state.ResumeTiming();
        HidController controller(std::move(backend));
        const int visited = controller.enumerate([](HidDevice*, int) { return true; });
        if (visited != kOtherDevices + 1) {
            state.SkipWithError("not every device was visited");
            break;
        }
    }
}
BENCHMARK(BM_FirstPassFiftyDevices)
    ->Name("enumerate/50_devices/first_pass")
    ->Unit(benchmark::kMicrosecond);

void BM_LinkPassFiftyDevices(benchmark::State& state) {
    HidController controller(fiftyDevices(static_cast<WheelPosition>(state.range(0))));
    QuietHost host;
    DeviceLink link(controller, host);
    link.runPass();
    for (auto _ : state) {
        link.runPass();
        if (!link.isUp()) {
            state.SkipWithError("the wheel base was not taken into use");
            break;
        }
    }
    link.dropDevice();
}
BENCHMARK(BM_LinkPassFiftyDevices)
    ->Name("link_pass/50_devices/wheel_first")
    ->Arg(static_cast<int>(WheelPosition::First))
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LinkPassFiftyDevices)
    ->Name("link_pass/50_devices/wheel_last")
    ->Arg(static_cast<int>(WheelPosition::Last))
    ->Unit(benchmark::kMicrosecond);

}  // namespace
