// User constants of an axis set: the parsing of one "name = value" definition,
// the test that a name may be added, and the lookup that the formula lexer uses.

#include "model/boxframe.h"
#include "numerics/builtins.h"
#include "platform/numconv.h"

#include <algorithm>
#include <string>

namespace {

inline char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

// Constant names are compared on their first 255 characters, ignoring the case of
// ASCII letters.
constexpr std::size_t kNameCompareLength = 255;

bool SameConstantName(std::string_view a, std::string_view b) {
    a = a.substr(0, std::min(a.size(), kNameCompareLength));
    b = b.substr(0, std::min(b.size(), kNameCompareLength));
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    return true;
}

}  // namespace

int BoxFrame::ParseConstant(std::string_view line, TUserConstElement& element) const {
    std::string text;
    text.reserve(line.size());
    for (char c : line)
        if (c != ' ' && c != '\t') text += c;

    if (std::count(text.begin(), text.end(), '=') != 1) return 0;
    std::size_t eq = text.find('=');
    std::string name = text.substr(0, eq);
    std::string value = text.substr(eq + 1);
    if (!IsNewConstantName(name)) return 0;

    element.ConstName = name;
    // Deliberately lenient: the longest numeric prefix counts, nothing gives 0.
    element.ConstValue = kv::AtoF(value.c_str());
    return 1;
}

int BoxFrame::IsNewConstantName(std::string_view name) const {
    // The reserved list is searched as one text, so a name holding commas that
    // spans several entries ("sin,cos") is refused as well. An empty name passes:
    // such a constant is kept but no formula can name it.
    std::string key = ",";
    for (char c : name) key += LowerAscii(c);
    key += ',';
    if (std::string_view(kv::FormulaReservedNames).find(key) != std::string_view::npos) return 0;
    for (int i = UserConsts.LowerBound(); i <= UserConsts.UpperBound(); ++i)
        if (SameConstantName(UserConsts[i].ConstName, name)) return 0;
    return 1;
}

int BoxFrame::LookupConstant(std::string_view name, double& value) const {
    for (int i = UserConsts.LowerBound(); i <= UserConsts.UpperBound(); ++i) {
        if (SameConstantName(UserConsts[i].ConstName, name)) {
            value = UserConsts[i].ConstValue;
            return 1;
        }
    }
    return 0;
}
