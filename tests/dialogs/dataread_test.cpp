// The data-reading dialog: filling, preview, search methods, change of file and
// the checks of OK.

#include "dialogs/dataread.h"
#include "dialogs/kit/dlgtext.h"
#include "dialogs/styleitems.h"
#include "dialogs/support/driver.h"
#include "model/datafile.h"
#include "model/plot.h"
#include "platform/filedialog.h"
#include "platform/messagebox.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

#include <climits>

#include <memory>
#include <string>
#include <vector>

namespace {

const std::string kMsg27 = "ファイルをオープンできません。";
const std::string kMsg46 = "このデータはメモリデータです。.\n再読込できません。";

class DataReadDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        DataReadFilterIndex = 0;
        std::string rows;
        for (int i = 1; i <= 250; ++i) rows += std::to_string(i) + "," + std::to_string(i * i) + "\r\n";
        data_ = Write("data.dat", rows);
    }

    std::string Write(const char* name, const std::string& bytes, QString in = {}) {
        const QString path = (in.isEmpty() ? dir_.path() : in) + u'/' + QString::fromUtf8(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes.data(), qint64(bytes.size()));
        return path.toStdString();
    }

    static std::unique_ptr<TPlot> Series(const std::string& path) {
        auto plot = std::make_unique<TPlot>();
        lstrcpynA(plot->DataFileName, path.c_str(), MAX_PATH);
        return plot;
    }

    static std::vector<QString> Preview(TDataReadDialog& dlg) {
        std::vector<QString> out;
        auto* list = dlg.Control<PListBox>(110);
        for (int i = 0; i < list->GetCount(); ++i) out.push_back(list->GetString(i));
        return out;
    }

    QTemporaryDir dir_;
    std::string data_;
};

TEST_F(DataReadDialogTest, FillsEveryControlFromTheSeries) {
    auto plot = Series(data_);
    TPlotFile& f = plot->PlotFile;
    f.XColumn = 3;
    f.YColumn = 0;
    f.StartRow = 12;
    f.EndRow = -1;
    f.RowSkip = 2;
    f.XMaxColumn = 4;
    f.XMinColumn = 5;
    f.YMaxColumn = 6;
    f.YMinColumn = 7;
    f.IsXErrorBar = 1;
    f.IsYErrorBar = 2;  // only 1 ticks
    f.CommentMode = 2;
    f.SearchMethod = 0;
    f.ParamColumnSpec = "1, 3-5";
    kv::ScriptedMessageBoxes boxes;
    TDataReadDialog dlg(nullptr, plot.get());
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("数値ﾃﾞｰﾀの読取り"));
    dlg.Create();
    const std::pair<int, const char*> texts[] = {{102, "3"},  {103, "0"}, {104, "12"}, {105, "-1"},
                                                 {106, "2"},  {111, "4"}, {115, "5"},  {112, "6"},
                                                 {116, "7"},  {122, "1, 3-5"}};
    for (const auto& [id, want] : texts) EXPECT_EQ(dlg.ItemText(id), QString::fromUtf8(want)) << id;
    const std::pair<int, int> checks[] = {{113, 1}, {114, 0}, {108, 0}, {109, 1}, {121, 0},
                                          {118, 1}, {119, 0}, {120, 0}};
    for (const auto& [id, want] : checks) EXPECT_EQ(dlg.IsItemChecked(id), want) << id;
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("data.dat"));
    EXPECT_EQ(dlg.Label(102)->text(), QStringLiteral("X-ﾃﾞｰﾀ(&X):"));
    EXPECT_EQ(dlg.ItemText(123), QStringLiteral("ﾌｧｲﾙの変更(&H)"));
    EXPECT_EQ(dlg.Control<PGroupBox>(117)->title(), QStringLiteral("ﾃﾞｰﾀ検索方法"));

    const std::vector<QString> lines = Preview(dlg);
    ASSERT_EQ(lines.size(), 100u);
    EXPECT_EQ(lines[0], QStringLiteral("  1 : 1,1"));
    EXPECT_EQ(lines[11], QStringLiteral(" 12 : 12,144"));
    EXPECT_EQ(lines[99], QStringLiteral("100 : 100,10000"));
    EXPECT_EQ(dlg.Control<PListBox>(110)->GetSelIndex(), 11);  // line StartRow
    EXPECT_TRUE(boxes.Shown().empty());

    // Out-of-range modes leave their buttons off; a first row beyond the preview
    // selects nothing.
    f.CommentMode = 5;
    f.SearchMethod = 7;
    f.StartRow = 101;
    TDataReadDialog other(nullptr, plot.get());
    other.Create();
    for (int id : {108, 109, 121, 118, 119, 120}) EXPECT_EQ(other.IsItemChecked(id), 0) << id;
    EXPECT_EQ(other.Control<PListBox>(110)->GetSelIndex(), LB_ERR);
    f.StartRow = INT_MIN;  // a damaged value selects nothing either
    TDataReadDialog damaged(nullptr, plot.get());
    damaged.Create();
    EXPECT_EQ(damaged.Control<PListBox>(110)->GetSelIndex(), LB_ERR);
    EXPECT_EQ(damaged.ItemText(104), QStringLiteral("-2147483648"));
}

