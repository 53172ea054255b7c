#include "host/lang/journal.h"

#include "host/lang/atomic_file.h"

#include <nlohmann/json.hpp>

namespace tarn::lang {

void Journal::record(JournalEntry entry) {
    m_entries.push_back(std::move(entry));
    trim();
}

std::size_t Journal::begin(JournalEntry entry) {
    entry.status = -1;
    m_entries.push_back(std::move(entry));
    std::size_t id = m_dropped + m_entries.size() - 1;
    trim();
    return id;
}

void Journal::finish(std::size_t id, std::string result, int status, std::string error) {
    if (id < m_dropped || id - m_dropped >= m_entries.size()) return;
    JournalEntry& e = m_entries[id - m_dropped];
    e.result = std::move(result);
    e.status = status;
    e.error = std::move(error);
}

void Journal::trim() {
    if (m_entries.size() <= m_capacity) return;
    std::size_t drop = m_entries.size() - m_capacity;
    m_entries.erase(m_entries.begin(), m_entries.begin() + std::ptrdiff_t(drop));
    m_dropped += drop;
}

std::vector<std::string> Journal::texts() const {
    std::vector<std::string> out;
    out.reserve(m_entries.size());
    for (const auto& e : m_entries) out.push_back(e.text);
    return out;
}

void Journal::setCapacity(std::size_t n) {
    m_capacity = n == 0 ? 1 : n;
    trim();
}

std::string Journal::toJsonLines() const {
    std::string out;
    for (const auto& e : m_entries) {
        nlohmann::json j = {{"text", e.text},     {"display", e.display}, {"undo", e.undo},
                            {"result", e.result}, {"status", e.status},   {"origin", e.origin}};
        if (!e.error.empty()) j["error"] = e.error;
        // Replace invalid UTF-8 rather than throwing on binary junk in a text.
        out += j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
        out += '\n';
    }
    return out;
}

bool Journal::writeTo(const std::string& path, std::string* error) const {
    return writeFileAtomically(path, toJsonLines(), error);
}

Journal& journal() {
    static Journal* j = new Journal;  // lives until exit, like the host
    return *j;
}

}  // namespace tarn::lang
