#include "model/plot.h"

#include "record_bytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// The fields of a default style as the given record version holds them.
void DefaultStyleFields(RecordBytes& b, int version) {
    b.Word(1).Word(0).String("").Word(0).String("");  // shown, X and Y formulas
    b.Word(1).Word(100).Word(0);                      // line style, width, colour
    b.Word(0).Word(20);                               // connection, divisions
    b.Word(0).Word(0).Word(100).Word(0).Word(0xFFFFFF).Word(0);  // marker
    b.Word(1).Word(1).Word(1);                        // clipping, reference axes
    if (version >= 2) b.Word(0).Double(0.0).Word(100);
    if (version >= 3) b.String("");
}

// The fields of default reading settings, optionally with error-bar switches.
void FileFields(RecordBytes& b, int version, int xErr = 0, int yErr = 0) {
    b.Word(1).Word(1).Word(1).Word(2).Word(2).Word(2);  // columns
    b.Word(1).Word(-1).Word(1).Word(1);                 // rows, skip, comment mode
    b.Word(xErr).Word(yErr).Word(0);
    if (version >= 2) b.Words(0, 99).String("");
}

// One series record read from a version 0x101 stream.
struct Loaded {
    explicit Loaded(const std::string& bytes) : is(bytes) {
        is.readVersion();
        is >> plot;
    }
    ipstream is;
    TPlot plot;
};

std::string Write(const TStreamableBase& obj) {
    opstream os;
    os << obj;
    return os.buffer();
}

TDataColumn Column(std::initializer_list<TDataElement> elements) {
    TDataColumn c;
    for (const TDataElement& e : elements) c.Add(e);
    return c;
}

// A series using every column: error bars on both axes and two parameter columns.
TPlot FullSeries() {
    TPlot p;
    p.Style.IsXFormula = 1;
    p.Style.XFormula = "x*2";
    p.Style.YFormula = "log(y)";
    p.Style.LineColor = 0x0000FF;
    p.Style.BaseValue = -1.5;
    p.Style.MaskRows = "2,5-7";
    p.PlotFile.IsXErrorBar = 1;
    p.PlotFile.IsYErrorBar = 1;
    p.PlotFile.ParamColumns[2] = 1;
    p.PlotFile.ParamColumns[98] = 1;
    p.PlotFile.ParamColumnSpec = "3,99";
    for (double x : {1.0, 2.0, 3.0}) {
        p.AddX(TDataElement(x));
        p.AddY(TDataElement(x * x, x == 2.0 ? DataFlagStar : 0));
        p.XMinData.Add(TDataElement(x - 0.1));
        p.XMaxData.Add(TDataElement(x + 0.1));
        p.YMinData.Add(TDataElement(x - 0.2));
        p.YMaxData.Add(TDataElement(x + 0.2, DataFlagBar));
    }
    p.ParamData[2] = Column({TDataElement(7.0), TDataElement(8.0)});
    p.ParamData[98] = Column({TDataElement(-9.0)});
    std::strcpy(p.DataFileName, "C:\\data\\run1.dat");
    p.IsFileData = 0;
    p.Info = "measured";
    return p;
}

void ExpectSameSeries(const TPlot& a, const TPlot& b) {
    EXPECT_EQ(a.IsOnlyParameter, b.IsOnlyParameter);
    EXPECT_EQ(Write(a.Style), Write(b.Style));
    EXPECT_EQ(Write(a.PlotFile), Write(b.PlotFile));
    EXPECT_EQ(a.XData, b.XData);
    EXPECT_EQ(a.YData, b.YData);
    EXPECT_EQ(a.XMinData, b.XMinData);
    EXPECT_EQ(a.XMaxData, b.XMaxData);
    EXPECT_EQ(a.YMinData, b.YMinData);
    EXPECT_EQ(a.YMaxData, b.YMaxData);
    for (int c = 0; c < ParamColumnCount; ++c) EXPECT_EQ(a.ParamData[c], b.ParamData[c]) << c;
    EXPECT_EQ(a.XMin, b.XMin);
    EXPECT_EQ(a.XMax, b.XMax);
    EXPECT_EQ(a.YMin, b.YMin);
    EXPECT_EQ(a.YMax, b.YMax);
    EXPECT_STREQ(a.DataFileName, b.DataFileName);
    EXPECT_EQ(a.IsFileData, b.IsFileData);
    EXPECT_EQ(a.Info, b.Info);
}

}  // namespace

