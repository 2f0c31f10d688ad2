// filter.ini: the lines that make filters and those passed over, the file read and
// written back, and the export dialog's list with its two fixed entries.

#include "render/filterlist.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <fstream>
#include <sstream>

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteAll(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

TEST(FilterLine, FieldsAndLinesThatHoldNone) {
    struct Case {
        std::string line;
        bool ok;
        FilterEntry want;
    };
    const std::vector<Case> cases = {
        {"EPS,conv.exe,-e", true, {"EPS", "conv.exe", "-e", 0}},
        {" EPS , conv , -e ", true, {" EPS ", " conv ", " -e ", 0}},  // blanks kept
        {",,", true, {"", "", "", 0}},
        // A third comma: more fields than a filter has.
        {"A,b,c,d", false, {}},
        {"A,b,-r 1,2,3", false, {}},
        {"A,b,,", false, {}},
        {"", false, {}},
        {"just a name", false, {}},
        {"name,program", false, {}},
        {std::string("a,b\0c", 5), false, {}},
        {"a,b," + std::string(kMaxFilterLineBytes - 4, 'x'), true,
         {"a", "b", std::string(kMaxFilterLineBytes - 4, 'x'), 0}},
        {"a,b," + std::string(kMaxFilterLineBytes - 3, 'x'), false, {}},
    };
    for (const Case& c : cases) {
        FilterEntry e;
        EXPECT_EQ(ParseFilterLine(c.line, e), c.ok) << c.line.substr(0, 40);
        if (c.ok) {
            EXPECT_EQ(e, c.want) << c.line.substr(0, 40);
        }
    }
}

TEST(FilterIni, ReadsWritesAndKeepsWhatItCannotReplace) {
    QTemporaryDir dir;
    const std::string app = dir.path().toStdString();
    const std::string path = FilterIniPath(app);
    EXPECT_EQ(path, app + "/filter.ini");
    EXPECT_EQ(FilterIniPath(app + "/"), path);

    // Missing: nothing appended.
    std::vector<FilterEntry> list;
    EXPECT_FALSE(ReadFilterIni(path, list));
    EXPECT_TRUE(list.empty());
    const auto fixed = MakeFilterList(path);
    ASSERT_EQ(fixed.size(), 2u);
    EXPECT_EQ(fixed[0], FilterEntry("Windows Metafile", "", "", FilterWindowsMetafile));
    EXPECT_EQ(fixed[1], FilterEntry("Korvida Vector Format", "", "", FilterVectorFile));

    // CR LF and LF lines, an empty line, a line too long (never read in pieces),
    // a binary line, a line of four fields and a last line without its end.
    WriteAll(path, "EPS,conv,-e\r\n\r\nPNG,png.sh,\n" + std::string(5000, 'z') + ",a,b\r\n" +
                       std::string("bad\0,x,y\n", 9) + "A,b,c,d\r\nSVG,svg,-s 2");
    list.clear();
    EXPECT_TRUE(ReadFilterIni(path, list));
    EXPECT_EQ(list, (std::vector<FilterEntry>{{"EPS", "conv", "-e", 0},
                                               {"PNG", "png.sh", "", 0},
                                               {"SVG", "svg", "-s 2", 0}}));

    // Written back: only the external filters, CR LF, read back the same.
    auto all = MakeFilterList(path);
    ASSERT_EQ(all.size(), 5u);
    all.emplace_back("Two\nlines", "p", "o", 0);
    EXPECT_TRUE(WriteFilterIni(path, all));
    EXPECT_EQ(ReadAll(path), "EPS,conv,-e\r\nPNG,png.sh,\r\nSVG,svg,-s 2\r\nTwo lines,p,o\r\n");
    list.clear();
    ReadFilterIni(path, list);
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(list[3], FilterEntry("Two lines", "p", "o", 0));

    // A folder that cannot take the new file: false, the old one as it was.
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
    const bool writable = QFileInfo(dir.path()).isWritable();  // root writes anyway
    if (!writable) {
        EXPECT_FALSE(WriteFilterIni(path, fixed));
        EXPECT_EQ(ReadAll(path).substr(0, 12), "EPS,conv,-e\r");
    }
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    // A folder named filter.ini cannot be read.
    QTemporaryDir other;
    QDir(other.path()).mkdir("filter.ini");
    list.clear();
    EXPECT_FALSE(ReadFilterIni(FilterIniPath(other.path().toStdString()), list));
}

TEST(FilterIni, StopsAfterTheLastFilterItKeeps) {
    QTemporaryDir dir;
    const std::string path = FilterIniPath(dir.path().toStdString());
    std::string text;
    for (std::size_t i = 0; i < kMaxFilters + 50; ++i) text += "f" + std::to_string(i) + ",p,o\n";
    WriteAll(path, text);
    std::vector<FilterEntry> list;
    ASSERT_TRUE(ReadFilterIni(path, list));
    ASSERT_EQ(list.size(), kMaxFilters);
    EXPECT_EQ(list.back().Name, "f" + std::to_string(kMaxFilters - 1));
}

TEST(FilterEntryRecord, StreamsItsFields) {
    opstream os;
    FilterEntry e("EPS", "conv", "-e", FilterVectorFile);
    os.writeObject(e);
    ipstream is(os.buffer());
    is.readVersion();
    FilterEntry back;
    is.readObject(back);
    EXPECT_TRUE(is.good());
    EXPECT_EQ(back, e);
}

}  // namespace
