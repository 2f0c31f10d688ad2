// The export dialog over filter.ini (list, Add, Delete, Browse, OK and the choice
// kept for the run) and the export command from the chart window.

#include "dialogs/filterdialog.h"

#include "dialogs/support/driver.h"
#include "dialogs/support/fakechart.h"
#include "platform/filedialog.h"
#include "platform/messagebox.h"
#include "platform/metafile.h"
#include "platform/stringtable.h"
#include "support/helpers/sample_document.h"

#include <gtest/gtest.h>

#include <QDir>
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

class FilterDialog : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(app.isValid());
        LastFilterIndex = 0;
        LastFilterType = FilterWindowsMetafile;
        LastFilterProgram.clear();
        LastFilterOption.clear();
        LastOutputFile.clear();
        ExportBrowseFileName.clear();
    }
    std::string Dir() const { return app.path().toStdString(); }
    std::string Ini() const { return Dir() + "/filter.ini"; }
    QStringList Names(const TFilterDialog& dlg) const {
        QStringList n;
        auto* combo = dlg.Control<PComboBox>(101);
        for (int i = 0; i < combo->GetCount(); ++i) n << combo->GetString(i);
        return n;
    }
    // Chooses line i of the filter list like the user.
    static void Choose(TFilterDialog& dlg, int i) {
        dlg.Control<PComboBox>(101)->SetSelIndex(i);
        dlg.Dispatch(101, CBN_SELCHANGE);
    }

    QTemporaryDir app;
    kv::ScriptedMessageBoxes boxes;
};

TEST_F(FilterDialog, FirstOpeningWithoutFilterIni) {
    TFilterDialog dlg(nullptr, Dir());
    ASSERT_TRUE(dlg.Create());
    EXPECT_EQ(dlg.ResourceId(), 35);
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("ｴｸｽﾎﾟｰﾄ"));
    EXPECT_EQ(Names(dlg), (QStringList{"Windows Metafile", "Korvida Vector Format"}));
    EXPECT_EQ(dlg.Control<PComboBox>(101)->GetSelIndex(), 0);
    EXPECT_EQ(dlg.Control<PComboBox>(101)->GetText(), "Windows Metafile");
    for (int id : {102, 103, 104}) EXPECT_EQ(dlg.ItemText(id), "") << id;
    EXPECT_FALSE(QFile::exists(QString::fromStdString(Ini())));
}

TEST_F(FilterDialog, AddAndDelete) {
    TFilterDialog dlg(nullptr, Dir());
    ASSERT_TRUE(dlg.Create());
    auto* combo = dlg.Control<PComboBox>(101);
    combo->SetText("EPS");
    dlg.SetItemText(102, "conv.exe");
    dlg.SetItemText(103, "-e");
    kvtest::Click(dlg, 105);
    EXPECT_EQ(ReadAll(Ini()), "EPS,conv.exe,-e\r\n");
    EXPECT_EQ(Names(dlg), (QStringList{"Windows Metafile", "Korvida Vector Format", "EPS"}));
    EXPECT_EQ(combo->GetSelIndex(), 2);
    EXPECT_EQ(dlg.ItemText(102), "conv.exe");

    combo->SetText("PNG");
    dlg.SetItemText(102, "png.sh");
    dlg.SetItemText(103, "-r 300");
    kvtest::Click(dlg, 105);
    EXPECT_EQ(ReadAll(Ini()), "EPS,conv.exe,-e\r\nPNG,png.sh,-r 300\r\n");
    ASSERT_EQ(dlg.Filters().size(), 4u);
    EXPECT_EQ(dlg.Filters()[3].Option, "-r 300");

    // A fixed entry is never removed; the file is written again as it was.
    Choose(dlg, 1);
    kvtest::Click(dlg, 106);
    EXPECT_EQ(ReadAll(Ini()), "EPS,conv.exe,-e\r\nPNG,png.sh,-r 300\r\n");
    EXPECT_EQ(combo->GetSelIndex(), 0);
    EXPECT_EQ(dlg.Filters().size(), 4u);

    Choose(dlg, 2);
    EXPECT_EQ(dlg.ItemText(102), "conv.exe");
    kvtest::Click(dlg, 106);
    EXPECT_EQ(ReadAll(Ini()), "PNG,png.sh,-r 300\r\n");
    EXPECT_EQ(Names(dlg), (QStringList{"Windows Metafile", "Korvida Vector Format", "PNG"}));
    EXPECT_EQ(combo->GetSelIndex(), 0);
    EXPECT_TRUE(boxes.Shown().empty());

    // A typed name that no line has: nothing removed.
    combo->SetText("nothing of that name");
    kvtest::Click(dlg, 106);
    EXPECT_EQ(dlg.Filters().size(), 3u);
}

