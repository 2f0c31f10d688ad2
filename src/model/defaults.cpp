#include "model/defaults.h"

#include "platform/cformat.h"
#include "platform/cp932.h"
#include "platform/numconv.h"
#include "platform/profile.h"

#include <cstring>
#include <memory>
#include <string>

namespace {

// How a double key is written. The file text of each is fixed by the profiles
// users already have.
enum class DoubleText {
    Fixed15,    // "%.15f": frame origin and lengths
    General15,  // "%.15g": axis range start, end and increment
    Fixed6,     // "%f": the axis crossing value (six decimals)
    LongGeneral15,  // "%.15lg": the series base value
};

// Each section's keys are listed once, in reading and writing order, as calls on
// a visitor; ProfileReader and ProfileWriter give the calls their meaning. That
// keeps the reading and writing of a key from drifting apart.
//
// Visitor calls, by reading kind:
//   Int(key, field, def)            the profile integer
//   TextInt(key, field, def)        the key's text converted like atoi
//   TextDouble(key, field, def, f)  the key's text converted like atof; written with f
//   Byte(key, field, def)           the profile integer, low 8 bits kept
//   Flag(key, field, def)           the profile integer, 1 when not 0
//   Face(key, face, def)            text straight into a font face name

class ProfileReader {
public:
    ProfileReader(const char* section, const char* path) : section_(section), path_(path) {}

    template <class T>
    void Int(const char* key, T& field, int def) {
        field = T(int(GetPrivateProfileIntA(section_, key, def, path_.c_str())));
    }
    template <class T>
    void TextInt(const char* key, T& field, const char* def) {
        field = T(kv::AtoI(Text(key, def).c_str()));
    }
    void TextDouble(const char* key, double& field, const char* def, DoubleText) {
        field = kv::AtoF(Text(key, def).c_str());
    }
    void Byte(const char* key, BYTE& field, int def) {
        field = BYTE(GetPrivateProfileIntA(section_, key, def, path_.c_str()) & 0xFFu);
    }
    void Flag(const char* key, std::uint8_t& field, int def) {
        field = GetPrivateProfileIntA(section_, key, def, path_.c_str()) != 0 ? 1 : 0;
    }
    // At most 31 bytes, cut before a double-byte character that does not fit
    // whole, so that the name never ends in half a character.
    void Face(const char* key, char (&face)[LF_FACESIZE], const char* def) {
        std::string v = Text(key, def);
        std::size_t n = 0;
        while (n < v.size()) {
            std::size_t step = IsDBCSLeadByte((unsigned char)v[n]) && n + 1 < v.size() ? 2 : 1;
            if (n + step > std::size_t(LF_FACESIZE - 1)) break;
            n += step;
        }
        std::memset(face, 0, LF_FACESIZE);
        std::memcpy(face, v.data(), n);
    }

private:
    // The whole value, however long: "%.15f" and "%f" texts of large doubles run
    // past any fixed buffer, and a cut text would read back as another number.
    std::string Text(const char* key, const char* def) const {
        return kv::GetProfileString(section_, key, def, path_.c_str());
    }

    const char* section_;
    std::string path_;
};

class ProfileWriter {
public:
    ProfileWriter(const char* section, const char* path) : section_(section), path_(path) {}

    template <class T>
    void Int(const char* key, const T& field, int) {
        Put(key, kv::Format("%d", int(field)));
    }
    template <class T>
    void TextInt(const char* key, const T& field, const char*) {
        Put(key, kv::Format("%d", int(field)));
    }
    void TextDouble(const char* key, const double& field, const char*, DoubleText text) {
        // kv::Format grows its result as needed, so a value of any magnitude is
        // written whole (DBL_MAX in "%f" takes over 300 characters).
        switch (text) {
        case DoubleText::Fixed15: Put(key, kv::Format("%.15f", field)); break;
        case DoubleText::General15: Put(key, kv::Format("%.15g", field)); break;
        case DoubleText::Fixed6: Put(key, kv::Format("%f", field)); break;
        case DoubleText::LongGeneral15: Put(key, kv::Format("%.15lg", field)); break;
        }
    }
    void Byte(const char* key, const BYTE& field, int) { Put(key, kv::Format("%d", int(field))); }
    void Flag(const char* key, const std::uint8_t& field, int) {
        Put(key, kv::Format("%d", int(field)));
    }
    void Face(const char* key, const char (&face)[LF_FACESIZE], const char*) {
        Put(key, std::string(face, strnlen(face, LF_FACESIZE)));
    }

private:
    void Put(const char* key, const std::string& value) {
        WritePrivateProfileStringA(section_, key, value.c_str(), path_.c_str());
    }

