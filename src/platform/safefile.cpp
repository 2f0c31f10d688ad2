#include "platform/safefile.h"

#include "platform/largealloc.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>

namespace kv {

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

ReplacingFileWriter::ReplacingFileWriter(const std::string& path) : target_(path) {
    if (char* real = ::realpath(path.c_str(), nullptr)) {
        target_ = real;
        std::free(real);
    }
    struct stat st;
    const bool existed = ::stat(target_.c_str(), &st) == 0;
    if (existed && !S_ISREG(st.st_mode)) return;

    const std::size_t slash = target_.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    std::random_device random;
    int fd = -1;
    for (int attempt = 0; attempt < 32 && fd < 0; ++attempt) {
        char suffix[40];
        std::snprintf(suffix, sizeof suffix, ".%08x.tmp", unsigned(random()));
        temp_ = target_.substr(0, nameStart) + "." + target_.substr(nameStart) + suffix;
        fd = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST && errno != EINTR) break;
    }
    if (fd < 0) {
        temp_.clear();
        return;
    }
    if (existed) (void)::fchmod(fd, st.st_mode & 07777);
    file_ = ::fdopen(fd, "wb");
    if (!file_) {
        ::close(fd);
        ::unlink(temp_.c_str());
        temp_.clear();
    }
}

ReplacingFileWriter::~ReplacingFileWriter() { Abort(); }

bool ReplacingFileWriter::Commit() {
    if (!file_) return false;
    bool ok = std::fflush(file_) == 0 && !std::ferror(file_);
    ok = ::fsync(::fileno(file_)) == 0 && ok;
    ok = std::fclose(file_) == 0 && ok;
    file_ = nullptr;
    if (ok) ok = std::rename(temp_.c_str(), target_.c_str()) == 0;
    if (!ok) ::unlink(temp_.c_str());
    temp_.clear();
    return ok;
}

void ReplacingFileWriter::Abort() {
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (!temp_.empty()) {
        ::unlink(temp_.c_str());
        temp_.clear();
    }
}

std::FILE* OpenRegularFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    (void)::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::FILE* f = ::fdopen(fd, "rb");
    if (!f) ::close(fd);
    return f;
}

bool ReadWholeFile(const std::string& path, std::string& out) {
    out.clear();
    std::unique_ptr<std::FILE, FileCloser> f(OpenRegularFile(path));
    if (!f) return false;
    struct stat st;
    if (::fstat(::fileno(f.get()), &st) != 0) return false;
    // Read in one piece into room of the file's size (one more byte tells a
    // file that grew meanwhile, which is read on in chunks).
    std::size_t size = std::size_t(st.st_size) + 1;
    out.reserve(size);
    AdviseHugePages(out.data(), size);
    out.resize(size);
    std::size_t have = std::fread(out.data(), 1, size, f.get());
    while (have == out.size()) {
        out.resize(out.size() * 2);
        have += std::fread(out.data() + have, 1, out.size() - have, f.get());
    }
    out.resize(have);
    return !std::ferror(f.get());
}

std::string ReplaceExtension(const std::string& path, const char* ext) {
    const std::size_t slash = path.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = path.rfind('.');
    const std::size_t stem = dot != std::string::npos && dot > nameStart ? dot : path.size();
    return path.substr(0, stem) + ext;
}

bool PreserveAs(const std::string& from, const std::string& to) {
    // A second name for the old file costs nothing and keeps it exactly, as long
    // as its content is only ever replaced by a rename (which ReplacingFileWriter
    // does). Where the file system has no hard links, the content is copied.
    ::unlink(to.c_str());
    if (::linkat(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
    std::error_code ec;
    return std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing, ec);
}

}  // namespace kv
