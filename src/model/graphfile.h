#pragma once
// The graph document file (".kv3"): one object stream holding the tag "korvida",
// the file version, the page settings and every axis set. The document is what
// the chart window holds; the window side (selection feedback, the grid menu,
// repaints, the owner of message boxes) is reached through GraphFileHooks, so the
// application's file commands only pass their window's document and hooks.
//
// Paths are local (UTF-8) file names.

#include "model/boxframe.h"
#include "model/records.h"
#include "platform/containers.h"
#include "platform/objstrm.h"

#include <functional>
#include <memory>
#include <string>

// The version this program writes and the highest it reads.
constexpr int GraphFileVersion = 1340;
inline constexpr const char* GraphFileTag = "korvida";

// The grid items of the main frame's menu whose check marks follow a read file.
constexpr int GridMenuNone = 106;
constexpr int GridMenu5 = 116;
constexpr int GridMenu10 = 117;
constexpr int GridMenu15 = 118;
constexpr int GridMenu20 = 119;

// The item to check for page settings: GridMenuNone without a grid, else the
// item of the pitch (100, 200, 300, 400 twips), 0 for any other pitch.
int GridMenuItemFor(const TEnv& env);

// The open document: page settings, the owning 1-based list of axis sets (never
// empty) with the current one, and the modified flag.
struct GraphDocument {
    // Default page settings and one new axis set, current.
    GraphDocument();

    std::unique_ptr<TEnv> Env;
    TIArrayAsVector<BoxFrame> AxisSets{1, 10};
    BoxFrame* Current = nullptr;
    int CurrentNo = 0;
    int Modified = 0;
};

// What the file operations ask of the window around the document. Empty
// functions are skipped.
struct GraphFileHooks {
    void* Owner = nullptr;                // owner of the message boxes
    std::function<void()> ClearFeedback;  // read: selection and feedback cleared
    // read: uncheck the five grid items, then check this one (0: none)
    std::function<void(int item)> SetGridMenu;
    std::function<void()> Repaint;        // add: after each appended axis set
};

// Writes the document. A write-protected file at path is refused (the cannot-
// create message). A file already there is first copied to the same name with the
// extension ".kv3~"; the new content goes to a temporary file beside it that
// replaces the old file only when the whole write succeeded. In a folder that
// takes no new file, a writable file is written over in place instead. 1 and
// Modified cleared when written; 0 after a message, the old file as it was.
int WriteGraphFile(GraphDocument& doc, const std::string& path, const GraphFileHooks& hooks = {});

// Replaces the document by the file's content: 1 when replaced (axis set 1
// current, parameter-only axis sets' data read again, every text laid out again,
// the grid menu set); 0 after a message, the document as it was (the selection
// is cleared once the file opened).
int ReadGraphFile(GraphDocument& doc, const std::string& path, const GraphFileHooks& hooks = {});

// Appends the file's axis sets (their data read again when parameter-only) after
// the document's; the page settings, the current set, the selection and the texts'
// stored layout stay. 1 when appended; 0 after a message, nothing appended.
int AddGraphFile(GraphDocument& doc, const std::string& path, const GraphFileHooks& hooks = {});

// ---- The stream content, for the operations above and for tests and fuzzing.

enum class GraphReadStatus {
    Ok,
    NotGraphFile,  // tag missing, too long or different
    NewerVersion,
    Damaged,       // the stream failed: cut short, a bad record, a count it cannot hold
    Unregistered,  // a record of a class this program does not know
    TooLarge,      // its records would need more memory than the process can still take
    NoMemory,      // an allocation failed all the same
};

struct GraphFileContent {
    std::unique_ptr<TEnv> Env;
    TIArrayAsVector<BoxFrame> AxisSets{1, 10};
    int FileVersion = 0;
    std::string Why;  // the stream's text for Unregistered
};

// Reads everything after the stream header (read by the caller) into new objects.
// Ok may come with no axis set. Never throws.
GraphReadStatus ReadGraphContent(ipstream& is, GraphFileContent& out);
// Writes the tag, the version, the page settings and the axis sets (the stream
// header has been written by the stream). Throws xmsg for an unregistered record.
void WriteGraphContent(opstream& os, const TEnv& env, const TIArrayAsVector<BoxFrame>& sets);
