#pragma once

#include <cstddef>
#include <new>

// Blocks of HUGE_PAGE_BYTES and more, aligned to that size and offered to the
// kernel for huge pages. Throws std::bad_alloc when there is no memory.
inline constexpr std::size_t HUGE_PAGE_BYTES = std::size_t{2} << 20;
void* AllocateLargeBlock(std::size_t bytes);
void FreeLargeBlock(void* block) noexcept;

// Allocator for the big, short-lived arrays of a run: huge pages cut the page
// faults of filling a fresh million-row series to a few dozen.
template <typename T>
struct LargeBlockAllocator {
    using value_type = T;

    LargeBlockAllocator() noexcept = default;
    template <typename U>
    LargeBlockAllocator(const LargeBlockAllocator<U>&) noexcept
    {
    }

    T* allocate(std::size_t count)
    {
        if (count > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_array_new_length();
        const std::size_t bytes = count * sizeof(T);
        if (bytes < HUGE_PAGE_BYTES) return static_cast<T*>(::operator new(bytes));
        return static_cast<T*>(AllocateLargeBlock(bytes));
    }

    void deallocate(T* block, std::size_t count) noexcept
    {
        if (count * sizeof(T) < HUGE_PAGE_BYTES)
            ::operator delete(block);
        else
            FreeLargeBlock(block);
    }

    template <typename U>
    bool operator==(const LargeBlockAllocator<U>&) const noexcept
    {
        return true;
    }
};
