#pragma once

#include <condition_variable>
#include <mutex>

namespace karvo {

// Whether a simulated device is still plugged in, shared by the backend and every channel
// opened on the device. Channel reads wait on it, so pulling the plug or an interrupt ends
// a wait at once. Thread-safe.
class SimulatedPlug {
public:
    void pull();  // the device is gone for good
    bool isPulled() const;
    void interrupt();  // ends the current (or the next) wait early

    // Waits up to timeoutMs for the plug to be pulled or an interrupt; true when pulled.
    bool waitForPull(int timeoutMs);

private:
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool pulled_ = false;
    bool interrupted_ = false;
};

}  // namespace karvo
