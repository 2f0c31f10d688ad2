#include "model/graphfile.h"

#include "model/plot.h"
#include "platform/cformat.h"
#include "platform/messagebox.h"
#include "platform/paths.h"
#include "platform/safefile.h"
#include "platform/stringtable.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>

namespace {

// String-table ids of the messages.
constexpr int IdsNotGraphFile = 16;
constexpr int IdsNoMemory = 17;
constexpr int IdsCannotOpen = 18;
constexpr int IdsNewerVersion = 19;
constexpr int IdsCannotCreate = 24;
constexpr int IdsNotSaved = 25;

constexpr unsigned kExclamation = MB_OK | MB_ICONEXCLAMATION;
constexpr unsigned kStop = MB_OK | MB_ICONSTOP;

void Show(const GraphFileHooks& hooks, const std::string& text, unsigned flags) {
    kv::MessageBox(hooks.Owner, text, nullptr, flags);
}

void Show(const GraphFileHooks& hooks, int id, unsigned flags) {
    Show(hooks, kv::LoadString(id), flags);
}

// Reads the file into content. False when the file cannot be opened, is empty or
// its stream header cannot be read. The stream takes the file's bytes as the
// records need them: a huge file that is no graph file, or whose counts ask for
// more than its bytes hold, is refused after a few bytes, and one whose records
// the process cannot take into memory is refused before they are made.
bool ReadFileContent(const std::string& path, GraphFileContent& content, GraphReadStatus& status,
                     const std::function<void()>& opened) {
    kv::UniqueFile file(kv::OpenRegularFile(path));
    ipstream is(file.get());
    is.readVersion();
    if (!is.good()) return false;
    if (opened) opened();
    status = ReadGraphContent(is, content);
    return true;
}

// The data of parameter-only axis sets come from their data files again; a
// series whose file is gone or unreadable simply has no data.
void RereadParameterOnly(TIArrayAsVector<BoxFrame>& sets) {
    for (BoxFrame* set : sets)
        if (set->IsOnlyParameter == 1)
            for (TPlot* p : set->PlotList) p->ReadData();
}

// Reports a content that cannot be used; true when it can.
bool Usable(GraphReadStatus status, const GraphFileContent& content, const GraphFileHooks& hooks,
            unsigned refusedFlags) {
    switch (status) {
    case GraphReadStatus::Ok:
        return true;
    case GraphReadStatus::NotGraphFile:
        Show(hooks, IdsNotGraphFile, refusedFlags);
        return false;
    case GraphReadStatus::NewerVersion:
        Show(hooks, IdsNewerVersion, refusedFlags);
        return false;
    case GraphReadStatus::Damaged:
        Show(hooks, IdsCannotOpen, refusedFlags);
        return false;
    case GraphReadStatus::Unregistered:
        Show(hooks, kv::Format("%s\n%s", kv::LoadString(IdsCannotOpen).c_str(), content.Why.c_str()),
             refusedFlags);
        return false;
    case GraphReadStatus::TooLarge:
    case GraphReadStatus::NoMemory:
        Show(hooks, IdsNoMemory, kStop);
        return false;
    }
    return false;
}

}  // namespace

int GridMenuItemFor(const TEnv& env) {
    if (env.IsGrid == 0) return GridMenuNone;
    switch (env.GridPitch) {
    case 100: return GridMenu5;
    case 200: return GridMenu10;
    case 300: return GridMenu15;
    case 400: return GridMenu20;
    default: return 0;
    }
}

GraphDocument::GraphDocument() : Env(std::make_unique<TEnv>()) {
    AxisSets.Add(new BoxFrame);
    Current = AxisSets[1];
    CurrentNo = 1;
}

// ---------------------------------------------------------------- stream content

GraphReadStatus ReadGraphContent(ipstream& is, GraphFileContent& out) {
    try {
        // The tag is read into room for 9 characters: a longer one is skipped
        // unread and leaves the room empty, like a null or missing one.
        char tag[10] = {};
        is.readString(tag, sizeof tag);
        if (std::strcmp(tag, GraphFileTag) != 0) return GraphReadStatus::NotGraphFile;
        out.FileVersion = int(std::int32_t(is.readWord()));
        if (out.FileVersion > GraphFileVersion) return GraphReadStatus::NewerVersion;

        out.Env = std::make_unique<TEnv>();
        is >> *out.Env;
        const std::uint32_t n = is.readWord();
        out.AxisSets.Flush();
        if (is.expectItems(n, MinRecordBytes(is, "BoxFrame", 0))) {
            for (std::uint32_t i = 0; i < n && is.good(); ++i) {
                if (!is.expectMemory(1, sizeof(BoxFrame))) break;
                auto set = std::make_unique<BoxFrame>();
                is >> *set;
                if (is.good()) out.AxisSets.Add(set);
            }
        }
        if (is.tooLarge()) return GraphReadStatus::TooLarge;
        return is.good() ? GraphReadStatus::Ok : GraphReadStatus::Damaged;
    } catch (const xmsg& e) {
        out.Why = std::string(e.what());
        return GraphReadStatus::Unregistered;
    } catch (const std::bad_alloc&) {
        return GraphReadStatus::NoMemory;
    } catch (const std::length_error&) {
        return GraphReadStatus::Damaged;
    }
}

