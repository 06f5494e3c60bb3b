#pragma once

#include <QColor>
#include <QFont>
#include <QHash>
#include <QImage>
#include <QPixmap>
#include <QStringList>
#include <QTimer>
#include <QWidget>

namespace karvo {

// A panel that scrolls a few lines of text upward, one pixel every 60 ms, over a dark grey
// background with a picture behind the text. When the text has scrolled out completely it starts
// again with the first line at the top, waits there 2 seconds and goes on, without end.
//
// A line may start with a style tag, "[title]" or "[subtitle]", naming the panel's font style for
// that line; a line without a tag uses the panel's plain font (Arial, 13 px).
class ScrollingTextPanel : public QWidget {
    Q_OBJECT

public:
    static constexpr int kStepIntervalMs = 60;
    static constexpr int kPauseMs = 2000;

    struct FontStyle {
        QFont font;
        QColor color;
        QColor shadow;  // invalid: no shadow
    };

    explicit ScrollingTextPanel(QWidget* parent = nullptr);
    ~ScrollingTextPanel() override;

    void setLines(const QStringList& lines);
    QStringList lines() const { return lines_; }

    FontStyle fontStyle(const QString& tag) const;

    void setBackgroundPicture(const QImage& picture);
    QImage backgroundPicture() const { return picture_; }

    void start();
    void stop();
    bool isRunning() const { return timer_.isActive(); }

    // How far the text has moved up, in pixels; 0 is the first line at the top.
    int scrollOffset() const { return offset_; }
    bool isPaused() const { return paused_; }
    // The height of all lines together: the distance the text scrolls before it starts again.
    int contentHeight() const;
    // The interval until the next step: 60 ms while scrolling, 2 s in the pause.
    int currentIntervalMs() const { return timer_.interval(); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

public slots:
    // One timer tick: moves the text up one pixel, or ends the pause at the top.
    void step();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Line {
        QString text;
        QString tag;
    };
    Line splitTag(const QString& line) const;
    const FontStyle& styleOf(const Line& line) const;
    void rescalePicture();

    QStringList lines_;
    QList<Line> parsed_;
    QHash<QString, FontStyle> styles_;
    FontStyle plain_;
    QImage picture_;
    QPixmap scaledPicture_;
    QTimer timer_;
    int offset_ = 0;
    bool paused_ = false;
};

}  // namespace karvo
