#include "host/render/job_report.h"

#include <unistd.h>

#include <cstdio>
#include <mutex>

namespace tarn::jobs {
namespace {

bool g_quiet = false;
// Progress lines come from worker threads; the lock keeps two of them from interleaving.
std::mutex g_lineMutex;

}  // namespace

void setQuiet(bool quiet) {
    g_quiet = quiet;
}
bool quiet() {
    return g_quiet;
}

void message(const char* job, const std::string& text) {
    std::fprintf(stderr, "tarn %s: %s\n", job, text.c_str());
}

void note(const char* job, const std::string& text) {
    if (!g_quiet) message(job, text);
}

JobProgress::JobProgress(const char* job, long total)
    : m_job(job),
      m_total(total > 0 ? total : 1),
      m_step(m_total / 100 > 0 ? m_total / 100 : 1),
      m_enabled(!g_quiet && ::isatty(STDERR_FILENO) != 0),
      m_start(std::chrono::steady_clock::now()) {}

JobProgress::~JobProgress() {
    finish();
}

void JobProgress::advance(long units) {
    if (!m_enabled) return;
    const long before = m_done.fetch_add(units, std::memory_order_relaxed);
    const long after = before + units;
    // Look at the clock only when a hundredth of the work has passed.
    if (before / m_step == after / m_step) return;
    using namespace std::chrono;
    if (steady_clock::now() - m_start < seconds(1)) return;
    const int percent = static_cast<int>(after * 100 / m_total);
    int shown = m_shown.load(std::memory_order_relaxed);
    if (percent <= shown || !m_shown.compare_exchange_strong(shown, percent)) return;
    std::lock_guard<std::mutex> lock(g_lineMutex);
    std::fprintf(stderr, "\rtarn %s: %3d%%", m_job, percent > 100 ? 100 : percent);
    std::fflush(stderr);
    m_printed.store(true, std::memory_order_relaxed);
}

void JobProgress::finish() {
    if (!m_printed.exchange(false)) return;
    std::lock_guard<std::mutex> lock(g_lineMutex);
    std::fprintf(stderr, "\r\033[K");
    std::fflush(stderr);
}

}  // namespace tarn::jobs
