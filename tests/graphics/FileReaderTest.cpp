// The file reader under the .3DS readers: reads, positions and the end of the file, across the
// reader's 64 KiB blocks, and files that are not regular files.
#include "FileReader.h"
#include "GraphErrors.h"
#include "Import3DS.h"
#include "Import3DSModel.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <functional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace {
namespace file_reader_test {

using namespace ZuveloGraphLibrary;
using Plexa3DTest::TTempDir;

constexpr std::int64_t Block = 1 << 16; // the reader's block size

// Bytes that differ from their neighbours and from the bytes a block away; none is zero.
std::vector<std::uint8_t> Pattern(std::int64_t size) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    for (std::int64_t i = 0; i < size; ++i) {
        bytes[std::size_t(i)] = static_cast<std::uint8_t>((i * 7 + (i >> 8)) % 255 + 1);
    }
    return bytes;
}

TEST(FileReader, ReadsDeliverTheFileFromAnyPositionUpToItsEnd) {
    constexpr std::int64_t Size = 2 * Block + 100;
    const std::vector<std::uint8_t> content = Pattern(Size);
    TTempDir dir;
    const std::string path = dir.Write("data.bin", content);
    struct TCase {
        std::int64_t Seek; // -1: read on from where the previous case ended
        std::int64_t Count;
        std::int64_t Got;
    };
    const TCase cases[] = {
        {0, 10, 10},
        {-1, 10, 10},             // on from 10
        {Block - 6, 20, 20},      // across the first block's end
        {5, 3 * Block, Size - 5}, // more than two blocks at once, short at the end
        {Size - 3, 10, 3},        // a short read at the end
        {-1, 1, 0},               // and nothing after it
        {Size, 1, 0},             // at the end
        {Size + 100, 5, 0},       // past the end
        {Block, 1, 1},            // back to the start of a later block
        {0, 0, 0},
    };
    TFileReader reader(path);
    EXPECT_EQ(reader.Size(), Size);
    for (const TCase& c : cases) {
        SCOPED_TRACE("seek " + std::to_string(c.Seek) + " count " + std::to_string(c.Count));
        if (c.Seek >= 0) {
            reader.Seek(c.Seek);
        }
        const std::int64_t from = reader.Position();
        std::vector<std::uint8_t> got(std::size_t(c.Count), 0);
        ASSERT_EQ(std::int64_t(reader.Read(got.data(), got.size())), c.Got);
        EXPECT_EQ(reader.Position(), from + c.Got);
        EXPECT_EQ(reader.BytesLeft(), std::max<std::int64_t>(0, Size - reader.Position()));
        for (std::int64_t i = 0; i < c.Got; ++i) {
            ASSERT_EQ(got[std::size_t(i)], content[std::size_t(from + i)]) << "byte " << from + i;
        }
    }
}

// A large read, in pieces on several threads, into a block at any address: the bytes up to the
// end, or up to where the file now ends when it shrank after it was opened.
TEST(FileReader, LargeReadsDeliverTheFileUpToItsEnd) {
    constexpr std::int64_t Size = 2 * std::int64_t(LargeReadBytes) + 12345;
    const std::vector<std::uint8_t> content = Pattern(Size);
    struct TCase {
        std::int64_t Seek;
        std::int64_t ShrinkTo; // -1: the file keeps its size
        std::int64_t Got;
    };
    const TCase cases[] = {
        {0, -1, Size},
        {3, -1, Size - 3},
        {0, Block, Block},                                   // short in the first piece
        {5, Size - 100, Size - 105},                         // short in the last
        {Size - LargeReadBytes + 1, -1, LargeReadBytes - 1}, // too few left for pieces
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE("seek " + std::to_string(c.Seek) + " shrink " + std::to_string(c.ShrinkTo));
        TTempDir dir;
        const std::string path = dir.Write("data.bin", content);
        TFileReader reader(path);
        reader.Seek(c.Seek);
        if (c.ShrinkTo >= 0) {
            ASSERT_EQ(::truncate(path.c_str(), c.ShrinkTo), 0);
        }
        std::vector<std::uint8_t> got(std::size_t(Size) + 1, 0);
        ASSERT_EQ(std::int64_t(reader.ReadLarge(got.data() + 1, std::size_t(Size))), c.Got);
        EXPECT_EQ(reader.Position(), c.Seek + c.Got);
        EXPECT_EQ(reader.BytesLeft(), 0);
        EXPECT_TRUE(std::equal(got.begin() + 1, got.begin() + 1 + c.Got, content.begin() + c.Seek));
        EXPECT_TRUE(std::all_of(got.begin() + 1 + c.Got, got.end(), [](auto b) { return b == 0; }));
    }
}

