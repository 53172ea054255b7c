#pragma once
/// How the jobs (`tarn swatch`, `tarn shade`, `tarn import`, `tarn demo`, `tarn view`) read their words,
/// by one set of rules so that they read as one family:
/// - an option that takes several numbers takes them as one word, separated by commas
///   (`--set colorGain=1,0.5,0.5`, `--light -0.6,0.5,0.4,1,1,1`, `--ambient 0.1,0.1,0.1`); the
///   older spelling with one word per number (`--light DX DY DZ R G B`) is still read;
/// - a refused command line answers status 2 with one line saying why. The job's whole usage
///   follows only when the words are not a command line of the job at all (an unknown option,
///   a value missing, a word too many or too few); a wrong value gets a line pointing to
///   `tarn JOB --help` instead.
/// Main thread only.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tarn::jobs {

/// Why a command line was refused.
struct ArgumentError {
    std::string text;
    bool usage = false;  ///< the words are not a command line of the job: show the usage
};

/// Writes the refusal on the error stream by the rule above ("tarn JOB: TEXT", then the usage
/// or the pointer to --help) and answers 2.
int refuseArguments(const char* job, const ArgumentError& error, const char* usageText);

/// Parses a finite number (no trailing characters); false otherwise.
bool parseFiniteNumber(std::string_view text, double* out);

/// Reads one side of a picture or window, a whole number from 1 to `maxSide`; false otherwise.
bool parsePixelSide(std::string_view text, int maxSide, int* side);

/// Reads a picture or window size: "N" for N x N or "WxH", each side 1 to `maxSide`. False
/// (the sizes unchanged) when the text is neither.
bool parsePixelSize(std::string_view text, int maxSide, int* width, int* height);

/// Splits `text` at commas into finite numbers. False with the offending part in `*bad` when a
/// part is empty or not a finite number.
bool parseNumberList(std::string_view text, std::vector<double>* out, std::string* bad);

/// Reads `count` numbers for the option args[at]: the next word holding all of them separated
/// by commas, or (the older spelling) the next `count` words. Advances `at` past what it read.
/// False with `*error` when words are missing (a usage error) or a number is wrong.
bool takeNumbers(const std::vector<std::string>& args, std::size_t& at, int count,
                 std::vector<double>* out, ArgumentError* error);

/// The word after the option args[at] (advancing `at`), or false with a usage error naming
/// `what` ("a file name") when there is none.
bool takeValue(const std::vector<std::string>& args, std::size_t& at, const char* what,
               std::string* out, ArgumentError* error);

}  // namespace tarn::jobs
