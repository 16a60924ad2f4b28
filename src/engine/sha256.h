#pragma once
// SHA-256 digests of short byte strings through CryptoAPI, for reports that
// must tell whether a value is still the one a scan saw without carrying it.
//
// One hasher holds one provider context: acquiring one per digest reloads the
// provider DLL each time, which costs milliseconds under Wine.

#include "engine/win32_handle.h"

#include <optional>
#include <string>
#include <string_view>

class Sha256Hasher {
public:
    // Nothing when no provider with SHA-256 can be acquired.
    static std::optional<Sha256Hasher> create();

    // 64 lowercase hexadecimal digits, or nothing when the digest failed.
    std::optional<std::string> hex(std::string_view data) const;

private:
    explicit Sha256Hasher(UniqueCryptProvider provider) : provider_(std::move(provider)) {}
    UniqueCryptProvider provider_;
};
