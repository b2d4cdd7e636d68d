// Skin definitions over an in-memory profile: the file by prefix letter, the
// group read, the integer rules, the numbered keys, the background getters.
#include <gtest/gtest.h>

#include <set>

#include "loader/skin/skin_def.h"
#include "loader/tests/memory_profile.h"

namespace kb::loader {
namespace {

using testing::MemoryProfile;
using testing::MemoryProfiles;

constexpr char kDir[] = "C:\\Prog";

class SkinDefTest : public ::testing::Test {
protected:
    SkinFiles Files() {
        return {kDir, profiles.Opener(), [this](const std::string& p) { return existing.count(p) > 0; }};
    }
    MemoryProfiles profiles;
    std::set<std::string> existing;
};

TEST(SkinInteger, FollowsTheDefinitionFileRules) {
    const struct {
        const char* text;
        int value;
    } rows[] = {
        {"16", 16},           {"0x10", 16},        {"0X1f", 31},        {"$1F", 31},
        {"0x", 0},            {"$", 0},            {"abc", 0},          {"-5", -5},
        {"+5", 5},            {"0x1G", 0},         {"", 0},             {"$FFFFFFFF", -1},
        {"0xFFFFFFFF", -1},   {"$00FF00FF", 0xFF00FF},                  {"0x100000000", 0},
        {"2147483647", 2147483647},                {"-2147483648", -2147483647 - 1},
        {"2147483648", 0},    {"-$10", 0},         {"-0x10", 0},        {"0x-5", 0},
        {"12 ", 0},           {"1.5", 0},          {"010", 10},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.text);
        EXPECT_EQ(ParseSkinInteger(r.text), r.value);
    }
}

TEST_F(SkinDefTest, ChoosesTheFileByTheFirstLetter) {
    const struct {
        const char* prefix;
        bool splashInSkin;
        const char* def;
        const char* arc;
        const char* btn;
    } rows[] = {
        {"Cd", false, "C:\\Prog\\skin\\Common.def", "C:\\Prog\\skin\\Common.arc", "Common.btn"},
        {"Rm", false, "C:\\Prog\\skin\\Reader.def", "C:\\Prog\\skin\\Reader.arc", "Reader.btn"},
        {"Ww", false, "C:\\Prog\\skin\\Writer.def", "C:\\Prog\\skin\\Writer.arc", "Writer.btn"},
        {"Sp", true, "C:\\Prog\\skin\\Splash.def", "C:\\Prog\\skin\\Splash.arc", ""},
        {"Sp", false, "C:\\Prog\\default\\Splash.def", "C:\\Prog\\default\\Splash.arc", ""},
        {"rm", false, "", "", ""},
        {"X", false, "", "", ""},
        {"", false, "", "", ""},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.prefix);
        existing.clear();
        if (r.splashInSkin) {
            existing.insert("C:\\Prog\\skin\\Splash.def");
            existing.insert("C:\\Prog\\skin\\Splash.arc");
        }
        EXPECT_EQ(SkinDefPath(r.prefix, Files()), r.def);
        EXPECT_EQ(SkinArchivePath(r.prefix, Files()), r.arc);
        EXPECT_EQ(SkinButtonListName(r.prefix), r.btn);
        profiles = MemoryProfiles{};
        TSkinDef def(r.prefix, Files());
        EXPECT_EQ(def.FilePath(), r.def);
        EXPECT_EQ(profiles.openings, *r.def ? 1 : 0);
    }
    SkinFiles trailing = Files();
    trailing.programDir = "C:\\Prog\\";
    EXPECT_EQ(SkinDefPath("Rm", trailing), "C:\\Prog\\skin\\Reader.def");
}

