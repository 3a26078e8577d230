#include "LargeBlocks.h"
#include "MeshObject.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <numeric>
#include <vector>

namespace {
namespace large_blocks_test {

using namespace ZuveloGraphLibrary;

// The advice changes no value: a list keeps what it held as it grows into an advised block or is
// resized, and holds exactly what was assigned, whether its room sufficed or not; a zero-filled
// array of some huge pages is zero throughout.
TEST(LargeBlocks, BlocksKeepTheirValuesThroughTheAdvice) {
    constexpr std::size_t large = 3 * HugePageBytes / sizeof(std::uint32_t) + 5;
    struct TRow {
        const char* Label;
        std::size_t Held;  // values 1, 2, 3 ... in the list before
        std::size_t Count; // asked for
    };
    for (const TRow& row :
         {TRow{"empty, grown large", 0, large}, TRow{"held, grown large", 1000, large},
          TRow{"large, asked for less", large, 10}, TRow{"small", 3, 7}}) {
        SCOPED_TRACE(row.Label);
        std::vector<std::uint32_t> values(row.Held);
        std::iota(values.begin(), values.end(), 1u);
        ReserveLarge(values, row.Count);
        ASSERT_GE(values.capacity(), row.Count);
        ASSERT_EQ(values.size(), row.Held);
        for (std::size_t i = 0; i < row.Held; ++i) {
            ASSERT_EQ(values[i], i + 1) << i;
        }
        ResizeLarge(values, row.Count, 9u);
        ASSERT_EQ(values.size(), row.Count);
        for (std::size_t i = 0; i < row.Count; ++i) {
            ASSERT_EQ(values[i], i < row.Held ? i + 1 : 9u) << i;
        }
        AssignLarge(values, row.Count, 7u);
        EXPECT_EQ(values, std::vector<std::uint32_t>(row.Count, 7u));
    }
    TOneBasedArray<std::uint64_t> zeros;
    zeros.Allocate(std::int32_t(3 * HugePageBytes / sizeof(std::uint64_t)) + 1);
    for (const std::uint64_t value : zeros) {
        ASSERT_EQ(value, 0u);
    }
}

} // namespace large_blocks_test
} // namespace
