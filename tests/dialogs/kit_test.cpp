// The dialog kit: building from a table, ids, the response table, the keys that
// end a dialog, set-up, and the controls' Win32 behaviour.

#include "dialogs/kit/controls.h"
#include "dialogs/kit/conventions.h"
#include "dialogs/kit/dlgtext.h"
#include "dialogs/kit/pdialog.h"
#include "dialogs/mesdialog.h"
#include "dialogs/support/driver.h"
#include "dialogs/textdialog.h"
#include "model/text.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QTest>

#include <memory>

#include <string>
#include <vector>

namespace {

constexpr PControlSpec kSample[] = {
    {101, PKind::Edit, "名前(&N):"},
    {102, PKind::CheckBox, "表示(&V)", 0, pf::SameRow},
    {110, PKind::GroupBox, "方法"},
    {111, PKind::RadioButton, "第一(&A)", 110},
    {112, PKind::RadioButton, "第二(&B)", 110},
    {113, PKind::RadioButton, "第三", 110},
    {120, PKind::ComboList, "種類(&K):"},
    {121, PKind::ComboEdit, "幅(&W):", 0, pf::SameRow},
    {130, PKind::ListBox, "一覧(&L):", 0, pf::ListMultiple},
    {140, PKind::Edit, "情報(&I):", 0, pf::Multiline | pf::WantReturn | pf::VScroll, 2000},
    {150, PKind::Static, "Text && more"},
    {1, PKind::DefPushButton, "&OK"},
    {2, PKind::PushButton, "Cancel"},
    {160, PKind::PushButton, "適用(&P)"},
};
const PDialogTemplate kSampleTemplate{900, "見本", kSample};

// A dialog that records what reaches it.
class SampleDialog : public PDialog {
public:
    explicit SampleDialog(int closeInSetup = 0)
        : PDialog(nullptr, kSampleTemplate), closeInSetup_(closeInSetup) {}
    std::vector<std::string> log;
    int setups = 0;
    int shows = 0;

protected:
    void SetupWindow() override {
        PDialog::SetupWindow();
        ++setups;
        log.push_back(isVisible() ? "setup visible" : "setup hidden");
        if (closeInSetup_) CloseWindow(closeInSetup_);
    }
    void showEvent(QShowEvent* e) override {
        ++shows;
        PDialog::showEvent(e);
    }

private:
    int closeInSetup_;
};

TEST(DialogKit, BuildsEveryRowWithItsIdAndTexts) {
    SampleDialog dlg;
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("見本"));
    EXPECT_EQ(dlg.ResourceId(), 900);
    const std::pair<int, const char*> kinds[] = {
        {101, "PEdit"},        {102, "PCheckBox"},  {110, "PGroupBox"}, {111, "PRadioButton"},
        {120, "PComboBox"},    {121, "PComboBox"},  {130, "PListBox"},  {140, "PMultiEdit"},
        {150, "PStatic"},      {1, "PButton"},      {2, "PButton"},     {160, "PButton"},
    };
    for (const auto& [id, cls] : kinds) {
        QWidget* w = dlg.ControlWidget(id);
        ASSERT_NE(w, nullptr) << id;
        EXPECT_STREQ(w->metaObject()->className(), cls) << id;
        EXPECT_EQ(w->objectName(), QString::number(id));
        EXPECT_EQ(w->property("ctrlId").toInt(), id);
        EXPECT_EQ(dlg.findChild<QWidget*>(QString::number(id)), w);
    }
    EXPECT_EQ(dlg.Control<PCheckBox>(101), nullptr);  // wrong type: none
    EXPECT_EQ(dlg.ControlWidget(999), nullptr);
    // Labels beside edits, combos and lists carry the mnemonic to their control.
    ASSERT_NE(dlg.Label(101), nullptr);
    EXPECT_EQ(dlg.Label(101)->text(), QStringLiteral("名前(&N):"));
    EXPECT_EQ(dlg.Label(101)->buddy(), dlg.ControlWidget(101));
    EXPECT_EQ(dlg.Label(102), nullptr);
    EXPECT_EQ(dlg.ItemText(102), QStringLiteral("表示(&V)"));
    EXPECT_EQ(dlg.ItemText(150), QStringLiteral("Text & more"));  // a static without buddy
    EXPECT_EQ(dlg.Control<PGroupBox>(110)->title(), QStringLiteral("方法"));
    // Rows of a group box sit in it.
    EXPECT_EQ(dlg.ControlWidget(111)->parentWidget(), dlg.ControlWidget(110));
    EXPECT_TRUE(dlg.Control<PButton>(1)->isDefault());
    EXPECT_FALSE(dlg.Control<PButton>(2)->isDefault());
    EXPECT_EQ(dlg.DefaultId(), 1);
    EXPECT_TRUE(dlg.Control<PComboBox>(121)->isEditable());
    EXPECT_FALSE(dlg.Control<PComboBox>(120)->isEditable());
    EXPECT_EQ(dlg.Control<PListBox>(130)->GetStyle(), PListBox::Style::Multiple);
    EXPECT_EQ(dlg.Control<PMultiEdit>(140)->GetTextLimit(), 2000);
    EXPECT_EQ(dlg.Control<PEdit>(101)->GetTextLimit(), 255);
}

