// How fast MD5 could go if several groups were digested at once: four inputs
// in the 32-bit lanes of SSE2 registers, or eight in AVX2 registers, against
// CryptoAPI digesting the same inputs one after another. Checks that all give
// the same digests, and times each by the CPU time of its thread.
// Build: x86_64-w64-mingw32-g++ -O2 -std=c++20 -static -Isrc bench/md5_lanes.cpp -o md5_lanes.exe -ladvapi32 \
//          -x c++ -mavx2 src/engine/md5_lanes.cpp
// Run:   wine md5_lanes.exe [MiB per input, default 32]
// (the AVX2 lanes, the program's own, run only where the CPU has AVX2.)

#include <windows.h>
#include <wincrypt.h>
#include <immintrin.h>

#include "engine/md5_lanes.h"
#include "engine/md5_steps.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

namespace {

using Digest = std::array<unsigned char, 16>;

struct Sse2 {
    static constexpr int lanes = 4;
    using V = __m128i;
    static V add(V a, V b) { return _mm_add_epi32(a, b); }
    static V and_(V a, V b) { return _mm_and_si128(a, b); }
    static V or_(V a, V b) { return _mm_or_si128(a, b); }
    static V xor_(V a, V b) { return _mm_xor_si128(a, b); }
    static V not_(V a) { return _mm_xor_si128(a, _mm_set1_epi32(-1)); }
    static V splat(std::uint32_t x) { return _mm_set1_epi32(static_cast<int>(x)); }
    template <int S> static V rotl(V x) { return _mm_or_si128(_mm_slli_epi32(x, S), _mm_srli_epi32(x, 32 - S)); }
    static V load(const std::uint32_t* v) { return _mm_loadu_si128(reinterpret_cast<const V*>(v)); }
    static void store(std::uint32_t* v, V x) { _mm_storeu_si128(reinterpret_cast<V*>(v), x); }
};

// One 64-byte block of each lane.
template <typename O>
void compress(typename O::V (&state)[4], const unsigned char* const* blocks) {
    typename O::V w[16];
    for (int i = 0; i < 16; ++i) {
        std::uint32_t v[O::lanes];
        for (int lane = 0; lane < O::lanes; ++lane) std::memcpy(&v[lane], blocks[lane] + 4 * i, 4);
        w[i] = O::load(v);
    }
    md5_steps::block<O>(state, w);
}

// Inputs of one length, a multiple of 64 bytes (which keeps the padding short).
template <typename O>
std::vector<Digest> md5_lanes(const std::vector<const unsigned char*>& inputs, std::size_t length) {
    typename O::V state[4] = {O::splat(0x67452301), O::splat(0xefcdab89), O::splat(0x98badcfe), O::splat(0x10325476)};
    const unsigned char* blocks[O::lanes];
    for (std::size_t at = 0; at < length; at += 64) {
        for (int lane = 0; lane < O::lanes; ++lane) blocks[lane] = inputs[lane] + at;
        compress<O>(state, blocks);
    }
    unsigned char pad[64] = {0x80};
    const std::uint64_t bits = static_cast<std::uint64_t>(length) * 8;
    std::memcpy(pad + 56, &bits, 8);
    for (int lane = 0; lane < O::lanes; ++lane) blocks[lane] = pad;
    compress<O>(state, blocks);
    std::vector<Digest> digests(O::lanes);
    for (int word = 0; word < 4; ++word) {
        std::uint32_t v[O::lanes];
        O::store(v, state[word]);
        for (int lane = 0; lane < O::lanes; ++lane) std::memcpy(digests[lane].data() + 4 * word, &v[lane], 4);
    }
    return digests;
}

// The program's own eight AVX2 lanes (src/engine/md5_lanes.cpp).
std::vector<Digest> md5_engine_lanes(const std::vector<const unsigned char*>& inputs, std::size_t length) {
    Md5LaneStates states;
    const std::uint32_t initial[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
    for (int word = 0; word < 4; ++word) std::fill(std::begin(states.words[word]), std::end(states.words[word]), initial[word]);
    const unsigned char* blocks[MD5_LANES];
    for (int lane = 0; lane < MD5_LANES; ++lane) blocks[lane] = inputs[lane];
    md5_compress_lanes(states, blocks, length / 64);
    unsigned char pad[64] = {0x80};
    const std::uint64_t bits = static_cast<std::uint64_t>(length) * 8;
    std::memcpy(pad + 56, &bits, 8);
    for (int lane = 0; lane < MD5_LANES; ++lane) blocks[lane] = pad;
    md5_compress_lanes(states, blocks, 1);
    std::vector<Digest> digests(MD5_LANES);
    for (int word = 0; word < 4; ++word) {
        for (int lane = 0; lane < MD5_LANES; ++lane) std::memcpy(digests[lane].data() + 4 * word, &states.words[word][lane], 4);
    }
    return digests;
}

Digest md5_cryptoapi(HCRYPTPROV provider, const unsigned char* input, std::size_t length) {
    HCRYPTHASH hash = 0;
    CryptCreateHash(provider, CALG_MD5, 0, 0, &hash);
    for (std::size_t at = 0; at < length; at += 256 * 1024) {
        CryptHashData(hash, input + at, static_cast<DWORD>(std::min<std::size_t>(256 * 1024, length - at)), 0);
    }
    Digest digest{};
    DWORD size = 16;
    CryptGetHashParam(hash, HP_HASHVAL, digest.data(), &size, 0);
    CryptDestroyHash(hash);
    return digest;
}

// CPU seconds of this thread, which a busy shared machine disturbs less than
// elapsed time.
double thread_cpu_seconds() {
    FILETIME created, exited, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
    const auto ticks = [](const FILETIME& t) { return (static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 1e7;
}

template <typename Lanes>
void measure(const char* name, Lanes lanes, const std::vector<const unsigned char*>& inputs, std::size_t length,
             const std::vector<Digest>& expected) {
    const double start = thread_cpu_seconds();
    const auto digests = lanes(inputs, length);
    const double seconds = thread_cpu_seconds() - start;
    std::printf("  %s: %.0f MiB/s, same digests: %s\n", name, digests.size() * (length / 1048576.0) / seconds,
                digests == expected ? "yes" : "NO");
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t length = (argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 32) * 1048576;
    std::vector<std::vector<unsigned char>> data(8, std::vector<unsigned char>(length));
    std::vector<const unsigned char*> inputs;
    for (std::size_t lane = 0; lane < data.size(); ++lane) {
        for (std::size_t i = 0; i < length; ++i) data[lane][i] = static_cast<unsigned char>(i * (lane + 3) + (i >> 12));
        inputs.push_back(data[lane].data());
    }
    HCRYPTPROV provider = 0;
    if (!CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)) return 1;
    const bool avx2 = __builtin_cpu_supports("avx2");
    for (int round = 0; round < 5; ++round) {
        const double start = thread_cpu_seconds();
        std::vector<Digest> expected;
        for (const unsigned char* input : inputs) expected.push_back(md5_cryptoapi(provider, input, length));
        std::printf("CPU time per MiB: CryptoAPI one input after another %.0f MiB/s\n",
                    8 * (length / 1048576.0) / (thread_cpu_seconds() - start));
        measure("four SSE2 lanes", md5_lanes<Sse2>, inputs, length, {expected.begin(), expected.begin() + 4});
        if (avx2) measure("eight AVX2 lanes", md5_engine_lanes, inputs, length, expected);
    }
    CryptReleaseContext(provider, 0);
    return 0;
}
