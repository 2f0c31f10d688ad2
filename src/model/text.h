#pragma once
// Text objects of the page: free texts and legends, the numeric labels of the
// axes, the default text style and the page header and footer. A text keeps the
// results of its last layout (one metric per unit of the expanded string, line
// height, ascent, bounding box) so that every output device draws from the same
// measured advances.

#include "platform/containers.h"
#include "platform/geometry.h"
#include "platform/objstrm.h"
#include "platform/wintypes.h"

#include <cstddef>
#include <string>

// The font every new text and axis label starts with: 15-point Times New Roman,
// height in twips.
LOGFONT DefaultTextFont();

// The stream form of a LOGFONT that texts and axes share: five raw32 values,
// eight bytes and the face name as a counted string of at most 31 characters. A
// stored face name that does not fit (or a null one) leaves the face unchanged.
void WriteLogFont(opstream& os, const LOGFONT& lf);
void ReadLogFont(ipstream& is, LOGFONT& lf);

// The measured geometry of one unit of a laid-out string, in twips.
class TCharMetric : public TStreamableBase {
public:
    TCharMetric() = default;
    TCharMetric(int width, int height, int ascent) : Width(width), Height(height), Ascent(ascent) {}
    ~TCharMetric() override;
    TCharMetric(const TCharMetric&) = default;
    TCharMetric& operator=(const TCharMetric&) = default;

    bool operator==(const TCharMetric& o) const {
        return Width == o.Width && Height == o.Height && Ascent == o.Ascent;
    }

    int Width = 0;   // advance; 0 for units that only carry markup
    int Height = 0;  // character height of the font in force at the unit
    int Ascent = 0;  // ascent of that font

    // The fewest bytes one record of this class takes in the stream, for
    // bounding stored list counts.
    static std::size_t MinStoredBytes(const ipstream& is);

    class Streamer : public TStreamerOf<TCharMetric> {
    public:
        using TStreamerOf::TStreamerOf;
        void Read(ipstream& is, std::uint32_t version) const override;
        void Write(opstream& os) const override;
        std::uint32_t ClassVersion() const override { return 1; }
    };
    KV_STREAMABLE(TCharMetric)
};

class TText : public TStreamableBase {
public:
    TText();
    ~TText() override;
    // A copy is deep: the metrics are copied, never shared.
    TText(const TText& src);
    // Value assignment; keeps the rotation (lfEscapement) of the source.
    TText& operator=(const TText& src);

    std::string String;             // marked-up text, CP932 bytes
    COLORREF ForColor = 0;          // colour of the characters
    COLORREF BackColor = 0xFFFFFF;  // background colour when BackPaint is 1
    LOGFONT Font = DefaultTextFont();  // base font; lfEscapement is the text's angle
    int BackPaint = 0;              // 1: opaque background of BackColor
    // One entry per unit of the expanded string, numbered from 1.
    TArrayAsVector<TCharMetric> CharMetrics{0, 1, 10};
    TPoint Position;                // relative to the frame origin, twips
    int LineSpacing = 100;          // percent of LineHeight between baselines
    int LineHeight = 0;             // tmHeight of the base font, set by layout
    int Ascent = 0;                 // tmAscent of the base font, set by layout
    int Reserved = 0;               // stored and copied, never interpreted
    int LegendLength = 100;         // legend sample length, percent
    TRect BoundingBox;              // rotated box, relative to Position

    // The fewest bytes one record of this class takes in the stream, for
    // bounding stored list counts.
    static std::size_t MinStoredBytes(const ipstream& is);

    class Streamer : public TStreamerOf<TText> {
    public:
        using TStreamerOf::TStreamerOf;
        void Read(ipstream& is, std::uint32_t version) const override;
        void Write(opstream& os) const override;
        std::uint32_t ClassVersion() const override { return 3; }
    };
    KV_STREAMABLE(TText)
};
