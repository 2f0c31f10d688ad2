#include "render/output.h"

#include "platform/cformat.h"
#include "platform/winmath.h"

#include <algorithm>
#include <climits>
#include <cmath>

int PathPointCount = 0;

namespace {

int Sat(long long v) {
    return int(std::clamp<long long>(v, INT_MIN, INT_MAX));
}

int Inflation(int penWidth) { return penWidth / 2 + 1; }

// The box (l - h, t - h, r + h, b + h) without overflow.
TRect Inflated(long long l, long long t, long long r, long long b, int h) {
    return TRect(Sat(l - h), Sat(t - h), Sat(r + h), Sat(b + h));
}

void Square(TRect* extent, const TPoint& p, int penWidth) {
    UniteExtent(extent, Inflated(p.x, p.y, p.x, p.y, Inflation(penWidth)));
}

}  // namespace

void UniteExtent(TRect* extent, const TRect& box) {
    if (!extent || box.IsNull()) return;
    if (extent->IsNull()) {
        *extent = box;
        return;
    }
    extent->left = std::min(extent->left, box.left);
    extent->top = std::min(extent->top, box.top);
    extent->right = std::max(extent->right, box.right);
    extent->bottom = std::max(extent->bottom, box.bottom);
}

void RotateTextCorner(int& px, int& py, int angle) {
    const double t = angle * (1.0 / 180.0) * 3.1415926;
    const double c = std::cos(t), s = std::sin(t);
    const double x = px, y = py;
    // |px|, |py| are character sizes; the results stay far inside the int range
    // unless a caller passes absurd sizes, which saturate.
    px = TruncToIntSaturated(x * c + y * s);
    py = TruncToIntSaturated(y * c - x * s);
}

// ---- shapes ----

void OutMoveTo(int mode, TPoint p, TDC& dc, FILE* file, TRect* extent, int penWidth, bool count) {
    ++PathPointCount;
    switch (mode) {
    case OUT_DC: dc.MoveToEx(p.x, p.y); break;
    case OUT_EXTENT:
        if (count) Square(extent, p, penWidth);
        break;
    case OUT_VECTOR:
        if (!file) break;
        kvx::Tag(file, "/MVT");
        kvx::Point(file, p.x, p.y);
        break;
    default: break;
    }
}

void OutLineTo(int mode, TPoint p, TDC& dc, FILE* file, TRect* extent, int penWidth) {
    ++PathPointCount;
    switch (mode) {
    case OUT_DC: dc.LineTo(p.x, p.y); break;
    case OUT_EXTENT: Square(extent, p, penWidth); break;
    case OUT_VECTOR:
        if (!file) break;
        kvx::Tag(file, "/LNT");
        kvx::Point(file, p.x, p.y);
        break;
    default: break;
    }
}

void OutPolygon(int mode, const TPoint* points, int n, TDC& dc, FILE* file, TRect* extent,
                int penWidth, bool noExtent) {
    // An empty polygon is no shape: no device call, no inverted box, no record.
    if (!points || n <= 0) return;
    switch (mode) {
    case OUT_DC: dc.Polygon(points, n); break;
    case OUT_EXTENT: {
        if (noExtent) break;
        int minX = 32767, minY = 32767, maxX = -32767, maxY = -32767;
        for (int i = 0; i < n; ++i) {
            minX = std::min(minX, points[i].x);
            minY = std::min(minY, points[i].y);
            maxX = std::max(maxX, points[i].x);
            maxY = std::max(maxY, points[i].y);
        }
        UniteExtent(extent, Inflated(minX, minY, maxX, maxY, Inflation(penWidth)));
        break;
    }
    case OUT_VECTOR:
        if (!file) break;
        kvx::Tag(file, "/PLY");
        kvx::Number(file, n);
        for (int i = 0; i < n; ++i) kvx::Point(file, points[i].x, points[i].y);
        break;
    default: break;
    }
}

void OutEllipse(int mode, TDC& dc, const TRect& r, FILE* file, TRect* extent, int penWidth) {
    switch (mode) {
    case OUT_DC: dc.Ellipse(r.left, r.top, r.right, r.bottom); break;
    case OUT_EXTENT: {
        TRect n = r.Normalized();
        UniteExtent(extent, Inflated(n.left, n.top, n.right, n.bottom, Inflation(penWidth)));
        break;
    }
    case OUT_VECTOR:
        if (!file) break;
        kvx::Tag(file, "/ELS");
        kvx::Rect(file, r.left, r.top, r.right, r.bottom);
        break;
    default: break;
    }
}

