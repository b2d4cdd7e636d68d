// Writes one of the rig's discs: disc_builder <disc folder> <empty work folder> [layout].
// Both folders must exist; Windows path syntax. The layout names one of the
// discs below ("sample" when left out).
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include <zlib.h>

#include "loader/session/files_lst.h"
#include "packlib/container_format.h"
#include "testing/builders/disc_builder.h"
#include "testing/builders/pack_builder.h"
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

// Text that compresses well: numbered lines of a few words.
std::string TextBytes(size_t size, uint32_t seed) {
    static const char* const kWords[] = {"disc", "session", "export", "folder", "entry", "window", "progress", "the"};
    std::string out;
    out.reserve(size + 64);
    for (uint32_t line = seed; out.size() < size; ++line) {
        out += std::to_string(line) + ":";
        for (uint32_t w = 0; w < 6; ++w) out += std::string(" ") + kWords[(line * 7 + w * 3) % 8];
        out += "\r\n";
    }
    out.resize(size);
    return out;
}

// The export benchmark's discs: one session under the bench password with
// count small files (1 to 16 KiB, text and noise in turn), in folder when one
// is named, else each at the top and so its own entry.
DiscLayout BenchSmallFiles(const char* volumeLabel, const std::string& folder, uint32_t count) {
    DiscLayout layout;
    layout.discPassword = "Bench-Disc-Password";
    DiscSession one;
    one.number = 1;
    one.volumeLabel = volumeLabel;
    if (!folder.empty()) one.files.push_back({folder + "\\", ""});
    for (uint32_t i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "f%04u.dat", i);
        const size_t size = 1024 + (i * 2654435761u) % (15 * 1024 + 1);
        one.files.push_back({folder.empty() ? std::string(name) : folder + "\\" + name,
                             i % 2 ? kb::testing::Pattern(size, i) : TextBytes(size, i)});
    }
    layout.sessions = {std::move(one)};
    return layout;
}

// The export benchmark's disc: a folder of 2,000 small files and one 256 MiB
// file of text and noise in 1 MiB runs, all compressed.
DiscLayout BenchDisc() {
    DiscLayout layout = BenchSmallFiles("BENCH", "Many", 2000);
    constexpr size_t kRun = 1u << 20, kLarge = 256u << 20;
    std::string large;
    large.reserve(kLarge);
    for (uint32_t run = 0; large.size() < kLarge; ++run)
        large += run % 2 ? kb::testing::Pattern(kRun, run) : TextBytes(kRun, run);
    layout.sessions.front().files.push_back({"Large.bin", std::move(large)});
    return layout;
}

// The export benchmark's disc of many entries: 4,000 small top-level files.
DiscLayout BenchEntriesDisc() { return BenchSmallFiles("ENTRIES", "", 4000); }

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

// One container record, field by field from the format's constants: no times,
// the attributes given, one zlib block.
std::string RawRecord(const std::string& name, const std::string& data, uint8_t attributes) {
    std::string r;
    auto u32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i) r.push_back(static_cast<char>(v >> (8 * i)));
    };
    u32(static_cast<uint32_t>(name.size()));
    r += name;
    std::string status(kb::pack::kZipPkgStatusSize, '\0');
    for (int i = 0; i < 4; ++i)
        status[kb::pack::kZipPkgStatusSizeField + i] = static_cast<char>(static_cast<uint32_t>(data.size()) >> (8 * i));
    status[kb::pack::kZipPkgStatusAttributes] = static_cast<char>(attributes);
    r += status;
    u32(static_cast<uint32_t>(data.size()));
    if (data.empty()) return r;
    r.push_back(static_cast<char>(kb::pack::kBlockModeSingle));
    uLongf n = compressBound(static_cast<uLong>(data.size()));
    std::string block(n, '\0');
    if (compress(reinterpret_cast<Bytef*>(block.data()), &n, reinterpret_cast<const Bytef*>(data.data()),
                 static_cast<uLong>(data.size())) != Z_OK)
        return std::string();
    block.resize(n);
    u32(static_cast<uint32_t>(block.size()));
    return r + block;
}

// The export disc's session once more, its pack written byte by byte by the
// test's own writer: the entry single.txt.cmp also holds \Folder\one.txt and
// a read-only \victim.txt, which no row and no answer of the user covers.
DiscLayout CraftedExportDisc() {
    DiscLayout layout;
    layout.discPassword = "Export-Disc-Password";
    DiscSession one;
    one.number = 1;
    one.volumeLabel = "CRAFTED";
    one.files = {
        {"Folder\\", ""},
        {"Folder\\one.txt", "first file\r\n"},
        {"single.txt", "a single file\r\n"},
    };
    one.filesLst = kb::testing::disc::FilesLstFor(one.files) + "..\\evil.txt,5,0\r\n..\\evil.txt,5,2,0\r\n";
    kb::testing::PackBuilder pack(layout.discPassword);
    pack.Encrypted(static_cast<uint8_t>(layout.rounds));
    auto compressed = [](const std::string& name, const std::string& container) {
        kb::testing::BuilderEntry e;
        e.name = name;
        e.data = container;
        e.compressed = true;
        return e;
    };
    const kb::testing::BuilderEntry folder =
        compressed("Folder.cmp", RawRecord("\\Folder\\one.txt", "first file\r\n", 0x20));
    const kb::testing::BuilderEntry single =
        compressed("single.txt.cmp", RawRecord("\\single.txt", "a single file\r\n", 0x20) +
                                         RawRecord("\\Folder\\one.txt", "the disc's one.txt", 0x20) +
                                         RawRecord("\\victim.txt", "the disc's victim", 0x21));
    pack.Add(folder).Add(single);
    one.contentPack = pack.Bytes();
    layout.sessions = {one};
    return layout;
}

