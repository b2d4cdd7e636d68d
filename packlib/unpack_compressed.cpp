// The compressed entry of an unpack: the container copy is made beside the
// entry's name without replacing a user's file, then expanded into the
// destination folder (or kept), and taken away at every end it does not outlive.
#include "packlib/unpack_compressed.h"

#include <cstdio>

#include "packlib/kabbit_app.h"
#include "packlib/path_routines.h"
#include "shared/pack_errors.h"

namespace kb::pack {
namespace {

// How many temporary names a copy tries before it gives up.
constexpr unsigned kCopyNameTries = 10000;

// The file or folder a compressed entry stands for: its name less ".cmp".
std::string EntryScope(const std::string& entryName) {
    return IsContainerEntryName(entryName) ? entryName.substr(0, entryName.size() - 4) : entryName;
}

}  // namespace

bool IsContainerEntryName(const std::string& name) {
    static constexpr char kSuffix[] = ".cmp";
    constexpr size_t n = sizeof kSuffix - 1;
    if (name.size() < n) return false;
    for (size_t i = 0; i < n; ++i) {
        char c = name[name.size() - n + i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != kSuffix[i]) return false;
    }
    return true;
}

bool CreateContainerCopy(UnpackBlock* job) {
    // CreateNew claims the name only when nobody has it, with no window between
    // the look and the claim.
    auto claim = [](const std::string& path, fs::Error* error) {
        fs::File f = fs::File::Open(path, fs::Access::Write, fs::Disposition::CreateNew, fs::Share::Read, error);
        return f.IsOpen() && f.Close();
    };
    fs::Error error = fs::Error::None;
    std::string path = job->outputPath;
    if (!claim(path, &error)) {
        if (error != fs::Error::Exists) return false;
        const std::string fileName = GetFileNamePart(path);
        const std::string folder = path.substr(0, path.size() - fileName.size());
        bool found = false;
        for (unsigned n = 1; n < kCopyNameTries && !found; ++n) {
            char name[32];
            std::snprintf(name, sizeof name, "~kb%04u.tmp", n);
            path = folder + name;
            if (path.size() > kMaxPathLength) return false;
            error = fs::Error::None;
            if (claim(path, &error)) {
                found = true;
            } else if (error != fs::Error::Exists) {
                return false;
            }
        }
        if (!found) return false;
    }
    job->outputPath = path;
    if (job->output.Create(path)) return true;
    fs::RemoveFile(path);
    return false;
}

void CUnpackJobs::SetExpandHookForTesting(ExpandHook hook, void* context) {
    expandHookContext_ = context;
    expandHook_ = hook;
}

CodecHooks CUnpackJobs::ExpandHooks() {
    CodecHooks hooks;
    hooks.setProgress = [this](int p) {
        state_.SetProgress(p);
        if (ExpandHook hook = expandHook_.load()) hook(expandHookContext_.load(), p);
    };
    hooks.getProgress = [this] { return state_.Progress(); };
    hooks.stopRequested = [this] { return state_.StopRequested(); };
    hooks.setCurrentName = [this](const std::string& name) { state_.SetCurrentName(name.c_str()); };
    // Results come back as return values: an error is shown only once the copy
    // is dealt with.
    return hooks;
}

// Only the folders the job made go with the copy, never a user's of the same name.
void CUnpackJobs::DiscardCopy(const std::string& copyPath, const std::string&, const std::string&) {
    codec_.DeleteFileRetry(copyPath);
    RemoveCreatedFolders(job_.createdFolders);
    job_.createdFolders.clear();
}

// After the copy phase of a compressed entry, on the worker.
void CUnpackJobs::FinishCompressedEntry(UnpackBlock& job, bool stopped) {
    job.pack.Close();
    if (!job.output.Close()) {
        // The copy stays as far as it was written, as after any copy error.
        state_.SetLastError(PACKERR_FILE_IO);
        return;
    }
    if (stopped) {
        DiscardCopy(job.outputPath, job.destFolder, job.entryName);
        state_.PostStopped(WM_PACK_STOPPED);
        return;
    }
    if (job.options.keepUnexpanded) {
        state_.SetProgress(PACKPROGRESS_KEPT);
        return;
    }
    CodecHooks hooks = ExpandHooks();
    if (const uint64_t limit = job.options.sizeLimit) {
        // The copy stays beside the records until they are all written.
        const uint64_t copy = job.dataLength;
        hooks.admitDeclared = [limit, copy](uint64_t declared) {
            return copy + declared > limit ? PACKERR_FILE_TOO_BIG : 0;
        };
    }
    // The entry writes only what it is named after: the caller asked about that
    // file or folder, not about whatever else the container may hold.
    const int result = codec_.ExpandZipPkg(job.outputPath, job.destFolder, hooks, EntryScope(job.entryName));
    if (job.options.discardCopy) DiscardCopy(job.outputPath, job.destFolder, job.entryName);
    if (result < 0)
        state_.SetLastError(result);
    else if (result == kCodecStopped)
        state_.PostStopped(WM_PACK_STOPPED);
    else
        state_.SetProgress(PACKPROGRESS_DONE);  // every record closed, its times and attributes set
}

}  // namespace kb::pack
