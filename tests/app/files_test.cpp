// The graph-file commands: open, add, save, save as, new, the close check and the
// save behind it; the history's reopening and the command line.

#include "app_fixture.h"

#include "app/history.h"
#include "app/menus.h"
#include "platform/cformat.h"
#include "platform/paths.h"
#include "platform/stringtable.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>

#include <unistd.h>

#include <cstdio>
#include <fstream>

namespace {

using apptest::AppTest;

constexpr DWORD kGraphDialogFlags = 0x81806;

bool Exists(const std::string& path) { return kv::FileExists(path); }

// An axis set holding a series made in memory, stored as parameters only: a graph
// that cannot be saved.
void AddParameterOnlyMemorySet(TChartWindow* w) {
    auto set = std::make_unique<BoxFrame>();
    set->IsOnlyParameter = 1;
    auto plot = std::make_unique<TPlot>();
    plot->IsFileData = 0;
    set->PlotList.Add(plot);
    w->Document.AxisSets.Add(set);
}

TEST_F(AppTest, OpenReadsTheChosenGraphAndNamesTheDocument) {
    const std::string path = WriteGraph("two.kv3", 2);
    Start();
    files.Choose({path});
    ASSERT_TRUE(Run(CM_FILEOPEN));
    ASSERT_EQ(files.Shown().size(), 1u);
    const kv::FileDialogRequest& r = files.Shown()[0];
    EXPECT_EQ(r.kind, kv::FileDialogKind::Open);
    EXPECT_EQ(r.title, "ｸﾞﾗﾌﾌｧｲﾙのｵｰﾌﾟﾝ");
    ASSERT_EQ(r.filters.size(), 1u);
    EXPECT_EQ(r.filters[0].description, "Korvida File (*.kv3)");
    EXPECT_EQ(r.filters[0].pattern, "*.kv3");
    EXPECT_EQ(r.filterIndex, 1);
    EXPECT_EQ(r.flags, kGraphDialogFlags);
    EXPECT_EQ(r.defExt, "kv3");
    EXPECT_EQ(r.owner, static_cast<QWidget*>(app->Frame));
    EXPECT_TRUE(boxes.Shown().empty());

    EXPECT_EQ(chart()->Document.AxisSets.GetItemsInContainer(), 2);
    EXPECT_EQ(chart()->FileName, path);
    EXPECT_EQ(chart()->Document.Modified, 0);
    EXPECT_EQ(app->Frame->windowTitle().toStdString(), "Korvida - " + path);
    EXPECT_EQ(app->History[0], path);
    EXPECT_EQ(app->Frame->MenuAction(CM_HISTORY1)->text().toStdString(), "&1." + path);
    EXPECT_EQ(app->FileNameBuffer, path);
    // The page is fitted to the paper again.
    EXPECT_EQ(app->StatusBar()->GetGadgetText(1), kv::Format("%3d%%", chart()->Document.Env->Zoom));
}

TEST_F(AppTest, OpenAcceptsOnlyTheTwoSpellingsOfTheExtension) {
    struct Case {
        const char* name;
        bool opened;
    };
    for (const Case c : {Case{"DATA.Kv3", false}, Case{"DATA.kV3", false}, Case{"DATA.kv3", true},
                         Case{"DATA.KV3", true}, Case{"DATA.dat", false}}) {
        SCOPED_TRACE(c.name);
        const std::string path = WriteGraph(c.name, 3);
        Start();
        boxes.Clear();
        files.Choose({path});
        Run(CM_FILEOPEN);
        if (c.opened) {
            EXPECT_TRUE(boxes.Shown().empty());
            EXPECT_EQ(chart()->Document.AxisSets.GetItemsInContainer(), 3);
            EXPECT_EQ(chart()->FileName, path);
        } else {
            ASSERT_EQ(boxes.Shown().size(), 1u);
            EXPECT_EQ(boxes.Shown()[0].text, kv::LoadString(16));
            EXPECT_EQ(boxes.Shown()[0].caption, "korvida");
            EXPECT_EQ(boxes.Shown()[0].flags, MB_OK | MB_ICONSTOP);
            EXPECT_EQ(chart()->Document.AxisSets.GetItemsInContainer(), 1);
            EXPECT_EQ(chart()->FileName, "Untitled.kv3");
            EXPECT_EQ(app->History[0], "");
        }
        Stop();
        std::remove(path.c_str());
    }
}

TEST_F(AppTest, OpenThatFailsLeavesNameHistoryAndDocument) {
    Start();
    const std::string kept = WriteGraph("kept.kv3", 2);
    files.Choose({kept});
    Run(CM_FILEOPEN);
    ASSERT_EQ(chart()->FileName, kept);

    // A file that is not there: the reader's message, nothing else.
    files.Choose({PathIn("gone.kv3")});
    Run(CM_FILEOPEN);
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, kv::LoadString(18));
    EXPECT_EQ(chart()->FileName, kept);
    EXPECT_EQ(chart()->Document.AxisSets.GetItemsInContainer(), 2);
    EXPECT_EQ(app->History[0], kept);
    EXPECT_EQ(app->Frame->windowTitle().toStdString(), "Korvida - " + kept);

