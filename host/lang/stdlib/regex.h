#pragma once
/// Regular expressions of the language's match and substitute, over PCRE2 (Perl syntax: `.`,
/// `*`, `+`, `?`, `[...]`, `^`, `$`, `(...)`, `|`, `\` escapes). Matching is bounded: a pattern
/// that backtracks without end fails with a message instead of running on or exhausting the
/// stack. Not thread safe per object; separate objects are independent.

#include <memory>
#include <string>
#include <string_view>

namespace tarn::lang::stdlib {

class Regex {
public:
    /// Compiles `pattern`; check ok() and error() afterwards.
    explicit Regex(std::string_view pattern);
    ~Regex();
    Regex(const Regex&) = delete;
    Regex& operator=(const Regex&) = delete;

    bool ok() const { return m_code != nullptr; }
    /// Why the pattern did not compile (with the offset), or why the last search gave up.
    const std::string& error() const { return m_error; }

    /// Searches `text` from byte `from`. True with the match's byte range in [*begin, *end) when
    /// found; false when not found or when the search gave up (error() set then).
    bool search(std::string_view text, std::size_t from, std::size_t* begin, std::size_t* end);

private:
    void* m_code = nullptr;   // pcre2_code_8
    void* m_data = nullptr;   // pcre2_match_data_8
    void* m_limit = nullptr;  // pcre2_match_context_8
    std::string m_error;
};

}  // namespace tarn::lang::stdlib
