// Arkstow.dll loaded by its plain name, as the loader and the launcher load it:
// the loader lists a skin archive and loads entries by name into its own
// stream; the launcher extracts whole archives into a fresh work folder.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "archive/arkstow_api.h"
#include "shared/arkstow_exports.h"
#include "testing/builders/ach_builder.h"
#include "testing/kit/file_io.h"
#include "testing/kit/recording_sink.h"
#include "testing/kit/temp_folder.h"
#include "testing/uidriver/ui_driver.h"

namespace {

using ark::testing::AchBuilder;
using ark::testing::BuilderEntry;
using ark::testing::PatternBody;
using kb::testing::ReadWholeFile;
using kb::testing::RecordingSink;
using kb::testing::ScopedTempFolder;
using kb::testing::TempDir;
using kb::testing::WriteWholeFile;

using GetCountFn = kb::arkstow::GetCount::Fn;
using GetNameFn = kb::arkstow::GetName::Fn;
using LoadByNameFn = kb::arkstow::LoadByName::Fn;
using SaveAllFn = kb::arkstow::SaveAll::Fn;

class Arkstow {
public:
    Arkstow() : dll_(LoadLibraryA("Arkstow.dll")) {}
    ~Arkstow() {
        if (dll_) FreeLibrary(dll_);
    }
    Arkstow(const Arkstow&) = delete;
    Arkstow& operator=(const Arkstow&) = delete;
    template <class F>
    F Get(const char* name) const {
        return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(dll_, name)));
    }
    template <class F>
    F Get(int ordinal) const {
        return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(dll_, MAKEINTRESOURCEA(ordinal))));
    }
    HMODULE dll_;
};

// The loader's stream: memory it owns, grown by the library through the callback.
struct LoaderStream {
    ArkMemStream s{};
    std::vector<char> memory;
    LoaderStream() {
        s.ctx = this;
        s.resize = &Resize;
        s.position = 123;
    }
    static int WINAPI Resize(ArkMemStream* stream, uint32_t size) {
        auto* self = static_cast<LoaderStream*>(stream->ctx);
        self->memory.resize(size);
        stream->data = self->memory.data();
        stream->size = size;
        return 0;
    }
};

class ArkstowDll : public ::testing::Test {
protected:
    TempDir temp;
    TempDir logDir;
    ScopedTempFolder scopedTemp{logDir.path()};
    RecordingSink sink;
    Arkstow ark;
};

TEST_F(ArkstowDll, ReadingExportsSitAtTheirOrdinals) {
    ASSERT_NE(ark.dll_, nullptr);
    const struct {
        int ordinal;
        const char* name;
    } exports[] = {{2, "GetCount"},   {3, "GetName"},      {4, "GetInfo"},     {6, "LoadByIndex"},
                   {7, "LoadByName"}, {8, "SaveByIndex"},  {9, "SaveByName"},  {10, "SaveAll"},
                   {12, "Find"},      {15, "MemCopy"}};
    for (const auto& e : exports) {
        void* byName = ark.Get<void*>(e.name);
        EXPECT_NE(byName, nullptr) << e.name;
        EXPECT_EQ(byName, ark.Get<void*>(e.ordinal)) << e.name;
    }
}

TEST_F(ArkstowDll, LoaderPatternListsAndLoadsByName) {
    ASSERT_NE(ark.dll_, nullptr);
    const std::vector<std::pair<std::string, std::string>> entries = {
        {"Main.bmp", PatternBody(70000)}, {"Main.rgn", "region"}, {"Btn\\Ok.bmp", "ok"}};
    AchBuilder b(5);
    for (const auto& [name, body] : entries) b.Add(name, body);
    const std::string path = temp / "Reader.arc";
    ASSERT_TRUE(WriteWholeFile(path, b.Build()));

    auto getCount = ark.Get<GetCountFn>("GetCount");
    auto getName = ark.Get<GetNameFn>("GetName");
    auto loadByName = ark.Get<LoadByNameFn>("LoadByName");
    int maxLength = -1;
    const int count = getCount(path.c_str(), nullptr, &maxLength);
    ASSERT_EQ(count, 3);
    ASSERT_EQ(maxLength, 10);
    for (int i = 0; i < count; ++i) {
        // A buffer of the longest name plus two, passed from its second byte.
        std::vector<char> buffer(maxLength + 2, '#');
        ASSERT_EQ(getName(path.c_str(), i, buffer.data() + 1, maxLength), 0);
        EXPECT_EQ(buffer[0], '#');
        const std::string name(buffer.data() + 1);
        EXPECT_EQ(name, entries[i].first);
        LoaderStream stream;
        EXPECT_EQ(loadByName(path.c_str(), name.c_str(), &stream.s), i);
        EXPECT_EQ(stream.s.position, 0u);
        EXPECT_EQ(std::string(stream.memory.begin(), stream.memory.end()), entries[i].second);
    }
    LoaderStream stream;
    EXPECT_EQ(loadByName(path.c_str(), "main.BMP", &stream.s), 0);
    EXPECT_EQ(loadByName(path.c_str(), "missing.bmp", &stream.s), -1);
    EXPECT_TRUE(sink.messages.empty());
}

