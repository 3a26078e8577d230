// Large blocks of memory and the machine's huge pages. A fresh block is backed page by page as it
// is first written; for a model of a million faces that is tens of thousands of small pages, and
// on a virtual machine each costs several microseconds. Where the system lets a program ask for
// huge pages (Linux's transparent huge pages in "madvise" mode), a block of some megabytes asks
// for them over the whole huge pages it spans. The advice changes no byte of the block.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

namespace ZuveloGraphLibrary {

// The size of one huge page, and the smallest block worth the advice.
inline constexpr std::size_t HugePageBytes = std::size_t(2) << 20;
inline constexpr std::size_t LargeBlockBytes = 2 * HugePageBytes;

// Asks for huge pages over the whole huge pages inside the block, when it is at least
// LargeBlockBytes long; pages already written keep their size. Does nothing where the system
// has no such advice, and never fails.
void AdviseLargeBlock(void* block, std::size_t bytes) noexcept;

// Room for at least `count` values, in a new block that is advised before anything is written to
// it when the vector has to grow.
template <class T> void ReserveLarge(std::vector<T>& values, std::size_t count) {
    if (values.capacity() < count) {
        values.reserve(count);
        AdviseLargeBlock(values.data() + values.size(), (count - values.size()) * sizeof(T));
    }
}

// `count` values, the new ones copies of `value`, as resize gives them; a block that has to grow
// (to twice the values held at least) is advised before they are written.
template <class T>
void ResizeLarge(std::vector<T>& values, std::size_t count, const T& value = T{}) {
    if (count > values.capacity()) {
        ReserveLarge(values, std::max(count, 2 * values.size()));
    }
    values.resize(count, value);
}

// `count` copies of `value`, as assign gives them, in a block advised before they are written.
template <class T> void AssignLarge(std::vector<T>& values, std::size_t count, const T& value) {
    if (values.capacity() < count) {
        std::vector<T>().swap(values);
        ReserveLarge(values, count);
    }
    values.assign(count, value);
}

} // namespace ZuveloGraphLibrary
