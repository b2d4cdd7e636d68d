// Button list files: comments, the colour line, the records, and a bad
// integer that ends the list keeping what was read.
#include <gtest/gtest.h>

#include <iterator>
#include <sstream>

#include "loader/skin/button_list.h"

namespace kb::loader {
namespace {

ButtonListFile Parse(const std::string& text) {
    std::istringstream in(text);
    return ParseButtonList(in);
}

TEST(ButtonList, ReadsTheColourLineAndTheRecords) {
    const ButtonListFile list = Parse(
        "// Reader buttons\r\n"
        "\r\n"
        "   \r\n"
        "$00FF00FF, ignored, fields\r\n"
        "quit_up, quit_down, 10, 20, 1, 10\r\n"
        "ok_up,ok_down,-5,0x10,0,20,\"  \"\r\n"
        "exp_up,exp_down,1,2,2,$B,exp_third\r\n"
        "old,old,1,1,1,11 // commented out\r\n"
        "\"a,b\",\"c\"d,3,4,1,11\n"
        "last,last,7,8,-1,200");
    EXPECT_TRUE(list.hasColor);
    EXPECT_EQ(list.transparentColor, 0x00FF00FFu);
    EXPECT_EQ(list.stoppedAt, 0);
    const struct {
        const char* image0;
        const char* image1;
        int left, top;
        bool transparent;
        int id;
        const char* image2;
    } rows[] = {
        {"quit_up", "quit_down", 10, 20, true, 10, ""},
        {"ok_up", "ok_down", -5, 16, false, 20, ""},
        {"exp_up", "exp_down", 1, 2, false, 11, "exp_third"},
        {"a,b", "cd", 3, 4, true, 11, ""},
        {"last", "last", 7, 8, false, 200, ""},
    };
    ASSERT_EQ(list.buttons.size(), std::size(rows));
    for (size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(i);
        const ButtonRecord& b = list.buttons[i];
        EXPECT_EQ(b.image0, rows[i].image0);
        EXPECT_EQ(b.image1, rows[i].image1);
        EXPECT_EQ(b.left, rows[i].left);
        EXPECT_EQ(b.top, rows[i].top);
        EXPECT_EQ(b.transparent, rows[i].transparent);
        EXPECT_EQ(b.id, rows[i].id);
        EXPECT_EQ(b.image2, rows[i].image2);
    }
    // Two records of id 11: the earlier one is found.
    ASSERT_NE(FindButtonRecord(list, 11), nullptr);
    EXPECT_EQ(FindButtonRecord(list, 11)->image0, "exp_up");
    EXPECT_EQ(FindButtonRecord(list, 200)->image0, "last");
    EXPECT_EQ(FindButtonRecord(list, 30), nullptr);
}

TEST(ButtonList, ABadIntegerEndsTheListAtItsLine) {
    const struct {
        const char* name;
        std::string text;
        bool hasColor;
        size_t buttons;
        int stoppedAt;
        const char* stoppedLine;
        int fileLine;  // the line of the file that stopped it
    } rows[] = {
        {"empty file", "", false, 0, 0, "", 0},
        {"comments only", "// a\n// b\n", false, 0, 0, "", 0},
        {"colour line only", "255\n", true, 0, 0, "", 0},
        {"colour not a number", "red\na,b,1,2,1,10\n", false, 0, 1, "red", 1},
        {"colour field empty", ",5\na,b,1,2,1,10\n", false, 0, 1, ",5", 1},
        {"left not a number", "0\na,b,1,2,1,10\nc,d,x,2,1,11\ne,f,1,2,1,12\n", true, 1, 3, "c,d,x,2,1,11", 3},
        {"id missing", "0\na,b,1,2,1,10\n// note\nc,d,1,2,1\ne,f,1,2,1,12\n", true, 1, 3, "c,d,1,2,1", 4},
        {"flag empty", "0\na,b,1,2,,10\n", true, 0, 2, "a,b,1,2,,10", 2},
        {"hexadecimal prefix alone", "0\na,b,1,2,1,0x\n", true, 0, 2, "a,b,1,2,1,0x", 2},
        {"beyond 32 bits", "0\na,b,1,2,1,10\nc,d,1,4294967296,1,11\n", true, 1, 3, "c,d,1,4294967296,1,11", 3},
        {"fraction", "0\na,b,1.5,2,1,10\n", true, 0, 2, "a,b,1.5,2,1,10", 2},
        {"blank lines, no last line break", "0\r\n\r\n  \r\na,b,1,2,1,10\r\n// x\r\nbad", true, 1, 3, "bad", 6},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        const ButtonListFile list = Parse(r.text);
        EXPECT_EQ(list.hasColor, r.hasColor);
        EXPECT_EQ(list.buttons.size(), r.buttons);
        EXPECT_EQ(list.stoppedAt, r.stoppedAt);
        EXPECT_EQ(list.stoppedLine, r.stoppedLine);
        EXPECT_EQ(ButtonListFileLine(r.text, list.stoppedAt), r.fileLine);
    }
}

TEST(ButtonList, TheReportOfABadLineNamesTheFileAndTheLine) {
    EXPECT_EQ(BadButtonLineText("C:\\Prog\\skin\\Reader.btn", 4),
              "C:\\Prog\\skin\\Reader.btn line 4: not a button line; the buttons from this line on are missing.");
    EXPECT_EQ(ButtonListFileLine("0\na,b,1,2,1,10\n", 3), 0);
}

TEST(ButtonList, ColourNumbersKeepTheirBitPattern) {
    EXPECT_EQ(Parse("-1\n").transparentColor, 0xFFFFFFFFu);
    EXPECT_EQ(Parse("0xFFFFFFFF\n").transparentColor, 0xFFFFFFFFu);
    EXPECT_EQ(Parse("16711935\n").transparentColor, 0x00FF00FFu);
    EXPECT_EQ(Parse("-$10\n").transparentColor, 0xFFFFFFF0u);
}

TEST(ButtonList, PathJoinsFolderAndName) {
    EXPECT_EQ(ButtonListPath("C:\\Prog\\skin", "Reader.btn"), "C:\\Prog\\skin\\Reader.btn");
    EXPECT_EQ(ButtonListPath("C:\\Prog\\skin\\", "Reader.btn"), "C:\\Prog\\skin\\Reader.btn");
}

}  // namespace
}  // namespace kb::loader
