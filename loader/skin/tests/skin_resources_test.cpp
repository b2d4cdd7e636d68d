// What a skin reads from its archive: the pieces by prefix, each degrading
// alone, and one archive-library binding for the whole skin.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "archive/arkstow_api.h"
#include "loader/skin/skin_resources.h"
#include "testing/kit/code_page.h"
#include "testing/kit/recording_sink.h"

namespace kb::loader {
namespace {

using ::kb::testing::RecordingSink;

// Each message as "title|text".
std::vector<std::string> Joined(const RecordingSink& sink) {
    std::vector<std::string> texts;
    for (const auto& [title, text] : sink.messages) texts.push_back(title + "|" + text);
    return texts;
}
using Bytes = std::vector<uint8_t>;
using Texts = std::vector<std::string>;

class MapDef final : public SkinPartSource {
public:
    std::map<std::string, SkinPart, std::less<>> parts;
    const SkinPart* Find(std::string_view part) const override {
        auto it = parts.find(part);
        return it == parts.end() ? nullptr : &it->second;
    }
};

SkinFiles Files(const std::string& programDir) {
    SkinFiles f;
    f.programDir = programDir;
    f.fileExists = [](const std::string&) { return false; };
    return f;
}

Bytes B(const std::string& s) { return Bytes(s.begin(), s.end()); }

SkinPart Part(const std::string& name, const std::string& region = "", int move = 0) {
    SkinPart v;
    v.name = name;
    v.region = region;
    v.move = move;
    return v;
}

// Archives by path, entries by name; records each open and load.
class FakeArchives final : public SkinArchiveReader {
public:
    FakeArchives(std::map<std::string, std::map<std::string, std::string>>& files, Texts& log)
        : files_(files), log_(log) {}
    void Open(const std::string& path) override {
        log_.push_back("open " + path);
        auto it = files_.find(path);
        current_ = it == files_.end() ? std::map<std::string, std::string>{} : it->second;
    }
    bool Load(const std::string& entry, Bytes& bytes) override {
        log_.push_back("load " + entry);
        auto it = current_.find(entry);
        if (it == current_.end()) return false;
        bytes = B(it->second);
        return true;
    }

private:
    std::map<std::string, std::map<std::string, std::string>>& files_;
    Texts& log_;
    std::map<std::string, std::string> current_;
};

class SkinResourcesTest : public ::testing::Test {
protected:
    MapDef def;
    std::map<std::string, std::map<std::string, std::string>> files;
    Texts log;
    RecordingSink sink;

