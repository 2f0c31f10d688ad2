#include "model/plot.h"

#include "model/records.h"
#include "model/wordio.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <iterator>
#include <memory>
#include <new>
#include <vector>

KV_REGISTER_STREAMABLE(TPlotStyle);
KV_REGISTER_STREAMABLE(TPlotFile);
static TStreamableClass kvRegistration_TDataElement("TDataElement", &TDataElementRecord::BuildStreamer);
KV_REGISTER_STREAMABLE(TPlot);

namespace {

// From version 2 on a value is stored inline: the 8-byte double, then the flag.
constexpr std::size_t kInlineElementBytes = 9;
// Rows converted per block when columns are written inline.
constexpr int kBlockRows = 4096;
// Rows read per block: far more than the input stream's window holds, so a file
// stream reads them straight from the file in few calls, and few enough that the
// block stays in the processor's cache while it is decoded.
constexpr int kReadBlockRows = 1 << 15;

// Writes rows elements of col inline; rows the column lacks are written as default
// elements, so the record keeps its shape even when a column breaks the invariant.
void WriteInlineColumn(opstream& os, const TDataColumn& col, std::int64_t rows) {
    unsigned char block[kBlockRows * kInlineElementBytes];
    const std::int64_t have = col.GetItemsInContainer();
    const TDataElement* src = col.data();
    const TDataElement blank{};
    for (std::int64_t i = 0; i < rows;) {
        unsigned char* p = block;
        const std::int64_t end = std::min<std::int64_t>(rows, i + kBlockRows);
        for (; i < end; ++i, p += kInlineElementBytes) {
            const TDataElement& e = i < have ? src[i] : blank;
            std::memcpy(p, &e.Value, 8);
            p[8] = e.Flag;
        }
        os.writeBytes(block, std::size_t(p - block));
    }
}

// Empties col and refills it with rows inline elements. The caller has checked
// with expectItems that the stream holds them; a failure still stops the column
// at the last whole block read.
void ReadInlineColumn(ipstream& is, TDataColumn& col, std::int64_t rows) {
    col.Flush();
    if (rows <= 0 || !is.good()) return;
    col.Reserve(std::size_t(rows));
    // The stored bytes of a block are decoded straight into the column.
    const std::size_t blockRows = std::size_t(std::min<std::int64_t>(kReadBlockRows, rows));
    const std::unique_ptr<unsigned char[]> block(new unsigned char[blockRows * kInlineElementBytes]);
    for (std::int64_t i = 0; i < rows;) {
        const std::size_t n = std::size_t(std::min<std::int64_t>(std::int64_t(blockRows), rows - i));
        is.readBytes(block.get(), n * kInlineElementBytes);
        if (!is.good()) return;
        col.ResizeForOverwrite(std::size_t(i) + n);
        TDataElement* out = col.data() + i;
        const unsigned char* p = block.get();
        for (std::size_t k = 0; k < n; ++k, p += kInlineElementBytes) {
            std::memcpy(&out[k].Value, p, 8);
            out[k].Flag = p[8];
        }
        i += std::int64_t(n);
    }
}

// Version 1 stores every value as a whole "TDataElement" record.
void ReadRecordColumn(ipstream& is, TDataColumn& col, std::int64_t rows) {
    col.Flush();
    for (std::int64_t i = 0; i < rows && is.good(); ++i) {
        TDataElement e{};
        TDataElementRecord rec(e);
        is >> rec;
        if (!is.good()) return;
        col.Add(e);
    }
}

// Empties dst and fills it with rows elements of src, padded with default elements
// where src is shorter.
void CopyRows(TDataColumn& dst, const TDataColumn& src, int rows) {
    dst.Flush();
    dst.Reserve(std::size_t(rows));
    const int have = std::min(rows, src.GetItemsInContainer());
    for (int i = 0; i < have; ++i) dst.Add(src[i]);
    for (int i = have; i < rows; ++i) dst.Add(TDataElement());
}

void CalcRange(const TDataColumn& col, double& lo, double& hi) {
    lo = std::numeric_limits<double>::infinity();
    hi = -std::numeric_limits<double>::infinity();
    const TDataElement* d = col.data();
    for (int i = 0, n = col.GetItemsInContainer(); i < n; ++i) {
        if (!IsValidElement(d[i])) continue;
        if (d[i].Value < lo) lo = d[i].Value;
        if (d[i].Value > hi) hi = d[i].Value;
    }
}

int Append(TDataColumn& col, const TDataElement& e, double& lo, double& hi) {
    try {
        col.Add(e);
    } catch (const std::bad_alloc&) {
        return 0;
    } catch (const std::length_error&) {
        return 0;
    }
    if (IsValidElement(e)) {
        if (e.Value < lo) lo = e.Value;
        if (e.Value > hi) hi = e.Value;
    }
    return 1;
}

}  // namespace