void OutEllipseCoords(int mode, TDC& dc, int x1, int y1, int x2, int y2, FILE* file,
                      TRect* extent, int penWidth) {
    OutEllipse(mode, dc, TRect(x1, y1, x2, y2), file, extent, penWidth);
}

void OutRoundRect(int mode, TDC& dc, const TPoint& p1, const TPoint& p2, int cornerW, int cornerH,
                  FILE* file, TRect* extent, int penWidth) {
    switch (mode) {
    case OUT_DC: dc.RoundRect(p1.x, p1.y, p2.x, p2.y, cornerW, cornerH); break;
    case OUT_EXTENT: {
        TRect n = TRect(p1, p2).Normalized();
        UniteExtent(extent, Inflated(n.left, n.top, n.right, n.bottom, Inflation(penWidth)));
        break;
    }
    case OUT_VECTOR: {
        if (!file) break;
        kvx::Tag(file, "/RRT");
        kvx::Rect(file, p1.x, p1.y, p2.x, p2.y);
        char buf[48];
        kv::SNPrintF(buf, sizeof buf, "%d,%d\r\n", cornerW, cornerH);
        std::fputs(buf, file);
        break;
    }
    default: break;
    }
}

void OutTextOut(int mode, TDC& dc, int x, int y, const char* text, int count, int /*lineAscent*/,
                int width, int height, int ascent, int angle, FILE* file, TRect* extent) {
    if (!text) return;
    switch (mode) {
    case OUT_DC: dc.TextOut(x, y, text, count); break;
    case OUT_EXTENT: {
        // Stored metrics may be anything: the corners saturate.
        const int top = Sat(-(long long)ascent), bottom = Sat((long long)height - ascent);
        const int corners[4][2] = {{0, top}, {0, bottom}, {width, bottom}, {width, top}};
        int minX = INT_MAX, minY = INT_MAX, maxX = INT_MIN, maxY = INT_MIN;
        for (const auto& c : corners) {
            int px = c[0], py = c[1];
            RotateTextCorner(px, py, angle);
            minX = std::min(minX, px);
            minY = std::min(minY, py);
            maxX = std::max(maxX, px);
            maxY = std::max(maxY, py);
        }
        UniteExtent(extent, TRect(Sat((long long)x + minX), Sat((long long)y + minY),
                                  Sat((long long)x + maxX), Sat((long long)y + maxY)));
        break;
    }
    case OUT_VECTOR:
        if (!file) break;
        kvx::Tag(file, "/TXO");
        kvx::Point(file, x, y);
        kvx::TextLine(file, text, count < 0 ? INT_MAX : count);
        break;
    default: break;
    }
}

// ---- attributes ----

void OutSelectPen(int mode, TDC& dc, const TColor& colour, int width, FILE* file) {
    if (mode == OUT_DC) {
        dc.SelectObject(TPen(colour, width, PS_SOLID));
    } else if (mode == OUT_VECTOR && file) {
        kvx::Tag(file, "/PEN");
        kvx::Colour(file, 1, colour);
        kvx::Number(file, width);
    }
}

void OutSelectBrush(int mode, TDC& dc, const TColor& colour, int style, FILE* file) {
    if (mode == OUT_DC) {
        if (style == -2)
            dc.SelectStockObject(NULL_BRUSH);
        else if (style == -1)
            dc.SelectObject(TBrush(colour));
        else if (style >= HS_HORIZONTAL && style <= HS_DIAGCROSS)
            dc.SelectObject(TBrush(colour, style));
    } else if (mode == OUT_VECTOR && file) {
        kvx::Tag(file, "/BRS");
        kvx::Colour(file, style, colour);
    }
}

void OutSelectStockObject(int mode, TDC& dc, int id, FILE* file) {
    if (mode == OUT_DC) {
        dc.SelectStockObject(id);
    } else if (mode == OUT_VECTOR && file) {
        if (id == NULL_BRUSH) {
            kvx::Tag(file, "/BRS");
            kvx::Colour(file, -2, TColor(0));
        } else if (id == NULL_PEN) {
            kvx::Tag(file, "/PEN");
            kvx::Colour(file, -2, TColor(0));
            kvx::Number(file, 0);
        }
    }
}

