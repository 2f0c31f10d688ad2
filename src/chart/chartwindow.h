#pragma once
// The page view: the main frame's client window, which owns the open graph and
// shows it. It holds the document (page settings and axis sets), the view state
// (zoom and scroll position through the page settings, grid, draft drawing,
// manual refresh, current-only display), the default objects new axis sets,
// series, figures and texts start from, the selection and drag state of the mouse
// tools, and the settings read from the profile.
//
// Page coordinates are twips, x to the right and y downwards, with the origin at
// the top-left corner of the printable area.

#include "chart/winlayer/commands.h"
#include "chart/winlayer/services.h"
#include "chart/winlayer/window.h"
#include "dialogs/dialoghost.h"
#include "model/boxframe.h"
#include "model/chartsettings.h"
#include "model/defaults.h"
#include "model/graphfile.h"
#include "model/records.h"
#include "platform/containers.h"
#include "platform/dc.h"

#include <array>
#include <memory>
#include <optional>
#include <string>

// Command ids of the page view's table (the resources' ids).
enum ChartCommand : int {
    CM_AXISFRAME = 101, CM_XAXIS = 102, CM_YAXIS = 103, CM_TOPAXIS = 104, CM_RIGHTAXIS = 105,
    CM_GRIDNONE = 106,
    CM_ZOOM25 = 107, CM_ZOOM50 = 108, CM_ZOOM75 = 109, CM_ZOOM100 = 110, CM_ZOOM150 = 111,
    CM_ZOOM200 = 112, CM_ZOOM400 = 113,
    CM_DATAFILEOPEN = 114, CM_DATAMANAGER = 115,
    CM_GRID5 = 116, CM_GRID10 = 117, CM_GRID15 = 118, CM_GRID20 = 119,
    CM_ADDAXISSET = 120, CM_DELETEAXISSET = 121, CM_CURRENTAXISSETONLY = 122,
    CM_AUTOSCALE = 123, CM_AXISBASE = 124, CM_DRAFT = 125, CM_FITPAPER = 126, CM_FITGRAPH = 127,
    CM_LINEARFIT = 128, CM_NONLINEARFIT = 129, CM_SHOWHIDE = 130, CM_OPTIONS = 131,
    CM_COPYTOCLIPBOARD = 132, CM_PAPERCOLOR = 134, CM_HELP = 140, CM_USERCONST = 141,
    CM_PASTEDATA = 142, CM_USERFUNCTION = 143, CM_CALCCURVE = 144, CM_EVALUATE = 145,
    CM_MANUALREFRESH = 146, CM_REDRAW = 147, CM_DUPLICATEAXISSET = 148,
    CM_AXISSETTOTOP = 149, CM_AXISSETUP = 150, CM_AXISSETDOWN = 151, CM_AXISSETTOBOTTOM = 152,
    CM_ZUKEISTYLE = 201, CM_ZUKEIDUPLICATE = 202, CM_ZUKEIDELETE = 203, CM_ZUKEITOTOP = 204,
    CM_ZUKEIUP = 205, CM_ZUKEIDOWN = 206, CM_ZUKEITOBOTTOM = 207,
    CM_TEXTEDIT = 301, CM_TEXTDUPLICATE = 302, CM_TEXTFONT = 303, CM_TEXTDELETE = 304,
    CM_PLOTSTYLE = 401, CM_PLOTRELOAD = 402, CM_PLOTTOTOP = 403, CM_PLOTUP = 404,
    CM_PLOTDOWN = 405, CM_PLOTTOBOTTOM = 406, CM_PLOTDELETE = 407, CM_PLOTDUPLICATE = 408,
    CM_PLOTEDITOR = 410, CM_PLOTSAVETOFILE = 411, CM_PLOTLINEARFIT = 412,
    CM_PLOTNONLINEARFIT = 413, CM_PLOTMASK = 414, CM_PLOTINFO = 415,
    CM_SELECTIONDELETE = 501, CM_SELECTIONFONT = 502, CM_SELECTIONTEXTSTYLE = 503,
    CM_SELECTIONZUKEISTYLE = 504,
    CM_NODEINSERT = 901, CM_NODEDELETE = 902,
    CM_HEADERFOOTER = 24341, CM_COPYSCALING = 55531, CM_PASTESCALING = 55532,
};

// The filter of the data-file dialog the user ended with last time (1-based; 0
// until the first run: the first filter), kept for the run of the program.
extern int DataFileFilterIndex;

