#include "ReportDescriptor.h"

#include <array>
#include <vector>

namespace karvo {

namespace {

// Item prefix layout: bits 0-1 data size code, bits 2-3 type, bits 4-7 tag.
enum class ItemType : quint8 { Main = 0, Global = 1, Local = 2, Reserved = 3 };

constexpr quint8 kLongItemPrefix = 0xFE;

// Main item tags.
constexpr quint8 kMainInput = 0x8;
constexpr quint8 kMainOutput = 0x9;
constexpr quint8 kMainFeature = 0xB;

// Global item tags.
constexpr quint8 kGlobalReportSize = 0x7;
constexpr quint8 kGlobalReportId = 0x8;
constexpr quint8 kGlobalReportCount = 0x9;
constexpr quint8 kGlobalPush = 0xA;
constexpr quint8 kGlobalPop = 0xB;

// Limits far above any real device, as the kernel enforces them, so that a corrupt descriptor
// cannot claim reports of gigabytes.
constexpr quint32 kMaxReportSizeBits = 256;
constexpr quint32 kMaxReportCount = 12288;
constexpr qint64 kMaxReportBytes = 16384;
constexpr size_t kMaxPushDepth = 16;

enum Kind { Input = 0, Output = 1, Feature = 2, KindCount = 3 };

struct GlobalState {
    quint32 reportSize = 0;
    quint32 reportCount = 0;
    quint8 reportId = 0;
};

struct ReportTotals {
    std::array<qint64, 256> bits{};
    std::array<bool, 256> present{};
};

int dataSizeOf(quint8 prefix) {
    constexpr std::array<int, 4> kSizes{0, 1, 2, 4};
    return kSizes[prefix & 0x3];
}

quint32 unsignedValue(std::span<const quint8> data) {
    quint32 value = 0;
    for (size_t i = 0; i < data.size(); ++i)
        value |= static_cast<quint32>(data[i]) << (8 * i);
    return value;
}

QString at(size_t offset) {
    return QStringLiteral(" at byte %1").arg(offset);
}

class Parser {
public:
    explicit Parser(std::span<const quint8> descriptor) : descriptor_(descriptor) {}

    ReportLengths run() {
        ReportLengths result;
        size_t offset = 0;
        while (offset < descriptor_.size() && result.error.isEmpty()) {
            const quint8 prefix = descriptor_[offset];
            if (prefix == kLongItemPrefix) {
                offset = skipLongItem(offset, &result.error);
                continue;
            }
            const size_t dataSize = static_cast<size_t>(dataSizeOf(prefix));
            if (descriptor_.size() - offset - 1 < dataSize) {
                result.error = QStringLiteral("truncated item") + at(offset);
                break;
            }
            const auto data = descriptor_.subspan(offset + 1, dataSize);
            const auto type = static_cast<ItemType>((prefix >> 2) & 0x3);
            const quint8 tag = prefix >> 4;
            if (type == ItemType::Main)
                result.error = mainItem(tag, offset);
            else if (type == ItemType::Global)
                result.error = globalItem(tag, unsignedValue(data), offset, &result);
            // Local and reserved items do not change report lengths.
            offset += 1 + dataSize;
        }
        fillLengths(&result);
        return result;
    }

private:
    size_t skipLongItem(size_t offset, QString* error) const {
        // Long item: prefix, data size byte, tag byte, then the data.
        if (descriptor_.size() - offset < 3) {
            *error = QStringLiteral("truncated long item") + at(offset);
            return descriptor_.size();
        }
        const size_t dataSize = descriptor_[offset + 1];
        if (descriptor_.size() - offset - 3 < dataSize) {
            *error = QStringLiteral("truncated long item") + at(offset);
            return descriptor_.size();
        }
        return offset + 3 + dataSize;
    }

    QString mainItem(quint8 tag, size_t offset) {
        Kind kind;
        switch (tag) {
            case kMainInput:
                kind = Input;
                break;
            case kMainOutput:
                kind = Output;
                break;
            case kMainFeature:
                kind = Feature;
                break;
            default:
                return {};  // collections carry no data
        }
        ReportTotals& totals = totals_[kind];
        const qint64 bits = static_cast<qint64>(state_.reportSize) * state_.reportCount;
        const qint64 total = totals.bits[state_.reportId] + bits;
        if (total > kMaxReportBytes * 8)
            return QStringLiteral("report %1 longer than %2 bytes")
                       .arg(state_.reportId)
                       .arg(kMaxReportBytes) +
                   at(offset);
        totals.bits[state_.reportId] = total;
        totals.present[state_.reportId] = true;
        return {};
    }

    QString globalItem(quint8 tag, quint32 value, size_t offset, ReportLengths* result) {
        switch (tag) {
            case kGlobalReportSize:
                if (value > kMaxReportSizeBits)
                    return QStringLiteral("report size of %1 bits").arg(value) + at(offset);
                state_.reportSize = value;
                break;
            case kGlobalReportCount:
                if (value > kMaxReportCount)
                    return QStringLiteral("report count of %1").arg(value) + at(offset);
                state_.reportCount = value;
                break;
            case kGlobalReportId:
                if (value == 0 || value > 255)
                    return QStringLiteral("invalid report ID %1").arg(value) + at(offset);
                state_.reportId = static_cast<quint8>(value);
                result->usesReportIds = true;
                break;
            case kGlobalPush:
                if (stack_.size() >= kMaxPushDepth)
                    return QStringLiteral("push nested too deep") + at(offset);
                stack_.push_back(state_);
                break;
            case kGlobalPop:
                if (stack_.empty())
                    return QStringLiteral("pop without push") + at(offset);
                state_ = stack_.back();
                stack_.pop_back();
                break;
            default:
                break;  // usage page, logical and physical ranges, units: no length
        }
        return {};
    }

    void fillLengths(ReportLengths* result) const {
        const int idByte = result->usesReportIds ? 1 : 0;
        const std::array<int*, KindCount> lengths{&result->input, &result->output,
                                                  &result->feature};
        const std::array<QList<quint8>*, KindCount> ids{&result->inputIds, &result->outputIds,
                                                        &result->featureIds};
        for (int kind = 0; kind < KindCount; ++kind) {
            const ReportTotals& totals = totals_[kind];
            for (int id = 0; id < 256; ++id) {
                if (!totals.present[id])
                    continue;
                const int bytes = static_cast<int>((totals.bits[id] + 7) / 8) + idByte;
                *lengths[kind] = std::max(*lengths[kind], bytes);
                if (id != 0)
                    ids[kind]->append(static_cast<quint8>(id));
            }
        }
    }

    std::span<const quint8> descriptor_;
    GlobalState state_;
    std::vector<GlobalState> stack_;
    std::array<ReportTotals, KindCount> totals_{};
};

}  // namespace

ReportLengths parseReportDescriptor(std::span<const quint8> descriptor) {
    return Parser(descriptor).run();
}

}  // namespace karvo
