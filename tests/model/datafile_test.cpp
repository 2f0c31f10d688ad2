// The numeric data-file reader: one table of files and reading settings with the
// columns each gives, and the cases that need more than a table row.
#include "model/datafile.h"
#include "model/plot.h"
#include "platform/largealloc.h"
#include "resident_memory.h"
#include "support/failing_allocations.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <limits>
#include <new>
#include <string>
#include <vector>

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
const TDataElement kStar(kInf, DataFlagStar);
const TDataElement kBar(kInf, DataFlagBar);

using Column = std::vector<TDataElement>;

Column Values(std::initializer_list<double> v) {
    Column c;
    for (double d : v) c.push_back(TDataElement(d));
    return c;
}

Column Elements(const TDataColumn& col) { return Column(col.data(), col.data() + col.GetItemsInContainer()); }

// Elements print as value/flag in failure messages.
std::string Show(const Column& c) {
    std::string s;
    for (const TDataElement& e : c) s += std::to_string(e.Value) + "/" + std::to_string(e.Flag) + " ";
    return s;
}

class DataFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/kv-datafile-test-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }

    std::string Write(const std::string& content, const char* name = "data.txt") {
        const std::string path = dir_ + "/" + name;
        std::FILE* f = std::fopen(path.c_str(), "wb");
        EXPECT_NE(f, nullptr);
        std::fwrite(content.data(), 1, content.size(), f);
        std::fclose(f);
        return path;
    }

    // A series that reads content with the given settings.
    TPlot Series(const std::string& content, const std::function<void(TPlotFile&)>& set = {}) {
        TPlot p;
        std::snprintf(p.DataFileName, sizeof p.DataFileName, "%s", Write(content).c_str());
        if (set) set(p.PlotFile);
        return p;
    }

    std::string dir_;
};

struct ReadCase {
    const char* name;
    std::string content;
    std::function<void(TPlotFile&)> settings;
    int result;
    Column x;
    Column y;
};

std::string Repeat(char c, int n) { return std::string(std::size_t(n), c); }