// ---------------------------------------------------------------- TDataElement

void TDataElementRecord::Streamer::Read(ipstream& is, std::uint32_t) const {
    TDataElement& e = GetObject()->Element;
    is.readDouble(e.Value);
    e.Flag = is.readByte();
}

void TDataElementRecord::Streamer::Write(opstream& os) const {
    const TDataElement& e = GetObject()->Element;
    os.writeDouble(e.Value);
    os.writeByte(e.Flag);
}

// ---------------------------------------------------------------- TPlotStyle

void TPlotStyle::Streamer::Write(opstream& os) const {
    const TPlotStyle* s = GetObject();
    os.writeWord(s->IsShown);
    os.writeWord(s->IsXFormula);
    os.writeString(s->XFormula);
    os.writeWord(s->IsYFormula);
    os.writeString(s->YFormula);
    os.writeWord(s->LineStyle);
    os.writeWord(s->LineWidth);
    os.writeRaw32(std::int32_t(s->LineColor));
    os.writeWord(s->LineInterpolate);
    os.writeWord(s->LineInterpolatePara);
    os.writeWord(s->MarkerStyle);
    os.writeWord(s->MarkerCenterDot);
    os.writeWord(s->MarkerSize);
    os.writeRaw32(std::int32_t(s->MarkerEdgeColor));
    os.writeRaw32(std::int32_t(s->MarkerInsideColor));
    os.writeWord(s->MarkerInsidePaint);
    os.writeWord(s->Clipping);
    os.writeWord(s->RefAxisX);
    os.writeWord(s->RefAxisY);
    os.writeWord(s->NullOutLine);
    os.writeDouble(s->BaseValue);
    os.writeWord(s->OutLineWidth);
    os.writeString(s->MaskRows);
}

void TPlotStyle::Streamer::Read(ipstream& is, std::uint32_t version) const {
    TPlotStyle* s = GetObject();
    s->IsShown = ReadIntWord(is);
    s->IsXFormula = ReadIntWord(is);
    is.readString(s->XFormula);
    s->IsYFormula = ReadIntWord(is);
    is.readString(s->YFormula);
    s->LineStyle = ReadIntWord(is);
    s->LineWidth = ReadIntWord(is);
    is.readRaw32(s->LineColor);
    s->LineInterpolate = ReadIntWord(is);
    s->LineInterpolatePara = ReadIntWord(is);
    s->MarkerStyle = ReadIntWord(is);
    s->MarkerCenterDot = ReadIntWord(is);
    s->MarkerSize = ReadIntWord(is);
    is.readRaw32(s->MarkerEdgeColor);
    is.readRaw32(s->MarkerInsideColor);
    s->MarkerInsidePaint = ReadIntWord(is);
    s->Clipping = ReadIntWord(is);
    s->RefAxisX = ReadIntWord(is);
    s->RefAxisY = ReadIntWord(is);
    if (version >= 2) {
        s->NullOutLine = ReadIntWord(is);
        is.readDouble(s->BaseValue);
        s->OutLineWidth = ReadIntWord(is);
    }
    if (version >= 3) is.readString(s->MaskRows);
}