    // Cancelled dialog: nothing at all; a failed dialog: its error number.
    boxes.Clear();
    files.Cancel();
    Run(CM_FILEOPEN);
    EXPECT_TRUE(boxes.Shown().empty());
    files.Fail(FNERR_INVALIDFILENAME);
    Run(CM_FILEOPEN);
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, "Error No. #12290");
    EXPECT_EQ(boxes.Shown()[0].caption, "WARNING");
    EXPECT_EQ(boxes.Shown()[0].flags, MB_OK | MB_ICONSTOP);
}

TEST_F(AppTest, OpenOnAModifiedGraphAsksFirstAndCancelStopsEverything) {
    Start();
    chart()->Document.Modified = 1;
    boxes.Answer(IDCANCEL);
    Run(CM_FILEOPEN);
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, "ディスクに保存しますか?");
    EXPECT_EQ(boxes.Shown()[0].caption, "グラフは更新されています");
    EXPECT_EQ(boxes.Shown()[0].flags, MB_YESNOCANCEL | MB_ICONQUESTION);
    EXPECT_TRUE(files.Shown().empty());
    EXPECT_EQ(chart()->Document.Modified, 1);
    // The profile is written only by a close check that passed.
    EXPECT_FALSE(Exists(app->ProfilePath()));
    boxes.Answer(IDNO);
    files.Cancel();
    Run(CM_FILEOPEN);
    EXPECT_TRUE(Exists(app->ProfilePath()));
}

TEST_F(AppTest, PathTooLongForTheDocumentsFieldIsRefused) {
    Start();
    const std::string longPath = "/" + std::string(260, 'a') + ".kv3";
    files.Choose({longPath});
    Run(CM_FILEOPEN);
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, "Error No. #12291");
    EXPECT_EQ(chart()->FileName, "Untitled.kv3");
    EXPECT_EQ(app->FileNameBuffer, "");
}

TEST_F(AppTest, AddAppendsAxisSetsMarksModifiedAndKeepsTheName) {
    const std::string path = WriteGraph("more.kv3", 2);
    Start();
    files.Choose({path});
    ASSERT_TRUE(Run(CM_FILEADD));
    ASSERT_EQ(files.Shown().size(), 1u);
    EXPECT_EQ(files.Shown()[0].title, "ｸﾞﾗﾌの追加");
    EXPECT_EQ(files.Shown()[0].kind, kv::FileDialogKind::Open);
    EXPECT_EQ(chart()->Document.AxisSets.GetItemsInContainer(), 3);
    EXPECT_EQ(chart()->Document.CurrentNo, 1);
    EXPECT_EQ(chart()->Document.Modified, 1);
    EXPECT_EQ(chart()->FileName, "Untitled.kv3");
    EXPECT_EQ(app->Frame->windowTitle().toStdString(), "Korvida - Untitled.kv3");
    EXPECT_EQ(app->History[0], path);
    // No close check ran.
    EXPECT_TRUE(boxes.Shown().empty());

    // Save as proposes the added file's name.
    files.Cancel();
    Run(CM_FILESAVEAS);
    ASSERT_EQ(files.Shown().size(), 2u);
    EXPECT_EQ(files.Shown()[1].fileName, path);

    // A file that cannot be read adds nothing and leaves the flag and history.
    chart()->Document.Modified = 0;
    files.Choose({PathIn("missing.kv3")});
    Run(CM_FILEADD);
    EXPECT_EQ(boxes.Shown().back().text, kv::LoadString(18));
    EXPECT_EQ(boxes.Shown().back().flags, MB_OK | MB_ICONSTOP);
    EXPECT_EQ(chart()->Document.AxisSets.GetItemsInContainer(), 3);
    EXPECT_EQ(chart()->Document.Modified, 0);
    EXPECT_EQ(app->History[1], "");
}

