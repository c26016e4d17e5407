// Its own executable: it replaces the global allocation functions to count them.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "slot/RandomSource.h"
#include "slot/Slot.h"

namespace {
std::atomic<long> allocations{0};
}  // namespace

void* operator new(std::size_t size)
{
    ++allocations;
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

namespace {

TEST(SlotAllocation, GamesAllocateNothing)
{
    RandomSource random;
    random.Seed(9);
    Slot slot(random);
    for (int setting = 1; setting <= 6; ++setting) {
        slot.SetSetting(setting);
        slot.Reset();
        const long before = allocations.load();
        for (int i = 0; i < 300000; ++i) slot.Play();
        EXPECT_EQ(allocations.load(), before) << "setting " << setting;
    }
}

}  // namespace
