// Hostile stored names through every layer that turns one into a path: a
// Files.lst row, a pack entry, a container record and an archive entry. The
// packs, containers and archives are assembled byte by byte in the test from
// the formats' fields, never by the project's packing code. Natively the core
// runs on the native seam; on Windows the same rows run through the core on
// the Windows seam and through Kabbit.dll and Arkstow.dll.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

#include "archive/api.h"
#include "loader/session/files_lst.h"
#include "packlib/kabbit_app.h"
#include "packlib/tests/zip_test_support.h"
#include "shared/base/fs.h"
#include "shared/pack_errors.h"
#include "testing/builders/ach_builder.h"
#include "testing/builders/pack_builder.h"
#include "testing/kit/code_page.h"
#include "testing/kit/file_io.h"
#include "testing/kit/temp_folder.h"

namespace kb {
namespace {

using kb::testing::Listing;
using kb::testing::PackBuilder;
using kb::testing::ReadAll;

constexpr char kPassword[] = "secret1";
constexpr char kBody[] = "disc";

// What one layer offers: unpack a pack entry and wait for its end, extract an
// archive whole.
struct Layer {
    const char* name;
    std::function<int(const std::string& pack, const std::string& dest, const std::string& entry)> unpack;
    std::function<int(const std::string& archive, const std::string& dest)> saveAll;
};

Layer CoreLayer(pack::CKabbitApp& app) {
    return {"core",
            [&app](const std::string& pack, const std::string& dest, const std::string& entry) {
                const int r = app.UnPack(pack.c_str(), dest.c_str(), entry.c_str(), kPassword);
                if (r < 0) return r;
                app.WaitForWorker();
                return app.GetProgress(nullptr);
            },
            [](const std::string& archive, const std::string& dest) {
                return ark::api::SaveAll(archive.c_str(), dest.c_str());
            }};
}

#ifdef _WIN32
// The shipped libraries, loaded from the test's folder, polled as the loader polls.
struct Libraries {
    HMODULE kabbit = LoadLibraryA("Kabbit.dll");
    HMODULE arkstow = LoadLibraryA("Arkstow.dll");
    ~Libraries() {
        if (kabbit) FreeLibrary(kabbit);
        if (arkstow) FreeLibrary(arkstow);
    }
    template <class F>
    F Get(HMODULE m, const char* name) const {
        return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(m, name)));
    }
    Layer AsLayer() const {
        using UnPackFn = int(WINAPI*)(const char*, const char*, const char*, const char*);
        using ProgressFn = int(WINAPI*)(char*);
        using SaveAllFn = int(WINAPI*)(const char*, const char*);
        const auto unPack = Get<UnPackFn>(kabbit, "UnPack");
        const auto progress = Get<ProgressFn>(kabbit, "GetProgress");
        const auto saveAll = Get<SaveAllFn>(arkstow, "SaveAll");
        return {"dll",
                [=](const std::string& pack, const std::string& dest, const std::string& entry) {
                    const int r = unPack(pack.c_str(), dest.c_str(), entry.c_str(), kPassword);
                    if (r < 0) return r;
                    const ULONGLONG deadline = GetTickCount64() + 60000;
                    for (;;) {
                        const int p = progress(nullptr);
                        if (p < 0 || p == PACKPROGRESS_DONE) return p;
                        if (GetTickCount64() > deadline) return -1;
                        Sleep(1);
                    }
                },
                [=](const std::string& archive, const std::string& dest) {
                    return saveAll(archive.c_str(), dest.c_str());
                }};
    }
};
#endif

// One container record of kBody under name, field by field: name length and
// name, four zero status words, attributes, three pad bytes, the length, the
// single-block mode and the block.
std::string ContainerOf(const std::string& name) {
    const std::string block = pack::ziptest::Zlib(kBody);
    return pack::ziptest::RecordBytes()
        .Head(name, sizeof kBody - 1)
        .U8(0)
        .U32(static_cast<uint32_t>(block.size()))
        .Raw(block)
        .bytes;
}

struct Row {
    std::string name;
    // Where a layer that takes it writes it under the destination; empty:
    // every layer refuses it and nothing is written anywhere.
    std::string writtenAs;
};

