// The file seam on real files: contents, positions, times, attributes, sharing,
// listing, whole-file and whole-folder operations, the temp folder.
#include "shared/base/fs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "testing/kit/code_page.h"
#include "testing/kit/temp_folder.h"

namespace kb::fs {
namespace {

// Wine keeps no creation time of its own, reports archive on every file and, run
// as root, neither enforces read-only nor refuses to replace hidden files; those
// checks run natively (the seam's emulation) and on real Windows.
bool UnderWine() {
#ifdef _WIN32
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
#else
    return false;
#endif
}

class FsTest : public ::kb::testing::TempFolderTest {};

void WriteFile(const std::string& path, const std::string& data) {
    File f = File::Open(path, Access::Write, Disposition::CreateAlways, Share::None);
    ASSERT_TRUE(f.IsOpen());
    ASSERT_TRUE(f.Write(data.data(), data.size()));
}

std::string ReadFile(const std::string& path) {
    File f = File::Open(path, Access::Read, Disposition::OpenExisting, Share::ReadWrite);
    uint64_t size = 0;
    if (!f.IsOpen() || !f.Size(&size)) return "<unreadable>";
    std::string data(static_cast<size_t>(size), '\0');
    return f.ReadExact(data.data(), data.size()) ? data : "<short>";
}

std::vector<std::string> Names(const std::string& folder) {
    std::vector<DirEntry> entries;
    ListFolder(folder, &entries);
    std::vector<std::string> names;
    for (const DirEntry& e : entries) names.push_back(e.name);
    std::sort(names.begin(), names.end());
    return names;
}

TEST_F(FsTest, ReadsWritesSeeksAndSizes) {
    Error err = Error::Other;
    File f = File::Open(P("a.bin"), Access::ReadWrite, Disposition::CreateNew, Share::None, &err);
    ASSERT_TRUE(f.IsOpen());
    EXPECT_EQ(err, Error::None);
    ASSERT_TRUE(f.Write("hello world", 11));
    uint64_t size = 0, pos = 0;
    ASSERT_TRUE(f.Size(&size));
    EXPECT_EQ(size, 11u);
    ASSERT_TRUE(f.Seek(6, Origin::Begin));
    char buf[16] = {};
    size_t got = 0;
    ASSERT_TRUE(f.Read(buf, sizeof buf, &got));
    EXPECT_EQ(std::string(buf, got), "world");
    ASSERT_TRUE(f.Tell(&pos));
    EXPECT_EQ(pos, 11u);
    EXPECT_FALSE(f.ReadExact(buf, 1));
    // A read at a position needs no seek before it; past the end it gets nothing.
    ASSERT_TRUE(f.ReadAt(2, buf, 3, &got));
    EXPECT_EQ(std::string(buf, got), "llo");
    ASSERT_TRUE(f.ReadAt(9, buf, sizeof buf, &got));
    EXPECT_EQ(std::string(buf, got), "ld");
    ASSERT_TRUE(f.ReadAt(11, buf, sizeof buf, &got));
    EXPECT_EQ(got, 0u);
    ASSERT_TRUE(f.Seek(-5, Origin::End));
    ASSERT_TRUE(f.ReadExact(buf, 2));
    EXPECT_EQ(std::string(buf, 2), "wo");
    ASSERT_TRUE(f.SetSize(5));
    ASSERT_TRUE(f.Size(&size));
    EXPECT_EQ(size, 5u);
    ASSERT_TRUE(f.Flush());
    ASSERT_TRUE(f.Close());
    EXPECT_FALSE(f.IsOpen());
    ASSERT_TRUE(GetSize(P("a.bin"), &size));
    EXPECT_EQ(size, 5u);

    // Moving the handle moves ownership; the moved-from handle is closed.
    File g = File::Open(P("a.bin"), Access::Read, Disposition::OpenExisting, Share::Read);
    File h = std::move(g);
    EXPECT_FALSE(g.IsOpen());
    ASSERT_TRUE(h.ReadExact(buf, 5));
    EXPECT_EQ(std::string(buf, 5), "hello");
}

TEST_F(FsTest, DispositionsAndErrors) {
    Error err = Error::None;
    EXPECT_FALSE(File::Open(P("none"), Access::Read, Disposition::OpenExisting, Share::Read, &err).IsOpen());
    EXPECT_EQ(err, Error::NotFound);
    WriteFile(P("x"), "abc");
    EXPECT_FALSE(File::Open(P("x"), Access::Write, Disposition::CreateNew, Share::None, &err).IsOpen());
    EXPECT_EQ(err, Error::Exists);
    {
        File f = File::Open(P("x"), Access::Write, Disposition::OpenAlways, Share::None);
        ASSERT_TRUE(f.IsOpen());
        uint64_t size = 0;
        ASSERT_TRUE(f.Size(&size));
        EXPECT_EQ(size, 3u);  // not truncated
    }
    {
        File f = File::Open(P("x"), Access::Write, Disposition::CreateAlways, Share::None);
        uint64_t size = 9;
        ASSERT_TRUE(f.Size(&size));
        EXPECT_EQ(size, 0u);
    }
}

TEST_F(FsTest, ExclusiveOpenRefusesOthers) {
    WriteFile(P("x"), "abc");
    File f = File::Open(P("x"), Access::Read, Disposition::OpenExisting, Share::None);
    ASSERT_TRUE(f.IsOpen());
    Error err = Error::None;
    EXPECT_FALSE(File::Open(P("x"), Access::Read, Disposition::OpenExisting, Share::All, &err).IsOpen());
    EXPECT_EQ(err, Error::SharingViolation);
    EXPECT_FALSE(RemoveFile(P("x")));
    f.Close();
    File r1 = File::Open(P("x"), Access::Read, Disposition::OpenExisting, Share::Read);
    File r2 = File::Open(P("x"), Access::Read, Disposition::OpenExisting, Share::Read);
    EXPECT_TRUE(r1.IsOpen());
    EXPECT_TRUE(r2.IsOpen());
}

TEST_F(FsTest, TimesRoundTrip) {
    WriteFile(P("t"), "x");
    const FileTimes set{FileTimeFromUnixSeconds(1000000000), FileTimeFromUnixSeconds(1100000000),
                        FileTimeFromUnixSeconds(1200000000)};
    ASSERT_TRUE(SetTimes(P("t"), set));
    FileTimes got;
    ASSERT_TRUE(GetTimes(P("t"), &got));
    if (!UnderWine()) {
        EXPECT_EQ(got.creation, set.creation);
    }
    EXPECT_EQ(got.lastAccess, set.lastAccess);
    EXPECT_EQ(got.lastWrite, set.lastWrite);
    // A zero leaves that time alone.
    ASSERT_TRUE(SetTimes(P("t"), FileTimes{0, 0, FileTimeFromUnixSeconds(1300000000)}));
    ASSERT_TRUE(GetTimes(P("t"), &got));
    if (!UnderWine()) {
        EXPECT_EQ(got.creation, set.creation);
    }
    EXPECT_EQ(got.lastWrite, FileTimeFromUnixSeconds(1300000000));
    // On a read-only file as well.
    ASSERT_TRUE(SetAttributes(P("t"), kAttrReadOnly));
    ASSERT_TRUE(SetTimes(P("t"), FileTimes{0, 0, FileTimeFromUnixSeconds(1400000000)}));
    ASSERT_TRUE(GetTimes(P("t"), &got));
    EXPECT_EQ(got.lastWrite, FileTimeFromUnixSeconds(1400000000));
}

TEST(FsTimeUnits, SecondsAndFileTimes) {
    EXPECT_EQ(FileTimeFromUnixSeconds(0), kUnixEpochFileTime);
    EXPECT_EQ(UnixSecondsFromFileTime(FileTimeFromUnixSeconds(0xFFFFFFFFu)), 0xFFFFFFFFu);
    EXPECT_EQ(UnixSecondsFromFileTime(kUnixEpochFileTime - 1), 0u);
    EXPECT_EQ(UnixSecondsFromFileTime(FileTimeFromUnixSeconds(1234567890) + 9999999), 1234567890u);
}

TEST_F(FsTest, AttributesRoundTripAndReadOnlyIsEnforced) {
    WriteFile(P("a"), "x");
    uint32_t a = 0;
    ASSERT_TRUE(GetAttributes(P("a"), &a));
    EXPECT_EQ(a & (kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrDirectory), 0u);
    for (uint32_t want : {kAttrReadOnly, kAttrHidden, kAttrSystem, kAttrArchive,
                          kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrArchive}) {
        ASSERT_TRUE(SetAttributes(P("a"), want));
        ASSERT_TRUE(GetAttributes(P("a"), &a));
        const uint32_t mask = UnderWine() ? kAttrSettable & ~kAttrArchive : kAttrSettable;
        EXPECT_EQ(a & mask, want & mask);
    }
    ASSERT_TRUE(SetAttributes(P("a"), kAttrReadOnly));
    Error err = Error::None;
    if (!UnderWine()) {
        EXPECT_FALSE(File::Open(P("a"), Access::Write, Disposition::CreateAlways, Share::None, &err).IsOpen());
        EXPECT_EQ(err, Error::AccessDenied);
        EXPECT_FALSE(RemoveFile(P("a"), &err));
        EXPECT_EQ(err, Error::AccessDenied);
    }
    EXPECT_TRUE(File::Open(P("a"), Access::Read, Disposition::OpenExisting, Share::Read).IsOpen());
    ASSERT_TRUE(SetAttributes(P("a"), kAttrNormal));  // clears read-only as 0 does
    EXPECT_TRUE(RemoveFile(P("a"), &err));
    EXPECT_FALSE(Exists(P("a")));

    ASSERT_TRUE(GetAttributes(dir_, &a));
    EXPECT_TRUE(a & kAttrDirectory);
}

TEST_F(FsTest, ReplacingAHiddenOrSystemFileIsRefused) {
    if (UnderWine()) GTEST_SKIP() << "Wine replaces hidden and system files";
    for (uint32_t attr : {kAttrHidden, kAttrSystem}) {
        WriteFile(P("h"), "x");
        ASSERT_TRUE(SetAttributes(P("h"), attr));
        Error err = Error::None;
        EXPECT_FALSE(File::Open(P("h"), Access::ReadWrite, Disposition::CreateAlways, Share::None, &err).IsOpen());
        EXPECT_EQ(err, Error::AccessDenied);
        ASSERT_TRUE(SetAttributes(P("h"), 0));
        EXPECT_TRUE(RemoveFile(P("h")));
    }
}

TEST_F(FsTest, FoldersListingAndRenames) {
    ASSERT_TRUE(CreateFolder(P("sub")));
    EXPECT_FALSE(CreateFolder(P("sub")));
    EXPECT_FALSE(CreateFolder(P("no\\such")));
    WriteFile(P("sub\\f1"), "12345");
    WriteFile(P("f2"), "");
    std::vector<DirEntry> entries;
    ASSERT_TRUE(ListFolder(dir_, &entries));
    std::sort(entries.begin(), entries.end(), [](auto& x, auto& y) { return x.name < y.name; });
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].name, "f2");
    EXPECT_FALSE(entries[0].attributes & kAttrDirectory);
    EXPECT_EQ(entries[1].name, "sub");
    EXPECT_TRUE(entries[1].attributes & kAttrDirectory);
    EXPECT_FALSE(entries[1].attributes & kAttrReparsePoint);
    entries.clear();
    ASSERT_TRUE(ListFolder(P("sub"), &entries));
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].size, 5u);
    EXPECT_FALSE(ListFolder(P("none"), &entries));

    EXPECT_FALSE(RenameFile(P("sub\\f1"), P("f2"), false));
    ASSERT_TRUE(RenameFile(P("sub\\f1"), P("f2"), true));
    uint64_t size = 0;
    ASSERT_TRUE(GetSize(P("f2"), &size));
    EXPECT_EQ(size, 5u);
    EXPECT_FALSE(Exists(P("sub\\f1")));
    EXPECT_TRUE(RemoveFolder(P("sub")));
}

