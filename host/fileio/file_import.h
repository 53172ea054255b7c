#pragma once
/// Importing files through registered translators: the `file -import [-type NAME] PATH` command
/// and the function behind it. Main thread only.

#include <string>

#include "frame/k_status.h"

namespace tarn::fileio {

struct ImportOutcome {
    KStatus status;
    std::string translator;  ///< the translator that read the file (empty when none was found)
    std::string error;       ///< why it failed, for the user
};

/// Imports `path` with the translator named `type`, or, when `type` is empty, with the first
/// registered translator whose file identification claims the file (an "is my type" answer wins
/// over "could be"). The idle queue is flushed afterwards.
ImportOutcome importFile(const std::string& path, const std::string& type);

}  // namespace tarn::fileio