void RunRows(const std::vector<Row>& rows, const Layer& layer) {
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(layer.name) + " [" + r.name + "]");
        kb::testing::TempDir dir;
        const std::string dest = dir / "out";
        ASSERT_TRUE(fs::CreateFolder(dest));
        const bool refused = r.writtenAs.empty();
        auto expectOutcome = [&](const char* what, int result) {
            SCOPED_TRACE(what);
            if (refused) {
                EXPECT_LT(result, 0);
                EXPECT_TRUE(Listing(dest).empty());
            } else {
                EXPECT_GE(result, 0);
                EXPECT_EQ(ReadAll(dest + "\\" + r.writtenAs), kBody);
            }
            // Nothing beside the destination, whatever the name spells.
            EXPECT_EQ(Listing(dir.path()).size(), 4u) << "out, p.pck, c.pck, a.ach only";
            fs::RemoveTree(dest);
            ASSERT_TRUE(fs::CreateFolder(dest));
        };

        // Files.lst: a row the loader would show and export.
        EXPECT_EQ(loader::IsSafeEntryPath(r.name), !refused) << "Files.lst row";

        // A plain pack entry, asked for by its stored name as the loader asks.
        ASSERT_TRUE(PackBuilder().Add(r.name, kBody).WriteTo(dir / "p.pck"));
        // A compressed entry whose one container record carries the name; a
        // sound one is named after its record, as an entry writes nothing else.
        const std::string containerEntry = refused ? "x.cmp" : r.name + ".cmp";
        ASSERT_TRUE(PackBuilder()
                        .Add(pack::ziptest::Compressed(containerEntry, ContainerOf("\\" + r.name)))
                        .WriteTo(dir / "c.pck"));
        // An archive of one entry.
        ark::testing::AchBuilder archive(1);
        archive.Add(r.name, kBody);
        ASSERT_TRUE(kb::testing::WriteWholeFile(dir / "a.ach", archive.Build()));

        expectOutcome("pack entry", layer.unpack(dir / "p.pck", dest, r.name));
        const int container = layer.unpack(dir / "c.pck", dest, containerEntry);
        if (refused) {
            EXPECT_EQ(container, PACKERR_ILLEGAL_PACKED_FILE);
        }
        expectOutcome("container record", container);
        const int saved = layer.saveAll(dir / "a.ach", dest);
        if (refused) {
            EXPECT_EQ(saved, ARKSTOWRET_UNSAFE_NAME);
        }
        expectOutcome("archive entry", refused ? saved : (saved == 0 ? 0 : -1));
    }
}

std::vector<Row> SingleByteRows() {
    return {
        // Sound names: written where they say.
        {"a.txt", "a.txt"},
        {"sub\\b.txt", "sub\\b.txt"},
        {"CONSOLE.txt", "CONSOLE.txt"},
        {"nulls", "nulls"},
        // Devices, in any case, with an extension, blanks or dots, as a folder.
        {"LPT1", ""},
        {"lpt1.txt", ""},
        {"COM1", ""},
        {"com9.log", ""},
        {"NUL", ""},
        {"nul.txt", ""},
        {"AUX", ""},
        {"Con", ""},
        {"PRN.txt", ""},
        {"CONOUT$", ""},
        {"COM1 .log", ""},
        {"NUL.", ""},
        {"sub\\CON\\a.txt", ""},
        {"sub\\aux.txt", ""},
        // Aliases the system makes by dropping trailing dots and blanks.
        {"a.txt.", ""},
        {"a.txt ", ""},
        {"sub.\\a.txt", ""},
        {"sub \\a.txt", ""},
        // '/' is no separator of any stored name.
        {"sub/a.txt", ""},
        // What the earlier review found refused, kept refused.
        {"..\\evil.txt", ""},
        {"sub\\..\\..\\evil.txt", ""},
        {"C:\\evil.txt", ""},
        {"a.txt:stream", ""},
        {"\\\\srv\\share\\x", ""},
    };
}

TEST(HostileNames, EveryLayerOfTheCoreRefusesThem) {
    pack::CKabbitApp app;
    RunRows(SingleByteRows(), CoreLayer(app));
}

class HostileNamesDoubleByte : public ::testing::Test {
protected:
    void SetUp() override { KB_REQUIRE_CP932(); }
    void TearDown() override { kb::testing::UseSingleByteCodePage(); }
};

// Lone lead bytes the system drops: "a.txt<0x81>" would reach "a.txt", "..<0x81>"
// the folder above. A character whose trail byte is 0x5C is one character.
std::vector<Row> DoubleByteRows() {
    return {
        {"\x95\x5C.txt", "\x95\x5C.txt"},
        {"\x83\x5C\\b.txt", "\x83\x5C\\b.txt"},
        {"a.txt\x81", ""},
        {"..\x81", ""},
        {"sub\\..\x81", ""},
        {"\x81.txt", ""},
        {"\x82\xA0.", ""},
        {"\x82\xA0 ", ""},
    };
}

TEST_F(HostileNamesDoubleByte, EveryLayerOfTheCoreRefusesThem) {
    pack::CKabbitApp app;
    RunRows(DoubleByteRows(), CoreLayer(app));
}

#ifdef _WIN32
TEST(HostileNames, KabbitAndArkstowRefuseThem) {
    Libraries libraries;
    ASSERT_NE(libraries.kabbit, nullptr);
    ASSERT_NE(libraries.arkstow, nullptr);
    RunRows(SingleByteRows(), libraries.AsLayer());
}

TEST_F(HostileNamesDoubleByte, KabbitAndArkstowRefuseThem) {
    Libraries libraries;
    ASSERT_NE(libraries.kabbit, nullptr);
    ASSERT_NE(libraries.arkstow, nullptr);
    RunRows(DoubleByteRows(), libraries.AsLayer());
}
#endif

}  // namespace
}  // namespace kb