// The tools of the palette: the command ids of its buttons. A figure tool's id is
// also the kind of the figures it makes.
enum ToolId : int {
    ToolSelect = 1001, ToolText = 1002, ToolDragWindow = 1003, ToolTrimming = 1004,
    ToolWatch = 1005, ToolLine = 1021, ToolRectangle = 1022, ToolRoundRect = 1023,
    ToolEllipse = 1024, ToolAxisCut = 1025, ToolLegend = 1026, ToolPolyline = 1027,
};

// What of the shown selection feedback lies under a point (GetHitCode). Corners and
// edges name the stored fields of FeedbackRect, which may be reversed; for a
// selected line HitTopLeft is its first end and HitBottomRight its second.
enum HitCode : int {
    HitNone = 0, HitTopLeft = 1, HitTopRight = 2, HitBottomRight = 3, HitBottomLeft = 4,
    HitInside = 5, HitLeft = 11, HitTop = 12, HitRight = 13, HitBottom = 14,
    HitNode = 100,  // HitNode + n: node n (from 0) of the polyline in node editing
};

// Status-bar gadgets of the page view.
constexpr int ZoomGadget = 1;
constexpr int AxisSetGadget = 2;

// The A4 page used when there is no printer, twips.
constexpr int A4PrintableWidth = 11338;
constexpr int A4PrintableHeight = 16270;
constexpr int A4PaperWidth = 11905;
constexpr int A4PaperHeight = 16837;
constexpr int A4PrintOffset = 283;

// The page mapping of a client area: the anisotropic mapping that shows page
// twips at a zoom with the view centre in the middle of the client area.
struct TPageMapping {
    TPoint WindowOrg;
    TSize WindowExt;
    TPoint ViewportOrg;
    TSize ViewportExt;
};

// The mapping for a client area of w x h pixels at lpx x lpy pixels per inch,
// zoom percent and view centre; false when the area or the zoom leaves an extent
// of 0 (nothing can be shown). A zoom below 1 counts as 100.
bool ComputePageMapping(int w, int h, int lpx, int lpy, int zoom, TPoint viewCenter,
                        TPageMapping& out);
void ApplyPageMapping(TDC& dc, const TPageMapping& m);

class TChartWindow : public kv::win::TWindow, public kv::win::TCommandTarget, public kv::DialogHost {
    Q_OBJECT
public:
    explicit TChartWindow(QWidget* parent = nullptr);
    ~TChartWindow() override;

    // ---- What the dialogs see of the page view (charthost.cpp).
    QWidget* HostWindow() override;
    GraphDocument& HostDocument() override;
    DefaultStyles& HostDefaults() override;
    ChartSettings& HostSettings() override;
    int HostSelectedSeries() const override;
    FitColumnSet& HostFitColumns() override;
    void HostSetDataDrive(const char* drive) override;
    void HostSetReadoutFormat() override;
    void HostUpdateAxisLabels(BoxFrame* set) override;
    void HostRepaint() override;

    // ---- Window overrides.
    bool CanClose() override;
    void Paint(TDC& dc, bool erase, const TRect& rect) override;
    void SetupWindow() override;
    void EvSize(UINT sizeType, const TSize& size) override;
    void EvHScroll(UINT code, int thumbPos) override;
    void EvVScroll(UINT code, int thumbPos) override;
    static const char* GetClassName() { return "ChartWindow"; }

    // ---- Commands (the response table; chartcommands.cpp).
    bool ProcessCommand(int id) override;
    bool ProcessCommandEnable(kv::win::TCommandEnabler& ce) override;
    static const kv::win::TCommandTable<TChartWindow>& CommandTable();

    // ---- Small services.
    // "Axis %d" with CurrentNo in the status bar's second gadget.
    void ShowCurrentAxisSet();
    // Each axis set's series take the set's own parameter-only switch.
    void SetOnlyParameterAll();
    // 1 when some axis set holds a series made in memory.
    int HasMemoryData() const;
    // The hooks through which the document's model operations (the new-graph
    // reset, reading a graph file) reach this window.
    NewGraphHooks MakeNewGraphHooks();
    GraphFileHooks MakeGraphFileHooks();

