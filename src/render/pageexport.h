#pragma once
// Writing the graph page into a file: as a placeable Windows metafile, as a kvx
// vector file, or through an external filter program that converts a temporary
// kvx file into a format of its own. Each writer first measures the drawing
// (OUT_EXTENT) and then draws it in its output mode; each shows its own messages
// (owned by the page's owner window, no caption, stop icon).
//
// The files the user names are written through a temporary file beside them and
// take the name only when complete, so a failed export leaves an existing file as
// it was. An export cut short with Escape still keeps what it wrote (string 108
// says the result is not correct). Temporary files in the system's temporary
// folder are removed on every way out.

#include "model/graphfile.h"
#include "platform/dc.h"
#include "platform/geometry.h"

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

// What the writers need of the page and of the application.
struct ExportPage {
    // Draws the whole page in an output mode (the chart window's DrawGraph).
    std::function<void(int mode, TDC& dc, FILE* file, TRect* extent)> DrawGraph;
    int PrintableWidth = 0;    // twips, the document's page
    int PrintableHeight = 0;
    int WMFMargin = 60;        // twips around a metafile's drawing
    int GraphFileVersion = 1340;
    void* Owner = nullptr;     // the window owning the messages
};

// The page of a document: its axis sets drawn by the render library's page pass,
// the printable size from its page settings.
ExportPage MakeExportPage(const GraphDocument& doc, int wmfMargin, void* owner);

// The drawing's extent in page twips (empty when nothing is drawn).
TRect MeasurePage(const ExportPage& page);

// A placeable metafile of the page with WMFMargin around the drawing, 1440 units
// per inch: 1 when written (also after an Escape abort, with string 108), 0 after
// a message ("File Open Error", string 26 or 27, or string 1404 when the picture
// does not fit the format's 16-bit coordinates).
int ExportPlaceableMetafile(const ExportPage& page, const std::string& outputFile);

// The kvx file of the page: 1 when written completely; 0 after "File open
// error!!", string 26 on a failed write, or string 108 after an Escape abort (the
// file then stays as written).
int ExportVectorFile(const ExportPage& page, const std::string& outputFile);

// How an external filter is started: the program, then the temporary kvx file,
// "-o" joined to the output file, and the option's words. Every part is one
// argument of its own (names with blanks stay whole); a program text that does
// not name an existing file is split into words too, the first being the
// program, so that "interpreter script" works as on a command line. Words may be
// grouped with double quotes. Stored Windows paths are made local.
struct FilterCommand {
    std::string program;
    std::vector<std::string> arguments;
};
FilterCommand MakeFilterCommand(const std::string& program, const std::string& kvxFile,
                                const std::string& outputFile, const std::string& option);

// Writes the page into a temporary kvx file, runs the filter on it and waits for
// it to end, polling the Escape check; Escape ends the filter (string 108). 1 when
// the filter ran and ended with exit code 0; 0 when the kvx file was not written
// (ExportVectorFile's message), the program did not start (string 1401), ended
// with another code (string 1402) or crashed (string 1403). The temporary file is
// removed once the program has ended.
int RunExportFilter(const ExportPage& page, const std::string& program,
                    const std::string& outputFile, const std::string& option);