TEST(DialogKit, UserActionsNotifyProgramChangesDoNot) {
    SampleDialog dlg;
    std::vector<std::string> got;
    dlg.OnCommand(102, [&] { got.push_back("102 clicked"); });
    dlg.OnCommand(112, [&] { got.push_back("112 clicked"); });
    dlg.OnNotify(120, CBN_SELCHANGE, [&] { got.push_back("120 selchange"); });
    dlg.OnNotify(130, LBN_SELCHANGE, [&] { got.push_back("130 selchange"); });
    dlg.OnCommand(160, [&] { got.push_back("160 clicked"); });
    dlg.Create();

    auto* combo = dlg.Control<PComboBox>(120);
    combo->AddString("a");
    combo->AddString("b");
    auto* list = dlg.Control<PListBox>(130);
    list->AddString("x");
    list->AddString("y");
    // The program sets controls: nothing is reported.
    dlg.CheckItem(102, BF_CHECKED);
    dlg.CheckItem(112, BF_CHECKED);
    combo->SetSelIndex(1);
    list->SetSel(0, true);
    EXPECT_TRUE(got.empty());

    // The user acts.
    kvtest::Click(dlg, 102);
    kvtest::Click(dlg, 112);  // an already ticked radio button still reports
    emit combo->activated(0);
    dlg.show();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(1)).center());
    kvtest::Click(dlg, 160);
    EXPECT_EQ(got, (std::vector<std::string>{"102 clicked", "112 clicked", "120 selchange",
                                             "130 selchange", "160 clicked"}));
    EXPECT_EQ(dlg.IsItemChecked(102), BF_UNCHECKED);  // the click toggled it
    EXPECT_EQ(list->GetSelIndexes(), (std::vector<int>{0, 1}));
    EXPECT_FALSE(dlg.IsClosed());
    dlg.hide();
}

TEST(DialogKit, OkAndCancelCloseByDefaultAndHandlersReplaceThat) {
    {
        SampleDialog dlg;
        dlg.Create();
        kvtest::Click(dlg, 1);
        EXPECT_TRUE(dlg.IsClosed());
        EXPECT_EQ(dlg.ReturnValue(), IDOK);
    }
    {
        SampleDialog dlg;
        dlg.Create();
        kvtest::Click(dlg, 2);
        EXPECT_EQ(dlg.ReturnValue(), IDCANCEL);
    }
    {
        // A handler of command 1 that does not close (Enter then never closes).
        SampleDialog dlg;
        int ran = 0;
        dlg.OnCommand(IDOK, [&] { ++ran; });
        dlg.Create();
        kvtest::Click(dlg, 1);
        kvtest::PressKey(dlg.ControlWidget(101), Qt::Key_Return);
        EXPECT_EQ(ran, 2);
        EXPECT_FALSE(dlg.IsClosed());
    }
}

TEST(DialogKit, EscapeAndTheCloseBoxCancelWithoutTheHandlerOfCommand2) {
    for (int how = 0; how < 2; ++how) {
        SampleDialog dlg;
        int handler = 0;
        dlg.OnCommand(IDCANCEL, [&] { ++handler; });
        const int code = kvtest::RunModal(dlg, [&] {
            if (how == 0)
                kvtest::PressKey(dlg.ControlWidget(101), Qt::Key_Escape);
            else
                dlg.close();
        });
        EXPECT_EQ(code, IDCANCEL) << how;
        EXPECT_EQ(handler, 0) << how;
    }
}

