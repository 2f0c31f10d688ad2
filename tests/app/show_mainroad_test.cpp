// The main road on a real display, driven with real key presses (xdotool, XTEST):
// start `korvida` with a fresh profile, Ctrl+D, type a data file's path into the
// file dialog, Enter through the data-reading and the plot-style dialogs, save the
// graph with File > Save As typing its name, quit with File > Exit, start
// `korvida that.kv3` and compare the page with the one before. Runs when DISPLAY is
// set and the program, xdotool and ImageMagick's import are there; it types into
// whatever has the focus, so run it on a display of its own:
//   scripts/show-app.sh [build directory]
// KORVIDA_SHOT_DIR keeps the screenshots (road-*.png) for a look.

#include "platform/stringtable.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

// The whole road stays well under a minute, also on a busy machine.
constexpr int kRoadBudgetMs = 50000;
constexpr int kWindowWaitMs = 15000;

QString Tool(const char* name) { return QStandardPaths::findExecutable(QString::fromLatin1(name)); }

// A title as a whole-name pattern for `xdotool search --name` (POSIX extended).
QString TitlePattern(const QString& title) {
    QString p = QStringLiteral("^");
    for (QChar c : title) {
        if (QStringLiteral(".[]{}()\\*+?^$|").contains(c)) p += u'\\';
        p += c;
    }
    return p + u'$';
}

bool IsDark(QRgb c) { return qRed(c) < 64 && qGreen(c) < 64 && qBlue(c) < 64; }

// The sheet in a screenshot of the main window: the box spanned by its outline and
// shadow, the longest dark horizontal lines in the picture (the axis frames are
// shorter). Empty when there is none.
QRect SheetRect(const QImage& img) {
    struct Run {
        int y, x0, x1;
    };
    std::vector<Run> runs;
    int longest = 0;
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width();) {
            if (!IsDark(img.pixel(x, y))) {
                ++x;
                continue;
            }
            const int x0 = x;
            while (x < img.width() && IsDark(img.pixel(x, y))) ++x;
            runs.push_back({y, x0, x - 1});
            longest = std::max(longest, x - x0);
        }
    }
    if (longest < 50) return {};
    QRect box;
    for (const Run& r : runs)
        if ((r.x1 - r.x0 + 1) * 100 >= longest * 95) box |= QRect(QPoint(r.x0, r.y), QPoint(r.x1, r.y));
    return box;
}

