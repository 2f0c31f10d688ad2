#pragma once
// Texts and numbers at the widget edge.
//
// Widgets hold Unicode; the document holds CP932 bytes (file names, legends,
// information texts, formulas) and the program's own texts are UTF-8 in the source.
// Document text becomes a QString only here: CP932 bytes that are not valid show as
// U+FFFD; a typed character that CP932 lacks becomes "?" on the way back, which is
// what an edit control of the code page does with it.
//
// Numbers typed into fields are read like atoi/atof (leading blanks, the longest
// decimal prefix, 0 when none; no "inf", "nan" or hexadecimal) with the platform's
// locale-independent conversion, and shown with "%d" and "%.15lg".

#include <QString>

#include <string>
#include <string_view>

namespace kv {

// CP932 document bytes -> widget text (invalid bytes become U+FFFD).
QString FromDoc(std::string_view cp932);
// Widget text -> CP932 document bytes; characters CP932 lacks become '?'.
std::string ToDoc(const QString& text);
// The same, but false (and *out untouched) when some character has no CP932 form.
bool ToDocExact(const QString& text, std::string* out);
// The number of CP932 bytes the text takes (a character CP932 lacks counts 2);
// edit controls limit typing by it, as code-page edit controls count bytes.
int DocLength(const QString& text);

// UTF-8 source text -> widget text.
inline QString U8(const char* utf8) { return QString::fromUtf8(utf8 ? utf8 : ""); }
inline QString U8(const std::string& utf8) { return QString::fromStdString(utf8); }

// A control label without its mnemonic markers: "&OK" -> "OK", "A&&B" -> "A&B".
QString StripMnemonic(const QString& label);

// The file name with extension of a stored (CP932, maybe Windows) path:
// "D:\\data\\run1.dat" -> "run1.dat". The second byte of a double-byte character
// is never taken for a separator.
std::string FileNameWithExt(std::string_view cp932Path);

// atoi: the integer prefix of text; *overflow (when given) tells whether it lay
// outside the int range (the result then saturates).
int ReadInt(const QString& text, bool* overflow = nullptr);
// atof: the decimal prefix of text; *overflow (when given) tells whether its
// magnitude was too large for a double (the result is then +-HUGE_VAL).
double ReadReal(const QString& text, bool* overflow = nullptr);
// "%d" and "%.15lg".
QString ShowInt(int value);
QString ShowReal(double value);

}  // namespace kv
