#pragma once
// What the dialogs need of the window that runs them (the page view): the open
// document with its current axis set and modified flag, the default styles that
// the "ﾃﾞﾌｫﾙﾄ" buttons replace, the program's settings that the option and
// header-footer dialogs edit, the selected series, the non-linear fit's work
// columns, and the few window steps a command ends with. The page view implements
// it; the dialogs know nothing else of the window, so they sit below it.

#include "fitting/fitcolumns.h"

class BoxFrame;
struct ChartSettings;
class DefaultStyles;
class QWidget;
struct GraphDocument;

namespace kv {

class DialogHost {
public:
    virtual ~DialogHost() = default;

    // The window that owns the dialogs and their messages.
    virtual QWidget* HostWindow() = 0;
    virtual GraphDocument& HostDocument() = 0;
    virtual DefaultStyles& HostDefaults() = 0;
    virtual ChartSettings& HostSettings() = 0;
    // The series of the current axis set that the series commands act on (from 1;
    // 0 or a number the set lacks: none).
    virtual int HostSelectedSeries() const = 0;
    virtual FitColumnSet& HostFitColumns() = 0;

    // The data drive (a letter and a colon) for the settings and the data-file
    // reader.
    virtual void HostSetDataDrive(const char* drive) = 0;
    // The read-out formats again after the read-out precision changed.
    virtual void HostSetReadoutFormat() = 0;
    // The numeric labels of the set's axes that label themselves, built again.
    virtual void HostUpdateAxisLabels(BoxFrame* set) = 0;
    // The whole page drawn again.
    virtual void HostRepaint() = 0;
};

// The host a dialog works for: the first host among from and its parents. The host
// hands itself to the dialogs it runs as their parent (HostWindow()), and a dialog
// opened from another one has that one as parent, so it finds the same host; a
// dialog run without a host among its parents has none (null), even when some
// window of the program holds one.
DialogHost* FindDialogHost(const QWidget* from);

// For a dialog that has just changed an axis set's stored content on its own
// (the user constants and functions, which other dialogs open from their "C" and
// "F" buttons whatever their own outcome): marks modified the graph of the host
// found as above, when it holds that axis set.
void MarkAxisSetModified(const QWidget* from, const BoxFrame* set);

}  // namespace kv
