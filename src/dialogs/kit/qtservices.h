#pragma once
// The real dialogs behind the platform's message-box and file-dialog services.
// The application calls InstallQtDialogServices() once at start-up, after the
// QApplication exists; tests install scripted answerers instead.

#include "platform/filedialog.h"
#include "platform/folderdialog.h"
#include "platform/messagebox.h"

namespace kv {

// Installs the handlers below, and makes every file dialog that Qt itself opens
// (the print dialog's output file) read-only too and of Qt's own widgets.
void InstallQtDialogServices();

// A QMessageBox over the active modal dialog (or the active window): the stop icon
// shows as Critical, question as Question, exclamation as Warning, information as
// Information, none as NoIcon; the button sets OK, OK/Cancel, Yes/No,
// Yes/No/Cancel, Abort/Retry/Ignore and Retry/Cancel with MB_DEFBUTTON2/3; the
// caption is the request's (the application name when the program gave none).
// Escape answers Cancel where the set has it, OK for OK alone, and nothing for
// Yes/No and Abort/Retry/Ignore, as the system's boxes do.
int QtMessageBox(const MessageBoxRequest& request);

// A QFileDialog (Qt's own widgets, not the desktop's, so it behaves the same
// everywhere), read-only: nothing shown in it can be deleted, renamed or moved,
// and no new folder made. Filters as "description (patterns)" showing the description only,
// the 1-based filter index in and out, the title, the default extension, existing
// files only with OFN_FILEMUSTEXIST, several with OFN_ALLOWMULTISELECT, an
// overwrite question only with OFN_OVERWRITEPROMPT. Cancel gives error 0.
FileDialogResult QtFileDialog(const FileDialogRequest& request);

// A read-only QFileDialog of Qt's own widgets choosing one folder, folders only,
// starting at the request's folder; the title is the request's. Cancel gives
// "not chosen".
FolderDialogResult QtFolderDialog(const FolderDialogRequest& request);

}  // namespace kv
