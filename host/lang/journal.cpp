#include "host/lang/journal.h"

#include "host/lang/atomic_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <nlohmann/json.hpp>

namespace tarn::lang {

namespace {

std::string jsonLine(const JournalEntry& e, std::size_t seq) {
    nlohmann::json j = {{"seq", seq},        {"text", e.text},     {"display", e.display},
                        {"undo", e.undo},    {"result", e.result}, {"status", e.status},
                        {"origin", e.origin}};
    if (!e.error.empty()) j["error"] = e.error;
    // Replace invalid UTF-8 rather than throwing on binary junk in a text.
    return j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

}  // namespace

void Journal::record(JournalEntry entry) {
    m_entries.push_back(std::move(entry));
    stream(m_entries.back(), m_dropped + m_entries.size() - 1);
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
    stream(e, id);
}

void Journal::stream(const JournalEntry& entry, std::size_t seq) {
    if (m_fd < 0 || !m_streamProblem.empty()) return;
    if (!writeAll(m_fd, jsonLine(entry, seq)))
        m_streamProblem = "cannot write \"" + m_streamPath + "\": " + std::strerror(errno);
}

bool Journal::streamTo(const std::string& path, std::string* error) {
    closeStream();
    const int fd = openOutputStream(path, AtomicWriteOptions{}, error);
    if (fd < 0) return false;
    m_fd = fd;
    m_streamPath = path;
    struct stat st {};
    if (::fstat(fd, &st) == 0) {
        m_streamDevice = st.st_dev;
        m_streamInode = st.st_ino;
    }
    m_streamProblem.clear();
    for (std::size_t i = 0; i < m_entries.size(); ++i)
        if (m_entries[i].status != -1) stream(m_entries[i], m_dropped + i);
    return true;
}

bool Journal::streamsTo(const std::string& path) const {
    struct stat st {};
    return m_fd >= 0 && ::stat(path.c_str(), &st) == 0 && st.st_dev == m_streamDevice &&
           st.st_ino == m_streamInode;
}

bool Journal::closeStream(std::string* error) {
    if (m_fd < 0) return true;
    std::string problem = m_streamProblem;
    // Devices and pipes cannot be synced; their checked writes are what counts.
    if (::fsync(m_fd) != 0 && errno != EINVAL && errno != EROFS && errno != ENOTSUP &&
        problem.empty())
        problem = "cannot write \"" + m_streamPath + "\": " + std::strerror(errno);
    if (::close(m_fd) != 0 && problem.empty())
        problem = "cannot write \"" + m_streamPath + "\": " + std::strerror(errno);
    m_fd = -1;
    m_streamProblem.clear();
    if (!problem.empty() && error) *error = problem;
    return problem.empty();
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
    for (std::size_t i = 0; i < m_entries.size(); ++i) out += jsonLine(m_entries[i], m_dropped + i);
    return out;
}

bool Journal::writeTo(const std::string& path, std::string* error) const {
    return writeFileAtomically(path, toJsonLines(), error);
}

namespace {

// True when `a` and `b` name one file: the same device and inode when both exist, the same
// absolute normalised path when neither does.
bool sameFile(const std::string& a, const std::string& b) {
    struct stat sa {
    }, sb{};
    const bool aExists = ::stat(a.c_str(), &sa) == 0, bExists = ::stat(b.c_str(), &sb) == 0;
    if (aExists || bExists)
        return aExists && bExists && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    std::error_code ea, eb;
    const std::filesystem::path pa = std::filesystem::weakly_canonical(a, ea);
    const std::filesystem::path pb = std::filesystem::weakly_canonical(b, eb);
    return !ea && !eb && pa == pb;
}

}  // namespace

std::string journalClash(const std::string& journalPath, const std::vector<JournalGuard>& reads) {
    for (const JournalGuard& r : reads) {
        if (r.path.empty() || !sameFile(journalPath, r.path)) continue;
        std::string text = "\"" + journalPath + "\" is " + r.role;
        if (r.path != journalPath) text += " (\"" + r.path + "\")";
        return text + ": the journal would empty it; name another file for the journal";
    }
    return {};
}

Journal& journal() {
    static Journal* j = new Journal;  // lives until exit, like the host
    return *j;
}

}  // namespace tarn::lang
