// The real message box and file dialog behind the platform services.

#include "dialogs/kit/qtservices.h"
#include "dialogs/support/driver.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QListView>
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

namespace {

// Points at folder `name` in an open chooser and tries every way the chooser
// offers to delete or rename it, answering Yes to any question: the Delete key
// in the list and in the detail view, the context menu's commands (triggered even
// when greyed), and editing the name in place. Reports what it could reach.
void TryToDeleteAndRename(QFileDialog* dlg, const QString& name) {
    auto* list = dlg->findChild<QListView*>(QStringLiteral("listView"));
    ASSERT_NE(list, nullptr);
    auto* model = qobject_cast<QFileSystemModel*>(list->model());
    ASSERT_NE(model, nullptr);
    const QString path = QDir(dlg->directory()).filePath(name);
    QModelIndex index;
    for (int i = 0; i < 200 && !(index = model->index(path)).isValid(); ++i) QTest::qWait(10);
    ASSERT_TRUE(index.isValid()) << path.toStdString();
    EXPECT_FALSE(model->flags(index) & Qt::ItemIsEditable);
    EXPECT_FALSE(model->flags(index.parent()) & Qt::ItemIsDropEnabled);  // no moving in by drag
    kvtest::Activate(dlg);

    auto answerYes = [] {
        kvtest::OnNextModal(
            [](QWidget* w) {
                if (auto* box = qobject_cast<QMessageBox*>(w)) {
                    ADD_FAILURE() << "the chooser asked: " << box->text().toStdString();
                    if (QAbstractButton* yes = box->button(QMessageBox::Yes)) yes->click();
                }
            },
            500);
    };
    auto* tree = dlg->findChild<QAbstractItemView*>(QStringLiteral("treeView"));
    for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(list), tree}) {
        if (!view) continue;
        view->setCurrentIndex(index);
        view->selectionModel()->select(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        answerYes();
        QTest::keyClick(view, Qt::Key_Delete);
        QTest::qWait(30);
        view->edit(index);  // F2 and the rename command end here
        EXPECT_TRUE(view->viewport()->findChildren<QLineEdit*>().isEmpty()) << "name editable";
    }
    list->setCurrentIndex(index);
    for (const char* command : {"qt_delete_action", "qt_rename_action"}) {
        auto* action = dlg->findChild<QAction*>(QString::fromLatin1(command));
        if (!action) continue;
        EXPECT_FALSE(action->isEnabled()) << command;
        answerYes();
        action->setEnabled(true);  // as the context menu would when it may
        action->trigger();
        QTest::qWait(30);
    }
    EXPECT_TRUE(list->viewport()->findChildren<QLineEdit*>().isEmpty()) << "name editable";
}

}  // namespace

// A chooser chooses: nothing the user points at in it can be deleted or renamed,
// in any of the choosers the program opens.
TEST(QtFileDialogService, ChoosersNeitherDeleteNorRename) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("keep/inner")));
    QFile inner(dir.filePath(QStringLiteral("keep/inner/data.dat")));
    ASSERT_TRUE(inner.open(QIODevice::WriteOnly));
    inner.write("1 2\n");
    inner.close();
    QFile file(dir.filePath(QStringLiteral("graph.kv3")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();

    auto tryOn = [&](const QString& name) {
        kvtest::OnNextModal([name](QWidget* w) {
            auto* dlg = qobject_cast<QFileDialog*>(w);
            ASSERT_NE(dlg, nullptr);
            EXPECT_TRUE(dlg->testOption(QFileDialog::ReadOnly));
            TryToDeleteAndRename(dlg, name);
            dlg->reject();
        });
    };
    kv::FileDialogRequest request;
    request.initialDir = dir.path().toStdString();
    request.filters = {{"(*.*)", "*"}};
    const DWORD kinds[] = {OFN_FILEMUSTEXIST, OFN_FILEMUSTEXIST | OFN_ALLOWMULTISELECT, OFN_OVERWRITEPROMPT};
    for (DWORD flags : kinds) {
        request.kind = flags & OFN_OVERWRITEPROMPT ? kv::FileDialogKind::Save : kv::FileDialogKind::Open;
        request.flags = flags | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST;
        for (const char* name : {"keep", "graph.kv3"}) {
            tryOn(QString::fromLatin1(name));
            EXPECT_FALSE(kv::QtFileDialog(request).chosen);
        }
    }
    kv::FolderDialogRequest folders;
    folders.initialDir = dir.path().toStdString();
    tryOn(QStringLiteral("keep"));
    EXPECT_FALSE(kv::QtFolderDialog(folders).chosen);

    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("keep/inner/data.dat"))));
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("graph.kv3"))));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(), 2);

    // They still choose: a new name to save under, and a folder.
    auto typeAndAccept = [](const QString& text) {
        kvtest::OnNextModal([text](QWidget* w) {
            auto* name = w->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            ASSERT_NE(name, nullptr);
            name->setText(text);
            QTest::keyClick(name, Qt::Key_Return);
        });
    };
    request.kind = kv::FileDialogKind::Save;
    request.flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST;
    typeAndAccept(QStringLiteral("new.kv3"));
    kv::FileDialogResult saved = kv::QtFileDialog(request);
    ASSERT_TRUE(saved.chosen);
    EXPECT_EQ(QString::fromStdString(saved.files.at(0)), dir.filePath(QStringLiteral("new.kv3")));
    typeAndAccept(QStringLiteral("keep"));
    kv::FolderDialogResult folder = kv::QtFolderDialog(folders);
    ASSERT_TRUE(folder.chosen);
    EXPECT_EQ(QDir::cleanPath(QString::fromStdString(folder.folder)), dir.filePath(QStringLiteral("keep")));
}
