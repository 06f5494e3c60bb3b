#pragma once

#include "HidBackend.h"

#include <QString>

#include <atomic>
#include <memory>
#include <thread>

namespace karvo {

class GuiHandOff;
class HidController;

// One HID device in the controller's list. The controller creates, checks out, checks in and
// disposes of these objects; the program only borrows a pointer to the checked-out one.
class HidDevice {
public:
    ~HidDevice();
    HidDevice(const HidDevice&) = delete;
    HidDevice& operator=(const HidDevice&) = delete;

    quint16 vendorId() const { return info_.vendorId; }
    QString productName() const { return info_.productName; }
    QString path() const { return info_.path; }
    int inputReportLength() const { return info_.inputReportLength; }
    int outputReportLength() const { return info_.outputReportLength; }

    // Whether the node could be opened for reading and writing at check-out.
    bool readWriteAccess() const { return channel_ != nullptr; }
    bool isCheckedOut() const { return checkedOut_; }
    bool isPresent() const { return !departed_; }

    // Synchronous write of one output report. Fails without read/write access.
    bool write(const quint8* data, int length, QString* error);

private:
    friend class HidController;
    HidDevice(HidDeviceInfo info, quint64 serial);

    HidDeviceInfo info_;
    quint64 serial_;
    bool checkedOut_ = false;
    bool departed_ = false;
    std::unique_ptr<HidChannel> channel_;
    std::unique_ptr<GuiHandOff> handOff_;
    std::thread reader_;
    std::atomic<bool> stopReader_{false};
};

}  // namespace karvo