TEST_F(DataFileTest, TableOfFilesAndSettings) {
    auto cols = [](int x, int y) { return [=](TPlotFile& f) { f.XColumn = x; f.YColumn = y; }; };
    auto mode = [](int m, int x = 1) { return [=](TPlotFile& f) { f.CommentMode = m; f.XColumn = x; }; };
    const std::string nines = "1 1\n2 2\n3 3\n4 4\n5 5\n6 6\n7 7\n8 8\n9 9\n";
    const ReadCase cases[] = {
        {"three lines without a final line end", "1 2\n3 4\n5 6", {}, 1, Values({1, 3, 5}), Values({2, 4, 6})},
        {"CR LF line ends", "1 2\r\n3 4\r\n", {}, 1, Values({1, 3}), Values({2, 4})},
        {"blanks at both ends make no field", "   1    2   \n", {}, 1, Values({1}), Values({2})},
        {"two commas enclose an empty field", "1,,3\n", cols(2, 3), 1, Values({0}), Values({3})},
        {"a comma line splits at commas only", "1 2,3\n", {}, 1, Values({1}), Values({3})},
        {"a leading TAB makes an empty first field", "\t5\t6\n", cols(1, 3), 1, Values({0}), Values({6})},
        {"a field of blanks in a comma line", "1, ,3\n", cols(2, 3), 1, Values({0}), Values({3})},
        {"d and D are exponent letters", "2.5d-1 2.5D-1\n1d2 3D+1\n", {}, 1, Values({0.25, 100}),
         Values({0.25, 30})},
        {"a number followed by other text", "12abc 7.5e\n", {}, 1, Values({12}), Values({7.5})},
        {"marks", "* 3*\n| *|\n|5 2\n", {}, 1, {kStar, kBar, kBar}, {kStar, kStar, TDataElement(2)}},
        // The first field's window is 38 characters; a later field stood behind a
        // blank, so 37 of its own characters are searched.
        {"a mark at character 38 of the first field", Repeat('0', 37) + "*,1\n", {}, 1, {kStar}, Values({1})},
        {"a mark at character 39 of the first field", Repeat('0', 37) + "1*,1\n", {}, 1, Values({1}),
         Values({1})},
        {"a mark at character 37 of a later field", "1," + Repeat('0', 36) + "*\n", {}, 1, Values({1}), {kStar}},
        {"a mark at character 38 of a later field", "1," + Repeat('0', 36) + "2*\n", {}, 1, Values({1}),
         Values({2})},
        {"comment lines before the data", "# a\n'b\n\"c\n;d\n/e\n%f\n\r\n\n1 2\n", {}, 1, Values({1}),
         Values({2})},
        {"two words open the data as zeros", "a b\n1 2\n", {}, 1, Values({0, 1}), Values({0, 2})},
        {"comment mode 1 ends the data", "# h\n1 2\n\n3 4\n", mode(1), 1, Values({1}), Values({2})},
        {"comment mode 2 skips the line", "# h\n1 2\n\n3 4\n", mode(2), 1, Values({1, 3}), Values({2, 4})},
        {"comment mode 3 stores a break", "# h\n1 2\n\n3 4\n", mode(3), 1, {TDataElement(1), kStar, TDataElement(3)},
         {TDataElement(2), kStar, TDataElement(4)}},
        {"a break counts as a row number", "1 2\n#\n3 4\n", mode(3, 0), 1, Values({1, 2, 3}),
         {TDataElement(2), kStar, TDataElement(4)}},
        {"another comment mode stores the comment line", "1 2\n#x 5\n\n3 4\n", mode(7), 1, Values({1, 0, 3}),
         Values({2, 5, 4})},
        {"row step 3", nines, [](TPlotFile& f) { f.RowSkip = 3; }, 1, Values({1, 4, 7}), Values({1, 4, 7})},
        {"row step 3 restarts after a comment line", "1 1\n2 2\n#\n3 3\n4 4\n5 5\n6 6\n",
         [](TPlotFile& f) { f.RowSkip = 3; f.CommentMode = 2; }, 1, Values({1, 3, 6}), Values({1, 3, 6})},
        {"row step 0 reads every line", "1 1\n2 2\n", [](TPlotFile& f) { f.RowSkip = 0; }, 1, Values({1, 2}),
         Values({1, 2})},
        {"rows 3 to 5", nines, [](TPlotFile& f) { f.StartRow = 3; f.EndRow = 5; }, 1, Values({3, 4, 5}),
         Values({3, 4, 5})},
        {"a comment line counts in the row range", "1 1\n2 2\n#\n4 4\n5 5\n6 6\n",
         [](TPlotFile& f) { f.StartRow = 3; f.EndRow = 5; }, 1, Values({4, 5}), Values({4, 5})},
        {"a last row before the first reads nothing", nines, [](TPlotFile& f) { f.StartRow = 5; f.EndRow = 4; },
         1, {}, {}},
        {"start row 0 reads from the first line", "1 1\n2 2\n", [](TPlotFile& f) { f.StartRow = 0; }, 1,
         Values({1, 2}), Values({1, 2})},
        {"as many lines as are skipped", "1 1\n2 2\n", [](TPlotFile& f) { f.StartRow = 3; }, 1, {}, {}},
        {"another column count ends the data", "1 2\n3 4 5\n6 7\n", {}, 1, Values({1}), Values({2})},
        {"a line the row step skips may have any count", "1 2\n3 4 5\n6 7\n", [](TPlotFile& f) { f.RowSkip = 2; },
         1, Values({1, 6}), Values({2, 7})},
        {"the row number as X", "5\n6\n7\n", cols(0, 1), 1, Values({1, 2, 3}), Values({5, 6, 7})},
        {"comment lines only", "# a\n; b\n\n", {}, 1, {}, {}},
        {"an empty file", "", {}, 1, {}, {}},
        {"a zero byte ends the line's text", std::string("1 2\0 9 9 9\n3 4\n", 15), {}, 1, Values({1, 3}),
         Values({2, 4})},
        {"Y beyond the columns", "1 2 3\n", cols(1, 4), 0, {}, {}},
        {"X beyond the columns", "1 2\n", cols(3, 1), 0, {}, {}},
    };
    for (const ReadCase& c : cases) {
        SCOPED_TRACE(c.name);
        TPlot p = Series(c.content, c.settings);
        p.AddX(TDataElement(99));  // every read replaces what the columns held
        p.AddY(TDataElement(99));
        EXPECT_EQ(p.ReadData(), c.result);
        EXPECT_EQ(Elements(p.XData), c.x) << Show(Elements(p.XData));
        EXPECT_EQ(Elements(p.YData), c.y) << Show(Elements(p.YData));
    }
}

