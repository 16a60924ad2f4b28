// What ships: one GUI-subsystem executable that needs nothing beside it but
// Windows' own DLLs, carrying its icon, version and manifest.

#include "support/child_process.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <cctype>
#include <set>
#include <string>

namespace {

// The file's bytes, read as they are on disk, for its headers and import table.
struct ImageFile {
    std::string bytes;
    explicit ImageFile(const std::string& path) {
        std::ifstream file(path, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(file), {});
    }
    const BYTE* at(std::size_t offset) const { return reinterpret_cast<const BYTE*>(bytes.data()) + offset; }
    const IMAGE_NT_HEADERS64* headers() const {
        return reinterpret_cast<const IMAGE_NT_HEADERS64*>(at(reinterpret_cast<const IMAGE_DOS_HEADER*>(at(0))->e_lfanew));
    }
    // Where a relative virtual address lies in the file, or null.
    const BYTE* at_rva(DWORD rva) const {
        const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(headers());
        for (WORD i = 0; i < headers()->FileHeader.NumberOfSections; ++i, ++section) {
            if (rva >= section->VirtualAddress && rva < section->VirtualAddress + section->Misc.VirtualSize) {
                return at(section->PointerToRawData + (rva - section->VirtualAddress));
            }
        }
        return nullptr;
    }
};

std::string resource_text(const std::string& path, LPCSTR type, LPCSTR name) {
    HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) return {};
    std::string text;
    if (HRSRC found = FindResourceA(module, name, type)) {
        text.assign(static_cast<const char*>(LockResource(LoadResource(module, found))), SizeofResource(module, found));
    }
    FreeLibrary(module);
    return text;
}

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

TEST(Executable, IsAGuiProgramThatImportsOnlySystemDlls) {
    const ImageFile image(twk_exe_path());
    ASSERT_GT(image.bytes.size(), 4096u);
    ASSERT_EQ(image.headers()->OptionalHeader.Magic, IMAGE_NT_OPTIONAL_HDR64_MAGIC);
    EXPECT_EQ(image.headers()->OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);

    const std::set<std::string> system_dlls{"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll",
                                            "shlwapi.dll", "ole32.dll", "rstrtmgr.dll", "msimg32.dll", "msvcrt.dll",
                                            "comctl32.dll", "crypt32.dll", "version.dll", "ntdll.dll"};
    const DWORD imports = image.headers()->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    std::set<std::string> imported;
    for (auto* entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(image.at_rva(imports)); entry && entry->Name;
         ++entry) {
        imported.insert(lower(reinterpret_cast<const char*>(image.at_rva(entry->Name))));
    }
    EXPECT_THAT(imported, ::testing::Contains("kernel32.dll"));
    for (const std::string& dll : imported) EXPECT_TRUE(system_dlls.count(dll)) << dll << " would have to ship beside twk.exe";
    // Loaded at first use, so that a console start does without them.
    for (const char* delayed : {"user32.dll", "gdi32.dll", "shell32.dll", "ole32.dll"}) {
        EXPECT_FALSE(imported.count(delayed)) << delayed;
    }
}

TEST(Executable, CarriesIconVersionAndManifest) {
    const std::string exe = twk_exe_path();
    EXPECT_FALSE(resource_text(exe, RT_GROUP_ICON, MAKEINTRESOURCEA(101)).empty());

    const std::string version = resource_text(exe, RT_VERSION, MAKEINTRESOURCEA(1));
    ASSERT_GE(version.size(), 40u + sizeof(VS_FIXEDFILEINFO));
    // The fixed block follows the "VS_VERSION_INFO" header, 32-bit aligned.
    const auto* fixed = reinterpret_cast<const VS_FIXEDFILEINFO*>(version.data() + 40);
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(0, 1));  // 1.0
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);              // .0.0

    const std::string manifest = resource_text(exe, RT_MANIFEST, MAKEINTRESOURCEA(1));
    EXPECT_THAT(manifest, ::testing::HasSubstr("level=\"asInvoker\""));
    EXPECT_THAT(manifest, ::testing::HasSubstr("<dpiAware"));
    EXPECT_THAT(manifest, ::testing::HasSubstr("Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""));
}

}  // namespace
