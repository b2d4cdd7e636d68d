// The tree walk over a real file system with a symbolic link inside that
// leads outside: the link goes, everything it leads to stays. Native only; the
// Windows side is tested under Wine with a junction where the prefix makes one.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "launcher/folder_tree.h"
#include <cstdio>

namespace kb::launcher {
namespace {

bool Exists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

bool WriteFile(const std::string& path, const char* text) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    std::fputs(text, f);
    return std::fclose(f) == 0;
}

FolderTreeOps PosixOps() {
    FolderTreeOps ops;
    ops.separator = '/';
    ops.list = [](const std::string& folder) {
        std::vector<TreeEntry> entries;
        if (DIR* dir = opendir(folder.c_str())) {
            while (dirent* e = readdir(dir)) {
                struct stat st;
                const std::string path = folder + "/" + e->d_name;
                if (lstat(path.c_str(), &st) != 0) continue;
                struct stat target;
                const bool link = S_ISLNK(st.st_mode);
                const bool folderEntry = link ? stat(path.c_str(), &target) == 0 && S_ISDIR(target.st_mode)
                                              : S_ISDIR(st.st_mode);
                entries.push_back({e->d_name, folderEntry, link});
            }
            closedir(dir);
        }
        return entries;
    };
    ops.removeFile = [](const std::string& path) { unlink(path.c_str()); };
    ops.removeLink = [](const std::string& path, bool) { unlink(path.c_str()); };
    ops.removeFolder = [](const std::string& path) { rmdir(path.c_str()); };
    ops.isLink = [](const std::string& path) {
        struct stat st;
        return lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
    };
    return ops;
}

TEST(FolderTree, ASymbolicLinkInsideIsRemovedWithoutEnteringIt) {
    char base[] = "/tmp/kb-folder-tree-XXXXXX";
    ASSERT_NE(mkdtemp(base), nullptr);
    const std::string root = base, out = root + "/outside", work = root + "/QZDiscUtil";
    ASSERT_EQ(mkdir(out.c_str(), 0700), 0);
    ASSERT_TRUE(WriteFile(out + "/keep.txt", "keep"));
    ASSERT_EQ(mkdir((out + "/sub").c_str(), 0700), 0);
    ASSERT_TRUE(WriteFile(out + "/sub/deep.txt", "deep"));
    ASSERT_EQ(mkdir(work.c_str(), 0700), 0);
    ASSERT_EQ(mkdir((work + "/Skin").c_str(), 0700), 0);
    ASSERT_TRUE(WriteFile(work + "/Skin/a.txt", "a"));
    ASSERT_EQ(symlink(out.c_str(), (work + "/folder-link").c_str()), 0);
    ASSERT_EQ(symlink((out + "/keep.txt").c_str(), (work + "/file-link").c_str()), 0);

    DeleteFolderTreeWith(PosixOps(), work);

    EXPECT_FALSE(Exists(work));
    EXPECT_TRUE(Exists(out + "/keep.txt"));
    EXPECT_TRUE(Exists(out + "/sub/deep.txt"));
    unlink((out + "/sub/deep.txt").c_str());
    rmdir((out + "/sub").c_str());
    unlink((out + "/keep.txt").c_str());
    rmdir(out.c_str());
    rmdir(root.c_str());
}

// A work folder that is itself a link to a folder of the user's: nothing is
// removed, neither the link nor anything it leads to.
TEST(FolderTree, AFolderThatIsALinkIsLeftAsItIs) {
    char base[] = "/tmp/kb-folder-tree-XXXXXX";
    ASSERT_NE(mkdtemp(base), nullptr);
    const std::string root = base, out = root + "/outside", work = root + "/QZDiscUtil";
    ASSERT_EQ(mkdir(out.c_str(), 0700), 0);
    ASSERT_TRUE(WriteFile(out + "/keep.txt", "keep"));
    ASSERT_EQ(symlink(out.c_str(), work.c_str()), 0);

    DeleteFolderTreeWith(PosixOps(), work);

    EXPECT_TRUE(Exists(work));
    EXPECT_TRUE(Exists(out + "/keep.txt"));
    unlink(work.c_str());
    unlink((out + "/keep.txt").c_str());
    rmdir(out.c_str());
    rmdir(root.c_str());
}

}  // namespace
}  // namespace kb::launcher
