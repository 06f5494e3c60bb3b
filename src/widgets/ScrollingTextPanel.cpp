#include "ScrollingTextPanel.h"

#include <QPaintEvent>
#include <QPainter>

namespace karvo {

namespace {

const QColor kBackground(0x3c, 0x3c, 0x3c);
constexpr int kTopMargin = 6;

QFont arial(int pixelSize, bool bold) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

}  // namespace

ScrollingTextPanel::ScrollingTextPanel(QWidget* parent) : QWidget(parent) {
    plain_ = {arial(13, false), QColor(0xee, 0xee, 0xee), QColor()};
    // Black title text needs a light shadow to stand out from the dark background.
    styles_.insert(QStringLiteral("title"),
                   {arial(16, true), QColor(Qt::black), QColor(255, 255, 255, 170)});
    styles_.insert(QStringLiteral("subtitle"),
                   {arial(15, true), QColor(0x3a, 0x8d, 0xff), QColor(0, 0, 0, 200)});
    setAttribute(Qt::WA_OpaquePaintEvent);
    timer_.setInterval(kStepIntervalMs);
    connect(&timer_, &QTimer::timeout, this, &ScrollingTextPanel::step);
}

ScrollingTextPanel::~ScrollingTextPanel() = default;

ScrollingTextPanel::Line ScrollingTextPanel::splitTag(const QString& line) const {
    if (line.startsWith(QLatin1Char('['))) {
        const qsizetype close = line.indexOf(QLatin1Char(']'));
        if (close > 0) {
            const QString tag = line.mid(1, close - 1);
            if (styles_.contains(tag))
                return {line.mid(close + 1), tag};
        }
    }
    return {line, QString()};
}

const ScrollingTextPanel::FontStyle& ScrollingTextPanel::styleOf(const Line& line) const {
    const auto found = styles_.constFind(line.tag);
    return found == styles_.constEnd() ? plain_ : found.value();
}

void ScrollingTextPanel::setLines(const QStringList& lines) {
    lines_ = lines;
    parsed_.clear();
    for (const QString& line : lines)
        parsed_.append(splitTag(line));
    offset_ = 0;
    update();
}

ScrollingTextPanel::FontStyle ScrollingTextPanel::fontStyle(const QString& tag) const {
    return styles_.value(tag, plain_);
}

void ScrollingTextPanel::setBackgroundPicture(const QImage& picture) {
    picture_ = picture;
    rescalePicture();
    update();
}

void ScrollingTextPanel::start() {
    timer_.start();
}

void ScrollingTextPanel::stop() {
    timer_.stop();
}

int ScrollingTextPanel::contentHeight() const {
    int height = kTopMargin;
    for (const Line& line : parsed_)
        height += QFontMetrics(styleOf(line).font).height();
    return height;
}

void ScrollingTextPanel::step() {
    if (paused_) {
        paused_ = false;
        timer_.setInterval(kStepIntervalMs);
    }
    ++offset_;
    if (offset_ > contentHeight()) {
        offset_ = 0;
        paused_ = true;
        timer_.setInterval(kPauseMs);
    }
    update();
}

void ScrollingTextPanel::rescalePicture() {
    if (picture_.isNull() || width() <= 0 || height() <= 0) {
        scaledPicture_ = QPixmap();
        return;
    }
    // Cover the whole panel, keeping the picture's proportions; the middle part stays visible.
    scaledPicture_ = QPixmap::fromImage(
        picture_.scaled(size(), Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation));
}

void ScrollingTextPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    rescalePicture();
}

void ScrollingTextPanel::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.setClipRect(event->rect());
    painter.fillRect(rect(), kBackground);
    if (!scaledPicture_.isNull()) {
        const QPoint corner((width() - scaledPicture_.width()) / 2,
                            (height() - scaledPicture_.height()) / 2);
        painter.drawPixmap(corner, scaledPicture_);
    }

    int y = kTopMargin - offset_;
    for (const Line& line : parsed_) {
        const FontStyle& style = styleOf(line);
        const int lineHeight = QFontMetrics(style.font).height();
        if (y + lineHeight > 0 && y < height() && !line.text.isEmpty()) {
            const QRect box(0, y, width(), lineHeight);
            painter.setFont(style.font);
            if (style.shadow.isValid()) {
                painter.setPen(style.shadow);
                painter.drawText(box.translated(1, 1), Qt::AlignHCenter | Qt::AlignVCenter,
                                 line.text);
            }
            painter.setPen(style.color);
            painter.drawText(box, Qt::AlignHCenter | Qt::AlignVCenter, line.text);
        }
        y += lineHeight;
    }
}

QSize ScrollingTextPanel::sizeHint() const {
    return {300, 56};
}

QSize ScrollingTextPanel::minimumSizeHint() const {
    return {80, 24};
}

}  // namespace karvo
