#include "TrackSlider.h"

#include <QLabel>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QToolTip>

namespace karvo {

TrackSlider::TrackSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
    setTickPosition(QSlider::NoTicks);
    // Arrow keys and clicks beside the thumb move by one; the page step only matters for
    // PageUp/PageDown.
    setSingleStep(1);

    // The tip is a tool-tip window of its own, so it can sit above the thumb instead of below the
    // mouse pointer where QToolTip would put it.
    tip_ = new QLabel(this, Qt::ToolTip | Qt::FramelessWindowHint);
    tip_->setObjectName(QStringLiteral("positionTip"));
    tip_->setForegroundRole(QPalette::ToolTipText);
    tip_->setBackgroundRole(QPalette::ToolTipBase);
    tip_->setPalette(QToolTip::palette());
    tip_->setAutoFillBackground(true);
    tip_->setFrameShape(QFrame::Box);
    tip_->setMargin(2);
    tip_->setAlignment(Qt::AlignCenter);
    tip_->hide();

    connect(this, &QSlider::sliderPressed, this, [this] { showPositionTip(sliderPosition()); });
    connect(this, &QSlider::sliderMoved, this, &TrackSlider::showPositionTip);
    connect(this, &QSlider::sliderReleased, this, &TrackSlider::hidePositionTip);
}

TrackSlider::TrackSlider(int minimum, int maximum, int value, QWidget* parent)
    : TrackSlider(parent) {
    setRange(minimum, maximum);
    setValue(value);
}

TrackSlider::~TrackSlider() = default;

void TrackSlider::setFilled(bool filled) {
    if (filled_ == filled)
        return;
    filled_ = filled;
    // Property selectors of a style sheet are evaluated at polish time only.
    style()->unpolish(this);
    style()->polish(this);
    update();
}

QRect TrackSlider::handleRect() const {
    QStyleOptionSlider option;
    initStyleOption(&option);
    return style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
}

int TrackSlider::valueAtX(int x) const {
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect groove =
        style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
    const QRect handle =
        style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    // The thumb's centre follows the click: the usable span is the groove less one thumb width.
    const int span = groove.width() - handle.width();
    const int offset = x - groove.x() - handle.width() / 2;
    return QStyle::sliderValueFromPosition(minimum(), maximum(), qBound(0, offset, span), span,
                                           option.upsideDown);
}

void TrackSlider::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && !handleRect().contains(event->position().toPoint())) {
        // Jump first; the base class then finds the thumb under the mouse and starts a drag.
        const int target = valueAtX(event->position().toPoint().x());
        setSliderPosition(target);
    }
    QSlider::mousePressEvent(event);
}

void TrackSlider::showPositionTip(int value) {
    tip_->setText(QString::number(value));
    tip_->adjustSize();
    QStyleOptionSlider option;
    initStyleOption(&option);
    option.sliderPosition = value;
    const QRect handle =
        style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    const QPoint anchor = mapToGlobal(QPoint(handle.center().x(), handle.top()));
    tip_->move(anchor.x() - tip_->width() / 2, anchor.y() - tip_->height() - 4);
    tip_->show();
    tip_->raise();
}

void TrackSlider::hidePositionTip() {
    tip_->hide();
}

}  // namespace karvo
