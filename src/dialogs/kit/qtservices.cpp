#include "dialogs/kit/qtservices.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace kv {

namespace {

// Qt's file dialog can delete (recursively, folders included) and rename what
// the user points at; a chooser of this program only chooses. Its read-only mode
// takes those commands away, together with moving files by drag and Qt's new
// folder, which works by renaming a folder in place.
constexpr QFileDialog::Options kChooserOptions = QFileDialog::DontUseNativeDialog | QFileDialog::ReadOnly;

// Makes every file dialog read-only as it shows, also those that Qt opens itself
// (the print dialog's output file).
class ReadOnlyChoosers : public QObject {
public:
    static constexpr const char* kName = "ReadOnlyChoosers";
    explicit ReadOnlyChoosers(QObject* parent) : QObject(parent) { setObjectName(QLatin1String(kName)); }

protected:
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::Show)
            if (auto* chooser = qobject_cast<QFileDialog*>(o)) chooser->setOption(QFileDialog::ReadOnly, true);
        return false;
    }
};

QWidget* ActiveOwner() {
    if (QWidget* w = QApplication::activeModalWidget()) return w;
    return QApplication::activeWindow();
}

struct ButtonSet {
    QMessageBox::StandardButton buttons[3];
    int ids[3];
    int count;
    int escape;  // index into buttons, -1 for none
};

ButtonSet ButtonsOf(unsigned flags) {
    using B = QMessageBox;
    switch (flags & MB_TYPEMASK) {
    case MB_OKCANCEL: return {{B::Ok, B::Cancel}, {IDOK, IDCANCEL}, 2, 1};
    case MB_ABORTRETRYIGNORE:
        return {{B::Abort, B::Retry, B::Ignore}, {IDABORT, IDRETRY, IDIGNORE}, 3, -1};
    case MB_YESNOCANCEL: return {{B::Yes, B::No, B::Cancel}, {IDYES, IDNO, IDCANCEL}, 3, 2};
    case MB_YESNO: return {{B::Yes, B::No}, {IDYES, IDNO}, 2, -1};
    case MB_RETRYCANCEL: return {{B::Retry, B::Cancel}, {IDRETRY, IDCANCEL}, 2, 1};
    default: return {{B::Ok}, {IDOK}, 1, 0};
    }
}

