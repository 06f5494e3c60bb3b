#pragma once

// Typed fields of a packed little-endian byte image. A field knows its offset, its width and
// the C++ type it holds; get() and put() move one field between a value and the bytes, one byte
// at a time. Reading past the end of the bytes yields 0 for every missing byte.

#include <QtGlobal>
#include <array>
#include <bit>
#include <cstddef>
#include <span>
#include <type_traits>

#include "Records.h"

namespace karvo::wire {

template <typename T, int Width>
struct Field {
    using Value = T;
    static constexpr int width = Width;
    int offset;
};

using U8 = Field<quint8, 1>;
using Bool = Field<bool, 1>;
using U16 = Field<quint16, 2>;
using I16 = Field<qint16, 2>;
using U32 = Field<quint32, 4>;
using I32 = Field<qint32, 4>;
using F32 = Field<float, 4>;
using Bytes4 = Field<std::array<quint8, 4>, 4>;

using MutableBytes = std::span<quint8>;

inline quint8 byteAt(ByteView bytes, int index) {
    return index >= 0 && static_cast<std::size_t>(index) < bytes.size()
               ? bytes[static_cast<std::size_t>(index)]
               : quint8{0};
}

inline quint32 readLittleEndian(ByteView bytes, int offset, int width) {
    quint32 value = 0;
    for (int i = width - 1; i >= 0; --i)
        value = (value << 8) | byteAt(bytes, offset + i);
    return value;
}

inline void writeLittleEndian(MutableBytes out, int offset, int width, quint32 value) {
    for (int i = 0; i < width; ++i) {
        const auto at = static_cast<std::size_t>(offset + i);
        if (at < out.size())
            out[at] = static_cast<quint8>(value >> (8 * i));
    }
}

inline quint8 get(ByteView bytes, U8 field) {
    return byteAt(bytes, field.offset);
}
inline bool get(ByteView bytes, Bool field) {
    return byteAt(bytes, field.offset) != 0;
}
inline quint16 get(ByteView bytes, U16 field) {
    return static_cast<quint16>(readLittleEndian(bytes, field.offset, U16::width));
}
inline qint16 get(ByteView bytes, I16 field) {
    return static_cast<qint16>(readLittleEndian(bytes, field.offset, I16::width));
}
inline quint32 get(ByteView bytes, U32 field) {
    return readLittleEndian(bytes, field.offset, U32::width);
}
inline qint32 get(ByteView bytes, I32 field) {
    return static_cast<qint32>(readLittleEndian(bytes, field.offset, I32::width));
}
inline float get(ByteView bytes, F32 field) {
    return std::bit_cast<float>(readLittleEndian(bytes, field.offset, F32::width));
}
inline std::array<quint8, 4> get(ByteView bytes, Bytes4 field) {
    std::array<quint8, 4> value{};
    for (int i = 0; i < Bytes4::width; ++i)
        value[static_cast<std::size_t>(i)] = byteAt(bytes, field.offset + i);
    return value;
}

inline void put(MutableBytes out, U8 field, quint8 value) {
    writeLittleEndian(out, field.offset, U8::width, value);
}
// A boolean goes out as 1 or 0, whatever was stored in the byte that it came from.
inline void put(MutableBytes out, Bool field, bool value) {
    writeLittleEndian(out, field.offset, Bool::width, value ? 1u : 0u);
}
inline void put(MutableBytes out, U16 field, quint16 value) {
    writeLittleEndian(out, field.offset, U16::width, value);
}
inline void put(MutableBytes out, I16 field, qint16 value) {
    writeLittleEndian(out, field.offset, I16::width, static_cast<quint16>(value));
}
inline void put(MutableBytes out, U32 field, quint32 value) {
    writeLittleEndian(out, field.offset, U32::width, value);
}
inline void put(MutableBytes out, I32 field, qint32 value) {
    writeLittleEndian(out, field.offset, I32::width, static_cast<quint32>(value));
}
inline void put(MutableBytes out, F32 field, float value) {
    writeLittleEndian(out, field.offset, F32::width, std::bit_cast<quint32>(value));
}
inline void put(MutableBytes out, Bytes4 field, const std::array<quint8, 4>& value) {
    for (int i = 0; i < Bytes4::width; ++i)
        writeLittleEndian(out, field.offset + i, 1, value[static_cast<std::size_t>(i)]);
}

// A layout is a type with `static constexpr void fields(auto& record, auto&& visit)` that calls
// visit(field, member) for every member of the record, in wire order. The same description
// drives the encoder, the decoder and the compile-time check below.

template <typename Layout, typename Record>
std::array<quint8, Record::kSize> encodeWith(const Record& record) {
    std::array<quint8, Record::kSize> out{};
    Layout::fields(record, [&out](auto field, const auto& value) { put(out, field, value); });
    return out;
}

template <typename Layout, typename Record>
Record decodeWith(ByteView bytes) {
    Record record;
    Layout::fields(record, [bytes](auto field, auto& value) { value = get(bytes, field); });
    return record;
}

// True when the fields start at 0, follow one another with no gap or overlap, each holds a
// member of exactly its own type, and the last one ends at Record::kSize.
template <typename Layout, typename Record>
constexpr bool isPackedLayout() {
    Record record{};
    int next = 0;
    bool packed = true;
    Layout::fields(record, [&next, &packed](auto field, auto& value) {
        using Declared = typename decltype(field)::Value;
        static_assert(std::is_same_v<Declared, std::remove_cvref_t<decltype(value)>>,
                      "a wire field must hold a member of its own type");
        packed = packed && field.offset == next;
        next = field.offset + decltype(field)::width;
    });
    return packed && next == Record::kSize;
}

}  // namespace karvo::wire
