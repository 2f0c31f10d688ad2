// Shows the plot-style dialog on a sample series on a real display, for a look
// and a screenshot. Runs only when asked:
//   KORVIDA_SHOW_DIALOG=1 QT_QPA_PLATFORM=xcb test_dialogs --gtest_filter='ShowPlotDialog.*'
// KORVIDA_SHOW_SECONDS sets how long it stays (default 5); KORVIDA_SHOW_PNG names
// a file that receives the dialog's own picture.

#include "dialogs/plotdialog.h"
#include "dialogs/support/fakechart.h"
#include "model/plot.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPixmap>

#include <cstdlib>

namespace {

TEST(ShowPlotDialog, SampleSeriesOnTheDisplay) {
    if (!std::getenv("KORVIDA_SHOW_DIALOG")) GTEST_SKIP() << "set KORVIDA_SHOW_DIALOG to show the dialog";
    if (QGuiApplication::platformName() == "offscreen") GTEST_SKIP() << "needs a display";
    kvtest::FakeChart chart;
    TPlot plot;
    lstrcpynA(plot.DataFileName, "C:\\data\\sample1.dat", MAX_PATH);
    TPlotStyle& st = plot.Style;
    st.LineStyle = 3;
    st.LineColor = RGB(0, 0, 255);
    st.LineInterpolate = 2;
    st.MarkerStyle = 5;
    st.MarkerCenterDot = 1;
    st.MarkerEdgeColor = RGB(255, 0, 0);
    st.MarkerInsideColor = RGB(255, 255, 0);
    st.MarkerSize = 150;
    st.IsYFormula = 1;
    st.YFormula = "log(y)";
    st.MaskRows = "1-3, 10";
    st.BaseValue = 0.5;
    TPlotDialog dlg(&chart, &plot, 1);
    ASSERT_TRUE(dlg.Create());
    dlg.move(40, 40);
    dlg.show();
    const char* secs = std::getenv("KORVIDA_SHOW_SECONDS");
    const int ms = (secs ? std::atoi(secs) : 5) * 1000;
    QElapsedTimer timer;
    timer.start();
    bool saved = false;
    while (timer.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        if (!saved && timer.elapsed() > 1000) {
            if (const char* png = std::getenv("KORVIDA_SHOW_PNG")) {
                EXPECT_TRUE(dlg.grab().save(png));
            }
            saved = true;
        }
    }
    dlg.CloseWindow(IDCANCEL);
}

}  // namespace
