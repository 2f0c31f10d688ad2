// The profile: where it lies, the Window, History and Other sections written at a
// passed close check and read back at the next start; the history's rules.

#include "app_fixture.h"

#include "app/appenv.h"
#include "app/history.h"
#include "app/menus.h"
#include "platform/profile.h"
#include "support/helpers/fifo_watchdog.h"

#include <QToolBar>

#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

namespace {

using apptest::AppTest;

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The profile's path in the test's home folder.
std::string ProfileInHome() {
    return kv::app::ComputeProfilePath(std::getenv("HOME"), kv::app::LogonUserName(), "/nowhere/");
}

// Counts, through the kernel's file notifications, how often a file was opened
// and how often a new content took its name (a rename onto it, or a write to it
// closed).
class FileWatch {
public:
    explicit FileWatch(const std::string& path) {
        const std::size_t slash = path.rfind('/');
        name_ = path.substr(slash + 1);
        fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        ok_ = fd_ >= 0 &&
              ::inotify_add_watch(fd_, path.substr(0, slash).c_str(), IN_OPEN | IN_MOVED_TO | IN_CLOSE_WRITE) >= 0;
    }
    ~FileWatch() {
        if (fd_ >= 0) ::close(fd_);
    }
    bool Ok() const { return ok_; }
    struct Counts {
        int reads = 0;
        int writes = 0;
    };
    // What happened since the last call.
    Counts Take() {
        Counts c;
        alignas(inotify_event) char buf[1 << 16];
        ssize_t n;
        while ((n = ::read(fd_, buf, sizeof buf)) > 0) {
            for (char* p = buf; p < buf + n;) {
                const auto* e = reinterpret_cast<const inotify_event*>(p);
                if (e->len > 0 && name_ == e->name) {
                    if (e->mask & IN_OPEN) ++c.reads;
                    if (e->mask & (IN_MOVED_TO | IN_CLOSE_WRITE)) ++c.writes;
                }
                p += sizeof(inotify_event) + e->len;
            }
        }
        return c;
    }

private:
    int fd_ = -1;
    bool ok_ = false;
    std::string name_;
};

TEST(ProfilePath, HomeDirectoryElseProgramDirectory) {
    using kv::app::ComputeProfilePath;
    EXPECT_EQ(ComputeProfilePath("/home/user1", "user1", "/opt/k/"), "/home/user1/user1.korvida");
    // The separator is always put in, as a root home shows.
    EXPECT_EQ(ComputeProfilePath("/", "user1", "/opt/k/"), "//user1.korvida");
    EXPECT_EQ(ComputeProfilePath("", "user1", "/opt/k/"), "/opt/k/user1.korvida");
    EXPECT_EQ(ComputeProfilePath(nullptr, "user1", "/opt/k/"), "/opt/k/user1.korvida");
    // No fixed field: a long home directory is kept whole.
    const std::string home = "/" + std::string(400, 'h');
    EXPECT_EQ(ComputeProfilePath(home.c_str(), "u", "/opt/k/"), home + "/u.korvida");
    EXPECT_FALSE(kv::app::LogonUserName().empty());
}

TEST(History, EntriesMoveAsTheFilesAreUsed) {
    using kv::app::History;
    History h{"a", "b", "c", "d", "e"};
    kv::app::PushHistory(h, "c");
    EXPECT_EQ(h, (History{"c", "a", "b", "d", "e"}));
    kv::app::PushHistory(h, "c");
    EXPECT_EQ(h, (History{"c", "a", "b", "d", "e"}));
    kv::app::PushHistory(h, "f");
    EXPECT_EQ(h, (History{"f", "c", "a", "b", "d"}));
    // The last of several equal entries moves; the other stays where it was.
    History dup{"1", "x", "3", "x", "5"};
    kv::app::PushHistory(dup, "x");
    EXPECT_EQ(dup, (History{"x", "1", "x", "3", "5"}));
    // A drive letter is kept in upper case; other letters are compared exactly.
    History drives{"C:\\g\\a.kv3", "", "", "", ""};
    kv::app::PushHistory(drives, "c:\\g\\a.kv3");
    EXPECT_EQ(drives, (History{"C:\\g\\a.kv3", "", "", "", ""}));
    kv::app::PushHistory(drives, "C:\\G\\a.kv3");
    EXPECT_EQ(drives, (History{"C:\\G\\a.kv3", "C:\\g\\a.kv3", "", "", ""}));
    EXPECT_EQ(kv::app::HistoryMenuText(3, ""), "&3.");
}

TEST(History, GraphFileExtension) {
    for (const char* yes : {"a.kv3", "/d/A.KV3", "C:\\x\\y.kv3"}) EXPECT_TRUE(kv::app::IsGraphFile(yes)) << yes;
    for (const char* no : {"a.Kv3", "a.kV3", "a.kv3~", "a.kv", "kv3", "d.kv3/x", ""})
        EXPECT_FALSE(kv::app::IsGraphFile(no)) << no;
}

TEST_F(AppTest, WithoutAProfileEverySettingTakesItsDefault) {
    Start();
    TChartWindow* w = chart();
    EXPECT_EQ(w->Settings.HandleSizeSetting, 10);
    EXPECT_EQ(w->Settings.DataHitAlgorithm, 1);
    EXPECT_STREQ(w->Settings.DataDrive, "A:");
    EXPECT_STREQ(w->Settings.Editor, "");
    EXPECT_EQ(w->Settings.ReloadDataBeforePlot, 0);
    EXPECT_EQ(w->Settings.AutoScaleMargin, 10);
    EXPECT_EQ(w->Settings.WMFMargin, 60);
    EXPECT_EQ(w->Settings.DataPrecision, 0);
    EXPECT_EQ(w->ManualRefresh, 0);
    EXPECT_EQ(w->Settings.HeaderType + w->Settings.HeaderPosition + w->Settings.FooterType +
                  w->Settings.FooterPosition,
              0);
    EXPECT_TRUE(app->Frame->CommandBar()->isVisibleTo(app->Frame));
    for (const std::string& e : app->History) EXPECT_EQ(e, "");

    // The first passed close check writes every section.
    ASSERT_TRUE(app->Frame->close());
    const std::string text = ReadAll(app->ProfilePath());
    for (const char* section : {"[Window]", "[History]", "[Other]", "[Axis]", "[LAxis]", "[TAxis]", "[RAxis]",
                                "[PlotStyle]", "[MemoryPlotStyle]", "[Text]", "[Parts]"})
        EXPECT_NE(text.find(section), std::string::npos) << section;
    // Five free history entries are five empty values.
    for (int k = 1; k <= 5; ++k) {
        const std::string key = "file" + std::to_string(k) + "=";
        const auto at = text.find(key);
        ASSERT_NE(at, std::string::npos) << k;
        const char next = text[at + key.size()];
        EXPECT_TRUE(next == '\r' || next == '\n') << k;
    }
}

TEST_F(AppTest, EveryWindowHistoryAndOtherValueComesBack) {
    Start();
    TChartWindow* w = chart();
    w->Settings.HandleSizeSetting = 30;
    w->Settings.DataHitAlgorithm = 3;
    w->SetDataDrive("D:");
    lstrcpynA(w->Settings.Editor, "/usr/bin/editor --flag", sizeof w->Settings.Editor);
    w->ManualRefresh = 1;
    w->Settings.HeaderType = 2;
    w->Settings.HeaderPosition = 1;
    w->Settings.FooterType = 1;
    w->Settings.FooterPosition = 2;
    w->Settings.ReloadDataBeforePlot = 1;
    w->Settings.AutoScaleMargin = 25;
    w->Settings.WMFMargin = 120;
    w->Settings.DataPrecision = 1;
    app->History = {"/g/one.kv3", "", "/g/three.kv3", "/g/four.kv3", "/g/five.kv3"};
    app->Frame->setGeometry(40, 50, 640, 480);
    Run(55530);  // the command bar hidden
    ASSERT_FALSE(app->Frame->CommandBar()->isVisibleTo(app->Frame));
    app->SaveSettings();
    Stop();

    Start();
    w = chart();
    EXPECT_EQ(w->Settings.HandleSizeSetting, 30);
    EXPECT_EQ(w->Settings.DataHitAlgorithm, 3);
    EXPECT_STREQ(w->Settings.DataDrive, "D:");
    EXPECT_STREQ(w->Settings.Editor, "/usr/bin/editor --flag");
    EXPECT_EQ(w->ManualRefresh, 1);
    EXPECT_TRUE(app->Frame->MenuAction(146)->isChecked());
    EXPECT_EQ(w->Settings.HeaderType, 2);
    EXPECT_EQ(w->Settings.HeaderPosition, 1);
    EXPECT_EQ(w->Settings.FooterType, 1);
    EXPECT_EQ(w->Settings.FooterPosition, 2);
    EXPECT_EQ(w->Settings.ReloadDataBeforePlot, 1);
    EXPECT_EQ(w->Settings.AutoScaleMargin, 25);
    EXPECT_EQ(w->Settings.WMFMargin, 120);
    EXPECT_EQ(w->Settings.DataPrecision, 1);
    EXPECT_EQ(app->History, (kv::app::History{"/g/one.kv3", "", "/g/three.kv3", "/g/four.kv3", "/g/five.kv3"}));
    EXPECT_EQ(app->Frame->MenuAction(137)->text().toStdString(), "&3./g/three.kv3");
    EXPECT_EQ(app->Frame->MenuAction(136)->text().toStdString(), "&2.");
    EXPECT_EQ(app->Frame->geometry(), QRect(40, 50, 640, 480));
    EXPECT_FALSE(app->Frame->CommandBar()->isVisibleTo(app->Frame));
    EXPECT_FALSE(app->Frame->MenuAction(55530)->isChecked());
}

TEST_F(AppTest, StoredValuesAreReadByTheirRules) {
    struct Case {
        const char* section;
        const char* key;
        const char* value;
    };
    const Case cases[] = {
        {"Window", "handlesize", "31"}, {"Window", "datadrive", "D:\\data"}, {"Window", "CommandBar", "abc"},
        {"Window", "left", "10"},       {"Window", "right", "10"},            {"Window", "top", "20"},
        {"Window", "bottom", "220"},
    };
    Start();
    const std::string profile = app->ProfilePath();
    Stop();
    for (const Case& c : cases) WritePrivateProfileStringA(c.section, c.key, c.value, profile.c_str());
    Start();
    EXPECT_EQ(chart()->Settings.HandleSizeSetting, 10);
    EXPECT_STREQ(chart()->Settings.DataDrive, "D:");
    EXPECT_FALSE(app->Frame->CommandBar()->isVisibleTo(app->Frame));
    // left equal to right: the frame keeps the size it had, not a width of 0.
    EXPECT_GT(app->Frame->width(), 0);
    Stop();
    WritePrivateProfileStringA("Window", "CommandBar", "2", profile.c_str());
    Start();
    EXPECT_TRUE(app->Frame->CommandBar()->isVisibleTo(app->Frame));
}

TEST_F(AppTest, StartUpReadsTheProfileOnceAndACloseCheckWritesItOnceWithoutParsing) {
    const std::string profile = ProfileInHome();
    FileWatch watch(profile);
    if (!watch.Ok()) GTEST_SKIP() << "the system gives no file notifications to count reads and writes with";
    Start();
    ASSERT_EQ(app->ProfilePath(), profile);
    ASSERT_TRUE(app->Frame->close());  // the first close check makes the file
    FileWatch::Counts c = watch.Take();
    EXPECT_EQ(c.writes, 1);
    Stop();

    // The file written moments ago may be read once more to compare its bytes
    // with those written; it is parsed at most once, and the close check that
    // follows parses nothing.
    std::uint64_t parses = kv::ProfileParseCount();
    Start();
    c = watch.Take();
    EXPECT_LE(c.reads, 1);
    EXPECT_EQ(c.writes, 0);
    EXPECT_LE(kv::ProfileParseCount() - parses, 1u);
    chart()->Settings.AutoScaleMargin = 33;
    chart()->Defaults.DefaultText.Font.lfHeight = 321;
    parses = kv::ProfileParseCount();
    ASSERT_TRUE(chart()->CanClose());
    EXPECT_EQ(kv::ProfileParseCount() - parses, 0u);
    c = watch.Take();
    EXPECT_LE(c.reads, 1);
    EXPECT_EQ(c.writes, 1);
    Stop();
    Start();
    EXPECT_EQ(chart()->Settings.AutoScaleMargin, 33);
}

TEST_F(AppTest, AProfileThatIsAPipeGivesTheDefaultsWithoutWaiting) {
    const std::string profile = ProfileInHome();
    kvtest::MakeFifo(profile);
    kvtest::WithFifoWatchdog(profile, [&] {
        Start();
        EXPECT_EQ(chart()->Settings.HandleSizeSetting, 10);
        EXPECT_EQ(chart()->Settings.AutoScaleMargin, 10);
        EXPECT_TRUE(app->Frame->close());
        Stop();
    });
    struct stat st;
    ASSERT_EQ(::lstat(profile.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

}  // namespace
