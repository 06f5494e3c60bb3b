#pragma once

#include <QStatusBar>
#include <QStringList>
#include <QVector>

namespace karvo {

// The window's status bar: seven panels of fixed width side by side, each showing one text.
// Panels are drawn rather than laid out, so their widths never force the window wider: a panel
// that reaches past the right edge is simply cut off there.
//
//   0: status message, 550 px at design (the window sets its width as it resizes)
//   1: "Sel" (50)   2: steering angle (100)   3: "State" (50)   4: link state (100)
//   5: firmware version (100)   6: unused (50)
class StatusPanels : public QStatusBar {
    Q_OBJECT

public:
    static constexpr int kPanelCount = 7;
    static constexpr int kHeight = 19;

    explicit StatusPanels(QWidget* parent = nullptr);
    ~StatusPanels() override;

    int panelCount() const { return kPanelCount; }

    QString panelText(int index) const;
    void setPanelText(int index, const QString& text);

    int panelWidth(int index) const;
    void setPanelWidth(int index, int width);

    // The area of a panel in widget coordinates (before cutting at the right edge).
    QRect panelRect(int index) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    static bool validIndex(int index) { return index >= 0 && index < kPanelCount; }

    QStringList texts_;
    QVector<int> widths_;
};

}  // namespace karvo
