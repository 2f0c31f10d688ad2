// The chart window's fit and formula commands: the dialogs they run one after
// another and what they do to the document afterwards.

#include "dialogs/datacommands.h"
#include "dialogs/dataselect.h"
#include "dialogs/fitdialogs.h"
#include "dialogs/formuladialogs.h"
#include "dialogs/mesdialog.h"
#include "dialogs/support/driver.h"
#include "dialogs/support/fakechart.h"
#include "dialogs/userdialogs.h"
#include "fitting/fitsettings.h"
#include "model/boxframe.h"
#include "platform/messagebox.h"
#include "support/helpers/sample_document.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QMainWindow>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using Step = std::function<void(PDialog&)>;

// Answers the modal dialogs that open one after another, one step each, in order.
// A watchdog closes whatever is still open after a few seconds.
class ModalScript {
public:
    explicit ModalScript(std::vector<Step> steps) : steps_(std::move(steps)) {
        watchdog_.setSingleShot(true);
        QObject::connect(&watchdog_, &QTimer::timeout, [] {
            ADD_FAILURE() << "a dialog was still open";
            for (int guard = 0; guard < 16; ++guard) {
                auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
                if (!d) break;
                d->done(-1);
            }
        });
        watchdog_.start(10000);
        Arm();
    }
    ~ModalScript() { EXPECT_EQ(next_, steps_.size()) << "dialogs that never opened"; }
    std::vector<int> Opened() const { return opened_; }

private:
    void Arm() {
        if (armed_ >= steps_.size()) return;
        ++armed_;
        kvtest::OnNextModal([this](QWidget* w) {
            auto* d = qobject_cast<PDialog*>(w);
            ASSERT_NE(d, nullptr);
            const std::size_t i = next_++;
            opened_.push_back(d->ResourceId());
            Arm();  // before the step closes this one
            steps_[i](*d);
        });
    }
    std::vector<Step> steps_;
    std::size_t armed_ = 0;
    std::size_t next_ = 0;
    std::vector<int> opened_;
    QTimer watchdog_;
};

Step ChooseAll() {
    return [](PDialog& d) {
        auto* list = d.Control<PListBox>(101);
        ASSERT_NE(list, nullptr);
        list->SetSel(-1, true);
        kvtest::Click(d, IDOK);
    };
}
Step Press(int id) {
    return [id](PDialog& d) { kvtest::Click(d, id); };
}

std::unique_ptr<BoxFrame> ThreeSeries() {
    auto set = std::make_unique<BoxFrame>();
    for (int i = 0; i < 3; ++i) set->PlotList.Add(kvtest::MakeSampleSeries(10, i).release());
    return set;
}

struct Recorded {
    FitHost host;
    std::vector<std::string> captions;
};
std::unique_ptr<Recorded> RecordingHost() {
    auto r = std::make_unique<Recorded>();
    Recorded* raw = r.get();
    r->host.ShowReport = [raw](void*, const std::string&, const char* caption) {
        raw->captions.push_back(caption);
    };
    return r;
}

class FitCommands : public ::testing::Test {
protected:
    void SetUp() override {
        CurrentLinearFitSettings = {};
        CurrentNonLinearFitSettings = {};
        TDataSlectDialogXfer.Clear();
    }
    void TearDown() override { SetUp(); }
};

TEST_F(FitCommands, ChosenSeriesAreFittedInOrderAndACancelledDialogSkipsOne) {
    auto set = ThreeSeries();
    auto rec = RecordingHost();
    int modified = 0;
    int repaints = 0;
    int done = 0;
    {
        ModalScript script({ChooseAll(), Press(IDOK), Press(IDCANCEL), Press(IDOK)});
        done = RunChosenSeriesFits(nullptr, FitCommandKind::Linear, rec->host, set.get(), &modified,
                                   [&] { ++repaints; });
        EXPECT_EQ(script.Opened(), (std::vector<int>{17, 16, 16, 16}));
    }
    EXPECT_EQ(done, 2);
    EXPECT_EQ(repaints, 2);
    EXPECT_EQ(modified, 1);
    ASSERT_EQ(set->PlotList.GetItemsInContainer(), 5);
    EXPECT_STREQ(set->PlotList[4]->DataFileName, "** L-lsq => C:\\data\\sample.dat **");
    EXPECT_EQ(set->PlotList[4]->IsFileData, 0);
    EXPECT_EQ(rec->captions, (std::vector<std::string>{"Linear Least Square Fit",
                                                       "Linear Least Square Fit"}));
}

