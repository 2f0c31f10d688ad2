#pragma once
// The export dialog and the export command (File > Export, command 133).
//
// The dialog lists the two fixed ways of exporting and the filters of
// "filter.ini" beside the program, lets the user register (Add) and remove
// (Delete) filters, and names the output file. OK keeps the choice for the run of
// the program in the Last* variables below, where the command reads it and the
// next opening finds it. filter.ini is rewritten by Add, Delete and OK.

#include "dialogs/kit/controls.h"
#include "dialogs/kit/pdialog.h"
#include "render/filterlist.h"
#include "render/pageexport.h"

#include <string>
#include <vector>

namespace kv {
class DialogHost;
}

// The export choice of the run (UTF-8; names are kept whole, however long).
extern int LastFilterIndex;           // list position chosen at the last OK (0)
extern int LastFilterType;            // its FilterEntryType (FilterWindowsMetafile)
extern std::string LastFilterProgram;  // controls 102, 103, 104 at the last OK
extern std::string LastFilterOption;
extern std::string LastOutputFile;
extern std::string ExportBrowseFileName;  // the browse dialog's last name

class TFilterDialog : public PDialog {
    Q_OBJECT
public:
    // appDirectory: where filter.ini lives (the program's directory).
    TFilterDialog(QWidget* parent, const std::string& appDirectory);
    ~TFilterDialog() override;

    const std::vector<FilterEntry>& Filters() const { return FilterList; }

protected:
    void SetupWindow() override;
    void CmOk() override;

private:
    void EvFilterSelChange();
    void CmAdd();
    void CmDelete();
    void CmBrowse();
    void FillFilterList();
    void ShowEntry(int i);
    int ReadFilterIni();
    int WriteFilterIni();
    // The entry the combo box stands for: its selected line while the edit field
    // shows that line's name, else the first entry of the typed name; -1 for none.
    int ChosenEntry() const;

    std::string FilterIni;
    std::vector<FilterEntry> FilterList;
    PComboBox* Filter = nullptr;
};

// The page of the host's document, drawn as the page view draws it (DrawGraph
// over its axis sets), with the settings' WMF margin; messages owned by the host's
// window.
ExportPage MakeChartExportPage(kv::DialogHost* host, int graphFileVersion = 1340);

// Command 133: runs the export dialog over the host's window and, after OK, the
// writer the choice names (the filter with "-o" and the output file, then the
// option). Returns the writer's result; 0 when the dialog was cancelled.
int RunFileExport(kv::DialogHost* host, const std::string& appDirectory,
                  int graphFileVersion = 1340);
