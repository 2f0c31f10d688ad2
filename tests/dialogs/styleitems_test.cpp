// The attribute choices of a multiple selection.

#include "dialogs/styleitems.h"
#include "dialogs/support/driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

namespace {

struct Member {
    const char* caption;
    int resource;
    BYTE* items;
    int count;
    std::vector<int> boxes;
    int selectAll, clearAll;
    std::function<std::unique_ptr<TStyleItemDialog>(BYTE*)> make;
};

std::vector<Member> Members() {
    return {
        {"ﾌｫﾝﾄ項目", 30, FontItems, FontItemCount, {101, 102, 103, 104, 105, 106}, 107, 108,
         [](BYTE* a) { return std::make_unique<TFontItemSelectdialog>(nullptr, a); }},
        {"ﾃｷｽﾄｽﾀｲﾙ項目", 31, TextStyleItems, TextStyleItemCount, {101, 102, 103, 106}, 104, 105,
         [](BYTE* a) { return std::make_unique<TTextStyleItemDialog>(nullptr, a); }},
        {"図形ｽﾀｲﾙ項目", 32, ZukeiStyleItems, ZukeiStyleItemCount,
         {102, 103, 104, 105, 107, 108, 109, 112, 113}, 110, 111,
         [](BYTE* a) { return std::make_unique<TZukeiStyleItemDialog>(nullptr, a); }},
        {"ﾌﾟﾛｯﾄｽﾀｲﾙ項目", 28, PlotStyleItems, PlotStyleItemCount,
         {101, 102, 103, 104, 105, 108, 109, 110, 112, 114, 115, 116, 117, 118, 119, 122, 123,
          124, 125},
         120, 121, [](BYTE* a) { return std::make_unique<TPlotStyleItemDialog>(nullptr, a); }},
        {"再読込項目", 33, ReloadItems, ReloadItemCount,
         {101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 111, 112}, 114, 115,
         [](BYTE* a) { return std::make_unique<TReloadItemDialog>(nullptr, a); }},
    };
}

std::vector<int> Ticks(TStyleItemDialog& dlg, const Member& m) {
    std::vector<int> t;
    for (int id : m.boxes) t.push_back(dlg.IsItemChecked(id));
    return t;
}

class StyleItems : public ::testing::Test {
protected:
    void SetUp() override { ResetStyleItems(); }
    void TearDown() override { ResetStyleItems(); }
};

TEST_F(StyleItems, EveryMemberStartsAllTickedAndStoresOnlyOnOk) {
    for (const Member& m : Members()) {
        SCOPED_TRACE(m.caption);
        auto dlg = m.make(m.items);
        EXPECT_EQ(dlg->windowTitle(), QString::fromUtf8(m.caption));
        EXPECT_EQ(dlg->ResourceId(), m.resource);
        ASSERT_EQ(int(dlg->CheckBoxes.size()), m.count);
        dlg->Create();
        EXPECT_EQ(Ticks(*dlg, m), std::vector<int>(m.count, 1));

        // Clear all, then Cancel: the array is unchanged.
        kvtest::Click(*dlg, m.clearAll);
        EXPECT_EQ(Ticks(*dlg, m), std::vector<int>(m.count, 0));
        kvtest::Click(*dlg, IDCANCEL);
        EXPECT_EQ(dlg->ReturnValue(), IDCANCEL);
        EXPECT_EQ(std::vector<BYTE>(m.items, m.items + m.count), std::vector<BYTE>(m.count, 1));

        // Clear all, tick the last box, OK: only that entry is chosen.
        auto again = m.make(m.items);
        again->Create();
        kvtest::Click(*again, m.clearAll);
        kvtest::Click(*again, m.boxes.back());
        kvtest::Click(*again, IDOK);
        EXPECT_EQ(again->ReturnValue(), IDOK);
        std::vector<BYTE> want(m.count, 0);
        want.back() = 1;
        EXPECT_EQ(std::vector<BYTE>(m.items, m.items + m.count), want);

        // The next opening shows the last choice; select all ticks every box again.
        auto third = m.make(m.items);
        third->Create();
        std::vector<int> shown(m.count, 0);
        shown.back() = 1;
        EXPECT_EQ(Ticks(*third, m), shown);
        kvtest::Click(*third, m.selectAll);
        EXPECT_EQ(Ticks(*third, m), std::vector<int>(m.count, 1));
        EXPECT_EQ(m.items[0], 0);  // select all does not touch the array
    }
}

TEST_F(StyleItems, UntickingUnderlineAndTheArraysIndependence) {
    {
        TFontItemSelectdialog dlg(nullptr, FontItems);
        EXPECT_EQ(dlg.ItemText(105), QStringLiteral("下線"));
        const int code = kvtest::RunModal(dlg, [&] {
            kvtest::Click(dlg, 105);
            kvtest::Click(dlg, IDOK);
        });
        EXPECT_EQ(code, IDOK);
    }
    EXPECT_EQ(FontItems[FontItem::Underline], 0);
    EXPECT_EQ(std::count(std::begin(FontItems), std::end(FontItems), 1), 5);
    // The other arrays keep every entry.
    for (BYTE b : TextStyleItems) EXPECT_EQ(b, 1);
    for (BYTE b : ZukeiStyleItems) EXPECT_EQ(b, 1);
    for (BYTE b : PlotStyleItems) EXPECT_EQ(b, 1);
    for (BYTE b : ReloadItems) EXPECT_EQ(b, 1);

    TFontItemSelectdialog next(nullptr, FontItems);
    next.Create();
    for (int id : {101, 102, 103, 104, 106}) EXPECT_EQ(next.IsItemChecked(id), 1) << id;
    EXPECT_EQ(next.IsItemChecked(105), 0);

    // Text style entries follow the entry order 101, 102, 103, 106 whatever the
    // order of the boxes in the dialog.
    TTextStyleItemDialog text(nullptr, TextStyleItems);
    text.Create();
    kvtest::Click(text, 105);  // clear all
    kvtest::Click(text, 103);  // "向き"
    kvtest::Click(text, IDOK);
    EXPECT_EQ(std::vector<BYTE>(std::begin(TextStyleItems), std::end(TextStyleItems)),
              (std::vector<BYTE>{0, 0, 1, 0}));
}

}  // namespace
