// Fits whose curve cannot be made for lack of memory: they fail with the
// command's message, add nothing, and the non-linear fit leaves the fit
// parameters as they were.
#include "fitting/fitrun.h"
#include "model/boxframe.h"
#include "platform/messagebox.h"

#include <gtest/gtest.h>

#include <cstddef>

#include "fit_series.h"
#include "support/failing_allocations.h"

namespace {

// Allocations from this size on fail: a curve of 25001 points needs a column of
// 400 KB, while the fit's own lists stay below it.
constexpr std::size_t kNoMemoryForTheCurve = 300 * 1024;

TEST(FitMemory, ACurveThatCannotBeMadeFailsTheFitAndKeepsTheParameters) {
    fittest::FitStateGuard guard;
    BoxFrame set;
    auto owned = fittest::MakeSeries({1, 2, 3, 4}, {2, 4, 6, 8});
    TPlot* source = owned.get();
    ASSERT_TRUE(set.PlotList.Add(owned));
    int shown = 0;
    FitHost host;
    host.ShowReport = [&shown](void*, const std::string&, const char*) { ++shown; };

    CurrentLinearFitSettings.Divisions = "25000";
    CurrentNonLinearFitSettings.Function = "a*x";
    CurrentNonLinearFitSettings.Enabled[0] = 1;
    CurrentNonLinearFitSettings.InitialValues[0] = "1";
    CurrentNonLinearFitSettings.Divisions = "25000";
    FitParameters[1] = 42;
    kv::ScriptedMessageBoxes boxes;
    int linear = -1, nonLinear = -1;
    {
        kvtest::FailingAllocations scarce(kNoMemoryForTheCurve);
        linear = RunLinearFitCommand(host, &set, source, 1);
        nonLinear = RunNonLinearFitCommand(host, &set, source, 1);
    }
    CurrentLinearFitSettings = LinearFitSettings();
    CurrentNonLinearFitSettings = NonLinearFitSettings();

    EXPECT_EQ(linear, 0);
    EXPECT_EQ(nonLinear, 0);
    EXPECT_EQ(set.PlotList.GetItemsInContainer(), 1);
    EXPECT_EQ(shown, 0);
    EXPECT_EQ(FitParameters[1], 42.0);
    ASSERT_EQ(boxes.Shown().size(), 2u);
    EXPECT_EQ(boxes.Shown()[0].text, LinearFitFailureText);
    EXPECT_EQ(boxes.Shown()[1].text, NonLinearFitFailureText);

    // With the memory back, the same fits succeed (so it was the curve that failed).
    CurrentNonLinearFitSettings.Function = "a*x";
    CurrentNonLinearFitSettings.Enabled[0] = 1;
    CurrentNonLinearFitSettings.Divisions = "25000";
    EXPECT_EQ(RunNonLinearFitCommand(host, &set, source, 1), 1);
    CurrentNonLinearFitSettings = NonLinearFitSettings();
    EXPECT_NEAR(FitParameters[1], 2, 1e-9);
    EXPECT_EQ(set.PlotList.GetItemsInContainer(), 2);
}

}  // namespace
