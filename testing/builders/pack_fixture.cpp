// Writes the sample pack through the controller and the packing jobs.
#include "testing/builders/pack_fixture.h"

#include "packlib/kabbit_app.h"
#include "packlib/pack_jobs.h"

namespace kb::pack::fixture {
namespace {

int WriteSource(const std::string& path, const std::string& data) {
    fs::File f = fs::File::Open(path, fs::Access::Write, fs::Disposition::CreateAlways, fs::Share::None);
    if (!f.IsOpen() || !f.Write(data.data(), data.size()) || !f.Close()) return -1;
    if (!fs::SetTimes(path, Times()) || !fs::SetAttributes(path, fs::kAttrArchive)) return -1;
    return 0;
}

int RunToEnd(CKabbitApp& app, int rc) {
    if (rc < 0) return rc;
    app.WaitForWorker();
    const int p = app.GetProgress(nullptr);
    return p == PACKPROGRESS_DONE ? 0 : (p < 0 ? p : -1);
}

}  // namespace

int WriteFixturePack(const std::string& packPath, const std::string& workFolder) {
    const std::string src = workFolder + "\\src";
    for (const char* folder : {"", "\\a", "\\set", "\\set\\sub"})
        if (!fs::CreateFolder(src + folder)) return -1;
    for (const SourceFile& f : kSources)
        if (WriteSource(src + "\\" + f.name, kb::testing::Pattern(f.size, f.seed)) != 0) return -1;
    if (!fs::CreateFolder(workFolder + "\\work")) return -1;

    CKabbitApp app;
    CPackJobs& jobs = app.Packing();
    app.SetWorkingDir((workFolder + "\\work\\").c_str());
    if (const int rc = app.CreateNew(packPath.c_str(), kPassword, true, kRounds)) return rc;
    if (const int rc = RunToEnd(app, jobs.Pack(packPath.c_str(), src.c_str(), "a\\b.txt", kPassword, false)))
        return rc;
    if (const int rc = RunToEnd(app, jobs.Pack(packPath.c_str(), src.c_str(), "c.bin", kPassword, true))) return rc;
    return RunToEnd(app, jobs.Pack(packPath.c_str(), (src + "\\set").c_str(), "", kPassword, true));
}

}  // namespace kb::pack::fixture
