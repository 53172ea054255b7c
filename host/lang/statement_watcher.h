#pragma once
/// A watcher of long runs: called before each top-level statement of every text the host runs,
/// with the text's source name and the statement's line, so a window can show progress and stay
/// responsive while a long script runs. One watcher at a time. Main thread only.

#include <functional>
#include <string>

namespace tarn::lang {

using StatementWatcher = std::function<void(const std::string& source, int line)>;

/// Installs `watcher` (an empty function removes it).
void setStatementWatcher(StatementWatcher watcher);

}  // namespace tarn::lang
