#include "NameValueList.h"

namespace karvo {

QString NameValueList::value(const QString& name) const {
    const qsizetype at = names_.indexOf(name);
    return at < 0 ? QString() : values_.at(at);
}

void NameValueList::setValue(const QString& name, const QString& value) {
    const qsizetype at = names_.indexOf(name);
    if (at < 0) {
        names_.append(name);
        values_.append(value);
    } else {
        values_[at] = value;
    }
}

QStringList NameValueList::lines() const {
    QStringList result;
    for (qsizetype i = 0; i < names_.size(); ++i) result.append(names_.at(i) + '=' + values_.at(i));
    return result;
}

}  // namespace karvo
