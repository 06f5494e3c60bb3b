#include "FixedWidthSlot.h"

#include <QEvent>
#include <QResizeEvent>

namespace karvo {

namespace {
constexpr int kMinimumVisibleWidth = 36;
}

FixedWidthSlot::FixedWidthSlot(QWidget* content, QWidget* parent)
    : QWidget(parent), content_(content), preferredWidth_(content->sizeHint().width()) {
    content_->setParent(this);
    content_->move(0, 0);
    content_->installEventFilter(this);
    setSizePolicy(QSizePolicy::Preferred, content_->sizePolicy().verticalPolicy());
}

FixedWidthSlot::~FixedWidthSlot() = default;

void FixedWidthSlot::setPreferredWidth(int width) {
    preferredWidth_ = qMax(0, width);
    updateGeometry();
}

QSize FixedWidthSlot::sizeHint() const {
    return {preferredWidth_, content_->sizeHint().height()};
}

QSize FixedWidthSlot::minimumSizeHint() const {
    return {qMin(kMinimumVisibleWidth, preferredWidth_), content_->minimumSizeHint().height()};
}

void FixedWidthSlot::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    fitContent();
}

bool FixedWidthSlot::eventFilter(QObject* watched, QEvent* event) {
    // A held widget without a fixed width fills the slot; one with a fixed width keeps it.
    if (watched == content_ && event->type() == QEvent::Resize)
        fitContent();
    return QWidget::eventFilter(watched, event);
}

void FixedWidthSlot::fitContent() {
    const bool fixedWidth =
        content_->minimumWidth() > 0 && content_->minimumWidth() == content_->maximumWidth();
    const int width = fixedWidth ? content_->minimumWidth() : this->width();
    if (content_->geometry() != QRect(0, 0, width, height()))
        content_->setGeometry(0, 0, width, height());
}

}  // namespace karvo
