// The commands of one selected figure (style, delete, duplicate, drawing order)
// and of a polyline's nodes (insert before the chosen node, delete it): their
// effect on the figure list and the selection, their enable rules, and what they
// do with selection numbers and node indexes that no longer name anything.

#include "chart_fixture.h"
#include "modal_script.h"

#include "dialogs/kit/controls.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using charttest::MakeChart;
using charttest::ModalScript;
using charttest::TestApp;

namespace {

constexpr int kFigureDialog = 6;

class FigureCommands : public ::testing::Test {
protected:
    void SetUp() override {
        charttest::ResetEscape();
        w = MakeChart();
        w->CmZoom50();
        set = w->Document.Current;
        // Three rectangles told apart by their pen colour, and a polyline.
        for (int i = 1; i <= 3; ++i) AddFigure(ZukeiRectangle, {{100.0 * i, 100}, {100.0 * i + 400, 500}}, i);
        AddFigure(ZukeiPolyline, {{0, 0}, {1000, 0}, {1000, 1000}}, 4);
        w->UpdateWindow();
    }
    void AddFigure(int kind, std::vector<DoublePoint> nodes, COLORREF color) {
        auto z = std::make_unique<TZukei>();
        z->Kind = kind;
        z->PenColor = color;
        for (const DoublePoint& p : nodes) z->Nodes.Add(p);
        z->UpdateBounds();
        set->ZukeiList.Add(z.release());
    }
    void Select(int n) {
        set->Selected.Zukeis.Add(n);
        w->ZukeiSelected = 1;
        const TZukei* z = set->ZukeiList.At(n);
        if (z && z->Kind == ZukeiPolyline) w->NodeHandlesShown = 1;
        else w->HandlesShown = 1;
        w->FeedbackRect = z ? w->GetFigureRect(set, z) : TRect(1, 2, 3, 4);
    }
    std::vector<COLORREF> Order() const {
        std::vector<COLORREF> v;
        for (const TZukei* z : set->ZukeiList) v.push_back(z->PenColor);
        return v;
    }
    bool Enabled(int id) {
        kv::win::TCommandEnabler ce(id);
        EXPECT_TRUE(w->ProcessCommandEnable(ce));
        return ce.IsEnabled();
    }
    TZukei& Polyline() { return *set->ZukeiList[4]; }
    std::vector<DoublePoint> Nodes() {
        std::vector<DoublePoint> v;
        for (int i = 0; i < Polyline().Nodes.GetItemsInContainer(); ++i) v.push_back(Polyline().Nodes[i]);
        return v;
    }

