// TKabbit over a fake pack library: what each method passes, the password
// fallback, the missing-function reports and clean failures of unbound methods.
#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "shared/kabbit_exports.h"
#include "shared/base/message_sink.h"
#include "shared/pack_errors.h"
#include "shared/tkabbit.h"

namespace kb {
namespace {

using winapi::BOOL;
using winapi::BYTE;
using winapi::DWORD;
using winapi::HWND;

std::vector<std::string> g_calls;
std::deque<int> g_packResults, g_progress;
size_t g_errorNamesNeeded = 0;
int g_errorNamesOther = 0;

std::string S(const char* s) { return s ? s : "(null)"; }
std::string NameList(const char* list) {
    std::string out;
    for (const char* p = list; *p; p += std::strlen(p) + 1) out += std::string(p) + ";";
    return out;
}

int KB_WINAPI FakeCreateNew(const char* pack, const char* pw, BOOL a, int b) {
    g_calls.push_back("CreateNew|" + S(pack) + "|" + S(pw) + "|" + std::to_string(a) + "|" + std::to_string(b));
    return 0;
}
int KB_WINAPI FakeEnumFiles(const char* pack, char* names, int namesSize, BYTE* flags, DWORD* sizes, int sizesSize,
                            const char* pw) {
    g_calls.push_back("EnumFiles|" + S(pack) + "|" + std::to_string(namesSize) + "|" + std::to_string(sizesSize) +
                      "|" + S(pw));
    std::memcpy(names, "a\0bb\0ccc\0", 10);
    flags[0] = 1;
    sizes[0] = sizes[1] = sizes[2] = 0xFFFFFFFFu;
    return 3;
}
int KB_WINAPI FakeGetType(const char*, BYTE* version, BYTE* flags) {
    *version = 0x23;
    *flags = 0x05;
    return 0;
}
int KB_WINAPI FakePack(const char* pack, const char* src, const char* entry, const char* pw, BOOL compress) {
    g_calls.push_back("Pack|" + S(pack) + "|" + S(src) + "|" + S(entry) + "|" + S(pw) + "|" + std::to_string(compress));
    if (g_packResults.empty()) return 0;
    int r = g_packResults.front();
    g_packResults.pop_front();
    return r;
}
int KB_WINAPI FakePackPartFolder(const char* pack, const char* folder, const char* list, int count, const char* pw,
                                 BOOL compress) {
    g_calls.push_back("PackPartFolder|" + S(pack) + "|" + S(folder) + "|" + NameList(list) + "|" +
                      std::to_string(count) + "|" + S(pw) + "|" + std::to_string(compress));
    return 0;
}
int KB_WINAPI FakeUnPack(const char* pack, const char* folder, const char* entry, const char* pw) {
    g_calls.push_back("UnPack|" + S(pack) + "|" + S(folder) + "|" + S(entry) + "|" + S(pw));
    return 0;
}
int KB_WINAPI FakeGetProgress(char* name) {
    if (name) std::strcpy(name, "cur.txt");
    if (g_progress.empty()) return 101;
    int r = g_progress.front();
    g_progress.pop_front();
    return r;
}
int KB_WINAPI FakeConvertFilePath(char* path) {
    for (char* p = path; *p; ++p)
        if (*p == '/') *p = '\\';
    return 0;
}
BOOL KB_WINAPI FakeStop(HWND) { return 1; }
int KB_WINAPI NeverCalled() { return -1; }
int KB_WINAPI FakePreCompress(const char* src, const char* dst, const char* list, int count, BOOL wait) {
    g_calls.push_back("PreCompress|" + S(src) + "|" + S(dst) + "|" + NameList(list) + "|" + std::to_string(count) +
                      "|" + std::to_string(wait) + "|" + std::to_string(list[0] == 0 && list[1] == 0));
    return 0;
}
void KB_WINAPI FakeGetPreCompressFileName(char* buffer) {
    std::memset(buffer, 'x', 259);  // the library's full 260 bytes
    buffer[259] = 0;
}
void KB_WINAPI FakeSetWorkingDir(const char* folder) { g_calls.push_back("SetWorkingDir|" + S(folder)); }
int KB_WINAPI FakeEncrypt(BYTE*, int length, const char* pw, int pwLength, BOOL sync) {
    g_calls.push_back("Encrypt|" + std::to_string(length) + "|" + S(pw) + "|" + std::to_string(pwLength) + "|" +
                      std::to_string(sync));
    return 0;
}
int KB_WINAPI FakeDecrypt(BYTE*, int length, const char* pw, int pwLength, BOOL sync) {
    g_calls.push_back("Decrypt|" + std::to_string(length) + "|" + S(pw) + "|" + std::to_string(pwLength) + "|" +
                      std::to_string(sync));
    return 0;
}
int KB_WINAPI FakeForce(BOOL force) { return force; }
int KB_WINAPI FakeGetErrorFileNames(char* buffer, int size) {
    g_calls.push_back("GetErrorFileNames|" + std::to_string(size));
    if (g_errorNamesOther) return g_errorNamesOther;
    if (static_cast<size_t>(size) < g_errorNamesNeeded) return PACKERR_NAME_BUFFER_OVERFLOW;
    std::memcpy(buffer, "e1\0e2\0", 7);
    return 0;
}

// A table entry of the fake library: the export's name and the fake, which must
// have the export's signature.
template <class E>
std::pair<const std::string, void*> Export(typename E::Fn fn) {
    return {E::kName, ExportAddress<E>(fn)};
}

class FakeLibrary final : public DynamicLibrary {
public:
    explicit FakeLibrary(std::set<std::string> omit) : omit_(std::move(omit)) {}
    void* Symbol(const char* name) const override {
        static const std::map<std::string, void*> table = {
            Export<kabbit::CreateNew>(&FakeCreateNew),
            Export<kabbit::EnumFiles>(&FakeEnumFiles),
            Export<kabbit::GetType>(&FakeGetType),
            Export<kabbit::Pack>(&FakePack),
            Export<kabbit::PackPartFolder>(&FakePackPartFolder),
            Export<kabbit::UnPack>(&FakeUnPack),
            Export<kabbit::GetProgress>(&FakeGetProgress),
            Export<kabbit::ConvertFilePath>(&FakeConvertFilePath),
            // Bound but never called by TKabbit.
            {kabbit::GetFileCount::kName, reinterpret_cast<void*>(&NeverCalled)},
            {kabbit::GetTotalSize::kName, reinterpret_cast<void*>(&NeverCalled)},
            {kabbit::GetFileInfo::kName, reinterpret_cast<void*>(&NeverCalled)},
            Export<kabbit::Stop>(&FakeStop),
            Export<kabbit::PreCompress>(&FakePreCompress),
            Export<kabbit::GetPreCompressFileName>(&FakeGetPreCompressFileName),
            Export<kabbit::SetWorkingDir>(&FakeSetWorkingDir),
            Export<kabbit::EncryptBufferData>(&FakeEncrypt),
            Export<kabbit::DecryptBufferData>(&FakeDecrypt),
            Export<kabbit::ForceCompleteCompress>(&FakeForce),
            Export<kabbit::GetErrorFileNames>(&FakeGetErrorFileNames),
        };
        if (omit_.count(name)) return nullptr;
        auto it = table.find(name);
        return it == table.end() ? nullptr : it->second;
    }

private:
    std::set<std::string> omit_;
};

class Sink final : public MessageSink {
public:
    Sink() : previous_(SetMessageSink(this)) {}
    ~Sink() override { SetMessageSink(previous_); }
    void Show(const char* title, const char* text) override { shown.push_back(std::string(title) + "|" + text); }
    std::vector<std::string> shown;

private:
    MessageSink* previous_;
};

void NoPause() {}

class TKabbitTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_calls.clear();
        g_packResults.clear();
        g_progress.clear();
        g_errorNamesNeeded = 0;
        g_errorNamesOther = 0;
    }
    std::unique_ptr<TKabbit> Make(std::set<std::string> omit = {}) {
        auto k = std::make_unique<TKabbit>(std::make_unique<FakeLibrary>(std::move(omit)), "Kabbit.dll");
        k->pollPause = &NoPause;
        return k;
    }
    Sink sink;
};