// A file held open without sharing still tells its times, as a folder does.
TEST_F(FsTest, TimesAreReadWithoutOpeningTheFile) {
    WriteFile(P("t"), "x");
    ASSERT_TRUE(SetTimes(P("t"), FileTimes{0, 0, FileTimeFromUnixSeconds(1300000000)}));
    File held = File::Open(P("t"), Access::ReadWrite, Disposition::OpenExisting, Share::None);
    ASSERT_TRUE(held.IsOpen());
    FileTimes got;
    ASSERT_TRUE(GetTimes(P("t"), &got));
    EXPECT_EQ(got.lastWrite, FileTimeFromUnixSeconds(1300000000));
    EXPECT_TRUE(GetTimes(dir_, &got));
}

TEST_F(FsTest, FolderTreesAreMadeLevelByLevel) {
    EXPECT_TRUE(CreateFolderTree(P("a\\b\\c")));
    EXPECT_TRUE(CreateFolderTree(P("a\\b\\c")));  // already there
    uint32_t a = 0;
    ASSERT_TRUE(GetAttributes(P("a\\b"), &a));
    EXPECT_TRUE(a & kAttrDirectory);
    WriteFile(P("file"), "x");
    EXPECT_FALSE(CreateFolderTree(P("file")));  // a file stands in the way
    EXPECT_FALSE(CreateFolderTree(P("file\\sub")));
    EXPECT_FALSE(CreateFolderTree(""));
}

