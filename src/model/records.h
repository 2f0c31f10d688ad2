#pragma once
// The small document types: page and view settings, user constants, the point
// type of figure nodes and the selection state of an axis set.

#include "platform/containers.h"
#include "platform/objstrm.h"
#include "platform/wintypes.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

// The fewest bytes one record named `name` with at least minData bytes of data
// takes in the given input stream (string lengths and class versions differ
// between stream versions). List readers pass it to ipstream::expectItems.
std::size_t MinRecordBytes(const ipstream& is, std::string_view name, std::size_t minData);
// Width of a word value in the given input stream.
inline std::size_t WordBytes(const ipstream& is) { return is.getVersion() == 0 ? 2 : 4; }

// Page and view settings at the head of every graph file; lengths in twips.
class TEnv : public TStreamableBase {
public:
    TEnv() = default;
    ~TEnv() override;
    TEnv(const TEnv&) = default;
    TEnv& operator=(const TEnv&) = default;

    int Zoom = 100;              // percent
    int ViewCenterX = 0;         // page point shown at the centre of the view
    int ViewCenterY = 0;
    int PrintableWidth = 1000;
    int PrintableHeight = 1000;
    int PaperWidth = 1000;
    int PaperHeight = 1000;
    int PrintOffsetX = 1000;     // printable area's offset on the sheet
    int PrintOffsetY = 1000;
    int IsGrid = 0;              // 1: the page grid is shown
    int GridPitch = 100;
    COLORREF PaperColor = 0xFFFFFF;

    class Streamer : public TStreamerOf<TEnv> {
    public:
        using TStreamerOf::TStreamerOf;
        void Read(ipstream& is, std::uint32_t version) const override;
        void Write(opstream& os) const override;
        std::uint32_t ClassVersion() const override { return 3; }
    };
    KV_STREAMABLE(TEnv)
};

// A named constant of an axis set; held by value in its UserConsts array.
class TUserConstElement : public TStreamableBase {
public:
    TUserConstElement() = default;
    TUserConstElement(std::string name, double value) : ConstName(std::move(name)), ConstValue(value) {}
    ~TUserConstElement() override;
    TUserConstElement(const TUserConstElement&) = default;
    TUserConstElement& operator=(const TUserConstElement&) = default;
    bool operator==(const TUserConstElement& o) const {
        return ConstName == o.ConstName && ConstValue == o.ConstValue;
    }

    std::string ConstName;  // CP932 bytes
    double ConstValue = 0.0;

    // The fewest bytes one record of this class takes in the stream, for
    // bounding stored list counts.
    static std::size_t MinStoredBytes(const ipstream& is);

    class Streamer : public TStreamerOf<TUserConstElement> {
    public:
        using TStreamerOf::TStreamerOf;
        void Read(ipstream& is, std::uint32_t version) const override;
        void Write(opstream& os) const override;
        std::uint32_t ClassVersion() const override { return 1; }
    };
    KV_STREAMABLE(TUserConstElement)
};

// A pair of doubles: figure nodes (twips relative to the frame origin) and the
// points of connection curves and clipped segments (page twips).
class DoublePoint : public TStreamableBase {
public:
    DoublePoint() = default;
    DoublePoint(double x, double y) : X(x), Y(y) {}
    ~DoublePoint() override;
    DoublePoint(const DoublePoint&) = default;
    DoublePoint& operator=(const DoublePoint&) = default;
    bool operator==(const DoublePoint& o) const { return X == o.X && Y == o.Y; }

    double X = 0.0;
    double Y = 0.0;

    // The fewest bytes one record of this class takes in the stream, for
    // bounding stored list counts.
    static std::size_t MinStoredBytes(const ipstream& is);

    class Streamer : public TStreamerOf<DoublePoint> {
    public:
        using TStreamerOf::TStreamerOf;
        void Read(ipstream& is, std::uint32_t version) const override;
        void Write(opstream& os) const override;
        std::uint32_t ClassVersion() const override { return 1; }
    };
    KV_STREAMABLE(DoublePoint)
};

// The selection state of one axis set; never stored, never copied. The index
// lists hold 1-based positions in the owning lists and start at index 0.
class SelectedFlags {
public:
    using IndexList = TArrayAsVector<std::int32_t>;

    SelectedFlags() = default;
    SelectedFlags(const SelectedFlags&) = delete;
    SelectedFlags& operator=(const SelectedFlags&) = delete;

    // Empties the six lists and drops the frame selection.
    void Clear();
    std::int16_t GetState() const { return State; }
    int AnyTextSelected() const { return SelTexts.IsEmpty() ? 0 : 1; }
    int AnyZukeiSelected() const { return SelZukeis.IsEmpty() ? 0 : 1; }
    // The frame, a free text or a figure is marked; marked axis labels alone do
    // not count.
    int AnySelected() const;

    std::int16_t State = 0;  // 1: the frame of the axis set is selected
    IndexList SelAxisTexts1{0, 0, 10};  // label texts of axis 1 (bottom)
    IndexList SelAxisTexts2{0, 0, 10};  // axis 2 (left)
    IndexList SelAxisTexts3{0, 0, 10};  // axis 3 (top)
    IndexList SelAxisTexts4{0, 0, 10};  // axis 4 (right)
    IndexList SelTexts{0, 0, 10};       // free texts in TextList
    IndexList SelZukeis{0, 0, 10};      // figures in ZukeiList

    // The names the chart window's code uses for the same lists.
    IndexList& AxisTexts1 = SelAxisTexts1;
    IndexList& AxisTexts2 = SelAxisTexts2;
    IndexList& AxisTexts3 = SelAxisTexts3;
    IndexList& AxisTexts4 = SelAxisTexts4;
    IndexList& Texts = SelTexts;
    IndexList& Zukeis = SelZukeis;
};