class ShowMainRoad : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::getenv("DISPLAY") || !*std::getenv("DISPLAY")) GTEST_SKIP() << "needs a display";
        program_ = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../korvida"));
        if (!QFileInfo(program_).isExecutable()) GTEST_SKIP() << "the program is not built";
        xdotool_ = Tool("xdotool");
        import_ = Tool("import");
        if (xdotool_.isEmpty() || import_.isEmpty()) GTEST_SKIP() << "needs xdotool and ImageMagick's import";
        ASSERT_TRUE(home_.isValid());
        const char* keep = std::getenv("KORVIDA_SHOT_DIR");
        shotDir_ = keep && *keep ? QString::fromLocal8Bit(keep) : home_.path();
        QDir().mkpath(shotDir_);
        road_.start();
    }

    void TearDown() override { Stop(); }

    int Left(int wanted) const { return int(std::min<qint64>(wanted, kRoadBudgetMs - road_.elapsed())); }

    // Output of a tool, trimmed; empty on failure or when it outlasts timeoutMs
    // (then it is killed).
    QString Run(const QString& program, const QStringList& args, int timeoutMs = 10000) {
        QProcess p;
        p.start(program, args);
        if (!p.waitForFinished(std::max(timeoutMs, 1))) {
            p.kill();
            p.waitForFinished(2000);
            return {};
        }
        if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) return {};
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }
    bool Xdo(const QStringList& args) {
        QProcess p;
        p.start(xdotool_, args);
        const bool done = p.waitForFinished(Left(10000));
        if (!done) {
            p.kill();
            p.waitForFinished(2000);
        }
        return done && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    }

    void Start(const QStringList& args) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home_.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), QDir(home_.path()).filePath(QStringLiteral(".config")));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        korvida_.setProcessEnvironment(env);
        korvida_.setWorkingDirectory(home_.path());
        korvida_.setProcessChannelMode(QProcess::ForwardedChannels);
        korvida_.start(program_, args);
        ASSERT_TRUE(korvida_.waitForStarted(10000));
    }
    // Ends the program however it is; never waits long.
    void Stop() {
        if (korvida_.state() == QProcess::NotRunning) return;
        korvida_.kill();
        korvida_.waitForFinished(5000);
    }

    // The first visible window titled title other than `other`, waited for with
    // `xdotool search --sync` in short slices so that a program that died is seen at
    // once. Empty when it did not come in time.
    QString WaitWindow(const QString& title, const QString& other = {}) {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < kWindowWaitMs && Left(kWindowWaitMs) > 0) {
            if (korvida_.state() != QProcess::Running) return {};
            const QStringList ids =
                Run(xdotool_,
                    {QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--onlyvisible"),
                     QStringLiteral("--name"), TitlePattern(title)},
                    Left(2000))
                    .split(u'\n', Qt::SkipEmptyParts);
            for (const QString& id : ids)
                if (id != other) return id;
            if (!ids.isEmpty()) QThread::msleep(100);  // only the one before: it is closing
        }
        return {};
    }

    // Real key presses into window: it gets the input focus first.
    bool Keys(const QString& window, const QStringList& keys) {
        return Xdo({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window}) &&
               Xdo(QStringList{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("50")} + keys);
    }
    bool Type(const QString& window, const QString& text) {
        return Xdo({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window}) &&
               Xdo({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"), text});
    }

    // A screenshot of window into the shot folder.
    QImage Shot(const QString& window, const QString& name, bool tell = true) {
        const QString file = QDir(shotDir_).filePath(name);
        QFile::remove(file);
        Run(import_, {QStringLiteral("-window"), window, file}, Left(10000));
        QImage img;
        if (img.load(file) && tell) std::printf("screenshot: %s\n", file.toLocal8Bit().constData());
        return img;
    }
    // A screenshot of the main window once it shows a page other than `before` and
    // has finished painting it: two in a row alike. Null when that does not come.
    QImage PageShot(const QString& window, const QString& name, const QImage& before = {}) {
        QImage last;
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < 10000 && Left(1) > 0) {
            QImage next = Shot(window, name, false);
            if (!next.isNull() && next == last && next != before && !SheetRect(next).isEmpty()) {
                std::printf("screenshot: %s\n", QDir(shotDir_).filePath(name).toLocal8Bit().constData());
                return next;
            }
            last = std::move(next);
            QThread::msleep(200);
        }
        return {};
    }

    QString program_, xdotool_, import_, shotDir_;
    QTemporaryDir home_;
    QProcess korvida_;
    QElapsedTimer road_;
};

