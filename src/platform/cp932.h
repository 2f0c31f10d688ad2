#pragma once
// Document strings are bytes in the Japanese multi-byte code page (CP932,
// Shift-JIS) exactly as the graph file stores them. They become Unicode only at
// the edges (drawing, widgets, file names on disk).

#include <optional>
#include <string>
#include <string_view>

// Lead bytes of a double-byte character: 0x81-0x9F and 0xE0-0xFC, whatever the
// process locale.
bool IsDBCSLeadByte(unsigned char c);

// The next character after p: two bytes on for a lead byte followed by a
// non-zero byte, one byte on otherwise; p itself at the terminating zero.
const char* CharNextA(const char* p);
char* CharNextA(char* p);

namespace kv {

// CP932 bytes to UTF-8; nullopt when the bytes are not valid CP932.
std::optional<std::string> Cp932ToUtf8(std::string_view cp932);
// UTF-8 to CP932; nullopt when the text holds a character CP932 lacks or is not
// valid UTF-8.
std::optional<std::string> Utf8ToCp932(std::string_view utf8);

// For the drawing and widget edges: invalid bytes become U+FFFD instead of
// failing, so a damaged document still shows.
std::string Cp932ToUtf8Lossy(std::string_view cp932);

}  // namespace kv
