#pragma once
// MD5 digests, computed in the program itself: data fed piece by piece, and
// whole files several at a time, eight of them sharing the 32-bit lanes of
// the AVX2 registers where the processor has them (engine/md5_lanes.h).

#include "engine/win32_handle.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

// The four state words of a digest in progress.
using Md5State = std::array<std::uint32_t, 4>;
inline constexpr Md5State MD5_INITIAL_STATE{0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};

// Runs `blocks` consecutive 64-byte blocks of `data` through `state`.
void md5_compress(Md5State& state, const unsigned char* data, std::size_t blocks);

// A digest being computed. Copying it copies the digest so far.
class Md5 {
public:
    Md5() = default;
    // Goes on from a state reached after `length` bytes, a multiple of 64.
    Md5(const Md5State& state, std::uint64_t length) : state_(state), length_(length) {}
    void add(std::span<const char> data);
    // 32 lowercase hexadecimal digits of everything added.
    std::string hex() const;

private:
    Md5State state_ = MD5_INITIAL_STATE;
    std::uint64_t length_ = 0;  // bytes added
    std::array<unsigned char, 64> pending_{};  // the last length_ % 64 of them
};

// Opens the index-th file to digest; an invalid handle leaves it undigested.
using FileOpener = std::function<UniqueFileHandle(std::size_t index)>;

// The digests of `count` files, taken in index order by two workers (put the
// largest first: files that end together keep the lanes full). Nothing for
// a file that could not be opened or read. Without `allow_lanes`, or without
// AVX2, each file is digested on its own.
std::vector<std::optional<std::string>> md5_of_files(std::size_t count, const FileOpener& open, bool allow_lanes = true);