TEST_F(TKabbitTest, ShortPasswordsBecomeTheDefault) {
    struct Row {
        const char* password;
        const char* passed;
    };
    for (const Row& r : {Row{"", "TARVEL"}, Row{"abcde", "TARVEL"}, Row{"abcdef", "abcdef"}}) {
        g_calls.clear();
        auto k = Make();
        k->packPath = "C:\\p.pck";
        k->password = r.password;
        char data[4] = {};
        k->UnPack("C:\\out", "abc");
        k->Pack("C:\\src", "entry", true);
        k->CreateNew(1, 126);
        k->EncryptBufferData(data, 4);
        k->DecryptBufferData(data, 4);
        const std::string pw = r.passed;
        const std::string len = std::to_string(pw.size());
        const std::vector<std::string> expected = {
            "UnPack|C:\\p.pck|C:\\out|abc.cmp|" + pw,
            "Pack|C:\\p.pck|C:\\src|entry|" + pw + "|1",
            "CreateNew|C:\\p.pck|" + pw + "|1|126",
            "Encrypt|4|" + pw + "|" + len + "|1",
            "Decrypt|4|" + pw + "|" + len + "|1",
        };
        EXPECT_EQ(g_calls, expected) << r.password;
    }
}

TEST_F(TKabbitTest, MethodsThatNeedAPackPathCallNothingWithoutOne) {
    auto k = Make();
    std::vector<std::string> names;
    std::vector<uint32_t> sizes;
    EXPECT_EQ(k->Pack("a", "b", true), -1);
    EXPECT_EQ(k->PackPartFolder("a", {"x"}, true), -1);
    EXPECT_EQ(k->UnPack("a", "b"), -1);
    EXPECT_EQ(k->KabbitFile("a", "b"), -1);
    EXPECT_EQ(k->EnumFileNames(names, sizes), -1);
    EXPECT_TRUE(g_calls.empty());
}