TEST(FileReader, ValuesPeeksAndNamesAcrossABlockBoundary) {
    std::vector<std::uint8_t> content = Pattern(Block + 16);
    content[Block + 5] = 0; // a name from Block - 6 ends here, 11 bytes long
    TTempDir dir;
    TFileReader reader(dir.Write("data.bin", content));

    reader.Seek(Block - 2);
    std::int32_t value = 0;
    ASSERT_TRUE(reader.ReadInt32(value));
    EXPECT_EQ(std::uint32_t(value), UInt32At(&content[Block - 2]));

    reader.Seek(Block - 3);
    const auto peeked = reader.Peek(8);
    ASSERT_GE(peeked.size(), 8u);
    EXPECT_TRUE(std::equal(peeked.begin(), peeked.begin() + 8, &content[Block - 3]));
    reader.Advance(8);
    EXPECT_EQ(reader.Position(), Block + 5);

    reader.Seek(Block - 6);
    std::string name;
    ASSERT_TRUE(reader.ReadZeroTerminated(name, 80));
    EXPECT_EQ(name, std::string(&content[Block - 6], &content[Block + 5]));
    EXPECT_EQ(reader.Position(), Block + 6);
    reader.Seek(Block - 6);
    ASSERT_TRUE(reader.ReadZeroTerminated(name, 4)); // kept short, read to the zero byte
    EXPECT_EQ(name.size(), 4u);
    EXPECT_EQ(reader.Position(), Block + 6);

    // At the end: a name without its zero byte, and values cut short, consume what is there.
    ASSERT_FALSE(reader.ReadZeroTerminated(name, 80));
    EXPECT_EQ(name.size(), 10u);
    reader.Seek(Block + 15);
    std::uint16_t half = 0;
    EXPECT_FALSE(reader.ReadUInt16(half));
    EXPECT_EQ(reader.Position(), Block + 16);
    EXPECT_TRUE(reader.Peek(1).empty());
}

TEST(FileReader, OpenAndSeekFailuresAreInputOutputErrors) {
    TTempDir dir;
    const std::string existing = dir.Write("data.bin", Pattern(10));
    struct TCase {
        std::string Path;
        std::int64_t Seek;
        int Code;
    };
    const TCase cases[] = {
        {(dir.Path() / "missing.bin").string(), 0, 2},
        {dir.Path().string(), 0, 5}, // a folder
        {existing + std::string(1, '\0'), 0, 3},
        {existing, -1, 22},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Path);
        try {
            TFileReader reader(c.Path);
            reader.Seek(c.Seek);
            ADD_FAILURE() << "no error";
        } catch (const InOutError& error) {
            EXPECT_EQ(error.Code(), c.Code);
        }
    }
}

// A named pipe, with no writer or with bytes waiting, and a character device read as empty files:
// no wait for data, no error, and an empty object from both readers.
TEST(FileReader, FilesThatAreNotRegularReadAsEmpty) {
    TTempDir dir;
    const std::string fifo = (dir.Path() / "pipe.3ds").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const auto expectEmpty = [](const std::string& path) {
        SCOPED_TRACE(path);
        TFileReader reader(path);
        std::uint8_t byte = 0;
        EXPECT_EQ(reader.Size(), 0);
        EXPECT_EQ(reader.Read(&byte, 1), 0u);
        reader.Close();
        using TLoad = std::function<void(const std::string&, TObject3D&)>;
        for (const TLoad& load : {TLoad(&Load3DS), TLoad([](const std::string&p, TObject3D&o) {
                                      Load3DSModel(p, o);
                                  })}) {
            TObject3D object;
            object.Name = "old";
            load(path, object);
            EXPECT_EQ(object.Name, "");
            EXPECT_EQ(object.VertexCount, 0);
            EXPECT_EQ(object.FaceCount, 0);
        }
    };
    expectEmpty(fifo);
    // Opened for reading and writing, the pipe takes bytes without waiting for a reader.
    const int writer = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);
    ASSERT_GE(writer, 0);
    const std::uint8_t header[] = {0x4D, 0x4D, 6, 0, 0, 0};
    ASSERT_EQ(::write(writer, header, sizeof header), ssize_t(sizeof header));
    expectEmpty(fifo);
    ::close(writer);
    expectEmpty("/dev/zero");
}

} // namespace file_reader_test
} // namespace
