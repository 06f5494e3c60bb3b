#pragma once

#include <QObject>
#include <QString>

#include "WheelBaseDescriptor.h"

namespace karvo {

class HidController;
class HidDevice;
class LinkHost;


inline const QString kLinkConnected = QStringLiteral("Connected");
inline const QString kLinkDisconnected = QStringLiteral("Disconnected");

// Finds the wheel base among the HID devices, takes it into use and finds it again when
// devices come and go. Panel 4, Ready and CurrentDevice always agree between passes: a pass
// that ends without having checked out a wheel base checks the held device in and marks the
// link down, whatever the order and number of other HID devices.
class DeviceLink : public QObject {
    Q_OBJECT
public:
    DeviceLink(HidController& hid, LinkHost& host, QObject* parent = nullptr);

    HidDevice* CurrentDevice = nullptr;
    bool Ready = false;
    bool Enumerating = false;
    bool Startup = false;

    // The HID controller's device-change notification: a pass unless one is running.
    void HIDCtlDeviceChange();
    // The enumeration callback, once per visited device; always asks to go on.
    bool HIDCtlEnumerate(HidDevice* device, int index);
    // The watchdog tick.
    void DevMonTimer();

    // One enumeration pass with the link rule above.
    void runPass();
    // Checks the held device in and marks the link down (suspend, end of a pass without one).
    void dropDevice();
    bool isUp() const { return CurrentDevice != nullptr && Ready; }

signals:
    void readyChanged(bool ready);

private:
    void setReady(bool ready);
    void markDown();
    void connectionSteps(int index);

    HidController& hid_;
    LinkHost& host_;
    bool connectedThisPass_ = false;
};

}  // namespace karvo
