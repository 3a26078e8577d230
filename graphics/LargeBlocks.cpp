#include "LargeBlocks.h"

#include <cstdint>

#include <sys/mman.h>

namespace ZuveloGraphLibrary {

void AdviseLargeBlock(void* block, std::size_t bytes) noexcept {
#ifdef MADV_HUGEPAGE
    if (block == nullptr || bytes < LargeBlockBytes) {
        return;
    }
    const auto start = reinterpret_cast<std::uintptr_t>(block);
    const std::uintptr_t first = (start + HugePageBytes - 1) & ~(HugePageBytes - 1);
    const std::uintptr_t last = (start + bytes) & ~(HugePageBytes - 1);
    if (last > first) {
        // Only advice: a system that declines it keeps the small pages.
        static_cast<void>(madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE));
    }
#else
    static_cast<void>(block);
    static_cast<void>(bytes);
#endif
}

} // namespace ZuveloGraphLibrary
