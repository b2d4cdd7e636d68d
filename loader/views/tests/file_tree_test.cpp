// The folder tree built from file list rows, through a recording sink.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "loader/views/file_tree.h"
#include "loader/views/tests/fake_shell.h"
#include "loader/views/tests/test_collator.h"

namespace kb::loader {
namespace {

class RecordingTree final : public FileTreeSink {
public:
    struct Node {
        TreeNodeId parent;
        std::string text;
        int image;
        int data;
    };
    std::vector<Node> nodes;  // id = index + 1
    int clears = 0;
    int smallImages = 0;

    void Clear() override {
        ++clears;
        nodes.clear();
    }
    TreeNodeId AddNode(TreeNodeId parent, const std::string& text, int imageIndex, int data) override {
        nodes.push_back({parent, text, imageIndex, data});
        return nodes.size();
    }
    void UseSmallImages() override { ++smallImages; }

    // Each node as "parent-text/text:data", the top level's parent "-".
    std::vector<std::string> Lines() const {
        std::vector<std::string> out;
        for (const Node& n : nodes)
            out.push_back((n.parent ? nodes[n.parent - 1].text : std::string("-")) + "/" + n.text + ":" +
                          std::to_string(n.data));
        return out;
    }
};

using Lines = std::vector<std::string>;

struct Row {
    const char* path;
    int rowNumber;
};

class FileTreeTest : public ::testing::Test {
protected:
    testing::FakeShell shell;
    testing::FakeImages images;
    TIconImageList icons{shell, images};
    TProtectionListView list;
    RecordingTree tree;
    TFileListTreeView builder;

    // The rows in the given order, as a sorted list would hand them over.
    void Build(const std::vector<Row>& rows) {
        for (const Row& r : rows) list.AddItem(r.path, r.rowNumber, 0, 0);
        list.RebuildSorted(testing::KeepOrder);
        builder.BuildFromList(list, icons, tree);
    }
};

TEST_F(FileTreeTest, FolderRowOwnsItsNodeAndItsFilesHangBelow) {
    Build({{"Docs\\", 1}, {"Docs\\a.txt", 2}, {"Docs\\b.txt", 3}});
    EXPECT_EQ(tree.Lines(), (Lines{"-/Docs:1", "Docs/a.txt:2", "Docs/b.txt:3"}));
    EXPECT_EQ(builder.SourceList(), &list);
    EXPECT_EQ(tree.clears, 1);
    EXPECT_EQ(tree.smallImages, 1);
    // Folders share the folder icon; files take their type's.
    EXPECT_EQ(tree.nodes[0].image, icons.IndexOfIcon("x\\"));
    EXPECT_EQ(tree.nodes[1].image, icons.IndexOfIcon("x.txt"));
    EXPECT_NE(tree.nodes[0].image, tree.nodes[1].image);
}

TEST_F(FileTreeTest, AFolderRowAfterItsContentsAddsNoNode) {
    Build({{"Docs\\Sub\\", 1}, {"Docs\\Sub\\x.txt", 2}, {"Docs\\", 3}});
    EXPECT_EQ(tree.Lines(), (Lines{"-/Docs:-1", "Docs/Sub:1", "Sub/x.txt:2"}));
    EXPECT_EQ(tree.nodes[0].image, tree.nodes[1].image);
}

TEST_F(FileTreeTest, InterleavedRowsShareTheirFolders) {
    // The product's word sort can interleave the contents of "a-b" and "ab".
    Build({{"a-b\\x", 1}, {"ab\\y", 2}, {"a-b\\z", 3}, {"ab\\Sub\\w", 4}, {"a-b\\Sub\\v", 5}, {"ab\\Sub\\u", 6}});
    EXPECT_EQ(tree.Lines(), (Lines{"-/a-b:-1", "a-b/x:1", "-/ab:-1", "ab/y:2", "a-b/z:3", "ab/Sub:-1", "Sub/w:4",
                                   "a-b/Sub:-1", "Sub/v:5", "Sub/u:6"}));
    EXPECT_EQ(tree.nodes[9].parent, 6u);  // u under ab's Sub, not a-b's
}

TEST_F(FileTreeTest, DeepShallowDeep) {
    Build({{"A\\B\\C\\f", 1}, {"A\\g", 2}, {"A\\B\\h", 3}, {"A\\B\\C\\D\\i", 4}, {"j", 5}});
    EXPECT_EQ(tree.Lines(),
              (Lines{"-/A:-1", "A/B:-1", "B/C:-1", "C/f:1", "A/g:2", "B/h:3", "C/D:-1", "D/i:4", "-/j:5"}));
}

TEST_F(FileTreeTest, PathsOfAnyDepth) {
    std::string path;
    for (int i = 0; i < 300; ++i) path += "p" + std::to_string(i) + "\\";
    Build({{path.c_str(), 7}, {(path + "last.txt").c_str(), 8}});
    ASSERT_EQ(tree.nodes.size(), 301u);
    for (size_t i = 1; i < tree.nodes.size(); ++i) EXPECT_EQ(tree.nodes[i].parent, i);
    EXPECT_EQ(tree.nodes[298].data, -1);
    EXPECT_EQ(tree.nodes[299].text, "p299");
    EXPECT_EQ(tree.nodes[299].data, 7);
    EXPECT_EQ(tree.nodes[300].text, "last.txt");
    EXPECT_EQ(tree.nodes[300].data, 8);
}

TEST_F(FileTreeTest, EmptyListAndEmptyCaptionsGiveAnEmptyTreeWithItsImages) {
    Build({});
    EXPECT_TRUE(tree.nodes.empty());
    EXPECT_EQ(tree.smallImages, 1);
    Build({{"", 1}});
    EXPECT_TRUE(tree.nodes.empty());
    EXPECT_EQ(tree.smallImages, 2);
}

TEST_F(FileTreeTest, EachBuildStartsAfresh) {
    Build({{"Docs\\a.txt", 1}});
    list.Clear();
    Build({{"Docs\\b.txt", 2}});
    EXPECT_EQ(tree.clears, 2);
    EXPECT_EQ(tree.Lines(), (Lines{"-/Docs:-1", "Docs/b.txt:2"}));
}

TEST_F(FileTreeTest, SortedListGivesOneNodePerFolder) {
    int row = 0;
    for (const char* p : {"readme.txt", "Docs\\a.txt", "Docs\\Sub\\x.txt", "Docs\\", "Docs\\Sub\\"})
        list.AddItem(p, ++row, 0, 0);
    list.RebuildSorted(testing::TestCollate);
    builder.BuildFromList(list, icons, tree);
    EXPECT_EQ(tree.Lines(), (Lines{"-/Docs:-1", "Docs/Sub:5", "Sub/x.txt:3", "Docs/a.txt:2", "-/readme.txt:1"}));
}

}  // namespace
}  // namespace kb::loader
