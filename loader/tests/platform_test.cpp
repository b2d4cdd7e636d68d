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
    int classicCalls = 0, extendedCalls = 0;
    std::optional<uint64_t> TotalFreeBytes(const std::string&) override {
        ++extendedCalls;
        return total;
    }
    std::optional<ClusterCounts> Clusters(const std::string&) override {
        ++classicCalls;
        return clusters;
    }
};

constexpr uint64_t k10GiB = 10ull << 30;
constexpr int kWindowsXp = 40;  // the extended query
constexpr int kNt6 = -1;        // NT 6.0 and later: the classic query

TEST(FreeSpace, TheExtendedQueryFirstThenTheClusterProductThenFailure) {
    FakeQueries q;
    q.total = k10GiB;
    q.clusters = ClusterCounts{8, 512, 1};
    EXPECT_EQ(GetFreeSpace(q, kWindowsXp, "C:\\"), static_cast<int64_t>(k10GiB));
    EXPECT_EQ(q.classicCalls, 0);

    q.total.reset();
    q.clusters = ClusterCounts{8, 512, 2621440};  // 10 GiB: not cut down modulo 4 GiB
    EXPECT_EQ(GetFreeSpace(q, kWindowsXp, "C:\\"), static_cast<int64_t>(k10GiB));

    q.clusters = ClusterCounts{8, 512, 0};
    EXPECT_EQ(GetFreeSpace(q, kWindowsXp, "C:\\"), 0);  // a full volume is 0, not a failure

    q.clusters.reset();
    EXPECT_EQ(GetFreeSpace(q, kWindowsXp, "C:\\"), std::nullopt);
}

// Codes below 2, NT 6.0 and later among them, ask the cluster counts first:
// 10 GiB free is their 64-bit product.
TEST(FreeSpace, TheVersionCodeBelowTwoAsksTheClusterCountsFirst) {
    for (int code : {kNt6, 0, 1}) {
        FakeQueries q;
        q.total = 1;
        q.clusters = ClusterCounts{8, 512, 2621440};
        EXPECT_EQ(GetFreeSpace(q, code, "C:\\"), static_cast<int64_t>(k10GiB)) << code;
        EXPECT_EQ(q.extendedCalls, 0) << code;
        q.clusters.reset();
        EXPECT_EQ(GetFreeSpace(q, code, "C:\\"), 1) << "the extended query stands in";
    }
    for (int code : {2, 3, 20, 30, kWindowsXp}) {
        FakeQueries q;
        q.total = 1;
        q.clusters = ClusterCounts{8, 512, 2621440};
        EXPECT_EQ(GetFreeSpace(q, code, "C:\\"), 1) << code;
        EXPECT_EQ(q.classicCalls, 0) << code;
    }
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
