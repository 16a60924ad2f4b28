#include "engine/md5_hasher.h"

#include "engine/file_reading.h"

#include <cstdio>
#include <vector>

namespace {

constexpr std::size_t READ_CHUNK_BYTES = 256 * 1024;
constexpr DWORD MD5_BYTES = 16;

std::string hex_digest(const BYTE (&digest)[MD5_BYTES]) {
    char text[2 * MD5_BYTES + 1];
    for (DWORD i = 0; i < MD5_BYTES; ++i) std::snprintf(text + 2 * i, 3, "%02x", digest[i]);
    return std::string(text, 2 * MD5_BYTES);
}

bool hash_contents(HANDLE file, HCRYPTHASH hash) {
    std::vector<char> buffer(READ_CHUNK_BYTES);
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) || got == 0) return true;
        if (!CryptHashData(hash, reinterpret_cast<const BYTE*>(buffer.data()), got, 0)) return false;
    }
}

}  // namespace

std::optional<Md5Hasher> Md5Hasher::create() {
    UniqueCryptProvider provider;
    if (!CryptAcquireContextW(provider.put(), nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)) {
        return std::nullopt;
    }
    return Md5Hasher(std::move(provider));
}

std::optional<std::string> Md5Hasher::hash_file(const std::string& path) const {
    UniqueFileHandle file = open_for_shared_reading(path);
    if (!file) return std::nullopt;
    UniqueCryptHash hash;
    if (!CryptCreateHash(provider_.get(), CALG_MD5, 0, 0, hash.put())) return std::nullopt;
    if (!hash_contents(file.get(), hash.get())) return std::nullopt;
    BYTE digest[MD5_BYTES];
    DWORD length = MD5_BYTES;
    if (!CryptGetHashParam(hash.get(), HP_HASHVAL, digest, &length, 0) || length != MD5_BYTES) return std::nullopt;
    return hex_digest(digest);
}
