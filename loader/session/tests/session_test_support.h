// Test helpers of the session model and the controller: the test kit's
// pieces they use (fresh folders, whole-file reads and writes, the code-page
// switch), a sorted entry list under a byte-order collator, and a reader of
// real ini files for the native build. Kept in one file so they can move to
// the test kit.
#pragma once
#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "loader/path_csv.h"
#include "loader/profile.h"
#include "loader/session/entry_list.h"
#include "shared/base/fs.h"
#include "testing/kit/code_page.h"
#include "testing/kit/file_io.h"
#include "testing/kit/temp_folder.h"

namespace kb::loader::testing {

// The kit's pieces.
using kb::testing::FileExists;
using kb::testing::NativePath;
using kb::testing::ReadWholeFile;
using kb::testing::TempDir;
using kb::testing::UseSingleByteCodePage;
using kb::testing::WriteWholeFile;

// The full and export lists' data: the sort key of each path (a blank before
// every folder part, a folder's key ending in two backslashes), sorted by
// bytes. The product's order comes from the platform's collation; the cases
// of these tests order alike under both.
class ByteSortedEntryList final : public EntryList {
public:
    void Clear() override {
        collected_.clear();
        rows_.clear();
    }
    void AddItem(const std::string& path, int rowNumber, int64_t size, int kind) override {
        const std::vector<std::string> parts = SplitPath(path);
        std::string key;
        for (size_t i = 0; i < parts.size(); ++i) {
            if (i + 1 < parts.size())
                key += " " + parts[i] + "\\";
            else
                key += EndsWithBackslash(parts[i]) ? " " + parts[i] + "\\" : parts[i];
        }
        collected_.push_back({key, ListRow{path,
                                           {std::to_string(kind), EndsWithBackslash(path) ? "1" : "0",
                                            std::to_string(rowNumber), "0", std::to_string(size)},
                                           -1}});
    }
    void RebuildSorted() override {
        std::stable_sort(collected_.begin(), collected_.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        for (auto& [key, row] : collected_) rows_.push_back(std::move(row));
        collected_.clear();
    }
    const std::vector<ListRow>& Rows() const override { return rows_; }

private:
    std::vector<std::pair<std::string, ListRow>> collected_;
    std::vector<ListRow> rows_;
};

inline EntryListFactory ByteSortedLists() {
    return [] { return std::make_unique<ByteSortedEntryList>(); };
}

// An ini file read from disk as the platform reads it: sections, key=value,
// blanks trimmed, one pair of enclosing double quotes dropped. Read when
// opened, so a later change of the file is not seen.
class IniFileProfile final : public ProfileReader {
public:
    explicit IniFileProfile(const std::string& path) {
        fs::File file = fs::File::Open(path, fs::Access::Read, fs::Disposition::OpenExisting, fs::Share::Read);
        std::string text, chunk(4096, '\0');
        size_t got = 0;
        while (file.IsOpen() && file.Read(chunk.data(), chunk.size(), &got) && got > 0) text.append(chunk, 0, got);
        std::string section;
        size_t at = 0;
        while (at < text.size()) {
            size_t end = text.find('\n', at);
            if (end == std::string::npos) end = text.size();
            const std::string line = TrimBlanks(std::string_view(text).substr(at, end - at));
            at = end + 1;
            if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
                section = line.substr(1, line.size() - 2);
            } else if (const size_t eq = line.find('='); eq != std::string::npos) {
                std::string value = TrimBlanks(std::string_view(line).substr(eq + 1));
                if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
                    value = value.substr(1, value.size() - 2);
                values_.emplace(std::make_pair(section, TrimBlanks(std::string_view(line).substr(0, eq))), value);
            }
        }
    }
    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& defaultValue) const override {
        auto it = values_.find({section, key});
        return it == values_.end() ? defaultValue : it->second;
    }

private:
    std::map<std::pair<std::string, std::string>, std::string> values_;
};

inline std::unique_ptr<ProfileReader> OpenIniFile(const std::string& path) {
    return std::make_unique<IniFileProfile>(path);
}

}  // namespace kb::loader::testing

// Skips the calling test where the Japanese code page is not in force (a
// failure where the run requires it).
#define LOADER_REQUIRE_CP932() KB_REQUIRE_CP932()
