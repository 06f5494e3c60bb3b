#include "SkinManager.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPalette>
#include <QPointer>
#include <QStyle>
#include <QStyleFactory>
#include <QToolTip>

#include "KarvoError.h"

namespace karvo {

namespace {

const QString kDark = QStringLiteral("Dark");
const QString kLight = QStringLiteral("Light");

// The colours one look is made of.
struct Colours {
    QColor window, base, alternateBase, text, dimText, button, frame, groupTitle, accent,
        accentText, groove, handle, tab, menu, status, tip, tipText, disabled;
};

Colours darkColours() {
    return {QColor(0x2b, 0x2d, 0x31), QColor(0x1f, 0x20, 0x23), QColor(0x26, 0x28, 0x2b),
            QColor(0xdf, 0xe1, 0xe5), QColor(0x9a, 0x9e, 0xa6), QColor(0x3a, 0x3d, 0x42),
            QColor(0x4a, 0x4e, 0x55), QColor(0x7c, 0xb7, 0xff), QColor(0x3d, 0x8e, 0xe8),
            QColor(0xff, 0xff, 0xff), QColor(0x4a, 0x4e, 0x55), QColor(0xc9, 0xcd, 0xd4),
            QColor(0x33, 0x36, 0x3a), QColor(0x25, 0x27, 0x2a), QColor(0x22, 0x24, 0x27),
            QColor(0x3a, 0x3d, 0x42), QColor(0xf0, 0xf0, 0xf0), QColor(0x6b, 0x6f, 0x76)};
}

Colours lightColours() {
    return {QColor(0xf3, 0xf4, 0xf6), QColor(0xff, 0xff, 0xff), QColor(0xf7, 0xf8, 0xfa),
            QColor(0x1f, 0x23, 0x28), QColor(0x5f, 0x66, 0x70), QColor(0xe8, 0xea, 0xee),
            QColor(0xc4, 0xc9, 0xd1), QColor(0x1f, 0x5f, 0xb8), QColor(0x2f, 0x74, 0xd0),
            QColor(0xff, 0xff, 0xff), QColor(0xc8, 0xcd, 0xd5), QColor(0xff, 0xff, 0xff),
            QColor(0xe2, 0xe5, 0xea), QColor(0xfb, 0xfb, 0xfc), QColor(0xe6, 0xe8, 0xec),
            QColor(0xff, 0xff, 0xe1), QColor(0x1f, 0x23, 0x28), QColor(0xa6, 0xab, 0xb3)};
}

// Plain greys without an accent colour: the look before a theme is chosen.
Colours neutralColours() {
    return {QColor(0xef, 0xef, 0xef), QColor(0xff, 0xff, 0xff), QColor(0xf5, 0xf5, 0xf5),
            QColor(0x20, 0x20, 0x20), QColor(0x60, 0x60, 0x60), QColor(0xe4, 0xe4, 0xe4),
            QColor(0xb8, 0xb8, 0xb8), QColor(0x30, 0x30, 0x30), QColor(0x70, 0x70, 0x78),
            QColor(0xff, 0xff, 0xff), QColor(0xc0, 0xc0, 0xc0), QColor(0xfa, 0xfa, 0xfa),
            QColor(0xdc, 0xdc, 0xdc), QColor(0xf8, 0xf8, 0xf8), QColor(0xe4, 0xe4, 0xe4),
            QColor(0xff, 0xff, 0xe1), QColor(0x20, 0x20, 0x20), QColor(0xa0, 0xa0, 0xa0)};
}

Colours coloursFor(const QString& name) {
    if (name == kDark)
        return darkColours();
    if (name == kLight)
        return lightColours();
    return neutralColours();
}

QPalette paletteFrom(const Colours& c) {
    QPalette palette;
    palette.setColor(QPalette::Window, c.window);
    palette.setColor(QPalette::WindowText, c.text);
    palette.setColor(QPalette::Base, c.base);
    palette.setColor(QPalette::AlternateBase, c.alternateBase);
    palette.setColor(QPalette::Text, c.text);
    palette.setColor(QPalette::PlaceholderText, c.dimText);
    palette.setColor(QPalette::Button, c.button);
    palette.setColor(QPalette::ButtonText, c.text);
    palette.setColor(QPalette::BrightText, Qt::red);
    palette.setColor(QPalette::Highlight, c.accent);
    palette.setColor(QPalette::HighlightedText, c.accentText);
    palette.setColor(QPalette::ToolTipBase, c.tip);
    palette.setColor(QPalette::ToolTipText, c.tipText);
    palette.setColor(QPalette::Link, c.accent);
    palette.setColor(QPalette::Light, c.button.lighter(130));
    palette.setColor(QPalette::Midlight, c.button.lighter(110));
    palette.setColor(QPalette::Mid, c.frame);
    palette.setColor(QPalette::Dark, c.frame.darker(130));
    palette.setColor(QPalette::Shadow, QColor(0, 0, 0, 160));
    for (const QPalette::ColorRole role :
         {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        palette.setColor(QPalette::Disabled, role, c.disabled);
    }
    palette.setColor(QPalette::Disabled, QPalette::Highlight, c.frame);
    return palette;
}

QString sheetFrom(const Colours& c) {
    // Placeholders: %1 frame, %2 group title, %3 accent, %4 accent text, %5 groove, %6 handle,
    // %7 tab, %8 window, %9 menu, %10 status bar, %11 text, %12 button, %13 disabled, %14 base,
    // %15 tool tip, %16 tool tip text.
    static const QString sheet = QStringLiteral(R"(
QGroupBox {
    border: 1px solid %1;
    border-radius: 5px;
    margin-top: 9px;
    padding: 5px 2px 2px 2px;
}
QGroupBox::title {
    subcontrol-origin: margin;
    subcontrol-position: top left;
    left: 9px;
    padding: 0px 4px;
    color: %2;
    font-weight: bold;
}
QGroupBox#GroupApply { margin-top: 0px; padding: 2px 4px; }
QGroupBox::indicator { width: 13px; height: 13px; }
QTabWidget::pane {
    border: 1px solid %1;
    border-radius: 4px;
    top: -1px;
    background: %8;
}
QTabBar::tab {
    background: %7;
    color: %11;
    border: 1px solid %1;
    border-bottom: none;
    border-top-left-radius: 4px;
    border-top-right-radius: 4px;
    padding: 5px 18px;
    margin-right: 2px;
    min-width: 60px;
}
QTabBar::tab:selected { background: %8; color: %2; font-weight: bold; }
QTabBar::tab:!selected { margin-top: 2px; }
QTabBar::tab:hover:!selected { color: %3; }
QSlider { min-height: 16px; }
QSlider::groove:horizontal { height: 4px; background: %5; border-radius: 2px; }
QSlider::sub-page:horizontal { background: %5; border-radius: 2px; }
QSlider[filled="true"]::sub-page:horizontal { background: %3; }
QSlider::add-page:horizontal { background: %5; border-radius: 2px; }
QSlider::handle:horizontal {
    background: %6;
    border: 1px solid %1;
    width: 12px;
    margin: -5px 0px;
    border-radius: 7px;
}
QSlider::handle:horizontal:hover, QSlider::handle:horizontal:pressed {
    background: %3;
    border-color: %3;
}
QSlider::handle:horizontal:disabled { background: %13; border-color: %13; }
QSlider::sub-page:horizontal:disabled, QSlider::add-page:horizontal:disabled { background: %7; }
QPushButton {
    background: %12;
    color: %11;
    border: 1px solid %1;
    border-radius: 4px;
    padding: 4px 14px;
    min-height: 16px;
}
QPushButton:hover { border-color: %3; }
QPushButton:pressed { background: %3; color: %4; }
QPushButton:disabled { color: %13; }
QPushButton#btnDecWheel, QPushButton#btnIncWheel { padding: 0px; font-weight: bold; }
QPushButton#btnApply, QPushButton#btnHardwareApply {
    background: %3;
    color: %4;
    border-color: %3;
    font-weight: bold;
}
QPushButton#btnApply:hover, QPushButton#btnHardwareApply:hover { border-color: %11; }
QStatusBar { background: %10; border-top: 1px solid %1; color: %11; }
QMenuBar { background: %9; color: %11; border-bottom: 1px solid %1; }
QMenuBar::item { padding: 3px 9px; background: transparent; }
QMenuBar::item:selected { background: %3; color: %4; border-radius: 3px; }
QMenu { background: %9; color: %11; border: 1px solid %1; padding: 3px 0px; }
QMenu::item { padding: 4px 28px 4px 26px; }
QMenu::item:selected { background: %3; color: %4; }
QMenu::separator { height: 1px; background: %1; margin: 4px 8px; }
QMenu::indicator { width: 13px; height: 13px; left: 7px; }
QPlainTextEdit#sysLog { background: %14; }
QToolTip, QLabel#positionTip { background: %15; color: %16; border: 1px solid %1; padding: 1px 3px; }
)");
    return sheet
        .arg(c.frame.name(), c.groupTitle.name(), c.accent.name(), c.accentText.name(),
             c.groove.name(), c.handle.name(), c.tab.name(), c.window.name(), c.menu.name())
        .arg(c.status.name(), c.text.name(), c.button.name(), c.disabled.name(), c.base.name(),
             c.tip.name(), c.tipText.name());
}

QFont windowFont() {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(13);
    return font;
}

void restyle(const QPalette& palette, const QString& sheet) {
    // Once a style sheet is set, QApplication::style() is the style-sheet wrapper and does not tell
    // the style underneath; the Fusion style we set is remembered instead. The application owns
    // and deletes it should another style ever replace it.
    static QPointer<QStyle> fusion;
    if (fusion.isNull()) {
        fusion = QStyleFactory::create(QStringLiteral("Fusion"));
        QApplication::setStyle(fusion);
    }
    QApplication::setFont(windowFont());
    QApplication::setPalette(palette);
    QToolTip::setPalette(palette);
    qApp->setStyleSheet(sheet);
}

void applyColours(const Colours& colours) {
    restyle(paletteFrom(colours), sheetFrom(colours));
}

}  // namespace

SkinManager::SkinManager() = default;
SkinManager::~SkinManager() = default;

QStringList SkinManager::skinNames() {
    return {kDark, kLight};
}

QString SkinManager::styleSheetFor(const QString& name) {
    return sheetFrom(coloursFor(name));
}

void SkinManager::setSkin(const QString& name) {
    if (!skinNames().contains(name))
        throw KarvoError(QStringLiteral("Skin \"%1\" is not available").arg(name));
    applyColours(coloursFor(name));
    skin_ = name;
}

void SkinManager::applyStartupLook() {
    applyColours(neutralColours());
    skin_.clear();
}

QImage loadThemePicture(const QString& relativePath) {
    const QString path = QFileInfo(relativePath).absoluteFilePath();
    const QString prefix = QStringLiteral("Cannot open file \"%1\". ").arg(path);
    QFile file(path);
    if (!file.exists())
        throw KarvoError(prefix + QStringLiteral("No such file or directory"));
    if (!file.open(QIODevice::ReadOnly))
        throw KarvoError(prefix + file.errorString());
    QImageReader reader(&file);
    const QImage picture = reader.read();
    if (picture.isNull())
        throw KarvoError(prefix + reader.errorString());
    return picture;
}

}  // namespace karvo
