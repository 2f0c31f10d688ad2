#include "render/axislabels.h"

#include "model/boxframe.h"
#include "platform/cformat.h"
#include "platform/mathpolicy.h"
#include "platform/winmath.h"
#include "render/textlayout.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

// Label widths and precisions come from stored axis settings; a damaged file must
// not make one label megabytes long.
constexpr int kMaxFieldWidth = 99;

int ClampField(int v) { return std::clamp(v, -kMaxFieldWidth, kMaxFieldWidth); }

AxisUnit* AxisOf(BoxFrame& set, int axis) {
    switch (axis) {
    case BottomAxisNo: return &set.BottomAxis;
    case LeftAxisNo: return &set.LeftAxis;
    case TopAxisNo: return &set.TopAxis;
    case RightAxisNo: return &set.RightAxis;
    default: return nullptr;
    }
}

int Trunc(double v) { return TruncToIntSaturated(v); }

struct Size {
    int W = 0, H = 0;
};

Size SizeOf(const TText& t) {
    // A box laid out from a damaged font size may span the whole int range.
    const TRect& b = t.BoundingBox;
    return {Trunc(double(b.right) - b.left), Trunc(double(b.bottom) - b.top)};
}

// Where a label goes and what it is measured with: everything the placing reads.
struct Placing {
    BoxFrame* set = nullptr;
    AxisUnit* unit = nullptr;
    int axis = 0;
    int O = 0;  // outer tick end
    int A = 0;  // LabelPositionAdjust
};

std::unique_ptr<TText> NewLabel(const Placing& pl, const std::string& s) {
    auto t = std::make_unique<TText>();
    t->String = s;
    t->Font = pl.unit->LabelFont;
    t->ForColor = pl.unit->LabelFontColor;
    LayoutText(t.get(), pl.set);
    return t;
}

// The tick label position of the table: centred on the tick below or above the
// axis, or ending or starting a quarter height beside it.
TPoint TickLabelPosition(const Placing& pl, const Size& s, int p, int X) {
    const ::Frame& f = pl.set->Frame;
    double x = 0, y = 0;
    switch (pl.axis) {
    case BottomAxisNo:
        x = p - f.OriginX - s.W / 2;
        y = pl.O - f.OriginY + pl.A + X;
        break;
    case LeftAxisNo:
        x = pl.O - f.OriginX - s.W - s.H / 4 - pl.A;
        y = p - f.OriginY - s.H / 2;
        break;
    case TopAxisNo:
        x = p - f.OriginX - s.W / 2;
        y = pl.O - f.OriginY - s.H - pl.A;
        break;
    default:
        x = pl.O - f.OriginX + s.H / 4 + pl.A;
        y = p - f.OriginY - s.H / 2;
        break;
    }
    return TPoint(Trunc(x), Trunc(y));
}

TPoint FactorLabelPosition(const Placing& pl, const Size& s, int wmax) {
    const ::Frame& f = pl.set->Frame;
    double x = 0, y = 0;
    switch (pl.axis) {
    case BottomAxisNo:
        x = f.FrameLengthX - s.W;
        y = pl.O - f.OriginY + pl.A + s.H;
        break;
    case LeftAxisNo:
        x = pl.O - f.OriginX - s.W - s.H / 4 - pl.A - wmax - s.H / 4;
        y = 0;
        break;
    case TopAxisNo:
        x = f.FrameLengthX - s.W;
        y = pl.O - f.OriginY - pl.A - 2.0 * s.H;
        break;
    default:
        x = pl.O - f.OriginX + s.H / 4 + pl.A + wmax + s.H / 4;
        y = 0;
        break;
    }
    return TPoint(Trunc(x), Trunc(y));
}

// The decades of a logarithmic range: first decade d0, candidate count n + 1 and
// the tolerant bounds. False when the range has none that can be counted.
struct Decades {
    double d0 = 0, lo = 0, hi = 0;
    int n = 0;
};

bool DecadesOf(double S, double E, Decades& d) {
    using namespace kv::math;
    d.d0 = Pow(10.0, Floor(Log10(S)));
    const double d1 = Pow(10.0, Floor(Log10(E))) + 1.0;
    const double count = Log10(d1 / d.d0);
    const double eps = (Log10(E) - Log10(S)) * 1e-7;
    d.lo = S / Pow(10.0, eps);
    d.hi = E * Pow(10.0, eps);
    if (!std::isfinite(d.d0) || !std::isfinite(count) || !std::isfinite(d.lo) ||
        !std::isfinite(d.hi) || !(count >= -2 && count + 2 <= MaxLabelTicks))
        return false;
    d.n = int(count) + 2;
    return true;
}

}  // namespace

