#pragma once
// The markup language of every text on the page, and the small path and geometry
// helpers the texts share with the rest of the program.
//
// A text's string is CP932 bytes. Percent codes switch weight, slant, face and size
// (%N %B %I %O %G %F %Snnn), shift characters (%Ysnn), add spacing (%Psnn), move the
// pen (%Xsnn), jump to tab stops (%T %t), insert the data-file path or name of a
// series (%Dnnn %dnnn) and draw legend samples (%pnnn); "^", "_" and "@" make
// superscripts, subscripts and the return to normal; %%, %@, %^ and %_ show the
// character itself; CR LF breaks the line. A code whose digits are not as required
// is no code: its "%" is dropped and the rest shows as text.
//
// The layout and the drawing walk a text by the same units (MarkupUnit), so each
// unit finds its own entries in the text's stored metrics.

#include "platform/geometry.h"
#include "platform/wintypes.h"

#include <string>
#include <string_view>

class BoxFrame;

// Makes any string show literally inside markup: "%" goes before every single-byte
// "%", "@", "^" and "_"; double-byte characters (their trail bytes included), CR
// and LF are copied as they are. in and out may be the same object.
void EscapeMarkup(const std::string& in, std::string& out);

// Path splitting for captions, titles, series names and the program directory. Only
// the first 260 bytes of path count; the drive is the first two characters when the
// second is ":"; the directory runs up to and including the last "\" or "/" (a
// trail byte of a double-byte character is no separator); a final "." or ".."
// belongs to the directory. out is a 260-byte path buffer and always terminated.
// GetFileNameExt gives the file name with its extension, GetDriveDir the drive
// and the directory.
void GetFileNameExt(const char* path, char* out);
void GetDriveDir(const char* path, char* out);

// Rotates (x, y) about (cx, cy) by degrees counter-clockwise on the page (y grows
// downward), truncating toward zero; returns out.
TPoint& RotatePoint(TPoint& out, int x, int y, int cx, int cy, double degrees);

namespace kv {

// The string with its series references (%Dnnn: the data-file path of series nnn,
// %dnnn: its file name with extension, both escaped) replaced. A %D or %d that
// names no series of set (or has fewer than three digits) loses its "%". set may
// be null: then no reference names a series. The result ends at the first zero
// byte of text.
std::string ExpandSeriesRefs(std::string_view text, const BoxFrame* set);

// The kinds of units of an expanded string.
enum class MarkupKind {
    Text,       // a character of one or two bytes: one measured entry
    Escaped,    // %% %@ %^ %_: a measured entry for the character, then a zero one
    Weight,     // %N %B %I %O: two zero entries
    Face,       // %G %F: two zero entries
    Tab,        // %T (value 2) and %t (value 1): two zero entries
    Size,       // %Snnn: five zero entries
    Shift,      // %Ysnn
    Spacing,    // %Psnn
    Move,       // %Xsnn
    Sample,     // %pnnn: four zero entries, then the sample entry
    Superscript,  // "^": one zero entry
    Subscript,    // "_"
    Normal,       // "@"
    LineBreak,    // a CR followed by LF: one zero entry (the LF is a unit of its own)
    Control,      // a CR or LF that breaks no line: one zero entry
    Stray,        // a "%" that is no code: one zero entry; the next byte starts a unit
};

struct MarkupUnit {
    MarkupKind kind = MarkupKind::Text;
    int offset = 0;  // first byte in the expanded string
    int length = 1;  // bytes
    char code = 0;   // the letter of a percent code, the shown character of Escaped
    int value = 0;   // nnn or snn of the codes that carry digits; 2 or 1 for Tab
    // TCharMetric entries the unit owns in the text's list.
    int Entries() const;
};

// The unit that starts at offset of the expanded string s (offset < s.size()).
MarkupUnit NextMarkupUnit(std::string_view s, int offset);

// Applies a font code (Weight, Face, Size, Superscript, Subscript, Normal) to the
// run font; base is the text's own font. Returns false (run unchanged) for the
// other units.
bool ApplyMarkupFont(const MarkupUnit& unit, const LOGFONT& base, LOGFONT& run);

// The width of a legend sample: trunc(lineHeight x legendLength x 3.0 x 0.01),
// saturated to the int range.
int LegendSampleWidth(int lineHeight, int legendLength);

// a x b / c rounded half away from zero, as MulDiv does, for operands whose product
// may leave the int range (0 for c = 0).
long long MulDiv64(long long a, long long b, long long c);

}  // namespace kv
