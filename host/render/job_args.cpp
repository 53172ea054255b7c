#include "host/render/job_args.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "host/render/job_report.h"

namespace tarn::jobs {

int refuseArguments(const char* job, const ArgumentError& error, const char* usageText) {
    message(job, error.text);
    if (error.usage)
        std::fputs(usageText, stderr);
    else
        std::fprintf(stderr, "Run 'tarn %s --help' for the options.\n", job);
    return 2;
}

bool parseFiniteNumber(std::string_view text, double* out) {
    // from_chars takes no leading '+'; a user may well write one.
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    const char* end = text.data() + text.size();
    const auto r = std::from_chars(text.data(), end, *out);
    return !text.empty() && r.ec == std::errc() && r.ptr == end && std::isfinite(*out);
}

bool parsePixelSide(std::string_view text, int maxSide, int* side) {
    int v = 0;
    const char* end = text.data() + text.size();
    const auto r = std::from_chars(text.data(), end, v);
    if (text.empty() || r.ec != std::errc() || r.ptr != end || v < 1 || v > maxSide) return false;
    *side = v;
    return true;
}

bool parsePixelSize(std::string_view text, int maxSide, int* width, int* height) {
    const std::size_t x = text.find('x');
    int w = 0, h = 0;
    const bool ok = x == std::string_view::npos
                        ? parsePixelSide(text, maxSide, &w) && parsePixelSide(text, maxSide, &h)
                        : parsePixelSide(text.substr(0, x), maxSide, &w) &&
                              parsePixelSide(text.substr(x + 1), maxSide, &h);
    if (!ok) return false;
    *width = w;
    *height = h;
    return true;
}

bool parseNumberList(std::string_view text, std::vector<double>* out, std::string* bad) {
    out->clear();
    while (true) {
        const std::size_t comma = text.find(',');
        const std::string_view part = text.substr(0, comma);
        double v = 0;
        if (!parseFiniteNumber(part, &v)) {
            *bad = std::string(part);
            return false;
        }
        out->push_back(v);
        if (comma == std::string_view::npos) return true;
        text.remove_prefix(comma + 1);
    }
}

bool takeNumbers(const std::vector<std::string>& args, std::size_t& at, int count,
                 std::vector<double>* out, ArgumentError* error) {
    const std::string flag = args[at];
    const std::string plural = count == 1 ? "a number" : std::to_string(count) + " numbers";
    if (at + 1 >= args.size()) {
        *error = {flag + " needs " + plural, true};
        return false;
    }
    std::string bad;
    // One word with commas, or a single number: the numbers are all in the next word.
    if (count == 1 || args[at + 1].find(',') != std::string::npos) {
        if (!parseNumberList(args[++at], out, &bad)) {
            *error = {flag + ": '" + bad + "' is not a number"};
            return false;
        }
        if (static_cast<int>(out->size()) != count) {
            *error = {flag + " takes " + plural + ", got '" + args[at] + "'"};
            return false;
        }
        return true;
    }
    out->clear();
    for (int k = 0; k < count; ++k) {
        if (at + 1 >= args.size()) {
            *error = {flag + " needs " + plural, true};
            return false;
        }
        double v = 0;
        if (!parseFiniteNumber(args[++at], &v)) {
            *error = {flag + ": '" + args[at] + "' is not a number"};
            return false;
        }
        out->push_back(v);
    }
    return true;
}

bool takeValue(const std::vector<std::string>& args, std::size_t& at, const char* what,
               std::string* out, ArgumentError* error) {
    if (at + 1 >= args.size()) {
        *error = {args[at] + " needs " + what, true};
        return false;
    }
    *out = args[++at];
    return true;
}

}  // namespace tarn::jobs
