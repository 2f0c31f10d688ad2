#pragma once
// The output layer: every mark on a page goes through these primitives, which act on
// one of three outputs chosen by the mode: the device context (OUT_DC), the caller's
// extent rectangle (OUT_EXTENT: the bounding box of everything drawn) or the kvx
// vector file (OUT_VECTOR). Callers pass mode, device context, file and extent
// unchanged from the top of a drawing; coordinates are page twips, y downward.
// A mode other than these three does nothing beyond the path bookkeeping.

#include "platform/color.h"
#include "platform/dc.h"
#include "platform/geometry.h"
#include "render/kvx.h"

#include <cstdio>

constexpr int OUT_DC = 1;
constexpr int OUT_EXTENT = 2;
constexpr int OUT_VECTOR = 3;

// Moves and lines since the last path begin or end; the styled-line drawing keeps
// each vector path below 1000 points with it.
extern int PathPointCount;

// Shapes. penWidth (twips) only grows boxes in OUT_EXTENT, by h = penWidth / 2 + 1.
void OutMoveTo(int mode, TPoint p, TDC& dc, FILE* file, TRect* extent, int penWidth, bool count);
void OutLineTo(int mode, TPoint p, TDC& dc, FILE* file, TRect* extent, int penWidth);
void OutPolygon(int mode, const TPoint* points, int n, TDC& dc, FILE* file, TRect* extent,
                int penWidth, bool noExtent);
void OutEllipse(int mode, TDC& dc, const TRect& r, FILE* file, TRect* extent, int penWidth);
void OutEllipseCoords(int mode, TDC& dc, int x1, int y1, int x2, int y2, FILE* file,
                      TRect* extent, int penWidth);
void OutRoundRect(int mode, TDC& dc, const TPoint& p1, const TPoint& p2, int cornerW, int cornerH,
                  FILE* file, TRect* extent, int penWidth);
// One character (or double-byte pair) at the left end of its baseline; width,
// height and ascent are the character's, angle the text's rotation in degrees.
void OutTextOut(int mode, TDC& dc, int x, int y, const char* text, int count, int lineAscent,
                int width, int height, int ascent, int angle, FILE* file, TRect* extent);

// Attributes (OUT_EXTENT ignores them).
void OutSelectPen(int mode, TDC& dc, const TColor& colour, int width, FILE* file);
// style -2 no fill (stock NULL_BRUSH), -1 solid, 0..5 hatched.
void OutSelectBrush(int mode, TDC& dc, const TColor& colour, int style, FILE* file);
void OutSelectStockObject(int mode, TDC& dc, int id, FILE* file);
void OutSelectFont(int mode, TDC& dc, const TFont& font, FILE* file);
void OutSetTextColor(int mode, TDC& dc, const TColor& colour, FILE* file);
void OutSetBkColor(int mode, TDC& dc, const TColor& colour, FILE* file);
void OutSetBkMode(int mode, TDC& dc, int bkMode, FILE* file);
void OutSetClip(int mode, TDC& dc, const TRect& r, FILE* file);
void OutRestoreClip(int mode, TDC& dc, FILE* file);
void OutBeginPath(int mode, TDC& dc, FILE* file);
void OutEndPath(int mode, TDC& dc, FILE* file);
void OutStrokePath(int mode, TDC& dc, FILE* file);
// End, stroke and begin the path, then move to p (counted in the extent).
void OutRestartPath(int mode, TPoint p, TDC& dc, FILE* file, TRect* extent, int penWidth);

// Device-context only.
void OutRestorePen(int mode, TDC& dc);
void OutRestoreBrush(int mode, TDC& dc);
void OutRestoreFont(int mode, TDC& dc);
void OutRestoreObjects(int mode, TDC& dc);
void OutSaveDC(int mode, TDC& dc);
void OutRestoreDC(int mode, TDC& dc);
void OutIntersectClipRect(int mode, TDC& dc, const TRect& r);
void OutSetTextAlign(int mode, TDC& dc, int align);

// The background colour in force: the device context's in OUT_DC; in every other
// mode the colour the last OutSetBkColor set (white at the start and after each
// OutPageInfo), so that a drawing that puts it back never writes an undefined one.
TColor OutGetBkColor(int mode, TDC& dc);

// The extent union: an all-zero box changes nothing, an all-zero extent becomes the
// box, otherwise the extent grows to hold it.
void UniteExtent(TRect* extent, const TRect& box);
// A character's box turned by angle degrees about its baseline point (truncating
// each corner toward zero with the constant 3.1415926).
void RotateTextCorner(int& px, int& py, int angle);