TEST(SeriesRecord, DefaultSeriesBytes) {
    RecordBytes b;
    b.Begin("TPlot", 4).Word(0);
    b.Begin("TPlotStyle", 3);
    DefaultStyleFields(b, 3);
    b.End().Begin("TPlotFile", 2);
    FileFields(b, 2);
    b.End();
    b.Words(-1, 100);  // X (with Y) and the 99 parameter columns, all empty
    b.Double(kInf).Double(-kInf).Double(kInf).Double(-kInf);
    b.String("").Word(1).String("").End();

    const std::string written = Write(TPlot());
    EXPECT_EQ(written, b.Bytes());
    EXPECT_EQ(written.size(), 5u + 1050u);
}

TEST(SeriesRecord, ColumnsAreInlineInWriteOrder) {
    TPlot p;
    p.PlotFile.IsXErrorBar = 1;
    p.AddX(TDataElement(1.0));
    p.AddX(TDataElement(2.0, DataFlagMasked));
    p.AddY(TDataElement(10.0));
    p.AddY(TDataElement(kInf, DataFlagStar));
    p.XMinData = Column({TDataElement(0.5), TDataElement(1.5)});
    p.XMaxData = Column({TDataElement(1.5)});  // one short: written padded
    p.YMinData = Column({TDataElement(99.0)});  // switch off: not written
    p.ParamData[1] = Column({TDataElement(4.0, DataFlagBar)});

    RecordBytes b;
    b.Begin("TPlot", 4).Word(0).Object(p.Style).Object(p.PlotFile);
    b.Word(1);
    b.Element(1.0).Element(2.0, 8);
    b.Element(10.0).Element(kInf, 2);
    b.Element(0.5).Element(1.5);
    b.Element(1.5).Element(0.0);
    b.Word(-1).Word(0).Element(4.0, 4).Words(-1, 97);
    b.Double(1.0).Double(1.0).Double(10.0).Double(10.0);
    b.String("").Word(1).String("").End();
    EXPECT_EQ(Write(p), b.Bytes());
}

TEST(SeriesRecord, WriteReadWriteKeepsEverything) {
    const TPlot src = FullSeries();
    const std::string bytes = Write(src);
    Loaded back(bytes);
    ASSERT_TRUE(back.is.good());
    EXPECT_EQ(back.is.remaining(), 0u);
    ExpectSameSeries(src, back.plot);
    EXPECT_EQ(back.plot.XMin, 1.0);
    EXPECT_EQ(back.plot.YMax, 9.0);
    EXPECT_EQ(Write(back.plot), bytes);
}

TEST(SeriesRecord, ParameterOnlySeriesStoresNoColumns) {
    TPlot p = FullSeries();
    p.IsOnlyParameter = 1;
    RecordBytes b;
    b.Begin("TPlot", 4).Word(1).Object(p.Style).Object(p.PlotFile);
    b.Double(1.0).Double(3.0).Double(1.0).Double(9.0);
    b.String(p.DataFileName).Word(0).String("measured").End();
    ASSERT_EQ(Write(p), b.Bytes());

    // Reading keeps the columns the series already holds (its data is read
    // again from the file).
    ipstream is(b.Bytes());
    is.readVersion();
    TPlot target;
    target.AddX(TDataElement(42.0));
    target.AddY(TDataElement(43.0));
    is >> target;
    ASSERT_TRUE(is.good());
    EXPECT_EQ(target.IsOnlyParameter, 1);
    EXPECT_EQ(target.XData, Column({TDataElement(42.0)}));
    EXPECT_EQ(target.YData, Column({TDataElement(43.0)}));
    EXPECT_EQ(target.XMax, 3.0);  // the stored range, not the kept columns'
    EXPECT_EQ(target.Info, "measured");
}

TEST(SeriesRecord, VersionOneStoresElementRecordsWithoutInfo) {
    RecordBytes b;
    b.Begin("TPlot", 1);  // no parameter-only switch
    b.Begin("TPlotStyle", 1);
    DefaultStyleFields(b, 1);
    b.End().Begin("TPlotFile", 1);
    FileFields(b, 1, 0, 1);
    b.End();
    b.Word(1);
    for (double v : {5.0, -2.0, 50.0, 20.0, 49.0, 19.0, 51.0, 21.0}) {
        b.Begin("TDataElement", 1).Double(v).Byte(v == -2.0 ? DataFlagStar : 0).End();
    }
    b.String("old.dat").Word(1).End();  // no range, no text

    ipstream is(b.Bytes());
    is.readVersion();
    TPlot p;
    p.Info = "replaced";
    p.ParamData[0] = Column({TDataElement(1.0)});
    is >> p;
    ASSERT_TRUE(is.good());
    EXPECT_EQ(is.remaining(), 0u);
    EXPECT_EQ(p.IsOnlyParameter, 0);
    EXPECT_EQ(p.XData, Column({TDataElement(5.0), TDataElement(-2.0, DataFlagStar)}));
    EXPECT_EQ(p.YData, Column({TDataElement(50.0), TDataElement(20.0)}));
    EXPECT_EQ(p.YMinData, Column({TDataElement(49.0), TDataElement(19.0)}));
    EXPECT_EQ(p.YMaxData, Column({TDataElement(51.0), TDataElement(21.0)}));
    EXPECT_TRUE(p.XMinData.IsEmpty());
    EXPECT_EQ(p.ParamData[0].GetItemsInContainer(), 1);  // version 1 has none
    EXPECT_EQ(p.XMin, 5.0);                               // the starred value does not count
    EXPECT_EQ(p.XMax, 5.0);
    EXPECT_EQ(p.YMin, 20.0);
    EXPECT_EQ(p.YMax, 50.0);
    EXPECT_STREQ(p.DataFileName, "old.dat");
    EXPECT_EQ(p.Info, "");
    EXPECT_EQ(p.Style.OutLineWidth, 100);  // the style's version-2 fields keep defaults
    EXPECT_EQ(p.Style.MaskRows, "");
    EXPECT_EQ(p.PlotFile.ParamColumnSpec, "");
}

