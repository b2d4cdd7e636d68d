// The error context and the error log: exact bytes, the last failure only, and
// the message-box fallback when the log cannot be written.
#include <gtest/gtest.h>

#include "archive/frame.h"
#include "testing/kit/file_io.h"
#include "testing/kit/recording_sink.h"
#include "testing/kit/temp_folder.h"

namespace ark {
namespace {

using kb::testing::ReadWholeFile;
using kb::testing::RecordingSink;
using kb::testing::ScopedTempFolder;
using kb::testing::TempDir;

class FrameTest : public ::testing::Test {
protected:
    TempDir temp;
    ScopedTempFolder scopedTemp{temp.path()};
    RecordingSink sink;
    std::string LogPath() const { return temp / kErrorLogName; }
};

TEST_F(FrameTest, LogHoldsCodeTraceCallAndTargetInTextModeLines) {
    TArkstow& s = Server();
    s.ResetErrorContext();
    s.Enter("_GetName");
    s.Enter("_GetCount");
    EXPECT_EQ(s.ClibFailure("fread", "C:\\x\\a.ach"), -100);

    std::string log;
    ASSERT_TRUE(ReadWholeFile(LogPath(), log));
    EXPECT_EQ(log,
              "ErrorCode = -100\r\r\n"
              "Arkstow function: _GetName\r\r\n"
              "Arkstow function: _GetCount\r\r\n"
              "CLib function: fread\r\r\n"
              "Target stream: C:\\x\\a.ach\r\r\n");
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(FrameTest, OnlyTheLastFailureStaysInTheLog) {
    TArkstow& s = Server();
    s.ResetErrorContext();
    s.Enter("_Find");
    s.ClibFailure("fsetpos<1>", "first.ach");
    s.ResetErrorContext();
    s.RecordFailure("CopyFile", "a -> b", 4096);

    std::string log;
    ASSERT_TRUE(ReadWholeFile(LogPath(), log));
    EXPECT_EQ(log,
              "ErrorCode = 4096\r\r\n"
              "CLib function: CopyFile\r\r\n"
              "Target stream: a -> b\r\r\n");
}

TEST_F(FrameTest, ResetClearsTheWholeContext) {
    TArkstow& s = Server();
    s.Enter("_GetInfo");
    s.ClibFailure("fread", "x");
    s.ResetErrorContext();
    EXPECT_TRUE(s.FunctionTrace().empty());
    EXPECT_EQ(s.CLibFunction(), "");
    EXPECT_EQ(s.TargetStream(), "");
}

TEST_F(FrameTest, UnwritableLogFallsBackToOneMessageBox) {
    // A temp folder that does not exist: the log cannot be created.
    ScopedTempFolder missing(temp / "no-such-folder");
    TArkstow& s = Server();
    s.ResetErrorContext();
    s.Enter("_GetCount");
    EXPECT_EQ(s.ClibFailure("_getw", "a.ach"), -100);
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0].first, "Arkstow");
    EXPECT_EQ(sink.messages[0].second, "FatalError:\nFailed to open log file.");
}

TEST_F(FrameTest, RunExportKeepsExceptionsInsideAndResetsFirst) {
    Server().Enter("stale");
    EXPECT_EQ(RunExport([]() -> int { throw std::bad_alloc(); }), ARKSTOWRET_NO_MEMORY);
    EXPECT_TRUE(Server().FunctionTrace().empty());
    EXPECT_EQ(RunExport([]() -> int { throw 1; }), ARKSTOWRET_CLIB_ERROR);
    EXPECT_EQ(RunExport([] { return 7; }), 7);
}

}  // namespace
}  // namespace ark
