// Saving a graph file where the file or its folder is protected: a write-protected
// file is refused before anything changes; a writable file in a folder that takes
// no new file is written in place.
#include "model/graphfile.h"

#include "model/boxframe.h"
#include "platform/messagebox.h"
#include "platform/stringtable.h"

#include <gtest/gtest.h>

#include <sched.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const std::string& path, const std::string& bytes, mode_t mode) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    ASSERT_EQ(::chmod(path.c_str(), mode), 0);
}

std::string Serialized(const GraphDocument& doc) {
    opstream os;
    WriteGraphContent(os, *doc.Env, doc.AxisSets);
    return os.buffer();
}

ino_t Inode(const std::string& path) {
    struct stat st{};
    ::stat(path.c_str(), &st);
    return st.st_ino;
}

mode_t Mode(const std::string& path) {
    struct stat st{};
    ::stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

std::vector<std::string> Names(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The messages a failed save shows, in order.
const std::vector<std::string>& CannotCreate() {
    static const std::vector<std::string> texts = {kv::LoadString(24), kv::LoadString(25)};
    return texts;
}

// What one save did: its result, the messages shown, and whether the document is
// still marked modified.
struct SaveResult {
    int result = -1;
    std::vector<std::string> shown;
    int modified = -1;
};

SaveResult Save(const std::string& path) {
    kv::ScriptedMessageBoxes boxes;
    GraphDocument doc;
    doc.Env->Zoom = 175;
    doc.Modified = 1;
    SaveResult r;
    r.result = WriteGraphFile(doc, path);
    for (const kv::MessageBoxRequest& m : boxes.Shown()) r.shown.push_back(m.text);
    r.modified = doc.Modified;
    return r;
}

// Runs body where permission bits bind: directly for an ordinary user, and for
// the superuser in a child process inside a new user namespace, where the test's
// files belong to no mapped user. The body reports by its return value (0 = as
// expected), since a child's test assertions go nowhere. Nothing when the system
// offers no user namespaces to the superuser.
std::optional<int> WithPermissionsBinding(const std::function<int()>& body) {
    if (::geteuid() != 0) return body();
    const pid_t pid = ::fork();
    if (pid < 0) return std::nullopt;
    if (pid == 0) {
        if (::unshare(CLONE_NEWUSER) != 0) ::_exit(200);
        ::_exit(body());
    }
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return 1000;
    if (WEXITSTATUS(status) == 200) return std::nullopt;
    return WEXITSTATUS(status);
}

class GraphSaveTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/kv-graphsave-test-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
        ASSERT_EQ(::chmod(dir_.c_str(), 0777), 0);
    }
    void TearDown() override {
        ::chmod(dir_.c_str(), 0700);
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    std::string Path(const char* name) const { return dir_ + "/" + name; }
    std::string dir_;
};

TEST_F(GraphSaveTest, AWriteProtectedFileIsRefusedBeforeAnythingChanges) {
    // No write bit at all: refused for every user, the superuser included.
    const std::string path = Path("locked.kv3"), backup = Path("locked.kv3~");
    WriteFile(path, "old content", 0444);
    WriteFile(backup, "older content", 0644);
    const SaveResult r = Save(path);
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.shown, CannotCreate());
    EXPECT_EQ(r.modified, 1);
    EXPECT_EQ(ReadFile(path), "old content");
    EXPECT_EQ(Mode(path), 0444u);
    EXPECT_EQ(ReadFile(backup), "older content");
    EXPECT_EQ(Names(dir_), (std::vector<std::string>{"locked.kv3", "locked.kv3~"}));

    // A write bit back on: saved as usual, the backup holding the old content.
    ASSERT_EQ(::chmod(path.c_str(), 0644), 0);
    EXPECT_EQ(Save(path).result, 1);
    EXPECT_EQ(ReadFile(backup), "old content");
}

TEST_F(GraphSaveTest, InAFolderThatTakesNoNewFileOnlyAWritableFileIsWrittenInPlace) {
    const std::string open = Path("open.kv3"), openBackup = Path("open.kv3~");
    const std::string mine = Path("mine.kv3"), closed = Path("closed.kv3");
    WriteFile(open, "old content", 0666);  // writable by anyone
    WriteFile(openBackup, "older", 0666);
    WriteFile(mine, "mine", 0666);
    // Writable by its owner only, another user. An ordinary user cannot give a
    // file away: for it the file carries no write bit instead.
    WriteFile(closed, "not ours", 0644);
    if (::geteuid() == 0) ASSERT_EQ(::chown(closed.c_str(), 12345, 12345), 0);
    else ASSERT_EQ(::chmod(closed.c_str(), 0444), 0);
    const ino_t inode = Inode(open);
    GraphDocument expected;
    expected.Env->Zoom = 175;
    const std::string want = Serialized(expected);
    ASSERT_EQ(::chmod(dir_.c_str(), 0555), 0);

    // Each step's failure has its own code: the child's assertions go nowhere.
    const std::optional<int> failed = WithPermissionsBinding([&]() -> int {
        const SaveResult inPlace = Save(open);
        if (inPlace.result != 1 || !inPlace.shown.empty() || inPlace.modified != 0) return 1;
        if (ReadFile(open) != want) return 2;
        // Only the backup already there can take the old content.
        if (ReadFile(openBackup) != "old content") return 3;
        if (Save(mine).result != 1 || ReadFile(mine) != want) return 4;
        const SaveResult refused = Save(closed);
        if (refused.result != 0 || refused.shown != CannotCreate() || refused.modified != 1) return 5;
        const SaveResult fresh = Save(Path("new.kv3"));
        if (fresh.result != 0 || fresh.shown != CannotCreate()) return 6;
        return 0;
    });
    if (!failed) GTEST_SKIP() << "running as the superuser without user namespaces: a folder's "
                                 "permission bits cannot stop a write here";
    EXPECT_EQ(*failed, 0) << "the step that failed";
    EXPECT_EQ(Inode(open), inode) << "the same file, written over";
    EXPECT_EQ(Mode(open), 0666u);
    EXPECT_EQ(ReadFile(closed), "not ours");
    // No backup of mine.kv3 and no temporary file could be made.
    EXPECT_EQ(Names(dir_), (std::vector<std::string>{"closed.kv3", "mine.kv3", "open.kv3", "open.kv3~"}));
}

}  // namespace
