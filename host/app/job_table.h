#pragma once
/// The batch jobs of the tarn program (`tarn <job> ...`): a table of names and functions that
/// take the words after the job name and answer the process exit status.

#include <string>
#include <string_view>
#include <vector>

namespace tarn::app {

using JobFunction = int (*)(const std::vector<std::string>& args);
using JobUsage = const char* (*)();

struct Job {
    const char* name;
    const char* summary;  ///< one line for `tarn --help`
    JobFunction run;
    JobUsage usage;  ///< the text of `tarn JOB --help`
};

/// Every job, in the order `tarn --help` lists them.
const std::vector<Job>& jobs();
/// The job named `name`, or null.
const Job* findJob(std::string_view name);
/// The job names joined with ", " (for messages).
std::string jobNames();

/// `tarn demo [--out DIR] [--quick] [--examples DIR]`: writes the gallery of every built
/// plug-in at work; `tarn demo --list` loads every plug-in found on the plug-in path and lists
/// what each registered.
int runDemoJob(const std::vector<std::string>& args);
/// The text of `tarn demo --help`.
const char* demoUsage();

}  // namespace tarn::app
