// The loader's bindings against the real Kabbit.dll, Arkstow.dll and
// Spurlane.dll beside the test, and the Kellmark.dll stand-ins.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "testing/kit/temp_folder.h"
#include "testing/kit/file_io.h"
#include "testing/kit/patterns.h"
#include "testing/kit/recording_sink.h"
#include "loader/bindings.h"
#include "loader/work_folder.h"
#include "testing/builders/pack_fixture.h"
#include "shared/base/fs.h"
#include "testing/builders/ach_builder.h"

namespace kb::loader {
namespace {

using kb::testing::ReadWholeFile;
using kb::testing::RecordingSink;
using kb::testing::TempDir;
using kb::testing::WriteWholeFile;

std::vector<std::string> TextsOf(const RecordingSink& sink) {
    std::vector<std::string> texts;
    for (const auto& [title, text] : sink.messages) texts.push_back(title + "|" + text);
    return texts;
}

// Polls as the main window's timer does, until the job ends.
int PollToEnd(TKabbit& k, std::vector<std::string>* names = nullptr) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    for (;;) {
        std::string name;
        const int p = k.GetProgress(name);
        if (names && !name.empty() && (names->empty() || names->back() != name)) names->push_back(name);
        // 100 is the last record written, not the end: the copy is removed after it.
        if (p > 100 || p < 0 || std::chrono::steady_clock::now() > deadline) return p;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

TEST(RealKabbit, BindsSilentlyAndUnpacksAFixtureEntryToDone) {
    TempDir dir;
    const std::string pack = dir / "Archive";
    ASSERT_TRUE(CreateDirectoryA((dir / "src").c_str(), nullptr));
    ASSERT_EQ(pack::fixture::WriteFixturePack(pack, dir / "src"), 0);

    RecordingSink sink;
    TKabbit k;
    EXPECT_TRUE(sink.messages.empty()) << TextsOf(sink).front();
    k.SetWorkingDir(dir / "QZTemp");
    EXPECT_TRUE(fs::FolderExists(dir / "QZTemp"));

    const std::string out = dir / "out";
    ASSERT_TRUE(CreateDirectoryA(out.c_str(), nullptr));
    k.packPath = pack;
    k.packPassword = pack::fixture::kPassword;
    ASSERT_EQ(k.UnPack(out, "c.bin"), 0);
    EXPECT_EQ(PollToEnd(k), 101);
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(out + "\\c.bin", bytes));
    EXPECT_EQ(bytes, kb::testing::Pattern(5000, 2));
    EXPECT_FALSE(kb::testing::FileExists(out + "\\c.bin.cmp"));  // the library removes its copy

    // A compressed folder: its files come out under the folder's name.
    ASSERT_EQ(k.UnPack(out, "set"), 0);
    EXPECT_EQ(PollToEnd(k), 101);
    ASSERT_TRUE(ReadWholeFile(out + "\\set\\sub\\y.bin", bytes));
    EXPECT_EQ(bytes, kb::testing::Pattern(2000, 4));

    // The plain entry a\b.txt has no ".cmp" form: the start fails with a code
    // whose text the table knows.
    int r = k.UnPack(out, "a\\b.txt");
    if (r == 0) r = PollToEnd(k);
    ASSERT_LT(r, 0);
    EXPECT_NE(TKabbit::GetErrorString(r), "Unknown error.");
}

// A 2 x 2 bitmap read through GDI, as the skin's pictures are drawn.
class GdiBitmap final : public Graphic {
public:
    ~GdiBitmap() override {
        if (bitmap) DeleteObject(bitmap);
    }
    bool LoadFromBytes(const std::vector<uint8_t>& bytes) override {
        if (bytes.size() < sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) || bytes[0] != 'B' || bytes[1] != 'M')
            return false;
        BITMAPFILEHEADER file;
        std::memcpy(&file, bytes.data(), sizeof file);
        const auto* info = reinterpret_cast<const BITMAPINFO*>(bytes.data() + sizeof file);
        if (file.bfOffBits >= bytes.size()) return false;
        HDC screen = GetDC(nullptr);
        HBITMAP made = CreateDIBitmap(screen, &info->bmiHeader, CBM_INIT, bytes.data() + file.bfOffBits, info,
                                      DIB_RGB_COLORS);
        ReleaseDC(nullptr, screen);
        if (!made) return false;
        bitmap = made;
        return true;
    }
    COLORREF Pixel(int x, int y) const {
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, bitmap);
        const COLORREF c = GetPixel(dc, x, y);
        SelectObject(dc, old);
        DeleteDC(dc);
        return c;
    }
    HBITMAP bitmap = nullptr;
};

// A bottom-up 24-bit 2 x 2 bitmap: red, green on the top row; blue, white below.
std::string TwoByTwoBitmap() {
    const unsigned char pixels[] = {0xFF, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0, 0,   // bottom row: blue, white
                                    0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0, 0};  // top row: red, green
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER info = {};
    info.biSize = sizeof info;
    info.biWidth = 2;
    info.biHeight = 2;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    info.biSizeImage = sizeof pixels;
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + sizeof pixels;
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
    bytes.append(reinterpret_cast<const char*>(&info), sizeof info);
    bytes.append(reinterpret_cast<const char*>(pixels), sizeof pixels);
    return bytes;
}

