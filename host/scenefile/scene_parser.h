#pragma once
/// Reading the text of a scene file into a SceneDocument. This is a parser of the format's own
/// statements and nothing else: it runs no command and touches no scene. Anything the format
/// does not know is refused with its line and what was expected there. Counts are bounded by
/// the bytes left in the file before anything is allocated for them. Pure; any thread.

#include <string_view>
#include <variant>

#include "host/scenefile/scene_document.h"

namespace tarn::scenefile {

/// Parses `text` (a whole file). The document keeps views into `text` (NodeDecl::body): the
/// text must outlive it. On failure the error names the line and what was expected there.
std::variant<SceneDocument, ParseError> parseScene(std::string_view text);

/// True when `word` is a name the scene uses for nodes, attributes and types: letters, digits
/// and '_', not starting with a digit.
bool isIdentifier(std::string_view word);
/// True when `word` can stand as a plug, selection item or set member in a statement: node and
/// attribute names, '.', '[', ']', ':', '|' and '*' (never quotes, blanks or braces).
bool isItemWord(std::string_view word);

}  // namespace tarn::scenefile
