#pragma once
// An axis set: one coordinate system of the page and the unit in which the
// document is stored. It owns its frame, four axes, series, figures, free texts,
// selection state, user constants and functions, and the formula evaluator's
// working storage. Other libraries add member operations (drawing, mapping,
// formulas, autoscale) by declaring them here and defining them in their own files.

#include "model/axes.h"
#include "model/evalwork.h"
#include "model/plot.h"
#include "model/records.h"
#include "model/text.h"
#include "model/zukei.h"
#include "platform/containers.h"
#include "platform/objstrm.h"

#include <cstdio>
#include <string>
#include <string_view>

class TDC;

// An axis set holds at most this many series; its series list never grows past it.
constexpr int MaxPlotCount = 999;

// Axis numbers wherever an axis is named by number; an axis set stores its axes in
// the order left, right, top, bottom.
constexpr int BottomAxisNo = 1;
constexpr int LeftAxisNo = 2;
constexpr int TopAxisNo = 3;
constexpr int RightAxisNo = 4;

class BoxFrame : public TStreamableBase {
public:
    BoxFrame();
    // A deep copy (see operator=), starting from a new axis set.
    BoxFrame(const BoxFrame& src);
    ~BoxFrame() override;

    // Deep copy: new series, figures and texts with their columns, nodes and
    // metrics. The selection state and the evaluator storage are not copied.
    BoxFrame& operator=(const BoxFrame& src);

    // Sets the parameter-only switch of the axis set and of every series in it.
    void SetParameterOnly(int flag);
    // 1 when some series was made in memory (IsFileData other than 1), else 0.
    int HasMemoryData() const;

    // ---- Series and figure list operations. n counts from 1; results are 1 when
    // done (or nothing was to be done), 0 for no such entry. Every series operation
    // first resets PlotOrderMap to the identity and leaves in it the new number of
    // each former series (0 for a deleted one). A moved series becomes what a
    // value copy of it would be: error columns whose switch is off are dropped.
    void ResetPlotOrderMap();
    int DuplicatePlot(int n);  // appends a copy; 0 also when the list is full
    int PlotToTop(int n);      // to the end: drawn last
    int PlotUp(int n);         // exchanges n and n+1
    int PlotDown(int n);       // exchanges n and n-1
    int PlotToBottom(int n);   // to the front: drawn first
    int DeletePlot(int n);     // destroys series n
    int ZukeiToTop(int n);
    int ZukeiUp(int n);
    int ZukeiDown(int n);
    int ZukeiToBottom(int n);
    // Rewrites the "%d" and "%p" series references of one text through
    // PlotOrderMap: a reference to a deleted series becomes "*****". References
    // with the number 000, beyond the map, or written "%D" stay as they are.
    void RenumberTextRefs(TText* text) const;
    // RenumberTextRefs on every free text, then on the label texts of the left,
    // bottom, top and right axes; then the texts are laid out again.
    void RenumberAllTextRefs();

    // ---- The formula language: defined in the numerics library
    // (numerics/formula.cpp, numerics/userconst.cpp).
    // Evaluate modes and the columns that x and y read.
    enum : int { EvalRow = 0, EvalCompile = 1 };
    enum : int { ComponentValue = 0, ComponentMaxError = 1, ComponentMinError = 2 };
    // The one entry point: mode EvalCompile compiles text on this axis set; any
    // other mode evaluates the compiled formula at row (0-based) of plot (or of no
    // series) with the columns of component. plotNo is the value of "%i" (-1:
    // none). Returns 1 with result set (non-finite values as +INF) or 0 with result
    // untouched. See numerics/formula.cpp for what each mode stores.
    int Evaluate(std::string_view text, double& result, int mode, const TPlot* plot, int row,
                 int plotNo, int component = ComponentValue);
    // Reads the next token of EvalWork.ExpandedText at EvalWork.ScanCursor into
    // EvalWork.CurrentToken; returns its kind, tkEnd or tkError.
    int GetToken(const TPlot* plot, int compileRow, int plotNo);
    // Compiles EvalWork.ExpandedText into the postfix list; 1 or 0.
    int Compile(const TPlot* plot, int compileRow, int plotNo);
    // Runs the compiled list for one row; true when exactly one value remains.
    bool Calculate(const TPlot* plot, int row, int component);
    // Evaluates the compiled formula for count rows from first, a block of rows
    // per instruction, with exactly the outcome of that many calls of Evaluate
    // in row mode in rising row order: out[k] receives the value of row first + k
    // (non-finite as +INF) and ok[k] 1, or ok[k] is 0 and out[k] is untouched
    // when the row fails. ok may be null. Rows whose skip[k] is non-zero are not
    // evaluated (ok 0); with stopAtFailure no row after the first failing one is
    // (the row path's callers that give up at a failure). Random numbers are
    // drawn in the row path's order, and EvalWork is left as the row path leaves
    // it. Returns the number of rows that succeeded.
    int EvaluateRows(const TPlot* plot, int first, int count, double* out, std::uint8_t* ok,
                     int component = ComponentValue, const std::uint8_t* skip = nullptr,
                     bool stopAtFailure = false);
    // The column the compiled formula reads when it is nothing but "x" or "y" (the
    // usual processing formulas), so a caller over many rows may take the values
    // straight from it: each row's result is then its value, non-finite as +INF,
    // and a row beyond the column fails. Null for any other formula or none.
    const TDataColumn* CompiledPlainColumn(const TPlot& plot, int component) const;
    // User constants: one "name = value" definition line into element (1, or 0
    // leaving it alone); whether a name may become a new constant; the value of
    // the first constant of that name, ignoring case (1, or 0 leaving it alone).
    int ParseConstant(std::string_view line, TUserConstElement& element) const;
    int IsNewConstantName(std::string_view name) const;
    int LookupConstant(std::string_view name, double& value) const;

