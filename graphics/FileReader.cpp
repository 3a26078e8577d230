#include "FileReader.h"

#include "GraphErrors.h"
#include "LargeBlocks.h"
#include "SideBySide.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace ZuveloGraphLibrary {
namespace {

constexpr std::size_t BlockSize = 1 << 16;

} // namespace

TFileReader::TFileReader(const std::string& fileName) {
    if (fileName.find('\0') != std::string::npos) {
        throw InOutError(3); // no file name of the system can hold a zero byte
    }
    // Non-blocking, so that opening a named pipe cannot wait for a writer; the size taken here
    // bounds every read, so special files (whose size is 0) read as empty.
    fd_ = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0) {
        throw InOutError::FromErrno(errno);
    }
    struct stat info {};
    if (::fstat(fd_, &info) != 0 || S_ISDIR(info.st_mode)) {
        const int err = S_ISDIR(info.st_mode) ? EISDIR : errno;
        ::close(fd_);
        fd_ = -1;
        throw InOutError::FromErrno(err);
    }
    size_ = S_ISREG(info.st_mode) ? static_cast<std::int64_t>(info.st_size) : 0;
}

TFileReader::TFileReader(std::span<const std::uint8_t> bytes)
    : size_(static_cast<std::int64_t>(bytes.size())), buffer_(bytes), memory_(bytes),
      inMemory_(true) {}

TFileReader::~TFileReader() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

void TFileReader::Seek(std::int64_t position) {
    if (position < 0) {
        throw InOutError::FromErrno(EINVAL);
    }
    position_ = position;
}

void TFileReader::Refill() {
    if (inMemory_) { // all of it is in memory already
        bufferStart_ = 0;
        buffer_ = memory_;
        return;
    }
    buffer_ = {};
    storage_.resize(static_cast<std::size_t>(std::min<std::int64_t>(BlockSize, BytesLeft())));
    bufferStart_ = position_;
    std::size_t filled = 0;
    while (filled < storage_.size()) {
        const ssize_t got = ::pread(fd_, storage_.data() + filled, storage_.size() - filled,
                                    static_cast<off_t>(position_ + std::int64_t(filled)));
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            storage_.clear();
            throw InOutError::FromErrno(errno);
        }
        if (got == 0) {
            size_ = position_ + std::int64_t(filled); // the file shrank: its end is here now
            break;
        }
        filled += static_cast<std::size_t>(got);
    }
    storage_.resize(filled);
    buffer_ = storage_;
}

std::size_t TFileReader::Read(std::uint8_t* destination, std::size_t count) {
    std::size_t done = 0;
    while (done < count && BytesLeft() > 0) {
        if (!Buffered()) {
            Refill();
            if (buffer_.empty()) {
                break;
            }
        }
        const auto offset = static_cast<std::size_t>(position_ - bufferStart_);
        const std::size_t n = std::min(count - done, buffer_.size() - offset);
        std::memcpy(destination + done, buffer_.data() + offset, n);
        done += n;
        position_ += static_cast<std::int64_t>(n);
    }
    return done;
}

std::size_t TFileReader::ReadLarge(std::uint8_t* destination, std::size_t count) {
    const auto wanted = static_cast<std::size_t>(
        std::min<std::int64_t>(static_cast<std::int64_t>(count), BytesLeft()));
    const std::size_t threads = SideBySideThreads(MaxSideBySide);
    if (inMemory_ || wanted < LargeReadBytes || threads < 2) {
        return Read(destination, count);
    }
    // The pieces meet at the starts of huge pages of the block, so that no page is backed by two
    // threads at once.
    std::vector<std::size_t> ends;
    const auto start = reinterpret_cast<std::uintptr_t>(destination);
    for (std::size_t i = 1; i < threads; ++i) {
        const std::uintptr_t even = start + wanted / threads * i;
        const std::uintptr_t page = (even + HugePageBytes - 1) / HugePageBytes * HugePageBytes;
        ends.push_back(std::min<std::size_t>(page - start, wanted));
    }
    ends.push_back(wanted);
    std::vector<std::size_t> got(ends.size(), 0);
    std::vector<int> errors(ends.size(), 0);
    RunSideBySide(ends.size(), [&](std::size_t i) {
        const std::size_t from = i == 0 ? 0 : ends[i - 1];
        got[i] = ReadAt(position_ + static_cast<std::int64_t>(from), destination + from,
                        ends[i] - from, errors[i]);
    });
    // The bytes read are those up to the first piece that came short; a failing call among them
    // fails the read.
    std::size_t done = 0;
    for (std::size_t i = 0; i < ends.size(); ++i) {
        if (errors[i] != 0) {
            throw InOutError::FromErrno(errors[i]);
        }
        done += got[i];
        if (done < ends[i]) {
            size_ = position_ + static_cast<std::int64_t>(done); // the file shrank: its end is here
            break;
        }
    }
    position_ += static_cast<std::int64_t>(done);
    return done;
}

std::size_t TFileReader::ReadAt(std::int64_t position, std::uint8_t* destination, std::size_t count,
                                int& error) const {
    std::size_t filled = 0;
    error = 0;
    while (filled < count) {
        const ssize_t got = ::pread(fd_, destination + filled, count - filled,
                                    static_cast<off_t>(position + std::int64_t(filled)));
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            error = errno;
            break;
        }
        if (got == 0) {
            break;
        }
        filled += static_cast<std::size_t>(got);
    }
    return filled;
}

std::span<const std::uint8_t> TFileReader::PeekRefilled(std::size_t minimum) {
    if (BytesLeft() == 0) {
        return {};
    }
    if (BufferedAhead() < minimum && BufferedAhead() < static_cast<std::size_t>(BytesLeft())) {
        Refill(); // starts the buffer at the reading position
    }
    const std::size_t ahead = BufferedAhead();
    return buffer_.subspan(ahead > 0 ? static_cast<std::size_t>(position_ - bufferStart_) : 0,
                           ahead);
}

bool TFileReader::ReadByte(std::uint8_t& value) {
    return Read(&value, 1) == 1;
}

bool TFileReader::ReadUInt16(std::uint16_t& value) {
    std::uint8_t bytes[2];
    if (Read(bytes, 2) != 2) {
        return false;
    }
    value = UInt16At(bytes);
    return true;
}

bool TFileReader::ReadInt32(std::int32_t& value) {
    std::uint8_t bytes[4];
    if (Read(bytes, 4) != 4) {
        return false;
    }
    value = static_cast<std::int32_t>(UInt32At(bytes));
    return true;
}

bool TFileReader::ReadZeroTerminated(std::string& text, std::size_t keep) {
    text.clear();
    while (BytesLeft() > 0) {
        if (!Buffered()) {
            Refill();
            if (buffer_.empty()) {
                break;
            }
        }
        const auto offset = static_cast<std::size_t>(position_ - bufferStart_);
        const std::uint8_t* start = buffer_.data() + offset;
        const std::size_t available = buffer_.size() - offset;
        const auto* zero = static_cast<const std::uint8_t*>(std::memchr(start, 0, available));
        const std::size_t length = zero ? std::size_t(zero - start) : available;
        if (text.size() < keep) {
            text.append(reinterpret_cast<const char*>(start), std::min(length, keep - text.size()));
        }
        position_ += static_cast<std::int64_t>(length + (zero ? 1 : 0));
        if (zero) {
            return true;
        }
    }
    return false;
}

void TFileReader::Close() {
    const int fd = fd_;
    fd_ = -1;
    if (fd >= 0 && ::close(fd) != 0) {
        throw InOutError::FromErrno(errno);
    }
}

} // namespace ZuveloGraphLibrary