    // ---- Painting (chartpaint.cpp).
    // Shadow, sheet, printable-area outline and grid dots on a context that
    // already carries the page mapping.
    void DrawPaper(TDC& dc);
    void DrawGridDots(TDC& dc);
    // The current printer's page into Env; the A4 page when there is no printer.
    void GetPageMetrics();
    // The numeric labels of the set's axes that label themselves, built again.
    void UpdateAxisLabels(BoxFrame* set);
    // The mark of the current axis set: its frame grown by HandleSize, dotted red
    // in NOT-XOR.
    void DrawFrameSelection(TDC& dc, BoxFrame* set);
    // The page's margin texts (chartheader.cpp): Settings.HeaderType and
    // HeaderPosition choose the text at the foot of the printable area,
    // FooterType and FooterPosition the one at its head; drawn on a context that
    // already carries the page mapping. CmHeaderFooter edits the four settings.
    void DrawHeaderFooter(TDC& dc);
    void CmHeaderFooter();
    // The feedback of the present selection (and of a polyline being entered)
    // drawn again on the paint context, after the page (chartredraw.cpp). Sets
    // FeedbackRect from the selected objects; no other field changes.
    void RedrawFeedback(TDC& dc);

    // ---- Selection feedback (chartfeedback.cpp). Each shape is drawn in NOT-XOR
    // over the finished page, so drawing it again with the same arguments and the
    // same mapping removes it pixel for pixel. Every routine leaves R2_COPYPEN
    // and the context's former pen and brush. Coordinates are page twips.
    // Dotted outline of r with eight handle squares outside it, whatever the
    // order of its corners.
    void DrawRectHandles(TDC& dc, TRect r);
    // Dotted outline of r.
    void DrawRubberRect(TDC& dc, TRect r);
    // Dotted line from (left, top) to (right, bottom), a handle on each end.
    void DrawRubberLine(TDC& dc, TRect r);
    // The figure's box as DrawRectHandles draws it and a handle on every node,
    // placed by the current axis set's frame origin.
    void DrawFigureHandles(TDC& dc, const TZukei* figure);
    // The red cross of the watch tool at (x, y).
    void DrawCrossCursor(TDC& dc, int x, int y);
    // Erases on WindowDC every shape the feedback fields say is shown, then drops
    // the whole selection and the status-bar read-out.
    void ClearFeedback();

    // ---- Object rectangles on the page (chartrects.cpp), twips.
    TRect GetFrameRect(const BoxFrame* set) const;
    TRect GetTextRect(const BoxFrame* set, const TText* text) const;
    TRect GetFigureRect(const BoxFrame* set, const TZukei* figure) const;
    // The union of the boxes of the set's selected texts and figures; with
    // nothing selected the inverted rectangle NoSelectionRect. Numbers in the
    // selection lists that name no item are passed over.
    TRect GetSelectionRect(const BoxFrame* set) const;
    static constexpr TRect NoSelectionRect{2147483647, 2147483647, -2147483647, -2147483647};
    // Repaints a changed page rectangle: normalised, grown by InvalidateMargin,
    // erased. NoSelectionRect (nothing was selected) repaints nothing.
    void InvalidatePageRect(TRect r);

    // ---- Picking what lies under a page point (charthit.cpp, charthitfigure.cpp,
    // chartrubber.cpp). H below is HandleSize; only the current axis set's texts
    // and figures are picked. None of them sets a SelectedFlags State or the
    // selection-kind fields: the callers do.
    // Empties every axis set's selection record.
    void UnselectAll();
    // The axis set whose frame edge is under point, the top one first (only the
    // current one while CurrentOnly is 1): 1 with its frame rectangle in rect, its
    // number (from 1) in setNo and the edge's axis (1 bottom, 2 left, 3 top,
    // 4 right) in SelectedAxis; 0 with nothing changed. Selections are untouched.
    int HitFrameEdge(TPoint point, TRect& rect, int& setNo);
    // The current set's text under point: axis labels of axes 1 to 4, then free
    // texts, each list last item first. 1 with its page box in rect and it the only
    // selected object of the page; 0 with nothing changed.
    int HitText(TPoint point, TRect& rect);
    // The current set's figure under point, the last in the list first. 1 with its
    // page box (as stored, maybe reversed) in rect and it the only selected object
    // of the page; 0 with nothing changed.
    int HitFigure(TPoint point, TRect& rect);
    // The shown feedback under point, by HandlesShown, NodeHandlesShown,
    // TextFrameShown and LineHandlesShown in that precedence: a HitCode.
    int GetHitCode(TPoint point) const;
    // Marks in the current set's record (emptied first) every text and figure
    // whose box lies wholly inside rect (either orientation, edges included): 1
    // with the union of their boxes in out, 0 with out untouched.
    int SelectInRect(TRect rect, TRect& out);

