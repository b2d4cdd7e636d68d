// Numbered messages, profile integers and the font settings over an in-memory profile.
#include <gtest/gtest.h>

#include "loader/msg_ini.h"
#include "loader/settings.h"
#include "loader/tests/memory_profile.h"

namespace kb::loader {
namespace {

using testing::MemoryProfile;
using testing::MemoryProfiles;

constexpr char kIni[] = "C:\\Loader\\Message.Ini";

TEST(ProfileInteger, ReadsDecimalAndBothHexadecimalForms) {
    const struct {
        const char* text;
        bool ok;
        int value;
    } rows[] = {
        {"12", true, 12},          {"-7", true, -7},          {"+3", true, 3},
        {"$1F", true, 31},         {"0x1f", true, 31},        {"0X10", true, 16},
        {"$FFFFFFFF", true, -1},   {"-$10", true, -16},       {"2147483647", true, 2147483647},
        {"-2147483648", true, -2147483647 - 1},               {"2147483648", false, 0},
        {"$100000000", false, 0},  {"", false, 0},            {"$", false, 0},
        {"0x", false, 0},          {"12a", false, 0},         {"x", false, 0},
        {" 5", true, 5},           {"5 ", false, 0},          {"1.5", false, 0},
        {"   ", false, 0},         {"- 5", false, 0},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.text);
        int value = 999;
        EXPECT_EQ(ParseProfileInteger(r.text, value), r.ok);
        EXPECT_EQ(value, r.ok ? r.value : 999);
    }
}

class MsgIniTest : public ::testing::Test {
protected:
    MemoryProfile& Loader() { return files[kIni]; }
    std::unique_ptr<TMsgIni> Open(int kind = 2) {
        auto m = std::make_unique<TMsgIni>(files.Opener());
        m->SetIniFile(kIni);
        m->SetKind(kind);
        return m;
    }
    MemoryProfiles files;
};

TEST_F(MsgIniTest, ReadsSingleAndMultiLineMessages) {
    Loader()
        .Set("Loader", "Count005", "2")
        .Set("Loader", "Message0051", "first")
        .Set("Loader", "Message0052", "second")
        .Set("Loader", "Count006", "0")
        .Set("Loader", "Message006", "single")
        .Set("Loader", "Count007", "3")
        .Set("Loader", "Message0071", "one")
        .Set("Loader", "Message0072", "two")
        .Set("Loader", "Count008", "x")
        .Set("Loader", "Message008", "not counted")
        .Set("Loader", "Count009", "$2")
        .Set("Loader", "Message0091", "a")
        .Set("Loader", "Message0092", "b")
        .Set("Loader", "Message999", "eraser")
        .Set("Loader", "Count001", "10")
        .Set("Loader", "Message00110", "tenth")
        .Set("Launcher", "Message010", "other section");
    auto m = Open();
    const struct {
        int n;
        const char* text;
    } rows[] = {
        {5, "first\r\nsecond"},
        {6, "single"},
        {7, "one\r\ntwo\r\nLoad Message Error"},
        {8, "not counted"},
        {9, "a\r\nb"},
        {999, "eraser"},
        {10, "Load Message Error"},
        {1, "Load Message Error\r\nLoad Message Error\r\nLoad Message Error\r\nLoad Message Error\r\n"
            "Load Message Error\r\nLoad Message Error\r\nLoad Message Error\r\nLoad Message Error\r\n"
            "Load Message Error\r\ntenth"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.n);
        EXPECT_EQ(m->ReadMessage(r.n), r.text);
    }
}

TEST_F(MsgIniTest, KindsChooseTheirSectionAndAnyOtherIsNone) {
    const struct {
        int kind;
        int stored;
        const char* section;
    } rows[] = {{1, 1, "Launcher"}, {2, 2, "Loader"}, {3, 3, "Writer"}, {7, 0, "None"}, {0, 0, "None"},
                {-1, 0, "None"}};
    for (const auto& r : rows) {
        TMsgIni m(files.Opener());
        m.SetKind(r.kind);
        EXPECT_EQ(m.Kind(), r.stored);
        EXPECT_EQ(m.SectionName(), r.section);
    }
    Loader().Set("None", "Message001", "none's");
    EXPECT_EQ(Open(7)->ReadMessage(1), "none's");
}

TEST_F(MsgIniTest, TheSamePathKeepsTheReaderAndAnotherReplacesIt) {
    TMsgIni m(files.Opener());
    EXPECT_EQ(m.ReadMessage(1), kLoadMessageError);  // before any file
    m.SetIniFile(kIni);
    m.SetIniFile(kIni);
    EXPECT_EQ(files.openings, 1);
    m.SetIniFile("C:\\Loader\\message.ini");  // exact comparison: another name
    EXPECT_EQ(files.openings, 2);
    EXPECT_EQ(m.FileName(), "C:\\Loader\\message.ini");
}

TEST_F(MsgIniTest, AMissingFileReadsLoadMessageErrorEverywhere) {
    TMsgIni m(files.Opener());
    m.SetIniFile("C:\\Nowhere\\Message.Ini");
    m.SetKind(2);
    for (int n : {1, 9, 10, 201, 208, 303, 800, 912, 999}) EXPECT_EQ(m.ReadMessage(n), kLoadMessageError);
}

TEST(FontSettings, CharsetNamesAreUpperCasedAndUnknownNamesGiveShiftJis) {
    const struct {
        const char* name;
        int charset;
    } rows[] = {
        {"ANSI_CHARSET", 0},          {"shiftjis_charset", 128}, {"Hangeul_Charset", 129},
        {"HANGUL_CHARSET", 129},      {"DEFAULT_CHARSET", 1},    {"SYMBOL_CHARSET", 2},
        {"MAC_CHARSET", 77},          {"JOHAB_CHARSET", 130},    {"GB2312_CHARSET", 134},
        {"CHINESEBIG5_CHARSET", 136}, {"GREEK_CHARSET", 161},    {"TURKISH_CHARSET", 162},
        {"VIETNAMESE_CHARSET", 163},  {"HEBREW_CHARSET", 177},   {"ARABIC_CHARSET", 178},
        {"BALTIC_CHARSET", 186},      {"RUSSIAN_CHARSET", 204},  {"THAI_CHARSET", 222},
        {"EASTEUROPE_CHARSET", 238},  {"OEM_CHARSET", 255},      {"KOREAN_CHARSET", 128},
        {"", 128},                    {" ANSI_CHARSET", 128},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(CharsetFromName(r.name), r.charset);
    }
}

TEST(FontSettings, DefaultsAndReadValues) {
    const SkinFontSettings d = LoadFontSettings(nullptr);
    EXPECT_EQ(d.charset, 128);
    EXPECT_EQ(d.name, "\x82\x6C\x82\x72\x20\x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E");
    EXPECT_EQ(d.size, 9);
    EXPECT_EQ(d.monoName, "\x82\x6C\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4E");
    EXPECT_EQ(d.monoSize, 9);
    EXPECT_EQ(d.editHeight, 12);
    EXPECT_EQ(d.gaugeHeight, 0);

    MemoryProfile empty;
    const SkinFontSettings e = LoadFontSettings(&empty);
    EXPECT_EQ(e.name, d.name);
    EXPECT_EQ(e.editHeight, 12);

    MemoryProfile p;
    p.Set("Font", "Charset", "ansi_charset")
        .Set("Font", "Name", "Arial")
        .Set("Font", "Size", "$A")
        .Set("Font", "MonoName", "Courier")
        .Set("Font", "MonoSize", "nine")
        .Set("Controls", "EditHeight", "0x14")
        .Set("Controls", "GaugeHeight", "7");
    const SkinFontSettings s = LoadFontSettings(&p);
    EXPECT_EQ(s.charset, 0);
    EXPECT_EQ(s.name, "Arial");
    EXPECT_EQ(s.size, 10);
    EXPECT_EQ(s.monoName, "Courier");
    EXPECT_EQ(s.monoSize, 9);  // not a number: the default
    EXPECT_EQ(s.editHeight, 20);
    EXPECT_EQ(s.gaugeHeight, 7);
}

TEST(SharedSettings, DriveRootIsTheLetterAndAColon) {
    SetDriveRoot('q');
    EXPECT_EQ(GetDriveRoot(), "q:");
    SetDriveRoot(':');
    EXPECT_EQ(GetDriveRoot(), "::");
}

}  // namespace
}  // namespace kb::loader
