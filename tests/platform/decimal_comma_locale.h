#pragma once
// Runs a check once under the process's current locale and once under a locale
// whose decimal separator is a comma, the way a user's desktop leaves the
// program after Qt has adopted its locale.

#include <gtest/gtest.h>

#include <clocale>
#include <string>

namespace kvtest {

inline constexpr const char* kDecimalCommaLocale = "de_DE.UTF-8";

class LocaleRestorer {
public:
    LocaleRestorer() : saved_(std::setlocale(LC_ALL, nullptr)) {}
    ~LocaleRestorer() { std::setlocale(LC_ALL, saved_.c_str()); }
    LocaleRestorer(const LocaleRestorer&) = delete;
    LocaleRestorer& operator=(const LocaleRestorer&) = delete;

private:
    std::string saved_;
};

template <typename Check>
void UnderDecimalCommaLocaleToo(Check check) {
    {
        SCOPED_TRACE(std::string("locale ") + std::setlocale(LC_ALL, nullptr));
        check();
    }
    LocaleRestorer restore;
    if (!std::setlocale(LC_ALL, kDecimalCommaLocale)) {
        FAIL() << "The locale " << kDecimalCommaLocale
               << " is not installed; these tests need it. Install it with:\n"
                  "  apt-get install locales\n"
                  "  echo \"de_DE.UTF-8 UTF-8\" >> /etc/locale.gen\n"
                  "  locale-gen";
    }
    // The point of the exercise: the C library itself now reads and writes "1,5".
    ASSERT_STREQ(std::localeconv()->decimal_point, ",");
    SCOPED_TRACE(std::string("locale ") + kDecimalCommaLocale);
    check();
}

}  // namespace kvtest
