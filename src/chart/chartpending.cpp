// Members of the page view whose work is not in the program yet. Each keeps its
// call site in Paint; its body is replaced when its code lands.

#include "chart/chartwindow.h"

// The page header and footer: the file name or the date at the head and foot of
// the printable area.
void TChartWindow::DrawHeaderFooter(TDC&) {}
