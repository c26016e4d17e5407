#pragma once

#include <sys/mman.h>

#include <cstddef>
#include <cstdlib>
#include <new>

// Allocator for the big, short-lived arrays of a run: blocks of 2 MiB and more
// are aligned to 2 MiB and offered to the kernel for huge pages, which cuts the
// page faults of filling a fresh million-row series to a few dozen.
template <typename T>
struct LargeBlockAllocator {
    using value_type = T;

    LargeBlockAllocator() noexcept = default;
    template <typename U>
    LargeBlockAllocator(const LargeBlockAllocator<U>&) noexcept {}

    T* allocate(std::size_t count)
    {
        if (count > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_array_new_length();
        const std::size_t bytes = count * sizeof(T);
        if (bytes < HUGE_PAGE) return static_cast<T*>(::operator new(bytes));
        const std::size_t rounded = (bytes + HUGE_PAGE - 1) / HUGE_PAGE * HUGE_PAGE;
        void* block = std::aligned_alloc(HUGE_PAGE, rounded);
        if (block == nullptr) throw std::bad_alloc();
        ::madvise(block, rounded, MADV_HUGEPAGE);
        return static_cast<T*>(block);
    }

    void deallocate(T* block, std::size_t count) noexcept
    {
        if (count * sizeof(T) < HUGE_PAGE)
            ::operator delete(block);
        else
            std::free(block);
    }

    template <typename U>
    bool operator==(const LargeBlockAllocator<U>&) const noexcept { return true; }

private:
    static constexpr std::size_t HUGE_PAGE = std::size_t{2} << 20;
};
