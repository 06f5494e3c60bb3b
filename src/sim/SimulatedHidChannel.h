#pragma once

#include <memory>

#include "HidBackend.h"

namespace karvo {

class SimulatedPlug;
class WheelBaseFirmware;

// An open simulated device node. With a firmware behind it, writes go to the firmware and
// reads take its input reports; without one (any other HID device) it accepts writes and
// never delivers anything. Once the plug is pulled every read reports Gone.
class SimulatedHidChannel : public HidChannel {
public:
    SimulatedHidChannel(std::shared_ptr<WheelBaseFirmware> firmware,
                        std::shared_ptr<SimulatedPlug> plug);

    bool write(const quint8* data, int length, QString* error) override;
    ReadResult read(quint8* buffer, int capacity, int timeoutMs, int* bytesRead) override;
    ReadResult waitForInput(int timeoutMs) override;
    void interruptRead() override;

private:
    std::shared_ptr<WheelBaseFirmware> firmware_;
    std::shared_ptr<SimulatedPlug> plug_;
};

}  // namespace karvo
