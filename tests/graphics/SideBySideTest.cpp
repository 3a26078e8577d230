// Pieces of a job run on several threads: each once, and a piece's error reaches the caller.
#include "SideBySide.h"

#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <stdexcept>
#include <vector>

namespace {
namespace side_by_side_test {

using namespace ZuveloGraphLibrary;

TEST(SideBySide, EachPieceRunsOnceAndAnErrorReachesTheCaller) {
    struct TCase {
        std::size_t Pieces;
        std::optional<std::size_t> Failing; // the piece that raises
    };
    const TCase cases[] = {{0, {}}, {1, {}}, {1000, {}}, {1000, 0}, {1000, 999}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.Pieces << " pieces");
        std::vector<std::atomic<int>> runs(c.Pieces);
        const auto job = [&] {
            RunSideBySide(c.Pieces, [&](std::size_t i) {
                ++runs[i];
                if (c.Failing == i) {
                    throw std::runtime_error("piece failed");
                }
            });
        };
        if (c.Failing) {
            EXPECT_THROW(job(), std::runtime_error);
        } else {
            EXPECT_NO_THROW(job());
        }
        int total = 0;
        for (const std::atomic<int>& r : runs) {
            EXPECT_LE(r.load(), 1);
            total += r.load();
        }
        if (!c.Failing) {
            EXPECT_EQ(total, int(c.Pieces));
        }
    }
}

} // namespace side_by_side_test
} // namespace
