// The loader's folders: the writable-folder probe, the work folder and its
// registry record, the write test of a destination, the eraser's path.
#pragma once
#include <functional>
#include <optional>
#include <string>

namespace kb::loader {

// The file-system and registry steps these decisions take.
class FolderSystem {
public:
    enum class NewFile { Created, Exists, Failed };
    virtual ~FolderSystem() = default;
    virtual bool FolderExists(const std::string& path) = 0;
    // One level; the parent must exist.
    virtual bool MakeFolder(const std::string& path) = 0;
    virtual bool RemoveFolder(const std::string& path) = 0;
    // Creates path only when nothing of that name exists, and closes it again.
    virtual NewFile CreateNewFile(const std::string& path) = 0;
    virtual bool RemoveFile(const std::string& path) = 0;
    // The user's temp folder as the platform gives it (with a trailing
    // backslash); empty when it cannot be had.
    virtual std::string TempDir() = 0;
    // "WriteTempPath", read without creating the key; none when the key or a
    // string value of usable length is missing.
    virtual std::optional<std::string> ReadWriteTempPath() = 0;
    // Writes "WriteTempPath", creating the key when missing.
    virtual bool WriteWriteTempPath(const std::string& base) = 0;
};

constexpr char kWorkFolderName[] = "QZTemp";
constexpr char kProbeFileName[] = "~OSB.tmp";
constexpr char kWriteTestFileName[] = "MervoLKTQ_DeskPlume_5208_test_file";
constexpr char kEraserFileName[] = "Delvane.Exe";

// Whether a folder and a file in it can be created under base: tries the
// free probe folders "~tmp0000" to "~tmp9999" (an existing one is skipped,
// never reused), leaving nothing behind.
bool IsFolderWritable(FolderSystem& fs, const std::string& base);

// Records the base folder for the next run: the root of drive when it is not
// the temp folder's drive (exact comparison) and writable, else the temp
// folder. False when the root was not writable.
bool SaveWorkFolder(FolderSystem& fs, char drive);

// Works out the work folder (base folder followed by "QZTemp"), creates it
// and records the base for the next run.
std::string GetWorkFolder(FolderSystem& fs);

// The driver-install manager's answer, asked on first use and kept, so that a
// missing manager is reported once, not once per question. ask gives 1 for an
// administrator, 0 or -1 otherwise.
class AdminAnswer {
public:
    explicit AdminAnswer(std::function<int()> ask) : ask_(std::move(ask)) {}
    bool IsAdmin();

private:
    std::function<int()> ask_;
    std::optional<bool> answer_;
};

// Whether the user may write into folder (joined with subFolder when given).
// True at once for an administrator. Otherwise the folder is created when
// missing (and removed again afterwards), and a probe file is created beside
// whatever is there under a name that is free, then deleted: no file of the
// user's is ever opened. False when the folder cannot be made or written.
bool CanWriteTo(FolderSystem& fs, AdminAnswer& admin, const std::string& folder, const std::string& subFolder);

// The eraser beside the loader: programDir, "\" and "Delvane.Exe"; empty for
// an empty programDir.
std::string GetEraserPath(const std::string& programDir);

// A command line that starts program with arguments: the program's path is
// always quoted, so blanks in it never split it.
std::string ProgramCommandLine(const std::string& program, const std::string& arguments);

}  // namespace kb::loader
