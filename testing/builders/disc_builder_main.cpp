// Writes one of the rig's discs: disc_builder <disc folder> <empty work folder> [layout].
// Both folders must exist; Windows path syntax. The layout names one of the
// discs below ("sample" when left out).
#include <cstdio>
#include <cstring>
#include <string>

#include "testing/builders/disc_builder.h"
#include "testing/kit/patterns.h"

namespace {

using kb::testing::disc::DiscLayout;
using kb::testing::disc::DiscSession;

struct NamedLayout {
    const char* name;
    DiscLayout (*make)();
};

// A disc whose index names no session: the loader shows its empty page.
DiscLayout EmptyDisc() {
    DiscLayout layout = kb::testing::disc::SampleDisc();
    layout.sessions.clear();
    return layout;
}

// 256 MiB that the disc builder compresses quickly and the loader takes a
// while to unpack: one block of pattern bytes, repeated.
std::string BigEntry() {
    const std::string block = kb::testing::Pattern(64 * 1024, 3);
    std::string big;
    big.reserve(size_t{256} << 20);
    while (big.size() < (size_t{256} << 20)) big += block;
    return big;
}

// The sample disc of the edition whose launcher starts the loader with
// "/A:ZEPQUA": its index packs under that edition's password.
DiscLayout SampleOemDisc() {
    DiscLayout layout = kb::testing::disc::SampleDisc();
    layout.edition = 1;
    return layout;
}

// The export tests' disc: one session with a folder, small files, a large
// entry that takes a while to unpack, and a Files.lst row that points above
// the destination.
DiscLayout ExportDisc() {
    DiscLayout layout;
    layout.discPassword = "Export-Disc-Password";
    DiscSession one;
    one.number = 1;
    one.volumeLabel = "EXPORT";
    one.files = {
        {"Folder\\", ""},
        {"Folder\\one.txt", "first file\r\n"},
        {"Folder\\Sub\\", ""},
        {"Folder\\Sub\\two.bin", kb::testing::Pattern(300000, 2)},
        {"single.txt", "a single file\r\n"},
        {"second.txt", "another file\r\n"},
        {"big.bin", BigEntry()},
    };
    one.filesLst = kb::testing::disc::FilesLstFor(one.files) + "..\\evil.txt,5,0\r\n..\\evil.txt,5,2,0\r\n";
    layout.sessions = {one};
    return layout;
}

// The sample disc with the launcher's splash archive of edition 103.
DiscLayout LauncherDisc() {
    DiscLayout layout = SampleOemDisc();
    layout.rootFiles = {{"Launcher\\", ""}, {"Launcher\\Default\\", ""}, {"Launcher\\Default\\Splash.arc", "splash"}};
    return layout;
}

const NamedLayout kLayouts[] = {
    {"sample", kb::testing::disc::SampleDisc},
    {"empty", EmptyDisc},
    {"sample-oem", SampleOemDisc},
    {"export", ExportDisc},
    {"launcher", LauncherDisc},
    {"demo", kb::testing::disc::DemoDisc},
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: disc_builder <disc folder> <empty work folder> [layout]\n");
        return 2;
    }
    const char* name = argc == 4 ? argv[3] : "sample";
    for (const NamedLayout& layout : kLayouts) {
        if (std::strcmp(layout.name, name) != 0) continue;
        const int rc = kb::testing::disc::WriteDisc(layout.make(), argv[1], argv[2]);
        if (rc != 0) std::fprintf(stderr, "failed: %d\n", rc);
        return rc == 0 ? 0 : 1;
    }
    std::fprintf(stderr, "no disc layout named \"%s\"\n", name);
    return 2;
}
