#include "render/textlayout.h"

#include "model/boxframe.h"
#include "model/text.h"
#include "platform/dc.h"
#include "platform/measure.h"
#include "platform/winmath.h"
#include "render/markup.h"

#include <algorithm>
#include <climits>

namespace {

class DeviceMeasure final : public kv::TextMeasure {
public:
    void Begin() override { kv::TextMeasuringDC().SaveDC(); }
    void End() override {
        TDC& dc = kv::TextMeasuringDC();
        dc.RestoreFont();
        dc.RestoreDC(-1);
    }
    void SelectFont(const LOGFONT& lf) override {
        TDC& dc = kv::TextMeasuringDC();
        dc.SelectObject(TFont(lf));
        dc.GetTextMetrics(tm_);
    }
    int Height() override { return tm_.tmHeight; }
    int Ascent() override { return tm_.tmAscent; }
    int Advance(const char* s, int count) override {
        TSize size;
        kv::TextMeasuringDC().GetTextExtentPoint(s, count, &size);
        return size.cx;
    }

private:
    TEXTMETRIC tm_;
};

kv::TextMeasure* g_measure = nullptr;

int Saturate(long long v) { return int(std::clamp<long long>(v, INT_MIN, INT_MAX)); }

}  // namespace

namespace kv {

TextMeasure& DeviceTextMeasure() {
    static DeviceMeasure measure;
    return measure;
}

TextMeasure& CurrentTextMeasure() { return g_measure ? *g_measure : DeviceTextMeasure(); }

TextMeasure* SetTextMeasure(TextMeasure* measure) {
    TextMeasure* old = g_measure;
    g_measure = measure;
    return old;
}

void InstallTextLayout() {
    SetTextRelayoutHook([](BoxFrame& set) { LayoutFrameTexts(&set); });
}

}  // namespace kv

void LayoutText(TText* text, const BoxFrame* set) {
    LayoutText(text, set, kv::CurrentTextMeasure());
}

void LayoutText(TText* text, const BoxFrame* set, kv::TextMeasure& measure) {
    if (!text) return;
    using kv::MarkupKind;

    // Measured unrotated; the rotation only turns the finished box.
    LOGFONT base = text->Font;
    base.lfEscapement = 0;
    base.lfOrientation = 0;
    LOGFONT run = base;

    measure.Begin();
    measure.SelectFont(run);
    const int A = measure.Ascent();
    const int LH = measure.Height();
    text->Ascent = A;
    text->LineHeight = LH;
    int runHeight = LH, runAscent = A;

    text->CharMetrics.Flush();
    const std::string s = kv::ExpandSeriesRefs(text->String, set);
    const std::string_view view(s);
    const int sample = kv::LegendSampleWidth(text->LineHeight, text->LegendLength);

    // Sums in 64 bits: stored lengths and spacings can be anything.
    long long x = 0, m = 0;
    long long lines = 0;
    int P = 0;
    for (int i = 0; i < int(s.size());) {
        const kv::MarkupUnit u = kv::NextMarkupUnit(view, i);
        i += u.length;

        if (kv::ApplyMarkupFont(u, base, run)) {
            measure.SelectFont(run);
            runHeight = measure.Height();
            runAscent = measure.Ascent();
        }

        int d = 0;
        if (u.kind == MarkupKind::Spacing) P = MulDiv(A, u.value, 100);
        if (u.kind == MarkupKind::Normal) P = 0;
        if (u.kind == MarkupKind::Move) d = MulDiv(A, u.value, 100);

        if (u.kind == MarkupKind::LineBreak) {
            ++lines;
            x = 0;
        }

        bool widens = false;
        switch (u.kind) {
        case MarkupKind::Text: {
            const int w = measure.Advance(s.data() + u.offset, u.length);
            x += (long long)w + P;
            text->CharMetrics.Add(TCharMetric(w, runHeight, runAscent));
            widens = true;
            break;
        }
        case MarkupKind::Escaped: {
            const int w = measure.Advance(&u.code, 1);
            x += w;
            text->CharMetrics.Add(TCharMetric(w, runHeight, runAscent));
            text->CharMetrics.Add(TCharMetric());
            widens = true;
            break;
        }
        case MarkupKind::Tab:
            // A font without ascent has no tab stops.
            if (A > 0) {
                const long long stop = (long long)A * u.value;
                x = (x / stop + 1) * stop;
            }
            widens = true;
            break;
        case MarkupKind::Move: x += d; break;
        case MarkupKind::Sample: {
            const int w = Saturate((long long)sample + LH / 2);
            x += w;
            for (int k = 0; k < 4; ++k) text->CharMetrics.Add(TCharMetric());
            text->CharMetrics.Add(TCharMetric(w, runHeight, runAscent));
            widens = true;
            break;
        }
        default: break;
        }
        if (u.kind != MarkupKind::Text && u.kind != MarkupKind::Escaped &&
            u.kind != MarkupKind::Sample)
            for (int k = 0; k < u.Entries(); ++k) text->CharMetrics.Add(TCharMetric());
        if (widens) m = std::max(m, x);
    }
    measure.End();

    const long long bottom = kv::MulDiv64((long long)LH * lines, text->LineSpacing, 100) + LH;
    const TRect box(0, 0, Saturate(m), Saturate(bottom));
    const double degrees = text->Font.lfEscapement * 0.1;
    const TPoint corners[4] = {{box.left, box.top},
                               {box.right, box.top},
                               {box.right, box.bottom},
                               {box.left, box.bottom}};
    TRect r(INT_MAX, INT_MAX, INT_MIN, INT_MIN);
    for (const TPoint& c : corners) {
        TPoint p;
        RotatePoint(p, c.x, c.y, 0, A, degrees);
        r.left = std::min(r.left, p.x);
        r.top = std::min(r.top, p.y);
        r.right = std::max(r.right, p.x);
        r.bottom = std::max(r.bottom, p.y);
    }
    text->BoundingBox = r;
}

void LayoutFrameTexts(BoxFrame* set) {
    if (!set) return;
    for (TText* t : set->TextList) LayoutText(t, set);
    for (AxisUnit* axis : {&set->LeftAxis, &set->BottomAxis, &set->TopAxis, &set->RightAxis})
        for (TText* t : axis->LabelTexts) LayoutText(t, set);
}
