#pragma once
/// Writing a file so that readers see either the old or the new content, never a half-written
/// one: the bytes go to a temporary file in the same folder, which is then renamed over the
/// target.

#include <string>
#include <string_view>

namespace tarn::lang {

/// Writes `content` to `path` atomically, creating missing parent folders. False with a reason
/// in *error (nothing changed) on failure. Any thread, but not two writers of one path at once.
bool writeFileAtomically(const std::string& path, std::string_view content,
                         std::string* error = nullptr);

}  // namespace tarn::lang
