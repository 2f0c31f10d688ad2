#include "platform/paths.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <fstream>
#include <string>

#include <sys/stat.h>

namespace {

struct SplitCase {
    std::string path, drive, dir, name, ext;
};

void ExpectSplit(const kv::SplitPath& got, const SplitCase& c) {
    EXPECT_EQ(got.drive, c.drive) << c.path;
    EXPECT_EQ(got.dir, c.dir) << c.path;
    EXPECT_EQ(got.name, c.name) << c.path;
    EXPECT_EQ(got.ext, c.ext) << c.path;
}

TEST(PathsTest, SplitsAndMergesBack) {
    const SplitCase cases[] = {
        {"C:\\data\\sub\\file.dat", "C:", "\\data\\sub\\", "file", ".dat"},
        {"/home/u/x.tar.gz", "", "/home/u/", "x.tar", ".gz"},
        {"mixed\\a/b.c", "", "mixed\\a/", "b", ".c"},
        {"file", "", "", "file", ""},
        {"name.", "", "", "name", "."},
        {".profile", "", "", "", ".profile"},
        {"dir.d/name", "", "dir.d/", "name", ""},  // a dot in the directory is no extension
        {"C:", "C:", "", "", ""},
        {"d:rel.kv3", "d:", "", "rel", ".kv3"},
        {"C:\\data\\..", "C:", "\\data\\..", "", ""},
        {"a/b/.", "", "a/b/.", "", ""},
        {".", "", ".", "", ""},
        {"..", "", "..", "", ""},
        {"", "", "", "", ""},
    };
    for (const SplitCase& c : cases) {
        kv::SplitPath s = kv::SplitFilePath(c.path);
        ExpectSplit(s, c);
        EXPECT_EQ(kv::MergeFilePath(s), c.path);
    }
}

TEST(PathsTest, PartsAreCutTo255) {
    std::string dir(300, 'd'), name(300, 'n'), ext(300, 'e');
    kv::SplitPath s = kv::SplitFilePath("C:\\" + dir + "\\" + name + "." + ext);
    EXPECT_EQ(s.drive, "C:");
    EXPECT_EQ(s.dir, "\\" + dir.substr(0, 254));
    EXPECT_EQ(s.name, name.substr(0, 255));
    EXPECT_EQ(s.ext, "." + ext.substr(0, 254));
}

TEST(PathsTest, Cp932SplitSkipsSecondBytes) {
    // "表" is 0x95 0x5C and "ソ" 0x83 0x5C: their second byte is a backslash.
    const std::string path = "D:\\\x83\x5C\x83\x74\x83\x67\\\x95\x5C.dat";
    ExpectSplit(kv::SplitFilePathCp932(path),
                {path, "D:", "\\\x83\x5C\x83\x74\x83\x67\\", "\x95\x5C", ".dat"});
    // A lead byte before a byte that cannot follow it stays a single byte.
    ExpectSplit(kv::SplitFilePathCp932("a\x83/b.c"), {"", "", "a\x83/", "b", ".c"});
    // The byte-wise split takes every 0x5C for a separator.
    EXPECT_EQ(kv::SplitFilePath(path).name, "");
}

TEST(PathsTest, MergeAddsMissingPunctuation) {
    EXPECT_EQ(kv::MergeFilePath({"C", "\\data", "f", "txt"}), "C:\\data\\f.txt");
    EXPECT_EQ(kv::MergeFilePath({"", "a/b", "f", ".kv3~"}), "a/b/f.kv3~");
    EXPECT_EQ(kv::MergeFilePath({"", "data", "f", ""}), "data/f");
    EXPECT_EQ(kv::MergeFilePath({"", "", "f", "kv3"}), "f.kv3");
}

TEST(PathsTest, ToLocalPath) {
    const std::pair<std::string, std::string> cases[] = {
        {"C:\\data\\x.dat", "/data/x.dat"},
        {"d:rel\\x.dat", "rel/x.dat"},
        {"data\\x.dat", "data/x.dat"},
        {"/home/u/x.dat", "/home/u/x.dat"},
        {"x.dat", "x.dat"},
        {"1:x", "1:x"},
        {"", ""},
    };
    for (const auto& [stored, local] : cases) EXPECT_EQ(kv::ToLocalPath(stored), local) << stored;
}

TEST(PathsTest, FileExistsTakesTheNameLiterally) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string base = dir.path().toStdString() + "/";
    std::ofstream(base + "x.dat") << "1";
    std::ofstream(base + "a*b?.dat") << "1";
    EXPECT_TRUE(kv::FileExists(base + "x.dat"));
    EXPECT_TRUE(kv::FileExists(base + "a*b?.dat"));
    EXPECT_FALSE(kv::FileExists(base + "*.dat"));
    EXPECT_FALSE(kv::FileExists(base + "x?dat"));
    EXPECT_FALSE(kv::FileExists(base + "missing.dat"));
    EXPECT_FALSE(kv::FileExists(dir.path().toStdString()));  // a directory
    EXPECT_FALSE(kv::FileExists(""));
    std::string withZero = base + "x.dat";
    withZero += '\0';
    withZero += "junk";
    EXPECT_FALSE(kv::FileExists(withZero));
}

}  // namespace
