#include "host/lang/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace tarn::lang {

namespace {

namespace fs = std::filesystem;

AtomicFileCalls defaultCalls() {
    return AtomicFileCalls{::write, ::fsync, ::close, ::rename};
}

AtomicFileCalls gCalls = defaultCalls();

std::atomic<unsigned> gTempCounter{0};

std::string describe(const std::string& path, const std::string& why) {
    return "cannot write \"" + path + "\": " + why;
}

bool fail(std::string* error, const std::string& path, const std::string& why) {
    if (error) *error = describe(path, why);
    return false;
}

// How a target is written.
enum class Route { Replace, InPlace };

struct Target {
    std::string path;  ///< as the caller named it (for messages)
    std::string real;  ///< after following symbolic links
    Route route = Route::Replace;
    bool exists = false;
    struct stat st {};
    std::string temp;    ///< the temporary of a replaced target
    std::string backup;  ///< the old content kept while a commit may still roll back
    bool renamed = false;
};

// Follows symbolic links (also dangling ones) to the path that is really written.
bool resolveLinks(const std::string& path, std::string& real, std::string& why) {
    real = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(real.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return true;
        std::string link(4096, '\0');
        const ssize_t n = ::readlink(real.c_str(), link.data(), link.size());
        if (n < 0 || std::size_t(n) >= link.size()) {
            why = "cannot read the symbolic link";
            return false;
        }
        link.resize(std::size_t(n));
        const fs::path next(link);
        real = next.is_absolute() ? link : (fs::path(real).parent_path() / next).string();
    }
    why = "too many levels of symbolic links";
    return false;
}

// Decides how to write the target; false (with a reason) when it must be refused.
bool classify(Target& t, std::string& why) {
    // A special file is opened by the name given: the kernel follows links such as /dev/stdout
    // that name no path (a pipe). Only a file that gets replaced needs the path it really has.
    t.real = t.path;
    if (::stat(t.path.c_str(), &t.st) != 0 || S_ISREG(t.st.st_mode)) {
        if (!resolveLinks(t.path, t.real, why)) return false;
    }
    if (::stat(t.real.c_str(), &t.st) != 0) {
        t.exists = false;
        t.route = Route::Replace;
        return true;
    }
    t.exists = true;
    const mode_t m = t.st.st_mode;
    if (S_ISREG(m)) {
        t.route = Route::Replace;
    } else if (S_ISCHR(m) || S_ISFIFO(m)) {
        t.route = Route::InPlace;
    } else if (S_ISDIR(m)) {
        why = "it is a folder";
        return false;
    } else {
        why = S_ISBLK(m) ? "it is a block device, not a regular file"
                         : "it is a socket, not a regular file";
        return false;
    }
    return true;
}

// Opens a special file in place without blocking on a FIFO that nobody reads, then switches the
// descriptor back to blocking writes.
int openInPlace(const Target& t, std::string& why) {
    const int fd = ::open(t.real.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        why = errno == ENXIO && S_ISFIFO(t.st.st_mode) ? "no process is reading the FIFO"
                                                       : std::strerror(errno);
        return -1;
    }
    struct stat now {};
    if (::fstat(fd, &now) != 0 || S_ISREG(now.st_mode) || S_ISDIR(now.st_mode)) {
        // Replaced by something else between the check and the open.
        ::close(fd);
        why = "the file changed while it was opened";
        return -1;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return fd;
}

// Writes, syncs and closes; every step checked. The descriptor is closed in any case.
bool finishFile(int fd, std::string_view content, bool special, std::string& why) {
    bool ok = writeAll(fd, content);
    if (ok && gCalls.fsync(fd) != 0) {
        // Devices and pipes cannot be synced; for them the checked writes are what counts.
        ok = special && (errno == EINVAL || errno == EROFS || errno == ENOTSUP);
    }
    int saved = errno;
    if (gCalls.close(fd) != 0 && ok) {
        ok = false;
        saved = errno;
    }
    if (!ok) why = std::strerror(saved);
    return ok;
}

// Makes the folder of a new target when the options allow it; otherwise refuses a target whose
// folder is missing (also one a symbolic link points into) with a message that names it.
bool prepareFolder(const Target& t, const AtomicWriteOptions& options, std::string& why) {
    const fs::path real(t.real);
    if (!real.has_parent_path()) return true;
    std::error_code ec;
    if (options.createFolders) {
        fs::create_directories(real.parent_path(), ec);
        return true;
    }
    if (fs::is_directory(real.parent_path(), ec)) return true;
    why = "the folder " + real.parent_path().string() + " does not exist";
    if (t.real != t.path) why += " (\"" + t.path + "\" is a link to " + t.real + ")";
    return false;
}

// Creates the temporary of a replaced target beside the file it stands in for.
bool writeTemporary(Target& t, std::string_view content, const AtomicWriteOptions& options,
                    std::string& why) {
    if (!prepareFolder(t, options, why)) return false;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        t.temp = t.real + ".tmp." + std::to_string(::getpid()) + "." +
                 std::to_string(gTempCounter.fetch_add(1));
        fd = ::open(t.temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) {
        why = std::strerror(errno);
        t.temp.clear();
        return false;
    }
    // The new file keeps the permissions of the one it replaces.
    if (t.exists) ::fchmod(fd, t.st.st_mode & 07777);
    if (!finishFile(fd, content, false, why)) {
        ::unlink(t.temp.c_str());
        t.temp.clear();
        return false;
    }
    return true;
}

void removeTemporaries(std::vector<Target>& targets) {
    for (Target& t : targets)
        if (!t.temp.empty() && !t.renamed) {
            ::unlink(t.temp.c_str());
            t.temp.clear();
        }
}

// Puts the targets already replaced in this commit back as they were.
void rollBack(std::vector<Target>& targets) {
    for (Target& t : targets) {
        if (!t.renamed) continue;
        if (!t.backup.empty())
            ::rename(t.backup.c_str(), t.real.c_str());
        else if (!t.exists)
            ::unlink(t.real.c_str());
        t.backup.clear();
    }
}

// True when two targets are one file (same path once normalised, or the same inode).
bool sameFile(const Target& a, const Target& b) {
    std::error_code ec1, ec2;
    const fs::path pa = fs::weakly_canonical(a.real, ec1);
    const fs::path pb = fs::weakly_canonical(b.real, ec2);
    if (!ec1 && !ec2 && pa == pb) return true;
    if (fs::path(a.real).lexically_normal() == fs::path(b.real).lexically_normal()) return true;
    return a.exists && b.exists && a.st.st_dev == b.st.st_dev && a.st.st_ino == b.st.st_ino;
}

}  // namespace

AtomicFileCalls& atomicFileCalls() {
    return gCalls;
}

void resetAtomicFileCalls() {
    gCalls = defaultCalls();
}

bool writeAll(int fd, std::string_view data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = gCalls.write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) {
            errno = EIO;
            return false;
        }
        done += std::size_t(n);
    }
    return true;
}