TEST_F(FitCommands, NothingChosenOrCancelledDoesNothing) {
    auto set = ThreeSeries();
    auto rec = RecordingHost();
    int modified = 0;
    {
        ModalScript script({Press(IDOK)});  // no line chosen
        EXPECT_EQ(RunChosenSeriesFits(nullptr, FitCommandKind::Linear, rec->host, set.get(),
                                      &modified, {}),
                  0);
    }
    {
        ModalScript script({Press(IDCANCEL)});
        EXPECT_EQ(RunChosenSeriesFits(nullptr, FitCommandKind::NonLinear, rec->host, set.get(),
                                      &modified, {}),
                  0);
    }
    EXPECT_EQ(modified, 0);
    EXPECT_EQ(set->PlotList.GetItemsInContainer(), 3);
    // A number that names no series opens nothing.
    for (int n : {0, -1, 4})
        EXPECT_FALSE(RunSeriesFitDialog(nullptr, FitCommandKind::Linear, rec->host, set.get(), n,
                                        &modified));
    EXPECT_EQ(modified, 0);
}

TEST_F(FitCommands, AFailedFitShowsTheCommandsMessageAndStillMarksTheGraph) {
    auto set = ThreeSeries();
    auto rec = RecordingHost();
    kv::ScriptedMessageBoxes boxes;
    int modified = 0;
    bool fitted = true;
    {
        // The model compiles, but no parameter is free: the run refuses it.
        ModalScript script({[](PDialog& d) {
            d.SetItemText(112, QStringLiteral("a*x"));
            kvtest::Click(d, IDOK);
        }});
        fitted = RunSeriesFitDialog(nullptr, FitCommandKind::NonLinear, rec->host, set.get(), 2,
                                    &modified);
        EXPECT_EQ(script.Opened(), (std::vector<int>{15}));
    }
    EXPECT_FALSE(fitted);
    EXPECT_EQ(modified, 1);
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, "Failure : NonLinear Least Square Method");
    EXPECT_EQ(boxes.Shown()[0].caption, "korvida");
    EXPECT_EQ(boxes.Shown()[0].flags, MB_OK);
    EXPECT_EQ(set->PlotList.GetItemsInContainer(), 3);
}

TEST_F(FitCommands, TheSeriesMenuFitsTheSelectedSeriesAndShowsTheReport) {
    kvtest::FakeChart chart;
    for (int i = 0; i < 2; ++i)
        chart.Document.Current->PlotList.Add(kvtest::MakeSampleSeries(10, i).release());
    for (int n : {0, 3}) {
        chart.SelectedPlot = n;  // names no series: nothing opens
        EXPECT_EQ(RunPlotLinearFitCommandDialog(chart), 0);
    }
    EXPECT_EQ(chart.Document.Modified, 0);
    chart.SelectedPlot = 2;
    {
        ModalScript script({Press(IDOK), Press(IDCANCEL)});
        EXPECT_EQ(RunPlotLinearFitCommandDialog(chart), 1);
        EXPECT_EQ(script.Opened(), (std::vector<int>{16, 18}));  // the fit, then its report
    }
    EXPECT_EQ(chart.Document.Modified, 1);
    EXPECT_EQ(chart.Document.Current->PlotList.GetItemsInContainer(), 3);
}

// ---- The formula commands on the chart window ----

TEST(FormulaCommands, CalculatedCurveAutoscalesOnlyAnAxisSetWithoutSeries) {
    TDataGenDialogXfer = {};
    kvtest::FakeChart chart;
    BoxFrame* set = chart.Document.Current;
    int cleared = 0;
    {
        ModalScript script({[](PDialog& d) {
            d.SetItemText(101, QStringLiteral("x*x"));
            kvtest::Click(d, IDOK);
        }});
        EXPECT_EQ(RunCalcCurveCommandDialog(chart, [&] { ++cleared; }), IDOK);
        EXPECT_EQ(script.Opened(), (std::vector<int>{24}));
    }
    EXPECT_EQ(cleared, 1);
    EXPECT_EQ(chart.Document.Modified, 1);
    EXPECT_EQ(chart.LabelledSets, (std::vector<BoxFrame*>{set}));
    EXPECT_EQ(chart.Repaints, 1);
    ASSERT_EQ(set->PlotList.GetItemsInContainer(), 1);
    EXPECT_GE(set->LeftAxis.RangeEnd, 100);  // y reaches 100
    EXPECT_LE(set->LeftAxis.RangeStart, 0);

    const double start = set->LeftAxis.RangeStart;
    const double end = set->LeftAxis.RangeEnd;
    chart.Document.Modified = 0;
    {
        ModalScript script({[](PDialog& d) {
            d.SetItemText(101, QStringLiteral("x*1000"));
            kvtest::Click(d, IDOK);
        }});
        EXPECT_EQ(RunCalcCurveCommandDialog(chart, [&] { ++cleared; }), IDOK);
    }
    EXPECT_EQ(cleared, 1);
    EXPECT_EQ(chart.Document.Modified, 1);
    EXPECT_EQ(chart.LabelledSets.size(), 1u);  // the set had a series: no new labels
    EXPECT_EQ(chart.Repaints, 2);
    EXPECT_EQ(set->LeftAxis.RangeStart, start);
    EXPECT_EQ(set->LeftAxis.RangeEnd, end);
    {
        chart.Document.Modified = 0;
        ModalScript script({Press(IDCANCEL)});
        EXPECT_EQ(RunCalcCurveCommandDialog(chart), IDCANCEL);
    }
    EXPECT_EQ(chart.Document.Modified, 0);
    TDataGenDialogXfer = {};
}

