#pragma once
/// Completion of the word before the cursor in a command text, shared by the script console
/// and the terminal shell (readline). What is offered depends on where the word stands:
/// - at the start of a statement (or after a back-quote): command names and procs;
/// - a word starting with "-" after a command: that command's flags, long and short;
/// - after a dot: the attributes of the node before it (long and short names), the children
///   of a compound attribute ("node.compound."), and for meshes the component names
///   ("vtx[", "e[", "f[", "map[");
/// - anywhere else: node names.
/// Reads the host's registry, procs and scene. Main thread only.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tarn::ui {

struct Completion {
    std::size_t from = 0;                 ///< the part being completed starts here in the text...
    std::size_t to = 0;                   ///< ...and ends at the cursor
    std::vector<std::string> candidates;  ///< sorted, unique; each replaces [from, to)
    /// The longest common start of the candidates (the typed part when there are none).
    std::string common;
};

/// Completes the word that ends at `cursor` (clamped to the text) in `text`.
Completion complete(std::string_view text, std::size_t cursor);

/// The text with `completion` applied: [from, to) replaced by the one candidate, or by the
/// candidates' common start when there are several. `*cursor` receives the position after it.
std::string applyCompletion(std::string_view text, const Completion& completion,
                            std::size_t* cursor);

/// The matches in readline's terms: readline replaces [start, end) of `line` (its own idea of
/// the word), so each candidate is given from `start` on. Empty when nothing matches.
std::vector<std::string> completionsFrom(std::string_view line, std::size_t start, std::size_t end);

}  // namespace tarn::ui
