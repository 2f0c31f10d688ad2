// Fits whose curve cannot be made for lack of memory: they fail with the
// command's message, add nothing, and the non-linear fit leaves the fit
// parameters as they were.
#include "fitting/fitrun.h"
#include "model/boxframe.h"
#include "platform/messagebox.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>

#include "fit_series.h"

// While a test sets this, every allocation of at least that many bytes fails. It
// replaces the global allocation functions of this test program (every plain,
// array and nothrow form, so that each allocation is freed by its own kind also
// under a sanitizer); otherwise they behave as usual.
static std::atomic<std::size_t> g_failAllocationsFrom{SIZE_MAX};

static void* Allocate(std::size_t n) noexcept {
    if (n >= g_failAllocationsFrom.load(std::memory_order_relaxed)) return nullptr;
    return std::malloc(n ? n : 1);
}
void* operator new(std::size_t n) {
    if (void* p = Allocate(n)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t n) {
    if (void* p = Allocate(n)) return p;
    throw std::bad_alloc();
}
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return Allocate(n); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return Allocate(n); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace {

// Allocations from this size on fail: a curve of 25001 points needs a column of
// 400 KB, while the fit's own lists stay below it.
class NoMemoryForTheCurve {
public:
    NoMemoryForTheCurve() { g_failAllocationsFrom = 300 * 1024; }
    ~NoMemoryForTheCurve() { g_failAllocationsFrom = SIZE_MAX; }
    NoMemoryForTheCurve(const NoMemoryForTheCurve&) = delete;
    NoMemoryForTheCurve& operator=(const NoMemoryForTheCurve&) = delete;
};

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
        NoMemoryForTheCurve scarce;
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
