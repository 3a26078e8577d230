// Pieces of a job run on several threads: each once, a piece's error reaches the caller, and
// without threads the caller does them all.
#include "SideBySide.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
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

// Jobs run by several threads at once, and a job run by a piece of another: the threads kept for
// jobs serve one of them, the others start their own, and each job has every piece done once
// when it returns.
TEST(SideBySide, JobsAtOnceAndWithinAPieceEachRunEveryPiece) {
    constexpr int Callers = 3, Jobs = 50, Pieces = 64, Inner = 8;
    const auto busy = [] { // a piece's work, long enough for every thread to take some
        const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(20);
        while (std::chrono::steady_clock::now() < until) {
        }
    };
    std::atomic<int> failures = 0;
    std::vector<std::jthread> callers;
    for (int c = 0; c < Callers; ++c) {
        callers.emplace_back([&] {
            for (int j = 0; j < Jobs; ++j) {
                std::vector<std::atomic<int>> runs(Pieces + Inner);
                RunSideBySide(Pieces, [&](std::size_t i) {
                    if (i == 0) {
                        RunSideBySide(Inner, [&](std::size_t k) {
                            busy();
                            ++runs[Pieces + k];
                        });
                    }
                    busy();
                    ++runs[i]; // when done
                });
                failures += int(std::count_if(runs.begin(), runs.end(),
                                              [](const std::atomic<int>& r) { return r != 1; }));
            }
        });
    }
    callers.clear(); // joined
    EXPECT_EQ(failures.load(), 0);
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
