// The one way the library reads a file: opened for reading only, read in large blocks, and never
// past the size the file had when it was opened. Reads near the end deliver what is left; every
// failing system call raises the input/output error with its errno.
//
// The same reader also runs over bytes already in memory, which it reads in place as one block:
// the bytes are its file, their count its size, and no call on it fails for want of the system.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace ZuveloGraphLibrary {

// The least count ReadLarge reads in pieces.
inline constexpr std::size_t LargeReadBytes = std::size_t(8) << 20;

class TFileReader {
public:
    explicit TFileReader(const std::string& fileName);
    // Reads `bytes`, which must outlive the reader.
    explicit TFileReader(std::span<const std::uint8_t> bytes);
    ~TFileReader();
    TFileReader(const TFileReader&) = delete;
    TFileReader& operator=(const TFileReader&) = delete;

    std::int64_t Size() const { return size_; }
    std::int64_t Position() const { return position_; }
    std::int64_t BytesLeft() const { return position_ < size_ ? size_ - position_ : 0; }

    // Moves the reading position. A position before the start of the file is an I/O error; one at
    // or past the end is allowed, and reads from there deliver nothing.
    void Seek(std::int64_t position);

    // Copies up to `count` bytes and returns how many there were.
    std::size_t Read(std::uint8_t* destination, std::size_t count);
    // As Read, for a large fresh block: from LargeReadBytes on, the bytes go straight into it, a
    // piece on each of several threads at once, so that the system backs its new pages and copies
    // into them side by side.
    std::size_t ReadLarge(std::uint8_t* destination, std::size_t count);

    // Single values, built byte by byte in little-endian order. False, with nothing stored, when
    // the file ends first; the bytes that were there are consumed.
    bool ReadByte(std::uint8_t& value);
    bool ReadUInt16(std::uint16_t& value);
    bool ReadInt32(std::int32_t& value);

    // The bytes at the reading position that are already in memory, without copying them: at
    // least `minimum` of them (the buffer is refilled first if needed), or all that are left when
    // the file ends sooner. Valid until the next call on the reader; Advance moves past them.
    std::span<const std::uint8_t> Peek(std::size_t minimum) {
        const std::size_t ahead = BufferedAhead();
        if (ahead >= minimum && ahead > 0) {
            return buffer_.subspan(static_cast<std::size_t>(position_ - bufferStart_), ahead);
        }
        return PeekRefilled(minimum);
    }
    void Advance(std::size_t count) { position_ += static_cast<std::int64_t>(count); }

    // Reads bytes up to and including the next zero byte, or to the end of the file; keeps the
    // first `keep` of them (the zero byte excluded). Returns whether the zero byte was found.
    bool ReadZeroTerminated(std::string& text, std::size_t keep);

    void Close();

private:
    bool Buffered() const { return BufferedAhead() > 0; }
    std::size_t BufferedAhead() const {
        const std::int64_t end = bufferStart_ + static_cast<std::int64_t>(buffer_.size());
        return position_ >= bufferStart_ && position_ < end ? std::size_t(end - position_) : 0;
    }
    void Refill();
    // Reads [position, position + count) into `destination` with pread; how many bytes there were
    // before the file's end, and the errno of a failing call (0 when none failed).
    std::size_t ReadAt(std::int64_t position, std::uint8_t* destination, std::size_t count,
                       int& error) const;
    std::span<const std::uint8_t> PeekRefilled(std::size_t minimum);

    int fd_ = -1;
    std::int64_t size_ = 0;
    std::int64_t position_ = 0;
    // The bytes from bufferStart_ on that are in memory: a view of storage_ for a file, of all
    // the bytes for a reader over memory.
    std::int64_t bufferStart_ = 0;
    std::span<const std::uint8_t> buffer_;
    std::span<const std::uint8_t> memory_;
    bool inMemory_ = false;
    std::vector<std::uint8_t> storage_;
};

// Little-endian decoding of values held in memory.
inline std::uint16_t UInt16At(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t UInt32At(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}
inline float FloatAt(const std::uint8_t* p) {
    return std::bit_cast<float>(UInt32At(p));
}

} // namespace ZuveloGraphLibrary
