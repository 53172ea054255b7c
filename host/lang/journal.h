#pragma once
/// The journal: every text run through KGlobal::executeCommand (and every top-level text the
/// tarn program runs) with its flags, result and status, in the order they started. Tests read
/// it; `tarn --journal FILE` streams it to a file, one JSON line per text written the moment the
/// text finishes, so a run that is interrupted or killed keeps every finished text. Main thread
/// only.

#include <cstddef>
#include <deque>
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
    Journal() = default;
    Journal(const Journal&) = delete;
    Journal& operator=(const Journal&) = delete;
    ~Journal() { closeStream(); }

    /// Appends a finished entry.
    void record(JournalEntry entry);
    /// Appends an entry for a text that starts running (status -1 until finished), so texts
    /// appear in the order they started even when one runs inside another. Answers its id.
    std::size_t begin(JournalEntry entry);
    /// Completes the entry `id` with its outcome (ignored when it was dropped meanwhile).
    void finish(std::size_t id, std::string result, int status, std::string error);
    const std::deque<JournalEntry>& entries() const { return m_entries; }
    /// Texts only, in order (convenient for tests).
    std::vector<std::string> texts() const;
    void clear() {
        m_dropped += m_entries.size();
        m_entries.clear();
    }
    /// Oldest entries are dropped beyond this many (default 100000).
    void setCapacity(std::size_t n);

    /// One JSON object per entry and line. Pure. Each object holds "seq", the entry's start
    /// number (0 for the first text journalled), then text, display, undo, result, status,
    /// origin and, for a failure, error.
    std::string toJsonLines() const;
    /// Writes toJsonLines() to `path` (atomically: a temporary file renamed over it). False with
    /// a reason in *error when the file cannot be written.
    bool writeTo(const std::string& path, std::string* error = nullptr) const;

    /// Starts streaming to `path` (emptied first; a character device or a FIFO with a reader is
    /// written in place): the finished entries so far, then each entry as it finishes, one line
    /// appended and handed to the system at once. A text that runs inside another finishes, and
    /// is written, before it; "seq" gives the start order. False with a reason when the file
    /// cannot be opened.
    bool streamTo(const std::string& path, std::string* error = nullptr);
    /// True while the stream is open on the file `path` names (compared by device and inode, so
    /// any spelling of the path, links included, is recognised).
    bool streamsTo(const std::string& path) const;
    /// Ends the stream: syncs and closes the file. False with a reason when any write, the sync
    /// or the close failed (the first failure stopped the stream).
    bool closeStream(std::string* error = nullptr);

private:
    void trim();
    void stream(const JournalEntry& entry, std::size_t seq);

    // A deque: dropping the oldest entry of a full journal costs as little as adding one.
    std::deque<JournalEntry> m_entries;
    std::size_t m_capacity = 100000;
    std::size_t m_dropped = 0;  ///< entries dropped from the front so far (ids stay stable)
    int m_fd = -1;              ///< the stream's file, or -1
    unsigned long long m_streamDevice = 0, m_streamInode = 0;  ///< the stream file's identity
    std::string m_streamPath;
    std::string m_streamProblem;  ///< the first write failure ("" while fine)
};

/// The host's journal (process-wide).
Journal& journal();

/// A file a run reads that the journal, emptied when it opens, must not be: its role for
/// messages ("the script") and its path.
struct JournalGuard {
    std::string role;
    std::string path;
};

/// Why `journalPath` cannot take the journal because it names the same file as one of `reads`,
/// or "" when it can. Existing files are compared by device and inode (any spelling of a path,
/// links included, names the file it reaches); paths of files that do not exist yet by their
/// absolute, normalised form. Pure apart from reading file status.
std::string journalClash(const std::string& journalPath, const std::vector<JournalGuard>& reads);

}  // namespace tarn::lang
