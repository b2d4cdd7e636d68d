// What the benchmark's runs share: failing with a message, folder joins and
// fresh work folders.
#pragma once
#include <string>

namespace kb::bench {

// Prints "kb_bench: what" and ends the run.
[[noreturn]] void Fail(const std::string& what);
void Require(bool ok, const std::string& what);
// folder and name with one backslash between them.
std::string Join(const std::string& folder, const std::string& name);
// An empty folder at path, whatever was there.
void FreshFolder(const std::string& path);

}  // namespace kb::bench
