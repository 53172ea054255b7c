#pragma once
/// Reading a whole text file: a script to run or the preferences.

#include <cstddef>
#include <string>

namespace tarn::lang {

/// Largest text file read whole (256 MiB); a larger file, or an endless device, is refused.
constexpr std::size_t kMaxTextFileBytes = std::size_t(1) << 28;

/// Reads the file at `path` into `text`. False with a reason in *error (and `text` untouched)
/// when it cannot be opened, is a folder, cannot be read, or holds more than kMaxTextFileBytes.
bool readTextFile(const std::string& path, std::string& text, std::string* error = nullptr);

}  // namespace tarn::lang
