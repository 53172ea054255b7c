#pragma once
/// Gallery scripts are ordinary scripts of the command language whose steps are marked by
/// caption lines:
///
///     //> denim: uFrequency 12, vFrequency 4
///     setAttr denim1.uFrequency 12;
///
/// A caption line starts (after blanks) with "//>"; to the language it is a comment, so the
/// script runs unchanged on its own. The lines before the first caption are the preamble.

#include <string>
#include <string_view>
#include <vector>

namespace tarn::app {

struct ScriptStep {
    std::string caption;  ///< text after "//>", trimmed; empty for the preamble
    std::string code;     ///< the step's lines as written, caption line excluded
    int firstLine = 1;    ///< line number of the first line of `code` in the script
};

/// Splits a script at its caption lines. The first element is always the preamble (possibly
/// empty); every caption starts a new step, even one with no code. Line ends may be "\n" or
/// "\r\n". Pure.
std::vector<ScriptStep> splitGalleryScript(std::string_view text);

/// `code` without its leading and trailing blank lines, for showing. Pure.
std::string trimmedCode(std::string_view code);

}  // namespace tarn::app