    const char* section_;
    std::string path_;
};

// F is Frame or const Frame (and so on below), so that one list serves both the
// reader and the writer.
template <class V, class F>
void VisitFrameKeys(V& v, F& f, auto& isOnlyParameter, auto& paintOrder) {
    v.Int("FrameType", f.FrameType, 0);
    v.TextDouble("OriginX", f.OriginX, "2000", DoubleText::Fixed15);
    v.TextDouble("OriginY", f.OriginY, "3000", DoubleText::Fixed15);
    v.TextDouble("FrameLengthX", f.FrameLengthX, "7000", DoubleText::Fixed15);
    v.TextDouble("FrameLengthY", f.FrameLengthY, "7000", DoubleText::Fixed15);
    v.TextInt("FrameLineColor", f.FrameLineColor, "0");
    v.TextInt("FrameBackPaint", f.FrameBackPaint, "0");
    v.TextInt("FrameBackColor", f.FrameBackColor, "16777215");
    v.TextInt("AxisFrameThickRate", f.AxisFrameThickRate, "50");
    v.TextInt("TickThickRate", f.TickThickRate, "32");
    v.TextInt("TickLengthRate", f.TickLengthRate, "160");
    v.TextInt("MarkerSizeRate", f.MarkerSizeRate, "80");
    v.TextInt("MarkerThickRate", f.MarkerThickRate, "32");
    v.TextInt("LineThickRate", f.LineThickRate, "32");
    v.TextInt("ZukeiLineRate", f.ZukeiLineRate, "32");
    v.TextInt("YasenLength", f.YasenLength, "200");
    v.TextInt("IsOnlyParameter", isOnlyParameter, "0");
    v.TextInt("PaintOrder", paintOrder, "1");
}

// The LOGFONT keys shared by the axis labels and the texts; only the height and
// face keys are named differently in the two sections.
template <class V, class L>
void VisitFontKeys(V& v, L& lf, const char* heightKey, const char* faceKey) {
    v.Int(heightKey, lf.lfHeight, -360);
    v.Int("lfWidth", lf.lfWidth, 0);
    v.Int("lfEscapement", lf.lfEscapement, 0);
    v.Int("lfOrientation", lf.lfOrientation, 0);
    v.Int("lfWeight", lf.lfWeight, 400);
    v.Byte("lfItalic", lf.lfItalic, 0);
    v.Byte("lfUnderline", lf.lfUnderline, 0);
    v.Byte("lfStrikeOut", lf.lfStrikeOut, 0);
    v.Byte("lfCharSet", lf.lfCharSet, 0);
    v.Byte("lfOutPrecision", lf.lfOutPrecision, 3);
    v.Byte("lfClipPrecision", lf.lfClipPrecision, 2);
    v.Byte("lfQuality", lf.lfQuality, 1);
    v.Byte("lfPitchAndFamily", lf.lfPitchAndFamily, 18);
    v.Face(faceKey, lf.lfFaceName, "Times New Roman");
}

template <class V, class A>
void VisitAxisKeys(V& v, A& a) {
    v.Int("DispRegionStart", a.DispRegionStart, 0);
    v.Int("DispRegionEnd", a.DispRegionEnd, 100);
    v.Int("Scaling", a.Scaling, 0);
    v.TextDouble("RangeStart", a.RangeStart, "0", DoubleText::General15);
    v.TextDouble("RangeEnd", a.RangeEnd, "10", DoubleText::General15);
    v.TextDouble("RangeInc", a.RangeInc, "2", DoubleText::General15);
    v.Int("ScaleInv", a.ScaleInv, 0);
    v.Int("AutoCrossPoint", a.AutoCrossPoint, 1);
    v.TextDouble("CrossPointValue", a.CrossPointValue, "0", DoubleText::Fixed6);
    v.Int("TickInside", a.TickInside, 1);
    v.Int("TickOutside", a.TickOutside, 0);
    v.Int("TickColor", a.TickColor, 0);
    v.Int("TickLength", a.TickLength, 100);
    v.Int("TickWidth", a.TickWidth, 100);
    v.Int("MajorTickLineStyle", a.MajorTickLineStyle, 0);
    v.Int("MajorTickLineWidth", a.MajorTickLineWidth, 100);
    v.Int("MajorTickLineColor", a.MajorTickLineColor, 0);
    v.Int("MinorTickDivision", a.MinorTickDivision, 2);
    v.Int("MinorTickLineStyle", a.MinorTickLineStyle, 0);
    v.Int("MinorTickLineWidth", a.MinorTickLineWidth, 100);
    v.Int("MinorTickLineColor", a.MinorTickLineColor, 0);
    v.Int("LabelFormat", a.LabelFormat, 1);
    v.Int("LabelFontColor", a.LabelFontColor, 0);
    v.Int("LabelAddPlus", a.LabelAddPlus, 0);
    v.Int("LabelPositionAdjust", a.LabelPositionAdjust, 0);
    v.Int("LabelSkip", a.LabelSkip, 0);
    v.Int("ZeroCommon", a.ZeroCommon, 1);
    v.Flag("ManualNumPrecision", a.ManualNumPrecision, 0);
    v.Int("IntPrecision", a.IntPrecision, 1);
    v.Int("DecimalPrecision", a.DecimalPrecision, -1);
    VisitFontKeys(v, a.LabelFont, "LabelFontHeight", "LabelFontFaceName");
}

template <class V, class S>
void VisitPlotStyleKeys(V& v, S& s) {
    v.Int("LineStyle", s.LineStyle, 1);
    v.Int("LineWidth", s.LineWidth, 100);
    v.Int("LineColor", s.LineColor, 0);
    v.Int("LineInterpolate", s.LineInterpolate, 0);
    v.Int("LineInterpolatePara", s.LineInterpolatePara, 20);
    v.Int("MarkerStyle", s.MarkerStyle, 0);
    v.Int("MarkerCenterDot", s.MarkerCenterDot, 0);
    v.Int("MarkerSize", s.MarkerSize, 100);
    v.Int("MarkerEdgeColor", s.MarkerEdgeColor, 0);
    v.Int("MarkerInsideColor", s.MarkerInsideColor, 16777215);
    v.Int("MarkerInsidePaint", s.MarkerInsidePaint, 0);
    v.Int("Clipping", s.Clipping, 1);
    v.Int("RefAxisX", s.RefAxisX, 1);
    v.Int("RefAxisY", s.RefAxisY, 1);
    v.Int("NullOutLine", s.NullOutLine, 0);
    v.TextDouble("BaseValue", s.BaseValue, "0.0", DoubleText::LongGeneral15);
    v.Int("OutLineWidth", s.OutLineWidth, 100);
}

template <class V, class T>
void VisitTextKeys(V& v, T& t) {
    v.Int("BackPaint", t.BackPaint, 0);
    v.Int("LineSpacing", t.LineSpacing, 100);
    v.Int("ForColor", t.ForColor, 0);
    v.Int("BackColor", t.BackColor, 16777215);
    v.Int("LegendLength", t.LegendLength, 100);
    VisitFontKeys(v, t.Font, "lfHeight", "lfFaceName");
}

template <class V, class Z>
void VisitPartsKeys(V& v, Z& z) {
    v.Int("PenColor", z.PenColor, 0);
    v.Int("PenWidth", z.PenWidth, 100);
    v.Int("PenType", z.PenType, 1);
    v.Int("Arrow", z.Arrow, 0);
    v.Int("ForeBrushColor", z.ForeBrushColor, 0);
    v.Int("BackBrushColor", z.BackBrushColor, 16777215);
    v.Int("BrushType", z.BrushType, -2);
    v.Int("IsSpline", z.IsSpline, 0);
    v.Int("IsClosed", z.IsClosed, 0);
    v.Int("InterPointNo", z.InterPointNo, 100);
}

// The four axis sections, in the order of DefaultStyles::DefaultAxes.
constexpr const char* kAxisSections[4] = {"Axis", "LAxis", "TAxis", "RAxis"};

const char* PathOrEmpty(const char* path) { return path ? path : ""; }

}  // namespace

