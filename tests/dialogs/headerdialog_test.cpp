// The margin-text settings: the lists filled from the chart window's four fields
// (upper row the head text, kept in the Footer fields), copied back on OK only.

#include "dialogs/headerdialog.h"
#include "dialogs/kit/controls.h"
#include "dialogs/support/driver.h"
#include "dialogs/support/fakechart.h"

#include <gtest/gtest.h>

namespace {

struct HeaderDialogTest : ::testing::Test {
    void SetUp() override {
        chart.Settings.HeaderType = 2;
        chart.Settings.HeaderPosition = 0;
        chart.Settings.FooterType = 1;
        chart.Settings.FooterPosition = 2;
    }
    PComboBox* List(THeaderDialog& d, int id) { return d.Control<PComboBox>(id); }
    kvtest::FakeChart chart;
};

TEST_F(HeaderDialogTest, ListsShowTheFieldsAndOkCopiesThemBack) {
    THeaderDialog dlg(&chart);
    ASSERT_TRUE(dlg.Create());
    EXPECT_EQ(dlg.ResourceId(), 21);
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("ﾍｯﾀﾞ/ﾌｯﾀ"));
    for (int id : {101, 103}) {
        ASSERT_EQ(List(dlg, id)->GetCount(), 3);
        EXPECT_EQ(List(dlg, id)->GetString(0), QStringLiteral("NULL"));
        EXPECT_EQ(List(dlg, id)->GetString(2), QStringLiteral("Date"));
    }
    for (int id : {102, 104}) {
        ASSERT_EQ(List(dlg, id)->GetCount(), 3);
        EXPECT_EQ(List(dlg, id)->GetString(1), QStringLiteral("Left"));
    }
    EXPECT_EQ(List(dlg, 101)->GetSelIndex(), 2);  // HeaderType
    EXPECT_EQ(List(dlg, 102)->GetSelIndex(), 0);  // HeaderPosition
    EXPECT_EQ(List(dlg, 103)->GetSelIndex(), 1);  // FooterType
    EXPECT_EQ(List(dlg, 104)->GetSelIndex(), 2);  // FooterPosition

    List(dlg, 101)->SetSelIndex(0);
    List(dlg, 102)->SetSelIndex(1);
    List(dlg, 103)->SetSelIndex(2);
    List(dlg, 104)->SetSelIndex(0);
    kvtest::Click(dlg, IDOK);
    ASSERT_TRUE(dlg.IsClosed());
    EXPECT_EQ(dlg.ReturnValue(), IDOK);
    EXPECT_EQ(chart.Settings.HeaderType, 0);
    EXPECT_EQ(chart.Settings.HeaderPosition, 1);
    EXPECT_EQ(chart.Settings.FooterType, 2);
    EXPECT_EQ(chart.Settings.FooterPosition, 0);
}

TEST_F(HeaderDialogTest, CancelKeepsTheFields) {
    THeaderDialog dlg(&chart);
    const int code = kvtest::RunModal(dlg, [&] {
        List(dlg, 101)->SetSelIndex(0);
        List(dlg, 104)->SetSelIndex(0);
        kvtest::Click(dlg, IDCANCEL);
    });
    EXPECT_EQ(code, IDCANCEL);
    EXPECT_EQ(chart.Settings.HeaderType, 2);
    EXPECT_EQ(chart.Settings.FooterPosition, 2);
}

TEST_F(HeaderDialogTest, AValueNoListItemNamesShowsNoSelectionAndOkStoresMinusOne) {
    chart.Settings.HeaderType = 5;       // from an edited profile
    chart.Settings.FooterPosition = -3;
    THeaderDialog dlg(&chart);
    ASSERT_TRUE(dlg.Create());
    EXPECT_EQ(List(dlg, 101)->GetSelIndex(), -1);
    EXPECT_EQ(List(dlg, 104)->GetSelIndex(), -1);
    List(dlg, 102)->SetSelIndex(2);
    kvtest::Click(dlg, IDOK);
    EXPECT_EQ(chart.Settings.HeaderType, -1);
    EXPECT_EQ(chart.Settings.FooterPosition, -1);
    EXPECT_EQ(chart.Settings.HeaderPosition, 2);
    EXPECT_EQ(chart.Settings.FooterType, 1);
}

}  // namespace