TEST_F(FilterDialog, ACommaInAnyFieldIsRefused) {
    // filter.ini passes over a line with a third comma: the filter would vanish.
    WriteAll(Ini(), "EPS,conv,-e\r\n");
    const char* cases[][3] = {{"EPS, colour", "conv", "-a"}, {"EPS", "/opt/a,b/conv", "-a"},
                              {"EPS", "conv", "-r 300,300"}};
    for (const auto& c : cases) {
        kv::ScriptedMessageBoxes refused;
        TFilterDialog dlg(nullptr, Dir());
        ASSERT_TRUE(dlg.Create());
        dlg.Control<PComboBox>(101)->SetText(c[0]);
        dlg.SetItemText(102, c[1]);
        dlg.SetItemText(103, c[2]);
        kvtest::Click(dlg, 105);
        ASSERT_EQ(refused.Shown().size(), 1u) << c[0];
        EXPECT_EQ(refused.Shown()[0].text, kv::LoadString(1405));
        EXPECT_EQ(refused.Shown()[0].flags, MB_OK | MB_ICONSTOP);
        EXPECT_EQ(dlg.Filters().size(), 3u);
        EXPECT_EQ(ReadAll(Ini()), "EPS,conv,-e\r\n");
        EXPECT_EQ(dlg.ItemText(102), QString::fromUtf8(c[1]));  // kept for a correction
    }
}

TEST_F(FilterDialog, OkKeepsTheChoiceForTheRun) {
    WriteAll(Ini(), "EPS,conv,-e\r\n");
    const std::string existing = Dir() + "/out.eps";
    WriteAll(existing, "x");
    {
        TFilterDialog dlg(nullptr, Dir());
        ASSERT_TRUE(dlg.Create());
        Choose(dlg, 2);
        EXPECT_EQ(dlg.ItemText(103), "-e");
        dlg.SetItemText(103, "-e -x");  // edited, not added
        dlg.SetItemText(104, QString::fromStdString(existing));
        // The file exists: Cancel keeps the dialog open with its texts.
        boxes.Answer(IDCANCEL);
        kvtest::Click(dlg, IDOK);
        EXPECT_FALSE(dlg.IsClosed());
        ASSERT_EQ(boxes.Shown().size(), 1u);
        EXPECT_EQ(boxes.Shown()[0].text, kv::LoadString(107));
        EXPECT_EQ(boxes.Shown()[0].caption, "CAUTION");
        EXPECT_EQ(boxes.Shown()[0].flags, MB_OKCANCEL | MB_ICONQUESTION);
        EXPECT_EQ(LastOutputFile, "");
        boxes.Answer(IDOK);
        kvtest::Click(dlg, IDOK);
        EXPECT_EQ(dlg.ReturnValue(), IDOK);
    }
    EXPECT_EQ(LastFilterIndex, 2);
    EXPECT_EQ(LastFilterType, FilterExternalProgram);
    EXPECT_EQ(LastFilterProgram, "conv");
    EXPECT_EQ(LastFilterOption, "-e -x");
    EXPECT_EQ(LastOutputFile, existing);

    // The next opening: the same line with its stored option, the output file.
    TFilterDialog again(nullptr, Dir());
    ASSERT_TRUE(again.Create());
    EXPECT_EQ(again.Control<PComboBox>(101)->GetSelIndex(), 2);
    EXPECT_EQ(again.ItemText(103), "-e");
    EXPECT_EQ(again.ItemText(104), QString::fromStdString(existing));
    kvtest::Click(again, IDCANCEL);
    EXPECT_EQ(again.ReturnValue(), IDCANCEL);
}

TEST_F(FilterDialog, PositionsAndNamesTheListNoLongerHas) {
    // Chosen at the last OK, gone from filter.ini since: the first line shows.
    LastFilterIndex = 7;
    TFilterDialog dlg(nullptr, Dir());
    ASSERT_TRUE(dlg.Create());
    EXPECT_EQ(dlg.Control<PComboBox>(101)->GetSelIndex(), 0);

    // A name typed without choosing a line: the typed program is the filter.
    Choose(dlg, 1);
    dlg.Control<PComboBox>(101)->SetText("my filter");
    dlg.SetItemText(102, "tool");
    dlg.SetItemText(103, "-q");
    kvtest::Click(dlg, IDOK);
    EXPECT_EQ(dlg.ReturnValue(), IDOK);
    EXPECT_EQ(LastFilterType, FilterExternalProgram);
    EXPECT_EQ(LastFilterIndex, 7);
    EXPECT_EQ(LastFilterProgram, "tool");

    // Typed exactly as a line is named: that line.
    TFilterDialog named(nullptr, Dir());
    ASSERT_TRUE(named.Create());
    named.Control<PComboBox>(101)->SetText("Korvida Vector Format");
    kvtest::Click(named, IDOK);
    EXPECT_EQ(LastFilterType, FilterVectorFile);
    EXPECT_EQ(LastFilterIndex, 1);
}

