// Pieces of a job run on several threads: each once, a piece's error reaches the caller, and
// without threads the caller does them all.
#include "SideBySide.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <vector>

namespace {
namespace side_by_side_test {

using namespace ZuveloGraphLibrary;

constexpr uid_t NobodyUid = 65534;

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

// When the system gives no thread (a sandbox's limit on processes), every piece is still done, on
// the calling thread, and a job beside is done when waited for.
TEST(SideBySide, WithoutThreadsTheCallerDoesTheWork) {
    const auto withoutThreads = [] {
        // The limit does not hold root, so the child becomes nobody first where it can.
        if (getuid() == 0 && setuid(NobodyUid) != 0) {
            std::_Exit(3);
        }
        const rlimit one{1, 1};
        if (setrlimit(RLIMIT_NPROC, &one) != 0) {
            std::_Exit(3);
        }
        try {
            std::thread([] {}).join();
            std::_Exit(2); // a thread could still start: nothing tested
        } catch (const std::system_error&) {
        }
        std::vector<int> runs(100);
        RunSideBySide(runs.size(), [&](std::size_t i) { ++runs[i]; });
        bool beside = false;
        TJobBeside job([&] { beside = true; });
        job.Wait();
        // Without the exit handlers, which may want threads of their own.
        std::_Exit(beside && std::count(runs.begin(), runs.end(), 1) == 100 ? 0 : 1);
    };
    EXPECT_EXIT(withoutThreads(), testing::ExitedWithCode(0), "");
}

} // namespace side_by_side_test
} // namespace
