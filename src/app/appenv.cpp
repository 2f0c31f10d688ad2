#include "app/appenv.h"

#include <QCoreApplication>

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace kv::app {

std::string ProgramDirectory(const char* argv0) {
    // The running executable's own directory: argv[0] may be a bare name found
    // on the search path, or a link elsewhere.
    if (QCoreApplication::instance()) {
        const std::string dir = QCoreApplication::applicationDirPath().toStdString();
        if (!dir.empty()) return dir.back() == '/' ? dir : dir + "/";
    }
    if (argv0) {
        const std::string a(argv0);
        const auto slash = a.find_last_of('/');
        if (slash != std::string::npos) return a.substr(0, slash + 1);
    }
    return "./";
}

std::string LogonUserName() {
    // getpwuid_r with a buffer the system suggests, grown when too small.
    long hint = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buf(std::size_t(hint > 0 ? hint : 1024));
    for (int tries = 0; tries < 8; ++tries) {
        passwd pw{};
        passwd* result = nullptr;
        const int rc = getpwuid_r(geteuid(), &pw, buf.data(), buf.size(), &result);
        if (rc == 0 && result && result->pw_name && *result->pw_name) return result->pw_name;
        if (rc != ERANGE) break;
        buf.resize(buf.size() * 2);
    }
    for (const char* var : {"USER", "LOGNAME"}) {
        const char* v = std::getenv(var);
        if (v && *v) return v;
    }
    return {};
}

std::string ComputeProfilePath(const char* home, const std::string& user,
                               const std::string& appDirectory) {
    if (home && *home) return std::string(home) + "/" + user + ".korvida";
    return appDirectory + user + ".korvida";
}

}  // namespace kv::app
