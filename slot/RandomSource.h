#pragma once

#include <cstdint>

// The one random sequence of a program start. Seed it exactly once; every
// lottery of the machine and the hidden-setting draw of a run take their
// numbers from the same object, so the order of calls fixes every result.
class RandomSource {
public:
    // Starts the sequence. Calling it again restarts it.
    void Seed(std::uint32_t seed) noexcept
    {
        state = static_cast<std::uint32_t>(seed * SEED_MULTIPLIER + 1u);
    }

    // Starts the sequence at any of its 2^64 states, for streams that must not
    // coincide (independent simulations of a large study).
    void SetState(std::uint64_t newState) noexcept { state = newState; }

    // Next value in 0..2147483647.
    int Next() noexcept
    {
        state = state * MULTIPLIER + 1u;
        return static_cast<int>((state >> 32) & 0x7FFFFFFFu);
    }

    // 16-bit draw: the low 16 bits of a fresh value.
    int Draw16() noexcept { return Next() & 0xFFFF; }
    // 8-bit draw: the low 8 bits of a fresh value.
    int Draw8() noexcept { return Next() & 0xFF; }

private:
    // Seeding and drawing use different multipliers on purpose.
    static constexpr std::uint32_t SEED_MULTIPLIER = 0x015A4E35u;
    static constexpr std::uint64_t MULTIPLIER = 0x0000015A00004E35ull;

    std::uint64_t state = 0;  // high half 0 after seeding
};