void FormatTickLabel(std::string& text, std::string& factorText, double rangeStart,
                     double rangeEnd, double rangeInc, double value, int linear, int labelFormat,
                     int addPlus, char manualPrecision, int intPrecision, int decimalPrecision) {
    using namespace kv::math;
    text.clear();
    const double I = rangeInc;
    if (linear != 1) {
        const double m = Floor(Log10(value) / Log10(I) - 0.001) + 1;
        if (labelFormat == 1)
            text = addPlus == 1 ? kv::Format("%+.15lg", Pow(10.0, m)) : kv::Format("%.15lg", Pow(10.0, m));
        else if (labelFormat == 2)
            text = addPlus == 1 ? kv::Format("10^%+d", Trunc(m)) : kv::Format("10^%d", Trunc(m));
        return;
    }

    const double m = Floor(value / I - 0.001) + 1;
    // A common power-of-ten factor when the larger end needs the exponent form.
    const double M = std::max(std::fabs(rangeStart), std::fabs(rangeEnd));
    double F = 1.0;
    const bool factor = kv::Format("%lg", M).find('e') != std::string::npos;
    if (factor) F = Pow(10.0, Floor(Log10(M)));

    // Automatic decimals: everything after the point of the increment's text.
    const std::string inc = kv::Format("%.15lg", I / F);
    const std::size_t dot = inc.find('.');
    const int D = dot == std::string::npos ? 0 : int(inc.size() - dot - 1);

    const double shown = m * I / F;
    if (manualPrecision == 1) {
        if (decimalPrecision == -1)
            text = addPlus == 1 ? kv::Format("%+.*lf", D, shown) : kv::Format("%.*lf", D, shown);
        else
            text = addPlus == 1
                       ? kv::Format("%+*.*lf", ClampField(intPrecision), ClampField(decimalPrecision), shown)
                       : kv::Format("%*.*lf", ClampField(intPrecision), ClampField(decimalPrecision), shown);
    } else {
        text = addPlus == 1 ? kv::Format("%+.15lg", shown) : kv::Format("%.15lg", shown);
    }

    // "(", the Symbol font's multiplication sign 0xB4, the own face again, then
    // 10 with a raised exponent.
    factorText = factor ? kv::Format("(%%G\xB4%%F10^%d@)", Trunc(Floor(Log10(F) + 0.5))) : std::string();
}

void FormatLogTickLabel(std::string& text, double rangeInc, double value, int labelFormat,
                        int addPlus) {
    using namespace kv::math;
    text.clear();
    const double k = Floor(Log10(value) / Log10(rangeInc) - 0.001);
    if (labelFormat == 1) {
        text = addPlus == 1 ? kv::Format("%+.15lg", value) : kv::Format("%.15lg", value);
    } else if (labelFormat == 2) {
        const long digit = Trunc(Floor(value / Pow(10.0, Trunc(k)) + 0.1));
        text = addPlus == 1 ? kv::Format("%+ld", digit) : kv::Format("%ld", digit);
    }
}

