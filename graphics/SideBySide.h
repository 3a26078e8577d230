// Independent pieces of one job run on several threads at once: the images of a model decoded,
// the rows of a drawing shaded. The calling thread works too and the call returns when every
// piece is done, so that a caller's data need live no longer than the call.
#pragma once

#include <cstddef>
#include <functional>

namespace ZuveloGraphLibrary {

// At most this many threads work on one job, the calling one among them.
inline constexpr unsigned MaxSideBySide = 4;

// How many threads a job of `pieces` pieces gets: as many as the machine runs at once, up to
// MaxSideBySide, never more than the pieces.
std::size_t SideBySideThreads(std::size_t pieces);

// Calls work(0) .. work(count - 1), each once, on SideBySideThreads(count) threads; each thread
// takes the next piece not yet taken. The first exception a piece raises is raised here once
// every thread has stopped, and no piece starts after it.
void RunSideBySide(std::size_t count, const std::function<void(std::size_t)>& work);

} // namespace ZuveloGraphLibrary