TEST_F(AppTest, SaveOfAnUntitledGraphAsksThenProposesUntitledAndForcesTheExtension) {
    Start();
    chart()->Document.Modified = 1;
    boxes.Answer(IDOK);
    files.Choose({PathIn("out.txt")});
    ASSERT_TRUE(Run(CM_FILESAVE));
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, "上書きをしてもよろしいですか?");
    EXPECT_EQ(boxes.Shown()[0].caption, "Caution!!");
    EXPECT_EQ(boxes.Shown()[0].flags, MB_OKCANCEL | MB_ICONQUESTION);
    ASSERT_EQ(files.Shown().size(), 1u);
    const kv::FileDialogRequest& r = files.Shown()[0];
    EXPECT_EQ(r.kind, kv::FileDialogKind::Save);
    EXPECT_EQ(r.fileName, "Untitled.kv3");
    EXPECT_EQ(r.title, "ファイルを保存します ");
    // A save may name a new file, and asks before replacing one.
    EXPECT_EQ(r.flags & OFN_FILEMUSTEXIST, 0u);
    EXPECT_NE(r.flags & OFN_OVERWRITEPROMPT, 0u);

    const std::string saved = PathIn("out.kv3");
    EXPECT_TRUE(Exists(saved));
    EXPECT_FALSE(Exists(PathIn("out.txt")));
    EXPECT_EQ(chart()->FileName, saved);
    EXPECT_EQ(chart()->Document.Modified, 0);
    EXPECT_EQ(app->Frame->windowTitle().toStdString(), "Korvida - " + saved);
    EXPECT_EQ(app->History[0], saved);

    // Saved again under its name: no dialog, the old file kept as the backup.
    boxes.Answer(IDOK);
    Run(CM_FILESAVE);
    EXPECT_EQ(files.Shown().size(), 1u);
    EXPECT_TRUE(Exists(PathIn("out.kv3~")));

    // Cancel at the question writes nothing.
    std::remove(saved.c_str());
    boxes.Answer(IDCANCEL);
    Run(CM_FILESAVE);
    EXPECT_FALSE(Exists(saved));
}

TEST_F(AppTest, SaveAsTheForcedNameOfAnExistingFileAsksFirst) {
    Start();
    const std::string existing = WriteGraph("taken.kv3", 2);
    files.Choose({PathIn("taken.dat")});
    boxes.Answer(IDCANCEL);
    Run(CM_FILESAVEAS);
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, "上書きをしてもよろしいですか?");
    // Left alone: still the two axis sets written above.
    GraphDocument doc;
    ASSERT_EQ(::ReadGraphFile(doc, existing), 1);
    EXPECT_EQ(doc.AxisSets.GetItemsInContainer(), 2);
    EXPECT_EQ(chart()->FileName, "Untitled.kv3");
}