// ---------------------------------------------------------------- TPlotFile

void TPlotFile::Streamer::Write(opstream& os) const {
    const TPlotFile* f = GetObject();
    for (int v : {f->XColumn, f->XMaxColumn, f->XMinColumn, f->YColumn, f->YMaxColumn,
                  f->YMinColumn, f->StartRow, f->EndRow, f->RowSkip, f->CommentMode,
                  f->IsXErrorBar, f->IsYErrorBar, f->SearchMethod})
        os.writeWord(v);
    for (int v : f->ParamColumns) os.writeWord(v);
    os.writeString(f->ParamColumnSpec);
}

void TPlotFile::Streamer::Read(ipstream& is, std::uint32_t version) const {
    TPlotFile* f = GetObject();
    for (int* v : {&f->XColumn, &f->XMaxColumn, &f->XMinColumn, &f->YColumn, &f->YMaxColumn,
                   &f->YMinColumn, &f->StartRow, &f->EndRow, &f->RowSkip, &f->CommentMode,
                   &f->IsXErrorBar, &f->IsYErrorBar, &f->SearchMethod})
        *v = ReadIntWord(is);
    if (version >= 2) {
        for (int& v : f->ParamColumns) v = ReadIntWord(is);
        is.readString(f->ParamColumnSpec);
    }
}

// ---------------------------------------------------------------- TPlot

TPlot::TPlot() = default;

TPlot::TPlot(const TPlot& src) : TPlot() { *this = src; }

TPlot::~TPlot() = default;

TPlot& TPlot::operator=(const TPlot& src) {
    if (this == &src) return *this;
    IsOnlyParameter = src.IsOnlyParameter;
    Style = src.Style;
    PlotFile = src.PlotFile;
    const int rows = src.XData.GetItemsInContainer();
    CopyRows(XData, src.XData, rows);
    CopyRows(YData, src.YData, rows);
    if (src.PlotFile.IsXErrorBar == 1) {
        CopyRows(XMinData, src.XMinData, rows);
        CopyRows(XMaxData, src.XMaxData, rows);
    }
    if (src.PlotFile.IsYErrorBar == 1) {
        CopyRows(YMinData, src.YMinData, rows);
        CopyRows(YMaxData, src.YMaxData, rows);
    }
    for (int c = 0; c < ParamColumnCount; ++c)
        CopyRows(ParamData[c], src.ParamData[c], src.ParamData[c].GetItemsInContainer());
    XMin = src.XMin;
    XMax = src.XMax;
    YMin = src.YMin;
    YMax = src.YMax;
    std::memcpy(DataFileName, src.DataFileName, sizeof DataFileName);
    IsFileData = src.IsFileData;
    Info = src.Info;
    return *this;
}

int TPlot::AddX(TDataElement e) { return Append(XData, e, XMin, XMax); }
int TPlot::AddY(TDataElement e) { return Append(YData, e, YMin, YMax); }

void TPlot::CalcXRange() { CalcRange(XData, XMin, XMax); }
void TPlot::CalcYRange() { CalcRange(YData, YMin, YMax); }

void TPlot::Streamer::Write(opstream& os) const {
    const TPlot* p = GetObject();
    os.writeWord(p->IsOnlyParameter);
    os << p->Style;
    os << p->PlotFile;
    if (p->IsOnlyParameter == 0) {
        const int rows = p->XData.GetItemsInContainer();
        os.writeWord(rows - 1);
        WriteInlineColumn(os, p->XData, rows);
        WriteInlineColumn(os, p->YData, rows);
        if (p->PlotFile.IsXErrorBar == 1) {
            WriteInlineColumn(os, p->XMinData, rows);
            WriteInlineColumn(os, p->XMaxData, rows);
        }
        if (p->PlotFile.IsYErrorBar == 1) {
            WriteInlineColumn(os, p->YMinData, rows);
            WriteInlineColumn(os, p->YMaxData, rows);
        }
        for (const TDataColumn& col : p->ParamData) {
            const int n = col.GetItemsInContainer();
            os.writeWord(n - 1);
            WriteInlineColumn(os, col, n);
        }
    }
    os.writeDouble(p->XMin);
    os.writeDouble(p->XMax);
    os.writeDouble(p->YMin);
    os.writeDouble(p->YMax);
    // A name that filled the whole array is cut so that it can be read back.
    os.writeString(std::string(p->DataFileName, ::strnlen(p->DataFileName, MAX_PATH - 1)));
    os.writeWord(p->IsFileData);
    os.writeString(p->Info);
}

