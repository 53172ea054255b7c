#include "host/ui/completion.h"

#include <algorithm>
#include <cctype>

#include "host/commands/dg_commands.h"
#include "host/dg/graph.h"
#include "host/lang/command_registry.h"
#include "host/lang/interpreter.h"
#include "host/scene/component_name.h"
#include "host/scene/dag.h"

namespace tarn::ui {

namespace {

bool isNameByte(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '|' || c == '.' ||
           c == '[' || c == ']' || c == ':';
}

bool startsWith(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

// True when nothing but blanks separates `at` from the start of a statement (or of the text).
bool atStatementStart(std::string_view text, std::size_t at) {
    std::size_t i = at;
    while (i > 0 && std::isspace(static_cast<unsigned char>(text[i - 1]))) --i;
    if (i == 0) return true;
    const char c = text[i - 1];
    if (c == ';' || c == '{' || c == '}' || c == '`') return true;
    // "else" starts a statement too.
    return i >= 4 && text.substr(i - 4, 4) == "else" && (i == 4 || !isNameByte(text[i - 5]));
}

// The command word of the statement `at` lies in: the first word after the statement's start.
std::string commandOfStatement(std::string_view text, std::size_t at) {
    std::size_t start = at;
    while (start > 0) {
        const char c = text[start - 1];
        if (c == ';' || c == '{' || c == '}' || c == '`' || c == '(' || c == '\n') break;
        --start;
    }
    while (start < at && std::isspace(static_cast<unsigned char>(text[start]))) ++start;
    std::size_t end = start;
    while (end < at && (std::isalnum(static_cast<unsigned char>(text[end])) || text[end] == '_'))
        ++end;
    return std::string(text.substr(start, end - start));
}

void addMatching(std::vector<std::string>& out, std::string_view prefix, std::string name) {
    if (startsWith(name, prefix)) out.push_back(std::move(name));
}

// Attributes (or a compound's children) and components after "owner.".
void afterDot(std::string_view owner, std::string_view prefix, std::vector<std::string>& out) {
    const std::size_t dot = owner.find('.');
    const KObject node = commands::findGraphNode(std::string(owner.substr(0, dot)));
    const NodeImpl* impl = scene::liveNode(node);
    if (!impl) return;
    if (dot != std::string_view::npos) {
        // "node.compound.": the compound's children.
        std::string_view attr = owner.substr(dot + 1);
        if (const std::size_t bracket = attr.find('['); bracket != std::string_view::npos)
            attr = attr.substr(0, bracket);
        if (const AttributeImpl* a = impl->type().findAttribute(attr))
            for (const auto& c : a->children) {
                addMatching(out, prefix, c->longName);
                addMatching(out, prefix, c->shortName);
            }
        return;
    }
    for (const auto& a : impl->type().attributes()) {
        addMatching(out, prefix, a->longName);
        addMatching(out, prefix, a->shortName);
    }
    if (!scene::meshShapeOf(node).isNull())
        for (auto kind : {scene::ComponentKind::Vertex, scene::ComponentKind::Edge,
                          scene::ComponentKind::Face, scene::ComponentKind::UV})
            addMatching(out, prefix, std::string(scene::componentWord(kind)) + "[");
}

std::string commonStart(const std::vector<std::string>& names) {
    if (names.empty()) return {};
    std::string common = names.front();
    for (const std::string& n : names) {
        std::size_t k = 0;
        while (k < common.size() && k < n.size() && common[k] == n[k]) ++k;
        common.resize(k);
    }
    return common;
}

}  // namespace

Completion complete(std::string_view text, std::size_t cursor) {
    cursor = std::min(cursor, text.size());
    std::size_t start = cursor;
    while (start > 0 && isNameByte(text[start - 1])) --start;
    const bool flag = start > 0 && text[start - 1] == '-' &&
                      (start == 1 || std::isspace(static_cast<unsigned char>(text[start - 2])));
    Completion c;
    c.to = cursor;
    std::string_view word = text.substr(start, cursor - start);
    std::vector<std::string>& out = c.candidates;
    const bool variable = start > 0 && text[start - 1] == '$';
    if (variable) {
        c.from = start;
    } else if (flag) {
        c.from = start - 1;
        const std::string command = commandOfStatement(text, start - 1);
        if (const lang::CommandSpec* signature = lang::commandRegistry().find(command)) {
            for (const lang::FlagSpec& f : signature->flags) {
                addMatching(out, word, f.longName);
                addMatching(out, word, f.shortName);
            }
            for (std::string& s : out) s.insert(s.begin(), '-');
        }
    } else if (const std::size_t dot = word.rfind('.'); dot != std::string_view::npos) {
        c.from = start + dot + 1;
        afterDot(word.substr(0, dot), word.substr(dot + 1), out);
    } else if (atStatementStart(text, start)) {
        c.from = start;
        for (std::string& n : lang::commandRegistry().names()) addMatching(out, word, std::move(n));
        for (std::string& n : lang::hostInterpreter().procNames())
            addMatching(out, word, std::move(n));
    } else {
        c.from = start;
        for (const KObject& node : Graph::instance().nodes())
            if (const NodeImpl* n = scene::liveNode(node)) addMatching(out, word, n->name());
    }
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    c.common = out.empty() ? std::string(text.substr(c.from, c.to - c.from)) : commonStart(out);
    return c;
}

std::string applyCompletion(std::string_view text, const Completion& completion,
                            std::size_t* cursor) {
    const std::string& with =
        completion.candidates.size() == 1 ? completion.candidates.front() : completion.common;
    const std::size_t from = std::min(completion.from, text.size());
    const std::size_t to = std::clamp(completion.to, from, text.size());
    std::string out(text.substr(0, from));
    out += with;
    if (cursor) *cursor = out.size();
    out += text.substr(to);
    return out;
}

std::vector<std::string> completionsFrom(std::string_view line, std::size_t start,
                                         std::size_t end) {
    end = std::min(end, line.size());
    start = std::min(start, end);
    const Completion c = complete(line, end);
    std::vector<std::string> out;
    for (const std::string& candidate : c.candidates) {
        if (c.from >= start) {
            out.push_back(std::string(line.substr(start, c.from - start)) + candidate);
        } else if (start - c.from <= candidate.size()) {
            // Readline's word began inside ours ("-" of a flag): drop what lies before it.
            out.push_back(candidate.substr(start - c.from));
        }
    }
    return out;
}

}  // namespace tarn::ui