TEST(RealArkstow, ListsASkinArchiveAndLoadsABitmapFromIt) {
    TempDir dir;
    const std::string arc = dir / "Common.arc";
    ASSERT_TRUE(WriteWholeFile(arc, ark::testing::AchBuilder(8)
                                        .Add("Common.def", "[Rm]\r\n")
                                        .Add("bg.bmp", TwoByTwoBitmap())
                                        .Add("bg.rgn", std::string(32, '\x01'))
                                        .Build()));
    RecordingSink sink;
    TArkstow a;
    EXPECT_TRUE(sink.messages.empty());
    a.OpenArchive(arc);
    EXPECT_EQ(a.LastResult(), 0);
    EXPECT_EQ(a.EntryCount(), 3);
    EXPECT_EQ(a.EntryNames(), (std::vector<std::string>{"Common.def", "bg.bmp", "bg.rgn"}));

    GdiBitmap bmp;
    ASSERT_TRUE(a.LoadGraphic("BG.BMP", bmp));  // names match regardless of ASCII case
    BITMAP info = {};
    ASSERT_TRUE(GetObjectA(bmp.bitmap, sizeof info, &info));
    EXPECT_EQ(info.bmWidth, 2);
    EXPECT_EQ(info.bmHeight, 2);
    EXPECT_EQ(bmp.Pixel(0, 0), RGB(255, 0, 0));
    EXPECT_EQ(bmp.Pixel(1, 0), RGB(0, 255, 0));
    EXPECT_EQ(bmp.Pixel(0, 1), RGB(0, 0, 255));

    GdiBitmap notABitmap;
    EXPECT_FALSE(a.LoadGraphic("bg.rgn", notABitmap));  // loaded, but no picture
    EXPECT_EQ(notABitmap.bitmap, nullptr);
    EXPECT_FALSE(a.LoadGraphic("none.bmp", notABitmap));
    EXPECT_LT(a.LastResult(), 0);
    std::vector<uint8_t> def;
    ASSERT_TRUE(a.LoadToStream("Common.def", def));
    EXPECT_EQ(std::string(def.begin(), def.end()), "[Rm]\r\n");

    a.OpenArchive(dir / "missing.arc");
    EXPECT_LT(a.LastResult(), 0);
    EXPECT_TRUE(a.EntryNames().empty());
    GdiBitmap untouched;
    EXPECT_FALSE(a.LoadGraphic("bg.bmp", untouched));
    EXPECT_EQ(untouched.bitmap, nullptr);
}

TEST(RealSpurlane, BindsSilentlyAndAnswers) {
    RecordingSink sink;
    TSpurlane s;
    EXPECT_TRUE(s.Loaded());
    EXPECT_TRUE(sink.messages.empty());
    s.IsExistInstKey();
    s.IsExistNeedRebootKey();
}

TEST(MissingLibraries, EachBindingReportsAsItsOwnRuleSays) {
    RecordingSink sink;
    TKabbit k(DynamicLibrary::Load(BesideThisModule("no-such\\Kabbit.dll")));
    EXPECT_EQ(sink.messages.size(), 17u);
    EXPECT_EQ(sink.messages[4].second, "PackPartFolder() not found in Kabbit.dll");
    TSpurlane s(DynamicLibrary::Load(BesideThisModule("no-such\\Spurlane.dll")));
    EXPECT_EQ(sink.messages.size(), 17u);
}

std::string KellmarkStandIn(const char* variant) {
    return BesideThisModule(std::string("standins\\kellmark_") + variant + "\\Kellmark.dll");
}

TEST(KellmarkStandIn, TheTestChoosesTheAnswerAndTheMissingFunction) {
    const struct {
        const char* variant;
        const char* answer;
        int result;
        std::vector<std::string> texts;
    } rows[] = {
        {"complete", "1", 1, {}},
        {"complete", "0", 0, {}},
        {"complete", "0x100", 0, {}},
        {"complete", nullptr, 0, {}},
        {"noadmin", "1", -1, {"Sorvex|IsAdministrator() not found in Kellmark.dll"}},
        {"missing", "1", -1, {"Sorvex|Cannot load Kellmark.dll"}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(std::string(r.variant) + " " + (r.answer ? r.answer : "(unset)"));
        SetEnvironmentVariableA("KB_KELLMARK_ADMIN", r.answer);
        RecordingSink sink;
        EXPECT_EQ(KellmarkIsAdministrator(KellmarkStandIn(r.variant)), r.result);
        EXPECT_EQ(TextsOf(sink), r.texts);
        // Freed before returning: nothing of it stays loaded.
        EXPECT_EQ(GetModuleHandleA(KellmarkStandIn(r.variant).c_str()), nullptr);
    }
    SetEnvironmentVariableA("KB_KELLMARK_ADMIN", nullptr);
}

TEST(KellmarkStandIn, AMissingManagerIsReportedOncePerAnswerNotOncePerQuestion) {
    RecordingSink sink;
    AdminAnswer admin([] { return KellmarkIsAdministrator(KellmarkStandIn("missing")); });
    for (int entry = 0; entry < 5; ++entry) EXPECT_FALSE(admin.IsAdmin());
    EXPECT_EQ(TextsOf(sink), std::vector<std::string>{"Sorvex|Cannot load Kellmark.dll"});
}

}  // namespace
}  // namespace kb::loader