void OutSelectFont(int mode, TDC& dc, const TFont& font, FILE* file) {
    if (mode == OUT_DC) {
        dc.SelectObject(font);
    } else if (mode == OUT_VECTOR && file) {
        LOGFONT lf;
        font.GetObject(lf);
        kvx::Tag(file, "/SFT");
        for (int v : {int(lf.lfHeight), int(lf.lfWidth), int(lf.lfEscapement),
                      int(lf.lfOrientation), int(lf.lfWeight), int(lf.lfItalic),
                      int(lf.lfUnderline), int(lf.lfStrikeOut), int(lf.lfCharSet),
                      int(lf.lfOutPrecision), int(lf.lfClipPrecision), int(lf.lfQuality),
                      int(lf.lfPitchAndFamily)})
            kvx::Number(file, v);
        kvx::TextLine(file, lf.lfFaceName, LF_FACESIZE);
    }
}

void OutSetTextColor(int mode, TDC& dc, const TColor& colour, FILE* file) {
    if (mode == OUT_DC) {
        dc.SetTextColor(colour);
    } else if (mode == OUT_VECTOR && file) {
        kvx::Tag(file, "/TCR");
        kvx::Colour(file, 1, colour);
    }
}

void OutSetBkColor(int mode, TDC& dc, const TColor& colour, FILE* file) {
    kvx::LayerBkColor = colour;
    if (mode == OUT_DC) {
        dc.SetBkColor(colour);
    } else if (mode == OUT_VECTOR && file) {
        kvx::Tag(file, "/SBC");
        kvx::Colour(file, 1, colour);
    }
}

void OutSetBkMode(int mode, TDC& dc, int bkMode, FILE* file) {
    if (mode == OUT_DC) {
        dc.SetBkMode(bkMode);
    } else if (mode == OUT_VECTOR && file) {
        kvx::Tag(file, "/SBM");
        if (bkMode == OPAQUE)
            kvx::Number(file, 1);
        else if (bkMode == TRANSPARENT)
            kvx::Number(file, 0);
    }
}

void OutSetClip(int mode, TDC&, const TRect& r, FILE* file) {
    if (mode != OUT_VECTOR || !file) return;
    kvx::Tag(file, "/SCP");
    kvx::Rect(file, r.left, r.top, r.right, r.bottom);
}

void OutRestoreClip(int mode, TDC&, FILE* file) {
    if (mode == OUT_VECTOR) kvx::Tag(file, "/RCP");
}

void OutBeginPath(int mode, TDC&, FILE* file) {
    PathPointCount = 0;
    if (mode == OUT_VECTOR) kvx::Tag(file, "/BGP");
}

void OutEndPath(int mode, TDC&, FILE* file) {
    PathPointCount = 0;
    if (mode == OUT_VECTOR) kvx::Tag(file, "/EDP");
}

void OutStrokePath(int mode, TDC&, FILE* file) {
    if (mode == OUT_VECTOR) kvx::Tag(file, "/SRP");
}

void OutRestartPath(int mode, TPoint p, TDC& dc, FILE* file, TRect* extent, int penWidth) {
    OutEndPath(mode, dc, file);
    OutStrokePath(mode, dc, file);
    OutBeginPath(mode, dc, file);
    OutMoveTo(mode, p, dc, file, extent, penWidth, true);
}

// ---- device context only ----

void OutRestorePen(int mode, TDC& dc) {
    if (mode == OUT_DC) dc.RestorePen();
}

void OutRestoreBrush(int mode, TDC& dc) {
    if (mode == OUT_DC) dc.RestoreBrush();
}

void OutRestoreFont(int mode, TDC& dc) {
    if (mode == OUT_DC) dc.RestoreFont();
}

void OutRestoreObjects(int mode, TDC& dc) {
    if (mode == OUT_DC) dc.RestoreObjects();
}

void OutSaveDC(int mode, TDC& dc) {
    if (mode == OUT_DC) dc.SaveDC();
}

void OutRestoreDC(int mode, TDC& dc) {
    if (mode == OUT_DC) dc.RestoreDC(-1);
}

void OutIntersectClipRect(int mode, TDC& dc, const TRect& r) {
    if (mode == OUT_DC) dc.IntersectClipRect(r);
}

void OutSetTextAlign(int mode, TDC& dc, int align) {
    if (mode == OUT_DC) dc.SetTextAlign(UINT(align));
}

TColor OutGetBkColor(int mode, TDC& dc) {
    if (mode == OUT_DC) return TColor(dc.GetBkColor());
    return TColor(kvx::LayerBkColor);
}