TEST_F(DataReadDialogTest, PreviewCutsLongLinesAndNeverSplitsACharacter) {
    std::string bytes = std::string(3000, 'a') + "\n";  // three reads: 1999 + 1001 + ...
    bytes += std::string(98, 'b') + "\x83\x65" + "tail\r\n";   // a double-byte character at 98
    bytes += "last";                                           // no line end
    auto plot = Series(Write("long.txt", bytes));
    kv::ScriptedMessageBoxes boxes;
    TDataReadDialog dlg(nullptr, plot.get());
    dlg.Create();
    const std::vector<QString> lines = Preview(dlg);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], QStringLiteral("  1 : ") + QString(99, u'a'));
    EXPECT_EQ(lines[1], QStringLiteral("  2 : ") + QString(99, u'a'));
    EXPECT_EQ(lines[2], QStringLiteral("  3 : ") + QString(98, u'b'));
    EXPECT_EQ(lines[3], QStringLiteral("  4 : last"));
}

TEST_F(DataReadDialogTest, MemorySeriesAreRefusedBeforeShowing) {
    for (int kind : {0, 2}) {
        auto plot = Series(data_);
        plot->IsFileData = kind;
        plot->PlotFile.XColumn = 5;
        kv::ScriptedMessageBoxes boxes;
        TDataReadDialog dlg(nullptr, plot.get());
        const int code = kvtest::RunModal(dlg, [] { ADD_FAILURE() << "shown"; });
        EXPECT_EQ(code, IDCANCEL);
        ASSERT_EQ(boxes.Shown().size(), 1u);
        EXPECT_EQ(boxes.Shown()[0].text, kMsg46);
        EXPECT_EQ(boxes.Shown()[0].flags, MB_OK | MB_ICONSTOP);
        EXPECT_EQ(boxes.Shown()[0].caption, "korvida");
        EXPECT_EQ(plot->PlotFile.XColumn, 5);
    }
}