void MakeAxisLabels(BoxFrame* set, int axis) {
    if (!set) return;
    AxisUnit* unit = AxisOf(*set, axis);
    if (!unit || unit->IsAutoLabel == 0) return;
    unit->LabelTexts.Flush();
    if (unit->LabelFormat == 0) return;

    const ::Frame& f = set->Frame;
    const AxisUnit& bottom = set->BottomAxis;
    const AxisUnit& left = set->LeftAxis;
    if ((f.FrameType == 0 || f.FrameType == 1) && bottom.IsVisible == 0) return;
    if (f.FrameType == 2 && unit->IsVisible == 0) return;

    const int T = Trunc(f.TickLengthRate * double(unit->TickLength) * 0.01);

    const int frameLeft = Trunc(f.OriginX);
    const int frameBottom = Trunc(f.OriginY + f.FrameLengthY);
    // In X-Y and independent frames each axis stands where the other one crosses.
    const int bottomLine = (f.FrameType == 0 || left.AutoCrossPoint == 1)
                               ? frameBottom
                               : set->ValueToPageInt(left.CrossPointValue, LeftAxisNo);
    const int leftLine = (f.FrameType == 0 || bottom.AutoCrossPoint == 1)
                             ? frameLeft
                             : set->ValueToPageInt(bottom.CrossPointValue, BottomAxisNo);
    bool crossAtZero = false;
    if (f.FrameType == 0 || f.FrameType == 1)
        crossAtZero = leftLine == set->ValueToPageInt(0.0, BottomAxisNo) &&
                      bottomLine == set->ValueToPageInt(0.0, LeftAxisNo);

    int L = 0;
    switch (axis) {
    case BottomAxisNo: L = bottomLine; break;
    case LeftAxisNo: L = leftLine; break;
    case TopAxisNo: L = Trunc(f.OriginY); break;
    default: L = Trunc(f.OriginX + f.FrameLengthX); break;
    }
    int O = L;
    if (unit->TickOutside == 1)
        O = Trunc((axis == BottomAxisNo || axis == RightAxisNo) ? double(L) + T : double(L) - T);

    Placing pl;
    pl.set = set;
    pl.unit = unit;
    pl.axis = axis;
    pl.O = O;
    pl.A = unit->LabelPositionAdjust;

    const double S = unit->RangeStart, E = unit->RangeEnd, I = unit->RangeInc;
    // A range or increment that cannot be counted in ticks gets no labels.
    if (!std::isfinite(S) || !std::isfinite(E) || !std::isfinite(I) || !(I > 0)) return;

    std::string text, factorText;
    int wmax = 0;
    const int scaling = unit->Scaling;
    if (scaling == 0 || scaling == 3 || scaling == 4) {
        const double first = std::floor(S / I) * I;
        const double last = std::floor(E / I) * I + I;
        const double eps = (E - S) * 1e-7;
        const double count = (last - first) / I;
        // A reversed range holds no tick; a count beyond the cap gets no labels.
        if (!std::isfinite(first) || !std::isfinite(last) ||
            !(count >= -2 && count + 2 <= MaxLabelTicks))
            return;
        const int n = int(count) + 2;
        for (int i = 0; i <= n; ++i) {
            const double v = i * I + first;
            if (!(S - eps <= v && v <= E + eps)) continue;
            FormatTickLabel(text, factorText, S, E, I, v, 1, unit->LabelFormat, unit->LabelAddPlus,
                            char(unit->ManualNumPrecision), unit->IntPrecision,
                            unit->DecimalPrecision);
            auto label = NewLabel(pl, text);
            const Size s = SizeOf(*label);
            wmax = std::max(wmax, s.W);
            const int p = set->ValueToPageInt(v, axis);
            label->Position = TickLabelPosition(pl, s, p, 0);
            // One zero where the axes cross serves both: it stands where a left
            // label would, at the bottom labels' height.
            if (v == 0.0 && bottom.ZeroCommon == 1 && f.FrameType != 2 && crossAtZero) {
                if (axis == LeftAxisNo) continue;
                if (axis == BottomAxisNo) {
                    const int T2 = left.TickOutside == 1 ? T : 0;
                    label->Position.x = Trunc(p - f.OriginX - s.W - T2 - s.H / 4 -
                                              double(left.LabelPositionAdjust));
                }
            }
            unit->LabelTexts.Add(label.release());
        }
    } else if (scaling == 1 || scaling == 2) {
        Decades d;
        if (!DecadesOf(S, E, d)) return;
        int k = unit->LabelSkip;
        if (k == 0) {
            const double span = kv::math::Log10(E) - kv::math::Log10(S);
            k = span >= 60 ? 10 : span >= 18 ? 5 : span >= 12 ? 3 : span >= 7 ? 2 : 1;
        }
        for (int i = 0; i <= d.n; ++i) {
            const double v = kv::math::Pow(10.0, i) * d.d0;
            if (!(d.lo <= v && v <= d.hi)) continue;
            const int e = Trunc(std::floor(kv::math::Log10(v) + 0.4));
            if (e % k != 0) continue;
            FormatTickLabel(text, factorText, S, E, I, v, 0, unit->LabelFormat, unit->LabelAddPlus,
                            0, 0, 0);
            auto label = NewLabel(pl, text);
            const Size s = SizeOf(*label);
            wmax = std::max(wmax, s.W);
            const int p = set->ValueToPageInt(v, axis);
            label->Position = TickLabelPosition(pl, s, p, unit->LabelFormat == 2 ? s.H / 4 : 0);
            unit->LabelTexts.Add(label.release());
        }
    }

    if (!factorText.empty()) {
        auto label = NewLabel(pl, factorText);
        label->Position = FactorLabelPosition(pl, SizeOf(*label), wmax);
        unit->LabelTexts.Add(label.release());
    }

    if ((scaling == 1 || scaling == 2) &&
        kv::math::Log10(E) - kv::math::Log10(S) <= 1.0) {
        Decades d;
        if (!DecadesOf(S, E, d)) return;
        static const int kHalf[] = {5};
        static const int kEven[] = {2, 4, 6, 8};
        static const int kAll[] = {2, 3, 4, 5, 6, 7, 8, 9};
        const int* mult = kAll;
        int count = 8;
        if (unit->MinorTickDivision == 1) count = 0;
        else if (unit->MinorTickDivision == 2) mult = kHalf, count = 1;
        else if (unit->MinorTickDivision == 5) mult = kEven, count = 4;
        for (int i = 0; i <= d.n; ++i)
            for (int j = 0; j < count; ++j) {
                const double v = kv::math::Pow(10.0, i) * d.d0 * mult[j];
                if (!(d.lo <= v && v <= d.hi)) continue;
                FormatLogTickLabel(text, I, v, unit->LabelFormat, unit->LabelAddPlus);
                auto label = NewLabel(pl, text);
                const Size s = SizeOf(*label);
                const int p = set->ValueToPageInt(v, axis);
                label->Position = TickLabelPosition(pl, s, p, unit->LabelFormat == 2 ? s.H / 4 : 0);
                unit->LabelTexts.Add(label.release());
            }
    }
}

void UpdateAxisLabels(BoxFrame* set) {
    if (!set) return;
    for (int axis : {BottomAxisNo, LeftAxisNo, TopAxisNo, RightAxisNo}) {
        AxisUnit* unit = AxisOf(*set, axis);
        if (unit->IsAutoLabel == 1) MakeAxisLabels(set, axis);
    }
}