TEST(DialogKit, EnterSendsTheDefaultButtonOrTheFocusedPushButton) {
    {
        SampleDialog dlg;
        const int code = kvtest::RunModal(dlg, [&] {
            dlg.ControlWidget(101)->setFocus();
            kvtest::TypeText(dlg.ControlWidget(101), QStringLiteral("abc"));
            kvtest::PressKey(dlg.ControlWidget(101), Qt::Key_Return);
        });
        EXPECT_EQ(code, IDOK);
        EXPECT_EQ(dlg.ItemText(101), QStringLiteral("abc"));
    }
    {
        SampleDialog dlg;
        int applied = 0;
        dlg.OnCommand(160, [&] { ++applied; });
        dlg.Create();
        dlg.show();
        ASSERT_TRUE(kvtest::Activate(&dlg));
        auto* apply = dlg.ControlWidget(160);
        apply->setFocus();
        ASSERT_EQ(QApplication::focusWidget(), apply);
        kvtest::PressKey(apply, Qt::Key_Return);
        EXPECT_EQ(applied, 1);
        EXPECT_FALSE(dlg.IsClosed());
        // Enter in a multi-line edit that wants it makes a new line.
        auto* info = dlg.Control<PMultiEdit>(140);
        info->setFocus();
        kvtest::TypeText(info, QStringLiteral("a"));
        kvtest::PressKey(info, Qt::Key_Return);
        kvtest::TypeText(info, QStringLiteral("b"));
        EXPECT_EQ(info->GetText(), QStringLiteral("a\r\nb"));
        EXPECT_FALSE(dlg.IsClosed());
        dlg.hide();
    }
    {
        // A disabled default button: Enter does nothing.
        SampleDialog dlg;
        dlg.Create();
        dlg.EnableControl(1, false);
        EXPECT_FALSE(dlg.IsControlEnabled(1));
        kvtest::PressKey(dlg.ControlWidget(101), Qt::Key_Return);
        EXPECT_FALSE(dlg.IsClosed());
    }
}

TEST(DialogKit, SetupRunsOnceBeforeShowingAndMayCloseWithoutShowing) {
    {
        SampleDialog dlg;
        EXPECT_TRUE(dlg.Create());
        EXPECT_TRUE(dlg.Create());
        const int code = kvtest::RunModal(dlg, [&] { dlg.CloseWindow(77); });
        EXPECT_EQ(code, 77);  // any code the dialog closes with
        EXPECT_EQ(dlg.setups, 1);
        EXPECT_EQ(dlg.log, std::vector<std::string>{"setup hidden"});
    }
    {
        SampleDialog dlg(IDCANCEL);
        const int code = kvtest::RunModal(dlg, [] { ADD_FAILURE() << "shown"; });
        EXPECT_EQ(code, IDCANCEL);
        EXPECT_EQ(dlg.shows, 0);
        EXPECT_EQ(dlg.setups, 1);
    }
}

TEST(DialogKit, NumbersAreReadLikeAtoiAndAtofAndShownWithCFormats) {
    SampleDialog dlg;
    struct Case {
        const char* text;
        int i;
        bool iOver;
        double d;
        bool dOver;
    };
    const Case cases[] = {
        {"  12abc", 12, false, 12.0, false},
        {"abc", 0, false, 0.0, false},
        {"", 0, false, 0.0, false},
        {"-7", -7, false, -7.0, false},
        {"0x1A", 0, false, 0.0, false},
        {"1e3", 1, false, 1000.0, false},
        {"inf", 0, false, 0.0, false},
        {"nan", 0, false, 0.0, false},
        {"1,5", 1, false, 1.0, false},  // never a decimal comma
        {"99999999999", 2147483647, true, 99999999999.0, false},
        {"-99999999999", -2147483647 - 1, true, -99999999999.0, false},
        {"1e400", 1, false, HUGE_VAL, true},
        {"1e-400", 1, false, 0.0, false},
    };
    for (const Case& c : cases) {
        dlg.SetItemText(101, QString::fromUtf8(c.text));
        bool over = false;
        EXPECT_EQ(dlg.ItemInt(101, &over), c.i) << c.text;
        EXPECT_EQ(over, c.iOver) << c.text;
        EXPECT_EQ(dlg.ItemReal(101, &over), c.d) << c.text;
        EXPECT_EQ(over, c.dOver) << c.text;
    }
    dlg.SetItemInt(101, -42);
    EXPECT_EQ(dlg.ItemText(101), QStringLiteral("-42"));
    const std::pair<double, const char*> shown[] = {
        {0.1, "0.1"}, {1e20, "1e+20"}, {-2.5e-7, "-2.5e-07"}, {1.0 / 3, "0.333333333333333"},
        {HUGE_VAL, "+INF"}};
    for (const auto& [v, want] : shown) {
        dlg.SetItemReal(101, v);
        EXPECT_EQ(dlg.ItemText(101), QString::fromUtf8(want)) << want;
    }
}