TEST(SeriesRecord, VersionTwoHasNoParameterColumns) {
    RecordBytes b;
    b.Begin("TPlot", 2).Word(0);
    b.Begin("TPlotStyle", 2);
    DefaultStyleFields(b, 2);
    b.End().Begin("TPlotFile", 2);
    FileFields(b, 2);
    b.End();
    b.Word(2).Element(1.0).Element(4.0).Element(-3.0).Element(0.5).Element(0.25).Element(8.0);
    b.String("").Word(1).String("two").End();

    ipstream is(b.Bytes());
    is.readVersion();
    TPlot p;
    p.ParamData[4] = Column({TDataElement(7.0)});
    is >> p;
    ASSERT_TRUE(is.good());
    EXPECT_EQ(p.XData.GetItemsInContainer(), 3);
    EXPECT_EQ(p.XMin, -3.0);
    EXPECT_EQ(p.XMax, 4.0);
    EXPECT_EQ(p.YMin, 0.25);
    EXPECT_EQ(p.YMax, 8.0);
    EXPECT_EQ(p.ParamData[4].GetItemsInContainer(), 1);
    EXPECT_EQ(p.Info, "two");
    EXPECT_EQ(p.Style.MaskRows, "");
}

TEST(SeriesRecord, VersionThreeRecomputesTheRange) {
    TPlot p;
    RecordBytes b;
    b.Begin("TPlot", 3).Word(0).Object(p.Style).Object(p.PlotFile);
    b.Word(3);
    b.Element(3.0).Element(kInf, DataFlagStar).Element(-1.0).Element(7.0, DataFlagMasked);
    b.Element(1.0).Element(2.0).Element(3.0).Element(4.0);
    b.Word(0).Element(11.0).Words(-1, 98);
    b.String("").Word(1).String("").End();

    ipstream is(b.Bytes());
    is.readVersion();
    is >> p;
    ASSERT_TRUE(is.good());
    EXPECT_EQ(is.remaining(), 0u);
    EXPECT_EQ(p.XMin, -1.0);
    EXPECT_EQ(p.XMax, 3.0);
    EXPECT_EQ(p.YMin, 1.0);
    EXPECT_EQ(p.YMax, 4.0);
    EXPECT_EQ(p.ParamData[0], Column({TDataElement(11.0)}));
}

TEST(SeriesRecord, OlderStyleAndReadingSettingsKeepDefaults) {
    RecordBytes b;
    b.Begin("TPlotStyle", 2);
    DefaultStyleFields(b, 2);
    b.End();
    ipstream is(b.Bytes());
    is.readVersion();
    TPlotStyle s;
    s.MaskRows = "kept";
    is >> s;
    EXPECT_TRUE(is.good());
    EXPECT_EQ(s.MaskRows, "kept");

    // A version-0 stream stores 16-bit words: a stored -1 stays -1.
    std::string v0 = std::string("\x5B\x09", 2) + "TPlotFile";
    for (int w : {1, 1, 1, 2, 2, 2, 1, 0xFFFF, 1, 3, 1, 0, 2}) {
        v0.push_back(char(w & 0xFF));
        v0.push_back(char(w >> 8));
    }
    v0.push_back('\x5D');
    ipstream is0(v0);
    is0.readVersion();
    TPlotFile f;
    is0 >> f;
    ASSERT_TRUE(is0.good());
    EXPECT_EQ(f.EndRow, -1);
    EXPECT_EQ(f.CommentMode, 3);
    EXPECT_EQ(f.IsXErrorBar, 1);
    EXPECT_EQ(f.SearchMethod, 2);
}

