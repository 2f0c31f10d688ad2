#pragma once
// How one series' data file is read: columns for X, Y, error bars and parameters,
// first and last line, row step, comment lines, how the file is found; with a
// preview of the file's first 100 lines and a change of file.
//
// Built on the series whose settings it edits (or on a scratch series: the reload
// commands hand it a copy). OK stores each value as soon as it passes its check,
// so a failed check leaves the values before it stored; the search-method buttons
// store their value at once. A series made in memory (IsFileData other than 1) is
// refused at set-up with IDCANCEL.

#include "dialogs/kit/controls.h"
#include "dialogs/kit/pdialog.h"
#include "platform/wintypes.h"

class TPlot;

// The filter index of the change of file, kept for the run (0 at start: the first
// filter).
extern int DataReadFilterIndex;

class TDataReadDialog : public PDialog {
    Q_OBJECT
public:
    // items: the twelve ReloadItems switches (an entry 0 disables its controls), or
    // null.
    TDataReadDialog(QWidget* parent, TPlot* plot, const BYTE* items = nullptr);

    // The dialog's own copy of the series' file path (CP932), stored on OK.
    const char* GetFilePath() const { return FilePath; }

protected:
    void SetupWindow() override;
    void CmOk() override;

private:
    // Fills the preview from the file the reader would open; false when it could
    // not (memory data, or the file does not open).
    bool PreviewFile();
    void EvPreviewSelChange();
    void CmFullPath() { SetSearchMethod(0); }
    void CmDataDrivePath() { SetSearchMethod(1); }
    void CmCurrentDirectory() { SetSearchMethod(2); }
    void SetSearchMethod(int method);
    void CmChangeFile();
    void Fail(int stringId);

    TPlot* Plot;
    const BYTE* Items;
    char FilePath[MAX_PATH] = {};
    PListBox* Preview;
};
