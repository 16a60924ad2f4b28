// Compiled with -mavx2: nothing here runs unless md5_lanes_supported() said
// yes, and this file includes no library templates that another file could
// share, so no AVX2 instruction leaks into code that runs everywhere.
#include "engine/md5_lanes.h"

#include "engine/md5_steps.h"

#include <immintrin.h>

#include <cstring>

namespace {

struct Avx2 {
    using V = __m256i;
    static V add(V a, V b) { return _mm256_add_epi32(a, b); }
    static V and_(V a, V b) { return _mm256_and_si256(a, b); }
    static V or_(V a, V b) { return _mm256_or_si256(a, b); }
    static V xor_(V a, V b) { return _mm256_xor_si256(a, b); }
    static V not_(V a) { return _mm256_xor_si256(a, _mm256_set1_epi32(-1)); }
    static V splat(std::uint32_t x) { return _mm256_set1_epi32(static_cast<int>(x)); }
    template <int S> static V rotl(V x) { return _mm256_or_si256(_mm256_slli_epi32(x, S), _mm256_srli_epi32(x, 32 - S)); }
};

std::uint32_t word_at(const unsigned char* p) {
    std::uint32_t word;
    std::memcpy(&word, p, 4);
    return word;
}

}  // namespace

void md5_compress_lanes(Md5LaneStates& states, const unsigned char* const (&inputs)[MD5_LANES], std::size_t blocks) {
    __m256i state[4];
    for (int w = 0; w < 4; ++w) state[w] = _mm256_load_si256(reinterpret_cast<const __m256i*>(states.words[w]));
    for (std::size_t at = 0; at < 64 * blocks; at += 64) {
        __m256i words[16];
        for (int i = 0; i < 16; ++i) {
            words[i] = _mm256_setr_epi32(
                static_cast<int>(word_at(inputs[0] + at + 4 * i)), static_cast<int>(word_at(inputs[1] + at + 4 * i)),
                static_cast<int>(word_at(inputs[2] + at + 4 * i)), static_cast<int>(word_at(inputs[3] + at + 4 * i)),
                static_cast<int>(word_at(inputs[4] + at + 4 * i)), static_cast<int>(word_at(inputs[5] + at + 4 * i)),
                static_cast<int>(word_at(inputs[6] + at + 4 * i)), static_cast<int>(word_at(inputs[7] + at + 4 * i)));
        }
        md5_steps::block<Avx2>(state, words);
    }
    for (int w = 0; w < 4; ++w) _mm256_store_si256(reinterpret_cast<__m256i*>(states.words[w]), state[w]);
}
