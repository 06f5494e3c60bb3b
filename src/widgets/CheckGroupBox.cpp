#include "CheckGroupBox.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionGroupBox>

namespace karvo {

CheckGroupBox::CheckGroupBox(const QString& title, QWidget* parent) : QGroupBox(title, parent) {
    // Reachable with Tab like a check box; a click into the group does not take the focus.
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_Hover);
}

CheckGroupBox::~CheckGroupBox() = default;

void CheckGroupBox::setChecked(bool checked) {
    if (checked_ == checked)
        return;
    checked_ = checked;
    update();
}

void CheckGroupBox::initStyleOption(QStyleOptionGroupBox* option) const {
    QGroupBox::initStyleOption(option);
    // Draw (and lay out) the caption as a checkable group's would be.
    option->subControls |= QStyle::SC_GroupBoxCheckBox;
    option->state &=
        ~(QStyle::State_On | QStyle::State_Off | QStyle::State_Sunken | QStyle::State_MouseOver);
    option->state |= checked_ ? QStyle::State_On : QStyle::State_Off;
    if (pressed_)
        option->state |= QStyle::State_Sunken;
    if (hovered_)
        option->state |= QStyle::State_MouseOver;
    if (pressed_ || hovered_)
        option->activeSubControls = QStyle::SC_GroupBoxCheckBox;
}

QRect CheckGroupBox::checkBoxRect() const {
    QStyleOptionGroupBox option;
    initStyleOption(&option);
    return style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxCheckBox, this);
}

bool CheckGroupBox::hitsCaption(const QPoint& pos) const {
    QStyleOptionGroupBox option;
    initStyleOption(&option);
    const QRect box =
        style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxCheckBox, this);
    const QRect label =
        style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, this);
    return box.contains(pos) || label.contains(pos);
}

QSize CheckGroupBox::minimumSizeHint() const {
    QSize hint = QGroupBox::minimumSizeHint();
    // QGroupBox only counts the check box for groups that are checkable in its own sense.
    const int indicator = style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, this) +
                          style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, this);
    hint.rwidth() += indicator;
    return hint;
}

void CheckGroupBox::userToggle() {
    checked_ = !checked_;
    update();
    emit clicked(checked_);
}

void CheckGroupBox::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && isEnabled() &&
        hitsCaption(event->position().toPoint())) {
        pressed_ = true;
        update();
        event->accept();
        return;
    }
    QGroupBox::mousePressEvent(event);
}

void CheckGroupBox::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && pressed_) {
        pressed_ = false;
        if (hitsCaption(event->position().toPoint()))
            userToggle();
        else
            update();
        event->accept();
        return;
    }
    QGroupBox::mouseReleaseEvent(event);
}

void CheckGroupBox::setHovered(bool hovered) {
    if (hovered == hovered_)
        return;
    hovered_ = hovered;
    update();
}

bool CheckGroupBox::event(QEvent* event) {
    // The caption's check box lights up under the mouse, as a check box does.
    if (event->type() == QEvent::HoverEnter || event->type() == QEvent::HoverMove)
        setHovered(hitsCaption(static_cast<QHoverEvent*>(event)->position().toPoint()));
    else if (event->type() == QEvent::HoverLeave)
        setHovered(false);
    // QGroupBox handles Space in event() itself, before keyPressEvent, and would emit clicked()
    // without changing anything for a group that is not checkable in its sense.
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
        auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Space || key->key() == Qt::Key_Select) && isEnabled()) {
            if (!key->isAutoRepeat()) {
                if (event->type() == QEvent::KeyPress) {
                    pressed_ = true;
                    update();
                } else if (pressed_) {
                    pressed_ = false;
                    userToggle();
                }
            }
            event->accept();
            return true;
        }
    }
    return QGroupBox::event(event);
}

}  // namespace karvo