TEST_F(FsTest, PrivateFoldersAreNewAndDistinct) {
    const std::string first = CreatePrivateFolder(dir_, "~p");
    const std::string second = CreatePrivateFolder(dir_ + "\\", "~p");
    ASSERT_FALSE(first.empty());
    ASSERT_FALSE(second.empty());
    EXPECT_NE(first, second);
    EXPECT_EQ(first.substr(0, P("~p").size()), P("~p"));
    EXPECT_EQ(second.substr(0, P("~p").size()), P("~p"));
    EXPECT_EQ(Names(first), std::vector<std::string>{});
    EXPECT_EQ(Names(dir_).size(), 2u);
    EXPECT_EQ(CreatePrivateFolder(P("missing"), "~p"), "");
}

// Each private file beside a target takes a name the calls before it have
// not tried: a name found taken is passed over once, not again by every file
// made after it, and the file that holds it is left alone.
TEST_F(FsTest, FilesBesideATargetGoOnFromTheLastName) {
    std::string first, second, third;
    {
        File f = CreateFileBeside(P("t.txt"), &first);
        ASSERT_TRUE(f.IsOpen());
    }
    ASSERT_TRUE(RemoveFile(first));
    {
        File f = CreateFileBeside(P("t.txt"), &second);
        ASSERT_TRUE(f.IsOpen());
    }
    EXPECT_NE(second, first);
    const std::string name = second.substr(second.size() - std::string("~kbj00000000.tmp").size());
    ASSERT_EQ(name.substr(0, 4), "~kbj");
    const unsigned long number = std::strtoul(name.substr(4, 8).c_str(), nullptr, 16);
    char taken[24];
    std::snprintf(taken, sizeof taken, "~kbj%08lX.tmp", number + 1);
    WriteFile(P(taken), "the user's");
    {
        File f = CreateFileBeside(P("t.txt"), &third);
        ASSERT_TRUE(f.IsOpen());
    }
    EXPECT_NE(third, P(taken));
    EXPECT_NE(third, second);
    EXPECT_EQ(ReadFile(P(taken)), "the user's");
}

