#include "sim/LargeBlockAllocator.h"

#include <sys/mman.h>

#include <cstdlib>

void* AllocateLargeBlock(std::size_t bytes)
{
    const std::size_t rounded = (bytes + HUGE_PAGE_BYTES - 1) / HUGE_PAGE_BYTES * HUGE_PAGE_BYTES;
    void* block = std::aligned_alloc(HUGE_PAGE_BYTES, rounded);
    if (block == nullptr) throw std::bad_alloc();
    ::madvise(block, rounded, MADV_HUGEPAGE);
    return block;
}

void FreeLargeBlock(void* block) noexcept
{
    std::free(block);
}
