// Drawing a laid-out text and the legend samples inside it, in every output mode.
// Nothing is measured here: every character goes out by itself at a position
// summed from the advances the layout stored, so a text looks the same on every
// device and at every zoom.

#include "model/boxframe.h"
#include "platform/winmath.h"
#include "render/markup.h"
#include "render/output.h"

#include <algorithm>
#include <climits>
#include <string>

namespace {

int Saturate(long long v) { return int(std::clamp<long long>(v, INT_MIN, INT_MAX)); }

}  // namespace

void BoxFrame::DrawText(int mode, TDC& dc, TText* text, FILE* file, TRect* extent) {
    if (!text) return;
    using kv::MarkupKind;

    OutSetTextAlign(mode, dc, TA_BASELINE);
    // Drawn rotated: the font keeps its escapement.
    const LOGFONT base = text->Font;
    LOGFONT run = base;
    OutSelectFont(mode, dc, TFont(run), file);

    const int A = text->Ascent;
    const int LH = text->LineHeight;
    const double top = text->Position.y + Frame.OriginY;
    const int x0 = TruncToIntSaturated(text->Position.x + Frame.OriginX);
    const int y0 = TruncToIntSaturated(top + A);
    const double degrees = base.lfEscapement * 0.1;
    const int angle = base.lfEscapement / 10;

    if (text->BackPaint == 1) {
        OutSetBkMode(mode, dc, OPAQUE, file);
        OutSetBkColor(mode, dc, TColor(text->BackColor), file);
    } else {
        OutSetBkMode(mode, dc, TRANSPARENT, file);
    }
    OutSetTextColor(mode, dc, TColor(text->ForColor), file);

    const std::string s = kv::ExpandSeriesRefs(text->String, this);
    const std::string_view view(s);
    const int sample = kv::LegendSampleWidth(LH, text->LegendLength);
    const int entries = text->CharMetrics.GetItemsInContainer();
    // A text changed without a new layout may have fewer entries than units: the
    // missing ones count as zero.
    auto entry = [&](int k) {
        return (k >= 1 && k <= entries) ? text->CharMetrics[k] : TCharMetric();
    };

    long long x = x0;
    long long lines = 0;
    int P = 0, Y = 0;
    int k = 0;
    int yb = y0;
    TPoint out(x0, y0);
    for (int i = 0; i < int(s.size());) {
        const kv::MarkupUnit u = kv::NextMarkupUnit(view, i);
        i += u.length;
        ++k;
        int d = 0;

        if (kv::ApplyMarkupFont(u, base, run)) {
            OutRestoreFont(mode, dc);
            OutSelectFont(mode, dc, TFont(run), file);
        }

        switch (u.kind) {
        case MarkupKind::Superscript: Y = A / 2; break;
        case MarkupKind::Subscript: Y = -(A / 4); break;  // (-A) / 4, also for a stored INT_MIN
        case MarkupKind::Normal:
            P = 0;
            Y = 0;
            break;
        case MarkupKind::Spacing: P = MulDiv(A, u.value, 100); break;
        case MarkupKind::Shift: Y = MulDiv(A, u.value, 100); break;
        case MarkupKind::Move: d = MulDiv(A, u.value, 100); break;
        case MarkupKind::Tab:
            // A font without ascent has no tab stops.
            if (A > 0) {
                const long long stop = (long long)A * u.value;
                x = ((x - x0) / stop + 1) * stop + x0;
            }
            break;
        case MarkupKind::LineBreak:
            ++lines;
            x = x0;
            break;
        default: break;
        }

        switch (u.kind) {
        case MarkupKind::Text: {
            const TCharMetric m = entry(k);
            OutTextOut(mode, dc, out.x, out.y, s.data() + u.offset, u.length, A, m.Width, m.Height,
                       m.Ascent, angle, file, extent);
            break;
        }
        case MarkupKind::Escaped: {
            const TCharMetric m = entry(k);
            OutTextOut(mode, dc, out.x, out.y, &u.code, 1, A, m.Width, m.Height, m.Ascent, angle,
                       file, extent);
            x += m.Width;
            ++k;
            break;
        }
        case MarkupKind::Sample: {
            k += 4;
            // The sample box stays unrotated, at the unrotated pen position.
            const TRect box(Saturate(x), Saturate((long long)yb - LH + A / 4 + LH / 4),
                            Saturate(x + sample), Saturate((long long)yb + A / 4 - LH / 4));
            if (u.value >= 1 && u.value <= PlotList.GetItemsInContainer())
                DrawLegendSample(mode, dc, u.value, box, file, extent);
            break;
        }
        case MarkupKind::Size:
        case MarkupKind::Shift:
        case MarkupKind::Spacing:
        case MarkupKind::Move: k += 4; break;
        case MarkupKind::Weight:
        case MarkupKind::Face:
        case MarkupKind::Tab: k += 1; break;
        default: break;
        }

        // The spacing follows every unit here, codes and line breaks included.
        yb = Saturate((long long)TruncToIntSaturated(top - Y + A) +
                      kv::MulDiv64((long long)LH * lines, text->LineSpacing, 100));
        x += (long long)entry(k).Width + P + d;
        RotatePoint(out, Saturate(x), yb, x0, y0, degrees);
    }

    OutRestoreFont(mode, dc);
    OutSetBkMode(mode, dc, OPAQUE, file);
    OutSetBkColor(mode, dc, TColor(0xFFFFFF), file);
    OutSetTextColor(mode, dc, TColor(0), file);
}