// The sample disc with the launcher's splash archive of edition 103.
DiscLayout LauncherDisc() {
    DiscLayout layout = SampleOemDisc();
    layout.rootFiles = {{"Launcher\\", ""}, {"Launcher\\Default\\", ""}, {"Launcher\\Default\\Splash.arc", "splash"}};
    return layout;
}

// The loader's bounds on one file list: session 1's lists one row more than
// the loader holds (a folder of filler entries after the real files), and
// session 2's is one byte longer than the loader reads.
DiscLayout BigListDisc() {
    DiscLayout layout;
    layout.discPassword = "Big-List-Password";
    DiscSession one;
    one.number = 1;
    one.volumeLabel = "ROWS";
    one.files = {{"first.txt", "the first file\r\n"}};
    std::string rows = kb::testing::disc::FilesLstFor(one.files) + "Fill\\,0,1\r\n";
    size_t count = 3;  // first.txt, its summary row and Fill
    char row[48];
    for (uint32_t i = 0; count < kb::loader::kMaxFilesLstRows + 1; ++i, ++count) {
        std::snprintf(row, sizeof row, "Fill\\f%07u.txt,1,0\r\n", i);
        rows += row;
    }
    one.filesLst = std::move(rows);
    DiscSession two;
    two.number = 2;
    two.volumeLabel = "BYTES";
    two.files = {{"second.txt", "the second file\r\n"}};
    std::string text = kb::testing::disc::FilesLstFor(two.files) + "// ";
    text += std::string(kb::loader::kMaxFilesLstBytes + 1 - text.size() - 2, '-') + "\r\n";
    two.filesLst = std::move(text);
    layout.sessions = {std::move(one), std::move(two)};
    return layout;
}

// The sample disc whose index declares a "Sessions.ini" of 2,000,000,000
// zero bytes in about two megabytes of container, written field by field: one
// mode-1 record whose blocks each expand to 524,288 zeros.
DiscLayout HugeIndexDisc() {
    DiscLayout layout = kb::testing::disc::SampleDisc();
    constexpr uint32_t kDeclared = 2000000000u;
    auto le32 = [](std::string& out, uint32_t v) {
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>(v >> (8 * i)));
    };
    auto zlib = [](size_t zeros) {
        const std::string in(zeros, '\0');
        uLongf n = compressBound(static_cast<uLong>(in.size()));
        std::string out(n, '\0');
        compress(reinterpret_cast<Bytef*>(out.data()), &n, reinterpret_cast<const Bytef*>(in.data()),
                 static_cast<uLong>(in.size()));
        out.resize(n);
        return out;
    };
    const std::string name = "Sessions.ini";
    std::string c;
    le32(c, static_cast<uint32_t>(name.size()));
    c += name;
    c += std::string(kb::pack::kZipPkgStatusSize, '\0');
    c[4 + name.size() + kb::pack::kZipPkgStatusAttributes] = 0x20;
    le32(c, kDeclared);
    c.push_back(static_cast<char>(kb::pack::kBlockModeBlocks));
    const std::string full = zlib(kb::pack::kZipPkgBlockSize);
    const uint32_t count = kb::pack::ZipPkgBlockCount(kDeclared);
    for (uint32_t k = 0; k < count; ++k) {
        const std::string block = k + 1 < count ? full : zlib(kb::pack::ZipPkgBlockExpandedSize(kDeclared, k));
        le32(c, static_cast<uint32_t>(block.size()));
        c += block;
    }
    layout.indexContainer = std::move(c);
    return layout;
}

// The sample disc once more, for the loader's views and skin tests, which
// map it at a drive of their own.
DiscLayout ViewsDisc() { return kb::testing::disc::SampleDisc(); }

const NamedLayout kLayouts[] = {
    {"sample", kb::testing::disc::SampleDisc},
    {"empty", EmptyDisc},
    {"sample-oem", SampleOemDisc},
    {"bench", BenchDisc},
    {"bench-entries", BenchEntriesDisc},
    {"export", ExportDisc},
    {"crafted-export", CraftedExportDisc},
    {"launcher", LauncherDisc},
    {"demo", kb::testing::disc::DemoDisc},
    {"big-list", BigListDisc},

    {"views", ViewsDisc},
    {"huge-index", HugeIndexDisc},
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
