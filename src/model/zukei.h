#pragma once
// A figure drawn with the figure tools: line, rectangle, rounded rectangle,
// ellipse, axis-cut mark or polyline. Its nodes are twips relative to the frame
// origin of the axis set that holds it, so it moves with the axis set.

#include "model/records.h"
#include "platform/containers.h"
#include "platform/geometry.h"
#include "platform/objstrm.h"
#include "platform/wintypes.h"

#include <cstddef>
#include <memory>
#include <vector>

// The kind of a figure is the command id of the palette tool that made it.
enum ZukeiKind : int {
    ZukeiLine = 1021,       // 2 nodes: start, end
    ZukeiRectangle = 1022,  // 2 nodes: opposite corners
    ZukeiRoundRect = 1023,
    ZukeiEllipse = 1024,    // corners of the enclosing box
    ZukeiAxisCut = 1025,
    ZukeiPolyline = 1027,   // 2 or more nodes in drawing order
};

// True for the kinds defined by exactly two nodes.
constexpr bool IsTwoNodeZukei(int kind) { return kind >= ZukeiLine && kind <= ZukeiAxisCut; }

// The sampled curve of a spline polyline (made by the render library) with what it
// was sampled from, so that it is sampled again only when one of those changed.
struct ZukeiCurve {
    std::vector<double> NodeXY;  // the nodes' X and Y in turn, as sampled
    int Closed = 0;              // the figure's IsClosed
    int Divisions = 0;           // the figure's InterPointNo
    std::vector<DoublePoint> Points;  // relative to the frame origin
};

class TZukei : public TStreamableBase {
public:
    TZukei();
    ~TZukei() override;
    // Copies are deep: the nodes are copied, never shared.
    TZukei(const TZukei& src);
    TZukei& operator=(const TZukei& src);

    COLORREF PenColor = 0;
    int PenWidth = 100;         // hundredths of the frame's ZukeiLineRate
    int PenType = 1;            // line style 0-7; 0 draws no outline
    int Arrow = 0;              // 0 none, 1 start, 2 end, 3 both
    COLORREF ForeBrushColor = 0;
    COLORREF BackBrushColor = 0xFFFFFF;
    int BrushType = -2;         // -2 no fill, -1 solid, 0-5 hatch style
    int Kind = 0;               // a ZukeiKind; 0 in a figure not made yet
    TRect Bounds;               // cached bounding rectangle, may be reversed
    TArrayAsVector<DoublePoint> Nodes{0, 0, 1000};
    int IsSpline = 0;           // polyline: 1 parametric spline
    int IsClosed = 0;           // polyline: 1 closed outline
    int InterPointNo = 100;     // spline divisions per segment

    // ---- Defined in the render library (render/zukeibounds.cpp).
    // Recomputes Bounds from the kind and the nodes: the two corner nodes of the
    // two-node kinds as they are (not normalised; left alone while the two nodes
    // are not there), the normalised box of a polyline's points (of its sampled
    // curve for a spline; 0, 0, 0, 0 without points). Other kinds keep Bounds.
    void UpdateBounds();

    // The last sampled curve of a spline polyline (render/zukeidraw.h,
    // FigureSplineCurve); copies share it. Not stored in the file.
    mutable std::shared_ptr<const ZukeiCurve> SampledCurve;

    // The fewest bytes one record of this class takes in the stream, for
    // bounding stored list counts.
    static std::size_t MinStoredBytes(const ipstream& is);

    class Streamer : public TStreamerOf<TZukei> {
    public:
        using TStreamerOf::TStreamerOf;
        void Read(ipstream& is, std::uint32_t version) const override;
        void Write(opstream& os) const override;
        std::uint32_t ClassVersion() const override { return 2; }
    };
    KV_STREAMABLE(TZukei)
};
