#pragma once
// The program's own settings that the page view keeps for the run and the profile
// stores ("Window" and "Other" sections): the environment options and the page's
// margin texts. They belong to the program, not to the document; the option and
// header-footer dialogs edit them in place.

#include "platform/wintypes.h"

struct ChartSettings {
    // ---- Environment options.
    int HandleSizeSetting = 100;     // selection-handle size, percent of the base size
    int DataHitAlgorithm = 0;        // how a click searches a series' data points
    char DataDrive[3] = "A:";        // drive letter and colon of the data files
    char Editor[MAX_PATH] = "";      // external editor of a file series (CP932)
    int ReloadDataBeforePlot = 0;    // 1: file series are read again before drawing
    int WMFMargin = 60;              // metafile margin, twips
    int AutoScaleMargin = 10;        // percent
    int DataPrecision = 0;           // read-outs: 0 short, 1 full precision

    // ---- Margin texts (HeaderFooterType and HeaderFooterPosition values). The
    // Footer fields are the text at the head of the page, the Header fields the
    // one at its foot, as the profile names them.
    int HeaderType = 0;
    int HeaderPosition = 0;
    int FooterType = 0;
    int FooterPosition = 0;
};