TEST_F(FsTest, RemoveTreeTakesReadOnlyFilesAndNeverFollowsALink) {
    ASSERT_TRUE(CreateFolderTree(P("tree\\sub\\deeper")));
    WriteFile(P("tree\\a"), "a");
    WriteFile(P("tree\\sub\\deeper\\b"), "b");
    ASSERT_TRUE(SetAttributes(P("tree\\sub\\deeper\\b"), kAttrReadOnly | kAttrHidden));
    ASSERT_TRUE(CreateFolder(P("outside")));
    WriteFile(P("outside\\kept"), "k");
#ifndef _WIN32
    // A link out of the tree: removed, never walked into.
    std::string native = dir_;
    std::replace(native.begin(), native.end(), '\\', '/');
    ASSERT_EQ(symlink((native + "/outside").c_str(), (native + "/tree/sub/link").c_str()), 0);
#endif
    RemoveTree(P("tree"));
    EXPECT_FALSE(Exists(P("tree")));
    EXPECT_EQ(ReadFile(P("outside\\kept")), "k");
}

// The operations that write whole files, on a plain name and on one whose
// trail byte is 0x5C: the name keeps that byte, so no folder named by its lead
// byte is looked for. (Natively only: the Wine prefix of the test runs does not
// store double-byte names through the A-functions faithfully.)
TEST_F(FsTest, WholeFilesAreCopiedMovedAndToldApart) {
    struct Row {
        const char* stem;
        bool shiftJis;
    };
    const Row rows[] = {{"plain", false}, {"\x95\x5C", true}};
    for (const Row& r : rows) {
        if (r.shiftJis) {
#ifdef _WIN32
            continue;
#else
            ASSERT_TRUE(testing::UseCodePage932());
#endif
        }
        const std::string a = P(std::string(r.stem) + ".a"), b = P(std::string(r.stem) + ".b");
        {
            File f = File::Open(a, Access::Write, Disposition::CreateNew, Share::None);
            ASSERT_TRUE(f.IsOpen()) << r.stem;
            ASSERT_TRUE(f.Write("abc", 3));
        }
        EXPECT_TRUE(CopyToNewFile(a, b)) << r.stem;
        EXPECT_EQ(ReadFile(b), "abc") << r.stem;
        WriteFile(b, "new");
        EXPECT_FALSE(CopyToNewFile(a, b)) << r.stem;  // never over an existing file
        EXPECT_EQ(ReadFile(b), "new") << r.stem;
        EXPECT_TRUE(SameFile(a, a)) << r.stem;
        EXPECT_FALSE(SameFile(a, b)) << r.stem;
        EXPECT_TRUE(SameFileOrPath(a, a)) << r.stem;
        EXPECT_FALSE(SameFileOrPath(a, b)) << r.stem;
        // A file about to be made is matched by its path.
        EXPECT_FALSE(SameFile(P(std::string(r.stem) + ".none"), P(std::string(r.stem) + ".none")));
        EXPECT_TRUE(SameFileOrPath(P(std::string(r.stem) + ".none"), P(std::string(r.stem) + ".none")));
        EXPECT_FALSE(SameFileOrPath(a, P(std::string(r.stem) + ".none")));
        EXPECT_TRUE(MoveIntoPlace(b, a)) << r.stem;
        EXPECT_EQ(ReadFile(a), "new") << r.stem;
        EXPECT_FALSE(Exists(b)) << r.stem;
        EXPECT_EQ(Names(dir_), std::vector<std::string>{std::string(r.stem) + ".a"}) << r.stem;
        RemoveFile(a);
        testing::UseSingleByteCodePage();
    }
}

