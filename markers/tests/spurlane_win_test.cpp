// Spurlane.dll against layouts staged in the test prefix's C: drive and profile folders.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

namespace {

std::string BesideThisProgram(const char* name) {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string dir(self);
    dir.resize(dir.find_last_of('\\') + 1);
    return dir + name;
}

// Loads the library by full path and binds both exports by name.
class Spurlane {
public:
    using Query = int(WINAPI*)();
    Spurlane() : dll_(LoadLibraryA(BesideThisProgram("Spurlane.dll").c_str())) {
        if (!dll_) return;
        inst_ = Bind("IsExistInstKey");
        reboot_ = Bind("IsExistNeedRebootKey");
    }
    ~Spurlane() {
        if (dll_) FreeLibrary(dll_);
    }
    Spurlane(const Spurlane&) = delete;
    Spurlane& operator=(const Spurlane&) = delete;

    bool Bound() const { return inst_ && reboot_; }
    int Inst() const { return inst_(); }
    int Reboot() const { return reboot_(); }

private:
    Query Bind(const char* name) {
        return reinterpret_cast<Query>(reinterpret_cast<void*>(GetProcAddress(dll_, name)));
    }
    HMODULE dll_;
    Query inst_ = nullptr;
    Query reboot_ = nullptr;
};

bool IsFolder(const std::string& path) {
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

// Creates folders and files and removes exactly those, newest first; whatever
// existed before is left alone, and an existing marker file is refused.
class Staging {
public:
    ~Staging() {
        for (auto it = made_.rbegin(); it != made_.rend(); ++it) {
            if (it->folder)
                RemoveDirectoryA(it->path.c_str());
            else
                DeleteFileA(it->path.c_str());
        }
    }

    // path ends with a backslash; every missing folder on the way is made.
    ::testing::AssertionResult Folders(const std::string& path) {
        for (size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1)) {
            std::string part = path.substr(0, at);
            if (CreateDirectoryA(part.c_str(), nullptr))
                made_.push_back({part, true});
            else if (!IsFolder(part))
                return ::testing::AssertionFailure() << "cannot make " << part << ": " << GetLastError();
        }
        return ::testing::AssertionSuccess();
    }

    ::testing::AssertionResult File(const std::string& path) {
        HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE)
            return ::testing::AssertionFailure() << "cannot make " << path << " (a leftover?): " << GetLastError();
        CloseHandle(h);
        made_.push_back({path, false});
        return ::testing::AssertionSuccess();
    }

private:
    struct Made {
        std::string path;
        bool folder;
    };
    std::vector<Made> made_;
};

std::string ProfileFolder() {
    char path[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathA(nullptr, path, CSIDL_PROFILE, FALSE)) return {};
    return path;
}

std::string TempFolder() {
    char path[MAX_PATH + 1] = {};
    DWORD n = GetTempPathA(sizeof path, path);
    return n > 0 && n < sizeof path ? std::string(path, n) : std::string();
}

enum class Place { DriveC, OwnProfile, OtherProfile, HiddenProfile, TempFolder, ProfileTempItself };

struct Marker {
    Place place;
    const char* name;
    bool asFolder = false;
};

struct Layout {
    const char* what;
    std::vector<Marker> markers;
    int inst;
    int reboot;
};

const char kVisibleProfile[] = "spurlane-test-profile";
// Wine reports names starting with a dot as hidden.
const char kHiddenProfile[] = ".spurlane-test-hidden";