TEST_F(DataReadDialogTest, AMissingFileThenAnotherFileChosen) {
    auto plot = Series(dir_.path().toStdString() + "/missing.dat");
    kv::ScriptedMessageBoxes boxes;
    kv::ScriptedFileDialogs files;
    files.Choose({data_}, 3);
    TDataReadDialog dlg(nullptr, plot.get());
    const int code = kvtest::RunModal(dlg, [&] {
        ASSERT_EQ(boxes.Shown().size(), 1u);
        EXPECT_EQ(boxes.Shown()[0].text, kMsg27);
        EXPECT_TRUE(Preview(dlg).empty());
        EXPECT_EQ(dlg.windowTitle(), QStringLiteral("missing.dat"));
        kvtest::Click(dlg, 123);
        EXPECT_EQ(Preview(dlg).size(), 100u);
        EXPECT_EQ(dlg.windowTitle(), QStringLiteral("data.dat"));
        EXPECT_EQ(std::string(plot->DataFileName), dir_.path().toStdString() + "/missing.dat");
        kvtest::Click(dlg, IDOK);
    });
    EXPECT_EQ(code, IDOK);
    EXPECT_EQ(std::string(plot->DataFileName), data_);
    EXPECT_EQ(boxes.Shown().size(), 1u);
    ASSERT_EQ(files.Shown().size(), 1u);
    const kv::FileDialogRequest& r = files.Shown()[0];
    EXPECT_EQ(r.kind, kv::FileDialogKind::Open);
    EXPECT_EQ(r.owner, &dlg);
    EXPECT_EQ(r.title, "数値ﾃﾞｰﾀのｵｰﾌﾟﾝ");
    ASSERT_EQ(r.filters.size(), 4u);
    EXPECT_EQ(r.filters[0].description, "(*.dat)");
    EXPECT_EQ(r.filters[0].pattern, "*.dat");
    EXPECT_EQ(r.filters[1].pattern, "*.*");
    EXPECT_EQ(r.filters[2].pattern, "*.txt");
    EXPECT_EQ(r.filters[3].pattern, "*.csv");
    EXPECT_EQ(r.filterIndex, 0);
    EXPECT_EQ(r.defExt, ".");
    EXPECT_EQ(r.flags, 0x81804u);
    EXPECT_EQ(DataReadFilterIndex, 3);
}

TEST_F(DataReadDialogTest, ChangeOfFileCancelledFailedAndTheFilterKept) {
    auto plot = Series(data_);
    kv::ScriptedMessageBoxes boxes;
    kv::ScriptedFileDialogs files;
    files.Choose({data_}, 2);
    files.Cancel();
    files.Fail(FNERR_SUBCLASSFAILURE);
    files.Choose({dir_.path().toStdString() + "/€.dat"});   // no CP932 form
    files.Choose({"/" + std::string(300, 'd') + "/a.dat"});  // longer than a stored name
    TDataReadDialog dlg(nullptr, plot.get());
    dlg.Create();
    for (int i = 0; i < 5; ++i) kvtest::Click(dlg, 123);
    ASSERT_EQ(files.Shown().size(), 5u);
    EXPECT_EQ(files.Shown()[0].filterIndex, 0);
    EXPECT_EQ(files.Shown()[1].filterIndex, 2);  // the filter of the last change
    EXPECT_EQ(files.Shown()[4].filterIndex, 2);
    ASSERT_EQ(boxes.Shown().size(), 3u);  // the cancel shows nothing
    EXPECT_EQ(boxes.Shown()[0].text, "Error No. #12289");
    EXPECT_EQ(boxes.Shown()[0].caption, "WARNING");
    EXPECT_EQ(boxes.Shown()[0].flags, MB_OK | MB_ICONSTOP);
    EXPECT_EQ(boxes.Shown()[1].text, "Error No. #12290");
    EXPECT_EQ(boxes.Shown()[2].text, "Error No. #12291");
    EXPECT_EQ(std::string(dlg.GetFilePath()), data_);
    EXPECT_EQ(Preview(dlg).size(), 100u);
}