TEST_F(AppTest, SaveAsWritesUnderTheNewNameWithParameterOnlySetsWithoutColumns) {
    Start();
    chart()->Document.Modified = 1;
    chart()->Document.Current->IsOnlyParameter = 1;
    auto plot = std::make_unique<TPlot>();
    plot->IsFileData = 1;
    chart()->Document.Current->PlotList.Add(plot);
    files.Choose({PathIn("as")});
    ASSERT_TRUE(Run(CM_FILESAVEAS));
    ASSERT_EQ(files.Shown().size(), 1u);
    EXPECT_EQ(files.Shown()[0].title, "数値ﾃﾞｰﾀと共にｸﾞﾗﾌを保存");
    EXPECT_EQ(files.Shown()[0].kind, kv::FileDialogKind::Save);
    EXPECT_TRUE(boxes.Shown().empty());
    const std::string saved = PathIn("as.kv3");
    EXPECT_TRUE(Exists(saved));
    EXPECT_EQ(chart()->FileName, saved);
    EXPECT_EQ(chart()->Document.Modified, 0);
    EXPECT_EQ(chart()->Document.Current->PlotList[1]->IsOnlyParameter, 1);
    EXPECT_EQ(app->History[0], saved);
}

TEST_F(AppTest, MemoryDataInAParameterOnlySetBlocksEverySave) {
    Start();
    AddParameterOnlyMemorySet(chart());
    chart()->Document.Modified = 1;
    for (int id : {CM_FILESAVE, CM_FILESAVEAS}) {
        boxes.Clear();
        Run(id);
        ASSERT_EQ(boxes.Shown().size(), 1u) << id;
        EXPECT_EQ(boxes.Shown()[0].text, kv::LoadString(29));
        EXPECT_EQ(boxes.Shown()[0].caption, "Axis No.2");
        EXPECT_EQ(boxes.Shown()[0].flags, MB_OK | MB_ICONSTOP);
    }
    EXPECT_TRUE(files.Shown().empty());
    // The save behind the close check checks too, and the close is refused.
    boxes.Clear();
    boxes.Answer(IDYES);
    EXPECT_EQ(app->Frame->close(), false);
    ASSERT_EQ(boxes.Shown().size(), 2u);
    EXPECT_EQ(boxes.Shown()[1].caption, "Axis No.2");
    EXPECT_TRUE(files.Shown().empty());
    EXPECT_EQ(chart()->Document.Modified, 1);
}

TEST_F(AppTest, AFailedWriteKeepsTheDocumentModifiedAndTheCloseRefused) {
    Start();
    chart()->Document.Modified = 1;
    boxes.Answer(IDYES);
    files.Choose({PathIn("no/such/dir/x.kv3")});
    EXPECT_FALSE(app->Frame->close());
    ASSERT_EQ(boxes.Shown().size(), 3u);
    EXPECT_EQ(boxes.Shown()[1].text, kv::LoadString(24));
    EXPECT_EQ(boxes.Shown()[2].text, kv::LoadString(25));
    EXPECT_EQ(chart()->Document.Modified, 1);
    EXPECT_EQ(chart()->FileName, "Untitled.kv3");
    EXPECT_EQ(app->History[0], "");
    EXPECT_FALSE(Exists(app->ProfilePath()));
}

TEST_F(AppTest, CloseCheckAnswers) {
    struct Case {
        int answer;
        bool chooseFile;
        bool closes;
        bool saved;
    };
    for (const Case c : {Case{IDCANCEL, false, false, false}, Case{IDNO, false, true, false},
                         Case{IDYES, false, false, false}, Case{IDYES, true, true, true}}) {
        SCOPED_TRACE(c.answer * 10 + c.chooseFile);
        Start();
        chart()->Document.Modified = 1;
        boxes.Answer(c.answer);
        if (c.chooseFile) files.Choose({PathIn("closing.kv3")});
        EXPECT_EQ(app->Frame->close(), c.closes);
        EXPECT_EQ(Exists(PathIn("closing.kv3")), c.saved);
        // The profile is written exactly when the close check passed.
        EXPECT_EQ(Exists(app->ProfilePath()), c.closes);
        std::remove(PathIn("closing.kv3").c_str());
        std::remove(app->ProfilePath().c_str());
        Stop();
    }
    // Not modified: nothing asked, closes, profile written.
    Start();
    boxes.Clear();
    EXPECT_TRUE(app->Frame->close());
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_TRUE(Exists(app->ProfilePath()));
}

