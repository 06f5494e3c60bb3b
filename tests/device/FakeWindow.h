#pragma once

#include <QStringList>
#include <functional>

#include "DeviceLink.h"
#include "LinkHost.h"
#include "PowerEvents.h"

// Stands in for the main window: records the system log, the link panel and terminations.
class FakeWindow : public karvo::LinkHost, public karvo::PowerHost {
public:
    QStringList log;
    QString link = karvo::kLinkDisconnected;
    int connections = 0;
    int terminateCalls = 0;
    std::function<void(const QString&)> onLog;  // runs after a line has been recorded
    std::function<void()> onDeviceConnected;    // runs inside the enumeration callback

    QString linkText() const override { return link; }
    void setLinkText(const QString& text) override { link = text; }
    void SetSysLog(const QString& msg) override {
        log << msg;
        if (onLog)
            onLog(msg);
    }
    void deviceConnected(bool) override {
        ++connections;
        if (onDeviceConnected)
            onDeviceConnected();
    }
    void terminateApplication() override { ++terminateCalls; }
};
