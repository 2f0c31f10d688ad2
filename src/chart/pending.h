#pragma once
// Stand-ins for the drawing the page view needs from code that is not built yet:
// the axis sets of the page (frame backgrounds, grids, axes, series, figures,
// texts and labels), the axis synchronisation and the numeric axis labels. Each
// keeps its final meaning and call site; as the drawing lands, its body here is
// replaced by the real call. Nothing else in the chart window draws axis sets.

#include "model/boxframe.h"
#include "platform/containers.h"
#include "platform/dc.h"

namespace pending {

// What the page view hands the drawing of its axis sets.
struct TViewDrawing {
    const TIArrayAsVector<BoxFrame>* AxisSets = nullptr;
    int CurrentNo = 1;
    int CurrentOnly = 0;           // 1: only axis set CurrentNo
    int Quality = 1;               // 0: draft, every pen at its thinnest
    int ManualRefresh = 0;         // 1: the series are left out
    int ReloadDataBeforePlot = 0;  // 1: each file series is read again first
};

// Every axis set of the page in list order on a context carrying the page mapping,
// as the page view shows it: the Escape check is polled before each axis set (an
// abort ends the walk) and before each series (an abort skips the rest of that
// set's series); with ReloadDataBeforePlot a series whose file can no longer be
// read is left out. For now each axis set shows only its frame outline.
void DrawAxisSets(const TViewDrawing& view, TDC& dc);

// The mirrored axes of a frame type follow their partners (does nothing yet).
void SyncAxes(Frame* frame, AxisUnit* left, AxisUnit* right, AxisUnit* top, AxisUnit* bottom);

// The numeric labels of one axis built again (does nothing yet).
void MakeAxisLabels(BoxFrame* set, int axisNo);

}  // namespace pending
