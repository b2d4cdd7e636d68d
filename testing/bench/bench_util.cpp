#include "bench_util.h"

#include <cstdio>
#include <cstdlib>

#include "shared/base/fs.h"
#include "testing/kit/wipe_path.h"

namespace kb::bench {

void Fail(const std::string& what) {
    std::fprintf(stderr, "kb_bench: %s\n", what.c_str());
    std::exit(1);
}

void Require(bool ok, const std::string& what) {
    if (!ok) Fail(what);
}

std::string Join(const std::string& folder, const std::string& name) {
    if (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) return folder + name;
    return folder + "\\" + name;
}

void FreshFolder(const std::string& path) {
    testing::WipePath(path);
    Require(fs::CreateFolder(path), "cannot create " + path);
}

}  // namespace kb::bench
