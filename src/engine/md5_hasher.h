#pragma once
// MD5 digests through CryptoAPI, of data fed piece by piece.
//
// One hasher holds one provider context for its whole life: acquiring and
// releasing a context per file reloads the provider DLL each time, which
// costs milliseconds per file under Wine.

#include "engine/win32_handle.h"

#include <optional>
#include <span>
#include <string>

// A digest being computed. A copy taken with duplicate() goes on from the
// same state, so data shared by several inputs is hashed once.
class Md5Digest {
public:
    bool add(std::span<const char> data);
    std::optional<Md5Digest> duplicate() const;
    // 32 lowercase hexadecimal digits, or nothing when the digest failed.
    std::optional<std::string> hex() const;

private:
    friend class Md5Hasher;
    explicit Md5Digest(UniqueCryptHash hash) : hash_(std::move(hash)) {}
    UniqueCryptHash hash_;
};

class Md5Hasher {
public:
    // Nothing when no provider context can be acquired.
    static std::optional<Md5Hasher> create();

    std::optional<Md5Digest> start() const;

private:
    explicit Md5Hasher(UniqueCryptProvider provider) : provider_(std::move(provider)) {}
    UniqueCryptProvider provider_;
};
