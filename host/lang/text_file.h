#pragma once
/// Reading a whole text file: a script to run or the preferences. Only regular files are read:
/// a FIFO, device or socket is refused before it is opened, so nothing blocks on one.

#include <cstddef>
#include <string>
#include <string_view>

namespace tarn::lang {

/// Largest text file read whole (256 MiB); a larger file, or an endless device, is refused.
constexpr std::size_t kMaxTextFileBytes = std::size_t(1) << 28;

/// A path with a NUL inside would name another file to the system (the name stops at the NUL):
/// every path leaving the language is checked with this first.
inline bool containsNul(std::string_view path) {
    return path.find('\0') != std::string_view::npos;
}

/// The reason regularFileProblem gives for a missing file.
constexpr const char* kFileMissing = "it does not exist";

/// Why the file at `path` cannot be read as a regular file, or "" when it can: a NUL inside the
/// name, a missing file, a folder, or a FIFO, device or socket. Never blocks.
std::string regularFileProblem(const std::string& path);

/// Opens `path` for reading without blocking, and only when it is a regular file (checked on the
/// opened descriptor, so a file swapped in after a check is refused too). The descriptor (the
/// caller closes it), or -1 with the reason in *error.
int openRegularFile(const std::string& path, std::string* error = nullptr);

/// Reads the whole regular file at `path` into `text`, up to `limit` bytes (a larger file is
/// refused before it is read). False with a reason in *error (and `text` untouched).
bool readWholeFile(const std::string& path, std::size_t limit, std::string& text,
                   std::string* error = nullptr);

/// Reads the file at `path` into `text`. False with a reason in *error (and `text` untouched)
/// when it cannot be opened, is not a regular file, cannot be read, or holds more than
/// kMaxTextFileBytes.
bool readTextFile(const std::string& path, std::string& text, std::string* error = nullptr);

}  // namespace tarn::lang
