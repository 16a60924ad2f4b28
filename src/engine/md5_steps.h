#pragma once
// The 64 steps of the MD5 block function, written once for any type of word:
// plain 32-bit words digest one input, vector registers one input per lane.
// `Ops` supplies the word type V and add, and_, or_, xor_, not_, splat, rotl<S>.

#include <cstdint>
#include <utility>

namespace md5_steps {

inline constexpr std::uint32_t K[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

// Step I, with every shift and word index a constant.
template <typename Ops, int I>
inline void step(typename Ops::V& a, typename Ops::V b, typename Ops::V c, typename Ops::V d,
                 const typename Ops::V* w) {
    constexpr int round = I / 16;
    constexpr int shifts[4][4] = {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};
    constexpr int word = round == 0 ? I : round == 1 ? (5 * I + 1) % 16 : round == 2 ? (3 * I + 5) % 16 : (7 * I) % 16;
    typename Ops::V f;
    if constexpr (round == 0) f = Ops::xor_(d, Ops::and_(b, Ops::xor_(c, d)));
    if constexpr (round == 1) f = Ops::xor_(c, Ops::and_(d, Ops::xor_(b, c)));
    if constexpr (round == 2) f = Ops::xor_(Ops::xor_(b, c), d);
    if constexpr (round == 3) f = Ops::xor_(c, Ops::or_(b, Ops::not_(d)));
    f = Ops::add(Ops::add(f, a), Ops::add(Ops::splat(K[I]), w[word]));
    a = Ops::add(b, Ops::template rotl<shifts[round][I % 4]>(f));
}

// Each step writes the register that rotates out: a, d, c, b in turn.
template <typename Ops, int... I>
inline void all_steps(typename Ops::V& a, typename Ops::V& b, typename Ops::V& c, typename Ops::V& d,
                      const typename Ops::V* w, std::integer_sequence<int, I...>) {
    ((I % 4 == 0   ? step<Ops, I>(a, b, c, d, w)
      : I % 4 == 1 ? step<Ops, I>(d, a, b, c, w)
      : I % 4 == 2 ? step<Ops, I>(c, d, a, b, w)
                   : step<Ops, I>(b, c, d, a, w)),
     ...);
}

// One block: `w` holds its 16 little-endian words.
template <typename Ops>
inline void block(typename Ops::V (&state)[4], const typename Ops::V* w) {
    typename Ops::V a = state[0], b = state[1], c = state[2], d = state[3];
    all_steps<Ops>(a, b, c, d, w, std::make_integer_sequence<int, 64>{});
    state[0] = Ops::add(state[0], a);
    state[1] = Ops::add(state[1], b);
    state[2] = Ops::add(state[2], c);
    state[3] = Ops::add(state[3], d);
}

}  // namespace md5_steps
