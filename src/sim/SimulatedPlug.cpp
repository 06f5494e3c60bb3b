#include "SimulatedPlug.h"

#include <algorithm>
#include <chrono>

namespace karvo {

void SimulatedPlug::pull() {
    std::lock_guard lock(mutex_);
    pulled_ = true;
    wake_.notify_all();
}

bool SimulatedPlug::isPulled() const {
    std::lock_guard lock(mutex_);
    return pulled_;
}

void SimulatedPlug::interrupt() {
    std::lock_guard lock(mutex_);
    interrupted_ = true;
    wake_.notify_all();
}

bool SimulatedPlug::waitForPull(int timeoutMs) {
    std::unique_lock lock(mutex_);
    wake_.wait_for(lock, std::chrono::milliseconds(std::max(0, timeoutMs)),
                   [this] { return pulled_ || interrupted_; });
    interrupted_ = false;
    return pulled_;
}

}  // namespace karvo
