#pragma once
// The full-screen page view: a borderless window over the whole screen showing the
// sheet of the open graph as large as it fits, drawn as the chart window draws it
// (paper, graph, header and footer). It shows and does not edit: any mouse click
// or the Escape key closes it, and closing destroys it.

#include "chart/winlayer/window.h"
#include "platform/geometry.h"

class TChartWindow;

class TPrevWindow : public kv::win::TWindow {
    Q_OBJECT
public:
    // A window of its own (not a child of the chart window, which owns it), over
    // the screen the chart window is on; deleted when closed.
    TPrevWindow(TChartWindow* chart, const char* title);
    ~TPrevWindow() override;

    void Paint(TDC& dc, bool erase, const TRect& rect) override;
    void EvKeyDown(UINT key, UINT repeatCount, UINT flags) override;
    void EvLButtonDown(UINT modKeys, const TPoint& point) override;
    void EvRButtonDown(UINT modKeys, const TPoint& point) override;

    // The zoom percent at which the sheet (page twips) just fits the desktop at
    // the context's resolution: the smaller of the two axes' fits, truncated, at
    // least 25.
    int CalcFitZoom(TDC& dc, const TRect& sheet) const;
    static int FitZoom(int logPixelsX, int logPixelsY, int desktopWidth, int desktopHeight,
                       const TRect& sheet);
    // The sheet of the chart window's document in page twips.
    TRect SheetRect() const;
    // The desktop's rectangle in pixels.
    TRect DesktopRect() const;

    TChartWindow* ChartWindow;
};