bool writeFileAtomically(const std::string& path, std::string_view content, std::string* error) {
    return writeFileAtomically(path, content, AtomicWriteOptions{}, error);
}

bool writeFileAtomically(const std::string& path, std::string_view content,
                         const AtomicWriteOptions& options, std::string* error) {
    return writeFilesAtomically({FileWrite{path, content}}, options, error);
}

bool writeFilesAtomically(const std::vector<FileWrite>& files, const AtomicWriteOptions& options,
                          std::string* error) {
    std::vector<Target> targets(files.size());
    std::string why;
    for (std::size_t i = 0; i < files.size(); ++i) {
        targets[i].path = files[i].path;
        if (files[i].path.empty()) return fail(error, files[i].path, "no file name");
        if (!classify(targets[i], why)) return fail(error, files[i].path, why);
        for (std::size_t j = 0; j < i; ++j)
            if (sameFile(targets[j], targets[i]))
                return fail(error, files[i].path,
                            "it is the same file as \"" + files[j].path + "\"");
    }

    // Write and check every temporary before any target changes.
    for (std::size_t i = 0; i < targets.size(); ++i) {
        if (targets[i].route != Route::Replace) continue;
        if (!writeTemporary(targets[i], files[i].content, options, why)) {
            removeTemporaries(targets);
            return fail(error, files[i].path, why);
        }
    }
    // Special files take their bytes in place; they cannot be taken back, so they go before any
    // rename.
    for (std::size_t i = 0; i < targets.size(); ++i) {
        if (targets[i].route != Route::InPlace) continue;
        const int fd = openInPlace(targets[i], why);
        if (fd < 0 || !finishFile(fd, files[i].content, true, why)) {
            removeTemporaries(targets);
            return fail(error, files[i].path, why);
        }
    }
    // Replace the targets; with more than one, keep the old content until all are in place.
    const bool keepOld = targets.size() > 1;
    for (std::size_t i = 0; i < targets.size(); ++i) {
        Target& t = targets[i];
        if (t.route != Route::Replace) continue;
        bool movedAside = false;
        if (keepOld && t.exists) {
            // A second name for the old file; where links are not possible, move it aside.
            t.backup = t.real + ".old." + std::to_string(::getpid()) + "." +
                       std::to_string(gTempCounter.fetch_add(1));
            if (::link(t.real.c_str(), t.backup.c_str()) != 0) {
                movedAside = ::rename(t.real.c_str(), t.backup.c_str()) == 0;
                if (!movedAside) t.backup.clear();
            }
        }
        if (gCalls.rename(t.temp.c_str(), t.real.c_str()) != 0) {
            why = std::strerror(errno);
            if (movedAside)
                ::rename(t.backup.c_str(), t.real.c_str());
            else if (!t.backup.empty())
                ::unlink(t.backup.c_str());
            t.backup.clear();
            rollBack(targets);
            removeTemporaries(targets);
            return fail(error, files[i].path, "cannot replace it: " + why);
        }
        t.renamed = true;
    }
    for (Target& t : targets)
        if (!t.backup.empty()) ::unlink(t.backup.c_str());
    return true;
}

int openOutputStream(const std::string& path, const AtomicWriteOptions& options,
                     std::string* error) {
    Target t;
    t.path = path;
    std::string why;
    if (path.empty()) {
        fail(error, path, "no file name");
        return -1;
    }
    if (!classify(t, why)) {
        fail(error, path, why);
        return -1;
    }
    if (t.route == Route::InPlace) {
        const int fd = openInPlace(t, why);
        if (fd < 0) fail(error, path, why);
        return fd;
    }
    if (!prepareFolder(t, options, why)) {
        fail(error, path, why);
        return -1;
    }
    const int fd =
        ::open(t.real.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0666);
    if (fd < 0) fail(error, path, std::strerror(errno));
    return fd;
}

}  // namespace tarn::lang
