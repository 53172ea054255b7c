#include "host/lang/stdlib/regex.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

namespace tarn::lang::stdlib {
namespace {

// Bounds on one search: steps of the matcher and memory for its backtracking, far above what a
// sensible pattern needs on a long line.
constexpr uint32_t kMatchLimit = 10'000'000;
constexpr uint32_t kHeapLimitKiB = 64 * 1024;

std::string describe(int code) {
    PCRE2_UCHAR buffer[256];
    if (pcre2_get_error_message(code, buffer, sizeof buffer) < 0) return "unknown error";
    return reinterpret_cast<const char*>(buffer);
}

}  // namespace

Regex::Regex(std::string_view pattern) {
    int code = 0;
    PCRE2_SIZE offset = 0;
    pcre2_code* compiled = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()),
                                         pattern.size(), 0, &code, &offset, nullptr);
    if (!compiled) {
        m_error = "invalid regular expression \"" + std::string(pattern) + "\": " + describe(code) +
                  " at offset " + std::to_string(offset);
        return;
    }
    m_code = compiled;
    m_data = pcre2_match_data_create_from_pattern(compiled, nullptr);
    pcre2_match_context* context = pcre2_match_context_create(nullptr);
    pcre2_set_match_limit(context, kMatchLimit);
    pcre2_set_heap_limit(context, kHeapLimitKiB);
    m_limit = context;
}

Regex::~Regex() {
    pcre2_match_context_free(static_cast<pcre2_match_context*>(m_limit));
    pcre2_match_data_free(static_cast<pcre2_match_data*>(m_data));
    pcre2_code_free(static_cast<pcre2_code*>(m_code));
}

bool Regex::search(std::string_view text, std::size_t from, std::size_t* begin, std::size_t* end) {
    if (!m_code || from > text.size()) return false;
    m_error.clear();
    auto* data = static_cast<pcre2_match_data*>(m_data);
    const int rc =
        pcre2_match(static_cast<pcre2_code*>(m_code), reinterpret_cast<PCRE2_SPTR>(text.data()),
                    text.size(), from, 0, data, static_cast<pcre2_match_context*>(m_limit));
    if (rc == PCRE2_ERROR_NOMATCH) return false;
    if (rc < 0) {
        m_error = "the regular expression gave up: " + describe(rc);
        return false;
    }
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data);
    *begin = ovector[0];
    *end = ovector[1];
    return true;
}

}  // namespace tarn::lang::stdlib