TEST_F(DataFileTest, LongLinesComeInPiecesOf4999Characters) {
    // Each piece counts as a line: a comment of 6000 characters is two lines, so
    // the third line is the data.
    const std::string longComment = "#" + Repeat('x', 5999) + "\n";
    TPlot p = Series(longComment + "1 2\n", [](TPlotFile& f) { f.StartRow = 3; });
    ASSERT_EQ(p.ReadData(), 1);
    EXPECT_EQ(Elements(p.XData), Values({1}));

    // The line end counts among the 4999 characters (a CR LF as one).
    const std::vector<std::pair<std::string, int>> linesOf = {{Repeat('#', 4998) + "\n", 1},
                                                              {Repeat('#', 4999) + "\n", 2},
                                                              {Repeat('#', 4998) + "\r\n", 1},
                                                              {Repeat('#', 4997) + "\r\r\n", 1}};
    for (const auto& [line, lines] : linesOf) {
        SCOPED_TRACE(line.size());
        const int skip = lines;
        TPlot q = Series(line + "1 2\n", [=](TPlotFile& f) { f.StartRow = skip + 1; });
        ASSERT_EQ(q.ReadData(), 1);
        EXPECT_EQ(Elements(q.XData), Values({1}));
    }

    // A data line longer than a piece: its first piece has another column count.
    TPlot r = Series("1 2\n" + Repeat('5', 5000) + " 6\n7 8\n");
    ASSERT_EQ(r.ReadData(), 1);
    EXPECT_EQ(Elements(r.XData), Values({1}));
}

TEST_F(DataFileTest, ManySeparatorsInOneLine) {
    // Every separator of a line as long as a piece: no working copy may overrun.
    TPlot p = Series(Repeat(',', 4998) + "\n", [](TPlotFile& f) { f.XColumn = 1; f.YColumn = 4999; });
    ASSERT_EQ(p.ReadData(), 1);
    EXPECT_EQ(Elements(p.XData), Values({0}));
    EXPECT_EQ(Elements(p.YData), Values({0}));
}

TEST_F(DataFileTest, ErrorBarAndParameterColumns) {
    const std::string file = "1 2 3 4 5\n6 7 8 9 10\n";
    TPlot p = Series(file, [](TPlotFile& f) {
        f.IsXErrorBar = 1;
        f.XMaxColumn = 3;
        f.XMinColumn = 3;
        f.IsYErrorBar = 1;
        f.YMaxColumn = 4;
        f.YMinColumn = 5;
        f.ParamColumnSpec = "2, 4-7";
    });
    ASSERT_EQ(p.ReadData(), 1);
    EXPECT_EQ(Elements(p.XMaxData), Values({3, 8}));
    EXPECT_EQ(Elements(p.XMinData), Values({3, 8}));
    EXPECT_EQ(Elements(p.YMaxData), Values({4, 9}));
    EXPECT_EQ(Elements(p.YMinData), Values({5, 10}));
    EXPECT_EQ(Elements(p.ParamData[1]), Values({2, 7}));
    EXPECT_EQ(Elements(p.ParamData[3]), Values({4, 9}));
    EXPECT_EQ(Elements(p.ParamData[4]), Values({5, 10}));
    for (int c : {1, 3, 6, 7}) EXPECT_TRUE(p.ParamData[c - 1].IsEmpty()) << c;
    // The switches are trimmed to the file's five columns; the typed list stays.
    for (int c = 1; c <= ParamColumnCount; ++c)
        EXPECT_EQ(p.PlotFile.ParamColumns[c - 1], c == 2 || c == 4 || c == 5 ? 1 : 0) << c;
    EXPECT_EQ(p.PlotFile.ParamColumnSpec, "2, 4-7");

    // While an error bar is off its column numbers do not matter.
    TPlot q = Series(file, [](TPlotFile& f) { f.XMaxColumn = 9; f.YMinColumn = 0; });
    EXPECT_EQ(q.ReadData(), 1);
    EXPECT_TRUE(q.XMaxData.IsEmpty());
    // While it is on, a column the file lacks, or none at all, fails the read
    // rather than leave that column short of rows.
    for (int column : {6, 0}) {
        TPlot r = Series(file, [=](TPlotFile& f) { f.IsYErrorBar = 1; f.YMinColumn = column; });
        EXPECT_EQ(r.ReadData(), 0) << column;
        EXPECT_TRUE(r.XData.IsEmpty());
    }
}

