#include "render/filterlist.h"

#include "platform/safefile.h"

#include <QFile>
#include <QString>

#include <cstdio>
#include <cstring>
#include <memory>

KV_REGISTER_STREAMABLE(FilterEntry);

FilterEntry::~FilterEntry() = default;

void FilterEntry::Streamer::Write(opstream& os) const {
    const FilterEntry* e = GetObject();
    os.writeString(e->Name);
    os.writeString(e->Program);
    os.writeString(e->Option);
    os.writeWord32(std::uint32_t(e->Type));
}

void FilterEntry::Streamer::Read(ipstream& is, std::uint32_t) const {
    FilterEntry* e = GetObject();
    is.readString(e->Name);
    is.readString(e->Program);
    is.readString(e->Option);
    e->Type = int(is.readWord32());
}

namespace {

std::string Local(const std::string& utf8) {
    return QFile::encodeName(QString::fromStdString(utf8)).toStdString();
}

// A text on one line of the file.
std::string OneLine(std::string s) {
    for (char& c : s)
        if (c == '\r' || c == '\n') c = ' ';
    return s;
}

}  // namespace

std::string FilterIniPath(const std::string& appDirectory) {
    std::string path = appDirectory;
    if (!path.empty() && path.back() != '/' && path.back() != '\\') path += '/';
    return path + "filter.ini";
}

bool ParseFilterLine(std::string_view line, FilterEntry& out) {
    if (line.size() > kMaxFilterLineBytes || line.find('\0') != std::string_view::npos) return false;
    const std::size_t first = line.find(',');
    if (first == std::string_view::npos) return false;
    const std::size_t second = line.find(',', first + 1);
    if (second == std::string_view::npos || line.find(',', second + 1) != std::string_view::npos)
        return false;
    out = FilterEntry(std::string(line.substr(0, first)),
                      std::string(line.substr(first + 1, second - first - 1)),
                      std::string(line.substr(second + 1)), FilterExternalProgram);
    return true;
}

bool ReadFilterIni(const std::string& path, std::vector<FilterEntry>& list) {
    std::FILE* f = kv::OpenRegularFile(Local(path));
    if (!f) return false;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> closer(f, &std::fclose);
    std::size_t found = 0;
    std::string line;
    bool tooLong = false;
    auto take = [&] {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        FilterEntry e;
        if (!tooLong && ParseFilterLine(line, e)) {
            list.push_back(std::move(e));
            ++found;
        }
        line.clear();
        tooLong = false;
    };
    int c;
    while (found < kMaxFilters && (c = std::getc(f)) != EOF) {
        if (c == '\n') {
            take();
        } else if (!tooLong) {
            // One byte over the limit and a CR allowed for; more marks the line.
            if (line.size() > kMaxFilterLineBytes) {
                tooLong = true;
                line.clear();
            } else {
                line += char(c);
            }
        }
    }
    if (found < kMaxFilters && (!line.empty() || tooLong)) take();
    return true;
}

bool WriteFilterIni(const std::string& path, const std::vector<FilterEntry>& list) {
    kv::ReplacingFileWriter w(Local(path));
    if (!w.File()) return false;
    for (const FilterEntry& e : list) {
        if (e.Type != FilterExternalProgram) continue;
        const std::string line =
            OneLine(e.Name) + ',' + OneLine(e.Program) + ',' + OneLine(e.Option) + "\r\n";
        if (std::fwrite(line.data(), 1, line.size(), w.File()) != line.size()) return false;
    }
    return w.Commit();
}

std::vector<FilterEntry> MakeFilterList(const std::string& filterIniPath) {
    std::vector<FilterEntry> list;
    list.emplace_back("Windows Metafile", "", "", FilterWindowsMetafile);
    list.emplace_back("Korvida Vector Format", "", "", FilterVectorFile);
    ReadFilterIni(filterIniPath, list);
    return list;
}
