// The real message box and file dialog behind the platform services.

#include "dialogs/kit/qtservices.h"
#include "dialogs/support/driver.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>

namespace {

struct BoxSeen {
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QList<QMessageBox::StandardButton> buttons;
    QMessageBox::StandardButton def = QMessageBox::NoButton;
    QMessageBox::StandardButton escape = QMessageBox::NoButton;
};

// Shows a box through the service; act runs on it once it is open.
int ShowBox(unsigned flags, const char* caption, BoxSeen* seen,
            std::function<void(QMessageBox*)> act) {
    kvtest::OnNextModal([=](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        seen->title = box->windowTitle();
        seen->text = box->text();
        seen->icon = box->icon();
        for (QAbstractButton* b : box->buttons()) seen->buttons << box->standardButton(b);
        seen->def = box->defaultButton() ? box->standardButton(box->defaultButton())
                                         : QMessageBox::NoButton;
        seen->escape = box->escapeButton() ? box->standardButton(box->escapeButton())
                                           : QMessageBox::NoButton;
        act(box);
    });
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] {
        ADD_FAILURE() << "message box still open";
        if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) d->done(0);
    });
    watchdog.start(5000);
    return kv::MessageBox(nullptr, "本文\n二行目", caption, flags);
}

}  // namespace

TEST(QtMessageBoxService, IconsButtonsDefaultsAndAnswers) {
    kv::MessageBoxHandler before = kv::SetMessageBoxHandler(kv::QtMessageBox);
    using B = QMessageBox;
    struct Case {
        unsigned flags;
        QMessageBox::Icon icon;
        QList<B::StandardButton> buttons;
        B::StandardButton def, escape, press;
        int answer;
    };
    const Case cases[] = {
        {MB_OK | MB_ICONSTOP, B::Critical, {B::Ok}, B::Ok, B::Ok, B::Ok, IDOK},
        {MB_OKCANCEL | MB_ICONQUESTION, B::Question, {B::Ok, B::Cancel}, B::Ok, B::Cancel,
         B::Cancel, IDCANCEL},
        {MB_YESNO | MB_ICONEXCLAMATION, B::Warning, {B::Yes, B::No}, B::Yes, B::NoButton, B::No,
         IDNO},
        {MB_YESNOCANCEL | MB_DEFBUTTON3, B::NoIcon, {B::Yes, B::No, B::Cancel}, B::Cancel,
         B::Cancel, B::Yes, IDYES},
        {MB_OK | MB_ICONINFORMATION, B::Information, {B::Ok}, B::Ok, B::Ok, B::Ok, IDOK},
    };
    for (const Case& c : cases) {
        BoxSeen seen;
        const int answer = ShowBox(c.flags, nullptr, &seen, [&](QMessageBox* box) {
            box->button(c.press)->click();
        });
        EXPECT_EQ(answer, c.answer) << c.flags;
        EXPECT_EQ(seen.title, QStringLiteral("korvida")) << c.flags;
        EXPECT_EQ(seen.text, QStringLiteral("本文\n二行目"));
        EXPECT_EQ(seen.icon, c.icon) << c.flags;
        std::sort(seen.buttons.begin(), seen.buttons.end());
        QList<B::StandardButton> want = c.buttons;
        std::sort(want.begin(), want.end());
        EXPECT_EQ(seen.buttons, want) << c.flags;
        EXPECT_EQ(seen.def, c.def) << c.flags;
        EXPECT_EQ(seen.escape, c.escape) << c.flags;
    }
    // A caption of the program's own, and Escape on a box with Cancel.
    BoxSeen seen;
    const int answer = ShowBox(MB_OKCANCEL | MB_ICONQUESTION, "CAUTION", &seen, [](QMessageBox* box) {
        QTest::keyClick(box, Qt::Key_Escape);
    });
    EXPECT_EQ(seen.title, QStringLiteral("CAUTION"));
    EXPECT_EQ(answer, IDCANCEL);
    kv::SetMessageBoxHandler(std::move(before));
}

TEST(QtFileDialogService, FiltersIndexTitleAndTheChosenFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const char* name : {"a.dat", "b.txt"}) {
        QFile f(dir.filePath(QString::fromUtf8(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("1 2\n");
    }
    kv::FileDialogRequest request;
    request.title = "数値ﾃﾞｰﾀのｵｰﾌﾟﾝ";
    request.filters = {{"(*.dat)", "*.dat"}, {"(*.*)", "*.*"}, {"(*.txt)", "*.txt"}};
    request.filterIndex = 3;
    request.initialDir = dir.path().toStdString();
    request.defExt = ".";
    request.flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_EXPLORER;

    QString title, filter;
    QStringList filters;
    kvtest::OnNextModal([&](QWidget* w) {
        auto* dlg = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(dlg, nullptr);
        title = dlg->windowTitle();
        filters = dlg->nameFilters();
        filter = dlg->selectedNameFilter();
        auto* name = dlg->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        name->setText(QStringLiteral("b.txt"));
        QTest::keyClick(name, Qt::Key_Return);
    });
    kv::FileDialogResult r = kv::QtFileDialog(request);
    EXPECT_EQ(title, QStringLiteral("数値ﾃﾞｰﾀのｵｰﾌﾟﾝ"));
    EXPECT_EQ(filters, (QStringList{"(*.dat) (*.dat)", "(*.*) (*.*)", "(*.txt) (*.txt)"}));
    EXPECT_TRUE(filter.startsWith(QStringLiteral("(*.txt)"))) << filter.toStdString();
    ASSERT_TRUE(r.chosen);
    ASSERT_EQ(r.files.size(), 1u);
    EXPECT_EQ(QDir::cleanPath(QString::fromStdString(r.files[0])), QDir::cleanPath(dir.filePath("b.txt")));
    EXPECT_EQ(r.filterIndex, 3);

    // Cancelled: nothing chosen and no error.
    kvtest::OnNextModal([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
    request.filterIndex = 0;
    r = kv::QtFileDialog(request);
    EXPECT_FALSE(r.chosen);
    EXPECT_EQ(r.error, 0u);
    EXPECT_TRUE(r.files.empty());
}