class SpurlaneLayouts : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(spurlane_.Bound());
        for (char letter = 'D'; letter <= 'Y'; ++letter) {
            std::string root = std::string(1, letter) + ":\\";
            if (GetDriveTypeA(root.c_str()) == DRIVE_FIXED)
                GTEST_SKIP() << "the prefix maps " << root << " as a fixed drive; these layouts need C: alone";
        }
        profile_ = ProfileFolder();
        ASSERT_FALSE(profile_.empty());
        parent_ = profile_.substr(0, profile_.find_last_of('\\') + 1);
        temp_ = TempFolder();
        ASSERT_FALSE(temp_.empty());
        // Everything below is staged by the test itself, so the bare prefix must hold no marker.
        ASSERT_EQ(spurlane_.Inst(), 0) << "the prefix already holds an install marker";
        ASSERT_EQ(spurlane_.Reboot(), 0) << "the prefix already holds a need-reboot marker";
    }

    std::string FolderOf(Place place) const {
        const std::string tail = "\\Local Settings\\Temp\\";
        switch (place) {
        case Place::DriveC: return "C:\\TQZDisc\\";
        case Place::OwnProfile: return profile_ + tail + "TQZDisc\\";
        case Place::OtherProfile: return parent_ + kVisibleProfile + tail + "TQZDisc\\";
        case Place::HiddenProfile: return parent_ + kHiddenProfile + tail + "TQZDisc\\";
        case Place::TempFolder: return temp_ + "TQZDisc\\";
        case Place::ProfileTempItself: return parent_ + kVisibleProfile + tail;
        }
        return {};
    }

    void Stage(Staging& staging, const Marker& m) {
        std::string folder = FolderOf(m.place);
        ASSERT_TRUE(staging.Folders(folder));
        if (m.place == Place::HiddenProfile) {
            DWORD a = GetFileAttributesA((parent_ + kHiddenProfile).c_str());
            ASSERT_TRUE(a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_HIDDEN))
                << "the hidden profile folder is not reported hidden";
        }
        if (m.asFolder)
            ASSERT_TRUE(staging.Folders(folder + m.name + "\\"));
        else
            ASSERT_TRUE(staging.File(folder + m.name));
    }

    Spurlane spurlane_;
    std::string profile_, parent_, temp_;
};

TEST_F(SpurlaneLayouts, AnswersEachLayout) {
    const Layout layouts[] = {
        {"no marker at all", {}, 0, 0},
        {"install marker at the root of C:", {{Place::DriveC, "AdminForInst"}}, 1, 0},
        {"need-reboot marker at the root of C:", {{Place::DriveC, "AdminForNeedReboot"}}, 0, 1},
        {"a folder named like the marker", {{Place::DriveC, "AdminForInst", true}}, 0, 0},
        {"need-reboot marker in another profile's temp folder",
         {{Place::OtherProfile, "AdminForNeedReboot"}}, 0, 1},
        {"install marker in the user's own profile", {{Place::OwnProfile, "AdminForInst"}}, 1, 0},
        {"marker in a hidden profile", {{Place::HiddenProfile, "AdminForInst"}, {Place::HiddenProfile, "AdminForNeedReboot"}},
         0, 0},
        {"a profile folder named like the marker", {{Place::OtherProfile, "AdminForNeedReboot", true}}, 0, 0},
        {"marker beside, not inside, TQZDisc", {{Place::ProfileTempItself, "AdminForInst"}}, 0, 0},
        {"marker in the temp folder's TQZDisc", {{Place::TempFolder, "AdminForInst"}}, 0, 0},
        {"markers on the drive and in a profile",
         {{Place::DriveC, "AdminForInst"}, {Place::OtherProfile, "AdminForInst"}, {Place::OtherProfile, "AdminForNeedReboot"}},
         1, 1},
    };
    for (const auto& layout : layouts) {
        SCOPED_TRACE(layout.what);
        {
            Staging staging;
            for (const auto& m : layout.markers) {
                Stage(staging, m);
                if (HasFatalFailure()) return;
            }
            EXPECT_EQ(spurlane_.Inst(), layout.inst);
            EXPECT_EQ(spurlane_.Reboot(), layout.reboot);
        }
        // Nothing is kept between calls: with the layout gone the answers are 0 again.
        EXPECT_EQ(spurlane_.Inst(), 0);
        EXPECT_EQ(spurlane_.Reboot(), 0);
    }
}

TEST_F(SpurlaneLayouts, LeavesTheCallersErrorModeAsItWas) {
    const UINT modes[] = {0, SEM_NOGPFAULTERRORBOX, SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX};
    const UINT processBefore = GetErrorMode();
    for (UINT mode : modes) {
        DWORD previous = 0;
        ASSERT_TRUE(SetThreadErrorMode(mode, &previous));
        spurlane_.Inst();
        spurlane_.Reboot();
        EXPECT_EQ(GetThreadErrorMode(), mode);
        EXPECT_EQ(GetErrorMode(), processBefore);
        SetThreadErrorMode(previous, nullptr);
    }
}

}  // namespace
