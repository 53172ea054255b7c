#pragma once
/// Replaying a journal (the JSON lines `tarn --journal` writes): the texts a session ran at the
/// top (from a script, the shell, the window, the command line) are run again in order, so a
/// window session can be reproduced headless. Left out: texts run inside another text (a
/// tool's commands, a script's nested texts: the outer text runs them again), deferred texts
/// (the texts that queued them queue them again), texts that failed (they changed nothing) and
/// texts that only ask (queries: `getAttr`, `ls`, `polyEvaluate`, `-q` ...). Replay stops at
/// the first text that fails, naming its line in the journal. Main thread only.

#include <string>
#include <string_view>
#include <vector>

namespace tarn::lang {

/// A text of a journal chosen for replay, with its line in the journal (1-based).
struct ReplayText {
    int line = 0;
    std::string text;
};

/// The texts of a journal's content to run again, in order. False with `*error` ("LINE: why")
/// when a line is not a journal entry.
/// `*entries` (when given) receives the number of entries the journal holds.
bool replayTexts(std::string_view journal, std::vector<ReplayText>& out, std::string* error,
                 int* entries = nullptr);

/// True when every statement of `text` only asks (a query command, or a command with -q or
/// -query whose arguments run nothing).
bool isQueryOnly(std::string_view text);

struct ReplayOutcome {
    bool ok = false;
    int ran = 0;        ///< texts run
    int skipped = 0;    ///< entries of the journal left out
    std::string error;  ///< "JOURNAL:LINE: ..." for the text that failed, or why it was not read
};

/// Reads the journal at `path` and runs its texts (undo on, each one undo step).
ReplayOutcome replayJournal(const std::string& path);

}  // namespace tarn::lang
