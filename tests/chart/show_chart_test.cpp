// Shows a sample document in the page view on a real display, for a look and a
// screenshot. Runs only when asked:
//   KORVIDA_SHOW_CHART=1 QT_QPA_PLATFORM=xcb test_chart --gtest_filter='ShowChart.*'
// KORVIDA_SHOW_SECONDS sets how long the window stays (default 5), KORVIDA_SHOW_ZOOM
// the zoom step (25, 50, 75, 100, 150, 200 or 400; default 50).

#include "chart_fixture.h"

#include "support/helpers/sample_document.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>

#include <QThread>

#include <cstdio>
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
    const char* zoom = std::getenv("KORVIDA_SHOW_ZOOM");
    kv::win::TCommandRouter router;
    router.SetTargets({&w});
    const int steps[7] = {25, 50, 75, 100, 150, 200, 400};
    int id = CM_ZOOM50;
    for (int i = 0; i < 7; ++i)
        if (zoom && std::atoi(zoom) == steps[i]) id = CM_ZOOM25 + i;
    ASSERT_TRUE(router.Execute(id));
    w.move(20, 20);
    w.show();
    const char* secs = std::getenv("KORVIDA_SHOW_SECONDS");
    const int ms = (secs ? std::atoi(secs) : 5) * 1000;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_FALSE(w.BackingImage().isNull());
}

// A long operation on the display: polls the Escape check until someone presses
// Escape in the window (xdotool key Escape) or the time is up.
TEST(ShowChart, EscapeStopsALongOperation) {
    if (!std::getenv("KORVIDA_SHOW_CHART")) GTEST_SKIP() << "set KORVIDA_SHOW_CHART to show the window";
    if (QGuiApplication::platformName() == "offscreen") GTEST_SKIP() << "needs a display";
    charttest::ResetEscape();
    charttest::TestApp app;
    TChartWindow w;
    w.SetClientSize(400, 300);
    w.Create();
    w.show();
    w.activateWindow();
    w.ClientWidget()->setFocus();
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 1000) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    std::printf("polling\n");
    std::fflush(stdout);
    int polls = 0;
    timer.restart();
    while (timer.elapsed() < 8000 && CheckEscapeAbort() == 0) {
        ++polls;
        QThread::msleep(5);
    }
    std::printf("latched after %d polls, %lld ms\n", polls, (long long)timer.elapsed());
    EXPECT_EQ(AbortRequested, 1);
    AbortRequested = 0;
}

}  // namespace
