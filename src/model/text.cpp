#include "model/text.h"

#include "model/records.h"
#include "model/wordio.h"

#include <cstdint>

KV_REGISTER_STREAMABLE(TCharMetric);
KV_REGISTER_STREAMABLE(TText);

LOGFONT DefaultTextFont() {
    LOGFONT lf;
    lf.lfHeight = -300;
    lf.lfWeight = FW_NORMAL;
    lf.lfOutPrecision = 3;
    lf.lfClipPrecision = 2;
    lf.lfQuality = 1;
    lf.lfPitchAndFamily = 0x12;
    lstrcpynA(lf.lfFaceName, "Times New Roman", LF_FACESIZE);
    return lf;
}

void WriteLogFont(opstream& os, const LOGFONT& lf) {
    os.writeRaw32(lf.lfHeight);
    os.writeRaw32(lf.lfWidth);
    os.writeRaw32(lf.lfEscapement);
    os.writeRaw32(lf.lfOrientation);
    os.writeRaw32(lf.lfWeight);
    os.writeByte(lf.lfItalic);
    os.writeByte(lf.lfUnderline);
    os.writeByte(lf.lfStrikeOut);
    os.writeByte(lf.lfCharSet);
    os.writeByte(lf.lfOutPrecision);
    os.writeByte(lf.lfClipPrecision);
    os.writeByte(lf.lfQuality);
    os.writeByte(lf.lfPitchAndFamily);
    // The face array may hold bytes after its terminator; only the name counts.
    char face[LF_FACESIZE + 1];
    lstrcpynA(face, lf.lfFaceName, LF_FACESIZE + 1);
    os.writeString(face);
}

void ReadLogFont(ipstream& is, LOGFONT& lf) {
    is.readRaw32(lf.lfHeight);
    is.readRaw32(lf.lfWidth);
    is.readRaw32(lf.lfEscapement);
    is.readRaw32(lf.lfOrientation);
    is.readRaw32(lf.lfWeight);
    lf.lfItalic = is.readByte();
    lf.lfUnderline = is.readByte();
    lf.lfStrikeOut = is.readByte();
    lf.lfCharSet = is.readByte();
    lf.lfOutPrecision = is.readByte();
    lf.lfClipPrecision = is.readByte();
    lf.lfQuality = is.readByte();
    lf.lfPitchAndFamily = is.readByte();
    is.readString(lf.lfFaceName, LF_FACESIZE);
}

// ---------------------------------------------------------------- TCharMetric

TCharMetric::~TCharMetric() = default;

std::size_t TCharMetric::MinStoredBytes(const ipstream& is) {
    return MinRecordBytes(is, "TCharMetric", 3 * WordBytes(is));
}

void TCharMetric::Streamer::Read(ipstream& is, std::uint32_t) const {
    TCharMetric* m = GetObject();
    m->Width = ReadIntWord(is);
    m->Height = ReadIntWord(is);
    m->Ascent = ReadIntWord(is);
}

void TCharMetric::Streamer::Write(opstream& os) const {
    const TCharMetric* m = GetObject();
    os.writeWord(m->Width);
    os.writeWord(m->Height);
    os.writeWord(m->Ascent);
}

// ---------------------------------------------------------------- TText

TText::TText() = default;
TText::~TText() = default;

std::size_t TText::MinStoredBytes(const ipstream& is) {
    const std::size_t lengthBytes = is.getVersion() < 0x101 ? 1 : 4;
    // Two counted strings, seven raw32, eight bytes, a point, a rectangle and
    // six words; the legend length of version 3 is left out.
    return MinRecordBytes(is, "TText", 2 * lengthBytes + 28 + 8 + 8 + 16 + 6 * WordBytes(is));
}

TText::TText(const TText& src) : TText() { *this = src; }

