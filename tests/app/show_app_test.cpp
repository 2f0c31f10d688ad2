// The program itself on a real display: `korvida some.kv3` shows that graph and
// `korvida` alone an empty page of one axis set. Runs when DISPLAY is set and the
// program, xdotool and ImageMagick's import are there; under Xvfb:
//   scripts/show-app.sh [build directory]
// KORVIDA_SHOT_DIR keeps the screenshots (some.png, empty.png) for a look.

#include "chart/chartwindow.h"
#include "model/graphfile.h"
#include "support/helpers/sample_document.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <cstdlib>

namespace {

constexpr COLORREF kPaper = RGB(255, 255, 200);

QString Tool(const char* name) { return QStandardPaths::findExecutable(QString::fromLatin1(name)); }

// Output of a short command, trimmed; empty on failure.
QString RunTool(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(10000) || p.exitCode() != 0) return {};
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

int CountColor(const QImage& img, QRgb rgb) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if ((img.pixel(x, y) & 0xFFFFFF) == (rgb & 0xFFFFFF)) ++n;
    return n;
}

class ShowApp : public ::testing::Test {
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
    }

    // Starts the program with args, waits for its main window titled title, and
    // takes a screenshot of that window into shot.
    QImage Show(const QStringList& args, const QString& title, const QString& shot) {
        QProcess korvida;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home_.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        korvida.setProcessEnvironment(env);
        korvida.start(program_, args);
        EXPECT_TRUE(korvida.waitForStarted(10000));
        QString window;
        QElapsedTimer timer;
        timer.start();
        while (window.isEmpty() && timer.elapsed() < 15000) {
            window = RunTool(xdotool_, {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                        QStringLiteral("--name"), QStringLiteral("^") + QRegularExpression::escape(title) + u'$'})
                         .section(u'\n', 0, 0);
            if (window.isEmpty()) QThread::msleep(200);
        }
        QImage img;
        if (window.isEmpty()) {
            ADD_FAILURE() << "no window titled " << title.toStdString();
        } else {
            QThread::msleep(1500);  // the first paint
            const QString file = QDir(shotDir_).filePath(shot);
            RunTool(import_, {QStringLiteral("-window"), window, file});
            EXPECT_TRUE(img.load(file)) << file.toStdString();
            std::printf("screenshot: %s\n", file.toLocal8Bit().constData());
        }
        korvida.terminate();
        if (!korvida.waitForFinished(5000)) {
            korvida.kill();
            korvida.waitForFinished(5000);
        }
        return img;
    }

    QString program_, xdotool_, import_, shotDir_;
    QTemporaryDir home_;
};

TEST_F(ShowApp, GraphNamedOnTheCommandLineAndTheEmptyPage) {
    // A graph with every kind of object on a page of its own colour.
    GraphDocument doc;
    doc.Env->PaperColor = kPaper;
    // The page as the program saves it without a printer: A4.
    doc.Env->PrintableWidth = A4PrintableWidth;
    doc.Env->PrintableHeight = A4PrintableHeight;
    doc.Env->PaperWidth = A4PaperWidth;
    doc.Env->PaperHeight = A4PaperHeight;
    doc.Env->PrintOffsetX = A4PrintOffset;
    doc.Env->PrintOffsetY = A4PrintOffset;
    doc.AxisSets.Flush();
    auto set = kvtest::MakeSampleBoxFrame();
    ASSERT_TRUE(doc.AxisSets.Add(set));
    doc.Current = doc.AxisSets[1];
    doc.CurrentNo = 1;
    const QString some = QDir(home_.path()).filePath(QStringLiteral("some.kv3"));
    ASSERT_EQ(WriteGraphFile(doc, some.toStdString()), 1);

    const QImage graph = Show({some}, QStringLiteral("Korvida - ") + some, QStringLiteral("some.png"));
    ASSERT_FALSE(graph.isNull());
    const QRgb paper = qRgb(GetRValue(kPaper), GetGValue(kPaper), GetBValue(kPaper));
    // The sheet in the graph's own colour fills much of the window.
    EXPECT_GT(CountColor(graph, paper), graph.width() * graph.height() / 10);

    const QImage empty = Show({}, QStringLiteral("Korvida - Untitled.kv3"), QStringLiteral("empty.png"));
    ASSERT_FALSE(empty.isNull());
    EXPECT_EQ(CountColor(empty, paper), 0);
    // A white sheet, and the one axis set: its frame in black, its mark in red.
    EXPECT_GT(CountColor(empty, qRgb(255, 255, 255)), empty.width() * empty.height() / 10);
    EXPECT_GT(CountColor(empty, qRgb(0, 0, 0)), 500);
    EXPECT_GT(CountColor(empty, qRgb(255, 0, 0)), 50);
}

}  // namespace
