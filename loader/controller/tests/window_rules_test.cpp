// The main window's rules as tables: error kinds, skin buttons, position,
// fixed passwords, which unpack failures are retried, when a stop message
// acts, and the start's install-marker question.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "loader/controller/install_markers.h"
#include "loader/controller/loader_controller.h"
#include "loader/controller/window_rules.h"
#include "shared/pack_errors.h"

#ifdef _WIN32
#define CALL __stdcall
#else
#define CALL
#endif

namespace kb::loader {
namespace {

TEST(ErrorKinds, MessageAndEndByKind) {
    const std::map<uintptr_t, std::pair<int, bool>> expected = {
        {1, {1, true}},  {2, {2, true}},  {3, {4, true}},  {4, {5, true}},  {5, {6, false}},
        {6, {7, false}}, {7, {8, false}}, {8, {9, false}}, {9, {3, true}},
    };
    for (uintptr_t kind = 0; kind <= 12; ++kind) {
        const auto action = ErrorKindActionOf(kind);
        auto it = expected.find(kind);
        ASSERT_EQ(action.has_value(), it != expected.end()) << kind;
        if (!action) continue;
        EXPECT_EQ(action->message, it->second.first) << kind;
        EXPECT_EQ(action->terminate, it->second.second) << kind;
    }
    EXPECT_FALSE(ErrorKindActionOf(static_cast<uintptr_t>(-1)));
    EXPECT_EQ(WM_LOADER_ERROR, 0x500u);
    EXPECT_EQ(WM_LOADER_FOCUSLIST, 0x501u);
    EXPECT_EQ(WM_LOADER_CANCEL, 0x600u);
}

TEST(SkinButtons, ClickDispatch) {
    struct Case {
        int id;
        ButtonAction action;
        int session;
    };
    const Case cases[] = {
        {10, ButtonAction::Quit, 0},           {11, ButtonAction::StartExport, 0},
        {101, ButtonAction::SelectSession, 1}, {120, ButtonAction::SelectSession, 20},
        {121, ButtonAction::StartWriter, 0},   {100, ButtonAction::None, 0},
        {122, ButtonAction::None, 0},          {12, ButtonAction::None, 0},
        {0, ButtonAction::None, 0},
    };
    for (const Case& c : cases) {
        const ButtonClick click = SkinButtonClickOf(c.id);
        EXPECT_EQ(click.action, c.action) << c.id;
        EXPECT_EQ(click.session, c.session) << c.id;
    }
}

TEST(SkinButtons, MouseUpGivesOtherTabsTheirOrdinaryLook) {
    EXPECT_TRUE(TabLooksOtherOnMouseUp(101, 2));
    EXPECT_FALSE(TabLooksOtherOnMouseUp(102, 2));
    EXPECT_TRUE(TabLooksOtherOnMouseUp(120, 0));
    EXPECT_FALSE(TabLooksOtherOnMouseUp(121, 2));
    EXPECT_FALSE(TabLooksOtherOnMouseUp(10, 2));
}

TEST(WindowPosition, GivenOrCentredTruncatingHalves) {
    EXPECT_EQ(WindowCoordinate(-2000, 1024, 641), 192);
    EXPECT_EQ(WindowCoordinate(-2000, 1025, 640), 192);
    EXPECT_EQ(WindowCoordinate(-2000, 600, 801), -100);  // a window wider than the screen
    EXPECT_EQ(WindowCoordinate(100, 1024, 641), 100);
    EXPECT_EQ(WindowCoordinate(-1999, 1024, 641), -1999);
    EXPECT_EQ(kTimerIntervalMs, 10);
}

TEST(FixedPasswords, ByEdition) {
    EXPECT_STREQ(FixedUnpackPassword(0), "HarrowbeckTilden_Quill_6482");
    EXPECT_STREQ(FixedUnpackPassword(1), "MervoLKTQ_DeskPlume_5208");
    EXPECT_STREQ(FixedUnpackPassword(2), "HarrowbeckTilden_Quill_6482");
}

TEST(UnpackRetries, OnlyFailuresThatMayPass) {
    const int mayPass[] = {kNoUnpackFolder, PACKERR_OPEN_PACKED_FILE, PACKERR_FILE_IO};
    const int never[] = {PACKERR_WRONG_PASSWORD,     PACKERR_ILLEGAL_PACKED_FILE, PACKERR_FILE_NOT_FOUND,
                         PACKERR_PASSWORD_TOO_SHORT, PACKERR_UNCOMPRESSION,       PACKERR_OPEN_DESTINATION_FILE,
                         PACKERR_PATH_TOO_LONG,      -1};
    for (int code : mayPass) EXPECT_TRUE(UnpackMayPass(code)) << code;
    for (int code : never) EXPECT_FALSE(UnpackMayPass(code)) << code;
}

TEST(PackStopped, ActsOnlyForTheExportsOwnJob) {
    for (Sequence s : {Sequence::None, Sequence::Startup, Sequence::OpenSession, Sequence::Export})
        for (int job : {0, 1}) EXPECT_EQ(PackStoppedActs(s, job), s == Sequence::Export && job == 1);
}

// The notice is Japanese in code page 932, like every other fixed text of
// the loader, with the count between its two halves.
TEST(UnsafeRows, TheCountIsInTheJapaneseText) {
    // "このセッションのファイル一覧の " and " 件は、...できません。"
    const std::string before = "\x82\xb1\x82\xcc\x83\x5a\x83\x62\x83\x56\x83\x87\x83\x93\x82\xcc\x83\x74\x83\x40\x83\x43\x83\x8b\x88\xea\x97\x97\x82\xcc\x20";
    const std::string after = "\x20\x8c\x8f\x82\xcd\x81\x41\x83\x70\x83\x58\x82\xaa\x8b\xf3\x82\xa9\x90\xe2\x91\xce\x83\x70\x83\x58\x82\xa9\x93\x57\x8a\x4a\x90\xe6\x83\x74\x83\x48\x83\x8b\x83\x5f\x81\x5b\x82\xcc\x8a\x4f\x82\xf0\x8e\x77\x82\xb7\x82\xbd\x82\xdf\x81\x41\x95\x5c\x8e\xa6\x82\xe0\x93\x57\x8a\x4a\x82\xe0\x82\xc5\x82\xab\x82\xdc\x82\xb9\x82\xf1\x81\x42";
    for (int count : {1, 12, 1000})
        EXPECT_EQ(UnsafeRowsText(count), before + std::to_string(count) + after) << count;
}

std::vector<std::string> g_asked;
int CALL InstKey() {
    g_asked.push_back("IsExistInstKey");
    return 0;
}
int CALL InstKeyFound() {
    g_asked.push_back("IsExistInstKey");
    return 1;
}
int CALL RebootKey() {
    g_asked.push_back("IsExistNeedRebootKey");
    return 0;
}

class Searcher final : public DynamicLibrary {
public:
    explicit Searcher(bool instKey) : instKey_(instKey) {}
    void* Symbol(const char* name) const override {
        const std::string n = name;
        if (n == "IsExistInstKey") return reinterpret_cast<void*>(instKey_ ? &InstKeyFound : &InstKey);
        if (n == "IsExistNeedRebootKey") return reinterpret_cast<void*>(&RebootKey);
        return nullptr;
    }

private:
    bool instKey_;
};

TEST(InstallMarkers, OnlyAnAdministratorsStartAsksTheSearcher) {
    struct Case {
        int admin;
        bool instKey;
        std::vector<std::string> asked;
        int opened;
    };
    const Case cases[] = {
        {1, false, {"IsExistInstKey", "IsExistNeedRebootKey"}, 1},
        {1, true, {"IsExistInstKey"}, 1},
        {0, false, {}, 0},
        {-1, false, {}, 0},
    };
    for (const Case& c : cases) {
        g_asked.clear();
        int opened = 0;
        AskInstallMarkers([&] { return c.admin; },
                          [&] {
                              ++opened;
                              return std::make_unique<TSpurlane>(std::make_unique<Searcher>(c.instKey));
                          });
        EXPECT_EQ(g_asked, c.asked) << c.admin;
        EXPECT_EQ(opened, c.opened) << c.admin;
    }
}

}  // namespace
}  // namespace kb::loader
