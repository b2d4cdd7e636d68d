// Writes sample discs for the loader's tests through the project's own packing
// code: "Sessions.Pck" with "Sessions.ini", the "PasswordType" folder, and
// "SessionNN" folders with "Control.pck", "Files.lst" and the content pack.
#pragma once
#include <optional>
#include <string>
#include <vector>

namespace kb::testing::disc {

// The fixed passwords of the index and control packs, by edition.
constexpr char kIndexPasswordEditions02[] = "HarrowbeckTilden_Quill_6482";
constexpr char kIndexPasswordEdition1[] = "MervoLKTQ_DeskPlume_5208";

// A file or folder of a session's content, relative to the session root with
// backslashes; a folder's path ends with a backslash.
struct DiscFile {
    std::string path;
    std::string data;  // files only
};

struct DiscSession {
    int number = 1;                      // 1 to 20: the folder "Session%.2d"
    std::string archive = "Archive";     // the content pack, named in Control.ini
    std::string volumeLabel = "VOLUME";
    std::string password;                // Control.ini's (used on MULTI discs)
    std::vector<DiscFile> files;         // the content; every top-level name becomes one entry
    // Top-level files stored as plain entries (their own name) instead of
    // compressed ones ("<name>.cmp").
    std::vector<std::string> plainEntries;
    // Files.lst as given instead of the one derived from files.
    std::optional<std::string> filesLst;
    // The content pack's bytes as given (a writer of the test's own) instead
    // of the pack made of files; the sources and Files.lst are still made.
    std::optional<std::string> contentPack;
    bool withControl = true;   // false: no Control.pck (the folder does not count)
    bool withFilesLst = true;  // false: no Files.lst
};

struct DiscLayout {
    int edition = 0;           // 1: the 24-character index password, else the 27-character one
    std::string discPassword;  // Sessions.ini [General] Password; the content password on SINGLE discs
    bool withSessionsPck = true;
    // The container bytes of Sessions.Pck's "Sessions.ini.cmp" entry as given,
    // the pack written field by field (testing/builders/pack_builder.h), in
    // place of the one the packing jobs make from discPassword.
    std::optional<std::string> indexContainer;
    std::optional<std::string> passwordType;  // PasswordType\PasswordType.Ini [Password] Type
    int rounds = 7;                           // cipher rounds of every pack
    std::vector<DiscSession> sessions;
    // Files and folders beside the sessions, relative to the disc's root (as
    // DiscFile paths), written as they are.
    std::vector<DiscFile> rootFiles;
};

// The rows the loader reads for files: one entry row per file and folder
// ("path,size,kind": kind 1 for a folder) and one summary row per top-level
// name ("name,total,2,0"); a field holding a comma is quoted.
std::string FilesLstFor(const std::vector<DiscFile>& files);

// Writes layout under root (an existing folder, Windows path syntax); sources are
// made under workFolder (an existing, empty folder). 0, -1 for a file that
// could not be written, or the first failing pack library code.
int WriteDisc(const DiscLayout& layout, const std::string& root, const std::string& workFolder);

// The rig's sample disc: a SINGLE disc of edition 0 with two sessions (1 and
// 3) holding compressed files and folders, a plain entry, a name with a comma
// and, when the code page has double-byte characters, names whose trail byte
// is a backslash.
DiscLayout SampleDisc();

// The demo's disc: a SINGLE disc of edition 1 (the OEM launcher's) with sessions 1 and 2 under
// kDemoDiscPassword; session 2 holds a folder of several files (one of them
// in a subfolder), compressed files, a file of 16 MiB and,
// when the code page has double-byte characters, a folder and a file with
// Japanese names.
constexpr char kDemoDiscPassword[] = "Harbour-Lights-2024";
DiscLayout DemoDisc();

}  // namespace kb::testing::disc