TEST_F(AppTest, ExitRunsTheCloseCheck) {
    Start();
    app->Frame->show();
    chart()->Document.Modified = 1;
    boxes.Answer(IDCANCEL);
    ASSERT_TRUE(Run(CM_EXIT));
    EXPECT_TRUE(app->Frame->isVisible());
    boxes.Answer(IDNO);
    ASSERT_TRUE(Run(CM_EXIT));
    EXPECT_FALSE(app->Frame->isVisible());
    EXPECT_TRUE(Exists(app->ProfilePath()));
}

TEST_F(AppTest, NewAsksOnlyForAModifiedGraph) {
    const std::string path = WriteGraph("three.kv3", 3);
    Start();
    files.Choose({path});
    Run(CM_FILEOPEN);
    ASSERT_EQ(chart()->Document.AxisSets.GetItemsInContainer(), 3);
    std::remove(app->ProfilePath().c_str());

    // Not modified: no question, no profile, one new axis set.
    ASSERT_TRUE(Run(CM_FILENEW));
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_FALSE(Exists(app->ProfilePath()));
    EXPECT_EQ(chart()->Document.AxisSets.GetItemsInContainer(), 1);
    EXPECT_EQ(chart()->Document.CurrentNo, 1);
    EXPECT_EQ(chart()->FileName, "Untitled.kv3");
    EXPECT_EQ(app->Frame->windowTitle().toStdString(), "Korvida - Untitled.kv3");
    EXPECT_EQ(chart()->Document.Modified, 0);

    // Modified, Cancel: unchanged.
    files.Choose({path});
    Run(CM_FILEOPEN);
    chart()->Document.Modified = 1;
    boxes.Answer(IDCANCEL);
    Run(CM_FILENEW);
    EXPECT_EQ(chart()->Document.AxisSets.GetItemsInContainer(), 3);
    EXPECT_EQ(chart()->FileName, path);
    EXPECT_EQ(app->Frame->windowTitle().toStdString(), "Korvida - " + path);

    // The close command, sent as a command, behaves as New.
    boxes.Answer(IDNO);
    ASSERT_TRUE(Run(CM_FILECLOSE));
    EXPECT_EQ(chart()->Document.AxisSets.GetItemsInContainer(), 1);
    EXPECT_EQ(chart()->FileName, "Untitled.kv3");
    EXPECT_TRUE(Exists(app->ProfilePath()));
}

TEST_F(AppTest, HistoryKeepsFiveEntriesAndReopens) {
    std::vector<std::string> paths;
    for (int i = 1; i <= 6; ++i) paths.push_back(WriteGraph("h" + std::to_string(i) + ".kv3", i % 3 + 1));
    Start();
    for (const std::string& p : paths) {
        files.Choose({p});
        Run(CM_FILEOPEN);
    }
    // Most recent first; the first file fell off.
    for (int k = 0; k < 5; ++k) EXPECT_EQ(app->History[std::size_t(k)], paths[std::size_t(5 - k)]) << k;
    for (int k = 1; k <= 5; ++k)
        EXPECT_EQ(app->Frame->MenuAction(134 + k)->text().toStdString(),
                  "&" + std::to_string(k) + "." + paths[std::size_t(6 - k)]);

    // Entry 3 reopens and moves to the top; 1 and 2 move down; 4 and 5 stay.
    ASSERT_TRUE(Run(CM_HISTORY3));
    EXPECT_EQ(chart()->FileName, paths[3]);
    EXPECT_EQ(chart()->Document.AxisSets.GetItemsInContainer(), 4 % 3 + 1);
    const std::vector<std::string> expected = {paths[3], paths[5], paths[4], paths[2], paths[1]};
    EXPECT_EQ(std::vector<std::string>(app->History.begin(), app->History.end()), expected);

    // A file that has gone: the reader's message; name, caption and history stay.
    std::remove(paths[1].c_str());
    Run(CM_HISTORY5);
    EXPECT_EQ(boxes.Shown().back().text, kv::LoadString(18));
    EXPECT_EQ(chart()->FileName, paths[3]);
    EXPECT_EQ(std::vector<std::string>(app->History.begin(), app->History.end()), expected);
}

