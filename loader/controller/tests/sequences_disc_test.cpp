// The sequences over the pack code itself, on a disc that the project's own
// pack code wrote: the binding TKabbit calls the library's functions
// in-process.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <thread>
#include <string>
#include <vector>

#include "loader/controller/loader_controller.h"
#include "loader/controller/tests/controller_test_support.h"
#include "packlib/kabbit_app.h"
#include "shared/pack_errors.h"
#include "testing/builders/disc_builder.h"

namespace kb::loader {
namespace {

using testing::ReadWholeFile;
using testing::TempDir;
using testing::DriveQ;

pack::CKabbitApp* g_app = nullptr;

int UnPackInProcess(const char* pack, const char* folder, const char* entry, const char* password) {
    return g_app->UnPack(pack, folder, entry, password);
}
int GetProgressInProcess(char* name) { return g_app->GetProgress(name); }
void SetWorkingDirInProcess(const char* folder) { g_app->SetWorkingDir(folder); }
int NotCalled() { return -1; }

// The library's functions, those the sequences use taken from the pack code.
class InProcessKabbit final : public DynamicLibrary {
public:
    void* Symbol(const char* name) const override {
        const std::string n = name;
        if (n == "UnPack") return reinterpret_cast<void*>(&UnPackInProcess);
        if (n == "GetProgress") return reinterpret_cast<void*>(&GetProgressInProcess);
        if (n == "SetWorkingDir") return reinterpret_cast<void*>(&SetWorkingDirInProcess);
        return reinterpret_cast<void*>(&NotCalled);
    }
};

class RealPackTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_app = &app;
        ASSERT_EQ(kb::testing::disc::WriteDisc(kb::testing::disc::SampleDisc(), drive.Folder() + "\\Q:", scratch.path()),
                  0);
        before = Snapshot("Q:");
    }
    void TearDown() override { g_app = nullptr; }

    // Every file of the disc with its bytes.
    std::map<std::string, std::string> Snapshot(const std::string& folder) {
        std::map<std::string, std::string> files;
        std::vector<fs::DirEntry> entries;
        fs::ListFolder(folder, &entries);
        for (const fs::DirEntry& e : entries) {
            const std::string path = folder + "\\" + e.name;
            if (e.attributes & fs::kAttrDirectory) {
                files.merge(Snapshot(path));
            } else {
                ReadWholeFile(path, files[path]);
            }
        }
        return files;
    }

    DriveQ drive;
    TempDir scratch, workDir;
    pack::CKabbitApp app;
    KabbitPackLibrary pack{std::make_unique<TKabbit>(std::make_unique<InProcessKabbit>())};
    testing::Log log;
    testing::RecordingHost host{log, pack, workDir.path() + "\\QZTemp"};
    LoaderController controller{host};
    std::map<std::string, std::string> before;
};

// The pack library's worker runs on its own: tick until the sequence rests,
// polling a waiting state about once a millisecond, within a deadline.
std::vector<std::string> RunToRest(LoaderController& c, testing::RecordingHost& host) {
    std::vector<std::string> states;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (host.timer && std::chrono::steady_clock::now() < deadline) {
        const bool waiting = (c.CurrentSequence() == Sequence::Startup && c.RunState() == ssWaitIndex) ||
                             (c.CurrentSequence() == Sequence::OpenSession && c.RunState() == osWaitControl);
        if (waiting) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        states.push_back(testing::StateLabel(c));
        c.OnTimer();
    }
    EXPECT_FALSE(host.timer) << "the sequence did not come to rest";
    return states;
}

TEST_F(RealPackTest, TheSampleDiscStartsAndOpensBothSessionsWithoutChangingTheDisc) {
    ASSERT_EQ(controller.FormCreate({"/D:Q", "/H:77"}, "C:\\x.exe"), RunMode::Lumar);
    RunToRest(controller, host);
    EXPECT_TRUE(host.postedErrors.empty());
    EXPECT_EQ(controller.Password().password, "Sample-Disc-Password");
    ASSERT_EQ(controller.CurrentSession(), 2);
    const SessionRecord& three = controller.Sessions().Session(2);
    EXPECT_EQ(three.archive, "Data.pck");
    EXPECT_EQ(three.volumeText, "SAMPLE 3");
    ASSERT_EQ(three.fileList.size(), 1u);
    EXPECT_EQ(three.fileList[0].caption, "only.txt");

    controller.SelectSession(1);
    RunToRest(controller, host);
    const SessionRecord& one = controller.Sessions().Session(1);
    EXPECT_EQ(one.volumeText, "SAMPLE 1");
    ASSERT_GE(one.fileList.size(), 4u);
    EXPECT_EQ(one.fileList[0].caption, "Docs");
    EXPECT_EQ(host.handoffs, (std::vector<intptr_t>{77}));
    EXPECT_TRUE(host.enabled);

    EXPECT_EQ(Snapshot("Q:"), before);
    std::vector<fs::DirEntry> left;
    ASSERT_TRUE(fs::ListFolder(workDir.path() + "\\QZTemp", &left));
    EXPECT_TRUE(left.empty());
}

TEST_F(RealPackTest, TheOtherEditionsPasswordFailsAtTheFirstAttempt) {
    ASSERT_EQ(controller.FormCreate({"/D:Q", "/H:77", "/A:ZEPQUA"}, "C:\\x.exe"), RunMode::Lumar);
    RunToRest(controller, host);
    EXPECT_EQ(host.postedErrors, (std::vector<int>{kErrorIndexUnpack}));
    EXPECT_EQ(controller.Retries(), kUnpackRetries);
    EXPECT_TRUE(host.handoffs.empty());
    EXPECT_EQ(Snapshot("Q:"), before);
}

}  // namespace
}  // namespace kb::loader
