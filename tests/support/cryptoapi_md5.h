#pragma once
// The system's own MD5, the reference the program's digests are checked against.

#include <string>

// 32 lowercase hexadecimal digits, or "CryptoAPI failed".
std::string cryptoapi_md5(const std::string& data);