TEST_F(FsTest, SameFileByAnySpelling) {
    ASSERT_TRUE(CreateFolder(P("sub")));
    const std::string file = P("a long name.bin");
    WriteFile(file, "same");
    WriteFile(P("other.bin"), "same");
    std::string slashes = file;
    std::replace(slashes.begin(), slashes.end(), '\\', '/');
    std::vector<std::string> spellings = {file, dir_ + "\\.\\a long name.bin", P("sub\\..\\a long name.bin"), slashes};
#ifdef _WIN32
    std::string upper = file;
    std::transform(upper.begin(), upper.end(), upper.begin(), [](char c) { return c >= 'a' && c <= 'z' ? c - 32 : c; });
    spellings.push_back(upper);
    char shortName[MAX_PATH] = {};
    const DWORD n = GetShortPathNameA(file.c_str(), shortName, MAX_PATH);
    ASSERT_GT(n, 0u);
    ASSERT_LT(n, static_cast<DWORD>(MAX_PATH));
    EXPECT_NE(std::string(shortName), file);  // the name has a space: its short form differs
    spellings.push_back(shortName);
#endif
    // A file held without sharing still answers.
    File held = File::Open(file, Access::ReadWrite, Disposition::OpenExisting, Share::None);
    ASSERT_TRUE(held.IsOpen());
    for (const std::string& s : spellings) {
        EXPECT_TRUE(SameFile(file, s)) << s;
        EXPECT_TRUE(SameFile(s, file)) << s;
    }
    EXPECT_FALSE(SameFile(file, P("other.bin")));  // same bytes, another file
    EXPECT_FALSE(SameFile(file, P("missing.bin")));
    EXPECT_FALSE(SameFile(P("missing.bin"), P("missing.bin")));
}

