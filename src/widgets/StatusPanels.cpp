#include "StatusPanels.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOption>

namespace karvo {

namespace {
constexpr int kTextPadding = 4;
}

StatusPanels::StatusPanels(QWidget* parent)
    : QStatusBar(parent),
      texts_{QString(), QStringLiteral("Sel"),
             QString(), QStringLiteral("State"),
             QString(), QString(),
             QString()},
      widths_{550, 50, 100, 50, 100, 100, 50} {
    setObjectName(QStringLiteral("StatusBar"));
    setFixedHeight(kHeight);
    setSizeGripEnabled(true);
}

StatusPanels::~StatusPanels() = default;

QString StatusPanels::panelText(int index) const {
    return validIndex(index) ? texts_.at(index) : QString();
}

void StatusPanels::setPanelText(int index, const QString& text) {
    if (!validIndex(index) || texts_.at(index) == text)
        return;
    texts_[index] = text;
    update(panelRect(index));
}

int StatusPanels::panelWidth(int index) const {
    return validIndex(index) ? widths_.at(index) : 0;
}

void StatusPanels::setPanelWidth(int index, int width) {
    if (!validIndex(index))
        return;
    width = qMax(0, width);
    if (widths_.at(index) == width)
        return;
    widths_[index] = width;
    update();
}

QRect StatusPanels::panelRect(int index) const {
    if (!validIndex(index))
        return {};
    int x = 0;
    for (int i = 0; i < index; ++i)
        x += widths_.at(i);
    return {x, 0, widths_.at(index), height()};
}

QSize StatusPanels::sizeHint() const {
    int total = 0;
    for (const int width : widths_)
        total += width;
    return {total, kHeight};
}

QSize StatusPanels::minimumSizeHint() const {
    return {0, kHeight};
}

void StatusPanels::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    QStyleOption option;
    option.initFrom(this);
    style()->drawPrimitive(QStyle::PE_PanelStatusBar, &option, &painter, this);

    painter.setPen(palette().color(QPalette::WindowText));
    for (int i = 0; i < kPanelCount; ++i) {
        const QRect box = panelRect(i).adjusted(0, 1, -2, -1);
        if (box.left() >= width())
            break;
        // A thin divider at the right of each panel.
        painter.save();
        painter.setPen(palette().color(QPalette::Mid));
        painter.drawLine(box.right() + 1, box.top() + 1, box.right() + 1, box.bottom() - 1);
        painter.restore();
        const QRect textBox = box.adjusted(kTextPadding, 0, -kTextPadding, 0);
        const QString shown =
            painter.fontMetrics().elidedText(texts_.at(i), Qt::ElideRight, textBox.width());
        painter.drawText(textBox, Qt::AlignLeft | Qt::AlignVCenter, shown);
    }
}

}  // namespace karvo
