#pragma once
// MD5 digests of whole files through CryptoAPI.
//
// One hasher holds one provider context for its whole life: acquiring and
// releasing a context per file reloads the provider DLL each time, which
// costs milliseconds per file under Wine.

#include "engine/win32_handle.h"

#include <optional>
#include <string>

class Md5Hasher {
public:
    // Nothing when no provider context can be acquired.
    static std::optional<Md5Hasher> create();

    // The digest as 32 lowercase hexadecimal digits, or nothing when the file
    // cannot be opened for shared reading or hashing fails. A failed read ends
    // the input: the digest is that of what was read so far.
    std::optional<std::string> hash_file(const std::string& path) const;

private:
    explicit Md5Hasher(UniqueCryptProvider provider) : provider_(std::move(provider)) {}
    UniqueCryptProvider provider_;
};
