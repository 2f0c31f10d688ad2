// The drawing pass over a page: the order of the drawing steps by paint order,
// where Escape stops it, the page view's variant, the extent estimates, and a whole
// sample page written as kvx and as PNG.

#include "render/graphdraw.h"

#include "axis_test_support.h"
#include "kvx_records.h"
#include "platform/escape.h"
#include "render/kvx.h"
#include "render/output.h"
#include "support/helpers/recording_dc.h"
#include "support/helpers/sample_document.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>

#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

using Steps = std::vector<std::string>;

std::unique_ptr<TText> Text(const char* s, COLORREF colour, int x, int y) {
    auto t = std::make_unique<TText>();
    t->String = s;
    t->ForColor = colour;
    t->Position = TPoint(x, y);
    t->LineHeight = 300;
    t->Ascent = 240;
    for (const char* p = s; *p; ++p) t->CharMetrics.Add(TCharMetric(150, 300, 240));
    t->BoundingBox = TRect(0, 0, 150 * int(std::strlen(s)), 300);
    return t;
}

// A document whose every drawing step uses a colour of its own, so that the calls
// reaching a recording context tell which step made them.
class GraphPass : public ::testing::Test {
protected:
    // Adds an axis set; its steps are named "<step><set number>".
    BoxFrame& AddSet(int paintOrder) {
        const int n = sets.GetItemsInContainer() + 1;
        auto set = std::make_unique<BoxFrame>();
        axistest::SetRoundFrame(*set);
        set->PaintOrder = paintOrder;
        set->Frame.FrameBackPaint = 1;
        set->Frame.FrameBackColor = Colour("background", n);
        for (AxisUnit* a : {&set->BottomAxis, &set->LeftAxis, &set->TopAxis, &set->RightAxis}) {
            a->MajorTickLineStyle = 1;
            a->MajorTickLineColor = a->MinorTickLineColor = Colour("grids", n);
            a->TickColor = Colour("axes", n);
        }
        for (int k = 1; k <= 2; ++k) {
            auto p = std::make_unique<TPlot>();
            p->AddX(TDataElement(k));
            p->AddY(TDataElement(k));
            p->Style.LineColor = Colour("series" + std::to_string(k) + "-", n);
            set->PlotList.Add(p.release());
        }
        auto z = std::make_unique<TZukei>();
        z->Kind = ZukeiLine;
        z->PenColor = Colour("figures", n);
        z->Nodes.Add(DoublePoint(0, 0));
        z->Nodes.Add(DoublePoint(1000, 500));
        set->ZukeiList.Add(z.release());
        for (int k = 1; k <= 2; ++k)
            set->TextList.Add(Text("T", Colour("text" + std::to_string(k) + "-", n), 100, 100 * k).release());
        set->BottomAxis.LabelTexts.Add(Text("0", Colour("labels", n), 0, 7100).release());
        set->RightAxis.LabelTexts.Add(Text("5", Colour("labels", n), 7100, 0).release());
        BoxFrame& ref = *set;
        sets.Add(set.release());
        return ref;
    }

    COLORREF Colour(const std::string& step, int set) {
        const int k = int(names.size()) + 1;
        const COLORREF c = RGB(k, set, 7);
        char hex[16];
        std::snprintf(hex, sizeof hex, "#%02X%02X%02X", k, set, 7);
        names[hex] = step + std::to_string(set);
        return c;
    }

    // The named steps in the order their pens, brushes and text colours reached
    // the context, repeats merged.
    Steps StepsOf(const RecordingDC& dc) const {
        Steps out;
        for (const std::string& call : dc.Calls()) {
            const auto hash = call.find('#');
            if (hash == std::string::npos) continue;
            const auto it = names.find(call.substr(hash, 7));
            if (it == names.end()) continue;
            if (out.empty() || out.back() != it->second) out.push_back(it->second);
        }
        return out;
    }

