#pragma once
// A data series: its columns of values, how it is drawn (TPlotStyle), how its data
// file is read (TPlotFile), its data range, its file path and an information text.

#include "platform/containers.h"
#include "platform/largealloc.h"
#include "platform/objstrm.h"
#include "platform/wintypes.h"

#include <cstdint>
#include <limits>
#include <string>
#include <type_traits>

// One value of a column. Kept a plain 16-byte value (no virtual table) because a
// series may hold millions of rows in each of its columns; its persistent record
// "TDataElement" is written through TDataElementRecord below. Value-initialized
// (TDataElement{} or TDataElement()) it is 0 with flag 0; a bare declaration
// leaves it unset, so that a column can grow by room the reader fills at once.
struct TDataElement {
    double Value;
    std::uint8_t Flag;

    TDataElement() = default;
    TDataElement(double value, std::uint8_t flag = 0) : Value(value), Flag(flag) {}
    bool operator==(const TDataElement&) const = default;
};
static_assert(std::is_trivially_default_constructible_v<TDataElement>);

// Flag bits of a TDataElement.
constexpr std::uint8_t DataFlagStar = 2;    // the data-file field held "*"
constexpr std::uint8_t DataFlagBar = 4;     // the data-file field held a vertical bar
constexpr std::uint8_t DataFlagMasked = 8;  // the row is masked (X elements only)

// Flag 0 and a magnitude below DBL_MAX: infinities and NaN are never valid.
inline bool IsValidElement(const TDataElement& e) {
    return e.Flag == 0 && e.Value < std::numeric_limits<double>::max() &&
           e.Value > -std::numeric_limits<double>::max();
}

// A column: 0-based, room for one element at first, grows by 1000. Its storage
// suits columns of millions of rows.
constexpr int DataColumnDelta = 1000;
class TDataColumn : public TArrayAsVector<TDataElement, kv::LargeBlockAllocator<TDataElement>> {
public:
    TDataColumn() : TArrayAsVector(0, 0, DataColumnDelta) {}
};

// Number of parameter columns of a series (data-file columns 1 to 99).
constexpr int ParamColumnCount = 99;

// The "TDataElement" record (version 1: the double, then the flag byte) of one
// element held elsewhere. Only the oldest series records store values this way;
// newer ones store them inline.
class TDataElementRecord : public TStreamableBase {
public:
    explicit TDataElementRecord(TDataElement& element) : Element(element) {}
    TDataElement& Element;

    class Streamer : public TStreamerOf<TDataElementRecord> {
    public:
        using TStreamerOf::TStreamerOf;
        void Read(ipstream& is, std::uint32_t version) const override;
        void Write(opstream& os) const override;
        std::uint32_t ClassVersion() const override { return 1; }
    };
    const char* StreamableName() const override { return "TDataElement"; }
    static TStreamer* BuildStreamer(TStreamableBase* obj) { return new Streamer(obj); }
};

// How a series is shown.
class TPlotStyle : public TStreamableBase {
public:
    int IsShown = 1;
    int IsXFormula = 0;
    std::string XFormula;
    int IsYFormula = 0;
    std::string YFormula;
    int LineStyle = 1;              // 0 "Null" .. 7 "Dash Dot Dot Dash"
    int LineWidth = 100;            // percent of the frame's LineThickRate
    COLORREF LineColor = 0;
    int LineInterpolate = 0;        // 0 "Polyline" .. 6 "Closed BSpline"
    int LineInterpolatePara = 20;   // divisions between points
    int MarkerStyle = 0;            // 0 "NULL" .. 15 "Diag. Cross"
    int MarkerCenterDot = 0;
    int MarkerSize = 100;           // percent of the frame's MarkerSizeRate
    COLORREF MarkerEdgeColor = 0;
    COLORREF MarkerInsideColor = 0xFFFFFF;
    int MarkerInsidePaint = 0;      // 1 = hollow
    int Clipping = 1;
    int RefAxisX = 1;               // 1 bottom, 0 top
    int RefAxisY = 1;               // 1 left, 0 right
    int NullOutLine = 0;            // from version 2
    double BaseValue = 0.0;         // from version 2
    int OutLineWidth = 100;         // from version 2; percent of MarkerThickRate
    std::string MaskRows;           // from version 3