TEST_F(TKabbitTest, ListsAndBuffers) {
    auto k = Make();
    k->packPath = "p";
    k->password = "secret1";
    EXPECT_EQ(k->PackPartFolder("C:\\f", {"a.txt", "b\\c"}, false), 0);
    EXPECT_EQ(g_calls.back(), "PackPartFolder|p|C:\\f|a.txt;b\\c;|2|secret1|0");
    EXPECT_EQ(k->PreCompress("base", "rel", nullptr), 0);
    EXPECT_EQ(g_calls.back(), "PreCompress|base|rel||0|0|1");  // an empty list: two zero bytes
    const std::vector<std::string> exclude = {"x"};
    EXPECT_EQ(k->PreCompress("base", "rel", &exclude), 0);
    EXPECT_EQ(g_calls.back(), "PreCompress|base|rel|x;|1|0|0");
    EXPECT_EQ(k->ExcludeList(), (std::vector<char>{'x', 0, 0}));
    k->FreeExcludeFileListBuf();
    EXPECT_TRUE(k->ExcludeList().empty());

    const size_t before = g_calls.size();
    EXPECT_EQ(k->PreCompress(std::string(256, 'a'), "rel", nullptr), PACKERR_PATH_TOO_LONG);
    std::string longPath(522, 'a');
    EXPECT_EQ(k->ConvertFilePath(longPath), PACKERR_PATH_TOO_LONG);
    EXPECT_EQ(g_calls.size(), before);
    std::string path = "a/b/c";
    EXPECT_EQ(k->ConvertFilePath(path), 0);
    EXPECT_EQ(path, "a\\b\\c");

    EXPECT_EQ(k->GetPreCompressFileName(), std::string(259, 'x'));
    std::string name;
    EXPECT_EQ(k->GetProgress(name), 101);
    EXPECT_EQ(name, "cur.txt");
    EXPECT_TRUE(k->Stop(nullptr));
    EXPECT_EQ(k->ForceCompleteCompress(true), 1);
    EXPECT_EQ(k->GetMajorVar(), 2);
    EXPECT_EQ(k->GetMinorVar(), 3);
    EXPECT_EQ(k->GetFileType(), 5);
}

TEST_F(TKabbitTest, EnumFileNamesSumsInSixtyFourBits) {
    auto k = Make();
    k->packPath = "p";
    std::vector<std::string> names;
    std::vector<uint32_t> sizes;
    EXPECT_EQ(k->EnumFileNames(names, sizes), 0x2FFFFFFFDLL);
    EXPECT_EQ(names, (std::vector<std::string>{"a", "bb", "ccc"}));
    EXPECT_EQ(sizes.size(), 3u);
    EXPECT_EQ(g_calls.back(), "EnumFiles|p|131072|8192|TARVEL");
}

TEST_F(TKabbitTest, ErrorFileNamesGrowOnlyWhileTheBufferIsTooSmall) {
    auto k = Make();
    std::vector<std::string> list{"old"};
    g_errorNamesNeeded = 65536;
    EXPECT_EQ(k->GetErrorFileNames(list), 0);
    EXPECT_EQ(list, (std::vector<std::string>{"e1", "e2"}));
    EXPECT_EQ(g_calls, (std::vector<std::string>{"GetErrorFileNames|32768", "GetErrorFileNames|65536"}));

    g_calls.clear();
    g_errorNamesOther = PACKERR_FILE_IO;  // another code ends the call at once
    EXPECT_EQ(k->GetErrorFileNames(list), PACKERR_FILE_IO);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(g_calls.size(), 1u);

    g_calls.clear();
    g_errorNamesOther = 0;
    g_errorNamesNeeded = SIZE_MAX;  // never enough: growth stops at a bound
    EXPECT_EQ(k->GetErrorFileNames(list), PACKERR_NAME_BUFFER_OVERFLOW);
    EXPECT_EQ(g_calls.size(), 64u);
}