void WriteGraphContent(opstream& os, const TEnv& env, const TIArrayAsVector<BoxFrame>& sets) {
    os.writeString(GraphFileTag);
    os.writeWord32(std::uint32_t(GraphFileVersion));
    os << env;
    os.writeWord32(std::uint32_t(sets.GetItemsInContainer()));
    for (const BoxFrame* set : sets) os << *set;
}

// ---------------------------------------------------------------- operations

int WriteGraphFile(GraphDocument& doc, const std::string& path, const GraphFileHooks& hooks) {
    // A file that cannot be written, or is write-protected, is refused before
    // anything on the disk changes, its backup included.
    kv::ReplacingFileWriter out(path);
    if (!out.File()) {
        Show(hooks, IdsCannotCreate, kExclamation);
        Show(hooks, IdsNotSaved, kStop);
        return 0;
    }
    // A failed backup neither stops nor spoils the save (in a folder that takes
    // no new file, only a backup already there can be refreshed).
    if (kv::FileExists(path)) kv::PreserveAs(path, kv::ReplaceExtension(path, ".kv3~"), out.InPlace());
    bool ok = true;
    try {
        opstream os(out.File());
        WriteGraphContent(os, *doc.Env, doc.AxisSets);
        ok = os.flush() && os.good();
    } catch (const xmsg&) {
        ok = false;
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    if (!(ok && out.Commit())) {
        out.Abort();
        Show(hooks, IdsNotSaved, kStop);
        return 0;
    }
    doc.Modified = 0;
    return 1;
}

int ReadGraphFile(GraphDocument& doc, const std::string& path, const GraphFileHooks& hooks) {
    GraphFileContent content;
    GraphReadStatus status = GraphReadStatus::Damaged;
    try {
        // The selection goes once the file opened, also when it is then refused.
        if (!ReadFileContent(path, content, status, hooks.ClearFeedback)) {
            Show(hooks, IdsCannotOpen, MB_OKCANCEL);
            return 0;
        }
        // The document never goes without an axis set.
        if (status == GraphReadStatus::Ok && content.AxisSets.IsEmpty()) status = GraphReadStatus::Damaged;
        if (!Usable(status, content, hooks, kExclamation)) return 0;
        RereadParameterOnly(content.AxisSets);
    } catch (const std::bad_alloc&) {
        // The document is still the old one.
        Show(hooks, IdsNoMemory, kStop);
        return 0;
    }
    doc.Env = std::move(content.Env);
    doc.AxisSets = std::move(content.AxisSets);
    doc.Current = doc.AxisSets[1];
    doc.CurrentNo = 1;
    // The layout measures on the window and reads the new page settings. Without
    // memory for it a text keeps the layout its record stored.
    try {
        for (BoxFrame* set : doc.AxisSets) RelayoutTexts(*set);
    } catch (const std::bad_alloc&) {
    }
    if (hooks.SetGridMenu) hooks.SetGridMenu(GridMenuItemFor(*doc.Env));
    return 1;
}

int AddGraphFile(GraphDocument& doc, const std::string& path, const GraphFileHooks& hooks) {
    GraphFileContent content;
    GraphReadStatus status = GraphReadStatus::Damaged;
    try {
        if (!ReadFileContent(path, content, status, {})) {
            Show(hooks, IdsCannotOpen, kStop);
            return 0;
        }
        if (!Usable(status, content, hooks, kStop)) return 0;
        RereadParameterOnly(content.AxisSets);
    } catch (const std::bad_alloc&) {
        Show(hooks, IdsNoMemory, kStop);
        return 0;
    }
    while (!content.AxisSets.IsEmpty()) {
        std::unique_ptr<BoxFrame> set(content.AxisSets.Detach(1));
        if (!doc.AxisSets.Add(set)) break;
        if (hooks.Repaint) hooks.Repaint();
    }
    return 1;
}
