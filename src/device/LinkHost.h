#pragma once

#include <QString>

namespace karvo {

// What the device link needs from the main window.
class LinkHost {
public:
    virtual ~LinkHost() = default;
    virtual QString linkText() const = 0;               // status panel 4
    virtual void setLinkText(const QString& text) = 0;  // "Connected" / "Disconnected"
    virtual void SetSysLog(const QString& msg) = 0;
    // The wheel base has just been taken into use: request its firmware version and, on the
    // first connection after start, load the stored profile. May throw KarvoError.
    virtual void deviceConnected(bool firstConnection) = 0;
};

}  // namespace karvo
