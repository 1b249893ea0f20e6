// A fixed array numbered from 1, as the window's data tables number their entries
// (entry 1 of `Inputs` is input 0 of the controller, shown by `Inputs_1`).
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>

template <typename T, std::size_t N>
class OneBased {
public:
    OneBased() { items_.fill(T{}); }

    /// Entry `n`, 1 .. N. An index outside that range is a programming error
    /// and throws std::out_of_range rather than touching a neighbour.
    T& operator[](std::size_t n) { return items_.at(n - 1); }
    const T& operator[](std::size_t n) const { return items_.at(n - 1); }

    void Fill(T value) { items_.fill(value); }
    /// Sets entries `first` .. `last` (1-based, inclusive) to `value`.
    void Fill(std::size_t first, std::size_t last, T value) { std::fill(&(*this)[first], &(*this)[last] + 1, value); }
    static constexpr std::size_t Size() { return N; }

    auto begin() { return items_.begin(); }
    auto end() { return items_.end(); }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

    friend bool operator==(const OneBased&, const OneBased&) = default;

private:
    std::array<T, N> items_;
};
