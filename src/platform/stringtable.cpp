#include "stringtable.h"

#include <unordered_map>

namespace kv {

namespace {
struct Entry {
    int id;
    const char* text;
};
constexpr Entry kStrings[] = {
#include "../../resources/strings.inc"
};
}  // namespace

const std::string& LoadString(int id) {
    static const std::unordered_map<int, std::string> table = [] {
        std::unordered_map<int, std::string> t;
        for (const Entry& e : kStrings) t.emplace(e.id, e.text);
        return t;
    }();
    static const std::string empty;
    auto it = table.find(id);
    return it == table.end() ? empty : it->second;
}

}  // namespace kv
