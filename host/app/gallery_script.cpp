#include "host/app/gallery_script.h"

namespace tarn::app {
namespace {

constexpr std::string_view kMarker = "//>";

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

}  // namespace

std::vector<ScriptStep> splitGalleryScript(std::string_view text) {
    std::vector<ScriptStep> steps(1);
    int line = 1;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = text.find('\n', at);
        const std::size_t next = end == std::string_view::npos ? text.size() : end + 1;
        const std::string_view whole = text.substr(at, next - at);
        const std::string_view content = trimmed(whole.substr(0, whole.find('\n')));
        if (content.substr(0, kMarker.size()) == kMarker) {
            ScriptStep step;
            step.caption = std::string(trimmed(content.substr(kMarker.size())));
            step.firstLine = line + 1;
            steps.push_back(std::move(step));
        } else {
            steps.back().code.append(whole);
        }
        at = next;
        ++line;
    }
    return steps;
}

std::string trimmedCode(std::string_view code) {
    // Drop whole blank lines at the start, then blanks and line ends at the end.
    std::size_t start = 0;
    while (start < code.size()) {
        const std::size_t end = code.find('\n', start);
        if (end == std::string_view::npos || !trimmed(code.substr(start, end - start)).empty())
            break;
        start = end + 1;
    }
    std::string_view rest = code.substr(start);
    while (!rest.empty() && (isBlank(rest.back()) || rest.back() == '\n')) rest.remove_suffix(1);
    // Only whitespace left: nothing to show.
    return trimmed(rest).empty() ? std::string() : std::string(rest);
}

}  // namespace tarn::app
