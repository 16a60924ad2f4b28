#include "support/cryptoapi_md5.h"

#include "engine/win32_handle.h"

#include <cstdio>

std::string cryptoapi_md5(const std::string& data) {
    UniqueCryptProvider provider;
    UniqueCryptHash hash;
    BYTE digest[16];
    DWORD length = sizeof digest;
    if (!CryptAcquireContextW(provider.put(), nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT) ||
        !CryptCreateHash(provider.get(), CALG_MD5, 0, 0, hash.put()) ||
        !CryptHashData(hash.get(), reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size()), 0) ||
        !CryptGetHashParam(hash.get(), HP_HASHVAL, digest, &length, 0)) {
        return "CryptoAPI failed";
    }
    char text[33];
    for (int i = 0; i < 16; ++i) std::snprintf(text + 2 * i, 3, "%02x", digest[i]);
    return text;
}