TText& TText::operator=(const TText& src) {
    if (this == &src) return *this;  // refilling the metrics from itself would empty them
    String = src.String;
    ForColor = src.ForColor;
    BackColor = src.BackColor;
    Font = LOGFONT{};
    Font.lfHeight = src.Font.lfHeight;
    Font.lfWidth = src.Font.lfWidth;
    Font.lfEscapement = src.Font.lfEscapement;
    Font.lfOrientation = src.Font.lfOrientation;
    Font.lfWeight = src.Font.lfWeight;
    Font.lfItalic = src.Font.lfItalic;
    Font.lfUnderline = src.Font.lfUnderline;
    Font.lfStrikeOut = src.Font.lfStrikeOut;
    Font.lfCharSet = src.Font.lfCharSet;
    Font.lfOutPrecision = src.Font.lfOutPrecision;
    Font.lfClipPrecision = src.Font.lfClipPrecision;
    Font.lfQuality = src.Font.lfQuality;
    Font.lfPitchAndFamily = src.Font.lfPitchAndFamily;
    lstrcpynA(Font.lfFaceName, src.Font.lfFaceName, LF_FACESIZE);
    BackPaint = src.BackPaint;
    CharMetrics.Flush();
    CharMetrics.Reserve(std::size_t(src.CharMetrics.GetItemsInContainer()));
    for (int i = src.CharMetrics.LowerBound(); i <= src.CharMetrics.UpperBound(); ++i)
        CharMetrics.Add(src.CharMetrics[i]);
    Position = src.Position;
    LineSpacing = src.LineSpacing;
    LineHeight = src.LineHeight;
    Ascent = src.Ascent;
    Reserved = src.Reserved;
    LegendLength = src.LegendLength;
    BoundingBox = src.BoundingBox;
    return *this;
}

void TText::Streamer::Write(opstream& os) const {
    const TText* t = GetObject();
    os.writeString(t->String);
    os.writeRaw32(std::int32_t(t->ForColor));
    os.writeRaw32(std::int32_t(t->BackColor));
    WriteLogFont(os, t->Font);
    os.writeWord(t->BackPaint);
    os.writeWord(t->CharMetrics.GetItemsInContainer());
    for (int i = t->CharMetrics.LowerBound(); i <= t->CharMetrics.UpperBound(); ++i)
        os << t->CharMetrics[i];
    os.writePoint(t->Position);
    os.writeWord(t->LineSpacing);
    os.writeWord(t->LineHeight);
    os.writeWord(t->Ascent);
    os.writeWord(t->Reserved);
    os.writeRect(t->BoundingBox);
    os.writeWord(t->LegendLength);
}

void TText::Streamer::Read(ipstream& is, std::uint32_t version) const {
    TText* t = GetObject();
    is.readString(t->String);
    is.readRaw32(t->ForColor);
    is.readRaw32(t->BackColor);
    ReadLogFont(is, t->Font);
    t->BackPaint = ReadIntWord(is);

    t->CharMetrics.Flush();
    std::uint32_t n = is.readWord();
    // Versions before 2 stored only the advance, as one word per unit.
    const bool recordForm = version >= 2;
    const std::size_t entryBytes = recordForm ? TCharMetric::MinStoredBytes(is) : WordBytes(is);
    if (is.expectItems(n, entryBytes, sizeof(TCharMetric))) {
        t->CharMetrics.Reserve(n);
        for (std::uint32_t i = 0; i < n; ++i) {
            TCharMetric m;
            if (recordForm)
                is >> m;
            else
                m.Width = ReadIntWord(is);
            if (!is.good()) break;  // keep only what was read whole
            t->CharMetrics.Add(m);
        }
    }

    is.readPoint(t->Position);
    t->LineSpacing = ReadIntWord(is);
    t->LineHeight = ReadIntWord(is);
    t->Ascent = ReadIntWord(is);
    t->Reserved = ReadIntWord(is);
    is.readRect(t->BoundingBox);
    if (version >= 3) t->LegendLength = ReadIntWord(is);
}
