#pragma once
// The frame of an axis set (its place on the page and the base sizes every
// width, tick and marker of the set is scaled from) and one axis of it.

#include "model/text.h"
#include "platform/containers.h"
#include "platform/objstrm.h"
#include "platform/wintypes.h"

#include <cstdint>

class Frame : public TStreamableBase {
public:
    Frame() = default;
    ~Frame() override;
    // Users copy a frame whole, FrameReserved included.
    Frame(const Frame&) = default;
    Frame& operator=(const Frame&) = default;

    int FrameType = 0;              // 0 Box, 1 X-Y, 2 Independent
    double OriginX = 100.0;         // top-left corner on the page, twips
    double OriginY = 100.0;
    double FrameLengthX = 5000.0;   // width
    double FrameLengthY = 5000.0;   // height
    int FrameReserved = 100;        // stored and copied, read by nothing else
    COLORREF FrameLineColor = 0;
    int FrameBackPaint = 0;         // 1: the background is filled
    COLORREF FrameBackColor = 0xFFFFFF;
    // Base sizes in twips; the per-object percentages multiply them.
    int AxisFrameThickRate = 20;
    int TickThickRate = 20;
    int TickLengthRate = 100;
    int MarkerSizeRate = 50;
    int MarkerThickRate = 20;
    int LineThickRate = 20;
    int ZukeiLineRate = 100;
    int YasenLength = 500;          // arrow head length

    class Streamer : public TStreamerOf<Frame> {
    public:
        using TStreamerOf::TStreamerOf;
        void Read(ipstream& is, std::uint32_t version) const override;
        void Write(opstream& os) const override;
        std::uint32_t ClassVersion() const override { return 1; }
    };
    KV_STREAMABLE(Frame)
};

class AxisUnit : public TStreamableBase {
public:
    AxisUnit();
    ~AxisUnit() override;
    // Axes are assigned, never copy-constructed: the assignment drops the
    // label font's rotation on purpose.
    AxisUnit(const AxisUnit&) = delete;
    // Value assignment with deep copies of the label texts; lfEscapement and
    // lfOrientation of the label font become 0.
    AxisUnit& operator=(const AxisUnit& src);

    // ---- Defined in the render library (render/autoscale.cpp).
    // Sets RangeStart, RangeEnd and RangeInc to show the values lo to hi by
    // Scaling; with useMargin 1 the range grows by marginPercent percent of the
    // span (of the decades, of the inverse span) on either side, otherwise it is
    // lo to hi and only the increment is chosen. The axis stays as it was for
    // values that are equal or not finite, for lo not above 0 on a logarithmic or
    // inverse axis, and when no valid range results.
    void AutoScale(double lo, double hi, int useMargin, int marginPercent);

    int IsVisible = 1;
    int IsCommon = 1;               // common settings with the mirrored axis
    int DispRegionStart = 0;        // percent of the frame length
    int DispRegionEnd = 100;
    int Scaling = 0;                // 0 Linear, 1 Log10, 2 Inverse, 3 Log10(L), 4 Inverse(L)
    double RangeStart = 0.0;
    double RangeEnd = 5.0;
    double RangeInc = 1.0;
    int ScaleInv = 0;               // 1: direction reversed
    int AutoCrossPoint = 1;
    double CrossPointValue = 0.0;
    int TickInside = 1;
    int TickOutside = 0;
    COLORREF TickColor = 0;
    int TickLength = 100;           // percent of TickLengthRate
    int TickWidth = 100;            // percent of TickThickRate
    int MajorTickLineStyle = 0;     // grid line style 0-7 (0 none)
    int MajorTickLineWidth = 100;
    COLORREF MajorTickLineColor = 0;
    int MinorTickDivision = 1;      // 1: no minor ticks
    int MinorTickLineStyle = 0;
    int MinorTickLineWidth = 100;
    COLORREF MinorTickLineColor = 0;
    int LabelFormat = 1;            // 0 Null, 1 Decimal, 2 Exp
    LOGFONT LabelFont = DefaultTextFont();
    COLORREF LabelFontColor = 0;
    int LabelAddPlus = 0;
    int LabelPositionAdjust = 0;
    int LabelSkip = 0;
    int IsAutoLabel = 1;
    TIArrayAsVector<TText> LabelTexts{1, 10};  // owned numeric-label texts
    int ZeroCommon = 1;
    std::uint8_t ManualNumPrecision = 0;  // 0 or 1
    int IntPrecision = 1;
    int DecimalPrecision = -1;

    class Streamer : public TStreamerOf<AxisUnit> {
    public:
        using TStreamerOf::TStreamerOf;
        void Read(ipstream& is, std::uint32_t version) const override;
        void Write(opstream& os) const override;
        std::uint32_t ClassVersion() const override { return 4; }
    };
    KV_STREAMABLE(AxisUnit)
};
