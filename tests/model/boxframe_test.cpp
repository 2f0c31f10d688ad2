#include "model/boxframe.h"

#include "record_bytes.h"
#include "support/helpers/sample_document.h"

#include <gtest/gtest.h>

namespace {

std::string Write(const TStreamableBase& obj) {
    opstream os;
    os << obj;
    return os.buffer();
}

// The fields of an axis set record up to its series count, as the given version
// holds them.
void HeadFields(RecordBytes& b, int version, int onlyParameter, int paintOrder) {
    if (version >= 3) b.Word(onlyParameter);
    if (version >= 4) b.Word(paintOrder);
    b.Object(Frame()).Object(AxisUnit()).Object(AxisUnit()).Object(AxisUnit()).Object(AxisUnit());
}

}  // namespace

TEST(AxisSetRecord, NewAxisSetBytes) {
    RecordBytes b;
    b.Begin("BoxFrame", 4);
    HeadFields(b, 4, 0, 1);
    b.Words(0, 5).End();  // series, figures, texts, constants, functions
    EXPECT_EQ(Write(BoxFrame()), b.Bytes());
}

TEST(AxisSetRecord, WriteReadWriteWithEveryKindOfObject) {
    const auto src = kvtest::MakeSampleBoxFrame();
    const std::string bytes = Write(*src);
    ipstream is(bytes);
    is.readVersion();
    BoxFrame back;
    is >> back;
    ASSERT_TRUE(is.good());
    EXPECT_EQ(is.remaining(), 0u);
    EXPECT_EQ(Write(back), bytes);

    EXPECT_EQ(back.PaintOrder, 2);
    EXPECT_EQ(back.Frame.OriginY, 720.5);
    EXPECT_EQ(back.LeftAxis.Scaling, 1);
    ASSERT_EQ(back.BottomAxis.LabelTexts.GetItemsInContainer(), 3);
    EXPECT_EQ(back.BottomAxis.LabelTexts[3]->String, "10");
    ASSERT_EQ(back.PlotList.GetItemsInContainer(), 3);
    EXPECT_EQ(back.PlotList[1]->YMaxData[4].Value, 26.0);
    EXPECT_EQ(back.PlotList[2]->YData[1].Flag, DataFlagBar);
    EXPECT_EQ(back.PlotList[3]->IsOnlyParameter, 1);
    EXPECT_TRUE(back.PlotList[3]->XData.IsEmpty());  // its columns were not stored
    ASSERT_EQ(back.ZukeiList.GetItemsInContainer(), 3);
    EXPECT_EQ(back.ZukeiList[3]->Nodes.GetItemsInContainer(), 5);
    ASSERT_EQ(back.TextList.GetItemsInContainer(), 2);
    EXPECT_EQ(back.TextList[2]->Font.lfEscapement, 900);
    ASSERT_EQ(back.UserConsts.GetItemsInContainer(), 2);
    EXPECT_EQ(back.UserConsts[1], TUserConstElement("g0", 9.80665));
    ASSERT_EQ(back.UserFunctions.GetItemsInContainer(), 5);
    EXPECT_EQ(back.UserFunctions[1], "sin(x)*k");
    EXPECT_EQ(back.UserFunctions[4], "");
}

// Versions 1 to 3 lack the switches (1, 2) and the constants and functions (1).
TEST(AxisSetRecord, OlderVersions) {
    for (int version = 1; version <= 4; ++version) {
        SCOPED_TRACE(version);
        RecordBytes b;
        b.Begin("BoxFrame", std::uint32_t(version));
        HeadFields(b, version, 1, 2);
        b.Word(1).Object(TPlot());
        b.Word(1).Object(TZukei());
        b.Word(0);
        if (version >= 2) {
            b.Word(1).Object(TUserConstElement("c", 3.0));
            b.Word(2).String("x^2").String("");
        }
        b.End().Raw("after");

        ipstream is(b.Bytes());
        is.readVersion();
        BoxFrame set;
        set.UserConsts.Add(TUserConstElement("old", 1.0));
        set.UserFunctions.Add("old");
        is >> set;
        ASSERT_TRUE(is.good());
        EXPECT_EQ(is.remaining(), 5u);  // in step after the record
        EXPECT_EQ(set.IsOnlyParameter, version >= 3 ? 1 : 0);
        EXPECT_EQ(set.PaintOrder, version >= 4 ? 2 : 1);
        EXPECT_EQ(set.PlotList.GetItemsInContainer(), 1);
        EXPECT_EQ(set.ZukeiList.GetItemsInContainer(), 1);
        if (version >= 2) {
            ASSERT_EQ(set.UserConsts.GetItemsInContainer(), 1);
            EXPECT_EQ(set.UserConsts[0].ConstName, "c");
            ASSERT_EQ(set.UserFunctions.GetItemsInContainer(), 2);
            EXPECT_EQ(set.UserFunctions[0], "x^2");
        } else {
            ASSERT_EQ(set.UserConsts.GetItemsInContainer(), 1);
            EXPECT_EQ(set.UserConsts[0].ConstName, "old");
            EXPECT_EQ(set.UserFunctions[0], "old");
        }
    }
}

