#include "engine/sha256.h"

#include <cstdio>

namespace {

constexpr DWORD SHA256_BYTES = 32;

}  // namespace

std::optional<Sha256Hasher> Sha256Hasher::create() {
    // The basic RSA provider has no SHA-2; the AES one has.
    UniqueCryptProvider provider;
    if (!CryptAcquireContextW(provider.put(), nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) return std::nullopt;
    return Sha256Hasher(std::move(provider));
}

std::optional<std::string> Sha256Hasher::hex(std::string_view data) const {
    UniqueCryptHash hash;
    if (!CryptCreateHash(provider_.get(), CALG_SHA_256, 0, 0, hash.put())) return std::nullopt;
    if (!data.empty() && !CryptHashData(hash.get(), reinterpret_cast<const BYTE*>(data.data()),
                                        static_cast<DWORD>(data.size()), 0)) {
        return std::nullopt;
    }
    BYTE digest[SHA256_BYTES];
    DWORD length = SHA256_BYTES;
    if (!CryptGetHashParam(hash.get(), HP_HASHVAL, digest, &length, 0) || length != SHA256_BYTES) return std::nullopt;
    char text[2 * SHA256_BYTES + 1];
    for (DWORD i = 0; i < SHA256_BYTES; ++i) std::snprintf(text + 2 * i, 3, "%02x", digest[i]);
    return std::string(text, 2 * SHA256_BYTES);
}
