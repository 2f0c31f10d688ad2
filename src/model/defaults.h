#pragma once
// The user's default styles: one default frame, four default axes, the series
// styles for file data and for data made in memory, a default text, a default
// figure and two axis-set switches. New axis sets, series, texts and figures start
// from them; they live in the per-user profile between runs, in the sections
// "Axis", "LAxis", "TAxis", "RAxis", "PlotStyle", "MemoryPlotStyle", "Text" and
// "Parts".
//
// The chart window owns one DefaultStyles for its life. Everything here is window
// free: the chart window passes the profile path and the parts of its document
// that the new-graph reset rebuilds, and supplies the window-side steps (axis
// synchronisation, label rebuilding, feedback, caption) as hooks.

#include "model/axes.h"
#include "model/boxframe.h"
#include "model/plot.h"
#include "model/text.h"
#include "model/zukei.h"
#include "platform/containers.h"

#include <functional>
#include <string>

// Entries of DefaultStyles::DefaultAxes.
enum DefaultAxisIndex : int {
    DefaultBottomAxis = 0,
    DefaultLeftAxis = 1,
    DefaultTopAxis = 2,
    DefaultRightAxis = 3,
};

// The name the document takes when a new graph is made.
inline constexpr const char* UntitledGraphName = "Untitled.kv3";

// The window-side steps of setting up an axis set and of the new-graph reset.
// Every hook is optional; an empty one is skipped.
struct NewGraphHooks {
    // Makes the mirrored axes follow the frame type (argument order frame, left,
    // right, top, bottom).
    std::function<void(Frame*, AxisUnit*, AxisUnit*, AxisUnit*, AxisUnit*)> SyncAxes;
    // Rebuilds the numeric labels of the set's axes that label themselves.
    std::function<void(BoxFrame*)> UpdateAxisLabels;
    // Erases selection marks and clears every selection.
    std::function<void()> ClearFeedback;
    // Shows the document name in the main window's caption.
    std::function<void(const char* name)> UpdateCaption;
};

// The parts of the chart window's document that the new-graph reset rebuilds.
// The page settings are not among them: paper, zoom, view centre, grid and paper
// colour carry over into the new graph.
struct NewGraphDocument {
    TIArrayAsVector<BoxFrame>& AxisSets;  // 1-based, never left empty
    BoxFrame*& Current;
    int& CurrentNo;
    int& Modified;
    std::string& FileName;
};

class DefaultStyles {
public:
    // Every object starts with its class's constructor values; reading the
    // profile replaces them with the user's (or the profile defaults).
    DefaultStyles() = default;
    DefaultStyles(const DefaultStyles&) = delete;
    DefaultStyles& operator=(const DefaultStyles&) = delete;

    Frame DefaultFrame;
    AxisUnit DefaultAxes[4];             // bottom, left, top, right (DefaultAxisIndex)
    TPlotStyle DefaultPlotStyle;         // series read from data files
    TPlotStyle DefaultMemoryPlotStyle;   // calculated and fitted curves
    TZukei DefaultZukei;
    TText DefaultText;
    int DefaultIsOnlyParameter = 0;      // an axis set's IsOnlyParameter
    int DefaultPaintOrder = 1;           // an axis set's PaintOrder

    // ---- Reading from the profile at profilePath. A missing file, section or key
    // gives the profile default; a text that is not a number gives 0. Nothing is
    // reported.
    void ReadDefaultFrame(const char* profilePath);  // frame keys of "Axis" and the two switches
    void ReadDefaultAxis(const char* section, AxisUnit* axis, const char* profilePath);
    void ReadDefaultAxes(const char* profilePath);   // "Axis", "LAxis", "TAxis", "RAxis"
    void ReadDefaultPlotStyle(const char* profilePath);
    void ReadDefaultMemoryPlotStyle(const char* profilePath);
    void ReadDefaultText(const char* profilePath);
    void ReadDefaultParts(const char* profilePath);
    // All of the above in the set-up order.
    void ReadAllDefaults(const char* profilePath);

    // ---- Writing every key of a section, changed or not. Write failures are
    // ignored: a profile that cannot be written loses the defaults silently.
    void WriteDefaultFrame(const char* profilePath) const;
    void WriteDefaultAxis(const char* section, const AxisUnit* axis, const char* profilePath) const;
    void WriteDefaultAxes(const char* profilePath) const;
    void WriteDefaultPlotStyle(const char* profilePath) const;
    void WriteDefaultMemoryPlotStyle(const char* profilePath) const;
    void WriteDefaultText(const char* profilePath) const;
    void WriteDefaultParts(const char* profilePath) const;
    // All of the above in the settings-save order.
    void WriteAllDefaults(const char* profilePath) const;

    // ---- Starting new objects from the defaults.
    // Every field of the default frame, FrameReserved included.
    void ApplyDefaultFrame(Frame* frame) const;
    // The four axes by axis assignment (label texts copied, label rotation
    // dropped), then the set's IsOnlyParameter and PaintOrder switches.
    void ApplyDefaultAxes(BoxFrame* set) const;
    // Every field of the style, formulas and mask rows included.
    void ApplyDefaultPlotStyle(TPlotStyle* style) const;
    void ApplyDefaultMemoryPlotStyle(TPlotStyle* style) const;
    // The font (angle and face included), background switch, line spacing,
    // colours and legend length; the string, position and layout stay.
    void ApplyDefaultText(TText* text) const;
    // Pen, arrow, brush and spline settings; kind, bounds and nodes stay.
    void ApplyDefaultParts(TZukei* zukei) const;

    // Gives an axis set the look of a new graph: default frame and axes, the
    // axes synchronised, no numeric labels on the top and right axes of a Box or
    // X-Y frame, labels rebuilt. The chart window's set-up runs this on its first
    // axis set right after reading the defaults.
    void PrepareNewAxisSet(BoxFrame* set, const NewGraphHooks& hooks) const;

    // The new-graph reset: the document's axis sets are replaced by one new axis
    // set prepared as above, which becomes current (number 1); the document is
    // marked unmodified, the feedback cleared, and the name set to "Untitled.kv3"
    // and shown in the caption. The new axis set is allocated before the old ones
    // are destroyed, so a failed allocation (std::bad_alloc) leaves the document
    // as it was.
    void NewGraph(NewGraphDocument doc, const NewGraphHooks& hooks) const;
};
