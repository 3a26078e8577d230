// Independent pieces of one job run on several threads at once: the images of a model decoded,
// the rows of a drawing shaded. The calling thread works too and the call returns when every
// piece is done, so that a caller's data need live no longer than the call.
#pragma once

#include <cstddef>
#include <functional>
#include <future>

namespace ZuveloGraphLibrary {

// At most this many threads work on one job, the calling one among them.
inline constexpr unsigned MaxSideBySide = 4;

// How many threads a job of `pieces` pieces gets: as many as the machine runs at once, up to
// MaxSideBySide, never more than the pieces.
std::size_t SideBySideThreads(std::size_t pieces);

// Calls work(0) .. work(count - 1), each once, on SideBySideThreads(count) threads; each thread
// takes the next piece not yet taken. The first exception a piece raises is raised here once
// every thread has stopped, and no piece starts after it. When the system gives no thread, the
// calling one does every piece.
void RunSideBySide(std::size_t count, const std::function<void(std::size_t)>& work);

// A job done on a thread of its own while the caller does something else, until Wait. When the
// system gives no thread, the job is done in Wait instead.
class TJobBeside {
public:
    explicit TJobBeside(std::function<void()> job);
    // Waits for the job, which must not outlive what it reads; its error, if any, goes unsaid.
    ~TJobBeside();
    TJobBeside(const TJobBeside&) = delete;
    TJobBeside& operator=(const TJobBeside&) = delete;

    // The first call waits for the job (or does it) and raises what it raised; later calls return
    // at once.
    void Wait();

private:
    std::future<void> done_;
};

} // namespace ZuveloGraphLibrary
