#include "host/lang/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tarn::lang {
namespace {

// What a file that is not a regular one is, for messages.
const char* kindOf(mode_t mode) {
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISSOCK(mode)) return "a socket";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
    return "not a regular file";
}

}  // namespace

std::string regularFileProblem(const std::string& path) {
    if (containsNul(path)) return "the name contains a NUL character";
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return errno == ENOENT ? std::string(kFileMissing) : std::strerror(errno);
    if (!S_ISREG(st.st_mode)) return std::string("it is ") + kindOf(st.st_mode);
    return {};
}

int openRegularFile(const std::string& path, std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return -1;
    };
    if (std::string why = regularFileProblem(path); !why.empty()) return fail(why);
    // Note: O_NONBLOCK keeps the open itself from waiting on a FIFO put there after the check.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return fail(std::strerror(errno));
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return fail(std::string("it is ") + kindOf(st.st_mode));
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

bool readTextFile(const std::string& path, std::string& text, std::string* error) {
    auto fail = [&](const char* verb, const std::string& why) {
        if (error)
            *error = std::string(verb) + " file \"" + path.c_str() + "\"" +
                     (why.empty() ? "" : ": " + why) + ".";
        return false;
    };
    std::string why;
    const int fd = openRegularFile(path, &why);
    if (fd < 0) return fail("Cannot open", why == std::string(kFileMissing) ? std::string() : why);
    // In pieces, so that an enormous file stops at the limit.
    std::string content;
    char piece[1 << 16];
    for (;;) {
        const ssize_t got = ::read(fd, piece, sizeof piece);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            const int code = errno;
            ::close(fd);
            return fail("Cannot read", std::strerror(code));
        }
        if (got == 0) break;
        if (content.size() + static_cast<std::size_t>(got) > kMaxTextFileBytes) {
            ::close(fd);
            return fail("Cannot read",
                        "it is larger than " + std::to_string(kMaxTextFileBytes) + " bytes");
        }
        content.append(piece, static_cast<std::size_t>(got));
    }
    ::close(fd);
    text = std::move(content);
    return true;
}

bool readWholeFile(const std::string& path, std::size_t limit, std::string& text,
                   std::string* error) {
    const int fd = openRegularFile(path, error);
    if (fd < 0) return false;
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        ::close(fd);
        return false;
    };
    struct stat st {};
    if (::fstat(fd, &st) != 0) return fail(std::strerror(errno));
    if (st.st_size < 0 || static_cast<unsigned long long>(st.st_size) > limit)
        return fail("it is larger than " + std::to_string(limit) + " bytes");
    // Sized once from the file's length: a large file is read without copies.
    std::string content(static_cast<std::size_t>(st.st_size), '\0');
    std::size_t got = 0;
    while (got < content.size()) {
        const ssize_t n = ::read(fd, content.data() + got, content.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return fail(std::strerror(errno));
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    content.resize(got);
    text = std::move(content);
    return true;
}

}  // namespace tarn::lang
