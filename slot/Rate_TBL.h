#pragma once

#include <cstddef>
#include <vector>

// A weight table: entry i owns [sum of earlier weights, that sum + w(i)).
// The name stays as the weight lists name their tables.
template <typename T>
class Rate_TBL : public std::vector<T> {
public:
    using std::vector<T>::vector;

    // Index of the entry whose interval holds r, or the entry count when r lies
    // beyond every entry. Zero weights are never returned.
    static int Lookup(const Rate_TBL& table, T r) noexcept
    {
        T lo = 0;
        const std::size_t n = table.size();
        for (std::size_t i = 0; i < n; ++i) {
            const T hi = lo + table[i];
            if (lo <= r && r < hi) return static_cast<int>(i);
            lo = hi;
        }
        return static_cast<int>(n);
    }
};
