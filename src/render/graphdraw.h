#pragma once
// The whole page: one drawing pass over every axis set of a document in the three
// output modes, the page view's variant of it, and the estimates of the page's
// extent from what the document stores. The chart window forwards its DrawGraph,
// paint and extent queries here; the functions work on the document's list of
// axis sets alone, so exports and tests use them without a window.

#include "model/boxframe.h"
#include "platform/containers.h"
#include "platform/dc.h"
#include "platform/geometry.h"

#include <cstdio>

// Draws every axis set in list order, a later one over an earlier one: frame
// background, grid lines, axes and series in the set's paint order (1: series,
// then axes; 2: axes, then series; any other value: no axes), figures, free
// texts, and the numeric labels of the bottom, left, top and right axes. Always
// with full line widths. mode is an output mode of render/output.h: OUT_DC draws
// on dc (already mapped to twips by the caller; extent may be null), OUT_EXTENT
// grows *extent (not reset here) by everything drawn, OUT_VECTOR appends kvx
// records to file (whose page record the caller wrote). In modes 2 and 3 dc may
// wrap no device.
//
// Clears AbortRequested first and polls the Escape check before every axis set,
// series, figure, free text and label: an abort before an axis set ends the pass,
// one inside a walk ends that walk, and every later walk of that set ends at its
// first poll; with paint order 1 the set's axes are still drawn. AbortRequested is
// left as the check set it, so a caller can tell a cut-short pass.
void DrawGraph(const TIArrayAsVector<BoxFrame>& axisSets, int mode, TDC& dc, FILE* file,
               TRect* extent);

// The page view's settings for drawing the axis sets.
struct GraphViewSettings {
    int CurrentNo = 1;             // the current axis set (from 1)
    int CurrentOnly = 0;           // 1: only the current axis set is drawn
    int Quality = 1;               // 0: draft, every pen at its thinnest
    int ManualRefresh = 0;         // 1: the series are left out
    int ReloadDataBeforePlot = 0;  // 1: each series' file is read again first
};

// The axis sets as the page view paints them on a mapped device context: the
// same calls in the same order as DrawGraph, in OUT_DC mode with the view's
// quality, only the current axis set when CurrentOnly is 1, no series with
// ManualRefresh, and with ReloadDataBeforePlot each series read again first (a
// series whose reading fails is left out; the others keep their numbers). The
// Escape check is polled before every axis set (an abort ends the walk) and every
// series (an abort skips the rest of that set's series); figures, texts and labels
// are drawn without polls. Does not clear AbortRequested: the paint does.
void DrawGraphView(const TIArrayAsVector<BoxFrame>& axisSets, TDC& dc,
                   const GraphViewSettings& view);

// Gives back the working memory that series drawing keeps from one drawing to the
// next (room for the largest series drawn so far); the next drawing takes it anew.
void ReleaseSeriesScratch();

// The page rectangle the document occupies, estimated from stored rectangles only:
// every frame, figure bounds, laid-out text and numeric-label box, united and
// inflated by 100 twips on every side. Series, ticks and line widths are not
// looked at. A document without axis sets answers an empty rectangle.
TRect GetGraphExtent(const TIArrayAsVector<BoxFrame>& axisSets);
// The same for axis set currentNo (from 1) alone; an empty rectangle when there is
// no such axis set.
TRect GetCurrentFrameExtent(const TIArrayAsVector<BoxFrame>& axisSets, int currentNo);