TEST(AxisSetRecord, ThousandSeriesKeepNineHundredNinetyNine) {
    TPlot numbered;
    RecordBytes b;
    b.Begin("BoxFrame", 4);
    HeadFields(b, 4, 0, 1);
    b.Word(1000);
    for (int i = 1; i <= 1000; ++i) {
        numbered.IsFileData = i;  // tells the series apart
        b.Object(numbered);
    }
    TText text;
    text.String = "after the series";
    b.Word(1).Object(TZukei()).Word(1).Object(text);
    b.Word(1).Object(TUserConstElement("k", 2.0)).Word(1).String("x").End();

    ipstream is(b.Bytes());
    is.readVersion();
    BoxFrame set;
    is >> set;
    ASSERT_TRUE(is.good());
    EXPECT_EQ(is.remaining(), 0u);
    ASSERT_EQ(set.PlotList.GetItemsInContainer(), MaxPlotCount);
    EXPECT_EQ(set.PlotList[999]->IsFileData, 999);
    EXPECT_EQ(set.ZukeiList.GetItemsInContainer(), 1);
    ASSERT_EQ(set.TextList.GetItemsInContainer(), 1);
    EXPECT_EQ(set.TextList[1]->String, "after the series");
    EXPECT_EQ(set.UserConsts.GetItemsInContainer(), 1);
    EXPECT_EQ(set.UserFunctions.GetItemsInContainer(), 1);
}

TEST(AxisSetRecord, DamagedListsStopAtTheFailure) {
    // A huge count fails at once instead of allocating or looping.
    RecordBytes huge;
    huge.Begin("BoxFrame", 4);
    HeadFields(huge, 4, 0, 1);
    huge.Word(0x7FFFFFFF).Object(TPlot());
    ipstream is(huge.Bytes());
    is.readVersion();
    BoxFrame set;
    set.PlotList.Add(new TPlot);
    is >> set;
    EXPECT_TRUE(is.fail());
    EXPECT_TRUE(set.PlotList.IsEmpty());

    // A record cut inside its second figure keeps the first and no default ones;
    // the lists after it end up empty.
    TZukei figure;
    figure.Kind = ZukeiLine;
    RecordBytes cut;
    cut.Begin("BoxFrame", 4);
    HeadFields(cut, 4, 0, 1);
    cut.Word(0).Word(3).Object(figure);
    const std::string whole = cut.Object(figure).Bytes();
    ipstream is2(whole.substr(0, whole.size() - 10));
    is2.readVersion();
    BoxFrame set2;
    set2.TextList.Add(new TText);
    is2 >> set2;
    EXPECT_TRUE(is2.fail());
    ASSERT_EQ(set2.ZukeiList.GetItemsInContainer(), 1);
    EXPECT_EQ(set2.ZukeiList[1]->Kind, ZukeiLine);
    EXPECT_TRUE(set2.TextList.IsEmpty());
}

TEST(AxisSetCopy, SharesNothingWithItsSource) {
    const auto src = kvtest::MakeSampleBoxFrame();
    const std::string before = Write(*src);
    BoxFrame copy;
    copy.Selected.State = 1;
    copy.Selected.SelTexts.Add(2);
    copy.EvalWork.ExpandedText = "(x)";
    copy.PlotList.Add(new TPlot);
    copy = *src;
    EXPECT_EQ(Write(copy), before);
    EXPECT_EQ(copy.Selected.State, 1);  // neither selection nor evaluator storage is copied
    EXPECT_EQ(copy.Selected.SelTexts.GetItemsInContainer(), 1);
    EXPECT_EQ(copy.EvalWork.ExpandedText, "(x)");

    for (int i = 1; i <= 3; ++i) EXPECT_NE(copy.PlotList[i], src->PlotList[i]);
    copy.PlotList[1]->XData[0].Value = -1.0;
    copy.PlotList[1]->ParamData[2][0].Value = -1.0;
    copy.PlotList[2]->Style.LineColor = 0x123456;
    copy.ZukeiList[3]->Nodes[0].X = -1.0;
    copy.TextList[1]->String = "changed";
    copy.TextList[1]->CharMetrics[1].Width = -1;
    copy.BottomAxis.LabelTexts[1]->String = "changed";
    copy.UserConsts[0].ConstValue = -1.0;
    copy.UserFunctions[0] = "changed";
    copy.Frame.OriginX = -1.0;
    EXPECT_EQ(Write(*src), before);

    const BoxFrame constructed(*src);
    EXPECT_EQ(Write(constructed), before);
}

TEST(AxisSet, ParameterOnlySwitchAndMemoryData) {
    BoxFrame empty;
    empty.SetParameterOnly(1);
    EXPECT_EQ(empty.IsOnlyParameter, 1);
    EXPECT_EQ(empty.HasMemoryData(), 0);

    auto set = kvtest::MakeSampleBoxFrame();
    EXPECT_EQ(set->HasMemoryData(), 1);  // series 2 was made in memory
    set->SetParameterOnly(1);
    for (const TPlot* p : set->PlotList) EXPECT_EQ(p->IsOnlyParameter, 1);
    set->PlotList[2]->IsFileData = 2;
    EXPECT_EQ(set->HasMemoryData(), 1);
    set->PlotList[2]->IsFileData = 1;
    EXPECT_EQ(set->HasMemoryData(), 0);

    TIArrayAsVector<BoxFrame> sets;
    sets.Add(new BoxFrame);
    sets[1]->PlotList.Add(new TPlot);
    sets[1]->IsOnlyParameter = 1;
    SetOnlyParameterAll(sets);
    EXPECT_EQ(sets[1]->PlotList[1]->IsOnlyParameter, 1);
}

TEST(AxisSet, RegistrationFunctionsMakeEveryNameKnown) {
    RegisterSeriesStreamables();
    RegisterAxisStreamables();
    for (const char* name : {"TPlotStyle", "TPlotFile", "TDataElement", "TPlot",
                             "TUserConstElement", "AxisUnit", "Frame", "BoxFrame"})
        EXPECT_NE(TStreamableClass::Find(name), nullptr) << name;
    UnregisterAxisStreamables();
    UnregisterSeriesStreamables();
}