TEST_F(DataFileTest, ParameterRangeBeyondTheFile) {
    TPlot p = Series("1 2\n3 4\n", [](TPlotFile& f) { f.ParamColumnSpec = "2-4"; });
    ASSERT_EQ(p.ReadData(), 1);
    EXPECT_EQ(Elements(p.ParamData[1]), Values({2, 4}));
    for (int c = 1; c <= ParamColumnCount; ++c) EXPECT_EQ(p.PlotFile.ParamColumns[c - 1], c == 2) << c;
}

TEST_F(DataFileTest, DataRangeAndEqualColumnLengths) {
    TPlot p = Series("3 -1\n* 5\n-2 |\n7 1e400\n", [](TPlotFile& f) { f.CommentMode = 3; });
    ASSERT_EQ(p.ReadData(), 1);
    EXPECT_EQ(p.XMin, -2);
    EXPECT_EQ(p.XMax, 7);
    EXPECT_EQ(p.YMin, -1);
    EXPECT_EQ(p.YMax, 5) << "an infinite value widens no range";

    TPlot empty = Series("# nothing\n");
    ASSERT_EQ(empty.ReadData(), 1);
    EXPECT_EQ(empty.XMin, kInf);
    EXPECT_EQ(empty.XMax, -kInf);
}

// Lines of plain numbers are read straight from the file's block; every line
// that is almost such a line must still give what the general walk gives.
TEST_F(DataFileTest, LinesOfPlainNumbersReadAsTheGeneralWalkReadsThem) {
    const std::string first = "1\t2\t3\n";
    const std::string longField = "1." + Repeat('5', 4990);
    const char* lines[] = {
        "4\t5\t6\n", "4,5,6\n", "4\t5,6\r\n", "-4\t+5\t.5\n", "4.\t5e3\t6E-2\n", "4 5 6\n",
        "4  5   6\n", "4\t5\t6 \n", " 4\t5\t6\n", "4\t5 \t6\n", "4 5,6\n", "4 5\t6\n", "4\t\t6\n",
        "4\t5\n", "4\t5\t6\t7\n", "4\t5\t6\r\r\n", "4\t5\t6\r", "4\t5\t6", "4\t5d2\t6\n", "4\t5*\t6\n",
        "4\t|\t6\n", "4\t5x\t6\n", "1234567890123456\t5\t6\n", "4e400\t1e-400\t-0\n", "0e999\t5\t6\n",
        "+\t-\t.\n", "#4\t5\t6\n", "\n", "4\t5\t6\v\n", "4,5 6\n", "4\t5 6\n",
    };
    const std::function<void(TPlotFile&)> settings[] = {
        {},
        [](TPlotFile& f) { f.XColumn = 0; f.YColumn = 3; f.CommentMode = 2; },
        [](TPlotFile& f) { f.IsXErrorBar = 1; f.XMinColumn = 3; f.XMaxColumn = 3; f.ParamColumnSpec = "1-3"; f.CommentMode = 4; },
        [](TPlotFile& f) { f.CommentMode = 3; f.EndRow = 3; },
    };
    auto compare = [&](const std::string& content, const std::function<void(TPlotFile&)>& set) {
        TPlot shortcut = Series(content, set), general = Series(content, set);
        const int result = shortcut.ReadData();
        SetDataReaderShortcut(false);
        EXPECT_EQ(general.ReadData(), result) << content;
        SetDataReaderShortcut(true);
        EXPECT_EQ(Show(Elements(shortcut.XData)), Show(Elements(general.XData))) << content;
        EXPECT_EQ(Elements(shortcut.XData), Elements(general.XData)) << content;
        EXPECT_EQ(Elements(shortcut.YData), Elements(general.YData)) << content;
        EXPECT_EQ(Elements(shortcut.XMinData), Elements(general.XMinData)) << content;
        EXPECT_EQ(Elements(shortcut.ParamData[1]), Elements(general.ParamData[1])) << content;
        EXPECT_EQ(shortcut.XMax, general.XMax) << content;
        EXPECT_EQ(shortcut.YMin, general.YMin) << content;
    };
    for (const auto& set : settings) {
        for (const char* line : lines) compare(first + line + first, set);
        // Lines of 4997 to 5001 characters, about the length at which a line is
        // cut into pieces.
        for (int length = 4997; length <= 5001; ++length) {
            const std::string line = "4\t5\t" + Repeat('0', length - 5) + "6";
            compare(first + line + "\n" + first + line + "\r\n" + first, set);
        }
        compare(first + "4\t5\t" + longField + "\n" + first, set);
    }
}

