// The page view's command table: every command id of the page menus, keys and
// bar buttons that the page view answers. An entry without a handler is a command
// whose work is not in the program yet: it is shown disabled and runs nothing.
// Each such entry names the handler that will take it.

#include "chart/chartwindow.h"

using Entry = kv::win::TCommandEntry<TChartWindow>;

namespace {

const Entry kCommands[] = {
    {CM_AXISFRAME, &TChartWindow::CmAxisFrame, nullptr},  // Ctrl+F
    {CM_XAXIS, &TChartWindow::CmXAxis, nullptr},          // Ctrl+X
    {CM_YAXIS, &TChartWindow::CmYAxis, nullptr},          // Ctrl+Y
    {CM_TOPAXIS, &TChartWindow::CmTopAxis, nullptr},      // Ctrl+T
    {CM_RIGHTAXIS, &TChartWindow::CmRightAxis, nullptr},  // Ctrl+R
    {CM_GRIDNONE, &TChartWindow::CmGridNone, nullptr},
    {CM_ZOOM25, &TChartWindow::CmZoom25, nullptr},
    {CM_ZOOM50, &TChartWindow::CmZoom50, nullptr},
    {CM_ZOOM75, &TChartWindow::CmZoom75, nullptr},
    {CM_ZOOM100, &TChartWindow::CmZoom100, nullptr},
    {CM_ZOOM150, &TChartWindow::CmZoom150, nullptr},
    {CM_ZOOM200, &TChartWindow::CmZoom200, nullptr},
    {CM_ZOOM400, &TChartWindow::CmZoom400, nullptr},
    {CM_DATAFILEOPEN, &TChartWindow::CmDataFileOpen, nullptr},  // Ctrl+D
    {CM_DATAMANAGER, nullptr, nullptr},          // CmDataManager (Ctrl+M)
    {CM_GRID5, &TChartWindow::CmGrid5, nullptr},
    {CM_GRID10, &TChartWindow::CmGrid10, nullptr},
    {CM_GRID15, &TChartWindow::CmGrid15, nullptr},
    {CM_GRID20, &TChartWindow::CmGrid20, nullptr},
    {CM_ADDAXISSET, nullptr, nullptr},           // CmAddAxisSet
    {CM_DELETEAXISSET, nullptr, nullptr},        // CmDeleteAxisSet
    {CM_CURRENTAXISSETONLY, nullptr, nullptr},   // CmCurrentAxisSetOnly
    {CM_AUTOSCALE, nullptr, nullptr},            // CmAutoScale (Ctrl+A)
    {CM_AXISBASE, nullptr, nullptr},             // CmAxisBase
    {CM_DRAFT, &TChartWindow::CmDraft, nullptr},
    {CM_FITPAPER, &TChartWindow::CmFitPaper, nullptr},  // Ctrl+P
    {CM_FITGRAPH, &TChartWindow::CmFitGraph, nullptr},  // Ctrl+G
    {CM_LINEARFIT, nullptr, nullptr},            // CmLinearFit
    {CM_NONLINEARFIT, nullptr, nullptr},         // CmNonLinearFit
    {CM_SHOWHIDE, nullptr, nullptr},             // CmShowHide (Ctrl+S)
    {CM_OPTIONS, nullptr, nullptr},              // CmOptions
    {CM_COPYTOCLIPBOARD, nullptr, nullptr},      // CmCopyToClipboard
    {CM_PAPERCOLOR, &TChartWindow::CmPaperColor, nullptr},
    {CM_HELP, &TChartWindow::CmHelp, nullptr},  // F1
    {CM_USERCONST, nullptr, nullptr},            // CmUserConst
    {CM_PASTEDATA, nullptr, nullptr},            // CmPasteData (Shift+Insert)
    {CM_USERFUNCTION, nullptr, nullptr},         // CmUserFunction
    {CM_CALCCURVE, nullptr, nullptr},            // CmCalcCurve
    {CM_EVALUATE, nullptr, nullptr},             // CmEvaluate
    {CM_MANUALREFRESH, &TChartWindow::CmManualRefresh, nullptr},
    {CM_REDRAW, &TChartWindow::CmRedraw, nullptr},  // Space
    {CM_DUPLICATEAXISSET, nullptr, nullptr},     // CmDuplicateAxisSet
    {CM_AXISSETTOTOP, nullptr, nullptr},         // CmAxisSetToTop
    {CM_AXISSETUP, nullptr, nullptr},            // CmAxisSetUp
    {CM_AXISSETDOWN, nullptr, nullptr},          // CmAxisSetDown
    {CM_AXISSETTOBOTTOM, nullptr, nullptr},      // CmAxisSetToBottom
    {CM_ZUKEISTYLE, nullptr, nullptr},           // CmZukeiStyle
    {CM_ZUKEIDUPLICATE, nullptr, nullptr},       // CmZukeiDuplicate
    {CM_ZUKEIDELETE, nullptr, nullptr},          // CmZukeiDelete
    {CM_ZUKEITOTOP, nullptr, nullptr},           // CmZukeiToTop
    {CM_ZUKEIUP, nullptr, nullptr},              // CmZukeiUp
    {CM_ZUKEIDOWN, nullptr, nullptr},            // CmZukeiDown
    {CM_ZUKEITOBOTTOM, nullptr, nullptr},        // CmZukeiToBottom
    {CM_TEXTEDIT, nullptr, nullptr},             // CmTextEdit
    {CM_TEXTDUPLICATE, nullptr, nullptr},        // CmTextDuplicate
    {CM_TEXTFONT, nullptr, nullptr},             // CmTextFont
    {CM_TEXTDELETE, nullptr, nullptr},           // CmTextDelete
    {CM_PLOTSTYLE, nullptr, nullptr},            // CmPlotStyle
    {CM_PLOTRELOAD, nullptr, nullptr},           // CmPlotReload
    {CM_PLOTTOTOP, nullptr, nullptr},            // CmPlotToTop
    {CM_PLOTUP, nullptr, nullptr},               // CmPlotUp
    {CM_PLOTDOWN, nullptr, nullptr},             // CmPlotDown
    {CM_PLOTTOBOTTOM, nullptr, nullptr},         // CmPlotToBottom
    {CM_PLOTDELETE, nullptr, nullptr},           // CmPlotDelete
    {CM_PLOTDUPLICATE, nullptr, nullptr},        // CmPlotDuplicate
    {CM_PLOTEDITOR, nullptr, nullptr},           // CmPlotEditor
    {CM_PLOTSAVETOFILE, nullptr, nullptr},       // CmPlotSaveToFile
    {CM_PLOTLINEARFIT, nullptr, nullptr},        // CmPlotLinearFit
    {CM_PLOTNONLINEARFIT, nullptr, nullptr},     // CmPlotNonLinearFit
    {CM_PLOTMASK, nullptr, nullptr},             // CmPlotMask
    {CM_PLOTINFO, nullptr, nullptr},             // CmPlotInfo
    {CM_SELECTIONDELETE, nullptr, nullptr},      // CmSelectionDelete
    {CM_SELECTIONFONT, nullptr, nullptr},        // CmSelectionFont
    {CM_SELECTIONTEXTSTYLE, nullptr, nullptr},   // CmSelectionTextStyle
    {CM_SELECTIONZUKEISTYLE, nullptr, nullptr},  // CmSelectionZukeiStyle
    {CM_NODEINSERT, nullptr, nullptr},           // CmNodeInsert
    {CM_NODEDELETE, nullptr, nullptr},           // CmNodeDelete
    {CM_HEADERFOOTER, nullptr, nullptr},         // CmHeaderFooter
    {CM_COPYSCALING, nullptr, nullptr},          // CmCopyScaling
    {CM_PASTESCALING, nullptr, nullptr},         // CmPasteScaling
};

}  // namespace

const kv::win::TCommandTable<TChartWindow>& TChartWindow::CommandTable() {
    static const kv::win::TCommandTable<TChartWindow> table(kCommands, int(std::size(kCommands)));
    return table;
}

bool TChartWindow::ProcessCommand(int id) { return CommandTable().Process(*this, id); }

bool TChartWindow::ProcessCommandEnable(kv::win::TCommandEnabler& ce) {
    return CommandTable().ProcessEnable(*this, ce);
}