// ---- Reading

void DefaultStyles::ReadDefaultFrame(const char* profilePath) {
    ProfileReader r("Axis", PathOrEmpty(profilePath));
    VisitFrameKeys(r, DefaultFrame, DefaultIsOnlyParameter, DefaultPaintOrder);
}

void DefaultStyles::ReadDefaultAxis(const char* section, AxisUnit* axis, const char* profilePath) {
    if (!section || !axis) return;
    ProfileReader r(section, PathOrEmpty(profilePath));
    VisitAxisKeys(r, *axis);
}

void DefaultStyles::ReadDefaultAxes(const char* profilePath) {
    for (int i = 0; i < 4; ++i) ReadDefaultAxis(kAxisSections[i], &DefaultAxes[i], profilePath);
}

void DefaultStyles::ReadDefaultPlotStyle(const char* profilePath) {
    ProfileReader r("PlotStyle", PathOrEmpty(profilePath));
    VisitPlotStyleKeys(r, DefaultPlotStyle);
}

void DefaultStyles::ReadDefaultMemoryPlotStyle(const char* profilePath) {
    ProfileReader r("MemoryPlotStyle", PathOrEmpty(profilePath));
    VisitPlotStyleKeys(r, DefaultMemoryPlotStyle);
}

void DefaultStyles::ReadDefaultText(const char* profilePath) {
    ProfileReader r("Text", PathOrEmpty(profilePath));
    VisitTextKeys(r, DefaultText);
}

