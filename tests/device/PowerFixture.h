#pragma once

#include <QObject>
#include <memory>

#include "DeviceLink.h"
#include "FakeHidBackend.h"
#include "FakeWindow.h"
#include "HidController.h"
#include "HidDevice.h"
#include "PowerEvents.h"
#include "ThreadTimer.h"

// The device link, the watchdog (on a manual clock) and the power handlers, wired as the main
// window wires them, over a fake backend that lists one wheel base.
struct PowerFixture {
    karvo::HidController hid{std::make_unique<FakeHidBackend>()};
    FakeHidBackend& backend = static_cast<FakeHidBackend&>(hid.backend());
    FakeWindow window;
    karvo::DeviceLink link{hid, window};
    karvo::ThreadTimer devMon;
    karvo::PowerEvents events{link, devMon, window};

    PowerFixture() {
        backend.devices = {FakeHidBackend::keyboard(), FakeHidBackend::wheelBase()};
        devMon.setManualClock(true);
        QObject::connect(&devMon, &karvo::ThreadTimer::timeout, &link,
                         &karvo::DeviceLink::DevMonTimer);
    }

    // The state after start-up: the wheel base connected, the watchdog on, an empty log.
    void connectWheelBase() {
        link.Startup = true;
        link.runPass();
        devMon.setEnabled(true);
        window.log.clear();
    }
};
