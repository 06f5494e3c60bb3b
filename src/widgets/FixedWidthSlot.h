#pragma once

#include <QWidget>

namespace karvo {

// Holds one widget whose width is fixed from outside (for example 150 px for a value label) and
// shows as much of it as the layout leaves room for. The held widget keeps its width even where
// the slot is narrower, so a fixed width never forces the window to grow: the slot cuts it off
// at its right edge. The held widget's height follows the slot's.
//
// For the layout the slot asks for its preferred width (by default the held widget's natural
// width when the slot is made) and can shrink to a few pixels less than that.
class FixedWidthSlot : public QWidget {
    Q_OBJECT

public:
    explicit FixedWidthSlot(QWidget* content, QWidget* parent = nullptr);
    ~FixedWidthSlot() override;

    // The width the slot asks the layout for: enough to show what the held widget usually shows.
    int preferredWidth() const { return preferredWidth_; }
    void setPreferredWidth(int width);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fitContent();

    QWidget* content_;
    int preferredWidth_ = 0;
};

}  // namespace karvo