void DefaultStyles::ReadDefaultParts(const char* profilePath) {
    ProfileReader r("Parts", PathOrEmpty(profilePath));
    VisitPartsKeys(r, DefaultZukei);
}

void DefaultStyles::ReadAllDefaults(const char* profilePath) {
    ReadDefaultFrame(profilePath);
    ReadDefaultAxes(profilePath);
    ReadDefaultPlotStyle(profilePath);
    ReadDefaultMemoryPlotStyle(profilePath);
    ReadDefaultText(profilePath);
    ReadDefaultParts(profilePath);
}

// ---- Writing

void DefaultStyles::WriteDefaultFrame(const char* profilePath) const {
    ProfileWriter w("Axis", PathOrEmpty(profilePath));
    VisitFrameKeys(w, DefaultFrame, DefaultIsOnlyParameter, DefaultPaintOrder);
}

void DefaultStyles::WriteDefaultAxis(const char* section, const AxisUnit* axis,
                                     const char* profilePath) const {
    if (!section || !axis) return;
    ProfileWriter w(section, PathOrEmpty(profilePath));
    VisitAxisKeys(w, *axis);
}

void DefaultStyles::WriteDefaultAxes(const char* profilePath) const {
    for (int i = 0; i < 4; ++i) WriteDefaultAxis(kAxisSections[i], &DefaultAxes[i], profilePath);
}

void DefaultStyles::WriteDefaultPlotStyle(const char* profilePath) const {
    ProfileWriter w("PlotStyle", PathOrEmpty(profilePath));
    VisitPlotStyleKeys(w, DefaultPlotStyle);
}

void DefaultStyles::WriteDefaultMemoryPlotStyle(const char* profilePath) const {
    ProfileWriter w("MemoryPlotStyle", PathOrEmpty(profilePath));
    VisitPlotStyleKeys(w, DefaultMemoryPlotStyle);
}

void DefaultStyles::WriteDefaultText(const char* profilePath) const {
    ProfileWriter w("Text", PathOrEmpty(profilePath));
    VisitTextKeys(w, DefaultText);
}

void DefaultStyles::WriteDefaultParts(const char* profilePath) const {
    ProfileWriter w("Parts", PathOrEmpty(profilePath));
    VisitPartsKeys(w, DefaultZukei);
}

