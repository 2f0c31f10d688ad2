#pragma once
// User-constant definition lines: reading ".cst" files into the lines the
// user-constant dialog lists, the line a stored constant is listed as, and the
// replacement of an axis set's constants by the lines that parse.
//
// A ".cst" file is text read line by line: a line is taken up to 1999 bytes at a
// time (the rest of a longer line comes as the next line), cut at its first line
// feed, apostrophe, double quote, semicolon or colon (these start comments
// anywhere), then cut to 255 bytes, and kept as it is, blanks and empty lines
// included. Definitions are parsed only when the lines are applied.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class BoxFrame;
class TUserConstElement;

// Bytes of a file line taken at one time, and bytes of a listed line.
constexpr std::size_t ConstFileChunk = 1999;
constexpr std::size_t ConstLineLimit = 255;
// The most lines the constant list holds; an import stops there.
constexpr std::size_t ConstListLimit = 10000;

enum class ConstFileStatus {
    Done,
    OpenFailed,    // not a regular file that can be read
    TooManyLines,  // the lines up to the limit were appended, the rest left out
};

// One line as read (at most ConstFileChunk bytes, its line end removed) -> the
// text the list keeps.
std::string ConstListText(std::string_view line);

// Appends the lines of the file at path (a local file name) to lines, stopping
// once lines holds maxLines. A carriage return before a line feed is part of the
// line end, as a text-mode read of the file takes it; a zero byte ends a line's
// text as it would end the read buffer's string.
ConstFileStatus ReadConstantFile(const std::string& path, std::vector<std::string>& lines,
                                 std::size_t maxLines = ConstListLimit);

// The line a constant is listed as: "%s = %.15lg" with the whole name.
std::string ConstantListLine(const TUserConstElement& constant);

// Empties set's constants and appends, in list order, every line that parses as a
// definition of a name not yet taken; other lines are dropped without a word.
void ApplyConstantLines(BoxFrame& set, const std::vector<std::string>& lines);