TEST_F(ShowMainRoad, DataFileToSavedGraphAndBackWithRealKeys) {
    const QDir home(home_.path());
    const QString data = home.filePath(QStringLiteral("sample.dat"));
    {
        QFile f(data);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("1 2\n2 4\n3 3\n4 6\n5 5\n");
    }
    const QString graph = home.filePath(QStringLiteral("road.kv3"));

    ASSERT_NO_FATAL_FAILURE(Start({}));
    const QString main = WaitWindow(QStringLiteral("Korvida - Untitled.kv3"));
    ASSERT_FALSE(main.isEmpty()) << "no main window";
    const QImage empty = PageShot(main, QStringLiteral("road-empty.png"));
    ASSERT_FALSE(empty.isNull()) << "no page in the main window";

    // Ctrl+D: the data file dialog, Qt's own, takes a typed path and Enter.
    ASSERT_TRUE(Keys(main, {QStringLiteral("ctrl+d")}));
    const QString open = WaitWindow(QString::fromStdString(kv::LoadString(77)));
    ASSERT_FALSE(open.isEmpty()) << "no data file dialog after Ctrl+D";
    ASSERT_TRUE(Type(open, data));
    Shot(open, QStringLiteral("road-datafile.png"));
    ASSERT_TRUE(Keys(open, {QStringLiteral("Return")}));

    // The reading dialog and then the plot-style dialog, both titled by the file.
    const QString reading = WaitWindow(QStringLiteral("sample.dat"));
    ASSERT_FALSE(reading.isEmpty()) << "no data-reading dialog";
    Shot(reading, QStringLiteral("road-reading.png"));
    ASSERT_TRUE(Keys(reading, {QStringLiteral("Return")}));
    const QString style = WaitWindow(QStringLiteral("sample.dat"), reading);
    ASSERT_FALSE(style.isEmpty()) << "no plot-style dialog";
    Shot(style, QStringLiteral("road-style.png"));
    ASSERT_TRUE(Keys(style, {QStringLiteral("Return")}));

    // File > Save As (no accelerator: the menu by its mnemonics) with a typed name;
    // the caption then names the file.
    ASSERT_FALSE(WaitWindow(QStringLiteral("Korvida - Untitled.kv3")).isEmpty());
    const QImage plotted = PageShot(main, QStringLiteral("road-plotted.png"), empty);
    ASSERT_FALSE(plotted.isNull()) << "the page did not change";
    ASSERT_TRUE(Keys(main, {QStringLiteral("alt+f"), QStringLiteral("a")}));
    const QString save = WaitWindow(QString::fromStdString(kv::LoadString(73)));
    ASSERT_FALSE(save.isEmpty()) << "no save dialog after File > Save As";
    ASSERT_TRUE(Type(save, graph));
    ASSERT_TRUE(Keys(save, {QStringLiteral("Return")}));
    ASSERT_FALSE(WaitWindow(QStringLiteral("Korvida - ") + graph).isEmpty()) << "not saved";
    EXPECT_GT(QFileInfo(graph).size(), 0);

    // File > Exit: nothing is left unsaved, so it just ends.
    ASSERT_TRUE(Keys(main, {QStringLiteral("alt+f"), QStringLiteral("x")}));
    ASSERT_TRUE(korvida_.waitForFinished(Left(10000))) << "File > Exit did not end the program";
    EXPECT_EQ(korvida_.exitStatus(), QProcess::NormalExit);

    ASSERT_NO_FATAL_FAILURE(Start({graph}));
    const QString again = WaitWindow(QStringLiteral("Korvida - ") + graph);
    ASSERT_FALSE(again.isEmpty()) << "no main window for the saved graph";
    const QImage reopened = PageShot(again, QStringLiteral("road-reopened.png"));
    Stop();
    std::printf("main road: %lld ms\n", (long long)road_.elapsed());

    // The same page: the series and whatever it changed on the empty page (the
    // axis labels) are where they were, pixel for pixel.
    ASSERT_FALSE(reopened.isNull()) << "no page in the reopened main window";
    const QRect sheet = SheetRect(plotted), sheetAgain = SheetRect(reopened), sheetEmpty = SheetRect(empty);
    ASSERT_FALSE(sheet.isEmpty()) << "no page in road-plotted.png";
    ASSERT_EQ(sheetAgain.size(), sheet.size()) << "the page differs in size";
    ASSERT_EQ(sheetEmpty.size(), sheet.size());
    const QImage page = plotted.copy(sheet), pageAgain = reopened.copy(sheetAgain),
                 pageEmpty = empty.copy(sheetEmpty);
    int series = 0, seriesMoved = 0, moved = 0;
    for (int y = 0; y < page.height(); ++y) {
        for (int x = 0; x < page.width(); ++x) {
            const bool same = page.pixel(x, y) == pageAgain.pixel(x, y);
            if (!same) ++moved;
            if (page.pixel(x, y) != pageEmpty.pixel(x, y)) {
                ++series;
                if (!same) ++seriesMoved;
            }
        }
    }
    std::printf("page %dx%d: %d series pixels, %d of them differ; %d differ in all\n", page.width(),
                page.height(), series, seriesMoved, moved);
    EXPECT_GT(series, 100) << "no series drawn on the page";
    EXPECT_LE(seriesMoved * 100, series) << "the reopened graph's series is not where it was";
    EXPECT_LE(moved * 200, page.width() * page.height());
}

}  // namespace
