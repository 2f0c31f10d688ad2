// Painting the page: sheet, shadow, printable area and grid dots at chosen pixels
// of the backing image, the axis sets with the view's switches, and the Escape
// check during a paint.

#include "chart_fixture.h"

#include "support/helpers/recording_dc.h"
#include "support/helpers/sample_document.h"
#include "platform/escape.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <climits>
#include <cstdio>
#include <fstream>
#include <set>
#include <string>

using charttest::MakeChart;
using charttest::PixelAt;
using charttest::TestApp;

namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kPaper = RGB(255, 255, 200);

class PagePaint : public ::testing::Test {
protected:
    void SetUp() override {
        charttest::ResetEscape();
        w = MakeChart();
        w->CmZoom50();  // the whole A4 sheet fits 800 x 600 pixels
        w->Document.Env->PaperColor = kPaper;
        // The axis set away from the spots the sheet tests look at.
        w->Document.Current->Frame.OriginX = 3000;
        w->Document.Current->Frame.OriginY = 3000;
        w->Document.Current->Frame.FrameLengthX = 2000;
        w->Document.Current->Frame.FrameLengthY = 2000;
    }
    // The pixel of a page point, through the mapping the last paint left.
    TPoint Dev(int x, int y) const {
        TPoint p(x, y);
        w->WindowDC->LPtoDP(&p);
        return p;
    }
    COLORREF At(int x, int y) const { return PixelAt(w->BackingImage(), Dev(x, y)); }
    void Repaint() {
        w->Invalidate();
        w->UpdateWindow();
    }
    // A frame's fill colour shows at its centre.
    bool FrameShown(const BoxFrame& set) const {
        const TRect r = set.GetFrameRect();
        return At((r.left + r.right) / 2, (r.top + r.bottom) / 2) == set.Frame.FrameBackColor;
    }

    TestApp app;
    std::unique_ptr<TChartWindow> w;
};

TEST_F(PagePaint, SheetShadowAndPrintableArea) {
    Repaint();
    const TEnv& e = *w->Document.Env;
    const int ox = e.PrintOffsetX, oy = e.PrintOffsetY, pw = e.PaperWidth, ph = e.PaperHeight;
    // The shadow: right of the sheet from 100 twips below its top, and below it.
    EXPECT_EQ(At(pw - ox + 50, ph / 2), kBlack);
    EXPECT_EQ(At(pw / 2, ph - oy + 50), kBlack);
    EXPECT_EQ(At(pw - ox + 50, ph - oy + 50), kBlack);
    EXPECT_EQ(At(pw - ox + 50, -oy + 40), kWhite);
    EXPECT_EQ(At(-ox + 40, ph - oy + 50), kWhite);
    // Background beside the sheet, paper colour on it, its outline black.
    EXPECT_EQ(At(-ox - 300, ph / 2), kWhite);
    EXPECT_EQ(At(-ox / 2, ph / 2), kPaper);
    EXPECT_EQ(At(e.PrintableWidth / 2, e.PrintableHeight / 2), kPaper);
    EXPECT_EQ(At(-ox, ph / 2), kBlack);
    // The printable area: a dotted blue outline, every row of its top edge both
    // blue and paper.
    const QImage& img = w->BackingImage();
    const TPoint a = Dev(0, 0), b = Dev(e.PrintableWidth, 0);
    int blue = 0, paper = 0;
    for (int x = a.x + 1; x < b.x - 1; ++x) {
        const COLORREF c = PixelAt(img, TPoint(x, a.y));
        blue += c == kBlue;
        paper += c == kPaper;
    }
    EXPECT_GT(blue, 20);
    EXPECT_GT(paper, 20);
    EXPECT_EQ(blue + paper, b.x - a.x - 2);
}

TEST_F(PagePaint, SampleDocumentShowsItsAxisSet) {
    auto set = kvtest::MakeSampleBoxFrame();
    BoxFrame* sample = set.get();
    ASSERT_TRUE(w->Document.AxisSets.Add(set));
    Repaint();
    const TRect r = sample->GetFrameRect();
    EXPECT_TRUE(FrameShown(*sample));
    EXPECT_EQ(At(r.left, (r.top + r.bottom) / 2), sample->Frame.FrameLineColor);
    EXPECT_EQ(At(r.left - 60, (r.top + r.bottom) / 2), kPaper);
    w->UpdateWindow();
}