    // ---- Tools, cursors and snapping (charttools.cpp).
    // The palette's tool that is down (a ToolId, never ToolLegend); 0 for none.
    int GetCurrentTool() const;
    // The cursor of the current tool.
    void SetToolCursor();
    // CurrentHit = GetHitCode(point) and the cursor of that code (the tool's for
    // HitNone); UpdateHitCursor does it only when the code changed.
    void SetHitCursor(TPoint point);
    void UpdateHitCursor(TPoint point);
    // The nearest grid point (halves upwards) while the grid is on, else point.
    TPoint SnapToGrid(TPoint point) const;

    // ---- Left-button gestures (chartmouse.cpp, chartrelease.cpp). The press
    // starts one kind of drag, by the shown feedback and the hit code under the
    // point or else by the current tool; every move keeps that drag's NOT-XOR
    // shape under the mouse; the release writes the result into the document.
    // Points are client pixels.
    void EvLButtonDown(UINT modKeys, const TPoint& point) override;
    void EvMouseMove(UINT modKeys, const TPoint& point) override;
    void EvLButtonUp(UINT modKeys, const TPoint& point) override;
    // Selects what lies under a page point, trying a text, a figure, a data
    // point and a frame edge in this order, and shows its feedback: 1 when
    // something was selected.
    int SelectAtPoint(TPoint point);
    // The status-bar read-outs of the watch cross and of the data cursor.
    void ShowWatchReadout();
    void ShowPlotReadout();
    // Appends a copy of the figure to the current axis set, marks the graph and
    // repaints the figure's area at once; null after the memory message.
    TZukei* AppendFigure(const TZukei& figure);

    // ---- The text and legend tools (chartinsert.cpp): a new text or legend in
    // the default text style, filled in its dialog and centred on the view.
    void InsertText();
    void InsertLegend();

    // ---- Frame and axis dialogs of the current axis set (chartaxis.cpp).
    void CmAxisFrame();
    void CmXAxis();
    void CmYAxis();
    void CmTopAxis();
    void CmRightAxis();

    // ---- Data files (chartdata.cpp).
    // Command 114: chooses data files and adds each as a series of the current
    // axis set; an axis set that held no series is autoscaled afterwards.
    void CmDataFileOpen();
    // One data file (a local path, UTF-8) as a new series of the current axis
    // set, through the data-reading and plot-style dialogs: 1 when the series
    // was added (the document is then modified), 0 when nothing was added (the
    // user cancelled, or a message told why). The caller autoscales, clears the
    // feedback and repaints.
    int OpenDataFile(const char* path);
    // A local path as the document keeps a data-file name: code-page bytes that fit
    // DataFileName with its terminator. Tells the user (with the name) and answers
    // nothing when it cannot be kept.
    std::optional<std::string> StorableDataPath(const std::string& local);

    // ---- Commands of one selected figure and of a polyline's nodes
    // (chartfigure.cpp). The figure is the one entry of an axis set's figure
    // selection; NodeIndex names the node the node menu was opened on.
    void CmZukeiStyle();
    void CmZukeiDelete();
    void CmZukeiDuplicate();
    void CmZukeiToTop();
    void CmZukeiUp();
    void CmZukeiDown();
    void CmZukeiToBottom();
    void CmNodeInsert();
    void CmNodeDelete();
    void CeZukeiSelected(kv::win::TCommandEnabler& ce);
    void CeNodeInsert(kv::win::TCommandEnabler& ce);
    void CeNodeDelete(kv::win::TCommandEnabler& ce);

    // ---- Commands of the selected series (chartseries.cpp, chartsavetext.cpp).
    // The series SelectedPlot of the current axis set while PlotSelected is 1;
    // null when nothing (or nothing that still exists) is selected.
    TPlot* SelectedSeries() const;
    void CmPlotStyle();
    void CmPlotReload();
    void CmPlotToTop();
    void CmPlotUp();
    void CmPlotDown();
    void CmPlotToBottom();
    void CmPlotDelete();
    void CmPlotDuplicate();
    void CmPlotEditor();
    void CmPlotInfo();
    void CmPlotMask();
    void CmPlotSaveToFile();
    void CePlotSelected(kv::win::TCommandEnabler& ce);
    void CeFileSeries(kv::win::TCommandEnabler& ce);
    void CeMemorySeries(kv::win::TCommandEnabler& ce);

