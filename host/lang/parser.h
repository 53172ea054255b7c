#pragma once
/// Parses texts of the command language into a syntax tree. The whole text is parsed before any
/// of it runs, so a syntax error anywhere (an unterminated string, back-quote, comment or block)
/// runs nothing.

#include "host/lang/ast.h"

#include <memory>
#include <string>
#include <string_view>

namespace tarn::lang {

struct ParseError {
    std::string message;  ///< one sentence, no prefix
    int line = 0;         ///< 1-based line in the text, 0 when unknown
};

/// Parses `text`. On success returns the script; on failure returns null and fills *error.
/// `firstLine` numbers the first line (for texts cut out of a larger file). Never throws; deep
/// nesting is refused with an error instead of overflowing the stack. Pure: any thread.
std::shared_ptr<Script> parseScript(std::string_view text, std::string sourceName,
                                    ParseError* error, int firstLine = 1);

/// True when `text` is an incomplete statement (open block, string, back-quote or parenthesis)
/// that more input lines could complete: the interactive shell then asks for another line.
bool needsMoreInput(std::string_view text);

}  // namespace tarn::lang