TEST_F(DataFileTest, FailuresLeaveOrEmptyTheColumns) {
    // File missing, or ending before the first row: the old columns stay.
    for (const char* content : {static_cast<const char*>(nullptr), "1 2\n2 3\n"}) {
        TPlot p = Series("x");
        if (!content) std::strcat(p.DataFileName, ".missing");
        else p = Series(content, [](TPlotFile& f) { f.StartRow = 4; });
        p.AddX(TDataElement(42));
        p.AddY(TDataElement(43));
        EXPECT_EQ(p.ReadData(), 0);
        EXPECT_EQ(Elements(p.XData), Values({42}));
        EXPECT_EQ(p.XMax, 42);
    }
    // A folder is no data file, nor a pipe (which is not waited on).
    TPlot dir;
    std::snprintf(dir.DataFileName, sizeof dir.DataFileName, "%s", dir_.c_str());
    EXPECT_EQ(dir.ReadData(), 0);
    ASSERT_EQ(::mkfifo((dir_ + "/pipe").c_str(), 0600), 0);
    std::strcat(dir.DataFileName, "/pipe");
    EXPECT_EQ(dir.ReadData(), 0);

    // Memory data are never read.
    TPlot memory;
    memory.IsFileData = 0;
    memory.AddX(TDataElement(1));
    EXPECT_EQ(memory.ReadData(), 1);
    EXPECT_EQ(memory.XData.GetItemsInContainer(), 1);
}

TEST_F(DataFileTest, AColumnThatCannotGrowEmptiesTheColumnsAndTheRange) {
    // 100,000 rows: their columns need far more than the 256 KB allowed below,
    // while the reader's own buffers need less.
    std::string content;
    for (int i = 1; i <= 100000; ++i) content += std::to_string(i) + " 2\n";
    TPlot p = Series(content);
    p.AddX(TDataElement(42));
    p.AddY(TDataElement(43));
    kv::ReleaseKeptBlocks();  // a block kept from an earlier read would need no allocation
    const int result = [&] {
        kvtest::FailingAllocations scarce(256 * 1024);
        return p.ReadData();
    }();
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(p.XData.IsEmpty());
    EXPECT_TRUE(p.YData.IsEmpty());
    EXPECT_EQ(p.XMin, kInf);
    EXPECT_EQ(p.XMax, -kInf);
    EXPECT_EQ(p.YMin, kInf);
    EXPECT_EQ(p.YMax, -kInf);

    // With memory to spare the same file reads whole.
    ASSERT_EQ(p.ReadData(), 1);
    EXPECT_EQ(p.XData.GetItemsInContainer(), 100000);
    EXPECT_EQ(p.XMax, 100000);
}

TEST_F(DataFileTest, SearchMethodsAndTheDataDrive) {
    Write("1 2\n", "found.dat");
    // Stored Windows paths: the drive is dropped, backslashes become slashes.
    std::string windowsDir = "C:" + dir_ + "/";
    for (char& c : windowsDir)
        if (c == '/') c = '\\';

    TPlot byDrive;
    std::snprintf(byDrive.DataFileName, sizeof byDrive.DataFileName, "D:%s\\found.dat", dir_.c_str());
    byDrive.PlotFile.SearchMethod = 1;
    SetDataDrive("E:\\ignored");
    EXPECT_STREQ(GetDataDrive(), "E:");
    EXPECT_EQ(DataFileLocalPath(byDrive.DataFileName, 1), dir_ + "/found.dat");
    EXPECT_EQ(byDrive.ReadData(), 1);
    EXPECT_EQ(Elements(byDrive.YData), Values({2}));
    SetDataDrive("A:");

    TPlot stored;
    std::snprintf(stored.DataFileName, sizeof stored.DataFileName, "%sfound.dat", windowsDir.c_str());
    EXPECT_EQ(stored.ReadData(), 1);

    // By name only, in the current folder.
    TPlot byName;
    std::strcpy(byName.DataFileName, "Z:\\elsewhere\\found.dat");
    byName.PlotFile.SearchMethod = 2;
    EXPECT_EQ(DataFileLocalPath(byName.DataFileName, 2), "found.dat");
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(dir_);
    const int result = byName.ReadData();
    std::filesystem::current_path(before);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(Elements(byName.XData), Values({1}));
}