TEST_F(SkinDefTest, ReadsOnlyTheGroupOfThePrefix) {
    profiles["C:\\Prog\\skin\\Reader.def"]
        .Set("RmBg", "Name", "main")
        .Set("RmBg", "Region", "mainrgn")
        .Set("RmBg", "Move", "1")
        .Set("RmListView", "Left", "5")
        .Set("RpBg", "Name", "pass")
        .Set("RwBg", "Name", "over")
        .Set("RwBg", "Move", "$1F")
        .Set("RwBg2", "Name", "over2");

    TSkinDef rm("Rm", Files());
    EXPECT_EQ(rm.GetBgName("Rm"), "main");
    EXPECT_EQ(rm.GetBgRegion("Rm"), "mainrgn");
    EXPECT_EQ(rm.GetBgMove("Rm"), 1);
    EXPECT_EQ(rm.Find("RmListView")->left, 5);
    EXPECT_EQ(rm.GetBgName("Rp"), "");
    EXPECT_EQ(rm.GetBgName("Rw"), "");
    EXPECT_EQ(rm.Find("RpBg")->name, "");

    TSkinDef rw("Rw", Files());
    EXPECT_EQ(rw.GetBgName("Rw"), "over");
    EXPECT_EQ(rw.GetBgMove("Rw"), 31);
    EXPECT_EQ(rw.Find("RwBg2")->name, "over2");
    EXPECT_EQ(rw.GetBgName("Rm"), "");

    TSkinDef lower("rm", Files());
    EXPECT_EQ(lower.Find("RmBg")->name, "");
    TSkinDef longer("Rmx", Files());  // the Reader file, but no group of that name
    EXPECT_EQ(longer.FilePath(), "C:\\Prog\\skin\\Reader.def");
    EXPECT_EQ(longer.Find("RmBg")->name, "");

    EXPECT_EQ(rm.Find("rmbg"), nullptr);
    EXPECT_EQ(rm.Find("Nothing"), nullptr);
    EXPECT_EQ(rm.GetBgName("Zz"), "");
    EXPECT_EQ(rm.GetBgMove("Zz"), 0);
}

TEST_F(SkinDefTest, MissingFileSectionsAndKeysLeaveEmptyRecords) {
    TSkinDef noFile("Rm", Files());
    const SkinPart* bg = noFile.Find("RmBg");
    ASSERT_NE(bg, nullptr);
    EXPECT_EQ(bg->name, "");
    EXPECT_EQ(bg->move, 0);

    profiles["C:\\Prog\\skin\\Reader.def"].Set("RmStatus", "Left", "3").Set("RmStatus", "FgColor", "oops");
    TSkinDef partial("Rm", Files());
    const SkinPart* status = partial.Find("RmStatus");
    EXPECT_EQ(status->kind, SkinPartKind::Text);
    EXPECT_EQ(status->left, 3);
    EXPECT_EQ(status->top, 0);
    EXPECT_EQ(status->fgColor, 0);
    EXPECT_EQ(partial.Find("RmPageView")->name, "");
}

