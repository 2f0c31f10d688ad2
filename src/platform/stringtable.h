#pragma once
// The program's string table: the system's own texts (Japanese, UTF-8), keyed by
// the resource ids the messages use.

#include <string>

namespace kv {

// The text of string id, or an empty string when the table has none.
const std::string& LoadString(int id);

}  // namespace kv
