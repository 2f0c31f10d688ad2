#include "model/zukei.h"
#include "model/wordio.h"

#include <cstdint>

KV_REGISTER_STREAMABLE(TZukei);

TZukei::TZukei() = default;
TZukei::~TZukei() = default;

std::size_t TZukei::MinStoredBytes(const ipstream& is) {
    // A version-1 record: three colours, five words and the rectangle.
    return MinRecordBytes(is, "TZukei", 12 + 5 * WordBytes(is) + 16);
}

TZukei::TZukei(const TZukei& src) : TZukei() { *this = src; }

TZukei& TZukei::operator=(const TZukei& src) {
    if (this == &src) return *this;  // refilling the nodes from itself would empty them
    PenColor = src.PenColor;
    PenWidth = src.PenWidth;
    PenType = src.PenType;
    Arrow = src.Arrow;
    ForeBrushColor = src.ForeBrushColor;
    BackBrushColor = src.BackBrushColor;
    BrushType = src.BrushType;
    Kind = src.Kind;
    Bounds = src.Bounds;
    Nodes.Flush();
    Nodes.Reserve(std::size_t(src.Nodes.GetItemsInContainer()));
    for (int i = src.Nodes.LowerBound(); i <= src.Nodes.UpperBound(); ++i) Nodes.Add(src.Nodes[i]);
    IsSpline = src.IsSpline;
    IsClosed = src.IsClosed;
    InterPointNo = src.InterPointNo;
    SampledCurve = src.SampledCurve;
    return *this;
}

void TZukei::Streamer::Write(opstream& os) const {
    const TZukei* z = GetObject();
    os.writeRaw32(std::int32_t(z->PenColor));
    os.writeWord(z->PenWidth);
    os.writeWord(z->PenType);
    os.writeWord(z->Arrow);
    os.writeRaw32(std::int32_t(z->ForeBrushColor));
    os.writeRaw32(std::int32_t(z->BackBrushColor));
    os.writeWord(z->BrushType);
    os.writeWord(z->Kind);
    os.writeRect(z->Bounds);
    os.writeWord(z->Nodes.GetItemsInContainer() - 1);
    for (int i = z->Nodes.LowerBound(); i <= z->Nodes.UpperBound(); ++i) os << z->Nodes[i];
    os.writeWord(z->IsSpline);
    os.writeWord(z->IsClosed);
    os.writeWord(z->InterPointNo);
}

void TZukei::Streamer::Read(ipstream& is, std::uint32_t version) const {
    TZukei* z = GetObject();
    is.readRaw32(z->PenColor);
    z->PenWidth = ReadIntWord(is);
    z->PenType = ReadIntWord(is);
    z->Arrow = ReadIntWord(is);
    is.readRaw32(z->ForeBrushColor);
    is.readRaw32(z->BackBrushColor);
    z->BrushType = ReadIntWord(is);
    z->Kind = ReadIntWord(is);
    is.readRect(z->Bounds);

    if (version < 2) {
        // Before nodes existed the rectangle was the figure.
        if (!is.good()) return;
        const TRect& r = z->Bounds;
        z->Nodes.Flush();
        z->Nodes.Add(DoublePoint(r.left, r.top));
        z->Nodes.Add(DoublePoint(r.right, r.bottom));
        // What recomputing the bounds from these nodes gives: the two-node kinds
        // keep the corners as they are, a straight polyline gets the box.
        if (z->Kind == ZukeiPolyline) z->Bounds = r.Normalized();
        return;
    }

    z->Nodes.Flush();
    // The stored value is the last node index; -1 means no nodes.
    const std::int64_t last = ReadIntWord(is);
    if (is.good()) {
        const std::int64_t count = last + 1;
        if (count < 0) {
            is.setstate(pstream::failbit);  // no figure stores fewer than no nodes
        } else if (is.expectItems(std::uint64_t(count), DoublePoint::MinStoredBytes(is),
                                         sizeof(DoublePoint))) {
            z->Nodes.Reserve(std::size_t(count));
            for (std::int64_t i = 0; i < count; ++i) {
                DoublePoint p;
                is >> p;
                if (!is.good()) break;  // keep only the nodes read whole
                z->Nodes.Add(p);
            }
        }
    }
    z->IsSpline = ReadIntWord(is);
    z->IsClosed = ReadIntWord(is);
    z->InterPointNo = ReadIntWord(is);

    // Drawing, hit tests and handles address nodes 0 and 1 of the two-node
    // kinds; a damaged record that lacks them gets them from its stored corners.
    if (is.good() && IsTwoNodeZukei(z->Kind)) {
        const TRect& r = z->Bounds;
        if (z->Nodes.GetItemsInContainer() < 1) z->Nodes.Add(DoublePoint(r.left, r.top));
        if (z->Nodes.GetItemsInContainer() < 2) z->Nodes.Add(DoublePoint(r.right, r.bottom));
    }
}
