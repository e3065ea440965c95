// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// A fixed-size array indexed from First to Last inclusive, so that code reads like the formulas it
// implements: chelator slots 1..6, protonation fractions 0..4, sweep points 1..41.
// It never allocates; an index out of range is caught by an assertion in debug builds.

#include <array>
#include <cassert>
#include <cstddef>

namespace dedodiz {

template <typename T, int First, int Last>
class FixedArray {
    static_assert(Last >= First, "empty index range");

  public:
    static constexpr int first = First;
    static constexpr int last = Last;
    static constexpr std::size_t count = static_cast<std::size_t>(Last - First) + 1;

    constexpr T& operator[](int i) {
        assert(i >= First && i <= Last);
        return items_[static_cast<std::size_t>(i - First)];
    }
    constexpr const T& operator[](int i) const {
        assert(i >= First && i <= Last);
        return items_[static_cast<std::size_t>(i - First)];
    }

    constexpr void fill(const T& value) { items_.fill(value); }
    constexpr auto begin() { return items_.begin(); }
    constexpr auto end() { return items_.end(); }
    constexpr auto begin() const { return items_.begin(); }
    constexpr auto end() const { return items_.end(); }

    friend constexpr bool operator==(const FixedArray&, const FixedArray&) = default;

  private:
    std::array<T, count> items_{};
};

// The usual one-based form: slots 1..N.
template <typename T, int N>
using OneBased = FixedArray<T, 1, N>;

}  // namespace dedodiz
