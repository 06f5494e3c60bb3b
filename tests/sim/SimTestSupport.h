#pragma once

// Small helpers shared by the tests of the simulated wheel base.

#include <QByteArray>
#include <QString>
#include <optional>

#include "CommandPacket.h"
#include "WheelBaseFirmware.h"

namespace karvo::simtest {

inline ByteView bytesOf(const QByteArray& bytes) {
    return ByteView(reinterpret_cast<const quint8*>(bytes.constData()),
                    static_cast<size_t>(bytes.size()));
}

inline QByteArray toQByteArray(const std::vector<quint8>& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}

template <size_t N>
QByteArray toQByteArray(const std::array<quint8, N>& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(N));
}

// The whole output report the tool writes for a packet.
inline QByteArray reportFor(const TCommandPacket& packet) {
    return toQByteArray(transmitBuffer(packet, WheelBaseFirmware::kOutputReportLength));
}

inline void send(WheelBaseFirmware& firmware, const TCommandPacket& packet) {
    const QByteArray report = reportFor(packet);
    firmware.receiveOutputReport(bytesOf(report));
}

inline void send(WheelBaseFirmware& firmware, const QByteArray& report) {
    firmware.receiveOutputReport(bytesOf(report));
}

// "14 09 0b" -> bytes.
inline QByteArray fromHex(const char* text) {
    return QByteArray::fromHex(QByteArray(text));
}

// An answer is queued by the time receiveOutputReport returns, so no waiting is needed.
inline std::optional<QByteArray> takeQueued(WheelBaseFirmware& firmware) {
    return firmware.takeInputReport(0);
}

}  // namespace karvo::simtest