    Steps Pass() {
        RecordingDC dc;
        DrawGraph(sets, OUT_DC, dc, nullptr, nullptr);
        return StepsOf(dc);
    }

    TIArrayAsVector<BoxFrame> sets{1, 10};
    std::map<std::string, std::string> names;
};

// The steps after the background and the grids of one axis set.
Steps Overlays(int n) {
    const std::string s = std::to_string(n);
    return {"figures" + s, "text1-" + s, "text2-" + s, "labels" + s};
}

Steps Concat(std::initializer_list<Steps> parts) {
    Steps out;
    for (const Steps& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

TEST_F(GraphPass, StepsFollowThePaintOrderOfEachAxisSet) {
    AddSet(1);
    AddSet(2);
    AddSet(0);
    EXPECT_EQ(Pass(), Concat({{"background1", "grids1", "series1-1", "series2-1", "axes1"},
                              Overlays(1),
                              {"background2", "grids2", "axes2", "series1-2", "series2-2"},
                              Overlays(2),
                              {"background3", "grids3", "series1-3", "series2-3"},  // no axes
                              Overlays(3)}));
    EXPECT_EQ(AbortRequested, 0);
}

// Answers Escape at the first poll after `when` holds; counts the polls.
class EscapeWhen {
public:
    explicit EscapeWhen(std::function<bool()> when) {
        AbortRequested = 0;
        previous_ = kv::SetKeyMessageSource([this, when](kv::KeyMessage* out) {
            ++polls;
            if (!when()) return false;
            out->message = WM_KEYDOWN;
            out->key = VK_ESCAPE;
            return true;
        });
    }
    ~EscapeWhen() {
        kv::SetKeyMessageSource(std::move(previous_));
        AbortRequested = 0;
    }
    int polls = 0;

private:
    kv::KeyMessageSource previous_;
};

TEST_F(GraphPass, EscapeAmongTheSeriesStillDrawsTheAxesOnTopAndNothingAfter) {
    AddSet(1);
    AddSet(1);
    {
        RecordingDC dc;
        EscapeWhen keys([&] { return StepsOf(dc).size() >= 3; });  // series 1 drawn
        DrawGraph(sets, OUT_DC, dc, nullptr, nullptr);
        EXPECT_EQ(StepsOf(dc), (Steps{"background1", "grids1", "series1-1", "axes1"}));
        EXPECT_EQ(AbortRequested, 1);
        EXPECT_EQ(CheckEscapeAbort(), 1);  // what the exports ask after the pass
    }
    AbortRequested = 1;

    // The next pass starts afresh and draws everything.
    RecordingDC again;
    DrawGraph(sets, OUT_DC, again, nullptr, nullptr);
    EXPECT_EQ(StepsOf(again).size(), 2 * 9u);
    EXPECT_EQ(AbortRequested, 0);
}

TEST_F(GraphPass, EscapeBetweenTextsEndsEveryLaterWalk) {
    AddSet(2);
    AddSet(2);
    RecordingDC dc;
    EscapeWhen keys([&] {
        const Steps s = StepsOf(dc);
        return !s.empty() && s.back() == "text1-1";
    });
    DrawGraph(sets, OUT_DC, dc, nullptr, nullptr);
    EXPECT_EQ(StepsOf(dc), Concat({{"background1", "grids1", "axes1", "series1-1", "series2-1",
                                    "figures1", "text1-1"}}));
}

TEST_F(GraphPass, EscapeBeforeAnAxisSetEndsThePassAndPrintingIsNeverStopped) {
    AddSet(1);
    AddSet(1);
    {
        RecordingDC dc;
        EscapeWhen keys([&] {  // set 1 complete
            const Steps s = StepsOf(dc);
            return !s.empty() && s.back() == "labels1";
        });
        DrawGraph(sets, OUT_DC, dc, nullptr, nullptr);
        EXPECT_EQ(StepsOf(dc).back(), "labels1");
        EXPECT_EQ(StepsOf(dc).front(), "background1");
    }
    {
        RecordingDC dc;
        EscapeWhen keys([] { return true; });
        AbortPollEnabled = 0;
        DrawGraph(sets, OUT_DC, dc, nullptr, nullptr);
        AbortPollEnabled = 1;
        EXPECT_EQ(StepsOf(dc).size(), 18u);
        EXPECT_EQ(keys.polls, 0);
    }
}

TEST_F(GraphPass, PageViewHonoursItsSwitchesAndPollsOnlyBeforeSetsAndSeries) {
    AddSet(1);
    AddSet(1);
    AddSet(2);
    auto view = [&](GraphViewSettings v) {
        RecordingDC dc;
        DrawGraphView(sets, dc, v);
        return StepsOf(dc);
    };
    GraphViewSettings v;
    v.CurrentOnly = 1;
    v.CurrentNo = 2;
    EXPECT_EQ(view(v), Concat({{"background2", "grids2", "series1-2", "series2-2", "axes2"},
                               Overlays(2)}));
    v.ManualRefresh = 1;
    EXPECT_EQ(view(v), Concat({{"background2", "grids2", "axes2"}, Overlays(2)}));

    // Draft: every pen of the page at width 0.
    v = GraphViewSettings();
    v.Quality = 0;
    RecordingDC draft;
    DrawGraphView(sets, draft, v);
    for (const std::string& pen : draft.Calls("SelectPen"))
        EXPECT_EQ(pen.substr(0, 14), "SelectPen(0,0,") << pen;

    // Escape among the series of set 2: its other series are skipped, its axes,
    // figures, texts and labels still drawn, set 3 not.
    RecordingDC dc;
    EscapeWhen keys([&] {
        const Steps s = StepsOf(dc);
        return !s.empty() && s.back() == "series1-2";
    });
    DrawGraphView(sets, dc, GraphViewSettings());
    EXPECT_EQ(StepsOf(dc), Concat({{"background1", "grids1", "series1-1", "series2-1", "axes1"},
                                   Overlays(1),
                                   {"background2", "grids2", "series1-2", "axes2"},
                                   Overlays(2)}));
}

TEST(GraphExtent, MeasuringGrowsTheCallersRectangleAndDrawsNothing) {
    TIArrayAsVector<BoxFrame> sets{1, 10};
    sets.Add(kvtest::MakeSampleBoxFrame().release());
    TDC none;
    TRect extent(5000, 5000, 5001, 5001);
    DrawGraph(sets, OUT_EXTENT, none, nullptr, &extent);
    // The frame's background reaches from the origin over its width; the series
    // and labels reach beyond it.
    EXPECT_LE(extent.left, 1440);
    EXPECT_LE(extent.top, 720);
    EXPECT_GE(extent.right, 1440 + 7200);
}

TEST(GraphExtent, EstimatesFromFramesFiguresAndTexts) {
    TIArrayAsVector<BoxFrame> sets{1, 10};
    EXPECT_EQ(GetGraphExtent(sets), TRect());
    EXPECT_EQ(GetCurrentFrameExtent(sets, 1), TRect());

    auto a = std::make_unique<BoxFrame>();
    a->Frame.OriginX = 2000;
    a->Frame.OriginY = 3000;
    a->Frame.FrameLengthX = 7000;
    a->Frame.FrameLengthY = 7000;
    sets.Add(a.release());
    EXPECT_EQ(GetGraphExtent(sets), TRect(1900, 2900, 9100, 10100));

    // Origin and length truncated on their own: 100 + 500.
    sets[1]->Frame.OriginX = 100.7;
    sets[1]->Frame.FrameLengthX = 500.6;
    EXPECT_EQ(GetGraphExtent(sets), TRect(0, 2900, 700, 10100));

    // A line from lower right to upper left counts with its normalised box; a text
    // never laid out still pulls the estimate to its position.
    auto z = std::make_unique<TZukei>();
    z->Kind = ZukeiLine;
    z->Bounds = TRect(900, 8000, -300, 7500);
    sets[1]->ZukeiList.Add(z.release());
    auto t = std::make_unique<TText>();
    t->Position = TPoint(-1000, 0);
    sets[1]->TopAxis.LabelTexts.Add(t.release());
    EXPECT_EQ(GetGraphExtent(sets), TRect(-1000, 2900, 1100, 11100));

    // A second axis set: only the whole graph sees it.
    auto b = std::make_unique<BoxFrame>();
    b->Frame.OriginX = 20000;
    b->Frame.OriginY = 100;
    b->Frame.FrameLengthX = 1000;
    b->Frame.FrameLengthY = 1000;
    auto text = Text("AB", 0, 50, 60);
    b->TextList.Add(text.release());
    sets.Add(b.release());
    EXPECT_EQ(GetGraphExtent(sets), TRect(-1000, 0, 21100, 11100));
    EXPECT_EQ(GetCurrentFrameExtent(sets, 1), TRect(-1000, 2900, 1100, 11100));
    EXPECT_EQ(GetCurrentFrameExtent(sets, 2), TRect(19900, 0, 21100, 1200));
    EXPECT_EQ(GetCurrentFrameExtent(sets, 3), TRect());
}

TEST(GraphPage, SamplePageAsKvxAndAsImage) {
    TIArrayAsVector<BoxFrame> sets{1, 10};
    sets.Add(kvtest::MakeSampleBoxFrame().release());
    const int pageWidth = 11338, pageHeight = 16270;

    // kvx: header, page, bounding box from a measuring pass, the drawing, footer.
    TDC none;
    TRect extent;
    DrawGraph(sets, OUT_EXTENT, none, nullptr, &extent);
    kvxtest::ScratchFile f;
    OutFileHeader(1340, f);
    OutPageInfo(pageWidth, pageHeight, f);
    OutBoundingBox(extent.left, extent.top, extent.right, extent.bottom, f);
    DrawGraph(sets, OUT_VECTOR, none, f, &extent);
    OutFileFooter(f);
    const std::string text = f.Text();
    const QString kvxPath = QDir::temp().filePath("korvida_sample_page.kvx");
    if (FILE* out = std::fopen(kvxPath.toLocal8Bit().constData(), "wb")) {
        std::fwrite(text.data(), 1, text.size(), out);
        std::fclose(out);
    }
    const auto records = kvxtest::Records(text);
    auto count = [&](const char* tag) {
        int n = 0;
        for (const std::string& r : records) n += r.compare(0, 3, tag) == 0;
        return n;
    };
    EXPECT_GT(count("LNT"), 50);  // axes, ticks, grids, series lines, error bars
    EXPECT_GT(count("ELS"), 0);   // the circle markers of the file series
    EXPECT_GT(count("TXO"), 0);   // texts and labels
    EXPECT_EQ(count("BGP"), count("EDP"));

    // The same page on a 1000 x 700 image, the printable area fitted to it.
    QImage image(1000, 700, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        TDC dc(&image);
        dc.SetMapMode(MM_ANISOTROPIC);
        dc.SetWindowOrg(TPoint(0, 0));
        dc.SetWindowExt(TSize(pageHeight, pageHeight));
        dc.SetViewportOrg(TPoint(0, 0));
        dc.SetViewportExt(TSize(700, 700));
        DrawGraph(sets, OUT_DC, dc, nullptr, nullptr);
        dc.Flush();
    }
    const QString pngPath = QDir::temp().filePath("korvida_sample_page.png");
    EXPECT_TRUE(image.save(pngPath, "PNG"));
    // The frame's light yellow background fills its middle.
    EXPECT_EQ(image.pixel(7500 * 700 / pageHeight, 1500 * 700 / pageHeight) & 0xFFFFFF, 0xFFFFE0u);
    int dark = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) dark += qGray(image.pixel(x, y)) < 128;
    EXPECT_GT(dark, 500);
}

}  // namespace
