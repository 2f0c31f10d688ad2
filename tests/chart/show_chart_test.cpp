// Shows a sample document in the page view on a real display, for a look and a
// screenshot. Runs only when asked:
//   KORVIDA_SHOW_CHART=1 QT_QPA_PLATFORM=xcb test_chart --gtest_filter='ShowChart.*'
// KORVIDA_SHOW_SECONDS sets how long the window stays (default 5).

#include "chart_fixture.h"

#include "support/helpers/sample_document.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>

#include <cstdlib>

namespace {

TEST(ShowChart, SampleDocumentOnTheDisplay) {
    if (!std::getenv("KORVIDA_SHOW_CHART")) GTEST_SKIP() << "set KORVIDA_SHOW_CHART to show the window";
    if (QGuiApplication::platformName() == "offscreen") GTEST_SKIP() << "needs a display";
    charttest::ResetEscape();
    charttest::TestApp app;
    TChartWindow w;
    w.setWindowTitle("Korvida - page view");
    w.SetClientSize(1000, 760);
    w.Create();
    auto set = kvtest::MakeSampleBoxFrame();
    ASSERT_TRUE(w.AxisSets.Add(set));
    w.Env->IsGrid = 1;
    w.Env->GridPitch = 200;
    w.Env->PaperColor = RGB(255, 255, 245);
    w.CmZoom50();
    w.move(20, 20);
    w.show();
    const char* secs = std::getenv("KORVIDA_SHOW_SECONDS");
    const int ms = (secs ? std::atoi(secs) : 5) * 1000;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_FALSE(w.BackingImage().isNull());
}

}  // namespace
