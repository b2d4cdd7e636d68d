// TKabbit against real DLL files: a stand-in exporting every wanted function,
// one lacking some, a missing file and, when it is built, the real Kabbit.dll.
#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "shared/base/dll_binding.h"
#include "shared/tkabbit.h"
#include "testing/kit/recording_sink.h"

namespace {

using kb::testing::RecordingSink;

std::string StandIn(const char* variant) {
    return kb::BesideThisModule(std::string("standins\\kabbit_") + variant + "\\Kabbit.dll");
}

// What the stand-in recorded since the last call.
std::string TakeCalls(const std::string& path) {
    HMODULE dll = GetModuleHandleA(path.c_str());
    if (!dll) return "(not loaded)";
    using TakeFn = int(WINAPI*)(char*, int);
    auto take = reinterpret_cast<TakeFn>(reinterpret_cast<void*>(GetProcAddress(dll, "StandinTakeCalls")));
    if (!take) return "(no record)";
    char buffer[4096];
    take(buffer, sizeof buffer);
    return buffer;
}

std::vector<std::string> Texts(const RecordingSink& sink) {
    std::vector<std::string> texts;
    for (const auto& [title, text] : sink.messages) texts.push_back(title + "|" + text);
    return texts;
}

TEST(KabbitBinding, CompleteLibraryBindsEverythingSilently) {
    RecordingSink sink;
    const std::string path = StandIn("complete");
    kb::TKabbit k(path);
    ASSERT_TRUE(k.Usable());
    EXPECT_TRUE(sink.messages.empty());
    TakeCalls(path);
    k.packPath = "D:\\Session01\\Data.pck";
    k.password = "abcde";
    EXPECT_EQ(k.UnKabbit("C:\\out", "abc"), 0);
    char data[16] = {};
    EXPECT_EQ(k.DecryptBufferData(data, 16), 0);
    k.password = "Qorvend";
    EXPECT_EQ(k.EncryptBufferData(data, 16), 0);
    EXPECT_EQ(TakeCalls(path),
              "UnPack|D:\\Session01\\Data.pck|C:\\out|abc.cmp|TARVEL\n"
              "DecryptBufferData|16|TARVEL|6|1\n"
              "EncryptBufferData|16|Qorvend|7|1\n");
    std::vector<std::string> names;
    std::vector<uint32_t> sizes;
    EXPECT_EQ(k.EnumFileNames(names, sizes), 6);
    EXPECT_EQ(names, (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(k.GetPreCompressFileName(), "kabbit.cmp");
}

TEST(KabbitBinding, IncompleteLibraryReportsEachMissingFunctionInOrder) {
    RecordingSink sink;
    const std::string path = StandIn("incomplete");
    kb::TKabbit k(path);
    EXPECT_TRUE(k.Usable());
    EXPECT_EQ(Texts(sink), (std::vector<std::string>{
                               "Arkstow|PackPartFolder() not found in Kabbit.dll",
                               "Arkstow|GetProgress() not found in Kabbit.dll.",
                               "Arkstow|EncryptBufferData() not found in Kabbit.dll",
                               "Arkstow|DecryptBufferData() not found in Kabbit.dll",
                               "Arkstow|GetErrorFileNames() not found in Kabbit.dll.",
                           }));
    TakeCalls(path);
    k.packPath = "p.pck";
    char data[4] = {};
    std::vector<std::string> list;
    EXPECT_EQ(k.DecryptBufferData(data, 4), -1);
    EXPECT_EQ(k.PackPartFolder("f", {"a"}, true), -1);
    EXPECT_EQ(k.GetErrorFileNames(list), -1);
    EXPECT_EQ(k.UnKabbit("out", "e"), -1);
    EXPECT_EQ(TakeCalls(path), "");  // nothing reached the library
    EXPECT_EQ(k.UnPack("out", "e"), 0);
    EXPECT_EQ(TakeCalls(path), "UnPack|p.pck|out|e.cmp|TARVEL\n");
}

TEST(KabbitBinding, MissingFileMakesAnUnusableObjectWithoutMessages) {
    RecordingSink sink;
    kb::TKabbit k(StandIn("absent"));
    EXPECT_FALSE(k.Usable());
    EXPECT_TRUE(sink.messages.empty());
    k.packPath = "p.pck";
    EXPECT_EQ(k.UnPack("out", "e"), -1);
    EXPECT_EQ(k.GetProgress(), -1);
}

#ifdef KB_HAVE_REAL_KABBIT
// Today's pack library: every wanted function it does not export yet is
// reported, and nothing else; the list grows as the library does.
TEST(KabbitBinding, RealLibraryReportsExactlyTheFunctionsNotInItsExportList) {
    const std::set<std::string> exported = {
#define KB_EXPORT(ordinal, ret, name, args) #name,
#include "shared/kabbit_exports.inc"
#undef KB_EXPORT
    };
    std::vector<std::string> expected;
    for (const auto& f : kb::kTKabbitFunctions)
        if (!exported.count(f.name))
            expected.push_back(std::string("Arkstow|") + f.name + "() not found in Kabbit.dll" +
                               (f.reportWithPeriod ? "." : ""));
    RecordingSink sink;
    kb::TKabbit k(kb::BesideThisModule("Kabbit.dll"));
    ASSERT_TRUE(k.Usable());
    EXPECT_EQ(Texts(sink), expected);
}
#endif

}  // namespace