TEST_F(PagePaint, GridDotsEveryFifthGridLine) {
    w->Document.Env->IsGrid = 1;
    w->Document.Env->GridPitch = 100;
    Repaint();
    EXPECT_EQ(At(10000, 15000), kBlack);
    EXPECT_EQ(At(10250, 15000), kPaper);
    EXPECT_EQ(At(10000, 15250), kPaper);
    // Pitch 200: dots at multiples of 1000 only.
    w->Document.Env->GridPitch = 200;
    Repaint();
    EXPECT_EQ(At(10000, 15000), kBlack);
    EXPECT_EQ(At(9500, 15000), kPaper);
    // Grid off: none.
    w->Document.Env->IsGrid = 0;
    Repaint();
    EXPECT_EQ(At(10000, 15000), kPaper);
}

TEST_F(PagePaint, GridDotColumnsOfTheA4PrintableArea) {
    w->Document.Env->IsGrid = 1;
    w->Document.Env->GridPitch = 100;
    RecordingDC dc;  // one twip per pixel
    w->DrawGridDots(dc);
    std::set<int> xs, ys;
    const auto calls = dc.Calls("SetPixel");
    for (const std::string& c : calls) {
        int x = 0, y = 0;
        ASSERT_EQ(std::sscanf(c.c_str(), "SetPixel(%d,%d", &x, &y), 2) << c;
        xs.insert(x);
        ys.insert(y);
    }
    EXPECT_EQ(xs.size(), 23u);  // 0, 500, ..., 11000
    EXPECT_EQ(*xs.rbegin(), 11000);
    EXPECT_EQ(ys.size(), 33u);  // 0 .. 16000
    EXPECT_EQ(calls.size(), 23u * 33u);
}

TEST_F(PagePaint, DamagedGridPitchDrawsNoDots) {
    w->Document.Env->IsGrid = 1;
    for (int pitch : {0, -100, 1, INT_MIN}) {
        SCOPED_TRACE(pitch);
        w->Document.Env->GridPitch = pitch;
        RecordingDC dc(96);
        dc.SetMapMode(MM_ANISOTROPIC);
        dc.SetWindowExt(TSize(1440, 1440));
        dc.SetViewportExt(TSize(96, 96));
        w->DrawGridDots(dc);
        EXPECT_TRUE(dc.Calls("SetPixel").empty());
        Repaint();
        EXPECT_EQ(At(10000, 15000), kPaper);
    }
}

TEST_F(PagePaint, WhileScrollingOnlyThePaper) {
    w->Document.Current->Frame.FrameBackPaint = 1;
    w->Document.Current->Frame.FrameBackColor = RGB(10, 200, 10);
    Repaint();
    ASSERT_TRUE(FrameShown(*w->Document.Current));
    w->Scrolling = 1;
    Repaint();
    EXPECT_FALSE(FrameShown(*w->Document.Current));
    EXPECT_EQ(At(3500, 3500), kPaper);
}

TEST_F(PagePaint, ManualRefreshLeavesOutOnlyTheSeries) {
    for (AxisUnit* a : {&w->Document.Current->BottomAxis, &w->Document.Current->LeftAxis}) {
        a->RangeStart = 0;
        a->RangeEnd = 5;
        a->RangeInc = 1;
    }
    auto plot = kvtest::MakeSampleSeries(3, -1.0);  // (1, 0), (2, 1), (3, 4)
    plot->Style.LineColor = RGB(255, 0, 255);
    ASSERT_TRUE(w->Document.Current->PlotList.Add(plot));
    Repaint();
    const QImage withSeries = w->BackingImage().copy();
    w->ManualRefresh = 1;
    Repaint();
    const QImage manual = w->BackingImage().copy();
    w->Document.Current->PlotList.Flush();
    w->ManualRefresh = 0;
    Repaint();
    EXPECT_NE(withSeries, manual);
    EXPECT_EQ(manual, w->BackingImage());
}

TEST_F(PagePaint, NoPrinterShowsAnA4Sheet) {
    Repaint();
    EXPECT_EQ(w->Document.Env->PaperWidth, A4PaperWidth);
    EXPECT_EQ(At(A4PaperWidth - A4PrintOffset - 150, 8000), kPaper);
    EXPECT_EQ(At(A4PaperWidth - A4PrintOffset + 50, 8000), kBlack);
    EXPECT_EQ(At(A4PaperWidth - A4PrintOffset + 150, 8000), kWhite);
}