TEST_F(FilterDialog, Browse) {
    kv::ScriptedFileDialogs files;
    TFilterDialog dlg(nullptr, Dir());
    ASSERT_TRUE(dlg.Create());
    files.Choose({"/somewhere/page.wmf"});
    kvtest::Click(dlg, 107);
    EXPECT_EQ(dlg.ItemText(104), "/somewhere/page.wmf");
    ASSERT_EQ(files.Shown().size(), 1u);
    const kv::FileDialogRequest& r = files.Shown()[0];
    EXPECT_EQ(r.kind, kv::FileDialogKind::Save);
    EXPECT_EQ(r.title, "Export");
    ASSERT_EQ(r.filters.size(), 4u);
    EXPECT_EQ(r.filters[2].description, "EPSF (*.eps)");
    EXPECT_EQ(r.filterIndex, 1);
    EXPECT_EQ(r.defExt, ".");
    EXPECT_EQ(r.flags, DWORD(0x81806));

    // The name is proposed again; a cancel says nothing, a failure its number.
    files.Cancel();
    kvtest::Click(dlg, 107);
    EXPECT_EQ(files.Shown()[1].fileName, "/somewhere/page.wmf");
    EXPECT_TRUE(boxes.Shown().empty());
    files.Fail(FNERR_INVALIDFILENAME);
    kvtest::Click(dlg, 107);
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, "Error No. #12290");
    EXPECT_EQ(boxes.Shown()[0].caption, "WARNING");
    EXPECT_EQ(dlg.ItemText(104), "/somewhere/page.wmf");
}

TEST_F(FilterDialog, ExportCommandFromTheChartWindow) {
    kvtest::FakeChart chart;
    chart.Document.AxisSets.Flush();
    chart.Document.AxisSets.Add(kvtest::MakeSampleBoxFrame().release());
    chart.Document.Env->PrintableWidth = 11338;
    chart.Document.Env->PrintableHeight = 16270;
    chart.Settings.WMFMargin = 100;
    const std::string wmf = Dir() + "/page.wmf";

    kvtest::OnNextModal([&](QWidget* w) {
        auto* dlg = qobject_cast<TFilterDialog*>(w);
        ASSERT_TRUE(dlg);
        dlg->SetItemText(104, QString::fromStdString(wmf));
        kvtest::Click(*dlg, IDOK);
    });
    EXPECT_EQ(RunFileExport(&chart, Dir()), 1);
    const std::string bytes = ReadAll(wmf);
    kv::wmf::Metafile mf;
    ASSERT_TRUE(kv::wmf::ParseMetafile(bytes.data(), bytes.size(), &mf));
    TRect e;
    TDC none;
    chart.DrawGraph(2, none, nullptr, &e);
    EXPECT_EQ(mf.box.right, e.Width() + 200);

    // Cancelled: nothing exported.
    kvtest::OnNextModal([&](QWidget* w) {
        auto* dlg = qobject_cast<TFilterDialog*>(w);
        ASSERT_TRUE(dlg);
        Choose(*dlg, 1);
        dlg->SetItemText(104, QString::fromStdString(Dir() + "/never.kvx"));
        kvtest::Click(*dlg, IDCANCEL);
    });
    EXPECT_EQ(RunFileExport(&chart, Dir()), 0);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(Dir() + "/never.kvx")));

    // The kvx file.
    kvtest::OnNextModal([&](QWidget* w) {
        auto* dlg = qobject_cast<TFilterDialog*>(w);
        ASSERT_TRUE(dlg);
        Choose(*dlg, 1);
        dlg->SetItemText(104, QString::fromStdString(Dir() + "/page.kvx"));
        kvtest::Click(*dlg, IDOK);
    });
    EXPECT_EQ(RunFileExport(&chart, Dir()), 1);
    EXPECT_EQ(ReadAll(Dir() + "/page.kvx").rfind("% Korvida kvx format file", 0), 0u);
    EXPECT_TRUE(boxes.Shown().empty());
}

}  // namespace