TEST(DialogKit, DocumentTextIsCp932AtTheWidgetEdge) {
    SampleDialog dlg;
    const std::string sjis = "\x83\x65\x83\x58\x83\x67";  // テスト in CP932
    dlg.SetItemDocText(101, sjis);
    EXPECT_EQ(dlg.ItemText(101), QStringLiteral("テスト"));
    EXPECT_EQ(dlg.ItemDocText(101), sjis);
    // A character CP932 lacks becomes "?", as in a code-page edit control.
    dlg.SetItemText(101, QStringLiteral("a€b"));
    EXPECT_EQ(dlg.ItemDocText(101), "a?b");
    std::string out = "kept";
    EXPECT_FALSE(kv::ToDocExact(QStringLiteral("€"), &out));
    EXPECT_EQ(out, "kept");
    // Invalid stored bytes still show.
    dlg.SetItemDocText(101, std::string("ok\x81", 3));
    EXPECT_TRUE(dlg.ItemText(101).startsWith(QStringLiteral("ok")));
    dlg.SetCaptionDoc(sjis);
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("テスト"));
    EXPECT_EQ(kv::FileNameWithExt("D:\\data\\run1.dat"), "run1.dat");
    EXPECT_EQ(kv::FileNameWithExt("/home/u/x.csv"), "x.csv");
    // 0x5C as the second byte of a double-byte character is no separator: "表.dat".
    EXPECT_EQ(kv::FileNameWithExt("C:\\d\\\x95\x5C.dat"), "\x95\x5C.dat");
}

TEST(DialogKit, TypingStopsAtTheLimitButProgramTextStaysWhole) {
    SampleDialog dlg;
    auto* edit = dlg.Control<PEdit>(101);
    kvtest::TypeText(edit, QString(250, u'x'));
    kvtest::TypeText(edit, QStringLiteral("abcd"));
    EXPECT_EQ(edit->text().size(), 254);
    kvtest::TypeText(edit, QStringLiteral("y"));  // the 255th character is refused
    EXPECT_EQ(edit->text().size(), 254);
    // A double-byte character counts two: 252 + 2 fits, 253 + 2 does not.
    edit->SetText(QString(252, u'x'));
    edit->end(false);
    kvtest::TypeText(edit, QStringLiteral("表"));
    EXPECT_EQ(kv::DocLength(edit->text()), 254);
    edit->SetText(QString(253, u'x'));
    edit->end(false);
    kvtest::TypeText(edit, QStringLiteral("表"));
    EXPECT_EQ(edit->text().size(), 253);

    // Program text beyond the limit is kept and read back whole, and can be edited down.
    const QString longText(400, u'z');
    dlg.SetItemText(101, longText);
    EXPECT_EQ(dlg.ItemText(101), longText);
    edit->end(false);
    edit->backspace();
    EXPECT_EQ(dlg.ItemText(101).size(), 399);

    auto* info = dlg.Control<PMultiEdit>(140);
    const QString report = QString(1500, u'r') + QStringLiteral("\r\n") + QString(1500, u's');
    info->SetText(report);
    EXPECT_EQ(info->GetText(), report);  // CR LF outside, whole
    EXPECT_EQ(info->toPlainText().count(u'\r'), 0);
    info->clear();
    kvtest::TypeText(info, QString(1998, u'a'));
    kvtest::TypeText(info, QStringLiteral("bc"));  // room for one more of 1999
    EXPECT_EQ(info->GetText().size(), 1999);
}

TEST(DialogKit, RadioGroupsCanShowNoneTicked) {
    SampleDialog dlg;
    dlg.CheckItem(111, BF_CHECKED);
    dlg.CheckItem(112, BF_CHECKED);
    EXPECT_EQ(dlg.IsItemChecked(111), BF_UNCHECKED);  // one group: exclusive
    dlg.CheckItem(112, BF_UNCHECKED);
    for (int id : {111, 112, 113}) EXPECT_EQ(dlg.IsItemChecked(id), BF_UNCHECKED) << id;
    kvtest::Click(dlg, 113);
    EXPECT_EQ(dlg.IsItemChecked(113), BF_CHECKED);
    kvtest::Click(dlg, 111);
    EXPECT_EQ(dlg.IsItemChecked(113), BF_UNCHECKED);  // still exclusive afterwards
}

