#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class QWidget;

namespace karvo {

// Keeps a window from repainting more often than once per interval. Qt repaints a window once
// for every pass of the event loop in which one of its widgets changed, so a stream of input
// reports, each of which changes a few labels, would repaint the window for every report. The
// first repaint after a quiet spell goes ahead at once; one asked for sooner waits for the rest
// of the interval, and all changes made meanwhile are painted together. Widgets take their new
// state at once (a label's text() is new at once); only the screen follows, at most one
// interval later.
class RepaintLimiter : public QObject {
    Q_OBJECT

public:
    static constexpr int kDefaultIntervalMs = 16;  // about one frame of a 60 Hz screen

    explicit RepaintLimiter(QWidget* window, int intervalMs = kDefaultIntervalMs);
    ~RepaintLimiter() override;

    int intervalMs() const { return intervalMs_; }
    // How many repaints were put off so far.
    int deferredRepaints() const { return deferred_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void repaintNow();

    QWidget* window_;
    int intervalMs_;
    QElapsedTimer sinceRepaint_;
    QTimer pending_;
    int deferred_ = 0;
    bool releasing_ = false;
};

}  // namespace karvo
