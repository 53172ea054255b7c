#pragma once
/// The journal: every text run through KGlobal::executeCommand (and every top-level text the
/// tarn program runs) with its flags, result and status, in order. Tests read it; `tarn
/// --journal FILE` writes it out as JSON lines. Main thread only.

#include <cstddef>
#include <string>
#include <vector>

namespace tarn::lang {

struct JournalEntry {
    std::string text;
    bool display = false;
    bool undo = false;
    std::string result;  ///< the result as the shell shows it ("" for none)
    int status = 0;      ///< 0 success, 1 failure, -1 still running
    std::string error;   ///< the error message of a failure
    std::string origin;  ///< "api" (executeCommand), "idle", "script", "shell", "command-line"
};

class Journal {
public:
    /// Appends a finished entry.
    void record(JournalEntry entry);
    /// Appends an entry for a text that starts running (status -1 until finished), so texts
    /// appear in the order they started even when one runs inside another. Answers its id.
    std::size_t begin(JournalEntry entry);
    /// Completes the entry `id` with its outcome (ignored when it was dropped meanwhile).
    void finish(std::size_t id, std::string result, int status, std::string error);
    const std::vector<JournalEntry>& entries() const { return m_entries; }
    /// Texts only, in order (convenient for tests).
    std::vector<std::string> texts() const;
    void clear() {
        m_dropped += m_entries.size();
        m_entries.clear();
    }
    /// Oldest entries are dropped beyond this many (default 100000).
    void setCapacity(std::size_t n);

    /// One JSON object per entry and line. Pure.
    std::string toJsonLines() const;
    /// Writes toJsonLines() to `path` (atomically: a temporary file renamed over it). False with
    /// a reason in *error when the file cannot be written.
    bool writeTo(const std::string& path, std::string* error = nullptr) const;

private:
    void trim();

    std::vector<JournalEntry> m_entries;
    std::size_t m_capacity = 100000;
    std::size_t m_dropped = 0;  ///< entries dropped from the front so far (ids stay stable)
};

/// The host's journal (process-wide).
Journal& journal();

}  // namespace tarn::lang
