#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>
#include <span>

namespace karvo {

// Report lengths of a HID device, as the operating system's HID capabilities give them: the
// longest report of each kind in bytes, the report-ID byte included when the device numbers its
// reports.
struct ReportLengths {
    int input = 0;
    int output = 0;
    int feature = 0;
    bool usesReportIds = false;
    // The report IDs that carry at least one main item of each kind, ascending.
    QList<quint8> inputIds;
    QList<quint8> outputIds;
    QList<quint8> featureIds;
    // Empty when the whole descriptor parsed; otherwise why parsing stopped early (the lengths
    // then come from the items before that point).
    QString error;
};

// Walks a HID report descriptor and totals the bits of the Input, Output and Feature items of
// every report. Never reads past the end of the descriptor and never fails: a malformed
// descriptor gives the lengths of what could be parsed and a text in ReportLengths::error.
ReportLengths parseReportDescriptor(std::span<const quint8> descriptor);

}  // namespace karvo
