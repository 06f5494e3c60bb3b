#include "DecimalSpinEdit.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpression>
#include <QStyleOptionSpinBox>

namespace karvo {

DecimalSpinEdit::DecimalSpinEdit(QWidget* parent) : QAbstractSpinBox(parent) {
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setAccelerated(true);
    connect(lineEdit(), &QLineEdit::textEdited, this, &DecimalSpinEdit::onTextEdited);
    connect(this, &QAbstractSpinBox::editingFinished, this, &DecimalSpinEdit::onEditingFinished);
    showValue();
}

DecimalSpinEdit::DecimalSpinEdit(int decimals, double step, double value, QWidget* parent)
    : DecimalSpinEdit(parent) {
    decimals_ = qMax(0, decimals);
    step_ = step;
    value_ = value;
    showValue();
}

DecimalSpinEdit::~DecimalSpinEdit() = default;

void DecimalSpinEdit::setValue(double value) {
    const bool changed = value != value_;
    value_ = value;
    showValue();
    if (changed)
        emit valueChanged(value_);
}

void DecimalSpinEdit::setDecimals(int decimals) {
    decimals_ = qMax(0, decimals);
    showValue();
    updateGeometry();
}

QLocale DecimalSpinEdit::numberLocale() const {
    QLocale numbers = locale();
    numbers.setNumberOptions(QLocale::OmitGroupSeparator | QLocale::RejectGroupSeparator);
    return numbers;
}

QString DecimalSpinEdit::textFromValue(double value) const {
    return numberLocale().toString(value, 'f', decimals_);
}

bool DecimalSpinEdit::parse(const QString& text, double* value) const {
    bool ok = false;
    const double parsed = numberLocale().toDouble(text.trimmed(), &ok);
    if (ok)
        *value = parsed;
    return ok;
}

void DecimalSpinEdit::showValue() {
    lineEdit()->setText(textFromValue(value_));
}

void DecimalSpinEdit::onTextEdited(const QString& text) {
    double typed = 0;
    if (parse(text, &typed) && typed != value_) {
        value_ = typed;
        emit valueChanged(value_);
    }
}

void DecimalSpinEdit::onEditingFinished() {
    // The text goes back to the standard form; the value keeps what was typed in full.
    showValue();
}

void DecimalSpinEdit::stepBy(int steps) {
    setValue(value_ + steps * step_);
    lineEdit()->selectAll();
}

QAbstractSpinBox::StepEnabled DecimalSpinEdit::stepEnabled() const {
    if (isReadOnly())
        return StepNone;
    return StepUpEnabled | StepDownEnabled;
}

QValidator::State DecimalSpinEdit::validate(QString& input, int& pos) const {
    Q_UNUSED(pos);
    double parsed = 0;
    if (parse(input, &parsed))
        return QValidator::Acceptable;
    // A sign, digits and one decimal separator, possibly incomplete ("", "-", "12.").
    const QString separator = QRegularExpression::escape(numberLocale().decimalPoint());
    static const QString pattern = QStringLiteral("^\\s*[+-]?\\d*(%1\\d*)?\\s*$");
    const QRegularExpression partial(pattern.arg(separator));
    return partial.match(input).hasMatch() ? QValidator::Intermediate : QValidator::Invalid;
}

void DecimalSpinEdit::fixup(QString& input) const {
    double parsed = 0;
    if (!parse(input, &parsed))
        input = textFromValue(value_);
}

void DecimalSpinEdit::keyPressEvent(QKeyEvent* event) {
    if (digitsOnly_ && !event->text().isEmpty() && event->text().front().isPrint()) {
        for (const QChar c : event->text()) {
            if (!c.isDigit()) {
                event->accept();  // swallowed: nothing but digits may be typed
                return;
            }
        }
    }
    QAbstractSpinBox::keyPressEvent(event);
}

QSize DecimalSpinEdit::sizeHint() const {
    ensurePolished();
    const QFontMetrics metrics(fontMetrics());
    // Room for the widest everyday value of the editors: a six-digit negative number.
    const QString widest = textFromValue(-888888.0);
    const int textWidth =
        qMax(metrics.horizontalAdvance(widest), metrics.horizontalAdvance(lineEdit()->text()));
    QStyleOptionSpinBox option;
    initStyleOption(&option);
    const QSize contents(textWidth + 6, lineEdit()->sizeHint().height());
    return style()->sizeFromContents(QStyle::CT_SpinBox, &option, contents, this);
}

QSize DecimalSpinEdit::minimumSizeHint() const {
    ensurePolished();
    const QFontMetrics metrics(fontMetrics());
    QStyleOptionSpinBox option;
    initStyleOption(&option);
    const QSize contents(metrics.horizontalAdvance(QStringLiteral("8888")) + 6,
                         lineEdit()->minimumSizeHint().height());
    return style()->sizeFromContents(QStyle::CT_SpinBox, &option, contents, this);
}

}  // namespace karvo
