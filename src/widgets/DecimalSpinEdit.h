#pragma once

#include <QAbstractSpinBox>

namespace karvo {

// A right-aligned numeric edit with up/down buttons, a step and a number of decimal places, and no
// range limit. Unlike QDoubleSpinBox it keeps the full value that it was given: setValue(0.123)
// with two decimals shows "0.12" while value() still returns 0.123, until the user edits the text.
// A double holds every 32-bit integer exactly, so 4294967295 and -100000 survive a round trip.
class DecimalSpinEdit : public QAbstractSpinBox {
    Q_OBJECT
    Q_PROPERTY(double value READ value WRITE setValue NOTIFY valueChanged USER true)
    Q_PROPERTY(int decimals READ decimals WRITE setDecimals)
    Q_PROPERTY(double singleStep READ singleStep WRITE setSingleStep)
    Q_PROPERTY(bool digitsOnly READ digitsOnly WRITE setDigitsOnly)

public:
    explicit DecimalSpinEdit(QWidget* parent = nullptr);
    DecimalSpinEdit(int decimals, double step, double value, QWidget* parent = nullptr);
    ~DecimalSpinEdit() override;

    double value() const { return value_; }
    void setValue(double value);

    int decimals() const { return decimals_; }
    void setDecimals(int decimals);

    double singleStep() const { return step_; }
    void setSingleStep(double step) { step_ = step; }

    // When set, keys that would type anything but a digit are swallowed.
    bool digitsOnly() const { return digitsOnly_; }
    void setDigitsOnly(bool digitsOnly) { digitsOnly_ = digitsOnly; }

    // The text shown for a value: `decimals` places, the widget locale's decimal separator, no
    // group separators.
    QString textFromValue(double value) const;

    void stepBy(int steps) override;
    QValidator::State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void valueChanged(double value);

protected:
    StepEnabled stepEnabled() const override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QLocale numberLocale() const;
    bool parse(const QString& text, double* value) const;
    void onTextEdited(const QString& text);
    void onEditingFinished();
    void showValue();

    double value_ = 0;
    int decimals_ = 0;
    double step_ = 1;
    bool digitsOnly_ = false;
};

}  // namespace karvo
