#include "FirmwareStateFile.h"

#include <QFile>
#include <QMap>
#include <QSaveFile>
#include <QStringList>
#include <functional>
#include <vector>

namespace karvo {

namespace {

constexpr qint64 kMaxFileSize = 64 * 1024;  // a real state file is about 1.5 KB
const QByteArray kFormatKey = QByteArrayLiteral("format");

// One stored record: its name in the file, its size, and how it moves in and out of an image.
struct StoredRecord {
    QByteArray name;
    int size;
    std::function<QByteArray(const FlashImage&)> get;
    std::function<void(FlashImage&, ByteView)> set;
};

template <size_t N>
QByteArray toBytes(const std::array<quint8, N>& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(N));
}

std::vector<StoredRecord> storedRecords() {
    std::vector<StoredRecord> records;
    for (int i = 0; i < FlashImage::kProfileCount; ++i) {
        const auto idx = static_cast<size_t>(i);
        const QByteArray prefix =
            "profile" + QByteArray::number(FlashImage::kFirstProfileSlot + i) + ".";
        records.push_back(
            {prefix + "wheelBase", TWheelBaseConfig::kSize,
             [idx](const FlashImage& f) { return toBytes(encode(f.profiles[idx].wheelBase)); },
             [idx](FlashImage& f, ByteView b) {
                 f.profiles[idx].wheelBase = decodeWheelBaseConfig(b);
             }});
        records.push_back(
            {prefix + "userEffect", TUserEffectConfig::kSize,
             [idx](const FlashImage& f) { return toBytes(encode(f.profiles[idx].userEffect)); },
             [idx](FlashImage& f, ByteView b) {
                 f.profiles[idx].userEffect = decodeUserEffectConfig(b);
             }});
        records.push_back(
            {prefix + "telemetry", SimTelemetryConfig::kSize,
             [idx](const FlashImage& f) { return toBytes(encode(f.profiles[idx].telemetry)); },
             [idx](FlashImage& f, ByteView b) {
                 f.profiles[idx].telemetry = decodeSimTelemetryConfig(b);
             }});
    }
    records.push_back(
        {"hardware.joystick", TJoystickConfig::kSize,
         [](const FlashImage& f) { return toBytes(encode(f.hardware.joystick)); },
         [](FlashImage& f, ByteView b) { f.hardware.joystick = decodeJoystickConfig(b); }});
    records.push_back({"hardware.motor", TMotorConfig::kSize,
                       [](const FlashImage& f) { return toBytes(encode(f.hardware.motor)); },
                       [](FlashImage& f, ByteView b) { f.hardware.motor = decodeMotorConfig(b); }});
    return records;
}

bool isHexText(const QByteArray& text) {
    for (const char c : text) {
        const bool digit =
            (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        if (!digit)
            return false;
    }
    return text.size() % 2 == 0;
}

void setError(QString* error, const QString& text) {
    if (error)
        *error = text;
}

}  // namespace

std::optional<FlashImage> FirmwareStateFile::read(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        setError(error, QStringLiteral("cannot open %1: %2").arg(path, file.errorString()));
        return std::nullopt;
    }
    if (file.size() > kMaxFileSize) {
        setError(error, QStringLiteral("%1 is too large to be a state file").arg(path));
        return std::nullopt;
    }
    const QByteArray content = file.readAll();

    QMap<QByteArray, QByteArray> values;
    int lineNumber = 0;
    for (const QByteArray& rawLine : content.split('\n')) {
        ++lineNumber;
        const QByteArray line = rawLine.trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const qsizetype eq = line.indexOf('=');
        if (eq <= 0) {
            setError(error,
                     QStringLiteral("%1 line %2: expected name=value").arg(path).arg(lineNumber));
            return std::nullopt;
        }
        const QByteArray name = line.left(eq).trimmed();
        if (values.contains(name)) {
            setError(error, QStringLiteral("%1 line %2: %3 appears twice")
                                .arg(path)
                                .arg(lineNumber)
                                .arg(QString::fromLatin1(name)));
            return std::nullopt;
        }
        values.insert(name, line.mid(eq + 1).trimmed());
    }

    if (values.value(kFormatKey) != QByteArray::number(kFormatVersion)) {
        setError(error,
                 QStringLiteral("%1: not a state file of format %2").arg(path).arg(kFormatVersion));
        return std::nullopt;
    }
    values.remove(kFormatKey);

    FlashImage image = defaultFlashImage();
    for (const StoredRecord& record : storedRecords()) {
        const auto found = values.constFind(record.name);
        if (found == values.constEnd()) {
            setError(
                error,
                QStringLiteral("%1: %2 is missing").arg(path, QString::fromLatin1(record.name)));
            return std::nullopt;
        }
        const QByteArray hex = found.value();
        if (!isHexText(hex) || hex.size() != 2 * record.size) {
            setError(error, QStringLiteral("%1: %2 must be %3 bytes in hexadecimal")
                                .arg(path, QString::fromLatin1(record.name))
                                .arg(record.size));
            return std::nullopt;
        }
        const QByteArray bytes = QByteArray::fromHex(hex);
        record.set(image, ByteView(reinterpret_cast<const quint8*>(bytes.constData()),
                                   static_cast<size_t>(bytes.size())));
        values.remove(record.name);
    }
    if (!values.isEmpty()) {
        setError(error, QStringLiteral("%1: unknown entry %2")
                            .arg(path, QString::fromLatin1(values.firstKey())));
        return std::nullopt;
    }
    return image;
}

bool FirmwareStateFile::write(const QString& path, const FlashImage& image, QString* error) {
    QByteArray content = "# Flash of the simulated Karvo wheel base\n";
    content += kFormatKey + "=" + QByteArray::number(kFormatVersion) + "\n";
    for (const StoredRecord& record : storedRecords())
        content += record.name + "=" + record.get(image).toHex() + "\n";

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() ||
        !file.commit()) {
        setError(error, QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
        return false;
    }
    return true;
}

}  // namespace karvo