TEST(SeriesRecord, DamagedCountsFailWithoutFillingColumns) {
    TPlot model;
    RecordBytes b;
    b.Begin("TPlot", 4).Word(0).Object(model.Style).Object(model.PlotFile);
    b.Word(0x7FFFFFF0).Element(1.0).Element(2.0);
    Loaded huge(b.Bytes());
    EXPECT_TRUE(huge.is.fail());
    EXPECT_TRUE(huge.plot.XData.IsEmpty());
    EXPECT_TRUE(huge.plot.YData.IsEmpty());

    // A record cut inside its Y column: the rows are known not to be there before
    // any is read, so no column is half filled.
    const TPlot full = FullSeries();
    const std::string bytes = Write(full);
    const std::size_t header = 5, plotHead = 14 + 4, count = 4, xColumn = 27;
    const std::size_t style = Write(full.Style).size() - header;
    const std::size_t file = Write(full.PlotFile).size() - header;
    Loaded cut(bytes.substr(0, header + plotHead + style + file + count + xColumn + 10));
    EXPECT_TRUE(cut.is.fail());
    EXPECT_TRUE(cut.plot.XData.IsEmpty());
    EXPECT_TRUE(cut.plot.YData.IsEmpty());
}

TEST(SeriesCopy, CopiesColumnsWithoutAccumulating) {
    const TPlot src = FullSeries();
    TPlot dst;
    dst = src;
    ExpectSameSeries(src, dst);
    dst = src;
    ExpectSameSeries(src, dst);
    EXPECT_EQ(dst.XMinData.GetItemsInContainer(), 3);

    TPlot copy(src);
    copy.XData[0].Value = 100.0;
    copy.ParamData[2][0].Value = 100.0;
    copy.Style.XFormula = "changed";
    EXPECT_EQ(src.XData[0].Value, 1.0);
    EXPECT_EQ(src.ParamData[2][0].Value, 7.0);
    EXPECT_EQ(src.Style.XFormula, "x*2");
}

TEST(SeriesCopy, SwitchedOffErrorColumnsKeepTheDestinations) {
    TPlot src = FullSeries();
    src.PlotFile.IsXErrorBar = 0;
    TPlot dst;
    dst.XMinData = Column({TDataElement(-5.0)});
    dst = src;
    EXPECT_EQ(dst.XMinData, Column({TDataElement(-5.0)}));
    EXPECT_TRUE(dst.XMaxData.IsEmpty());
    EXPECT_EQ(dst.YMaxData, src.YMaxData);

    // A Y column shorter than X (against the invariant) is copied padded to X's rows.
    src.YData.Detach(2);
    dst = src;
    ASSERT_EQ(dst.YData.GetItemsInContainer(), 3);
    EXPECT_EQ(dst.YData[2], TDataElement());
}

TEST(SeriesRange, AddAndRecompute) {
    TPlot p;
    p.XData = Column({TDataElement(3.0), TDataElement(kInf, DataFlagStar), TDataElement(-1.0),
                      TDataElement(7.0, DataFlagMasked)});
    p.CalcXRange();
    EXPECT_EQ(p.XMin, -1.0);
    EXPECT_EQ(p.XMax, 3.0);

    EXPECT_EQ(p.AddX(TDataElement(std::nan(""))), 1);
    EXPECT_EQ(p.XData.GetItemsInContainer(), 5);
    EXPECT_EQ(p.XMin, -1.0);
    EXPECT_EQ(p.XMax, 3.0);
    EXPECT_EQ(p.AddX(TDataElement(5.0)), 1);
    EXPECT_EQ(p.XMax, 5.0);
    EXPECT_EQ(p.AddX(TDataElement(-kInf)), 1);
    EXPECT_EQ(p.XMin, -1.0);

    TPlot empty;
    empty.YData = Column({TDataElement(1.0, DataFlagBar)});
    empty.CalcYRange();
    EXPECT_EQ(empty.YMin, kInf);
    EXPECT_EQ(empty.YMax, -kInf);
}

namespace {

// Columns take their storage from the blocks freed columns leave behind. Growing
// a column without values must give default elements, whatever the block held:
// a heap block, and a block large enough for huge pages.
TEST(DataColumn, GrowingWithoutValuesGivesDefaultElementsInReusedBlocks) {
    for (const int rows : {5000, 400000}) {
        SCOPED_TRACE(rows);
        {
            TDataColumn previous;
            for (int i = 0; i < rows; ++i) previous.Add(TDataElement(7.5, DataFlagStar));
            TDataColumn fitted(previous);  // freed with exactly `rows` elements of room
        }
        TDataColumn column;
        column.Add(TDataElement(1));
        column.Resize(std::size_t(rows));
        ASSERT_EQ(column.GetItemsInContainer(), rows);
        EXPECT_EQ(column[0], TDataElement(1));
        EXPECT_EQ(std::count(column.data() + 1, column.data() + rows, TDataElement()), rows - 1);
    }
}

}  // namespace
