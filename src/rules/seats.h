// The seats of a table: 1 to 4 play (a colour, a rack, a score, turns),
// 5 to 9 watch. Every layer counts seats by these two numbers.
#pragma once

#include <array>

namespace zindle {

inline constexpr int kPlayerSeats = 4;
inline constexpr int kSeats = 9;

// Seats 1 to 4.
inline constexpr bool isPlayer(int seat) {
    return seat >= 1 && seat <= kPlayerSeats;
}
inline constexpr bool isSeat(int seat) {
    return seat >= 1 && seat <= kSeats;
}

// Partners are fixed pairs: seat 1 with 3, 2 with 4.
inline constexpr int partnerOf(int seat) {
    return seat <= 2 ? seat + 2 : seat - 2;
}

// Something per player seat, indexed by the seat number; [0] is unused.
template <typename T>
using PerPlayerSeat = std::array<T, kPlayerSeats + 1>;

}  // namespace zindle