    TestApp app;
    std::unique_ptr<TChartWindow> w;
    BoxFrame* set = nullptr;
};

TEST_F(FigureCommands, EnabledOnlyWhileOneFigureIsSelected) {
    const int ids[] = {CM_ZUKEISTYLE, CM_ZUKEIDELETE, CM_ZUKEIDUPLICATE, CM_ZUKEITOTOP,
                       CM_ZUKEIUP,    CM_ZUKEIDOWN,   CM_ZUKEITOBOTTOM};
    for (int id : ids) EXPECT_FALSE(Enabled(id)) << id;
    Select(2);
    for (int id : ids) EXPECT_TRUE(Enabled(id)) << id;
    w->ClearFeedback();
    w->MultiSelected = 1;
    for (int id : ids) EXPECT_FALSE(Enabled(id)) << id;
}

TEST_F(FigureCommands, DeleteRemovesTheFigureAndClearsTheSelection) {
    Select(2);
    EXPECT_TRUE(w->ProcessCommand(CM_ZUKEIDELETE));
    EXPECT_EQ(Order(), (std::vector<COLORREF>{1, 3, 4}));
    EXPECT_EQ(w->ZukeiSelected, 0);
    EXPECT_TRUE(set->Selected.Zukeis.IsEmpty());
    EXPECT_EQ(w->Document.Modified, 1);
    EXPECT_FALSE(w->GetInvalidRegion().isEmpty());

    // A polyline in node editing loses its node handles with it.
    Select(3);
    ASSERT_EQ(w->NodeHandlesShown, 1);
    w->CmZukeiDelete();
    EXPECT_EQ(Order(), (std::vector<COLORREF>{1, 3}));
    EXPECT_EQ(w->NodeHandlesShown, 0);
}

TEST_F(FigureCommands, DuplicateAppendsAnExactCopyThatTakesTheSelection) {
    Select(2);
    const TRect feedback = w->FeedbackRect;
    w->CmZukeiDuplicate();
    ASSERT_EQ(set->ZukeiList.GetItemsInContainer(), 5);
    const TZukei& src = *set->ZukeiList[2];
    const TZukei& copy = *set->ZukeiList[5];
    EXPECT_NE(&src, &copy);
    EXPECT_EQ(copy.PenColor, 2u);
    EXPECT_EQ(copy.Nodes, src.Nodes);
    EXPECT_EQ(copy.Bounds, src.Bounds);
    // The copy is the selected figure now; the marks stay where they were.
    ASSERT_EQ(set->Selected.Zukeis.GetItemsInContainer(), 1);
    EXPECT_EQ(set->Selected.Zukeis[0], 5);
    EXPECT_EQ(w->ZukeiSelected, 1);
    EXPECT_EQ(w->FeedbackRect, feedback);
    EXPECT_EQ(w->Document.Modified, 1);
}

TEST_F(FigureCommands, DrawingOrderCommands) {
    struct Case {
        int id, selected;
        std::vector<COLORREF> order;
    };
    const Case cases[] = {
        {CM_ZUKEITOTOP, 1, {2, 3, 4, 1}},    {CM_ZUKEITOTOP, 4, {1, 2, 3, 4}},
        {CM_ZUKEIUP, 2, {1, 3, 2, 4}},       {CM_ZUKEIUP, 4, {1, 2, 3, 4}},
        {CM_ZUKEIDOWN, 3, {1, 3, 2, 4}},     {CM_ZUKEIDOWN, 1, {1, 2, 3, 4}},
        {CM_ZUKEITOBOTTOM, 4, {4, 1, 2, 3}}, {CM_ZUKEITOBOTTOM, 1, {1, 2, 3, 4}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.id << " on " << c.selected);
        SetUp();
        Select(c.selected);
        EXPECT_TRUE(w->ProcessCommand(c.id));
        EXPECT_EQ(Order(), c.order);
        // Also when nothing moved: the selection goes and the page is repainted.
        EXPECT_EQ(w->ZukeiSelected, 0);
        EXPECT_TRUE(set->Selected.Zukeis.IsEmpty());
        EXPECT_EQ(w->Document.Modified, 1);
        EXPECT_TRUE(w->GetInvalidRegion().contains(QRect(0, 0, 800, 600)));
    }
}

TEST_F(FigureCommands, StaleFigureNumbersDoNothing) {
    Select(9);  // the list has four figures
    w->CmZukeiDelete();
    w->CmZukeiDuplicate();
    w->CmZukeiToTop();
    {
        ModalScript script;  // no dialog may open
        w->CmZukeiStyle();
    }
    EXPECT_EQ(Order(), (std::vector<COLORREF>{1, 2, 3, 4}));
    EXPECT_EQ(w->Document.Modified, 0);
}

TEST_F(FigureCommands, StyleWritesOnlyOnOkAndRecomputesTheBounds) {
    Select(4);
    const TZukei before = Polyline();
    {
        ModalScript script;
        script.Then(kFigureDialog, [](PDialog& d) {
            d.Control<PComboBox>(115)->SetSelIndex(1);  // P-Spline
            ModalScript::Cancel()(d);
        });
        w->CmZukeiStyle();
    }
    EXPECT_EQ(Polyline().IsSpline, 0);
    EXPECT_EQ(Polyline().Bounds, before.Bounds);
    EXPECT_EQ(w->Document.Modified, 0);

    {
        ModalScript script;
        script.Then(kFigureDialog, [](PDialog& d) {
            d.Control<PComboBox>(114)->SetSelIndex(1);  // Closed
            d.Control<PComboBox>(115)->SetSelIndex(1);  // P-Spline
            ModalScript::Ok()(d);
        });
        EXPECT_TRUE(w->ProcessCommand(CM_ZUKEISTYLE));
    }
    EXPECT_EQ(Polyline().IsClosed, 1);
    EXPECT_EQ(Polyline().IsSpline, 1);
    EXPECT_EQ(Polyline().Nodes, before.Nodes);
    // The closed curve through the nodes swings outside their box.
    EXPECT_NE(Polyline().Bounds, before.Bounds);
    EXPECT_EQ(w->Document.Modified, 1);
    EXPECT_EQ(w->ZukeiSelected, 1);  // the selection stays

    // OK without a change still marks the graph.
    w->Document.Modified = 0;
    {
        ModalScript script;
        script.Then(kFigureDialog, ModalScript::Ok());
        w->CmZukeiStyle();
    }
    EXPECT_EQ(w->Document.Modified, 1);
}

// ---- Nodes of the polyline in node editing

TEST_F(FigureCommands, NodeInsertPutsTheMidpointBeforeTheChosenNode) {
    Select(4);
    w->NodeIndex = 1;
    ASSERT_TRUE(Enabled(CM_NODEINSERT));
    EXPECT_TRUE(w->ProcessCommand(CM_NODEINSERT));
    EXPECT_EQ(Nodes(), (std::vector<DoublePoint>{{0, 0}, {500, 0}, {1000, 0}, {1000, 1000}}));
    EXPECT_EQ(w->NodeIndex, 1);
    // The chosen node is number 2 now; inserting before it again halves the rest.
    w->NodeIndex = 2;
    w->CmNodeInsert();
    EXPECT_EQ(Nodes()[2], (DoublePoint{750, 0}));
    EXPECT_EQ(Polyline().Nodes.GetItemsInContainer(), 5);
    EXPECT_EQ(w->Document.Modified, 1);
    EXPECT_EQ(w->NodeHandlesShown, 1);
    EXPECT_EQ(w->ZukeiSelected, 1);
}

TEST_F(FigureCommands, NodeDeleteKeepsAtLeastTwoNodes) {
    Select(4);
    w->NodeIndex = 0;
    ASSERT_TRUE(Enabled(CM_NODEDELETE));
    w->CmNodeDelete();
    EXPECT_EQ(Nodes(), (std::vector<DoublePoint>{{1000, 0}, {1000, 1000}}));
    EXPECT_EQ(Polyline().Bounds, TRect(1000, 0, 1000, 1000));
    EXPECT_EQ(w->Document.Modified, 1);
    // Two nodes left: nothing more goes.
    w->Document.Modified = 0;
    EXPECT_FALSE(Enabled(CM_NODEDELETE));
    w->CmNodeDelete();
    EXPECT_EQ(Polyline().Nodes.GetItemsInContainer(), 2);
    EXPECT_EQ(w->Document.Modified, 0);
    EXPECT_EQ(w->NodeHandlesShown, 1);
}

TEST_F(FigureCommands, NodeCommandsRefuseIndexesThatNameNoNode) {
    const std::vector<DoublePoint> nodes = Nodes();
    struct Case {
        int nodeIndex;
        bool insert, remove;
    };
    // Insert needs a node before the chosen one; both need the chosen node.
    const Case cases[] = {{-1, false, false}, {0, false, true}, {2, true, true}, {3, false, false}, {50, false, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.nodeIndex);
        SetUp();
        Select(4);
        w->NodeIndex = c.nodeIndex;
        EXPECT_EQ(Enabled(CM_NODEINSERT), c.insert);
        EXPECT_EQ(Enabled(CM_NODEDELETE), c.remove);
        if (!c.insert) {
            w->CmNodeInsert();
            EXPECT_EQ(Nodes(), nodes);
        }
        if (!c.remove) {
            w->CmNodeDelete();
            EXPECT_EQ(Nodes(), nodes);
        }
        if (!c.insert && !c.remove) {
            EXPECT_EQ(w->Document.Modified, 0);
        }
    }
    // Outside node editing, or on a figure that is no polyline, nothing happens.
    SetUp();
    Select(4);
    w->NodeHandlesShown = 0;
    w->NodeIndex = 1;
    EXPECT_FALSE(Enabled(CM_NODEINSERT));
    w->CmNodeInsert();
    w->CmNodeDelete();
    EXPECT_EQ(Nodes(), nodes);
    SetUp();
    Select(1);
    w->NodeHandlesShown = 1;
    w->NodeIndex = 1;
    w->CmNodeInsert();
    w->CmNodeDelete();
    EXPECT_EQ(set->ZukeiList[1]->Nodes.GetItemsInContainer(), 2);
    EXPECT_EQ(w->Document.Modified, 0);
}

}  // namespace
