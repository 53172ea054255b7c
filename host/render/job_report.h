#pragma once
/// What the batch jobs (`tarn swatch`, `tarn shade`, `tarn import`) tell their user, in one
/// shape for every job: messages on the error stream as "tarn JOB: text", data alone on the
/// standard output, and a progress line on a terminal for work that takes a while.
/// Main thread only, except `JobProgress::advance`, which any worker thread may call.

#include <atomic>
#include <chrono>
#include <string>

namespace tarn::jobs {

/// Quiet jobs print no success or progress messages (errors and data still go out).
void setQuiet(bool quiet);
bool quiet();

/// Writes "tarn JOB: text" and a line feed on the error stream.
void message(const char* job, const std::string& text);
/// Same as `message`, but not when quiet: for "wrote FILE" and other news of success.
void note(const char* job, const std::string& text);

/// A progress line ("tarn JOB: 40%") rewritten in place on the error stream. It shows only
/// when the error stream is a terminal, the job is not quiet and the work has run for more
/// than about a second; the line is cleared when the work ends. An update costs one atomic
/// add, and a clock read every `total / 100` units of work.
class JobProgress {
public:
    JobProgress(const char* job, long total);
    ~JobProgress();
    JobProgress(const JobProgress&) = delete;
    JobProgress& operator=(const JobProgress&) = delete;

    /// Records `units` more units done. Thread safe.
    void advance(long units = 1);
    /// Ends the progress line (also done by the destructor).
    void finish();

private:
    const char* m_job;
    long m_total;
    long m_step;
    bool m_enabled;
    std::chrono::steady_clock::time_point m_start;
    std::atomic<long> m_done{0};
    std::atomic<int> m_shown{-1};
    std::atomic<bool> m_printed{false};
};

}  // namespace tarn::jobs