TEST_F(SkinDefTest, ReadsEveryKindWithItsKeys) {
    profiles["C:\\Prog\\skin\\Common.def"]
        .Set("CdBg", "Left", "7")
        .Set("CdBg", "Top", "8")
        .Set("CdFrame", "Width", "4")
        .Set("CdFrame", "Height", "6")
        .Set("CdTop", "Name", "top")
        .Set("CdRightBottom", "Name", "rb")
        .Set("CdText", "BgColor", "$FFFFFFFF")
        .Set("CdText", "FgColor", "0x00FF0000");
    TSkinDef cd("Cd", Files());
    EXPECT_EQ(cd.Find("CdBg")->left, 7);
    EXPECT_EQ(cd.Find("CdBg")->top, 8);
    EXPECT_EQ(cd.Find("CdFrame")->width, 4);
    EXPECT_EQ(cd.Find("CdFrame")->height, 6);
    EXPECT_EQ(cd.Find("CdTop")->name, "top");
    EXPECT_EQ(cd.Find("CdRightBottom")->name, "rb");
    EXPECT_EQ(cd.Find("CdText")->bgColor, -1);
    EXPECT_EQ(cd.Find("CdText")->fgColor, 0x00FF0000);

    profiles["C:\\Prog\\skin\\Writer.def"]
        .Set("WmSize", "Color05", "5")
        .Set("WmSize", "Color5", "55")
        .Set("WmSize", "Color99", "$10")
        .Set("WmDrop", "Frame00", "f0")
        .Set("WmDrop", "Height", "9")
        .Set("WmPageWork", "Name", "page")
        .Set("WmPageWork", "Width", "300");
    TSkinDef wm("Wm", Files());
    const SkinPart* size = wm.Find("WmSize");
    ASSERT_EQ(size->colors.size(), 100u);
    EXPECT_EQ(size->colors[5], 5);
    EXPECT_EQ(size->colors[99], 16);
    EXPECT_EQ(size->colors[0], 0);
    EXPECT_EQ(wm.Find("WmDrop")->images[0], "f0");
    EXPECT_EQ(wm.Find("WmDrop")->height, 9);
    EXPECT_EQ(wm.Find("WmPageWork")->name, "page");
    EXPECT_EQ(wm.Find("WmPageWork")->width, 300);

    profiles["C:\\Prog\\skin\\Writer.def"]
        .Set("WsMarks", "Ready", "r")
        .Set("WsMarks", "Done", "d")
        .Set("WsMarks", "Now99", "n99")
        .Set("WsMarkWrite", "Top", "12");
    profiles["C:\\Prog\\skin\\Writer.def"].Set("WwCompare", "OnUp", "a").Set("WwCompare", "OffDown", "b")
        .Set("WwCompare", "Left", "2");
    TSkinDef ws("Ws", Files());
    EXPECT_EQ(ws.Find("WsMarks")->ready, "r");
    EXPECT_EQ(ws.Find("WsMarks")->done, "d");
    EXPECT_EQ(ws.Find("WsMarks")->images[99], "n99");
    EXPECT_EQ(ws.Find("WsMarkWrite")->top, 12);
    TSkinDef ww("Ww", Files());
    EXPECT_EQ(ww.Find("WwCompare")->onUp, "a");
    EXPECT_EQ(ww.Find("WwCompare")->offDown, "b");
    EXPECT_EQ(ww.Find("WwCompare")->left, 2);
}

TEST_F(SkinDefTest, CutsLongStringsAndReadsSplashFromItsFallback) {
    profiles["C:\\Prog\\default\\Splash.def"].Set("SpBg", "Name", std::string(3000, 'n')).Set("SpMsg", "Left", "4");
    TSkinDef sp("Sp", Files());
    EXPECT_EQ(sp.GetBgName("Sp"), std::string(kProfileValueLimit, 'n'));
    EXPECT_EQ(sp.Find("SpMsg")->left, 4);
}

// Records which keys are asked for, in order.
class RecordingProfile final : public ProfileReader {
public:
    explicit RecordingProfile(std::vector<std::string>& log) : log_(log) {}
    std::string ReadString(const std::string& section, const std::string& key, const std::string& def) const override {
        log_.push_back(section + "." + key);
        return def;
    }

private:
    std::vector<std::string>& log_;
};

TEST(SkinDefOrder, ReadsPartsAndKeysInTheirOrder) {
    std::vector<std::string> log;
    SkinFiles files{"D:", [&log](const std::string&) { return std::make_unique<RecordingProfile>(log); }, {}};
    TSkinDef rs("Rs", files);
    const std::vector<std::string> expected = {
        "RsBg.Name",          "RsBg.Region",      "RsBg.Move",         "RsBg.Left",         "RsBg.Top",
        "RsFileName.Left",    "RsFileName.Top",   "RsFileName.Width",  "RsFileName.Height", "RsFileName.BgColor",
        "RsFileName.FgColor", "RsFileName.FontColor",                  "RsBar.Left",        "RsBar.Top",
        "RsBar.Width",        "RsBar.Height",     "RsBar.BgColor",     "RsBar.FgColor",     "RsBar.FontColor",
    };
    EXPECT_EQ(log, expected);

    log.clear();
    TSkinDef cd("Cd", files);
    ASSERT_GE(log.size(), 13u);
    EXPECT_EQ(log[5], "CdFrame.Width");
    EXPECT_EQ(log[7], "CdTop.Name");
    EXPECT_EQ(log.back(), "CdText.FgColor");
}

}  // namespace
}  // namespace kb::loader