void DefaultStyles::WriteAllDefaults(const char* profilePath) const {
    WriteDefaultFrame(profilePath);
    WriteDefaultAxes(profilePath);
    WriteDefaultPlotStyle(profilePath);
    WriteDefaultMemoryPlotStyle(profilePath);
    WriteDefaultText(profilePath);
    WriteDefaultParts(profilePath);
}

// ---- Applying

void DefaultStyles::ApplyDefaultFrame(Frame* frame) const {
    if (frame) *frame = DefaultFrame;
}

void DefaultStyles::ApplyDefaultAxes(BoxFrame* set) const {
    if (!set) return;
    set->BottomAxis = DefaultAxes[DefaultBottomAxis];
    set->LeftAxis = DefaultAxes[DefaultLeftAxis];
    set->TopAxis = DefaultAxes[DefaultTopAxis];
    set->RightAxis = DefaultAxes[DefaultRightAxis];
    set->IsOnlyParameter = DefaultIsOnlyParameter;
    set->PaintOrder = DefaultPaintOrder;
}

void DefaultStyles::ApplyDefaultPlotStyle(TPlotStyle* style) const {
    if (style) *style = DefaultPlotStyle;
}

void DefaultStyles::ApplyDefaultMemoryPlotStyle(TPlotStyle* style) const {
    if (style) *style = DefaultMemoryPlotStyle;
}

void DefaultStyles::ApplyDefaultText(TText* text) const {
    if (!text) return;
    text->Font = DefaultText.Font;
    text->BackPaint = DefaultText.BackPaint;
    text->LineSpacing = DefaultText.LineSpacing;
    text->ForColor = DefaultText.ForColor;
    text->BackColor = DefaultText.BackColor;
    text->LegendLength = DefaultText.LegendLength;
}

void DefaultStyles::ApplyDefaultParts(TZukei* zukei) const {
    if (!zukei) return;
    zukei->PenColor = DefaultZukei.PenColor;
    zukei->PenWidth = DefaultZukei.PenWidth;
    zukei->PenType = DefaultZukei.PenType;
    zukei->Arrow = DefaultZukei.Arrow;
    zukei->ForeBrushColor = DefaultZukei.ForeBrushColor;
    zukei->BackBrushColor = DefaultZukei.BackBrushColor;
    zukei->BrushType = DefaultZukei.BrushType;
    zukei->IsSpline = DefaultZukei.IsSpline;
    zukei->IsClosed = DefaultZukei.IsClosed;
    zukei->InterPointNo = DefaultZukei.InterPointNo;
}

// ---- New graph

void DefaultStyles::PrepareNewAxisSet(BoxFrame* set, const NewGraphHooks& hooks) const {
    if (!set) return;
    ApplyDefaultFrame(&set->Frame);
    ApplyDefaultAxes(set);
    if (hooks.SyncAxes)
        hooks.SyncAxes(&set->Frame, &set->LeftAxis, &set->RightAxis, &set->TopAxis, &set->BottomAxis);
    // Box and X-Y frames label only the bottom and left axes.
    if (set->Frame.FrameType == 0 || set->Frame.FrameType == 1) {
        set->TopAxis.LabelFormat = 0;
        set->RightAxis.LabelFormat = 0;
    }
    if (hooks.UpdateAxisLabels) hooks.UpdateAxisLabels(set);
}

void DefaultStyles::NewGraph(NewGraphDocument doc, const NewGraphHooks& hooks) const {
    // Allocated first: should it fail, the open graph is still whole.
    auto set = std::make_unique<BoxFrame>();
    doc.AxisSets.Flush();
    BoxFrame* fresh = set.get();
    doc.AxisSets.Add(set);
    doc.Current = fresh;
    doc.CurrentNo = 1;
    PrepareNewAxisSet(fresh, hooks);
    doc.Modified = 0;
    if (hooks.ClearFeedback) hooks.ClearFeedback();
    doc.FileName = UntitledGraphName;
    if (hooks.UpdateCaption) hooks.UpdateCaption(doc.FileName.c_str());
}