TEST(DialogKit, ComboSelectStringSearchesAfterStartAndWraps) {
    PComboBox combo;
    for (const char* s : {"25%", "50%", "100%", "125%", "Abc", "abd", "10%"}) combo.AddString(s);
    struct Case {
        int start;
        const char* prefix;
        int want;
    };
    const Case cases[] = {
        {-1, "100%", 2}, {-1, "1", 2},   {2, "1", 3},    {3, "1", 6},   {6, "1", 2},
        {-1, "ab", 4},   {4, "AB", 5},   {5, "ab", 4},   {-1, "x", CB_ERR},
        {-1, "1%", CB_ERR}, {42, "25", 0}, {-5, "50", 1}, {2, "100%", 2},  // wraps to start itself
        {-1, "", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(combo.FindString(c.start, QString::fromUtf8(c.prefix)), c.want)
            << c.start << " " << c.prefix;
    combo.SetSelIndex(1);
    EXPECT_EQ(combo.SelectString(-1, "x"), CB_ERR);
    EXPECT_EQ(combo.GetSelIndex(), 1);  // unchanged when nothing matches
    EXPECT_EQ(combo.SelectString(-1, "12"), 3);
    EXPECT_EQ(combo.GetSelIndex(), 3);
    EXPECT_EQ(combo.SetSelIndex(-1), -1);
    EXPECT_EQ(combo.GetSelIndex(), CB_ERR);
    EXPECT_EQ(combo.SetSelIndex(99), CB_ERR);

    PComboBox edit;
    edit.setEditable(true);
    edit.AddString("75%");
    edit.SetText("120%");
    EXPECT_EQ(edit.GetText(), QStringLiteral("120%"));
    edit.AddString("80%");  // adding lines keeps the field
    EXPECT_EQ(edit.GetText(), QStringLiteral("120%"));
    EXPECT_EQ(edit.SelectString(-1, "75"), 0);
    EXPECT_EQ(edit.GetText(), QStringLiteral("75%"));
}

TEST(DialogKit, ComboReportsDropDownAndKillFocus) {
    SampleDialog dlg;
    std::vector<int> got;
    dlg.OnNotify(121, CBN_DROPDOWN, [&] { got.push_back(CBN_DROPDOWN); });
    dlg.OnNotify(121, CBN_KILLFOCUS, [&] { got.push_back(CBN_KILLFOCUS); });
    auto* combo = dlg.Control<PComboBox>(121);
    combo->AddString("1%");
    kvtest::RunModal(dlg, [&] {
        ASSERT_TRUE(kvtest::Activate(&dlg));
        combo->setFocus();
        combo->showPopup();
        combo->hidePopup();
        dlg.ControlWidget(101)->setFocus();
        QApplication::processEvents();
        dlg.CloseWindow(IDCANCEL);
    });
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(got.front(), CBN_DROPDOWN);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got.back(), CBN_KILLFOCUS);
}

TEST(DialogKit, ListBoxSelectionCaretAndTransfer) {
    PListBox single;
    for (const char* s : {"a", "b", "c"}) single.AddString(s);
    EXPECT_EQ(single.GetSelIndex(), LB_ERR);
    EXPECT_EQ(single.SetSelIndex(1), 1);
    EXPECT_EQ(single.GetSelIndex(), 1);
    EXPECT_EQ(single.SetSelIndex(7), LB_ERR);  // outside: nothing selected
    EXPECT_EQ(single.GetSelIndex(), LB_ERR);

    PListBox multi;
    multi.SetStyle(PListBox::Style::Extended);
    for (int i = 0; i < 6; ++i) multi.AddString(QString::number(i));
    multi.SetSel(4, true);
    multi.SetSel(1, true);
    multi.SetSel(3, true);
    EXPECT_EQ(multi.GetSelIndexes(), (std::vector<int>{1, 3, 4}));
    EXPECT_EQ(multi.GetSelIndexes(2), (std::vector<int>{1, 3}));
    EXPECT_EQ(multi.GetSelCount(), 3);
    EXPECT_EQ(multi.SetSel(6, true), LB_ERR);
    EXPECT_EQ(multi.SetCaretIndex(5), 0);
    EXPECT_EQ(multi.GetCaretIndex(), 5);
    EXPECT_EQ(multi.SetCaretIndex(6), LB_ERR);  // past the last line: refused
    EXPECT_EQ(multi.GetCaretIndex(), 5);
    EXPECT_EQ(multi.GetSelIndexes(), (std::vector<int>{1, 3, 4}));  // the caret selects nothing
    multi.SetSel(-1, false);
    EXPECT_EQ(multi.GetSelCount(), 0);
    EXPECT_EQ(multi.DeleteString(0), 5);
    EXPECT_EQ(multi.DeleteString(5), LB_ERR);

    TListBoxData data;
    data.Strings = {"x", "y", "z"};
    data.SelIndices = {2, 0};
    PListBox target;
    target.SetStyle(PListBox::Style::Multiple);
    data.ToList(target);
    TListBoxData back;
    back.FromList(target);
    EXPECT_EQ(back.Strings, data.Strings);
    EXPECT_EQ(back.SelIndices, (std::vector<int>{0, 2}));
}

TEST(DialogKit, TheDefaultButtonQuestion) {
    SampleDialog dlg;
    kv::ScriptedMessageBoxes boxes({IDCANCEL, IDOK});
    EXPECT_FALSE(kv::ConfirmSaveAsDefault(&dlg));
    EXPECT_TRUE(kv::ConfirmSaveAsDefault(&dlg));
    ASSERT_EQ(boxes.Shown().size(), 2u);
    EXPECT_EQ(boxes.Shown()[0].text, "このスタイルをデフォルトのスタイルとして保存しますか?");
    EXPECT_EQ(boxes.Shown()[0].caption, "CAUTION");
    EXPECT_EQ(boxes.Shown()[0].flags, MB_OKCANCEL | MB_ICONQUESTION);
    EXPECT_EQ(boxes.Shown()[0].owner, &dlg);
}

}  // namespace

