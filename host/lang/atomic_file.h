#pragma once
/// Writing files so that readers see either the old or the new content, never a half-written
/// one, and so that a failed write destroys nothing.
///
/// A regular (or new) target gets its bytes in a temporary file in the same folder; every write,
/// the fsync and the close are checked, then the temporary is renamed over the target (keeping
/// the old file's permission bits). A target that is a symbolic link writes to the file it points
/// to; the link stays. A character device (such as /dev/null) or a FIFO is written in place (a
/// FIFO is opened without blocking and refused when no process reads it); a folder, a block
/// device or a socket is refused. A failure leaves no temporary behind.

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tarn::lang {

struct AtomicWriteOptions {
    bool createFolders = true;  ///< create missing parent folders of a new target
};

/// One file of a commit.
struct FileWrite {
    std::string path;
    std::string_view content;
};

/// Writes `content` to `path` atomically. False with a reason in *error ("cannot write \"PATH\":
/// why") and the target unchanged on failure. Any thread, but not two writers of one path at
/// once.
bool writeFileAtomically(const std::string& path, std::string_view content,
                         std::string* error = nullptr);
bool writeFileAtomically(const std::string& path, std::string_view content,
                         const AtomicWriteOptions& options, std::string* error = nullptr);

/// Writes several files as one commit (an OBJ with its MTL): every temporary is written and
/// checked before any target is replaced; when a later replacement fails the earlier targets
/// get their old content back, so there is neither a stray file nor a mismatched set. Two paths
/// that name the same file are refused before anything is written.
bool writeFilesAtomically(const std::vector<FileWrite>& files, const AtomicWriteOptions& options,
                          std::string* error = nullptr);

/// Opens `path` for a stream of writes (the journal): a regular or new file is created and
/// emptied, a character device or a FIFO with a reader is opened in place; anything else is
/// refused. Answers the descriptor (blocking, close-on-exec) or -1 with a reason in *error.
int openOutputStream(const std::string& path, const AtomicWriteOptions& options,
                     std::string* error = nullptr);

/// Writes all of `data` to `fd`, retrying short and interrupted writes. False with errno set
/// on failure.
bool writeAll(int fd, std::string_view data);

/// The system calls the writers above make. Tests replace one to simulate a failure (a full
/// disk on the temporary, a rename refused half way through a commit) and restore the defaults
/// with resetAtomicFileCalls(). Not thread safe; for tests only.
struct AtomicFileCalls {
    ssize_t (*write)(int fd, const void* data, std::size_t size);
    int (*fsync)(int fd);
    int (*close)(int fd);
    int (*rename)(const char* from, const char* to);
};
AtomicFileCalls& atomicFileCalls();
void resetAtomicFileCalls();

}  // namespace tarn::lang