    // ---- Texts: defined in the render library (render/textdraw.cpp,
    // render/legendsample.cpp). mode is an output mode of render/output.h.
    // Draws a laid-out text of this axis set from its stored metrics; afterwards
    // the context has its former font, background OPAQUE and white, text black.
    void DrawText(int mode, TDC& dc, TText* text, FILE* file, TRect* extent);
    // The legend sample of series number `series` (from 1) inside box, page twips:
    // a piece of its line across the middle and its marker or filled box.
    void DrawLegendSample(int mode, TDC& dc, int series, TRect box, FILE* file, TRect* extent);

    // ---- Value mapping, frame rectangles, markers: defined in the render library
    // (render/mapping.cpp, render/styledline.cpp, render/markers.cpp). Axis
    // numbers are BottomAxisNo .. RightAxisNo; positions are page twips.
    // The page x (axes 1, 3) or y (axes 2, 4) of a value; not finite where the
    // value has no position (v <= 0 on a logarithmic axis, 0 on an inverse one).
    double ValueToPage(double value, int axisNo) const;
    // ValueToPage as an int: truncated when its magnitude is below 32767, else the
    // off-page value 32767 (also for -40000, infinities and NaN).
    int ValueToPageInt(double value, int axisNo) const;
    static int ClampCoord(double coord);
    // The value at an integer page position; DBL_MAX when none can be formed (a
    // display region of no width, log exponent beyond +-300, inverse 1/v outside
    // (0, 300]).
    double PageToValue(int position, int axisNo) const;
    // The frame, and the part of it that the bottom and left display regions cover.
    TRect GetFrameRect() const;
    TRect GetPlotRect() const;
    // One undashed segment with the selected pen, clipped to *clipRect when clip is
    // true; ends that are not finite draw nothing.
    static void DrawClippedSegment(int mode, int width, TDC& dc, const DoublePoint& p1,
                                   const DoublePoint& p2, const TRect* clipRect, FILE* file,
                                   TRect* extent, bool clip);
    // Point marker `code` (render/markers.h) of size s twips (0 taken as 1) centred
    // at (x, y), with the caller's pen and brush; centreDot 1 adds the 16-twip dot.
    static void DrawMarker(int mode, TDC& dc, int x, int y, int code, int size, int centreDot,
                           FILE* file, TRect* extent, int penWidth);
    // The data cursor: a thin red NOT-XOR cross through (x, y) of series
    // plotNumber (from 1) spanning the frame; drawing it again erases it. Nothing
    // for a series that does not exist. Leaves R2_COPYPEN and the former pen.
    void DrawDataPointMark(TDC& dc, double x, double y, int plotNumber) const;

    // ---- Data series: defined in the render library (render/seriesdraw.cpp,
    // render/seriesforms.cpp). Draws series number seriesNo (from 1; the formulas'
    // "%i") through its processing formulas (compiled here, so any compiled
    // formula of the program is replaced), cut into runs at "*" rows: per run the
    // filled form, the connection line, the error bars and the markers. quality 0
    // draws every pen with width 0. Polls the Escape check every 100 rows or points
    // and ends quietly on an abort. A hidden series draws and evaluates nothing.
    void DrawPlot(int mode, int quality, TDC& dc, const TPlot* plot, int seriesNo, FILE* file,
                  TRect* extent);

