// What ships: one GUI-subsystem executable that needs nothing beside it but
// Windows' own DLLs, carrying its icon, version and manifest.

#include "build_info.h"
#include "support/child_process.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <windows.h>

#include <set>
#include <string>

namespace {

// twk.exe mapped as an image, but not run: headers, imports and resources
// lie at their relative addresses from the base.
class MappedImage {
public:
    explicit MappedImage(const std::string& path) : module_(LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {}
    ~MappedImage() { FreeLibrary(module_); }
    template <typename T> const T* at(DWORD rva) const { return reinterpret_cast<const T*>(base() + rva); }
    const IMAGE_NT_HEADERS64* headers() const { return at<IMAGE_NT_HEADERS64>(at<IMAGE_DOS_HEADER>(0)->e_lfanew); }
    // The resource's bytes, or nothing.
    std::string resource(LPCSTR type, LPCSTR name) const {
        HRSRC found = FindResourceA(module_, name, type);
        if (!found) return {};
        return std::string(static_cast<const char*>(LockResource(LoadResource(module_, found))), SizeofResource(module_, found));
    }

private:
    // A module loaded as a resource has its low bits set as a marker.
    const BYTE* base() const { return reinterpret_cast<const BYTE*>(reinterpret_cast<ULONG_PTR>(module_) & ~ULONG_PTR{3}); }
    HMODULE module_;
};

TEST(Executable, IsAGuiProgramThatImportsOnlySystemDlls) {
    const MappedImage image(twk_exe_path());
    ASSERT_EQ(image.headers()->OptionalHeader.Magic, IMAGE_NT_OPTIONAL_HDR64_MAGIC);
    EXPECT_EQ(image.headers()->OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);

    const std::set<std::string> system_dlls{"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll",
                                            "shlwapi.dll", "ole32.dll", "rstrtmgr.dll", "msimg32.dll", "msvcrt.dll",
                                            "comctl32.dll", "crypt32.dll", "version.dll", "ntdll.dll"};
    const DWORD imports = image.headers()->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    std::set<std::string> imported;
    for (auto* entry = image.at<IMAGE_IMPORT_DESCRIPTOR>(imports); entry->Name; ++entry) {
        std::string dll = image.at<char>(entry->Name);
        imported.insert(CharLowerA(dll.data()));
    }
    EXPECT_THAT(imported, ::testing::Contains("kernel32.dll"));
    for (const std::string& dll : imported) EXPECT_TRUE(system_dlls.count(dll)) << dll << " would have to ship beside twk.exe";
    // Loaded at first use, so that a console start does without them.
    for (const char* delayed : {"user32.dll", "gdi32.dll", "shell32.dll", "ole32.dll"}) EXPECT_FALSE(imported.count(delayed)) << delayed;
}

TEST(Executable, CarriesIconVersionAndManifest) {
    const MappedImage image(twk_exe_path());
    EXPECT_FALSE(image.resource(RT_GROUP_ICON, MAKEINTRESOURCEA(101)).empty());

    const std::string version = image.resource(RT_VERSION, MAKEINTRESOURCEA(1));
    ASSERT_GE(version.size(), 40u + sizeof(VS_FIXEDFILEINFO));
    // The fixed block follows the "VS_VERSION_INFO" header, 32-bit aligned.
    const auto* fixed = reinterpret_cast<const VS_FIXEDFILEINFO*>(version.data() + 40);
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." + std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
                  std::to_string(HIWORD(fixed->dwFileVersionLS)) + "." + std::to_string(LOWORD(fixed->dwFileVersionLS)),
              std::string(TWK_VERSION) + ".0");

    const std::string manifest = image.resource(RT_MANIFEST, MAKEINTRESOURCEA(1));
    for (const std::string& part : {"name=\"Tidewick.twk\" version=\"" + std::string(TWK_VERSION) + ".0\"",
                                    std::string("level=\"asInvoker\""), std::string("<dpiAware"),
                                    std::string("Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"")}) {
        EXPECT_THAT(manifest, ::testing::HasSubstr(part));
    }
}

}  // namespace