TEST_F(DataFileTest, JapaneseFileNames) {
    // Document strings are CP932; the file on disk has the UTF-8 name.
    Write("1 2\n", "\xe3\x83\x87\xe3\x83\xbc\xe3\x82\xbf.txt");  // "データ.txt"
    TPlot p;
    std::snprintf(p.DataFileName, sizeof p.DataFileName, "%s/\x83\x66\x81\x5b\x83\x5e.txt", dir_.c_str());
    EXPECT_EQ(p.ReadData(), 1);
    EXPECT_EQ(Elements(p.YData), Values({2}));
}

TEST_F(DataFileTest, LargeFileAcrossManyBlocks) {
    // Lines cross the reader's block boundaries at every offset.
    std::string content;
    Column x, y;
    for (int i = 0; i < 60000; ++i) {
        content += std::to_string(i) + (i % 3 ? "\t" : ",") + std::to_string(i % 7) + ".5" + (i % 5 ? "\n" : "\r\n");
        x.push_back(TDataElement(i));
        y.push_back(TDataElement(i % 7 + 0.5));
    }
    TPlot p = Series(content);
    ASSERT_EQ(p.ReadData(), 1);
    EXPECT_EQ(Elements(p.XData), x);
    EXPECT_EQ(Elements(p.YData), y);
    // Reading again gives the same.
    ASSERT_EQ(p.ReadData(), 1);
    EXPECT_EQ(p.XData.GetItemsInContainer(), 60000);

    // A file whose data end early, long before its size suggests.
    TPlot q = Series("1 2\n3 4\n\n" + content);
    ASSERT_EQ(q.ReadData(), 1);
    EXPECT_EQ(Elements(q.XData), Values({1, 3}));
}

// A read holds little more memory than the columns it fills, whatever the file's
// layout: room the columns were sized for and did not use takes none, and room
// they outgrew is given back.
TEST_F(DataFileTest, AReadHoldsLittleMoreThanItsColumns) {
    constexpr int kRows = 2000000;  // two columns of 32 MB
    const double need = 2.0 * sizeof(TDataElement) * kRows;
    struct Case {
        const char* name;
        std::string content;
        std::function<void(TPlotFile&)> settings;
        bool rowsMoved;  // the columns outgrow their first room
    };
    std::string longFirst, withBreaks;
    for (int i = 0; i < 4000; ++i) longFirst += "0.12345678901234567 0.12345678901234567\n";
    for (int i = 4000; i < kRows; ++i) longFirst += "7 2\n";
    for (int i = 0; i < kRows / 2; ++i) withBreaks += "7 2\n#\n";
    const Case cases[] = {
        // The first block of the file holds a tenth of the line ends that the
        // rest holds per byte.
        {"long lines, then short ones", longFirst, {}, false},
        // Every data line follows a comment line, which restarts the row step and
        // gives a row of its own: three times the rows a step of 3 suggests.
        {"row step 3 with a data break every other line", withBreaks,
         [](TPlotFile& f) { f.RowSkip = 3; f.CommentMode = 3; }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TPlot p = Series(c.content, c.settings);
        kv::ReleaseKeptBlocks();  // the columns get new memory, as in a new process
        const bool peakWatched = kvtest::ResetPeakResident();
        const std::int64_t base = kvtest::ResidentBytes();
        ASSERT_EQ(p.ReadData(), 1);
        const double added = double(kvtest::ResidentBytes() - base);
        const double peak = double(kvtest::PeakResidentBytes() - base);
        ASSERT_EQ(p.XData.GetItemsInContainer(), kRows);
        ASSERT_EQ(p.YData.GetItemsInContainer(), kRows);
        EXPECT_LE(added, 1.25 * need) << added / need;
        if (peakWatched && !c.rowsMoved) {
            EXPECT_LE(peak, 1.25 * need) << peak / need;
        }
        // The rows survive the move to the larger room.
        const TDataElement& last = p.YData[kRows - 1];
        if (c.rowsMoved) {
            for (int i : {0, 2, kRows / 3 * 2, kRows - 2}) EXPECT_EQ(p.XData[i], TDataElement(7)) << i;
            for (int i : {1, kRows / 3 * 2 + 1, kRows - 1}) EXPECT_EQ(p.XData[i], kStar) << i;
            EXPECT_EQ(last, kStar);
        } else {
            EXPECT_EQ(p.XData[3999].Value, 0.12345678901234567);
            EXPECT_EQ(p.XData[4000].Value, 7);
            EXPECT_EQ(last.Value, 2);
        }
    }
}

}  // namespace