void TPlot::Streamer::Read(ipstream& is, std::uint32_t version) const {
    TPlot* p = GetObject();
    // Records of a version-0 stream carry no class version; they are the oldest form.
    const std::uint32_t v = std::max<std::uint32_t>(version, 1);
    if (v >= 2) p->IsOnlyParameter = ReadIntWord(is);
    is >> p->Style;
    is >> p->PlotFile;

    std::vector<TDataColumn*> cols{&p->XData, &p->YData};
    if (p->PlotFile.IsXErrorBar == 1) {
        cols.push_back(&p->XMinData);
        cols.push_back(&p->XMaxData);
    }
    if (p->PlotFile.IsYErrorBar == 1) {
        cols.push_back(&p->YMinData);
        cols.push_back(&p->YMaxData);
    }
    if (v == 1) {
        const std::int64_t rows = RowsFromLastIndex(ReadIntWord(is));
        for (TDataColumn* c : cols) c->Flush();
        if (is.expectItems(std::uint64_t(rows) * cols.size(),
                           MinRecordBytes(is, "TDataElement", kInlineElementBytes), sizeof(TDataElement)))
            for (TDataColumn* c : cols) ReadRecordColumn(is, *c, rows);
    } else if (p->IsOnlyParameter == 0) {
        const std::int64_t rows = RowsFromLastIndex(ReadIntWord(is));
        for (TDataColumn* c : cols) c->Flush();
        if (is.expectItems(std::uint64_t(rows), kInlineElementBytes * cols.size()) &&
            is.expectMemory(std::uint64_t(rows) * cols.size(), sizeof(TDataElement)))
            for (TDataColumn* c : cols) ReadInlineColumn(is, *c, rows);
        if (v >= 3) {
            for (TDataColumn& col : p->ParamData) {
                if (!is.good()) {
                    col.Flush();
                    continue;
                }
                const std::int64_t n = RowsFromLastIndex(ReadIntWord(is));
                col.Flush();
                if (is.expectItems(std::uint64_t(n), kInlineElementBytes, sizeof(TDataElement)))
                    ReadInlineColumn(is, col, n);
            }
        }
    }

    if (v < 4) {
        p->CalcXRange();
        p->CalcYRange();
    } else {
        is.readDouble(p->XMin);
        is.readDouble(p->XMax);
        is.readDouble(p->YMin);
        is.readDouble(p->YMax);
    }
    is.readString(p->DataFileName, sizeof p->DataFileName);
    p->IsFileData = ReadIntWord(is);
    if (v == 1)
        p->Info.clear();
    else
        is.readString(p->Info);
}

// ---------------------------------------------------------------- registration


void RegisterSeriesStreamables() {
    TStreamableClass::EnsureRegistered("TPlotStyle", &TPlotStyle::BuildStreamer);
    TStreamableClass::EnsureRegistered("TPlotFile", &TPlotFile::BuildStreamer);
    TStreamableClass::EnsureRegistered("TDataElement", &TDataElementRecord::BuildStreamer);
    TStreamableClass::EnsureRegistered("TPlot", &TPlot::BuildStreamer);
}

void UnregisterSeriesStreamables() { TStreamableClass::ReleaseEnsured(); }
