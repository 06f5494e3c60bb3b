#include "FixedWidthSlot.h"

#include <QEvent>
#include <QResizeEvent>

namespace karvo {

namespace {
constexpr int kMinimumVisibleWidth = 40;
}

FixedWidthSlot::FixedWidthSlot(QWidget* content, QWidget* parent)
    : QWidget(parent), content_(content)
{
    content_->setParent(this);
    content_->move(0, 0);
    knownWidth_ = content_->width();
    content_->installEventFilter(this);
    setSizePolicy(QSizePolicy::Preferred, content_->sizePolicy().verticalPolicy());
}

FixedWidthSlot::~FixedWidthSlot() = default;

QSize FixedWidthSlot::sizeHint() const
{
    const QSize wanted = content_->sizeHint();
    const int width = content_->minimumWidth() > 0 ? content_->minimumWidth() : wanted.width();
    return {width, wanted.height()};
}

QSize FixedWidthSlot::minimumSizeHint() const
{
    return {qMin(kMinimumVisibleWidth, sizeHint().width()), content_->minimumSizeHint().height()};
}

void FixedWidthSlot::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const int width = content_->minimumWidth() > 0 ? content_->width() : event->size().width();
    content_->setGeometry(0, 0, width, event->size().height());
}

bool FixedWidthSlot::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == content_ && event->type() == QEvent::Resize &&
        content_->width() != knownWidth_) {
        knownWidth_ = content_->width();
        updateGeometry();
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace karvo
