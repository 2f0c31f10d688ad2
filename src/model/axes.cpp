#include "model/axes.h"

#include "model/records.h"
#include "model/wordio.h"

#include <cstdint>
#include <memory>

KV_REGISTER_STREAMABLE(Frame);
KV_REGISTER_STREAMABLE(AxisUnit);

// ---------------------------------------------------------------- Frame

Frame::~Frame() = default;

void Frame::Streamer::Write(opstream& os) const {
    const Frame* f = GetObject();
    os.writeWord(f->FrameType);
    os.writeDouble(f->OriginX);
    os.writeDouble(f->OriginY);
    os.writeDouble(f->FrameLengthX);
    os.writeDouble(f->FrameLengthY);
    os.writeWord(f->FrameReserved);
    os.writeRaw32(std::int32_t(f->FrameLineColor));
    os.writeWord(f->FrameBackPaint);
    os.writeRaw32(std::int32_t(f->FrameBackColor));
    os.writeWord(f->AxisFrameThickRate);
    os.writeWord(f->TickThickRate);
    os.writeWord(f->TickLengthRate);
    os.writeWord(f->MarkerSizeRate);
    os.writeWord(f->MarkerThickRate);
    os.writeWord(f->LineThickRate);
    os.writeWord(f->ZukeiLineRate);
    os.writeWord(f->YasenLength);
}

void Frame::Streamer::Read(ipstream& is, std::uint32_t) const {
    Frame* f = GetObject();
    f->FrameType = ReadIntWord(is);
    is.readDouble(f->OriginX);
    is.readDouble(f->OriginY);
    is.readDouble(f->FrameLengthX);
    is.readDouble(f->FrameLengthY);
    f->FrameReserved = ReadIntWord(is);
    is.readRaw32(f->FrameLineColor);
    f->FrameBackPaint = ReadIntWord(is);
    is.readRaw32(f->FrameBackColor);
    f->AxisFrameThickRate = ReadIntWord(is);
    f->TickThickRate = ReadIntWord(is);
    f->TickLengthRate = ReadIntWord(is);
    f->MarkerSizeRate = ReadIntWord(is);
    f->MarkerThickRate = ReadIntWord(is);
    f->LineThickRate = ReadIntWord(is);
    f->ZukeiLineRate = ReadIntWord(is);
    f->YasenLength = ReadIntWord(is);
}

// ---------------------------------------------------------------- AxisUnit

AxisUnit::AxisUnit() = default;
AxisUnit::~AxisUnit() = default;

AxisUnit& AxisUnit::operator=(const AxisUnit& src) {
    if (this == &src) return *this;  // refilling the labels from itself would destroy them
    IsVisible = src.IsVisible;
    IsCommon = src.IsCommon;
    DispRegionStart = src.DispRegionStart;
    DispRegionEnd = src.DispRegionEnd;
    Scaling = src.Scaling;
    RangeStart = src.RangeStart;
    RangeEnd = src.RangeEnd;
    RangeInc = src.RangeInc;
    ScaleInv = src.ScaleInv;
    AutoCrossPoint = src.AutoCrossPoint;
    CrossPointValue = src.CrossPointValue;
    TickInside = src.TickInside;
    TickOutside = src.TickOutside;
    TickColor = src.TickColor;
    TickLength = src.TickLength;
    TickWidth = src.TickWidth;
    MajorTickLineStyle = src.MajorTickLineStyle;
    MajorTickLineWidth = src.MajorTickLineWidth;
    MajorTickLineColor = src.MajorTickLineColor;
    MinorTickDivision = src.MinorTickDivision;
    MinorTickLineStyle = src.MinorTickLineStyle;
    MinorTickLineWidth = src.MinorTickLineWidth;
    MinorTickLineColor = src.MinorTickLineColor;
    LabelFormat = src.LabelFormat;

    // Axis labels are always set upright: the rotation is not carried over.
    LabelFont = LOGFONT{};
    LabelFont.lfHeight = src.LabelFont.lfHeight;
    LabelFont.lfWidth = src.LabelFont.lfWidth;
    LabelFont.lfWeight = src.LabelFont.lfWeight;
    LabelFont.lfItalic = src.LabelFont.lfItalic;
    LabelFont.lfUnderline = src.LabelFont.lfUnderline;
    LabelFont.lfStrikeOut = src.LabelFont.lfStrikeOut;
    LabelFont.lfCharSet = src.LabelFont.lfCharSet;
    LabelFont.lfOutPrecision = src.LabelFont.lfOutPrecision;
    LabelFont.lfClipPrecision = src.LabelFont.lfClipPrecision;
    LabelFont.lfQuality = src.LabelFont.lfQuality;
    LabelFont.lfPitchAndFamily = src.LabelFont.lfPitchAndFamily;
    lstrcpynA(LabelFont.lfFaceName, src.LabelFont.lfFaceName, LF_FACESIZE);

    LabelFontColor = src.LabelFontColor;
    LabelAddPlus = src.LabelAddPlus;
    LabelPositionAdjust = src.LabelPositionAdjust;
    LabelSkip = src.LabelSkip;
    IsAutoLabel = src.IsAutoLabel;
    ManualNumPrecision = src.ManualNumPrecision;
    IntPrecision = src.IntPrecision;
    DecimalPrecision = src.DecimalPrecision;

    LabelTexts.Flush();
    for (TText* t : src.LabelTexts) {
        auto copy = std::make_unique<TText>();
        *copy = *t;
        LabelTexts.Add(copy);
    }
    ZeroCommon = src.ZeroCommon;
    return *this;
}

