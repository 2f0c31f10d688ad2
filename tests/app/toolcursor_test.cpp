// Choosing a tool on the palette: the selection goes and the page view takes the
// tool's cursor at once.

#include "app_fixture.h"

#include "chart/winlayer/cursors.h"

#include <QAction>

namespace {

using apptest::AppTest;

TEST_F(AppTest, ChoosingAToolClearsTheSelectionAndSetsItsCursor) {
    Start();
    struct Case {
        int tool;
        int cursor;
    } cases[] = {
        {ToolLine, IDC_PENCIL},       {ToolWatch, IDC_CROSS},  {ToolDragWindow, IDC_HAND},
        {ToolTrimming, IDC_DATAARROW}, {ToolPolyline, IDC_PENCIL}, {ToolSelect, IDC_ARROW},
    };
    for (const Case& c : cases) {
        chart()->SetCursor(IDC_NO);
        chart()->TextSelected = 1;
        QAction* button = app->Frame->ButtonAction(c.tool);
        ASSERT_NE(button, nullptr) << c.tool;
        button->trigger();
        EXPECT_EQ(chart()->GetCurrentTool(), c.tool);
        EXPECT_EQ(chart()->GetCursorId(), c.cursor) << c.tool;
        EXPECT_EQ(chart()->TextSelected, 0) << c.tool;
    }
}

}  // namespace
