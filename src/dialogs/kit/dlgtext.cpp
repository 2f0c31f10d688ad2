#include "dialogs/kit/dlgtext.h"

#include "platform/cformat.h"
#include "platform/cp932.h"
#include "platform/numconv.h"
#include "platform/paths.h"

#include <QList>

#include <climits>
#include <cmath>

namespace kv {

QString FromDoc(std::string_view cp932) {
    return QString::fromStdString(Cp932ToUtf8Lossy(cp932));
}

bool ToDocExact(const QString& text, std::string* out) {
    std::optional<std::string> bytes = Utf8ToCp932(text.toStdString());
    if (!bytes) return false;
    *out = std::move(*bytes);
    return true;
}

std::string ToDoc(const QString& text) {
    std::string out;
    if (ToDocExact(text, &out)) return out;
    // Character by character: only the ones CP932 lacks are replaced.
    out.clear();
    for (char32_t c : text.toUcs4()) {
        std::optional<std::string> one = Utf8ToCp932(QString::fromUcs4(&c, 1).toStdString());
        out += one ? *one : std::string("?");
    }
    return out;
}

int DocLength(const QString& text) {
    int n = 0;
    for (char32_t c : text.toUcs4()) {
        if (c < 0x80 || (c >= 0xFF61 && c <= 0xFF9F))
            n += 1;  // ASCII and half-width katakana take one byte
        else
            n += 2;
    }
    return n;
}

QString StripMnemonic(const QString& label) {
    QString out;
    out.reserve(label.size());
    for (qsizetype i = 0; i < label.size(); ++i) {
        if (label[i] == u'&') {
            if (i + 1 < label.size() && label[i + 1] == u'&') {
                out += u'&';
                ++i;
            }
            continue;
        }
        out += label[i];
    }
    return out;
}

std::string FileNameWithExt(std::string_view cp932Path) {
    const SplitPath parts = SplitFilePathCp932(cp932Path);
    return parts.name + parts.ext;
}

int ReadInt(const QString& text, bool* overflow) {
    const std::string s = text.toStdString();
    const long long v = AtoLL(s.c_str());
    const bool out = v > INT_MAX || v < INT_MIN;
    if (overflow) *overflow = out;
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return int(v);
}

double ReadReal(const QString& text, bool* overflow) {
    const std::string s = text.toStdString();
    bool range = false;
    const double v = StrToD(s.c_str(), nullptr, &range);
    // An underflow reads as 0 and is a value like any other.
    if (overflow) *overflow = range && std::isinf(v);
    return v;
}

QString ShowInt(int value) { return QString::fromStdString(Format("%d", value)); }
QString ShowReal(double value) { return QString::fromStdString(Format("%.15lg", value)); }

}  // namespace kv
