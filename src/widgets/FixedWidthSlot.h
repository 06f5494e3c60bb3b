#pragma once

#include <QWidget>

namespace karvo {

// Holds one widget whose width is fixed from outside (for example 150 px for a value label) and
// shows as much of it as the layout leaves room for. The held widget keeps its width even where
// the slot is narrower, so a fixed width never forces the window to grow: the slot cuts it off
// at its right edge. The held widget's height follows the slot's.
class FixedWidthSlot : public QWidget {
    Q_OBJECT

public:
    explicit FixedWidthSlot(QWidget* content, QWidget* parent = nullptr);
    ~FixedWidthSlot() override;

    QWidget* content() const { return content_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* content_;
    int knownWidth_ = -1;
};

}  // namespace karvo
