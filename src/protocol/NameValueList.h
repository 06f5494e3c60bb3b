#pragma once

#include <QString>
#include <QStringList>

namespace karvo {

// A list of name=value texts. A name that was never set reads as the empty text; values are
// compared as exact texts by the callers. Entries are never removed.
class NameValueList {
public:
    QString value(const QString& name) const;
    void setValue(const QString& name, const QString& value);
    int count() const { return names_.size(); }
    // The entries as "name=value" lines, in the order in which they were first set.
    QStringList lines() const;

private:
    QStringList names_;
    QStringList values_;
};

}  // namespace karvo