    // ---- Figures: defined in the render library (render/zukeidraw.cpp). mode is an
    // output mode of render/output.h; quality 1 draws with the figure's pen width,
    // any other value every outline with width 0. The context's pen, brush and
    // background colour are put back at the end.
    void DrawZukei(int mode, TDC& dc, const TZukei* figure, int quality, FILE* file,
                   TRect* extent) const;
    // Selects the figure's pen, brush and background colour (without restoring
    // them) and draws only the arrow head at `to` of the segment from-to; nothing
    // for a segment shorter than one twip.
    void DrawArrowLine(int mode, TDC& dc, const TZukei* figure, TPoint from, TPoint to,
                       int quality, FILE* file, TRect* extent) const;

    // ---- Frame background, axes, grid lines and autoscale: defined in the render
    // library (render/axisdraw.cpp, render/grid.cpp, render/autoscale.cpp). mode is
    // an output mode of render/output.h; quality 1 draws with the styles' widths,
    // 0 (draft) with the thinnest pen. Axis numbers are BottomAxisNo .. RightAxisNo.
    // Fills the frame rectangle when FrameBackPaint is 1 (pen and brush records are
    // written to a kvx file either way).
    void PaintBackground(int mode, int quality, TDC& dc, FILE* file, TRect* extent) const;
    // The axes the frame type shows: all four of a "Box" frame and the bottom and
    // left of an "X-Y" frame when the bottom axis is visible, each visible axis of
    // an "Independent" frame. DrawAxis: major ticks, minor ticks, axis line.
    void DrawAxes(int mode, int quality, TDC& dc, FILE* file, TRect* extent) const;
    void DrawAxis(int mode, int axisNo, int quality, TDC& dc, FILE* file, TRect* extent) const;
    // The grid lines of the axes DrawAxes would draw, across the display region of
    // the left (vertical lines) or bottom axis (horizontal lines). Polls the Escape
    // check every 10 tick steps and ends quietly on an abort.
    void DrawGrids(int mode, int quality, TDC& dc, FILE* file, TRect* extent) const;
    void DrawAxisGrid(int mode, int axisNo, int quality, TDC& dc, FILE* file,
                      TRect* extent) const;
    // Sets the range and increment of each axis whose switch is 1 from the values
    // of the shown series plotted against it (through their processing formulas),
    // with the margin when useMargin is 1, then synchronises the axes. Nothing
    // changes when no series is shown.
    void AutoScale(int bottom, int left, int top, int right, int useMargin, int marginPercent);

    int IsOnlyParameter = 0;  // 1: the graph file keeps only the series' parameters
    int PaintOrder = 1;       // 1 series first, then axes; 2 axes first
    ::Frame Frame;
    AxisUnit LeftAxis;    // axis number 2
    AxisUnit RightAxis;   // axis number 4
    AxisUnit TopAxis;     // axis number 3
    AxisUnit BottomAxis;  // axis number 1
    TIArrayAsVector<TPlot> PlotList{1, 0, MaxPlotCount};  // a series' number is its position
    TIArrayAsVector<TZukei> ZukeiList{1, 10};             // figures in drawing order
    TIArrayAsVector<TText> TextList{1, 10};               // free texts, legends included
    SelectedFlags Selected;                               // not stored, not copied
    TArrayAsVector<int> PlotOrderMap{0, 1, 10};           // 1-based renumbering map
    ::EvalWork EvalWork;                                  // not stored, not copied
    TArrayAsVector<TUserConstElement> UserConsts{0, 0, 10};
    TArrayAsVector<std::string> UserFunctions{0, 0, 10};

    class Streamer : public TStreamerOf<BoxFrame> {
    public:
        using TStreamerOf::TStreamerOf;
        void Read(ipstream& is, std::uint32_t version) const override;
        void Write(opstream& os) const override;
        std::uint32_t ClassVersion() const override { return 4; }
    };
    KV_STREAMABLE(BoxFrame)
};

// Sets every axis set's series to the set's own parameter-only switch; the logic
// behind the chart window's command of that name.
void SetOnlyParameterAll(const TIArrayAsVector<BoxFrame>& sets);

// Lays the texts of an axis set out again after their strings changed through the
// list operations. The text layout needs a measuring device that this library does
// not have, so the layout installs itself here; until then this does nothing.
using TextRelayoutHook = void (*)(BoxFrame& set);
void SetTextRelayoutHook(TextRelayoutHook hook);
void RelayoutTexts(BoxFrame& set);

// The axis-set record names (TUserConstElement, AxisUnit, Frame, BoxFrame) are
// registered during static start-up; these make sure they are and undo what the
// explicit registrations added (TStreamableClass::EnsureRegistered).
void RegisterAxisStreamables();
void UnregisterAxisStreamables();