TEST(FormulaCommands, ConstantsAndFunctionsMarkTheGraphOnOkEvaluationNever) {
    kvtest::FakeChart chart;
    {
        ModalScript script({Press(IDCANCEL), Press(IDCANCEL)});
        EXPECT_EQ(RunUserConstCommandDialog(chart), IDCANCEL);
        EXPECT_EQ(RunUserFunctionCommandDialog(chart), IDCANCEL);
    }
    EXPECT_EQ(chart.Document.Modified, 0);
    {
        ModalScript script({Press(IDOK)});  // no change, still modified
        EXPECT_EQ(RunUserConstCommandDialog(chart), IDOK);
    }
    EXPECT_EQ(chart.Document.Modified, 1);
    chart.Document.Modified = 0;
    {
        ModalScript script({Press(IDOK)});
        EXPECT_EQ(RunUserFunctionCommandDialog(chart), IDOK);
    }
    EXPECT_EQ(chart.Document.Modified, 1);
    EXPECT_EQ(chart.Document.Current->UserFunctions.GetItemsInContainer(), 5);
    chart.Document.Modified = 0;
    {
        ModalScript script({[](PDialog& d) {
            d.SetItemText(101, QStringLiteral("1+1"));
            kvtest::Click(d, IDOK);
            kvtest::Click(d, IDCANCEL);
        }});
        EXPECT_EQ(RunEvaluateCommandDialog(chart), IDCANCEL);
        EXPECT_EQ(script.Opened(), (std::vector<int>{25}));
    }
    EXPECT_EQ(chart.Document.Modified, 0);
    TEvaluateDialogXfer = {};
}

TEST(FormulaCommands, OtherDialogsOpenTheConstantsOfTheChartWindowsCurrentAxisSet) {
    kvtest::FakeChart chart;
    auto* child = new QWidget(&chart);  // a dialog's parent inside the chart window
    auto previousConst = kv::SetUserConstDialogRunner({});
    auto previousFunction = kv::SetUserFunctionDialogRunner({});
    InstallFormulaDialogRunners();
    {
        ModalScript script({[](PDialog& d) {
                                d.SetItemText(101, QStringLiteral("q = 5"));
                                kvtest::Click(d, 102);
                                kvtest::Click(d, IDOK);
                            },
                            Press(IDCANCEL)});
        kv::RunUserConstDialog(child);
        kv::RunUserFunctionDialog(child);
        EXPECT_EQ(script.Opened(), (std::vector<int>{22, 23}));
    }
    double q = 0;
    EXPECT_EQ(chart.Document.Current->LookupConstant("q", q), 1);
    EXPECT_EQ(q, 5);
    // Changed constants mark their graph at once, whatever the dialog that opened
    // them does next.
    EXPECT_EQ(chart.Document.Modified, 1);
    kv::SetUserConstDialogRunner(previousConst);
    kv::SetUserFunctionDialogRunner(previousFunction);
}

// Two main windows, each with its page view: a dialog works on the graph of the
// page view it was opened from (through the dialog that opened it), and one opened
// from no page view has none, whatever the main windows hold.
TEST(FormulaCommands, WithTwoMainWindowsADialogWorksOnTheGraphItWasOpenedFrom) {
    QMainWindow firstMain, secondMain;
    auto* first = new kvtest::FakeChart;
    auto* second = new kvtest::FakeChart;
    firstMain.setCentralWidget(first);
    secondMain.setCentralWidget(second);
    auto previousConst = kv::SetUserConstDialogRunner({});
    auto previousFunction = kv::SetUserFunctionDialogRunner({});
    InstallFormulaDialogRunners();
    {
        QDialog opener(second);  // a dialog of the second page view, whose "C" button is pressed
        ModalScript script({[](PDialog& d) {
            d.SetItemText(101, QStringLiteral("q = 5"));
            kvtest::Click(d, 102);
            kvtest::Click(d, IDOK);
        }});
        kv::RunUserConstDialog(&opener);
        EXPECT_EQ(script.Opened(), (std::vector<int>{22}));
    }
    double q = 0;
    EXPECT_EQ(second->Document.Current->LookupConstant("q", q), 1);
    EXPECT_EQ(second->Document.Modified, 1);
    EXPECT_EQ(first->Document.Current->LookupConstant("q", q), 0);
    EXPECT_EQ(first->Document.Modified, 0);
    for (bool fromADialog : {false, true}) {
        ModalScript none({});  // closes, as a failure, whatever opens
        QDialog alone;
        kv::RunUserFunctionDialog(fromADialog ? &alone : nullptr);
    }
    kv::SetUserConstDialogRunner(previousConst);
    kv::SetUserFunctionDialogRunner(previousFunction);
}

}  // namespace