    // ---- The Data menu's dialogs (chartfits.cpp).
    void CmDataManager();
    void CmLinearFit();
    void CmNonLinearFit();
    void CmPlotLinearFit();
    void CmPlotNonLinearFit();
    void CmUserConst();
    void CmUserFunction();
    void CmCalcCurve();
    void CmEvaluate();

    // ---- Commands of a multiple selection (chartmulti.cpp).
    void CmSelectionDelete();
    void CmSelectionFont();
    void CmSelectionTextStyle();
    void CmSelectionZukeiStyle();
    void CeMultiSelected(kv::win::TCommandEnabler& ce);
    // After a style command: the old and the new frame of the selection
    // repainted, the frame moved to the restyled objects, the graph modified.
    void FinishSelectionStyle();

    // ---- Axis-set commands (chartsets.cpp). AddAxisSet appends an axis set made
    // from the defaults (1; 0 after the memory message); DeleteAxisSet removes the
    // current one, a fresh default set taking the place of the last one, and
    // makes set 1 current. CopyAxisScaling copies the nine scaling fields.
    int AddAxisSet();
    void DeleteAxisSet();
    static void CopyAxisScaling(AxisUnit* to, const AxisUnit* from);
    void CmAddAxisSet();
    void CmDeleteAxisSet();
    void CmDuplicateAxisSet();
    void CmAxisSetToTop();
    void CmAxisSetUp();
    void CmAxisSetDown();
    void CmAxisSetToBottom();
    void CmCurrentAxisSetOnly();
    void CeCurrentAxisSetOnly(kv::win::TCommandEnabler& ce);
    void CmAutoScale();
    void CmAxisBase();
    void CmCopyScaling();
    void CmPasteScaling();
    // Sets DoubleClicked and captures the mouse; the release opens the dialog.
    void EvLButtonDblClk(UINT modKeys, const TPoint& point) override;

    // ---- Clipboard, show/hide and options (chartclip.cpp). The page as a
    // metafile and an image; clipboard text saved as a data file the user names
    // and read as a new series of the current axis set.
    void CmCopyToClipboard();
    void CmShowHide();
    void CmOptions();
    void PasteDataFromClipboard();
    // The Data menu's paste command (Shift+Insert).
    void CmPasteData();
    // A series' information text in its dialog (a changed text marks the graph
    // modified); its data file in the external editor (Settings.Editor).
    void ShowSeriesInfo(TPlot* plot);
    void EditDataFile(TPlot* plot);

    // ---- Commands of the one selected text (charttext.cpp): the text found by
    // SelectedTextOf (chart/charttext.h) in each axis set.
    void CmTextEdit();
    void CmTextFont();
    void CmTextDelete();
    void CmTextDuplicate();
    // Enabled while one text is selected.
    void CeTextSelected(kv::win::TCommandEnabler& ce);

    // ---- Right button and keys (chartmenus.cpp, chartkeys.cpp): the context
    // menu of the selection (picking first when nothing is selected), the end of
    // a polyline; Escape, the arrows, Delete and Tab.
    void EvRButtonDown(UINT modKeys, const TPoint& point) override;
    void EvKeyDown(UINT key, UINT repeatCount, UINT flags) override;

    // ---- View commands (chartview.cpp). None marks the graph modified.
    void CmGridNone();
    void CmGrid5();
    void CmGrid10();
    void CmGrid15();
    void CmGrid20();
    void CmDraft();
    void ToggleDraft();
    // Zoom and view centre that show the whole graph (the current axis set alone
    // while only it is shown), or the whole sheet at 95 % of the fitting zoom.
    void CmFitGraph();
    void CmFitPaper();
    // The zoom (percent, at least 25) at which the page rectangle just fits the
    // client area.
    int CalcFitZoom(int x1, int y1, int x2, int y2);
    void CmPaperColor();
    void CmManualRefresh();
    // Paints the whole page now, series included even under manual refresh.
    void CmRedraw();
    void CmHelp();

    // ---- The whole page (chartgraph.cpp; the work is render/graphdraw.h's).
    // The drawing pass over every axis set, in any output mode, for the exports,
    // the clipboard copy, printing and the full-screen view.
    void DrawGraph(int mode, TDC& dc, FILE* file, TRect* extent);
    // The page's extent estimated from stored rectangles: every axis set, or the
    // current one alone.
    TRect GetGraphExtent() const;
    TRect GetCurrentFrameExtent() const;

