#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

namespace karvo {

// Restyles the whole application: the Fusion style, a palette and a style sheet (group boxes,
// sliders, tabs, buttons, status bar, menus). Two skins are built in, "Dark" and "Light"; before
// either is chosen the window has a neutral start-up look.
class SkinManager {
public:
    SkinManager();
    ~SkinManager();

    static QStringList skinNames();

    // Applies a built-in skin; throws KarvoError for a name that is not one of them.
    void setSkin(const QString& name);
    // The active skin's name; empty while the start-up look is shown.
    QString skin() const { return skin_; }

    // The look the window has when no skin is active: Fusion with its own neutral palette.
    void applyStartupLook();

    // The style sheet of a skin ("Dark", "Light"), or of the start-up look for an empty name.
    static QString styleSheetFor(const QString& name);

private:
    QString skin_;
};

// Reads a theme picture, named relative to the process's current directory. A missing or
// unreadable file throws KarvoError "Cannot open file "<absolute path>". <reason>".
QImage loadThemePicture(const QString& relativePath);

}  // namespace karvo