TEST_F(FsTest, TheTempFolderComesFromTmpFirst) {
    auto set = [](const char* name, const char* value) {
#ifdef _WIN32
        SetEnvironmentVariableA(name, value);
#else
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
#endif
    };
    auto get = [](const char* name) -> std::string {
        const char* v = std::getenv(name);
        return v ? v : "";
    };
    const std::string oldTmp = get("TMP"), oldTemp = get("TEMP");
    set("TMP", dir_.c_str());
    set("TEMP", nullptr);
    const std::string fromTmp = TempFolder();
    set("TMP", nullptr);
    set("TEMP", (dir_ + "\\sub").c_str());
    const std::string fromTemp = TempFolder();
    set("TMP", oldTmp.empty() ? nullptr : oldTmp.c_str());
    set("TEMP", oldTemp.empty() ? nullptr : oldTemp.c_str());
    EXPECT_EQ(fromTmp, dir_ + "\\");
    EXPECT_EQ(fromTemp, dir_ + "\\sub\\");
}

// Double-byte characters whose trail byte is 0x5C, in the seam's full paths and
// its temp folder: natively the seam's own folding, on Windows the system's.
class FsDoubleByteTest : public FsTest {
protected:
    void SetUp() override {
        KB_REQUIRE_CP932();
        FsTest::SetUp();
    }
    void TearDown() override {
        FsTest::TearDown();
        ::kb::testing::UseSingleByteCodePage();
    }
};

TEST_F(FsDoubleByteTest, FullPathsAndTheTempFolderKeepTrailBytes0x5C) {
    // dir_ holds no double-byte character; its form from the seam is the base.
    const std::string base = FullPath(dir_);
    struct Row {
        std::string path;  // under base
        std::string full;
    };
    const Row rows[] = {
        {"\\\x95\x5C\\a.txt", "\\\x95\x5C\\a.txt"},
        {"\\\x95\x5C", "\\\x95\x5C"},
        {"\\\x95\x5C\\", "\\\x95\x5C\\"},
        {"\\\x83\x5C\x95\x5C\\b", "\\\x83\x5C\x95\x5C\\b"},
        {"\\\x95\x5C\\..\\x", "\\x"},
        {"\\a\\.\\\x95\x5C\\..\\..\\\x95\x5C", "\\\x95\x5C"},
    };
    for (const Row& r : rows) EXPECT_EQ(FullPath(base + r.path), base + r.full) << r.path;

    // A temp folder whose last character ends in 0x5C gets its separator.
    const std::string folder = dir_ + "\\\x95\x5C";
    ASSERT_TRUE(CreateFolder(folder));
    std::string temp;
    {
        ::kb::testing::ScopedTempFolder scoped(folder);
        temp = TempFolder();
    }
    EXPECT_EQ(temp, FullPath(folder) + "\\");
}

TEST_F(FsTest, PathsAndMemoryOverride) {
    const std::string t = TempFolder();
    ASSERT_FALSE(t.empty());
    EXPECT_EQ(t.back(), '\\');
    EXPECT_EQ(FullPath(dir_ + "\\sub\\..\\x"), FullPath(dir_ + "\\x"));
    EXPECT_FALSE(CurrentFolder().empty());

    const MemoryStatus fake{1234, 5678};
    SetMemoryStatusForTesting(&fake);
    EXPECT_EQ(GetMemoryStatus().availablePhysical, 1234u);
    EXPECT_EQ(GetMemoryStatus().availableVirtual, 5678u);
    SetMemoryStatusForTesting(nullptr);
    EXPECT_NE(GetMemoryStatus().availablePhysical, 1234u);
}

}  // namespace
}  // namespace kb::fs
