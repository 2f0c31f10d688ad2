#include "numerics/constfile.h"

#include "model/boxframe.h"
#include "model/records.h"
#include "numerics/curvegen.h"
#include "platform/cformat.h"
#include "platform/safefile.h"

#include <cstdio>
#include <memory>

namespace {

// The characters that end a line's text: the line feed a read keeps, the four
// comment characters, and a zero byte (the end of the read buffer's string).
constexpr char kStops[] = {'\n', '\'', '"', ';', ':', '\0'};

}  // namespace

std::string ConstListText(std::string_view line) {
    const std::size_t stop = line.find_first_of(std::string_view(kStops, sizeof kStops));
    if (stop != std::string_view::npos) line = line.substr(0, stop);
    return CutDocText(line, ConstLineLimit);
}

ConstFileStatus ReadConstantFile(const std::string& path, std::vector<std::string>& lines,
                                 std::size_t maxLines) {
    kv::UniqueFile file(kv::OpenRegularFile(path));
    if (!file) return ConstFileStatus::OpenFailed;

    std::string chunk;
    chunk.reserve(ConstFileChunk);
    bool pendingCr = false;  // a carriage return waiting to see whether a line feed follows
    // Takes the chunk as one line; false once the list is full.
    auto take = [&]() {
        if (lines.size() >= maxLines) return false;
        lines.push_back(ConstListText(chunk));
        chunk.clear();
        return true;
    };
    // Adds one byte of the text-mode stream; false once the list is full.
    auto put = [&](char c) {
        chunk += c;
        if (c == '\n' || chunk.size() >= ConstFileChunk) return take();
        return true;
    };

    for (int c; (c = std::getc(file.get())) != EOF;) {
        if (pendingCr) {
            pendingCr = false;
            if (c != '\n' && !put('\r')) return ConstFileStatus::TooManyLines;
        }
        if (c == '\r') {
            pendingCr = true;
            continue;
        }
        if (!put(char(c))) return ConstFileStatus::TooManyLines;
    }
    if (pendingCr && !put('\r')) return ConstFileStatus::TooManyLines;
    // A last line without a line feed still counts.
    if (!chunk.empty() && !take()) return ConstFileStatus::TooManyLines;
    return ConstFileStatus::Done;
}

std::string ConstantListLine(const TUserConstElement& constant) {
    return kv::Format("%s = %.15lg", constant.ConstName.c_str(), constant.ConstValue);
}

void ApplyConstantLines(BoxFrame& set, const std::vector<std::string>& lines) {
    set.UserConsts.Flush();
    for (const std::string& line : lines) {
        TUserConstElement element;
        if (set.ParseConstant(line, element) && set.IsNewConstantName(element.ConstName))
            set.UserConsts.Add(element);
    }
}