TEST_F(TKabbitTest, KabbitFileRetriesWithoutCompressionAndWaits) {
    auto k = Make();
    k->packPath = "p";
    g_packResults = {PACKERR_NOT_ENOUGH_MEMORY, 0};
    g_progress = {10, 50, 100, 101};
    EXPECT_EQ(k->KabbitFile("src", "dst"), 0);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"Pack|p|src|dst|TARVEL|1", "Pack|p|src|dst|TARVEL|0"}));
    EXPECT_TRUE(g_progress.empty());

    g_progress = {20, PACKERR_WRONG_PASSWORD};
    EXPECT_EQ(k->UnKabbit("out", "e"), PACKERR_WRONG_PASSWORD);
    g_packResults = {PACKERR_FILE_IO};
    EXPECT_EQ(k->KabbitFile("src", "dst"), PACKERR_FILE_IO);
}

TEST_F(TKabbitTest, MissingFunctionsAreReportedInOrderAndFailCleanly) {
    auto k = Make({"PackPartFolder", "UnPack", "GetProgress", "EncryptBufferData", "GetErrorFileNames",
                   "GetPreCompressFileName"});
    EXPECT_TRUE(k->Usable());
    EXPECT_EQ(sink.shown, (std::vector<std::string>{
                              "Arkstow|PackPartFolder() not found in Kabbit.dll",
                              "Arkstow|UnPack() not found in Kabbit.dll.",
                              "Arkstow|GetProgress() not found in Kabbit.dll.",
                              "Arkstow|GetPreCompressFileName() not found in Kabbit.dll",
                              "Arkstow|EncryptBufferData() not found in Kabbit.dll",
                              "Arkstow|GetErrorFileNames() not found in Kabbit.dll.",
                          }));
    k->packPath = "p";
    char data[4] = {};
    std::vector<std::string> list{"x"};
    EXPECT_EQ(k->PackPartFolder("f", {"a"}, true), -1);
    EXPECT_EQ(k->UnPack("f", "e"), -1);
    EXPECT_EQ(k->GetProgress(), -1);
    EXPECT_EQ(k->EncryptBufferData(data, 4), -1);
    EXPECT_EQ(k->DecryptBufferData(data, 4), 0);
    EXPECT_EQ(k->GetErrorFileNames(list), -1);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(k->GetPreCompressFileName(), "");
    g_calls.clear();
    EXPECT_EQ(k->KabbitFile("s", "d"), -1);  // a job it could not watch is not started
    EXPECT_TRUE(g_calls.empty());
}

TEST_F(TKabbitTest, AnAbsentLibraryIsUnusableWithoutMessages) {
    TKabbit k(nullptr, "Kabbit.dll");
    EXPECT_FALSE(k.Usable());
    EXPECT_TRUE(sink.shown.empty());
    k.packPath = "p";
    EXPECT_EQ(k.UnPack("f", "e"), -1);
    EXPECT_FALSE(k.Stop(nullptr));
}

TEST_F(TKabbitTest, ErrorStringsComeFromTheSharedTable) {
    EXPECT_STREQ(TKabbit::GetErrorString(PACKERR_WRONG_PASSWORD), PackErrorText(PACKERR_WRONG_PASSWORD));
    EXPECT_STREQ(TKabbit::GetErrorString(0), "Unknown error.");
}

TEST_F(TKabbitTest, WantedTableIsInTheBindingOrder) {
    const char* expected[] = {"CreateNew",   "EnumFiles",    "GetType",       "Pack",
                              "PackPartFolder", "UnPack",    "GetProgress",   "ConvertFilePath",
                              "GetFileCount", "GetTotalSize", "GetFileInfo",  "Stop",
                              "PreCompress", "GetPreCompressFileName", "SetWorkingDir", "EncryptBufferData",
                              "DecryptBufferData", "ForceCompleteCompress", "GetErrorFileNames"};
    ASSERT_EQ(std::size(expected), std::size(kTKabbitFunctions));
    for (size_t i = 0; i < std::size(expected); ++i) EXPECT_STREQ(kTKabbitFunctions[i].name, expected[i]);
}

}  // namespace
}  // namespace kb
