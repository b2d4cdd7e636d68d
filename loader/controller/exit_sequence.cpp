// The hand-offs to the writer and the end of the loader: writer mode, the
// writer from button 121 and the main window's destruction with the eraser.
#include <memory>
#include <vector>

#include "loader/controller/handoff.h"
#include "loader/controller/loader_controller.h"
#include "loader/controller/window_rules.h"
#include "loader/work_folder.h"

namespace kb::loader {
namespace {

// Pending messages run this often before a writer starts, so the window has
// redrawn before the writer's appears.
constexpr int kPumpsBeforeWriter = 4;
constexpr int kJobEndPollMs = 10;

}  // namespace

void LoaderController::RunWriterMode() {
    cleanupOnExit_ = false;
    const std::string commandLine = WriterModeCommandLine(host_.ProgramDir(), args_.driveRoot, args_.callerWnd,
                                                          args_.windowLeft, args_.windowTop);
    pack_.reset();
    for (int i = 0; i < kPumpsBeforeWriter; ++i) host_.ProcessMessages();
    host_.StartProgram(commandLine);
    NotifyCaller();
    host_.Terminate();
}

void LoaderController::StartWriter() {
    // The writer waits for the window to be idle: a click that comes before
    // or during a sequence's state would drop the sequence.
    if (SequenceRuns()) return;
    EnableWindow(false);
    cleanupOnExit_ = false;
    const Origin origin = host_.WindowOrigin();
    const std::string commandLine =
        WriterCommandLine(host_.ProgramDir(), args_.driveRoot, host_.MainWindowHandle(), origin.left, origin.top);
    for (int i = 0; i < kPumpsBeforeWriter; ++i) host_.ProcessMessages();
    if (!host_.StartProgram(commandLine)) {
        // No writer runs from the loader's folder: it is still ours to erase.
        cleanupOnExit_ = true;
        EnableWindow(true);
        return;
    }
    sequence_ = Sequence::WriterWait;
    writerStartMs_ = host_.Milliseconds();
    TimerOn();
}

void LoaderController::RunWriterWait() {
    if (host_.Milliseconds() - writerStartMs_ < kWriterSilenceMs) return TimerOn();
    // The writer may still run from the loader's folder: the clean-up stays off.
    sequence_ = Sequence::None;
    EnableWindow(true);
}

bool LoaderController::JobMayRun() const {
    return jobRunning_ == 1 || (sequence_ == Sequence::Startup && runState_ == ssWaitIndex) ||
           (sequence_ == Sequence::OpenSession && runState_ == osWaitControl);
}

bool LoaderController::StopJobForDestroy() {
    stopConfirmed_ = false;
    const uint32_t start = host_.Milliseconds();
    std::string name;
    for (;;) {
        const int p = pack_->GetProgress(name);
        if (p >= 100 || p < 0) return true;
        pack_->Stop(host_.MainWindowHandle());
        host_.ProcessMessages();
        if (stopConfirmed_) return true;
        if (host_.Milliseconds() - start >= kJobEndWaitMs) return false;
        host_.Sleep(kJobEndPollMs);
    }
}

void LoaderController::FormDestroy() {
    destroying_ = true;
    TimerOff();
    host_.CloseProgress();
    if (pack_) {
        if (JobMayRun() && !StopJobForDestroy()) {
            // The worker may still run the library's code: it stays loaded
            // for the rest of the process.
            static auto* kept = new std::vector<std::unique_ptr<PackLibrary>>();
            kept->push_back(std::move(pack_));
        }
        pack_.reset();
        jobRunning_ = 0;
    }
    password_ = TPassword();
    sessions_.reset();
    host_.FreeIconList();
    if (cleanupOnExit_) {
        const std::string programDir = host_.ProgramDir();
        const std::string eraser = GetEraserPath(programDir);
        if (!eraser.empty()) {
            const std::string args = EraserArguments(programDir, workFolder_, host_.TempFolder());
            host_.ProcessMessages();
            if (!host_.StartProgram(ProgramCommandLine(eraser, args))) host_.ShowPlainMessage(Msg(kMsgEraserFailed));
        }
    }
    if (!messageFileFreed_) {
        messageFileFreed_ = true;
        host_.FreeMessageFile();
    }
}

}  // namespace kb::loader
