#include "host/lang/journal_replay.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <climits>

#include "host/lang/execute.h"
#include "host/lang/parser.h"
#include "host/lang/text_file.h"

namespace tarn::lang {

namespace {

// Commands that only read the scene or the session.
constexpr const char* kQueries[] = {
    "getAttr",       "ls",           "listRelatives", "listConnections", "listHistory",
    "listAttr",      "polyEvaluate", "describeScene", "pluginInfo",      "help",
    "exists",        "whatIs",       "currentCtx",    "contextInfo",     "imageInfo",
    "sampleTexture", "viewProject",  "viewRay",       "viewEdges",       "size",
};

// Largest journal read (1 GiB).
constexpr std::size_t kMaxJournalBytes = std::size_t(1) << 30;

bool runsNothing(const Expr& e) {
    switch (e.kind) {
        case ExprKind::Call:
        case ExprKind::Backquote:
        case ExprKind::Assign:
        case ExprKind::IncDec:
            return false;
        default:
            break;
    }
    for (const ExprPtr& k : e.kids)
        if (k && !runsNothing(*k)) return false;
    return true;
}

bool isQueryCall(const Expr& e) {
    if (e.kind != ExprKind::Call) return false;
    bool query = std::any_of(std::begin(kQueries), std::end(kQueries),
                             [&](const char* name) { return e.name == name; });
    for (const Arg& a : e.args) {
        if (!a.expr || !runsNothing(*a.expr)) return false;
        if (a.flagCandidate && a.expr->kind == ExprKind::Literal) {
            const std::string flag = a.expr->value.asString();
            query = query || flag == "-q" || flag == "-query";
        }
    }
    return query;
}

}  // namespace

bool isQueryOnly(std::string_view text) {
    ParseError error;
    const std::shared_ptr<Script> script = parseScript(text, "", &error);
    if (!script) return false;
    bool any = false;
    for (const StmtPtr& s : script->statements) {
        if (s->kind == StmtKind::Empty) continue;
        if (s->kind != StmtKind::Expr || !s->expr || !isQueryCall(*s->expr)) return false;
        any = true;
    }
    return any;
}

bool replayTexts(std::string_view journal, std::vector<ReplayText>& out, std::string* error,
                 int* entryCount) {
    struct Entry {
        int line;
        long long seq;
        std::string text, origin;
        long long status;
    };
    std::vector<Entry> entries;
    int line = 0;
    std::size_t at = 0;
    while (at < journal.size()) {
        ++line;
        std::size_t end = journal.find('\n', at);
        if (end == std::string_view::npos) end = journal.size();
        const std::string_view row = journal.substr(at, end - at);
        at = end + 1;
        if (row.find_first_not_of(" \t\r") == std::string_view::npos) continue;
        const nlohmann::json j = nlohmann::json::parse(row, nullptr, false);
        if (j.is_discarded() || !j.is_object() || !j.contains("text") || !j["text"].is_string()) {
            if (error)
                *error = std::to_string(line) + ": not a journal entry (a JSON object with a text)";
            return false;
        }
        Entry e;
        e.line = line;
        e.text = j["text"].get<std::string>();
        e.origin = j.value("origin", std::string());
        e.seq = j.contains("seq") && j["seq"].is_number_integer() ? j["seq"].get<long long>() : -1;
        e.status = j.contains("status") && j["status"].is_number_integer()
                       ? j["status"].get<long long>()
                       : 0;
        entries.push_back(std::move(e));
    }
    // A text run inside another starts after it and is written before it (texts are written as
    // they finish): it is nested when a later line started earlier.
    long long earliestLater = LLONG_MAX;
    std::vector<bool> nested(entries.size(), false);
    for (std::size_t i = entries.size(); i-- > 0;) {
        const long long seq = entries[i].seq;
        if (seq >= 0) {
            nested[i] = seq > earliestLater;
            earliestLater = std::min(earliestLater, seq);
        }
    }
    out.clear();
    if (entryCount) *entryCount = static_cast<int>(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const Entry& e = entries[i];
        if (nested[i] || e.origin == "idle" || e.status != 0 || isQueryOnly(e.text)) continue;
        out.push_back({e.line, e.text});
    }
    return true;
}

ReplayOutcome replayJournal(const std::string& path) {
    ReplayOutcome out;
    std::string content, why;
    if (!readWholeFile(path, kMaxJournalBytes, content, &why)) {
        out.error = why == kFileMissing ? "File not found: " + path
                                        : "Cannot read \"" + path + "\": " + why;
        return out;
    }
    std::vector<ReplayText> texts;
    int entries = 0;
    if (!replayTexts(content, texts, &why, &entries)) {
        out.error = path + ":" + why;
        return out;
    }
    out.skipped = entries - static_cast<int>(texts.size());
    for (const ReplayText& t : texts) {
        ExecuteOptions options;
        options.undo = true;
        options.origin = "replay";
        options.flushIdleEachStatement = true;
        const RunResult r = executeText(t.text, options);
        if (!r.ok) {
            out.error =
                path + ":" + std::to_string(t.line) + ": the replay stopped here: " + r.error;
            return out;
        }
        ++out.ran;
    }
    out.ok = true;
    return out;
}

}  // namespace tarn::lang