uint64_t U(const FILETIME& t) { return (uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime; }

TEST_F(ArkstowDll, LauncherPatternExtractsIntoAFreshWorkFolder) {
    ASSERT_NE(ark.dll_, nullptr);
    BuilderEntry program;
    program.name = "LumarForUtil.exe";
    program.body = PatternBody(131073);
    program.attributes = FILE_ATTRIBUTE_ARCHIVE;
    program.lastWrite = 0x01D7123456789ABCULL;
    BuilderEntry locked;
    locked.name = "skin\\Common.arc";
    locked.body = "skin";
    locked.attributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN;
    locked.lastWrite = 0x01D0AAAABBBBCCCCULL;
    const std::string path = temp / "Module.ach";
    ASSERT_TRUE(WriteWholeFile(path, AchBuilder(4).Add(program).Add(locked).Build()));

    auto saveAll = ark.Get<SaveAllFn>("SaveAll");
    const std::string work = temp / "QZDiscUtil";
    ASSERT_TRUE(CreateDirectoryA(work.c_str(), nullptr));
    for (int round = 0; round < 2; ++round) {  // the second round replaces read-only and hidden copies
        ASSERT_EQ(saveAll(path.c_str(), work.c_str()), 0) << round;
        std::string bytes;
        ASSERT_TRUE(ReadWholeFile(work + "\\LumarForUtil.exe", bytes));
        EXPECT_EQ(bytes, program.body);
        ASSERT_TRUE(ReadWholeFile(work + "\\skin\\Common.arc", bytes));
        EXPECT_EQ(bytes, "skin");

        WIN32_FILE_ATTRIBUTE_DATA data;
        ASSERT_TRUE(GetFileAttributesExA((work + "\\LumarForUtil.exe").c_str(), GetFileExInfoStandard, &data));
        EXPECT_EQ(U(data.ftLastWriteTime), program.lastWrite);
        EXPECT_EQ(data.dwFileAttributes & FILE_ATTRIBUTE_READONLY, 0u);
        ASSERT_TRUE(GetFileAttributesExA((work + "\\skin\\Common.arc").c_str(), GetFileExInfoStandard, &data));
        EXPECT_EQ(U(data.ftLastWriteTime), locked.lastWrite);
        EXPECT_NE(data.dwFileAttributes & FILE_ATTRIBUTE_READONLY, 0u);
    }
    EXPECT_EQ(saveAll((temp / "none.ach").c_str(), work.c_str()), -10);
    EXPECT_TRUE(sink.messages.empty());
}

// The library's own box, read and answered from outside as a user would.
TEST_F(ArkstowDll, ALogThatCannotBeWrittenIsReportedInTheLibrarysOwnBox) {
    ASSERT_NE(ark.dll_, nullptr);
    ScopedTempFolder missing(temp / "no-such-temp");
    const std::string path = temp / "short.ach";
    ASSERT_TRUE(WriteWholeFile(path, std::string(2, '\0')));
    auto getCount = ark.Get<GetCountFn>("GetCount");
    std::atomic<int> result{0};
    std::thread call([&] { result = getCount(path.c_str(), nullptr, nullptr); });
    const auto box = kb::uidriver::WaitForMessageBox("Arkstow", GetCurrentProcessId(), 30000);
    if (box) {
        EXPECT_EQ(box->text, "FatalError:\nFailed to open log file.");
        EXPECT_EQ(GetWindow(box->window, GW_OWNER), nullptr);
        EXPECT_TRUE(kb::uidriver::AnswerMessageBox(box->window, IDOK));
    }
    call.join();
    ASSERT_TRUE(box) << "no box";
    EXPECT_EQ(result, -100);
}

}  // namespace