// Pasting from a source that holds no text (nothing owns the clipboard, or it
// holds something else) inserts nothing in the program's multi-line fields, by
// every route: the keys, the context menu and a drop; text still goes in.
TEST(DialogKit, PastingWithoutTextInsertsNothingInTheMultiLineFields) {
    TText text;
    text.String = "A";
    std::string info = "A";
    TTextDialog textDialog(nullptr, &text, nullptr, nullptr);
    TInfoDialog infoDialog(nullptr, &info);
    ASSERT_TRUE(textDialog.Create());
    ASSERT_TRUE(infoDialog.Create());
    QClipboard* clipboard = QGuiApplication::clipboard();
    auto sources = [] {
        std::vector<QMimeData*> v{new QMimeData, new QMimeData};
        v[1]->setData(QStringLiteral("application/x-korvida-test"), QByteArray("x"));
        return v;
    };
    for (PDialog* dlg : {static_cast<PDialog*>(&textDialog), static_cast<PDialog*>(&infoDialog)}) {
        auto* edit = dlg->Control<PMultiEdit>(101);
        ASSERT_NE(edit, nullptr);
        for (QMimeData* source : sources()) {
            const std::unique_ptr<QMimeData> dropped(source);
            auto* held = new QMimeData;
            for (const QString& f : source->formats()) held->setData(f, source->data(f));
            clipboard->setMimeData(held);  // the clipboard owns it
            edit->SetText(QStringLiteral("A"));
            edit->moveCursor(QTextCursor::End);
            kvtest::PressKey(edit, Qt::Key_V, Qt::ControlModifier);
            kvtest::PressKey(edit, Qt::Key_Insert, Qt::ShiftModifier);
            edit->paste();
            const std::unique_ptr<QMenu> menu(edit->createStandardContextMenu());
            for (QAction* a : menu->actions())
                if (a->objectName() == QStringLiteral("edit-paste")) a->trigger();
            QDropEvent drop(QPointF(2, 2), Qt::CopyAction, source, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(edit->viewport(), &drop);
            EXPECT_EQ(edit->GetText(), QStringLiteral("A")) << source->formats().join(u' ').toStdString();
        }
        // Text is pasted as before, line ends as the edit keeps them.
        clipboard->setText(QStringLiteral("b\r\nc"));
        edit->moveCursor(QTextCursor::End);
        kvtest::PressKey(edit, Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(edit->GetText(), QStringLiteral("Ab\r\nc"));
    }
    clipboard->clear();
}
