// Free space and the folder picker's seam.
#include <gtest/gtest.h>

#include "loader/free_space.h"
#include "loader/select_folder.h"

namespace kb::loader {
namespace {

class FakeQueries final : public FreeSpaceQueries {
public:
    std::optional<uint64_t> total;
    std::optional<ClusterCounts> clusters;
    int classicCalls = 0;
    std::optional<uint64_t> TotalFreeBytes(const std::string&) override { return total; }
    std::optional<ClusterCounts> Clusters(const std::string&) override {
        ++classicCalls;
        return clusters;
    }
};

TEST(FreeSpace, TheExtendedQueryFirstThenTheClusterProductThenFailure) {
    constexpr uint64_t k10GiB = 10ull << 30;
    FakeQueries q;
    q.total = k10GiB;
    q.clusters = ClusterCounts{8, 512, 1};
    EXPECT_EQ(GetFreeSpace(q, "C:\\"), static_cast<int64_t>(k10GiB));
    EXPECT_EQ(q.classicCalls, 0);

    q.total.reset();
    q.clusters = ClusterCounts{8, 512, 2621440};  // 10 GiB: not cut down modulo 4 GiB
    EXPECT_EQ(GetFreeSpace(q, "C:\\"), static_cast<int64_t>(k10GiB));

    q.clusters = ClusterCounts{8, 512, 0};
    EXPECT_EQ(GetFreeSpace(q, "C:\\"), 0);  // a full volume is 0, not a failure

    q.clusters.reset();
    EXPECT_EQ(GetFreeSpace(q, "C:\\"), std::nullopt);
}

class FakePrompt final : public FolderPrompt {
public:
    std::optional<std::string> answer;
    std::string caption;
    std::wstring root;
    std::optional<std::string> Browse(const std::string& c, const std::wstring& r) override {
        caption = c;
        root = r;
        return answer;
    }
};

TEST(SelectFolder, ACancelGivesFalseAndAnEmptyFolder) {
    FakePrompt prompt;
    std::string folder = "stale";
    EXPECT_FALSE(SelectFolder(prompt, "", L"", folder));
    EXPECT_EQ(folder, "");
    prompt.answer = "D:\\Out";
    EXPECT_TRUE(SelectFolder(prompt, "Pick", L"C:\\", folder));
    EXPECT_EQ(folder, "D:\\Out");
    EXPECT_EQ(prompt.caption, "Pick");
    EXPECT_EQ(prompt.root, L"C:\\");
}

}  // namespace
}  // namespace kb::loader
