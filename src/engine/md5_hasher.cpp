#include "engine/md5_hasher.h"

#include <cstdio>

namespace {

constexpr DWORD MD5_BYTES = 16;

std::string hex_digest(const BYTE (&digest)[MD5_BYTES]) {
    char text[2 * MD5_BYTES + 1];
    for (DWORD i = 0; i < MD5_BYTES; ++i) std::snprintf(text + 2 * i, 3, "%02x", digest[i]);
    return std::string(text, 2 * MD5_BYTES);
}

}  // namespace

bool Md5Digest::add(std::span<const char> data) {
    return data.empty() ||
           CryptHashData(hash_.get(), reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size()), 0);
}

std::optional<Md5Digest> Md5Digest::duplicate() const {
    UniqueCryptHash copy;
    if (!CryptDuplicateHash(hash_.get(), nullptr, 0, copy.put())) return std::nullopt;
    return Md5Digest(std::move(copy));
}

std::optional<std::string> Md5Digest::hex() const {
    BYTE digest[MD5_BYTES];
    DWORD length = MD5_BYTES;
    if (!CryptGetHashParam(hash_.get(), HP_HASHVAL, digest, &length, 0) || length != MD5_BYTES) return std::nullopt;
    return hex_digest(digest);
}

std::optional<Md5Hasher> Md5Hasher::create() {
    UniqueCryptProvider provider;
    if (!CryptAcquireContextW(provider.put(), nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)) {
        return std::nullopt;
    }
    return Md5Hasher(std::move(provider));
}

std::optional<Md5Digest> Md5Hasher::start() const {
    UniqueCryptHash hash;
    if (!CryptCreateHash(provider_.get(), CALG_MD5, 0, 0, hash.put())) return std::nullopt;
    return Md5Digest(std::move(hash));
}