    // ---- Zoom and scrolling (chartzoom.cpp).
    void CmZoom25();
    void CmZoom50();
    void CmZoom75();
    void CmZoom100();
    void CmZoom150();
    void CmZoom200();
    void CmZoom400();
    void UpdateScrollBars();
    void UpdateHandleSize();

    // ---- Settings (chartsetup.cpp).
    // Copies at most two characters (a drive letter and a colon) into
    // Settings.DataDrive and into the data-file reader's drive.
    void SetDataDrive(const char* drive);
    // The read-out formats that Settings.DataPrecision chooses (0 short, 1 full;
    // other values leave them).
    void SetReadoutFormat();

    // ---- The document: page settings, axis sets, the current one and the
    // modified flag, which the file operations work on directly.
    GraphDocument Document;
    int CurrentOnly = 0;
    std::string FileName;

    // ---- The program's settings (read from and written to the profile).
    ChartSettings Settings;

    // ---- View.
    int HandleSize = 2;
    int InvalidateMarginBase = 100;
    std::unique_ptr<BoxFrame> ScalingStore;
    int LogPixelsX = 0;
    int LogPixelsY = 0;

    // ---- Mouse tools, selection and feedback.
    int Dragging = 0;
    int ButtonDown = 0;
    bool DoubleClicked = false;
    std::unique_ptr<TDC> WindowDC;
    int HandlesShown = 0;
    int TextFrameShown = 0;
    int LineHandlesShown = 0;
    TRect FeedbackRect;
    int AxisSelected = 0;
    int SelectedAxis = 0;
    int TextSelected = 0;
    int ZukeiSelected = 0;
    int MultiSelected = 0;
    int PlotSelected = 0;
    int SelectedPlot = 0;
    int SelectedRow = 0;
    struct {
        double X = 0.0;
        double Y = 0.0;
    } DataCursor;
    int Scrolling = 0;
    int NodeHandlesShown = 0;
    int NodeIndex = -1;
    TPoint Anchor;
    SCROLLINFO HScrollInfo = InitialScrollInfo();
    SCROLLINFO VScrollInfo = InitialScrollInfo();
    int CurrentHit = 0;
    int DragHit = 0;
    TPoint DragStart;
    TPoint DragPoint;
    TRect DragStartRect;
    TRect DragRect;
    TPoint PanPoint;
    int PickTolerance = 5;
    TRect PickRect;
    kv::win::TToolPalette* ToolBar = nullptr;
    kv::win::TStatusBar* StatusBar = nullptr;
    std::unique_ptr<TZukei> ScratchZukei;
    int InvalidateMargin = 0;
    int WatchHidden = 1;
    TPoint WatchPoint;
    int PolylineActive = 0;

    // ---- Default objects: kept together as the profile's default styles.
    DefaultStyles Defaults;

    int Quality = 1;
    int ManualRefresh = 0;
    // Work columns of the non-linear fit: the function value and nine derivatives.
    FitColumnSet FitColumns = MakeFitColumnSet();
    char PlotReadoutFormat[256] = "[ %s ] %%i=%d %%c=%d (%.15lG, %.15lG)";
    char WatchReadoutFormat[256] = "X=%.15lG Y=%.15lG";

private:
    // Branches of the button release and the pan step (chartmouse.cpp,
    // chartrelease.cpp); the text insertion's last step (chartinsert.cpp).
    void DoubleClickRelease();
    void ReleaseRubberBand(const TPoint& point, TPoint lp);
    void ReleaseSelectionDrag(TPoint lp);
    void ReleasePolylineDrag(TPoint lp);
    void ReleasePan();
    void ReleaseTrimming();
    void ReleaseNewFigure(UINT modKeys, TPoint lp, int tool);
    void PanView(const TPoint& point);
    void AppendText(std::unique_ptr<TText> text);

    static SCROLLINFO InitialScrollInfo();
    // The zoom in use: Env's, or 100 when it is below 1.
    int EffectiveZoom() const;
    void ZoomTo(int percent);
    // One line or page step of a bar: towards a smaller (back) or larger view
    // centre by `step` twips, scrolling the pixels by `shift`.
    void ScrollStep(int bar, bool back, int step, int shift);
    void Scroll(int bar, UINT code, int thumbPos);
};
