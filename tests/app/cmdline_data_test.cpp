// The command line's data files: the first through the data-reading and
// plot-style dialogs, the others with a copy of its settings, then autoscale.

#include "app_fixture.h"

#include "platform/stringtable.h"

#include <fstream>

namespace {

using apptest::AppTest;
using apptest::ModalScript;

constexpr int kDataReadDialog = 3;
constexpr int kPlotDialog = 4;

class CommandLineData : public AppTest {
protected:
    std::string Data(const std::string& name, double scale) {
        const std::string path = PathIn(name);
        std::ofstream out(path);
        for (int i = 1; i <= 5; ++i) out << i << "," << i * scale << "\n";
        return path;
    }
};

TEST_F(CommandLineData, FirstFileThroughItsDialogsTheOthersAlikeThenAutoscale) {
    const std::string a = Data("a.dat", 1), b = Data("b.dat", 10), c = Data("c.dat", 100);
    ModalScript script;
    script.Then(kDataReadDialog, ModalScript::Press(IDOK)).Then(kPlotDialog, ModalScript::Press(IDOK));
    Start({a, b, c});
    EXPECT_EQ(script.Seen(), (std::vector<int>{kDataReadDialog, kPlotDialog}));
    ASSERT_EQ(chart()->Document.Current->PlotList.GetItemsInContainer(), 3);
    EXPECT_EQ(chart()->Document.Modified, 1);
    EXPECT_TRUE(boxes.Shown().empty());
    // The series of c.dat reaches 500: the left axis now covers it.
    EXPECT_GE(chart()->Document.Current->LeftAxis.RangeEnd, 500.0);
    EXPECT_EQ(chart()->FileName, "Untitled.kv3");
}

TEST_F(CommandLineData, AFileThatCannotBeReadStopsTheRestWithoutAutoscale) {
    const std::string a = Data("a.dat", 1), c = Data("c.dat", 100);
    ModalScript script;
    script.Then(kDataReadDialog, ModalScript::Press(IDOK)).Then(kPlotDialog, ModalScript::Press(IDOK));
    Start({a, PathIn("missing.dat"), c});
    ASSERT_EQ(chart()->Document.Current->PlotList.GetItemsInContainer(), 1);
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, kv::LoadString(35) + "\n" + PathIn("missing.dat"));
    EXPECT_LT(chart()->Document.Current->LeftAxis.RangeEnd, 100.0);
}

TEST_F(CommandLineData, APathTooLongForTheSeriesStopsLikeAFailedRead) {
    const std::string a = Data("a.dat", 1);
    const std::string tooLong = Dir() + "/" + std::string(300, 'n') + ".dat";
    ModalScript script;
    script.Then(kDataReadDialog, ModalScript::Press(IDOK)).Then(kPlotDialog, ModalScript::Press(IDOK));
    Start({a, tooLong, Data("c.dat", 100)});
    EXPECT_EQ(chart()->Document.Current->PlotList.GetItemsInContainer(), 1);
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, kv::LoadString(1161) + "\n" + tooLong);
    EXPECT_LT(chart()->Document.Current->LeftAxis.RangeEnd, 100.0);
}

TEST_F(CommandLineData, AFullSeriesListKeepsWhatItHoldsAndStops) {
    Start();
    for (int i = 0; i < 997; ++i) {
        auto p = std::make_unique<TPlot>();
        p->IsFileData = 0;
        ASSERT_TRUE(chart()->Document.Current->PlotList.Add(p));
    }
    std::string a = Data("a.dat", 1), b = Data("b.dat", 10), c = Data("c.dat", 100);
    char* argv[] = {const_cast<char*>("korvida"), a.data(), b.data(), c.data()};
    korvidaApp::SetArguments(4, argv);
    ModalScript script;
    script.Then(kDataReadDialog, ModalScript::Press(IDOK)).Then(kPlotDialog, ModalScript::Press(IDOK));
    app->ProcessCommandLine();
    EXPECT_EQ(chart()->Document.Current->PlotList.GetItemsInContainer(), 999);
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, kv::LoadString(1180));
    EXPECT_LT(chart()->Document.Current->LeftAxis.RangeEnd, 100.0);
}

TEST_F(CommandLineData, CancelledFirstDialogReadsNothing) {
    const std::string a = Data("a.dat", 1), b = Data("b.dat", 10);
    ModalScript script;
    script.Then(kDataReadDialog, ModalScript::Press(IDCANCEL));
    Start({a, b});
    EXPECT_EQ(chart()->Document.Current->PlotList.GetItemsInContainer(), 0);
    EXPECT_EQ(chart()->Document.Modified, 0);
}

}  // namespace
