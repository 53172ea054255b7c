#pragma once
/// Pieces of the command texts the panels send: names as words, user text as string literals,
/// numbers in their shortest round-tripping form. Every panel builds its texts from these, so
/// nothing a user types or a file holds can become code. Pure; any thread.

#include <span>
#include <string>
#include <string_view>

namespace tarn::ui {

/// True for a name that stands bare in a command text: a node name or a plug or component
/// name built from node and attribute names (letters, digits, `_`, `|`, `.`, `[`, `]`, `:`),
/// not starting with a digit, `.` or `[`.
bool isBareWord(std::string_view text);
/// `text` bare when isBareWord, else as a double-quoted string literal with the host's escapes.
std::string word(std::string_view text);
/// `text` as a double-quoted string literal with the host's escapes.
std::string quoted(std::string_view text);
/// True for a valid node name: letters, digits and `_`, not starting with a digit.
bool isNodeName(std::string_view text);
/// Numbers separated by blanks, each the shortest text that reads back as exactly that value.
std::string numbers(std::span<const double> values);

}  // namespace tarn::ui
