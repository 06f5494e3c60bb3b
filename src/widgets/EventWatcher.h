#pragma once

#include <QEvent>
#include <QList>
#include <QObject>
#include <functional>

namespace karvo {

// Calls a function after the watched object has handled any of the given event types. Used for
// steps that must follow the toolkit's own handling, such as the fixed widths that are set again
// after every resize and every change of screen or pixel density.
class EventWatcher : public QObject {
    Q_OBJECT

public:
    EventWatcher(QObject* watched, QList<QEvent::Type> types, std::function<void()> callback);
    ~EventWatcher() override;

    // How often the function has run.
    int runs() const { return runs_; }

public slots:
    // Runs the function once control is back in the event loop; several requests in a row run it
    // once.
    void trigger();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QList<QEvent::Type> types_;
    std::function<void()> callback_;
    bool queued_ = false;
    int runs_ = 0;
};

}  // namespace karvo