QMessageBox::Icon IconOf(unsigned flags) {
    switch (flags & MB_ICONMASK) {
    case MB_ICONSTOP: return QMessageBox::Critical;
    case MB_ICONQUESTION: return QMessageBox::Question;
    case MB_ICONEXCLAMATION: return QMessageBox::Warning;
    case MB_ICONINFORMATION: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

// "(*.dat)" with "*.dat;*.txt" -> "(*.dat) (*.dat *.txt)", the form QFileDialog
// reads its patterns from.
QString NameFilter(const FileFilter& f) {
    QString patterns = QString::fromStdString(f.pattern);
    patterns.replace(u';', u' ');
    return QString::fromStdString(f.description) + QStringLiteral(" (") + patterns.simplified() +
           u')';
}

}  // namespace

int QtMessageBox(const MessageBoxRequest& request) {
    QMessageBox box(ActiveOwner());
    box.setWindowTitle(QString::fromStdString(request.caption));
    box.setText(QString::fromStdString(request.text));
    box.setTextFormat(Qt::PlainText);
    box.setIcon(IconOf(request.flags));
    const ButtonSet set = ButtonsOf(request.flags);
    QPushButton* made[3] = {};
    for (int i = 0; i < set.count; ++i) made[i] = box.addButton(set.buttons[i]);
    const unsigned def = request.flags & MB_DEFMASK;
    const int which = def == MB_DEFBUTTON2 ? 1 : def == MB_DEFBUTTON3 ? 2 : 0;
    box.setDefaultButton(made[which < set.count ? which : 0]);
    if (set.escape >= 0) box.setEscapeButton(made[set.escape]);
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    for (int i = 0; i < set.count; ++i)
        if (clicked == made[i]) return set.ids[i];
    // Closed without a button: what Escape would have answered, else the default.
    return set.escape >= 0 ? set.ids[set.escape] : set.ids[which < set.count ? which : 0];
}

FileDialogResult QtFileDialog(const FileDialogRequest& request) {
    QFileDialog dlg(ActiveOwner());
    dlg.setOptions(kChooserOptions | QFileDialog::HideNameFilterDetails);
    if (!request.title.empty()) dlg.setWindowTitle(QString::fromStdString(request.title));
    const bool save = request.kind == FileDialogKind::Save;
    dlg.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    if (save)
        dlg.setFileMode(QFileDialog::AnyFile);
    else if (request.flags & OFN_ALLOWMULTISELECT)
        dlg.setFileMode(QFileDialog::ExistingFiles);
    else if (request.flags & OFN_FILEMUSTEXIST)
        dlg.setFileMode(QFileDialog::ExistingFile);
    else
        dlg.setFileMode(QFileDialog::AnyFile);
    if (save && !(request.flags & OFN_OVERWRITEPROMPT))
        dlg.setOption(QFileDialog::DontConfirmOverwrite, true);

    QStringList filters;
    for (const FileFilter& f : request.filters) filters << NameFilter(f);
    if (!filters.isEmpty()) {
        dlg.setNameFilters(filters);
        const int index = request.filterIndex >= 1 && request.filterIndex <= int(filters.size())
                              ? request.filterIndex
                              : 1;
        dlg.selectNameFilter(filters[index - 1]);
    }
    // "." or "" adds nothing (QFileDialog drops a leading dot).
    dlg.setDefaultSuffix(QString::fromStdString(request.defExt));
    if (!request.initialDir.empty()) dlg.setDirectory(QString::fromStdString(request.initialDir));
    if (!request.fileName.empty()) dlg.selectFile(QString::fromStdString(request.fileName));

    FileDialogResult result;
    if (dlg.exec() != QDialog::Accepted) return result;  // cancelled: error 0
    for (const QString& f : dlg.selectedFiles()) result.files.push_back(f.toStdString());
    if (result.files.empty()) return result;
    result.chosen = true;
    // With the details hidden the dialog reports the description alone.
    const QString selected = dlg.selectedNameFilter();
    result.filterIndex = 1;
    for (int i = 0; i < int(filters.size()); ++i) {
        if (filters[i] == selected ||
            QString::fromStdString(request.filters[i].description) == selected) {
            result.filterIndex = i + 1;
            break;
        }
    }
    return result;
}

FolderDialogResult QtFolderDialog(const FolderDialogRequest& request) {
    QFileDialog dlg(ActiveOwner(), QString::fromStdString(request.title),
                    QString::fromStdString(request.initialDir));
    dlg.setFileMode(QFileDialog::Directory);
    dlg.setOptions(kChooserOptions | QFileDialog::ShowDirsOnly);
    FolderDialogResult result;
    if (dlg.exec() != QDialog::Accepted) return result;  // cancelled
    const QStringList chosen = dlg.selectedFiles();
    if (chosen.isEmpty() || chosen.front().isEmpty()) return result;
    result.chosen = true;
    result.folder = chosen.front().toStdString();
    return result;
}

void InstallQtDialogServices() {
    // Qt's own widgets everywhere, so that no chooser of the desktop's, with
    // commands of its own, comes up behind Qt's dialogs (the print dialog's).
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs, true);
    if (qApp && !qApp->findChild<QObject*>(QLatin1String(ReadOnlyChoosers::kName), Qt::FindDirectChildrenOnly))
        qApp->installEventFilter(new ReadOnlyChoosers(qApp));
    SetMessageBoxHandler(QtMessageBox);
    SetFileDialogHandler(QtFileDialog);
    SetFolderDialogHandler(QtFolderDialog);
}

}  // namespace kv
