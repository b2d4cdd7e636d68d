// The controller's frame: progress before and after jobs, stop rules, the working
// folder.
#include "packlib/kabbit_app.h"

#include <gtest/gtest.h>

#include "frame_test_support.h"
#include "shared/pack_errors.h"

namespace kb::pack {
namespace {

TEST(KabbitApp, IdleControllerReportsZeroAndAcceptsAStop) {
    testing::FakeSys sys;
    CKabbitApp app(sys);
    char name[260] = "junk";
    EXPECT_EQ(app.GetProgress(name), 0);
    EXPECT_STREQ(name, "");
    EXPECT_EQ(app.GetProgress(nullptr), 0);
    // No job kind yet: a stop below 100 is accepted and recorded.
    EXPECT_TRUE(app.Stop(7));
    EXPECT_TRUE(sys.Posts().empty());
}

TEST(KabbitApp, WorkingDirIsBoundedAndEmptyByDefault) {
    testing::FakeSys sys;
    CKabbitApp app(sys);
    EXPECT_EQ(app.WorkingDir(), "");
    app.SetWorkingDir("C:\\work\\");
    EXPECT_EQ(app.WorkingDir(), "C:\\work\\");
    app.SetWorkingDir(std::string(300, 'w').c_str());
    EXPECT_EQ(app.WorkingDir(), std::string(259, 'w'));
    app.SetWorkingDir(nullptr);
    EXPECT_EQ(app.WorkingDir(), "");
}

}  // namespace
}  // namespace kb::pack