TEST_F(DataReadDialogTest, SearchMethodsStoreAtOnceAndPreviewTheReadersFile) {
    // The same name in another directory, which becomes the current one.
    QTemporaryDir other;
    ASSERT_TRUE(other.isValid());
    Write("data.dat", "other\n", other.path());
    char cwd[4096];
    ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
    ASSERT_EQ(::chdir(other.path().toUtf8().constData()), 0);
    const std::string savedDrive = GetDataDrive();
    SetDataDrive("D:");

    // Stored as a Windows path on drive E:; the data drive D: takes its place.
    auto plot = Series("E:" + data_);
    kv::ScriptedMessageBoxes boxes;
    TDataReadDialog dlg(nullptr, plot.get());
    const int code = kvtest::RunModal(dlg, [&] {
        EXPECT_EQ(Preview(dlg).size(), 100u);
        kvtest::Click(dlg, 120);
        EXPECT_EQ(plot->PlotFile.SearchMethod, 2);
        EXPECT_EQ(Preview(dlg), std::vector<QString>{QStringLiteral("  1 : other")});
        kvtest::Click(dlg, 119);
        EXPECT_EQ(plot->PlotFile.SearchMethod, 1);
        EXPECT_EQ(Preview(dlg).size(), 100u);
        kvtest::Click(dlg, 120);
        kvtest::Click(dlg, IDCANCEL);
    });
    EXPECT_EQ(code, IDCANCEL);
    EXPECT_EQ(plot->PlotFile.SearchMethod, 2);  // Cancel does not undo it
    EXPECT_TRUE(boxes.Shown().empty());

    SetDataDrive(savedDrive.c_str());
    ASSERT_EQ(::chdir(cwd), 0);
}

TEST_F(DataReadDialogTest, PickingAPreviewLineSetsTheFirstRow) {
    auto plot = Series(data_);
    kv::ScriptedMessageBoxes boxes;
    TDataReadDialog dlg(nullptr, plot.get());
    kvtest::RunModal(dlg, [&] {
        auto* list = dlg.Control<PListBox>(110);
        list->scrollToItem(list->item(11));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(11)).center());
        EXPECT_EQ(dlg.ItemText(104), QStringLiteral("12"));
        dlg.CloseWindow(IDCANCEL);
    });
    EXPECT_EQ(plot->PlotFile.StartRow, 1);
}

// Each case types one text into a field of a dialog with valid values and
// presses OK.
TEST_F(DataReadDialogTest, OkChecksEachFieldInOrderAndStoresAsItGoes) {
    struct Case {
        std::vector<std::pair<int, const char*>> typed;
        int message;  // 0: accepted
        const char* why;
    };
    const Case cases[] = {
        {{{102, "0"}}, 0, "X column 0 is the row number"},
        {{{102, "abc"}, {103, "xyz"}}, 0, "letters read as 0"},
        {{{102, "100"}}, 48, "X column above 99"},
        {{{102, "-1"}}, 48, "X column below 0"},
        {{{102, "99999999999"}}, 48, "X column overflow"},
        {{{103, "100"}}, 49, "Y column above 99"},
        {{{106, "0"}}, 50, "row step 0"},
        {{{106, "-2"}}, 50, "negative row step"},
        {{{104, "0"}, {105, "-5"}}, 0, "rows unchecked"},
        {{{111, "0"}}, 51, "X error max 0 with the box unticked"},
        {{{115, "100"}}, 51, "X error min"},
        {{{112, "abc"}}, 52, "letters in an error column"},
        {{{116, "0"}}, 52, "Y error min"},
        {{{122, "1-"}}, 47, "bad parameter list"},
        {{{122, "3-2"}}, 47, "descending range"},
        {{{122, " 1 , 5-7 "}}, 0, "blanks in the parameter list"},
        {{{122, ""}}, 0, "empty parameter list"},
    };
    const std::string messages[] = {"パラメータが不正です。", "X-データが不正です。", "Y-データが不正です。",
                                    "行スキップが不正です。", "X - 最大／最小が不正です。",
                                    "Y - 最大／最小が不正です。"};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        auto plot = Series(data_);
        kv::ScriptedMessageBoxes boxes;
        TDataReadDialog dlg(nullptr, plot.get());
        dlg.Create();
        for (const auto& [id, text] : c.typed) dlg.SetItemText(id, QString::fromUtf8(text));
        kvtest::Click(dlg, IDOK);
        if (c.message == 0) {
            EXPECT_EQ(dlg.ReturnValue(), IDOK);
            EXPECT_TRUE(boxes.Shown().empty());
        } else {
            EXPECT_FALSE(dlg.IsClosed());
            ASSERT_EQ(boxes.Shown().size(), 1u);
            EXPECT_EQ(boxes.Shown()[0].text, messages[c.message - 47]);
            EXPECT_EQ(boxes.Shown()[0].flags, MB_OK | MB_ICONSTOP);
        }
    }
}

