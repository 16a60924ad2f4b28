#pragma once
// Move-only owners for Win32 handles. Each traits type names the handle's
// invalid value and its one correct closer, so a handle can only ever be
// released the way its kind requires.

#include <windows.h>
#include <wincrypt.h>

#include <utility>

template <typename Traits>
class UniqueResource {
public:
    using value_type = typename Traits::type;

    UniqueResource() = default;
    explicit UniqueResource(value_type value) : value_(value) {}
    ~UniqueResource() { reset(); }

    UniqueResource(UniqueResource&& other) noexcept : value_(other.release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;

    value_type get() const { return value_; }
    explicit operator bool() const { return value_ != Traits::invalid(); }

    value_type release() { return std::exchange(value_, Traits::invalid()); }
    void reset(value_type value = Traits::invalid()) {
        if (value_ != Traits::invalid()) Traits::close(value_);
        value_ = value;
    }
    // For APIs that return the handle through an out parameter.
    value_type* put() {
        reset();
        return &value_;
    }

private:
    value_type value_ = Traits::invalid();
};

// CreateFile and snapshot handles: INVALID_HANDLE_VALUE when absent.
struct FileHandleTraits {
    using type = HANDLE;
    static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) { CloseHandle(h); }
};
// Process, thread, token and event handles: null when absent.
struct KernelHandleTraits {
    using type = HANDLE;
    static HANDLE invalid() { return nullptr; }
    static void close(HANDLE h) { CloseHandle(h); }
};
struct FindHandleTraits {
    using type = HANDLE;
    static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) { FindClose(h); }
};
struct RegistryKeyTraits {
    using type = HKEY;
    static HKEY invalid() { return nullptr; }
    static void close(HKEY h) { RegCloseKey(h); }
};
struct CryptProviderTraits {
    using type = HCRYPTPROV;
    static HCRYPTPROV invalid() { return 0; }
    static void close(HCRYPTPROV h) { CryptReleaseContext(h, 0); }
};
struct CryptHashTraits {
    using type = HCRYPTHASH;
    static HCRYPTHASH invalid() { return 0; }
    static void close(HCRYPTHASH h) { CryptDestroyHash(h); }
};
struct GdiObjectTraits {
    using type = HGDIOBJ;
    static HGDIOBJ invalid() { return nullptr; }
    static void close(HGDIOBJ h) { DeleteObject(h); }
};
// A DC made with CreateCompatibleDC; a window's DC is released with ReleaseDC instead.
struct MemoryDcTraits {
    using type = HDC;
    static HDC invalid() { return nullptr; }
    static void close(HDC h) { DeleteDC(h); }
};

using UniqueFileHandle = UniqueResource<FileHandleTraits>;
using UniqueHandle = UniqueResource<KernelHandleTraits>;
using UniqueFindHandle = UniqueResource<FindHandleTraits>;
using UniqueRegistryKey = UniqueResource<RegistryKeyTraits>;
using UniqueCryptProvider = UniqueResource<CryptProviderTraits>;
using UniqueCryptHash = UniqueResource<CryptHashTraits>;
using UniqueGdiObject = UniqueResource<GdiObjectTraits>;
using UniqueMemoryDc = UniqueResource<MemoryDcTraits>;