    std::unique_ptr<SkinResources> Make(const std::string& prefix) {
        return std::make_unique<SkinResources>(prefix, def, std::make_unique<FakeArchives>(files, log), Files("C:\\Prog"));
    }
};

TEST_F(SkinResourcesTest, ReaderWindowTakesRegionBackgroundAndDrag) {
    def.parts["RmBg"] = Part("main", "shape", 1);
    files["C:\\Prog\\skin\\Reader.arc"] = {{"main.bmp", "BG"}, {"shape.rgn", "RGN"}, {"ok.bmp", "OK"}};
    auto skin = Make("Rm");
    const SkinAssets a = skin->LoadCreationAssets(true);
    EXPECT_EQ(a.archivePath, "C:\\Prog\\skin\\Reader.arc");
    EXPECT_EQ(a.buttonListPath, "C:\\Prog\\skin\\Reader.btn");
    EXPECT_EQ(a.region, B("RGN"));
    EXPECT_TRUE(a.draggable);
    EXPECT_EQ(a.background, B("BG"));
    EXPECT_FALSE(a.tiled);
    for (const Bytes& f : a.frames) EXPECT_TRUE(f.empty());
    // The button images come from the archive left open.
    Bytes ok;
    EXPECT_TRUE(skin->LoadEntry("ok.bmp", ok));
    EXPECT_EQ(ok, B("OK"));
    EXPECT_FALSE(skin->LoadEntry("missing.bmp", ok));
    EXPECT_TRUE(ok.empty());
    EXPECT_EQ(log, (Texts{"open C:\\Prog\\skin\\Reader.arc", "load shape.rgn", "load main.bmp", "load ok.bmp",
                          "load missing.bmp"}));
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(SkinResourcesTest, NoRegionWhenNotAllowedOrNotNamedOrMissing) {
    files["C:\\Prog\\skin\\Reader.arc"] = {{"main.bmp", "BG"}, {"shape.rgn", "RGN"}};
    def.parts["RpBg"] = Part("main", "shape", 0);
    EXPECT_TRUE(Make("Rp")->LoadCreationAssets(false).region.empty());
    def.parts["RpBg"] = Part("main", "", 0);
    const SkinAssets noName = Make("Rp")->LoadCreationAssets(true);
    EXPECT_TRUE(noName.region.empty());
    EXPECT_FALSE(noName.draggable);
    def.parts["RpBg"] = Part("main", "other", 0);
    EXPECT_TRUE(Make("Rp")->LoadCreationAssets(true).region.empty());
}

TEST_F(SkinResourcesTest, MessageBoxTakesItsEightFramesInOrderEachAlone) {
    def.parts["CdBg"] = Part("paper");
    def.parts["CdFrame"].width = 8;
    def.parts["CdFrame"].height = 6;
    const char* names[] = {"t", "b", "l", "r", "lt", "rt", "lb", "rb"};
    std::map<std::string, std::string> entries = {{"paper.bmp", "PAPER"}};
    for (int i = 0; i < 8; ++i) {
        def.parts[kFrameParts[static_cast<size_t>(i)]].name = names[i];
        if (i != 5) entries[std::string(names[i]) + ".bmp"] = std::string("F") + names[i];
    }
    files["C:\\Prog\\skin\\Common.arc"] = entries;
    const SkinAssets a = Make("Cd")->LoadCreationAssets(true);
    EXPECT_TRUE(a.tiled);
    EXPECT_EQ(a.background, B("PAPER"));
    EXPECT_EQ(a.frameWidth, 8);
    EXPECT_EQ(a.frameHeight, 6);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(a.frames[static_cast<size_t>(i)], i == 5 ? Bytes{} : B(std::string("F") + names[i])) << i;
    EXPECT_EQ(a.buttonListPath, "C:\\Prog\\skin\\Common.btn");
}

TEST_F(SkinResourcesTest, EmptyDefinitionAndMissingArchiveLeaveEverythingEmpty) {
    auto skin = Make("Rs");
    const SkinAssets a = skin->LoadCreationAssets(true);
    EXPECT_TRUE(a.region.empty() && a.background.empty());
    EXPECT_FALSE(a.draggable);
    // Every bitmap looked for is the entry ".bmp".
    EXPECT_EQ(log, (Texts{"open C:\\Prog\\skin\\Reader.arc", "load .bmp"}));
    // A prefix of no letter opens no archive file and has no button list.
    log.clear();
    const SkinAssets none = Make("Xy")->LoadCreationAssets(true);
    EXPECT_EQ(log, (Texts{"open ", "load .bmp"}));
    EXPECT_TRUE(none.archivePath.empty() && none.buttonListPath.empty());
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(SkinResourcesTest, PagesAndSecondBackgroundReadTheReaderArchiveAsItIsNow) {
    def.parts["CdBg"] = Part("paper");
    def.parts["RwBg"] = Part("plain");
    def.parts["RwBg2"] = Part("locked");
    def.parts["RmPageView"] = Part("page");
    auto skin = Make("Cd");
    skin->LoadCreationAssets(true);
    // The archive changes after creation: each later read sees it.
    files["C:\\Prog\\skin\\Reader.arc"] = {{"locked.bmp", "L"}, {"page.bmp", "P"}};
    log.clear();
    EXPECT_EQ(skin->LoadBackground("RwBg2"), std::optional<Bytes>(B("L")));
    EXPECT_EQ(skin->LoadBackground("RwBg"), std::optional<Bytes>(Bytes{}));
    EXPECT_EQ(skin->LoadBackground("RmBg"), std::nullopt);
    const SkinApply panel = skin->Apply(SkinOp::Panel, "RmPageView", {}, SkinFontSettings{});
    EXPECT_EQ(skin->LoadPageBitmap(panel), B("P"));
    const SkinApply unknown = skin->Apply(SkinOp::Panel, "RmPageX", {}, SkinFontSettings{});
    EXPECT_TRUE(skin->LoadPageBitmap(unknown).empty());
    EXPECT_EQ(log, (Texts{"open C:\\Prog\\skin\\Reader.arc", "load locked.bmp", "open C:\\Prog\\skin\\Reader.arc",
                          "load plain.bmp", "open C:\\Prog\\skin\\Reader.arc", "load page.bmp"}));
    EXPECT_EQ(Joined(sink), Texts{"Sorvex|RmPageX not defined."});
}

// --- The archive library behind the skin --------------------------------------

Texts g_calls;
std::map<std::string, std::string> g_entries;

int KB_WINAPI FakeGetCount(const char* archive, int*, int* maxNameLength) {
    g_calls.push_back(std::string("GetCount ") + archive);
    if (maxNameLength) *maxNameLength = 16;
    return std::string(archive).empty() ? -1 : static_cast<int>(g_entries.size());
}
int KB_WINAPI FakeGetName(const char*, int index, char* buffer, int bufferSize) {
    auto it = g_entries.begin();
    std::advance(it, index);
    std::strncpy(buffer, it->first.c_str(), static_cast<size_t>(bufferSize));
    return 0;
}
int KB_WINAPI FakeLoadByName(const char* archive, const char* name, ArkMemStream* stream) {
    g_calls.push_back(std::string("LoadByName ") + archive + " " + name);
    auto it = g_entries.find(name);
    if (it == g_entries.end()) return -1;
    if (stream->resize(stream, static_cast<uint32_t>(it->second.size())) != 0) return -52;
    std::memcpy(stream->data, it->second.data(), it->second.size());
    return 0;
}
int KB_WINAPI Unused() { return -1; }

class FakeLibrary final : public DynamicLibrary {
public:
    explicit FakeLibrary(bool complete) : complete_(complete) {}
    void* Symbol(const char* name) const override {
        const std::string n = name;
        if (n == "GetCount") return reinterpret_cast<void*>(&FakeGetCount);
        if (n == "GetName") return reinterpret_cast<void*>(&FakeGetName);
        if (n == "LoadByName") return reinterpret_cast<void*>(&FakeLoadByName);
        return complete_ ? reinterpret_cast<void*>(&Unused) : nullptr;
    }

private:
    bool complete_;
};

TEST(ArkstowSkinArchive, ReadsEntriesOfTheArchiveOpenedLast) {
    RecordingSink sink;
    g_calls.clear();
    g_entries = {{"a.bmp", "AA"}};
    MapDef def;
    def.parts["RmBg"] = Part("a");
    def.parts["RmPageWork"] = Part("a");
    SkinResources skin("Rm", def,
                       std::make_unique<ArkstowSkinArchive>(std::make_unique<TArkstow>(
                           std::make_unique<FakeLibrary>(true))),
                       Files("C:\\P"));
    EXPECT_EQ(skin.LoadCreationAssets(true).background, B("AA"));
    g_entries["b.bmp"] = "BB";
    def.parts["RmPageWork"].name = "b";
    EXPECT_EQ(skin.LoadPageBitmap(skin.Apply(SkinOp::Panel, "RmPageWork", {}, SkinFontSettings{})), B("BB"));
    EXPECT_EQ(g_calls, (Texts{"GetCount C:\\P\\skin\\Reader.arc", "LoadByName C:\\P\\skin\\Reader.arc a.bmp",
                              "GetCount C:\\P\\skin\\Reader.arc", "LoadByName C:\\P\\skin\\Reader.arc b.bmp"}));
    EXPECT_TRUE(sink.messages.empty());
}

TEST(ArkstowSkinArchive, AMissingLibraryIsReportedOncePerSkinAndTheSkinStillCompletes) {
    RecordingSink sink;
    MapDef def;
    def.parts["RwBg"] = Part("a", "r", 1);
    def.parts["RwBg2"] = Part("b");
    def.parts["RmPageView"] = Part("c");
    SkinResources skin("Rw", def, std::make_unique<ArkstowSkinArchive>(std::make_unique<TArkstow>(nullptr)),
                       Files("C:\\P"));
    const SkinAssets a = skin.LoadCreationAssets(true);
    Bytes bytes;
    EXPECT_FALSE(skin.LoadEntry("button.bmp", bytes));
    EXPECT_EQ(skin.LoadBackground("RwBg2"), std::optional<Bytes>(Bytes{}));
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(skin.LoadPageBitmap(skin.Apply(SkinOp::Panel, "RmPageView", {}, SkinFontSettings{})).empty());
    EXPECT_TRUE(a.background.empty() && a.region.empty());
    EXPECT_TRUE(a.draggable);
    // The ten "not found" reports of the one binding, nothing more.
    ASSERT_EQ(sink.messages.size(), 10u);
    EXPECT_EQ(Joined(sink).front(), "Sorvex|CreateNew() not found in Arkstow.dll.");
    EXPECT_EQ(Joined(sink).back(), "Sorvex|SaveAll() not found in Arkstow.dll.");
}

}  // namespace
}  // namespace kb::loader