TEST_F(AppTest, FreeHistoryEntryOnAModifiedGraphAsksThenRefuses) {
    Start();
    chart()->Document.Modified = 1;
    boxes.Answer(IDNO);
    Run(CM_HISTORY2);
    ASSERT_EQ(boxes.Shown().size(), 2u);
    EXPECT_EQ(boxes.Shown()[0].text, "ディスクに保存しますか?");
    EXPECT_EQ(boxes.Shown()[1].text, kv::LoadString(16));
    EXPECT_EQ(boxes.Shown()[1].flags, MB_OK | MB_ICONSTOP);
}

TEST_F(AppTest, OpenGraphFileIgnoresOtherFilesSilently) {
    const std::string path = WriteGraph("dropped.kv3", 2);
    Start();
    EXPECT_EQ(app->OpenGraphFile(PathIn("x.Kv3").c_str()), 0);
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_EQ(app->OpenGraphFile(path.c_str()), 1);
    EXPECT_EQ(chart()->FileName, path);
    EXPECT_EQ(app->History[0], path);
}

TEST_F(AppTest, CommandLineOpensASingleGraphByItsNameAsTyped) {
    const std::string path = WriteGraph("cmd.kv3", 2);
    const std::string typed = Dir() + "/./cmd.kv3";
    Start({typed});
    EXPECT_EQ(chart()->Document.AxisSets.GetItemsInContainer(), 2);
    EXPECT_EQ(chart()->FileName, typed);
    EXPECT_EQ(chart()->Document.Modified, 0);
    EXPECT_EQ(app->Frame->windowTitle().toStdString(), "Korvida - " + typed);
    EXPECT_EQ(app->History[0], typed);
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_EQ(app->StatusBar()->GetGadgetText(2), "Axis 1");
}

TEST_F(AppTest, CommandLineWithAGraphAndAnythingElseDoesNothing) {
    const std::string path = WriteGraph("cmd.kv3", 2);
    Start({path, PathIn("data.dat")});
    EXPECT_EQ(chart()->Document.AxisSets.GetItemsInContainer(), 1);
    EXPECT_EQ(chart()->Document.Current->PlotList.GetItemsInContainer(), 0);
    EXPECT_EQ(chart()->FileName, "Untitled.kv3");
    EXPECT_TRUE(boxes.Shown().empty());
}

// A file far larger than memory (30 GB: a graph file's head, then zeros) is refused
// with the reader's message on the command line and through the open command
// alike, without first being read whole.
TEST_F(AppTest, HugeGraphFileGetsTheReadErrorMessageEverywhere) {
    const std::string path = PathIn("huge.kv3");
    {
        std::ofstream out(path, std::ios::binary);
        out << std::string("\x3A\x01\x01\x00\x00\x07\x00\x00\x00korvida\x3C\x05\x00\x00", 20);
    }
    if (::truncate(path.c_str(), off_t(30) << 30) != 0) GTEST_SKIP() << "no sparse file of 30 GB here";
    Start({path});
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, kv::LoadString(18));
    EXPECT_EQ(chart()->FileName, "Untitled.kv3");

    boxes.Clear();
    files.Choose({path});
    Run(CM_FILEOPEN);
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, kv::LoadString(18));
    EXPECT_EQ(chart()->FileName, "Untitled.kv3");
    EXPECT_EQ(app->History[0], "");
    std::remove(path.c_str());
}

TEST_F(AppTest, CommandLineGraphThatCannotBeReadLeavesTheNewGraph) {
    Start({PathIn("absent.KV3")});
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, kv::LoadString(18));
    EXPECT_EQ(chart()->FileName, "Untitled.kv3");
    EXPECT_EQ(app->History[0], "");
}

}  // namespace
