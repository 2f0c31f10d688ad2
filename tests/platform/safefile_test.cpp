#include "platform/safefile.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

std::string Content(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class SafeFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/kv-safefile-test-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    int Files() const {
        int n = 0;
        for (const auto& e : std::filesystem::directory_iterator(dir_)) n += e.is_regular_file();
        return n;
    }
    std::string dir_;
};

TEST_F(SafeFileTest, TheTargetChangesOnlyOnCommit) {
    const std::string path = dir_ + "/doc.kv3";
    std::ofstream(path) << "old";
    {
        kv::ReplacingFileWriter w(path);
        ASSERT_NE(w.File(), nullptr);
        std::fputs("new", w.File());
        EXPECT_EQ(Content(path), "old");
    }  // dropped without commit
    EXPECT_EQ(Content(path), "old");
    EXPECT_EQ(Files(), 1);

    kv::ReplacingFileWriter w(path);
    std::fputs("new", w.File());
    EXPECT_TRUE(w.Commit());
    EXPECT_EQ(Content(path), "new");
    EXPECT_EQ(Files(), 1);
    EXPECT_FALSE(w.Commit());

    kv::ReplacingFileWriter nowhere(dir_ + "/no/such/dir/x");
    EXPECT_EQ(nowhere.File(), nullptr);
    EXPECT_FALSE(nowhere.Commit());
}

TEST_F(SafeFileTest, PreservedContentSurvivesTheReplacement) {
    const std::string path = dir_ + "/doc.kv3", backup = dir_ + "/doc.kv3~";
    std::ofstream(backup) << "older";
    std::ofstream(path) << "old";
    ASSERT_TRUE(kv::PreserveAs(path, backup));
    kv::ReplacingFileWriter w(path);
    std::fputs("new", w.File());
    ASSERT_TRUE(w.Commit());
    EXPECT_EQ(Content(backup), "old");
    EXPECT_EQ(Content(path), "new");
    EXPECT_FALSE(kv::PreserveAs(dir_ + "/missing", backup));

    // A file that will be written over in place keeps its backup apart.
    ASSERT_TRUE(kv::PreserveAs(path, backup, true));
    std::ofstream(path) << "newer";
    EXPECT_EQ(Content(backup), "new");
}

// The previous backup stays whole until a new one is complete: when none can be
// made, it is still there as it was, and nothing half made is left beside it.
TEST_F(SafeFileTest, TheBackupIsKeptWhenNoNewOneCanBeMade) {
    const std::string path = dir_ + "/doc.kv3", backup = dir_ + "/doc.kv3~";
    std::ofstream(backup) << "older";
    // The file went away before its backup was taken.
    EXPECT_FALSE(kv::PreserveAs(dir_ + "/gone.kv3", backup));
    EXPECT_FALSE(kv::PreserveAs(dir_ + "/gone.kv3", backup, true));
    EXPECT_EQ(Content(backup), "older");
    EXPECT_EQ(Files(), 1);

    // The copy of a file written over in place fails half way (the disk takes no
    // more than 16 KiB per file).
    std::ofstream(path, std::ios::binary) << std::string(1 << 16, 'n');
    std::ofstream(backup) << "older";
    struct rlimit before;
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &before), 0);
    struct rlimit small = before;
    small.rlim_cur = 1 << 14;
    void (*previous)(int) = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool preserved = kv::PreserveAs(path, backup, true);
    ::setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, previous);
    EXPECT_FALSE(preserved);
    EXPECT_TRUE(Content(backup) == "older") << Content(backup).size() << " bytes";
    EXPECT_EQ(Files(), 2);

    // A backup that already is the file (a save that failed after it) stays so.
    const std::string whole(1 << 16, 'n');
    ASSERT_TRUE(kv::PreserveAs(path, backup));
    ASSERT_TRUE(kv::PreserveAs(path, backup));
    EXPECT_TRUE(Content(backup) == whole);
    EXPECT_EQ(Files(), 2);
    // Written over in place: a copy of its own, so the in-place write leaves it.
    ASSERT_TRUE(kv::PreserveAs(path, backup, true));
    std::ofstream(path, std::ios::binary | std::ios::in) << "N";
    EXPECT_TRUE(Content(backup) == whole);
    EXPECT_EQ(Files(), 2);
}

TEST_F(SafeFileTest, WholeFilesAndExtensions) {
    std::string bytes;
    EXPECT_FALSE(kv::ReadWholeFile(dir_ + "/missing", bytes));
    EXPECT_FALSE(kv::ReadWholeFile(dir_, bytes));
    // A pipe without a writer is refused at once instead of waited on.
    ASSERT_EQ(::mkfifo((dir_ + "/pipe").c_str(), 0600), 0);
    EXPECT_FALSE(kv::ReadWholeFile(dir_ + "/pipe", bytes));
    EXPECT_EQ(kv::OpenRegularFile(dir_ + "/pipe"), nullptr);
    const std::string path = dir_ + "/bin";
    std::ofstream(path, std::ios::binary) << std::string("a\0b\r\n", 5);
    ASSERT_TRUE(kv::ReadWholeFile(path, bytes));
    EXPECT_EQ(bytes, std::string("a\0b\r\n", 5));
    std::ofstream(path, std::ios::trunc);
    ASSERT_TRUE(kv::ReadWholeFile(path, bytes));
    EXPECT_TRUE(bytes.empty());

    EXPECT_EQ(kv::ReplaceExtension("/d/graph.kv3", ".kv3~"), "/d/graph.kv3~");
    EXPECT_EQ(kv::ReplaceExtension("/d/graph.old.KV3", ".kv3~"), "/d/graph.old.kv3~");
    EXPECT_EQ(kv::ReplaceExtension("/d.x/graph", ".kv3~"), "/d.x/graph.kv3~");
    EXPECT_EQ(kv::ReplaceExtension("graph", ".kv3~"), "graph.kv3~");
}

}  // namespace
