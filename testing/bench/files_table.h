// kb_bench --table: exporting many small files, per file, at each count given.
#pragma once
#include <string>
#include <vector>

namespace kb::bench {

// Prints one row per count: the floor, one entry of N records, N entries one
// UnPack each, packing N entries, UnPackSubFile; with entriesOnly only the
// floor, the packing and the N entries. Work files go under work.
int RunFilesTable(const std::string& work, const std::vector<int>& counts, int reps, bool entriesOnly = false);

}  // namespace kb::bench
