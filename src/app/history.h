#pragma once
// The file history: the five most recently used graph files, entry 1 the most
// recent, "" a free entry.

#include <array>
#include <string>

namespace kv::app {

constexpr int HistorySize = 5;
using History = std::array<std::string, HistorySize>;

// A path with its drive letter ("c:") in upper case; anything else unchanged.
std::string NormaliseHistoryName(const std::string& name);

// Puts the normalised name at the top. An equal entry (exact comparison; the last
// of several) moves to the top and the entries above it move down one place;
// without one every entry moves down and the last is dropped.
void PushHistory(History& history, const std::string& name);

// The text of history menu item k (1..5): "&k." followed by the entry.
std::string HistoryMenuText(int k, const std::string& entry);

// True when the path's extension is exactly ".kv3" or ".KV3".
bool IsGraphFile(const std::string& path);

}  // namespace kv::app
