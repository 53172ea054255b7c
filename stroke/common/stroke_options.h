#pragma once
/// The tools' option variables and the context command's edit-hook texts. Each tool lists its
/// option variables once (name, kind, default); the defaults text, the press-time reading and
/// the tests all walk that table. Main thread only (option variables are host preferences).

#include <span>
#include <string>
#include <vector>

namespace stroke {

/// One option variable: its name, whether it holds a float, and its default as written into the
/// defaults text ("25", "0.5").
struct OptionVar {
    const char* name;
    bool isFloat;
    const char* defaultText;
};

/// One tool-property control: the existence test and the edit that refreshes it.
struct ControlRow {
    const char* test;
    const char* edit;
};

/// Largest slice count a stroke asks for: more parallel cuts than this make faces too thin to
/// pick and only slow the host down.
constexpr int kMaxSlices = 64;
/// Largest number of subdivisions of one new split segment.
constexpr int kMaxSubdivisions = 64;
/// Largest minimum sample size, in pixels (a sample every 4096 pixels is no stroke at all).
constexpr int kMaxMinSampleSize = 4096;

/// `value` rounded toward zero and clamped to [1, maximum]; non-finite values give 1.
int clampCount(double value, int maximum);

/// "optionVar -iv NAME DEFAULT;" (or -fv) for every row, each after 13 blanks, then 11 blanks.
std::string optionDefaultsText(std::span<const OptionVar> options);

/// One control string: for each row, 13 blanks, "if(`TEST`)", 16 blanks and the edit; with
/// `closing` the statements that rebuild the tool-property window follow; 11 blanks end it.
std::string controlUpdatesText(std::span<const ControlRow> rows, bool closing);

/// Reads every option with "optionVar -q NAME", in table order. An option that cannot be read
/// (the query fails) gives 0.
std::vector<double> readOptionVars(std::span<const OptionVar> options);

/// The edit hook shared by both tools: when "contextInfo -ex CONTEXT" answers non-zero, runs the
/// defaults text and each control string, in order. Statuses of the texts are not examined.
void runEditHook(const char* existsQuery, std::span<const std::string> texts);

}  // namespace stroke
