#include "platform/profile.h"
#include "support/helpers/fifo_watchdog.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>

#include <sys/stat.h>
#include <unistd.h>

namespace {

class ProfileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

    std::string PathOf(const char* name) const {
        return dir_.path().toStdString() + "/" + name;
    }
    void WriteBytes(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    std::string ReadBytes(const std::string& path) const {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::string Get(const char* section, const char* key, const char* def, DWORD size = 255) {
        std::string buf(size, '#');
        DWORD n = GetPrivateProfileStringA(section, key, def, buf.data(), size, path_.c_str());
        EXPECT_EQ(buf[n], '\0');
        return buf.substr(0, n);
    }
    int GetInt(const char* section, const char* key, int def) {
        return int(GetPrivateProfileIntA(section, key, def, path_.c_str()));
    }
    BOOL Write(const char* section, const char* key, const char* value) {
        return WritePrivateProfileStringA(section, key, value, path_.c_str());
    }

    QTemporaryDir dir_;
    std::string path_ = PathOf("korvida.ini");
};

// A profile as people and old versions leave it: comments, blank lines, spacing
// around names and values, quotes, CP932 bytes, a repeated section.
const char kSample[] =
    "; settings\n"
    "[Axis]\n"
    "FrameType=3\n"
    "  OriginX =  2000.5  \n"
    "\t Tabbed\t=\tv\t\n"
    "Face=\"Times New Roman\"\n"
    "Single='abc'\n"
    "Unbalanced=\"abc\n"
    "Inner=\"  x  \"\n"
    "Lone=\"\n"
    "Empty=\n"
    "Blanks=   \n"
    "NoEquals\n"
    "Neg=-360\n"
    "Prefix=12abc\n"
    "Garbage=abc\n"
    "Plus=+7\n"
    "Spaced=  42  \n"
    "QuotedNum=\"12\"\n"
    "Big=4294967295\n"
    "\x83\x41=kana\n"
    "\n"
    "[Other]\n"
    "Editor=C:\\tools\\edit.exe\n"
    "Text=\x93\xfa\x96\x7b\x8c\xea\n"
    "[axis]\n"
    "Dup=second\n";

TEST_F(ProfileTest, ReadsValuesTrimmedUnquotedAndWithoutCase) {
    WriteBytes(path_, kSample);
    struct Case {
        const char* section;
        const char* key;
        const char* def;
        std::string want;
    } cases[] = {
        {"Axis", "FrameType", "d", "3"},
        {"AXIS", "frametype", "d", "3"},
        {"axis", "OriginX", "d", "2000.5"},
        {"Axis", "Tabbed", "d", "v"},
        {"Axis", "Face", "d", "Times New Roman"},
        {"Axis", "Single", "d", "abc"},
        {"Axis", "Unbalanced", "d", "\"abc"},
        {"Axis", "Inner", "d", "  x  "},
        {"Axis", "Lone", "d", "\""},
        {"Axis", "Empty", "d", ""},  // present but empty is not missing
        {"Axis", "Blanks", "d", ""},
        {"Axis", "NoEquals", "d", "d"},
        {"Axis", "Missing", "dflt", "dflt"},
        {"Axis", "Missing", "dflt  \t", "dflt"},  // the default loses trailing blanks
        {"Axis", "Missing", nullptr, ""},
        {"Nowhere", "FrameType", "d", "d"},
        {" Axis ", " FrameType ", "d", "3"},
        {"Other", "Editor", "d", "C:\\tools\\edit.exe"},
        {"other", "TEXT", "d", "\x93\xfa\x96\x7b\x8c\xea"},
        {"Axis", "Dup", "d", "second"},  // the repeated section is searched too
        {"Axis", "\x83\x41", "d", "kana"},
        // The second byte of a double-byte name is not an ASCII letter to fold.
        {"Axis", "\x83\x61", "d", "d"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Get(c.section, c.key, c.def), c.want) << c.section << "/" << c.key;
}

TEST_F(ProfileTest, IntReadsSignedDecimalPrefix) {
    WriteBytes(path_, kSample);
    struct Case {
        const char* key;
        int def;
        int want;
    } cases[] = {
        {"FrameType", 99, 3}, {"Neg", 99, -360},      {"Prefix", 99, 12},
        {"Garbage", 99, 0},   {"Plus", 99, 7},        {"Spaced", 99, 42},
        {"QuotedNum", 99, 12}, {"Big", 99, -1},       {"Missing", -2, -2},
        {"Empty", 5, 5},      {"Blanks", 5, 5},       {"OriginX", 99, 2000},
    };
    for (const Case& c : cases) EXPECT_EQ(GetInt("axis", c.key, c.def), c.want) << c.key;
    EXPECT_EQ(GetPrivateProfileIntA("Axis", "Neg", 0, path_.c_str()), UINT(-360));
    EXPECT_EQ(GetInt("Nowhere", "FrameType", 100), 100);
    path_ = PathOf("absent.ini");
    EXPECT_EQ(GetInt("Axis", "FrameType", -1), -1);
    EXPECT_EQ(Get("Axis", "FrameType", "7000"), "7000");
}

TEST_F(ProfileTest, ResultIsCutToBufferSizeMinusOne) {
    std::string longValue(300, 'x');
    longValue[0] = 'a';
    ASSERT_TRUE(Write("Text", "Face", longValue.c_str()));
    EXPECT_EQ(Get("Text", "Face", "", 255), longValue.substr(0, 254));
    EXPECT_EQ(Get("Text", "Face", "", 32), longValue.substr(0, 31));
    EXPECT_EQ(Get("Text", "Face", "", 1), "");
    EXPECT_EQ(Get("Text", "Missing", "0123456789", 4), "012");
    EXPECT_EQ(kv::GetProfileString("Text", "Face", "", path_.c_str()), longValue);
    EXPECT_EQ(kv::GetProfileString("Text", "Missing", "def ", path_.c_str()), "def");

    // Nothing is written past the buffer.
    char buf[8];
    std::memset(buf, '#', sizeof buf);
    EXPECT_EQ(GetPrivateProfileStringA("Text", "Face", "", buf, 4, path_.c_str()), 3u);
    EXPECT_EQ(std::string(buf, 8), std::string("axx\0####", 8));
    EXPECT_EQ(GetPrivateProfileStringA("Text", "Face", "", buf, 0, path_.c_str()), 0u);
    EXPECT_EQ(buf[0], 'a');
}

TEST_F(ProfileTest, WritingCreatesFileSectionAndKey) {
    ASSERT_TRUE(Write("Window", "Left", "10"));
    EXPECT_EQ(ReadBytes(path_), "[Window]\nLeft=10\n");
    ASSERT_TRUE(Write("Window", "Top", "-20"));
    ASSERT_TRUE(Write("History", "File1", "D:\\data\\x.kv3"));
    ASSERT_TRUE(Write("window", "LEFT", "11"));  // in place, the stored spelling kept
    EXPECT_EQ(ReadBytes(path_),
              "[Window]\nLeft=11\nTop=-20\n[History]\nFile1=D:\\data\\x.kv3\n");
    EXPECT_EQ(GetInt("WINDOW", "top", 0), -20);
}

TEST_F(ProfileTest, WritingKeepsEveryOtherLineByteForByte) {
    // CR LF line ends, odd spacing, comments, CP932 bytes and a last line without
    // a line end.
    const std::string original =
        "; user settings\r\n"
        "[Window]\r\n"
        "  Left = 10 \r\n"
        "; keep me\r\n"
        "Top=20\r\n"
        "\r\n"
        "[Other]\r\n"
        "Name=\x93\xfa\x96\x7b\r\n"
        "editor=C:\\x.exe";
    WriteBytes(path_, original);

    ASSERT_TRUE(Write("WINDOW", "top", "-360"));
    std::string want = original;
    want.replace(want.find("Top=20"), 6, "Top=-360");
    EXPECT_EQ(ReadBytes(path_), want);

    // A new key goes after the section's last line, before the blank separator.
    ASSERT_TRUE(Write("Window", "Width", "640"));
    want.insert(want.find("\r\n\r\n[Other]") + 2, "Width=640\r\n");
    EXPECT_EQ(ReadBytes(path_), want);

    // In the last section, after a last line that had no line end.
    ASSERT_TRUE(Write("Other", "Font", "\x82\x6c\x82\x72 Gothic"));
    want += "\r\nFont=\x82\x6c\x82\x72 Gothic\r\n";
    EXPECT_EQ(ReadBytes(path_), want);

    ASSERT_TRUE(Write("New", "k", "v"));
    want += "[New]\r\nk=v\r\n";
    EXPECT_EQ(ReadBytes(path_), want);

    // Writing the value a key already has leaves the file as it is, spacing too.
    ASSERT_TRUE(Write("Window", "Left", "10"));
    EXPECT_EQ(ReadBytes(path_), want);
}

TEST_F(ProfileTest, ValuesAreWrittenAsTheyAre) {
    const char* raw = "\"a b\" = c\\d ;e %s";
    ASSERT_TRUE(Write("S", "k", raw));
    ASSERT_TRUE(Write("S", "q", "'quoted'"));
    ASSERT_TRUE(Write("S", "blank", "  padded  "));
    EXPECT_EQ(ReadBytes(path_),
              "[S]\nk=\"a b\" = c\\d ;e %s\nq='quoted'\nblank=  padded  \n");
    EXPECT_EQ(Get("S", "k", ""), raw);
    EXPECT_EQ(Get("S", "q", ""), "quoted");
    EXPECT_EQ(Get("S", "blank", ""), "padded");
}

TEST_F(ProfileTest, NullValueDeletesKeyAndNullKeyDeletesSection) {
    WriteBytes(path_, "[A]\nx=1\ny=2\n; note\n[B]\nx=3\n[a]\nX=4\nz=5\n");
    ASSERT_TRUE(Write("a", "x", nullptr));
    EXPECT_EQ(ReadBytes(path_), "[A]\ny=2\n; note\n[B]\nx=3\n[a]\nz=5\n");
    EXPECT_EQ(Get("A", "x", "gone"), "gone");

    // Deleting what is not there succeeds and does not touch the file.
    ASSERT_TRUE(Write("A", "nothing", nullptr));
    ASSERT_TRUE(Write("Nothing", nullptr, nullptr));
    EXPECT_EQ(ReadBytes(path_), "[A]\ny=2\n; note\n[B]\nx=3\n[a]\nz=5\n");

    ASSERT_TRUE(Write("A", nullptr, nullptr));
    EXPECT_EQ(ReadBytes(path_), "[B]\nx=3\n");
    EXPECT_EQ(Get("A", "y", "gone"), "gone");
    EXPECT_EQ(GetInt("B", "x", 0), 3);
}

TEST_F(ProfileTest, ListsSectionsAndKeys) {
    WriteBytes(path_, "[A]\nx=1\n;c=2\ny=2\n[B]\n[a]\nX=3\nz=4\n");
    EXPECT_EQ(Get(nullptr, nullptr, "ignored", 64), std::string("A\0B\0", 4));
    EXPECT_EQ(Get("a", nullptr, "ignored", 64), std::string("x\0y\0z\0", 6));
    EXPECT_EQ(Get("B", nullptr, "ignored", 64), "");

    char buf[7];
    EXPECT_EQ(GetPrivateProfileStringA("A", nullptr, "", buf, 7, path_.c_str()), 6u);
    EXPECT_EQ(std::string(buf, 7), std::string("x\0y\0z\0\0", 7));
    // Too small: the last name is cut and two zeros end the buffer.
    EXPECT_EQ(GetPrivateProfileStringA("A", nullptr, "", buf, 5, path_.c_str()), 3u);
    EXPECT_EQ(std::string(buf, 5), std::string("x\0y\0\0", 5));
}

TEST_F(ProfileTest, RefusesWritesThatWouldBreakTheFile) {
    ASSERT_TRUE(Write("S", "k", "first\r\n[Injected]\r\nx=1"));
    EXPECT_EQ(ReadBytes(path_), "[S]\nk=first\n");
    EXPECT_FALSE(Write("S", "a=b", "1"));
    EXPECT_FALSE(Write("S", "[T]", "1"));
    EXPECT_FALSE(Write("S", "", "1"));
    EXPECT_FALSE(Write("S\nT", "k", "1"));
    EXPECT_FALSE(Write(nullptr, "k", "1"));
    EXPECT_EQ(ReadBytes(path_), "[S]\nk=first\n");

    EXPECT_FALSE(WritePrivateProfileStringA("S", "k", "1", PathOf("no/such/dir.ini").c_str()));
    EXPECT_FALSE(WritePrivateProfileStringA("S", "k", "1", dir_.path().toStdString().c_str()));
}

TEST_F(ProfileTest, ReplacesTheFileWholeAndKeepsLinkAndMode) {
    std::string real = PathOf("real.ini");
    WriteBytes(real, "[S]\nk=1\n");
    ASSERT_EQ(::chmod(real.c_str(), 0640), 0);
    ASSERT_EQ(::symlink(real.c_str(), path_.c_str()), 0);

    ASSERT_TRUE(Write("S", "k", "2"));
    struct stat st;
    ASSERT_EQ(::lstat(path_.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(::stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(ReadBytes(real), "[S]\nk=2\n");
    // No temporary file is left beside it.
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::System | QDir::Hidden).size(), 2);
}

TEST_F(ProfileTest, BinaryGarbageIsKeptAndNeverCrashes) {
    const char raw[] = "\0\x01[\xff\n\r\r\n=\n[]]\n\x82=\n\0k=v\n[\n";
    std::string junk(raw, sizeof raw - 1);
    WriteBytes(path_, junk);
    EXPECT_EQ(Get("S", "k", "d"), "d");
    EXPECT_EQ(GetInt("", "k", 1), 1);
    ASSERT_TRUE(Write("S", "k", "v"));
    EXPECT_EQ(ReadBytes(path_), junk + "[S]\nk=v\n");
    EXPECT_EQ(Get("S", "k", "d"), "v");

    // A leading UTF-8 byte-order mark is not part of the first section's name.
    WriteBytes(path_, "\xEF\xBB\xBF[A]\nk=v\n");
    EXPECT_EQ(Get("A", "k", "d"), "v");
    ASSERT_TRUE(Write("A", "k", "w"));
    EXPECT_EQ(ReadBytes(path_), "\xEF\xBB\xBF[A]\nk=w\n");
}

TEST_F(ProfileTest, ManyKeysWrittenOneByOne) {
    // The whole-profile save rewrites every key of every section each time.
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < 300; ++i) {
            std::string key = "Key" + std::to_string(i);
            std::string value = std::to_string(i * 10 + round);
            ASSERT_TRUE(Write(i % 2 ? "Odd" : "Even", key.c_str(), value.c_str()));
        }
    }
    for (int i = 0; i < 300; ++i) {
        std::string key = "key" + std::to_string(i);
        EXPECT_EQ(GetInt(i % 2 ? "odd" : "even", key.c_str(), -1), i * 10 + 1);
    }
    std::string text = ReadBytes(path_);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 302);
}

// What the program does to a profile, as a list of calls: a null value deletes a
// key, a null key a section.
struct Call {
    const char* section;
    const char* key;
    const char* value;
};
const Call kCalls[] = {
    {"window", "TOP", "-360"},          // in place, the stored spelling kept
    {"Window", "Width", "640"},         // a new key before the blank separator
    {"Other", "Font", "\x82\x6c Gothic"},  // after a last line without a line end
    {"New", "k", "v"},                  // a new section at the end
    {"new", "K", "w"},                  // the new line changed again
    {"Window", "Left", "10"},           // the value it has: nothing changes
    {"Other", "editor", nullptr},       // a key deleted
    {"Gone", nullptr, nullptr},         // a section deleted, both of its copies
    {"Window", "Top", "1"},
    {"Later", "x", "1"},
};
const std::string kCalledOn =
    "; user settings\r\n"
    "[Window]\r\n"
    "  Left = 10 \r\n"
    "Top=20\r\n"
    "\r\n"
    "[Gone]\r\n"
    "a=1\r\n"
    "[Other]\r\n"
    "Name=\x93\xfa\x96\x7b\r\n"
    "[gone]\r\n"
    "b=2\r\n"
    "[Other]\r\n"
    "editor=C:\\x.exe";

TEST_F(ProfileTest, ABatchReadsOnceAndWritesOnceWhatSingleCallsWrite) {
    const std::string single = PathOf("single.ini");
    WriteBytes(single, kCalledOn);
    WriteBytes(path_, kCalledOn);
    for (const Call& c : kCalls) ASSERT_TRUE(WritePrivateProfileStringA(c.section, c.key, c.value, single.c_str()));
    {
        kv::ProfileBatch batch(path_);
        for (const Call& c : kCalls) ASSERT_TRUE(Write(c.section, c.key, c.value));
        // Read back from memory; the file has not changed yet.
        EXPECT_EQ(GetInt("WINDOW", "top", 0), 1);
        EXPECT_EQ(Get("New", "k", ""), "w");
        EXPECT_EQ(Get("Other", "editor", "none"), "none");
        EXPECT_EQ(Get(nullptr, nullptr, "", 64), std::string("Window\0Other\0New\0Later\0", 23));
        EXPECT_EQ(ReadBytes(path_), kCalledOn);
    }
    EXPECT_EQ(ReadBytes(path_), ReadBytes(single));
    EXPECT_NE(ReadBytes(path_), kCalledOn);

    // The file is read at the first call only: what changes on the disk later is
    // not read again within the batch.
    {
        kv::ProfileBatch batch(path_);
        EXPECT_EQ(GetInt("Window", "Top", 0), 1);
        WriteBytes(path_, "[Window]\nTop=2\n");
        EXPECT_EQ(GetInt("Window", "Top", 0), 1);
    }
    EXPECT_EQ(ReadBytes(path_), "[Window]\nTop=2\n");  // nothing changed, nothing written
}

TEST_F(ProfileTest, NestedBatchesWriteAtTheEndOfTheLastOrOnFlush) {
    WriteBytes(path_, "[S]\nk=1\n");
    {
        kv::ProfileBatch outer(path_);
        {
            kv::ProfileBatch inner(path_);
            ASSERT_TRUE(Write("S", "k", "2"));
        }
        EXPECT_EQ(ReadBytes(path_), "[S]\nk=1\n");
        ASSERT_TRUE(Write("S", "j", "3"));
        EXPECT_TRUE(outer.Flush());
        EXPECT_EQ(ReadBytes(path_), "[S]\nk=2\nj=3\n");
        // Written already: the end of the batch does not write it again.
        WriteBytes(path_, "changed by hand\n");
    }
    EXPECT_EQ(ReadBytes(path_), "changed by hand\n");

    // A batch that could not read its file never writes it.
    const std::string folder = PathOf("folder.ini");
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    {
        kv::ProfileBatch batch(folder);
        EXPECT_FALSE(WritePrivateProfileStringA("S", "k", "1", folder.c_str()));
        EXPECT_TRUE(batch.Flush());
    }
    struct stat st;
    ASSERT_EQ(::stat(folder.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
}

TEST_F(ProfileTest, LargeSectionsAndManySectionsOfOneName) {
    // 3,000 keys in one section, then 2,000 sections of the same name, each
    // repeating one of those keys and holding one of its own.
    std::string text = "[Big]\r\n";
    for (int i = 0; i < 3000; ++i) text += "Key" + std::to_string(i) + "=" + std::to_string(i) + "\r\n";
    for (int s = 0; s < 2000; ++s) {
        const std::string n = std::to_string(s);
        text += "[big]\r\nkey" + n + "=dup\r\nOwn" + n + "=" + n + "\r\n";
    }
    WriteBytes(path_, text);
    for (int i = 0; i < 3000; i += 7) EXPECT_EQ(GetInt("BIG", ("key" + std::to_string(i)).c_str(), -1), i) << i;
    for (int s = 0; s < 2000; s += 13) EXPECT_EQ(GetInt("Big", ("own" + std::to_string(s)).c_str(), -1), s) << s;
    std::string keys(1 << 16, '#');
    const DWORD n = GetPrivateProfileStringA("big", nullptr, "", keys.data(), DWORD(keys.size()), path_.c_str());
    EXPECT_EQ(std::count(keys.begin(), keys.begin() + n, '\0'), 5000);

    ASSERT_TRUE(Write("big", "New", "1"));  // in the first section, after its last key
    ASSERT_TRUE(Write("BIG", "key5", "five"));
    ASSERT_TRUE(Write("Big", "Own1999", "last"));
    std::string want = text;
    want.replace(want.find("Key5=5\r\n"), 8, "Key5=five\r\n");
    want.insert(want.find("[big]"), "New=1\r\n");
    want.replace(want.find("Own1999=1999"), 12, "Own1999=last");
    EXPECT_EQ(ReadBytes(path_), want);
    EXPECT_EQ(Get("Big", "key1999", ""), "1999");
    EXPECT_EQ(Get("Big", "new", ""), "1");
}

TEST_F(ProfileTest, AFileIsParsedAgainOnlyWhenItChanged) {
    WriteBytes(path_, "[S]\nk=1\nname=abc\n[T]\nx=5\n");
    std::uint64_t before = kv::ProfileParseCount();
    auto parsed = [&] {
        const std::uint64_t now = kv::ProfileParseCount();
        return now - std::exchange(before, now);
    };
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(GetInt("s", "K", 0), 1);
        EXPECT_EQ(Get("T", "x", ""), "5");
    }
    EXPECT_EQ(Get(nullptr, nullptr, "", 64), std::string("S\0T\0", 4));
    {
        kv::ProfileBatch batch(path_);
        EXPECT_EQ(Get("S", "name", ""), "abc");
    }
    EXPECT_EQ(parsed(), 1u);

    // Changed by someone else: each change is seen at the next read, which
    // parses it once.
    struct Change {
        const char* how;
        std::string bytes;
        bool inPlace;
        int want;
    };
    const Change changes[] = {
        {"a new file renamed over it", "[S]\nk=2\n", false, 2},
        {"rewritten in place, same size", "[S]\nk=3\n", true, 3},
        {"rewritten in place, longer", "[S]\nk=44\n", true, 44},
        {"emptied", "", true, -1},
    };
    for (const Change& c : changes) {
        if (c.inPlace) {
            WriteBytes(path_, c.bytes);
        } else {
            WriteBytes(path_ + ".new", c.bytes);
            ASSERT_EQ(std::rename((path_ + ".new").c_str(), path_.c_str()), 0);
        }
        EXPECT_EQ(GetInt("S", "k", -1), c.want) << c.how;
        EXPECT_EQ(GetInt("S", "k", -1), c.want) << c.how;
        EXPECT_EQ(parsed(), 1u) << c.how;
    }

    // Our writes and others' rewrites of the same size in turn, as fast as they
    // come (within one tick of a coarse file-system clock, their stamps can be
    // equal); then our own write is read back without parsing.
    for (int i = 0; i < 200; ++i) {
        const std::string value = std::to_string(i % 10);
        if (i % 2) {
            WriteBytes(path_, "[S]\nk=" + value + "\n");
        } else {
            ASSERT_TRUE(Write("S", "k", value.c_str()));
        }
        ASSERT_EQ(GetInt("S", "k", -1), i % 10) << i;
    }
    ASSERT_TRUE(Write("S", "k", "7"));
    parsed();
    for (int i = 0; i < 10; ++i) EXPECT_EQ(GetInt("S", "k", -1), 7);
    EXPECT_EQ(parsed(), 0u);
}

TEST_F(ProfileTest, APipeIsNeitherWaitedOnNorReplaced) {
    kvtest::MakeFifo(path_);
    kvtest::WithFifoWatchdog(path_, [&] {
        EXPECT_EQ(GetInt("Window", "left", 7), 7);
        EXPECT_EQ(Get("Window", "editor", "def"), "def");
        EXPECT_EQ(Get(nullptr, nullptr, "", 8), "");
        EXPECT_FALSE(Write("Window", "left", "1"));
        kv::ProfileBatch batch(path_);
        EXPECT_EQ(GetInt("Window", "left", 7), 7);
        EXPECT_FALSE(Write("Window", "left", "1"));
    });
    struct stat st;
    ASSERT_EQ(::lstat(path_.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

}  // namespace
