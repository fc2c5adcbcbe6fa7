#include "app/driver/batchheap.h"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

namespace {

constexpr int kMib = 1 << 20;
// Blocks up to this size come from the heap (the most the allocator allows), so a freed
// file buffer or table is reused rather than unmapped.
constexpr int kLargestHeapBlock = 32 * kMib;
// The heap grows in steps of this much address space; the first step gets large pages.
constexpr int kHeapStep = 256 * kMib;
constexpr std::uintptr_t kLargePage = 2 * kMib;

} // namespace

void PrepareBatchHeap()
{
    mallopt(M_MMAP_THRESHOLD, kLargestHeapBlock);
    mallopt(M_TRIM_THRESHOLD, 1 << 30); // never give the top of the heap back
    mallopt(M_TOP_PAD, kHeapStep);
    // One allocation larger than what is left of the heap extends it by the step; the whole
    // of it is then marked for large pages. Should the system refuse (no large pages), the
    // heap simply stays as it is.
    void *first = std::malloc(kMib);
    const auto begin = (reinterpret_cast<std::uintptr_t>(first) + kLargePage - 1)
                       & ~(kLargePage - 1);
    const auto end = reinterpret_cast<std::uintptr_t>(sbrk(0)) & ~(kLargePage - 1);
    if (first && end > begin)
        madvise(reinterpret_cast<void *>(begin), end - begin, MADV_HUGEPAGE);
    std::free(first);
}
