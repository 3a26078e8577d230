// The walk over a .3DS file's tree of chunks that the whole-model reader and the reader of a
// model's looks share. Every read goes through TFileReader and stays inside the chunk being read:
// a chunk's children run to its declared end, cut to its parent's end; a child declaring a length
// below its own 6-byte header ends its parent's list of children.
#pragma once

#include "FileReader.h"
#include "Import3DS.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string>

namespace ZuveloGraphLibrary::Chunks3DS {

inline constexpr std::int64_t ListCountSize = 2;

// The content of a chunk: from after its header to its end, already cut to its parent's end.
struct TExtent {
    std::int64_t Begin = 0;
    std::int64_t End = 0;

    std::int64_t Size() const { return End > Begin ? End - Begin : 0; }
};

// Calls visit(id, content) for each child chunk in `parent`, in file order. The chunks nest
// strictly and every header lies after the one before, so the walk reads each header once. visit
// may move the reader.
template <class Visit> void ForEachChild(TFileReader& file, TExtent parent, Visit visit) {
    std::int64_t at = parent.Begin;
    while (parent.End - at >= ChunkHeaderSize) {
        file.Seek(at);
        const std::span<const std::uint8_t> header = file.Peek(ChunkHeaderSize);
        if (header.size() < ChunkHeaderSize) {
            return; // the file shrank under us
        }
        const std::uint16_t id = UInt16At(header.data());
        const auto length = static_cast<std::int32_t>(UInt32At(header.data() + 2));
        if (length < ChunkHeaderSize) {
            return; // the child ends its parent's list
        }
        const std::int64_t end = std::min(at + length, parent.End);
        visit(id, TExtent{at + ChunkHeaderSize, end});
        at = end;
    }
}

// Appends to `text` the bytes of `extent` up to its first zero byte, and returns where the bytes
// after that zero byte start; without a zero byte, all of them, and no position.
inline std::optional<std::int64_t> ReadText(TFileReader& file, TExtent extent, std::string& text) {
    file.Seek(extent.Begin);
    while (file.Position() < extent.End) {
        const std::span<const std::uint8_t> bytes = file.Peek(1);
        const auto size = std::min<std::int64_t>(static_cast<std::int64_t>(bytes.size()),
                                                 extent.End - file.Position());
        if (size == 0) {
            break;
        }
        const auto* zero = static_cast<const std::uint8_t*>(
            std::memchr(bytes.data(), 0, static_cast<std::size_t>(size)));
        const auto* const end = zero != nullptr ? zero : bytes.data() + size;
        text.append(reinterpret_cast<const char*>(bytes.data()),
                    static_cast<std::size_t>(end - bytes.data()));
        if (zero != nullptr) {
            return file.Position() + (zero - bytes.data()) + 1;
        }
        file.Advance(static_cast<std::size_t>(size));
    }
    return std::nullopt;
}

// The 16-bit count that starts a list, or nothing when the list has no room for it.
inline std::optional<std::uint16_t> StoredCount(TFileReader& file, TExtent list) {
    file.Seek(list.Begin);
    const std::span<const std::uint8_t> count = file.Peek(ListCountSize);
    if (list.Size() < ListCountSize || count.size() < ListCountSize) {
        return std::nullopt;
    }
    return UInt16At(count.data());
}

// The number of whole records of `recordSize` bytes that a list starting with a 16-bit count
// holds: the smaller of the count and the records inside the chunk.
inline std::uint32_t ListCount(TFileReader& file, TExtent list, std::int64_t recordSize) {
    const std::optional<std::uint16_t> stored = StoredCount(file, list);
    if (!stored) {
        return 0;
    }
    return static_cast<std::uint32_t>(
        std::min<std::int64_t>(*stored, (list.Size() - ListCountSize) / recordSize));
}

// Decodes `count` records of `Size` bytes straight from the reader's buffer, from its position:
// decode(bytes, n) takes n whole records. Fewer records are decoded when the file ends sooner.
template <std::size_t Size, class Decode>
void DecodeRecords(TFileReader& file, std::uint32_t count, Decode decode) {
    std::uint32_t done = 0;
    while (done < count) {
        const std::span<const std::uint8_t> bytes = file.Peek(Size);
        const auto whole =
            static_cast<std::uint32_t>(std::min<std::size_t>(bytes.size() / Size, count - done));
        if (whole == 0) {
            break;
        }
        decode(bytes.data(), whole);
        file.Advance(whole * Size);
        done += whole;
    }
}

} // namespace ZuveloGraphLibrary::Chunks3DS