    class Streamer : public TStreamerOf<TPlotStyle> {
    public:
        using TStreamerOf::TStreamerOf;
        void Read(ipstream& is, std::uint32_t version) const override;
        void Write(opstream& os) const override;
        std::uint32_t ClassVersion() const override { return 3; }
    };
    KV_STREAMABLE(TPlotStyle)
};

// How a series' data file is read.
class TPlotFile : public TStreamableBase {
public:
    int XColumn = 1;
    int XMaxColumn = 1;
    int XMinColumn = 1;
    int YColumn = 2;
    int YMaxColumn = 2;
    int YMinColumn = 2;
    int StartRow = 1;
    int EndRow = -1;                // -1 = to the end of the file
    int RowSkip = 1;
    int CommentMode = 1;            // 1 stop, 2 ignore, 3 data break
    int IsXErrorBar = 0;
    int IsYErrorBar = 0;
    int SearchMethod = 0;           // 0 full path, 1 data drive + path, 2 current directory
    int ParamColumns[ParamColumnCount] = {};  // from version 2
    std::string ParamColumnSpec;    // from version 2

    class Streamer : public TStreamerOf<TPlotFile> {
    public:
        using TStreamerOf::TStreamerOf;
        void Read(ipstream& is, std::uint32_t version) const override;
        void Write(opstream& os) const override;
        std::uint32_t ClassVersion() const override { return 2; }
    };
    KV_STREAMABLE(TPlotFile)
};

// One data series. Invariant kept by every producer: YData has as many elements
// as XData, and so have the error columns of an axis while its switch is on.
class TPlot : public TStreamableBase {
public:
    TPlot();
    // A value copy (see operator=).
    TPlot(const TPlot& src);
    ~TPlot() override;

    // Value copy of a series. The error columns of an axis whose switch is off in
    // the source keep what the destination held; Y and the switched-on error
    // columns take exactly as many rows as the source's X.
    TPlot& operator=(const TPlot& src);

    // Appends a copy of e and widens the range by it when it is valid; 0 when the
    // column cannot grow.
    int AddX(TDataElement e);
    int AddY(TDataElement e);
    // Recomputes XMin/XMax (YMin/YMax) from every valid element; a column without
    // one leaves +INF and -INF.
    void CalcXRange();
    void CalcYRange();

    // Fills the columns from the series' data file as PlotFile says (datafile.cpp).
    // 1 when the columns hold what the file gave, nothing included; 0 on failure.
    // Memory data (IsFileData 0) is left alone and gives 1. Shows no message.
    int ReadData();
    // The parameter-column list ("1, 3-5"): 1 when valid, 0 when not. With checkOnly
    // 0 it rebuilds PlotFile.ParamColumns; a list that fails half way keeps the
    // columns of the items before the bad one.
    int ParseParameterColumns(const char* list, int checkOnly);
    // The mask-row list: 1 when valid, 0 when not. With checkOnly 0 it clears every
    // mask of XData and masks the listed rows whose X element has flag 0; with
    // checkOnly non-zero only the syntax is checked (not the row bounds).
    int ApplyMask(const char* list, int checkOnly);

    int IsOnlyParameter = 0;
    TPlotStyle Style;
    TPlotFile PlotFile;
    TDataColumn XData;
    TDataColumn XMinData;
    TDataColumn XMaxData;
    TDataColumn YData;
    TDataColumn YMinData;
    TDataColumn YMaxData;
    TDataColumn ParamData[ParamColumnCount];  // entry c-1 holds data-file column c
    double XMin = std::numeric_limits<double>::infinity();
    double XMax = -std::numeric_limits<double>::infinity();
    double YMin = std::numeric_limits<double>::infinity();
    double YMax = -std::numeric_limits<double>::infinity();
    char DataFileName[MAX_PATH] = {};
    int IsFileData = 1;             // 1 = read from a data file; other = made in memory
    std::string Info;

    class Streamer : public TStreamerOf<TPlot> {
    public:
        using TStreamerOf::TStreamerOf;
        void Read(ipstream& is, std::uint32_t version) const override;
        void Write(opstream& os) const override;
        std::uint32_t ClassVersion() const override { return 4; }
    };
    KV_STREAMABLE(TPlot)
};

// The number of '-' characters of a text.
unsigned CountDashes(const char* text);

// The series record names are registered during static start-up. These make sure
// they are (TPlotStyle, TPlotFile, TDataElement, TPlot in that order) and undo
// what the explicit registrations added (TStreamableClass::EnsureRegistered).
void RegisterSeriesStreamables();
void UnregisterSeriesStreamables();
