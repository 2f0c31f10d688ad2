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
#include <cstring>
#include <ctime>
#include <memory>
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
    ASSERT_TRUE(w.Document.AxisSets.Add(set));
    w.Document.Env->IsGrid = 1;
    w.Document.Env->GridPitch = 200;
    w.Document.Env->PaperColor = RGB(255, 255, 245);
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

// A long drawing on the display: the page view repaints a page of three million
// points, each with a circle, again and again until someone presses Escape in the
// window (xdotool key Escape); scripts/show-app.sh compares the time it printed
// when the drawing stopped with the time of the key press. With
// KORVIDA_ESCAPE_CONTROL naming a file, the script may ask for another attempt:
// after each stop the test waits (up to 10 s) for that file to hold one more
// line "again" than stops so far, and then draws on ("polling" again), or for a
// line "done"; without the file there is one attempt.
TEST(ShowChart, EscapeStopsALongDrawing) {
    if (!std::getenv("KORVIDA_SHOW_CHART")) GTEST_SKIP() << "set KORVIDA_SHOW_CHART to show the window";
    if (QGuiApplication::platformName() == "offscreen") GTEST_SKIP() << "needs a display";
    charttest::ResetEscape();
    charttest::TestApp app;
    TChartWindow w;
    w.SetClientSize(1000, 700);
    w.Create();
    auto set = std::make_unique<BoxFrame>();
    set->Frame.OriginX = 1000;
    set->Frame.OriginY = 1000;
    set->Frame.FrameLengthX = 9000;
    set->Frame.FrameLengthY = 6000;
    for (AxisUnit* a : {&set->BottomAxis, &set->LeftAxis, &set->TopAxis, &set->RightAxis}) {
        a->RangeStart = 0;
        a->RangeEnd = 10;
    }
    constexpr int kSeries = 12, kPoints = 250000;
    unsigned seed = 1;
    for (int k = 0; k < kSeries; ++k) {
        auto plot = std::make_unique<TPlot>();
        for (int i = 0; i < kPoints; ++i) {
            seed = seed * 1103515245u + 12345u;
            plot->AddX(TDataElement(10.0 * i / kPoints));
            plot->AddY(TDataElement(1 + 0.6 * k + ((seed >> 8) & 0xFFFF) / 65535.0));
        }
        plot->Style.LineWidth = 300;
        plot->Style.MarkerStyle = 5;  // circles
        set->PlotList.Add(plot.release());
    }
    ASSERT_TRUE(w.Document.AxisSets.Add(set.release()));
    w.show();
    w.activateWindow();
    w.ClientWidget()->setFocus();
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 1000) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);

    // One whole repaint, for scale.
    timer.restart();
    w.Invalidate();
    w.UpdateWindow();
    const long long whole = timer.elapsed();
    const char* control = std::getenv("KORVIDA_ESCAPE_CONTROL");
    // The lines of the control file that are word.
    auto lines = [&](const char* word) {
        int count = 0;
        if (std::FILE* f = control ? std::fopen(control, "r") : nullptr) {
            char line[64];
            while (std::fgets(line, sizeof line, f))
                if (std::strncmp(line, word, std::strlen(word)) == 0) ++count;
            std::fclose(f);
        }
        return count;
    };
    for (int attempt = 1;; ++attempt) {
        std::printf("polling (a whole repaint takes %lld ms)\n", whole);
        std::fflush(stdout);
        int repaints = 0;
        timer.restart();
        while (timer.elapsed() < 20000) {
            w.Invalidate();
            w.UpdateWindow();
            ++repaints;
            if (AbortRequested == 1) break;
        }
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        std::printf("stopped at %lld after %d repaints (attempt %d)\n",
                    (long long)now.tv_sec * 1000000000LL + now.tv_nsec, repaints, attempt);
        std::fflush(stdout);
        EXPECT_EQ(AbortRequested, 1);
        AbortRequested = 0;
        if (!control || attempt >= 10) break;
        // The script's word: another attempt, or done.
        timer.restart();
        while (timer.elapsed() < 10000 && lines("again") < attempt && lines("done") == 0)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        if (lines("again") < attempt) break;
    }
}

}  // namespace
