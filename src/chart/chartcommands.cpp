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
    {CM_DATAMANAGER, &TChartWindow::CmDataManager, nullptr},  // Ctrl+M
    {CM_GRID5, &TChartWindow::CmGrid5, nullptr},
    {CM_GRID10, &TChartWindow::CmGrid10, nullptr},
    {CM_GRID15, &TChartWindow::CmGrid15, nullptr},
    {CM_GRID20, &TChartWindow::CmGrid20, nullptr},
    {CM_ADDAXISSET, &TChartWindow::CmAddAxisSet, nullptr},
    {CM_DELETEAXISSET, &TChartWindow::CmDeleteAxisSet, nullptr},
    {CM_CURRENTAXISSETONLY, &TChartWindow::CmCurrentAxisSetOnly, &TChartWindow::CeCurrentAxisSetOnly},
    {CM_AUTOSCALE, &TChartWindow::CmAutoScale, nullptr},  // Ctrl+A
    {CM_AXISBASE, &TChartWindow::CmAxisBase, nullptr},
    {CM_DRAFT, &TChartWindow::CmDraft, nullptr},
    {CM_FITPAPER, &TChartWindow::CmFitPaper, nullptr},  // Ctrl+P
    {CM_FITGRAPH, &TChartWindow::CmFitGraph, nullptr},  // Ctrl+G
    {CM_LINEARFIT, &TChartWindow::CmLinearFit, nullptr},
    {CM_NONLINEARFIT, &TChartWindow::CmNonLinearFit, nullptr},
    {CM_SHOWHIDE, &TChartWindow::CmShowHide, nullptr},  // Ctrl+S
    {CM_OPTIONS, &TChartWindow::CmOptions, nullptr},
    {CM_COPYTOCLIPBOARD, &TChartWindow::CmCopyToClipboard, nullptr},
    {CM_PAPERCOLOR, &TChartWindow::CmPaperColor, nullptr},
    {CM_HELP, &TChartWindow::CmHelp, nullptr},  // F1
    {CM_USERCONST, &TChartWindow::CmUserConst, nullptr},
    {CM_PASTEDATA, &TChartWindow::CmPasteData, nullptr},  // Shift+Insert
    {CM_USERFUNCTION, &TChartWindow::CmUserFunction, nullptr},
    {CM_CALCCURVE, &TChartWindow::CmCalcCurve, nullptr},
    {CM_EVALUATE, &TChartWindow::CmEvaluate, nullptr},
    {CM_MANUALREFRESH, &TChartWindow::CmManualRefresh, nullptr},
    {CM_REDRAW, &TChartWindow::CmRedraw, nullptr},  // Space
    {CM_DUPLICATEAXISSET, &TChartWindow::CmDuplicateAxisSet, nullptr},
    {CM_AXISSETTOTOP, &TChartWindow::CmAxisSetToTop, nullptr},
    {CM_AXISSETUP, &TChartWindow::CmAxisSetUp, nullptr},
    {CM_AXISSETDOWN, &TChartWindow::CmAxisSetDown, nullptr},
    {CM_AXISSETTOBOTTOM, &TChartWindow::CmAxisSetToBottom, nullptr},
    {CM_ZUKEISTYLE, &TChartWindow::CmZukeiStyle, &TChartWindow::CeZukeiSelected},
    {CM_ZUKEIDUPLICATE, &TChartWindow::CmZukeiDuplicate, &TChartWindow::CeZukeiSelected},
    {CM_ZUKEIDELETE, &TChartWindow::CmZukeiDelete, &TChartWindow::CeZukeiSelected},
    {CM_ZUKEITOTOP, &TChartWindow::CmZukeiToTop, &TChartWindow::CeZukeiSelected},
    {CM_ZUKEIUP, &TChartWindow::CmZukeiUp, &TChartWindow::CeZukeiSelected},
    {CM_ZUKEIDOWN, &TChartWindow::CmZukeiDown, &TChartWindow::CeZukeiSelected},
    {CM_ZUKEITOBOTTOM, &TChartWindow::CmZukeiToBottom, &TChartWindow::CeZukeiSelected},
    {CM_TEXTEDIT, &TChartWindow::CmTextEdit, &TChartWindow::CeTextSelected},
    {CM_TEXTDUPLICATE, &TChartWindow::CmTextDuplicate, &TChartWindow::CeTextSelected},
    {CM_TEXTFONT, &TChartWindow::CmTextFont, &TChartWindow::CeTextSelected},
    {CM_TEXTDELETE, &TChartWindow::CmTextDelete, &TChartWindow::CeTextSelected},
    {CM_PLOTSTYLE, &TChartWindow::CmPlotStyle, &TChartWindow::CePlotSelected},
    {CM_PLOTRELOAD, &TChartWindow::CmPlotReload, &TChartWindow::CeFileSeries},
    {CM_PLOTTOTOP, &TChartWindow::CmPlotToTop, &TChartWindow::CePlotSelected},
    {CM_PLOTUP, &TChartWindow::CmPlotUp, &TChartWindow::CePlotSelected},
    {CM_PLOTDOWN, &TChartWindow::CmPlotDown, &TChartWindow::CePlotSelected},
    {CM_PLOTTOBOTTOM, &TChartWindow::CmPlotToBottom, &TChartWindow::CePlotSelected},
    {CM_PLOTDELETE, &TChartWindow::CmPlotDelete, &TChartWindow::CePlotSelected},
    {CM_PLOTDUPLICATE, &TChartWindow::CmPlotDuplicate, &TChartWindow::CePlotSelected},
    {CM_PLOTEDITOR, &TChartWindow::CmPlotEditor, &TChartWindow::CeFileSeries},
    {CM_PLOTSAVETOFILE, &TChartWindow::CmPlotSaveToFile, &TChartWindow::CeMemorySeries},
    {CM_PLOTLINEARFIT, &TChartWindow::CmPlotLinearFit, &TChartWindow::CePlotSelected},
    {CM_PLOTNONLINEARFIT, &TChartWindow::CmPlotNonLinearFit, &TChartWindow::CePlotSelected},
    {CM_PLOTMASK, &TChartWindow::CmPlotMask, &TChartWindow::CePlotSelected},
    {CM_PLOTINFO, &TChartWindow::CmPlotInfo, &TChartWindow::CePlotSelected},
    {CM_SELECTIONDELETE, &TChartWindow::CmSelectionDelete, &TChartWindow::CeMultiSelected},
    {CM_SELECTIONFONT, &TChartWindow::CmSelectionFont, &TChartWindow::CeMultiSelected},
    {CM_SELECTIONTEXTSTYLE, &TChartWindow::CmSelectionTextStyle, &TChartWindow::CeMultiSelected},
    {CM_SELECTIONZUKEISTYLE, &TChartWindow::CmSelectionZukeiStyle, &TChartWindow::CeMultiSelected},
    {CM_NODEINSERT, &TChartWindow::CmNodeInsert, &TChartWindow::CeNodeInsert},
    {CM_NODEDELETE, &TChartWindow::CmNodeDelete, &TChartWindow::CeNodeDelete},
    {CM_HEADERFOOTER, &TChartWindow::CmHeaderFooter, nullptr},
    {CM_COPYSCALING, &TChartWindow::CmCopyScaling, nullptr},
    {CM_PASTESCALING, &TChartWindow::CmPasteScaling, nullptr},
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
