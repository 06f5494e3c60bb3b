#pragma once

#include <QGroupBox>

namespace karvo {

// A group box with a check box in its caption whose state is a plain Boolean: unlike a checkable
// QGroupBox, checking or unchecking it leaves the controls inside enabled. The group box itself is
// not "checkable" in Qt's sense; it draws the caption's check box and handles it on its own.
// clicked(bool) (QGroupBox's signal) is emitted for the user's clicks and key presses only;
// setChecked() from code emits nothing.
class CheckGroupBox : public QGroupBox {
    Q_OBJECT

public:
    explicit CheckGroupBox(const QString& title, QWidget* parent = nullptr);
    ~CheckGroupBox() override;

    bool isChecked() const { return checked_; }
    void setChecked(bool checked);

    // The caption's check box area in widget coordinates.
    QRect checkBoxRect() const;

    QSize minimumSizeHint() const override;

protected:
    void initStyleOption(QStyleOptionGroupBox* option) const override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;

private:
    bool hitsCaption(const QPoint& pos) const;
    void userToggle();
    void setHovered(bool hovered);

    bool checked_ = false;
    bool pressed_ = false;
    bool hovered_ = false;
};

}  // namespace karvo