TEST_F(DataReadDialogTest, AFailedCheckKeepsWhatWasStoredBeforeIt) {
    auto plot = Series(data_);
    plot->PlotFile.XColumn = 1;
    plot->PlotFile.ParamColumnSpec = "2";
    kv::ScriptedMessageBoxes boxes;
    TDataReadDialog dlg(nullptr, plot.get());
    dlg.Create();
    // A bad parameter list after a valid X column: nothing is stored.
    dlg.SetItemText(102, QStringLiteral("7"));
    dlg.SetItemText(122, QStringLiteral("1--2"));
    kvtest::Click(dlg, IDOK);
    EXPECT_EQ(plot->PlotFile.XColumn, 1);
    EXPECT_EQ(plot->PlotFile.ParamColumnSpec, "2");
    // A Y column of 100: the list and the X column are stored, Y is not.
    dlg.SetItemText(122, QStringLiteral("4-6"));
    dlg.SetItemText(103, QStringLiteral("100"));
    kvtest::Click(dlg, IDOK);
    EXPECT_EQ(plot->PlotFile.ParamColumnSpec, "4-6");
    EXPECT_EQ(plot->PlotFile.XColumn, 7);
    EXPECT_EQ(plot->PlotFile.YColumn, 2);
    EXPECT_EQ(boxes.Shown().size(), 2u);
    // Fixed, OK stores the rest: rows, switches, comment and search modes.
    dlg.SetItemText(103, QStringLiteral("9"));
    dlg.SetItemText(104, QStringLiteral("3"));
    dlg.SetItemText(105, QStringLiteral("2"));
    kvtest::Click(dlg, 114);
    kvtest::Click(dlg, 121);
    kvtest::Click(dlg, IDOK);
    EXPECT_EQ(dlg.ReturnValue(), IDOK);
    const TPlotFile& f = plot->PlotFile;
    EXPECT_EQ(f.YColumn, 9);
    EXPECT_EQ(f.StartRow, 3);
    EXPECT_EQ(f.EndRow, 2);
    EXPECT_EQ(f.IsYErrorBar, 1);
    EXPECT_EQ(f.IsXErrorBar, 0);
    EXPECT_EQ(f.CommentMode, 3);
    EXPECT_EQ(f.SearchMethod, 0);

    // With no comment or search button on, the modes keep their values.
    auto odd = Series(data_);
    odd->PlotFile.CommentMode = 9;
    odd->PlotFile.SearchMethod = 0;
    TDataReadDialog keep(nullptr, odd.get());
    keep.Create();
    kvtest::Click(keep, IDOK);
    EXPECT_EQ(odd->PlotFile.CommentMode, 9);
}

TEST_F(DataReadDialogTest, ReloadItemsDisableTheControlsOfUnchosenSettings) {
    BYTE items[ReloadItemCount] = {};
    items[ReloadItem::StartRow] = 1;
    auto plot = Series(data_);
    kv::ScriptedMessageBoxes boxes;
    TDataReadDialog dlg(nullptr, plot.get(), items);
    kvtest::RunModal(dlg, [&] {
        for (int id : {102, 113, 111, 115, 103, 114, 112, 116, 122, 105, 106, 108, 109, 121, 118,
                       119, 120})
            EXPECT_FALSE(dlg.IsControlEnabled(id)) << id;
        for (int id : {104, 110, 123, 1, 2}) EXPECT_TRUE(dlg.IsControlEnabled(id)) << id;
        auto* list = dlg.Control<PListBox>(110);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(4)).center());
        EXPECT_EQ(dlg.ItemText(104), QStringLiteral("5"));
        kvtest::Click(dlg, IDOK);
    });
    EXPECT_EQ(dlg.ReturnValue(), IDOK);
    EXPECT_EQ(plot->PlotFile.StartRow, 5);
    EXPECT_EQ(plot->PlotFile.XColumn, 1);  // disabled fields are stored as filled
}

}  // namespace