void AxisUnit::Streamer::Write(opstream& os) const {
    const AxisUnit* a = GetObject();
    os.writeWord(a->IsVisible);
    os.writeWord(a->IsCommon);
    os.writeWord(a->DispRegionStart);
    os.writeWord(a->DispRegionEnd);
    os.writeWord(a->Scaling);
    os.writeDouble(a->RangeStart);
    os.writeDouble(a->RangeEnd);
    os.writeDouble(a->RangeInc);
    os.writeWord(a->ScaleInv);
    os.writeWord(a->AutoCrossPoint);
    os.writeDouble(a->CrossPointValue);
    os.writeWord(a->TickInside);
    os.writeWord(a->TickOutside);
    os.writeRaw32(std::int32_t(a->TickColor));
    os.writeWord(a->TickLength);
    os.writeWord(a->TickWidth);
    os.writeWord(a->MajorTickLineStyle);
    os.writeWord(a->MajorTickLineWidth);
    os.writeRaw32(std::int32_t(a->MajorTickLineColor));
    os.writeWord(a->MinorTickDivision);
    os.writeWord(a->MinorTickLineStyle);
    os.writeWord(a->MinorTickLineWidth);
    os.writeRaw32(std::int32_t(a->MinorTickLineColor));
    os.writeWord(a->LabelFormat);
    WriteLogFont(os, a->LabelFont);
    os.writeRaw32(std::int32_t(a->LabelFontColor));
    os.writeWord(a->LabelAddPlus);
    os.writeWord(a->LabelPositionAdjust);
    os.writeWord(a->LabelSkip);
    os.writeWord(a->IsAutoLabel);
    os.writeWord(a->LabelTexts.GetItemsInContainer());
    for (TText* t : a->LabelTexts) os << *t;
    os.writeWord(a->ZeroCommon);
    os.writeWord32(a->ManualNumPrecision ? 1u : 0u);
    os.writeWord(a->IntPrecision);
    os.writeWord(a->DecimalPrecision);
}

void AxisUnit::Streamer::Read(ipstream& is, std::uint32_t version) const {
    AxisUnit* a = GetObject();
    a->IsVisible = ReadIntWord(is);
    a->IsCommon = ReadIntWord(is);
    a->DispRegionStart = ReadIntWord(is);
    a->DispRegionEnd = ReadIntWord(is);
    a->Scaling = ReadIntWord(is);
    is.readDouble(a->RangeStart);
    is.readDouble(a->RangeEnd);
    is.readDouble(a->RangeInc);
    a->ScaleInv = ReadIntWord(is);
    a->AutoCrossPoint = ReadIntWord(is);
    is.readDouble(a->CrossPointValue);
    a->TickInside = ReadIntWord(is);
    a->TickOutside = ReadIntWord(is);
    is.readRaw32(a->TickColor);
    a->TickLength = ReadIntWord(is);
    a->TickWidth = ReadIntWord(is);
    a->MajorTickLineStyle = ReadIntWord(is);
    a->MajorTickLineWidth = ReadIntWord(is);
    is.readRaw32(a->MajorTickLineColor);
    a->MinorTickDivision = ReadIntWord(is);
    // Older logarithmic and inverse axes counted minor ticks per decade.
    if (version < 4 && a->MinorTickDivision != 1 && (a->Scaling == 1 || a->Scaling == 2))
        a->MinorTickDivision = 10;
    a->MinorTickLineStyle = ReadIntWord(is);
    a->MinorTickLineWidth = ReadIntWord(is);
    is.readRaw32(a->MinorTickLineColor);
    a->LabelFormat = ReadIntWord(is);
    ReadLogFont(is, a->LabelFont);
    is.readRaw32(a->LabelFontColor);
    a->LabelAddPlus = ReadIntWord(is);
    a->LabelPositionAdjust = ReadIntWord(is);
    a->LabelSkip = ReadIntWord(is);
    a->IsAutoLabel = ReadIntWord(is);

    std::uint32_t n = is.readWord();
    a->LabelTexts.Flush();
    if (is.expectItems(n, TText::MinStoredBytes(is))) {
        for (std::uint32_t i = 0; i < n; ++i) {
            if (!is.expectMemory(1, sizeof(TText))) break;
            auto t = std::make_unique<TText>();
            is >> *t;
            if (!is.good()) break;  // keep only the labels read whole
            a->LabelTexts.Add(t);
        }
    }

    if (version < 2)
        a->ZeroCommon = 1;
    else
        a->ZeroCommon = ReadIntWord(is);
    if (version < 3) {
        a->ManualNumPrecision = 1;
    } else {
        a->ManualNumPrecision = is.readWord32() != 0 ? 1 : 0;
        a->IntPrecision = ReadIntWord(is);
        a->DecimalPrecision = ReadIntWord(is);
    }
}
