#include "support/helpers/sample_document.h"

#include <cstring>
#include <limits>

namespace kvtest {

namespace {

std::unique_ptr<TText> MakeText(const char* string, int x, int y) {
    auto t = std::make_unique<TText>();
    t->String = string;
    t->Position = TPoint(x, y);
    t->LineHeight = 300;
    t->Ascent = 240;
    for (const char* p = string; *p; ++p) t->CharMetrics.Add(TCharMetric(150, 300, 240));
    t->BoundingBox = TRect(0, 0, 150 * int(std::strlen(string)), 300);
    return t;
}

std::unique_ptr<TZukei> MakeFigure(int kind, std::initializer_list<DoublePoint> nodes) {
    auto z = std::make_unique<TZukei>();
    z->Kind = kind;
    for (const DoublePoint& p : nodes) z->Nodes.Add(p);
    return z;
}

}  // namespace

std::unique_ptr<TPlot> MakeSampleSeries(int rows, double offset) {
    auto p = std::make_unique<TPlot>();
    std::strcpy(p->DataFileName, "C:\\data\\sample.dat");
    p->PlotFile.IsXErrorBar = 1;
    p->PlotFile.IsYErrorBar = 1;
    p->PlotFile.XMinColumn = 3;
    p->PlotFile.XMaxColumn = 4;
    p->PlotFile.YMinColumn = 5;
    p->PlotFile.YMaxColumn = 6;
    p->PlotFile.ParamColumns[2] = 1;
    p->PlotFile.ParamColumnSpec = "3";
    p->Style.LineColor = RGB(0, 0, 255);
    p->Style.MarkerStyle = 5;
    for (int i = 0; i < rows; ++i) {
        const double x = i + 1, y = (x + offset) * (x + offset);
        p->AddX(TDataElement(x));
        p->AddY(TDataElement(y));
        p->XMinData.Add(TDataElement(x - 0.25));
        p->XMaxData.Add(TDataElement(x + 0.25));
        p->YMinData.Add(TDataElement(y - 1));
        p->YMaxData.Add(TDataElement(y + 1));
        p->ParamData[2].Add(TDataElement(10 * x));
    }
    p->Info = "sample";
    return p;
}

std::unique_ptr<BoxFrame> MakeSampleBoxFrame() {
    const double inf = std::numeric_limits<double>::infinity();
    auto b = std::make_unique<BoxFrame>();
    b->PaintOrder = 2;
    b->Frame.OriginX = 1440.0;
    b->Frame.OriginY = 720.5;
    b->Frame.FrameLengthX = 7200.0;
    b->Frame.FrameBackPaint = 1;
    b->Frame.FrameBackColor = RGB(255, 255, 224);
    b->BottomAxis.RangeEnd = 10.0;
    b->BottomAxis.RangeInc = 2.0;
    b->LeftAxis.Scaling = 1;
    b->LeftAxis.RangeStart = 1.0;
    b->LeftAxis.RangeEnd = 1000.0;
    b->LeftAxis.MinorTickDivision = 10;
    b->TopAxis.IsVisible = 0;
    b->RightAxis.LabelFormat = 0;
    for (const char* label : {"0", "5", "10"}) b->BottomAxis.LabelTexts.Add(MakeText(label, 0, 0).release());
    b->LeftAxis.LabelTexts.Add(MakeText("10^{3}", -600, 0).release());

    auto fromFile = MakeSampleSeries(5);
    fromFile->Style.IsYFormula = 1;
    fromFile->Style.YFormula = "y*k";
    fromFile->Style.MaskRows = "2";
    b->PlotList.Add(fromFile.release());

    auto memory = std::make_unique<TPlot>();
    memory->IsFileData = 0;
    memory->AddX(TDataElement(0.5));
    memory->AddY(TDataElement(inf, DataFlagStar));
    memory->AddX(TDataElement(1.5));
    memory->AddY(TDataElement(inf, DataFlagBar));
    memory->AddX(TDataElement(2.5, DataFlagMasked));
    memory->AddY(TDataElement(-4.0));
    memory->Style.LineInterpolate = 2;
    memory->Info = "pasted";
    b->PlotList.Add(memory.release());

    auto paramsOnly = MakeSampleSeries(3, 1.0);
    paramsOnly->IsOnlyParameter = 1;
    std::strcpy(paramsOnly->DataFileName, "params.csv");
    paramsOnly->Style.IsShown = 0;
    b->PlotList.Add(paramsOnly.release());

    auto line = MakeFigure(ZukeiLine, {{0, 0}, {1000, 500}});
    line->Arrow = 2;
    line->PenWidth = 200;
    b->ZukeiList.Add(line.release());
    auto rect = MakeFigure(ZukeiRectangle, {{100, 100}, {900, 600}});
    rect->BrushType = 3;
    rect->ForeBrushColor = RGB(255, 0, 0);
    rect->Bounds = TRect(100, 100, 900, 600);
    b->ZukeiList.Add(rect.release());
    auto poly = MakeFigure(ZukeiPolyline, {{0, 0}, {300, 900}, {600, 200}, {900, 800}, {1200, 0}});
    poly->IsSpline = 1;
    poly->IsClosed = 1;
    poly->InterPointNo = 20;
    b->ZukeiList.Add(poly.release());

    // "%d001 data %p003 " followed by the two CP932 characters of "測定".
    b->TextList.Add(MakeText("%d001 data %p003 \x91\xaa\x92\xe8", 200, 200).release());
    auto rotated = MakeText("Y axis", -800, 2500);
    rotated->Font.lfEscapement = 900;
    rotated->BackPaint = 1;
    rotated->BackColor = RGB(200, 200, 200);
    rotated->LineSpacing = 120;
    b->TextList.Add(rotated.release());

    b->UserConsts.Add(TUserConstElement("k", 1.5));
    b->UserConsts.Add(TUserConstElement("g0", 9.80665));
    for (const char* f : {"x+1", "sin(x)*k", "", "exp(-x)", ""}) b->UserFunctions.Add(f);
    return b;
}

}  // namespace kvtest
