#pragma once
// The export filter list: the two fixed ways of exporting (Windows metafile, kvx
// vector file) and the external filter programs the user registered in
// "filter.ini" beside the program.
//
// filter.ini holds one filter per line, "Name,Program,Option" ending in CR LF
// (LF alone is read too); blanks belong to the fields. A line has exactly two
// commas: lines with fewer or more, lines holding a zero byte and lines longer
// than kMaxFilterLineBytes are not filters and are passed over whole (so no field
// of a filter can hold a comma). The texts are UTF-8 (program and option are
// local file names and arguments).

#include "platform/objstrm.h"

#include <string>
#include <string_view>
#include <vector>

enum FilterEntryType : int {
    FilterExternalProgram = 0,
    FilterWindowsMetafile = 1,
    FilterVectorFile = 2,
};

// One line of the export dialog's list.
class FilterEntry : public TStreamableBase {
public:
    FilterEntry() = default;
    FilterEntry(std::string name, std::string program, std::string option, int type)
        : Name(std::move(name)), Program(std::move(program)), Option(std::move(option)),
          Type(type) {}
    ~FilterEntry() override;
    FilterEntry(const FilterEntry&) = default;
    FilterEntry& operator=(const FilterEntry&) = default;
    bool operator==(const FilterEntry& o) const {
        return Name == o.Name && Program == o.Program && Option == o.Option && Type == o.Type;
    }

    std::string Name;
    std::string Program;
    std::string Option;
    int Type = FilterExternalProgram;

    class Streamer : public TStreamerOf<FilterEntry> {
    public:
        using TStreamerOf::TStreamerOf;
        void Read(ipstream& is, std::uint32_t version) const override;
        void Write(opstream& os) const override;
        std::uint32_t ClassVersion() const override { return 1; }
    };
    KV_STREAMABLE(FilterEntry)
};

// The longest filter.ini line read as a filter, its line end not counted.
constexpr std::size_t kMaxFilterLineBytes = 1024;
// At most this many filters are read from the file.
constexpr std::size_t kMaxFilters = 1000;

// "filter.ini" in the program's directory (with or without its final separator).
std::string FilterIniPath(const std::string& appDirectory);

// The filter of one line (without its line end); false for a line that holds none.
bool ParseFilterLine(std::string_view line, FilterEntry& out);

// Appends the file's filters (type FilterExternalProgram) in file order; false,
// nothing appended, when the file cannot be opened.
bool ReadFilterIni(const std::string& path, std::vector<FilterEntry>& list);

// Writes the list's external filters anew, one "Name,Program,Option" line each
// (a line break inside a text becomes a blank); the file is replaced only once
// completely written. False, the old file unchanged, when it cannot be written.
bool WriteFilterIni(const std::string& path, const std::vector<FilterEntry>& list);

// The list the export dialog shows: "Windows Metafile" and "Korvida Vector
// Format", then the file's filters.
std::vector<FilterEntry> MakeFilterList(const std::string& filterIniPath);
