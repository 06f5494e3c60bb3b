#pragma once

#include <QSlider>

class QLabel;

namespace karvo {

// A horizontal track bar without tick marks. A click on the track moves the thumb straight to the
// click (and the press goes on as a drag); while the thumb is dragged its position is shown in a
// small tip just above the thumb. Optionally the part of the track left of the thumb is drawn
// filled (the style sheets select it through the "filled" property).
class TrackSlider : public QSlider {
    Q_OBJECT
    Q_PROPERTY(bool filled READ isFilled WRITE setFilled)

public:
    explicit TrackSlider(QWidget* parent = nullptr);
    TrackSlider(int minimum, int maximum, int value, QWidget* parent = nullptr);
    ~TrackSlider() override;

    bool isFilled() const { return filled_; }
    void setFilled(bool filled);

    // The value that a click at x (widget coordinates) moves the thumb to.
    int valueAtX(int x) const;

    // The tip shown while dragging; visible only during a drag.
    QLabel* positionTip() const { return tip_; }

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    void showPositionTip(int value);
    void hidePositionTip();
    QRect handleRect() const;

    bool filled_ = false;
    QLabel* tip_ = nullptr;
};

}  // namespace karvo
