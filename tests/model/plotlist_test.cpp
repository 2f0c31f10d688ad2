#include "model/boxframe.h"

#include "support/helpers/sample_document.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// An axis set of count series told apart by IsFileData (series i holds i + 100),
// with one free text holding `refs`.
struct Numbered {
    explicit Numbered(int count, const std::string& refs = "") {
        for (int i = 1; i <= count; ++i) {
            auto p = new TPlot;
            p->IsFileData = i + 100;
            set.PlotList.Add(p);
        }
        auto t = new TText;
        t->String = refs;
        set.TextList.Add(t);
    }
    std::vector<int> Order() const {
        std::vector<int> order;
        for (const TPlot* p : set.PlotList) order.push_back(p->IsFileData - 100);
        return order;
    }
    std::vector<int> Map() const {
        std::vector<int> map;
        for (int i = 1; i <= set.PlotOrderMap.UpperBound(); ++i) map.push_back(set.PlotOrderMap[i]);
        return map;
    }
    const std::string& Text() const { return set.TextList[1]->String; }
    BoxFrame set;
};

using Op = int (BoxFrame::*)(int);

}  // namespace

TEST(SeriesList, OperationsReorderAndMap) {
    struct Case {
        const char* name;
        Op op;
        int n;
        int result;
        std::vector<int> order;  // former numbers in their new order
        std::vector<int> map;
    };
    const Case cases[] = {
        {"to top 2", &BoxFrame::PlotToTop, 2, 1, {1, 3, 4, 2}, {1, 4, 2, 3}},
        {"to top 4", &BoxFrame::PlotToTop, 4, 1, {1, 2, 3, 4}, {1, 2, 3, 4}},
        {"up 2", &BoxFrame::PlotUp, 2, 1, {1, 3, 2, 4}, {1, 3, 2, 4}},
        {"up last", &BoxFrame::PlotUp, 4, 1, {1, 2, 3, 4}, {1, 2, 3, 4}},
        {"down 3", &BoxFrame::PlotDown, 3, 1, {1, 3, 2, 4}, {1, 3, 2, 4}},
        {"down first", &BoxFrame::PlotDown, 1, 1, {1, 2, 3, 4}, {1, 2, 3, 4}},
        {"down 0", &BoxFrame::PlotDown, 0, 0, {1, 2, 3, 4}, {1, 2, 3, 4}},
        {"to bottom 3", &BoxFrame::PlotToBottom, 3, 1, {3, 1, 2, 4}, {2, 3, 1, 4}},
        {"delete 2", &BoxFrame::DeletePlot, 2, 1, {1, 3, 4}, {1, 0, 2, 3}},
        {"delete 4", &BoxFrame::DeletePlot, 4, 1, {1, 2, 3}, {1, 2, 3, 0}},
        {"duplicate 2", &BoxFrame::DuplicatePlot, 2, 1, {1, 2, 3, 4, 2}, {1, 2, 3, 4, 5}},
        {"to top 5", &BoxFrame::PlotToTop, 5, 0, {1, 2, 3, 4}, {1, 2, 3, 4}},
        {"up 5", &BoxFrame::PlotUp, 5, 0, {1, 2, 3, 4}, {1, 2, 3, 4}},
        {"down 5", &BoxFrame::PlotDown, 5, 0, {1, 2, 3, 4}, {1, 2, 3, 4}},
        {"to bottom 0", &BoxFrame::PlotToBottom, 0, 0, {1, 2, 3, 4}, {1, 2, 3, 4}},
        {"delete 5", &BoxFrame::DeletePlot, 5, 0, {1, 2, 3, 4}, {1, 2, 3, 4}},
        {"duplicate 0", &BoxFrame::DuplicatePlot, 0, 0, {1, 2, 3, 4}, {1, 2, 3, 4}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Numbered s(4);
        s.set.PlotOrderMap.Add(77);  // every operation starts from the identity
        EXPECT_EQ((s.set.*c.op)(c.n), c.result);
        EXPECT_EQ(s.Order(), c.order);
        EXPECT_EQ(s.Map(), c.map);
    }
}

TEST(SeriesList, DeletingSeriesTwoOfFourRenumbersReferences) {
    Numbered s(4, "%d001 %d002 %p003 %d004");
    ASSERT_EQ(s.set.DeletePlot(2), 1);
    s.set.RenumberAllTextRefs();
    EXPECT_EQ(s.Text(), "%d001 ***** %p002 %d003");
}

TEST(SeriesList, MovingSeriesOneOfThreeToTheTop) {
    Numbered s(3, "%d001,%p002,%d003");
    ASSERT_EQ(s.set.PlotToTop(1), 1);
    s.set.RenumberAllTextRefs();
    EXPECT_EQ(s.Text(), "%d003,%p001,%d002");
    EXPECT_EQ(s.Order(), (std::vector<int>{2, 3, 1}));
}

TEST(SeriesList, ReferencesThatNameNoSeriesStayAsTheyAre) {
    struct Case {
        const char* before;
        const char* after;
    };
    // After deleting series 1 of 3 (map 0, 1, 2).
    const Case cases[] = {
        {"%D002 %d002", "%D002 %d001"},    // %D is never renumbered
        {"%d0021", "%d0011"},              // a fourth digit stays
        {"%d02 %x002 %P002", "%d02 %x002 %P002"},
        {"%d000 %p004 %d999", "%d000 %p004 %d999"},  // no such series: no read outside the map
        {"%%d002", "%%d001"},              // a doubled % does not protect
        {"%d001%d003", "*****%d002"},
        {"\x81%d002 \x91\xaa%d003", "\x81%d002 \x91\xaa%d002"},  // a trail byte is never a %
        {"%d00", "%d00"},
        {"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.before);
        Numbered s(3, c.before);
        ASSERT_EQ(s.set.DeletePlot(1), 1);
        s.set.RenumberTextRefs(s.set.TextList[1]);
        EXPECT_EQ(s.Text(), c.after);
    }
}

TEST(SeriesList, RenumberingReachesFreeAndLabelTextsAndRelaysThemOut) {
    static int relayouts = 0;
    static BoxFrame* relaidSet = nullptr;
    SetTextRelayoutHook([](BoxFrame& set) {
        ++relayouts;
        relaidSet = &set;
    });
    Numbered s(2, "%d002");
    for (AxisUnit* axis : {&s.set.LeftAxis, &s.set.BottomAxis, &s.set.TopAxis, &s.set.RightAxis}) {
        auto t = new TText;
        t->String = "%p002";
        axis->LabelTexts.Add(t);
    }
    ASSERT_EQ(s.set.PlotDown(2), 1);
    s.set.RenumberAllTextRefs();
    SetTextRelayoutHook(nullptr);
    EXPECT_EQ(s.Text(), "%d001");
    for (AxisUnit* axis : {&s.set.LeftAxis, &s.set.BottomAxis, &s.set.TopAxis, &s.set.RightAxis})
        EXPECT_EQ(axis->LabelTexts[1]->String, "%p001");
    EXPECT_EQ(relayouts, 1);
    EXPECT_EQ(relaidSet, &s.set);
}

TEST(SeriesList, DuplicateCopiesOnTopAndRefusesAFullList) {
    auto set = kvtest::MakeSampleBoxFrame();
    const std::string text = set->TextList[1]->String;
    ASSERT_EQ(set->DuplicatePlot(1), 1);
    set->RenumberAllTextRefs();
    EXPECT_EQ(set->TextList[1]->String, text);
    ASSERT_EQ(set->PlotList.GetItemsInContainer(), 4);
    EXPECT_NE(set->PlotList[4], set->PlotList[1]);
    EXPECT_EQ(set->PlotList[4]->YMaxData, set->PlotList[1]->YMaxData);
    EXPECT_EQ(set->PlotList[4]->Info, "sample");

    Numbered full(MaxPlotCount);
    EXPECT_EQ(full.set.DuplicatePlot(1), 0);
    EXPECT_EQ(full.set.PlotList.GetItemsInContainer(), MaxPlotCount);
}

TEST(SeriesList, AMovedSeriesKeepsWhatItsCopyKeeps) {
    BoxFrame set;
    auto withBars = kvtest::MakeSampleSeries(4);
    auto barsOff = kvtest::MakeSampleSeries(4);
    barsOff->PlotFile.IsXErrorBar = 0;
    TPlot* stays = withBars.get();
    set.PlotList.Add(withBars.release());
    set.PlotList.Add(barsOff.release());
    ASSERT_EQ(set.PlotDown(2), 1);
    ASSERT_EQ(set.PlotList[2], stays);  // not the moved one: untouched
    EXPECT_EQ(stays->XMinData.GetItemsInContainer(), 4);
    TPlot* moved = set.PlotList[1];
    EXPECT_TRUE(moved->XMinData.IsEmpty());
    EXPECT_TRUE(moved->XMaxData.IsEmpty());
    EXPECT_EQ(moved->YMinData.GetItemsInContainer(), 4);
    EXPECT_EQ(moved->ParamData[2].GetItemsInContainer(), 4);
    EXPECT_EQ(moved->Info, "sample");

    // A series whose Y column is short of X becomes its copy: Y padded to X.
    moved->YData.Detach(3);
    ASSERT_EQ(set.PlotToTop(1), 1);
    EXPECT_EQ(set.PlotList[2]->XData.GetItemsInContainer(), 4);
    ASSERT_EQ(set.PlotList[2]->YData.GetItemsInContainer(), 4);
    EXPECT_EQ(set.PlotList[2]->YData[3], TDataElement());
}

TEST(FigureList, Operations) {
    struct Case {
        Op op;
        int n;
        int result;
        std::vector<int> order;
    };
    const Case cases[] = {
        {&BoxFrame::ZukeiToTop, 1, 1, {2, 3, 1}},
        {&BoxFrame::ZukeiToTop, 4, 0, {1, 2, 3}},
        {&BoxFrame::ZukeiUp, 2, 1, {1, 3, 2}},
        {&BoxFrame::ZukeiUp, 3, 1, {1, 2, 3}},
        {&BoxFrame::ZukeiUp, 4, 0, {1, 2, 3}},
        {&BoxFrame::ZukeiDown, 3, 1, {1, 3, 2}},
        {&BoxFrame::ZukeiDown, 1, 1, {1, 2, 3}},
        {&BoxFrame::ZukeiDown, 0, 0, {1, 2, 3}},
        {&BoxFrame::ZukeiToBottom, 3, 1, {3, 1, 2}},
        {&BoxFrame::ZukeiToBottom, 4, 0, {1, 2, 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.n);
        BoxFrame set;
        for (int k = 1; k <= 3; ++k) {
            auto z = new TZukei;
            z->Kind = k;
            set.ZukeiList.Add(z);
        }
        EXPECT_EQ((set.*c.op)(c.n), c.result);
        std::vector<int> order;
        for (const TZukei* z : set.ZukeiList) order.push_back(z->Kind);
        EXPECT_EQ(order, c.order);
        EXPECT_TRUE(set.PlotOrderMap.IsEmpty());
    }
}
