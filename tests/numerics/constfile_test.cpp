// User-constant files: the lines an import lists, the listed form of a constant,
// and the constants that the listed lines give.
#include "model/boxframe.h"
#include "numerics/constfile.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cstdio>
#include <string>
#include <vector>

namespace {

class ConstFile : public ::testing::Test {
protected:
    std::string Write(const std::string& bytes, const char* name = "c.cst") {
        const std::string path = dir_.path().toStdString() + "/" + name;
        std::FILE* f = std::fopen(path.c_str(), "wb");
        EXPECT_NE(f, nullptr);
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
        return path;
    }
    std::vector<std::string> Import(const std::string& bytes, ConstFileStatus want = ConstFileStatus::Done,
                                    std::size_t maxLines = ConstListLimit) {
        std::vector<std::string> lines;
        EXPECT_EQ(ReadConstantFile(Write(bytes), lines, maxLines), want);
        return lines;
    }
    QTemporaryDir dir_;
};

using Lines = std::vector<std::string>;

TEST_F(ConstFile, CommentsCutLinesAndEmptyLines) {
    // A definition, a comment line, a definition with a trailing comment, an empty line.
    EXPECT_EQ(Import("a = 1\n; note\nb = 2 ' two\n\n"), (Lines{"a = 1", "", "b = 2 ", ""}));
    // Every comment character cuts, anywhere; a comma does not.
    EXPECT_EQ(Import("d = 3:14\n\"q\"\ne=1;x\nf = 1, 2\n'all"),
              (Lines{"d = 3", "", "e=1", "f = 1, 2", ""}));
    // A last line without a line feed counts; CR LF ends a line as LF does, and a
    // zero byte ends the line's text.
    EXPECT_EQ(Import("a=1\r\nb=2\r\nc=3"), (Lines{"a=1", "b=2", "c=3"}));
    EXPECT_EQ(Import(std::string("e=5\0junk\nf=6\n", 13)), (Lines{"e=5", "f=6"}));
    EXPECT_EQ(Import(""), Lines{});
}

TEST_F(ConstFile, LongLinesComeInPiecesOfAtMost255) {
    const std::string line = std::string(2000, 'k') + std::string(500, 'v');
    const Lines lines = Import(line + "\nz=1\n");
    ASSERT_EQ(lines.size(), 3u);  // 1999 bytes, then the rest, then the next line
    EXPECT_EQ(lines[0], std::string(255, 'k'));
    EXPECT_EQ(lines[1], "k" + std::string(254, 'v'));
    EXPECT_EQ(lines[2], "z=1");
    // A piece never ends inside a double-byte character.
    const Lines dbcs = Import(std::string(254, 'n') + "\x82\xa0" + "=1\n");
    EXPECT_EQ(dbcs, (Lines{std::string(254, 'n')}));
}

TEST_F(ConstFile, ImportStopsAtTheListLimitAndRefusesWhatIsNoFile) {
    std::vector<std::string> lines{"kept"};
    EXPECT_EQ(ReadConstantFile(Write("a=1\nb=2\nc=3\n"), lines, 3), ConstFileStatus::TooManyLines);
    EXPECT_EQ(lines, (Lines{"kept", "a=1", "b=2"}));
    lines = {"kept"};
    EXPECT_EQ(ReadConstantFile(Write("a=1\nb=2\n"), lines, 3), ConstFileStatus::Done);
    EXPECT_EQ(lines.size(), 3u);

    // A huge file without line ends stops at the limit instead of filling memory.
    Import(std::string(1999 * 20, 'x'), ConstFileStatus::TooManyLines, 10);

    lines.clear();
    EXPECT_EQ(ReadConstantFile(dir_.path().toStdString() + "/none.cst", lines),
              ConstFileStatus::OpenFailed);
    EXPECT_EQ(ReadConstantFile(dir_.path().toStdString(), lines), ConstFileStatus::OpenFailed);
    EXPECT_TRUE(lines.empty());
}

TEST(ConstLines, ListedWithFifteenDigitsAndTheWholeName) {
    EXPECT_EQ(ConstantListLine(TUserConstElement("Rate", 2.5)), "Rate = 2.5");
    EXPECT_EQ(ConstantListLine(TUserConstElement("p", 3.14159265358979323)), "p = 3.14159265358979");
    const std::string longName(300, 'n');
    EXPECT_EQ(ConstantListLine(TUserConstElement(longName, -1e-20)), longName + " = -1e-20");
}

TEST(ConstLines, ApplyKeepsWhatParsesInListOrder) {
    BoxFrame set;
    set.UserConsts.Add(TUserConstElement("old", 9));
    ApplyConstantLines(set, {"", "K = 2", "a = b = 1", "sin = 1", "k = 3", "rate=1.5x", "abc"});
    ASSERT_EQ(set.UserConsts.GetItemsInContainer(), 2);
    EXPECT_EQ(set.UserConsts[0], TUserConstElement("K", 2));  // the earlier line wins
    EXPECT_EQ(set.UserConsts[1], TUserConstElement("rate", 1.5));
    double v = 0;
    EXPECT_EQ(set.LookupConstant("old", v), 0);

    ApplyConstantLines(set, {});
    EXPECT_EQ(set.UserConsts.GetItemsInContainer(), 0);
}

}  // namespace