// Three axis sets side by side, two empty series each, their axes hidden so that
// only the page view's own polls (before each axis set and each series) reach the
// key source, which counts them and answers Escape at one of them.
class ViewSwitches : public PagePaint {
protected:
    void SetUp() override {
        PagePaint::SetUp();
        const COLORREF colours[3] = {RGB(200, 0, 0), RGB(0, 200, 0), RGB(0, 0, 200)};
        for (int i = 1; i <= 3; ++i) {
            BoxFrame* set = i == 1 ? w->Document.Current : nullptr;
            std::unique_ptr<BoxFrame> made;
            if (!set) {
                made = std::make_unique<BoxFrame>();
                set = made.get();
            }
            set->Frame.OriginX = 500 + (i - 1) * 3500;
            set->Frame.OriginY = 9000;
            set->Frame.FrameLengthX = 3000;
            set->Frame.FrameLengthY = 3000;
            set->Frame.FrameBackPaint = 1;
            set->Frame.FrameBackColor = colours[i - 1];
            set->Frame.FrameType = 2;
            for (AxisUnit* a : {&set->BottomAxis, &set->LeftAxis, &set->TopAxis, &set->RightAxis})
                a->IsVisible = 0;
            for (int k = 0; k < 2; ++k) {
                auto plot = std::make_unique<TPlot>();
                plot->IsFileData = 0;
                set->PlotList.Add(plot);
            }
            if (made) w->Document.AxisSets.Add(made);
        }
        previous = kv::SetKeyMessageSource([this](kv::KeyMessage* out) {
            ++polls;
            if (polls != escapeAt) return false;
            *out = {WM_KEYDOWN, VK_ESCAPE};
            return true;
        });
    }
    void TearDown() override {
        kv::SetKeyMessageSource(previous);
        AbortRequested = 0;
    }
    std::vector<bool> Shown() const {
        std::vector<bool> v;
        for (BoxFrame* set : w->Document.AxisSets) v.push_back(FrameShown(*set));
        return v;
    }

    int polls = 0;
    int escapeAt = -1;
    kv::KeyMessageSource previous;
};

TEST_F(ViewSwitches, EveryAxisSetAndSeriesPolls) {
    Repaint();
    EXPECT_EQ(Shown(), (std::vector<bool>{true, true, true}));
    EXPECT_EQ(polls, 3 + 6);
}

TEST_F(ViewSwitches, CurrentOnlyShowsOneSetButPollsBeforeEach) {
    w->CurrentOnly = 1;
    w->Document.CurrentNo = 2;
    w->Document.Current = w->Document.AxisSets[2];
    Repaint();
    EXPECT_EQ(Shown(), (std::vector<bool>{false, true, false}));
    EXPECT_EQ(polls, 3 + 2);
}

TEST_F(ViewSwitches, ManualRefreshLeavesTheSeriesOut) {
    w->ManualRefresh = 1;
    Repaint();
    EXPECT_EQ(Shown(), (std::vector<bool>{true, true, true}));
    EXPECT_EQ(polls, 3);
}

TEST_F(ViewSwitches, EscapeDuringTheSecondSetsSeriesStopsBeforeTheThird) {
    // Polls: set 1, its two series, set 2, its first series (Escape).
    escapeAt = 5;
    Repaint();
    EXPECT_EQ(Shown(), (std::vector<bool>{true, true, false}));
    EXPECT_EQ(polls, 5);
    EXPECT_EQ(AbortRequested, 1);
    // The next paint clears the latch and draws everything again.
    Repaint();
    EXPECT_EQ(Shown(), (std::vector<bool>{true, true, true}));
}

TEST_F(ViewSwitches, ReloadBeforeDrawingReadsTheFilesAgain) {
    QTemporaryDir dir;
    const std::string file = dir.filePath("series.dat").toStdString();
    {
        std::ofstream f(file);
        f << "1 1\n2 4\n";
    }
    TPlot* plot = w->Document.AxisSets[2]->PlotList[1];
    plot->IsFileData = 1;
    lstrcpynA(plot->DataFileName, file.c_str(), MAX_PATH);
    ASSERT_EQ(plot->ReadData(), 1);
    ASSERT_EQ(plot->XData.GetItemsInContainer(), 2);
    {
        std::ofstream f(file);
        f << "1 1\n2 4\n3 9\n";
    }
    Repaint();
    EXPECT_EQ(plot->XData.GetItemsInContainer(), 2);  // not asked to reload
    w->Settings.ReloadDataBeforePlot = 1;
    Repaint();
    EXPECT_EQ(plot->XData.GetItemsInContainer(), 3);
    // A file that is gone leaves that series out; the rest of the page stays.
    QFile::remove(QString::fromStdString(file));
    Repaint();
    EXPECT_EQ(Shown(), (std::vector<bool>{true, true, true}));
}

}  // namespace
