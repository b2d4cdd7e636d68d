// Fresh folders for tests, and the temp folder pointed elsewhere for a while.
#pragma once
#include <gtest/gtest.h>

#include <string>

namespace kb::testing {

// A fresh, empty folder under the temp folder, removed at the end with
// everything in it (read-only and hidden files included).
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    // The folder in Windows path syntax, without a trailing separator.
    const std::string& path() const { return path_; }
    // path() + "\" + name.
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

// A fresh folder for each test: dir_ (no trailing separator) and P(name) in it.
class TempFolderTest : public ::testing::Test {
protected:
    std::string P(const std::string& name) const { return dir_ + "\\" + name; }
    TempDir folder_;
    std::string dir_ = folder_.path();
};

// Points TMP and TEMP at folder while it lives.
class ScopedTempFolder {
public:
    explicit ScopedTempFolder(const std::string& folder);
    ~ScopedTempFolder();
    ScopedTempFolder(const ScopedTempFolder&) = delete;
    ScopedTempFolder& operator=(const ScopedTempFolder&) = delete;

private:
    std::string oldTmp_, oldTemp_;
    bool hadTmp_ = false, hadTemp_ = false;
};

}  // namespace kb::testing
