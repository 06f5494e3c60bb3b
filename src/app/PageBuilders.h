#pragma once

#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QString>
#include <QStringList>

namespace karvo {

// Small helpers the pages build their controls with. Every control gets its object name, the
// name the program and its tests find it by.

template <typename T>
T* named(T* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

inline QGroupBox* group(const QString& title, const char* name, QWidget* parent) {
    return named(new QGroupBox(title, parent), name);
}

inline QPushButton* button(const QString& caption, const char* name, QWidget* parent) {
    auto* result = named(new QPushButton(caption, parent), name);
    result->setAutoDefault(false);
    return result;
}

// A drop-down list that cannot be typed into. It may get narrower than its longest entry in a
// small window; the page's columns give it the room for its entries at the design size.
inline QComboBox* dropDown(const QStringList& items, int index, const char* name,
                           QWidget* parent) {
    auto* list = named(new QComboBox(parent), name);
    list->setEditable(false);
    list->addItems(items);
    list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    list->setMinimumContentsLength(3);
    list->setCurrentIndex(index);
    return list;
}

}  // namespace karvo
