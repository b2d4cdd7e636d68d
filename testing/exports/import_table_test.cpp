// Every shipped binary binds only DLLs that every Windows PC has: a user's machine
// gets the deliverables and nothing beside them.
#include "pe_exports.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <string>

namespace {

const char* const kShipped[] = {
#include "shipped_files.inc"
};

// Windows' own libraries that the deliverables may bind; NetApi32 is bound at run
// time by name, never through a table.
const char* const kSystemDlls[] = {
    "kernel32.dll", "user32.dll", "gdi32.dll",   "advapi32.dll", "shell32.dll", "comctl32.dll",
    "version.dll",  "msvcrt.dll", "ole32.dll",   "oleaut32.dll", "shlwapi.dll", "comdlg32.dll",
};

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return s;
}

bool IsSystemDll(const std::string& name) {
    const std::string lower = Lower(name);
    return std::any_of(std::begin(kSystemDlls), std::end(kSystemDlls), [&](const char* s) { return lower == s; });
}

std::string BinFolder() {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string dir(self);
    dir.resize(dir.find_last_of('\\') + 1);
    return dir;
}

bool IsDll(const std::string& name) { return Lower(name).ends_with(".dll"); }

// Of those, the ones the system always takes from its own folder (its known
// libraries): any other import is looked for in the calling program's folder
// first, so a library that imports it takes whatever file lies there.
const char* const kKnownDlls[] = {
    "kernel32.dll", "user32.dll",   "gdi32.dll",   "advapi32.dll", "shell32.dll",
    "msvcrt.dll",   "ole32.dll",    "oleaut32.dll", "shlwapi.dll", "comdlg32.dll",
};

bool IsKnownDll(const std::string& name) {
    const std::string lower = Lower(name);
    return std::any_of(std::begin(kKnownDlls), std::end(kKnownDlls), [&](const char* s) { return lower == s; });
}

}  // namespace

TEST(ImportTable, EveryShippedBinaryBindsOnlySystemLibraries) {
    ASSERT_GE(std::size(kShipped), 3u);
    for (const char* file : kShipped) {
        SCOPED_TRACE(file);
        auto image = kb::testing::ReadWholeFile(BinFolder() + file);
        ASSERT_TRUE(image.has_value()) << "cannot read " << file;
        auto imports = kb::testing::ReadPeImports(*image);
        ASSERT_TRUE(imports.has_value()) << file << " has a damaged import table";
        EXPECT_FALSE(imports->empty());
        for (const auto& i : *imports) {
            EXPECT_TRUE(IsSystemDll(i.dll)) << file << " binds " << i.dll << (i.delayed ? " (delay-loaded)" : "")
                                            << ", which a Windows PC does not have";
        }
    }
}

// A library is loaded into other programs from their folders, and a program
// runs from a disc or a work folder beside files it did not put there: each
// imports only what the system takes from its own folder, and binds the rest
// (version.dll, NetApi32.dll, comctl32.dll) at run time by full path in the
// system folder.
TEST(ImportTable, EveryShippedBinaryImportsOnlyKnownSystemLibraries) {
    int libraries = 0, programs = 0;
    for (const char* file : kShipped) {
        SCOPED_TRACE(file);
        ++(IsDll(file) ? libraries : programs);
        auto image = kb::testing::ReadWholeFile(BinFolder() + file);
        ASSERT_TRUE(image.has_value()) << "cannot read " << file;
        auto imports = kb::testing::ReadPeImports(*image);
        ASSERT_TRUE(imports.has_value()) << file << " has a damaged import table";
        for (const auto& i : *imports)
            EXPECT_TRUE(IsKnownDll(i.dll)) << file << " imports " << i.dll << (i.delayed ? " (delay-loaded)" : "")
                                           << ", which the system looks for beside the program first";
    }
    EXPECT_GE(libraries, 3);
    EXPECT_GE(programs, 2);
}

// Each DLL loads from a folder holding it alone, with only the system folder searched
// beside it. Wine's system folder holds more than Windows' (zlib1.dll among them), so
// the import tables above decide; this catches a runtime DLL that neither has.
TEST(ImportTable, EveryShippedLibraryLoadsAloneFromAFolderOfItsOwn) {
    char temp[MAX_PATH] = {};
    ASSERT_NE(GetTempPathA(MAX_PATH, temp), 0u);
    int loaded = 0;
    for (const char* file : kShipped) {
        if (!IsDll(file)) continue;
        SCOPED_TRACE(file);
        const std::string folder = std::string(temp) + "kb-alone-" + std::to_string(GetCurrentProcessId()) + "-" + file;
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr)) << GetLastError();
        const std::string copy = folder + "\\" + file;
        ASSERT_TRUE(CopyFileA((BinFolder() + file).c_str(), copy.c_str(), TRUE)) << GetLastError();
        HMODULE dll = LoadLibraryExA(copy.c_str(), nullptr,
                                     LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
        const DWORD error = GetLastError();
        EXPECT_NE(dll, nullptr) << file << " does not load alone: error " << error;
        if (dll) {
            ++loaded;
            FreeLibrary(dll);
        }
        DeleteFileA(copy.c_str());
        RemoveDirectoryA(folder.c_str());
    }
    EXPECT_GE(loaded, 3);
}
