// String procedures: trimming, regular-expression and glob matching, substitution, splitting,
// case and substrings.

#include "host/lang/stdlib/regex.h"
#include "host/lang/stdlib/stdlib.h"

#include <fnmatch.h>

#include <algorithm>
#include <cctype>

namespace tarn::lang::stdlib {
namespace {

constexpr const char* kBlanks = " \t\n\r\v\f";

CommandResult stripCmd(const CommandArgs& args, CommandContext&) {
    const std::string s = args[0].asString();
    const std::size_t first = s.find_first_not_of(kBlanks);
    if (first == std::string::npos) return Value(std::string());
    return Value(s.substr(first, s.find_last_not_of(kBlanks) - first + 1));
}

CommandResult matchCmd(const CommandArgs& args, CommandContext&) {
    Regex re(args[0].asString());
    if (!re.ok()) return CommandResult::failure("match: " + re.error());
    const std::string text = args[1].asString();
    std::size_t begin = 0, end = 0;
    if (!re.search(text, 0, &begin, &end)) {
        if (!re.error().empty()) return CommandResult::failure("match: " + re.error());
        return Value(std::string());
    }
    return Value(text.substr(begin, end - begin));
}

CommandResult gmatchCmd(const CommandArgs& args, CommandContext&) {
    // Glob patterns: * any run, ? one character, [...] a set; the whole string must match.
    const std::string text = args[0].asString(), pattern = args[1].asString();
    if (text.find('\0') != std::string::npos || pattern.find('\0') != std::string::npos)
        return Value(std::int64_t(text == pattern));
    return Value(std::int64_t(fnmatch(pattern.c_str(), text.c_str(), 0) == 0));
}

CommandResult substituteCmd(const CommandArgs& args, CommandContext&) {
    // The first match is replaced by the replacement as written (no group references).
    Regex re(args[0].asString());
    if (!re.ok()) return CommandResult::failure("substitute: " + re.error());
    std::string text = args[1].asString();
    std::size_t begin = 0, end = 0;
    if (!re.search(text, 0, &begin, &end)) {
        if (!re.error().empty()) return CommandResult::failure("substitute: " + re.error());
        return Value(text);
    }
    text.replace(begin, end - begin, args[2].asString());
    return Value(text);
}

CommandResult substituteAllStringCmd(const CommandArgs& args, CommandContext&) {
    // Literal text, every occurrence, left to right; an empty search text changes nothing.
    const std::string text = args[0].asString(), find = args[1].asString(),
                      with = args[2].asString();
    if (find.empty()) return Value(text);
    std::string out;
    std::size_t at = 0;
    for (std::size_t hit; (hit = text.find(find, at)) != std::string::npos; at = hit + find.size())
        out.append(text, at, hit - at).append(with);
    out.append(text, at, std::string::npos);
    return Value(out);
}

/// The pieces of `text` between any of the characters of `separators` (empty pieces dropped).
std::vector<std::string> split(const std::string& text, const std::string& separators) {
    std::vector<std::string> pieces;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t start = text.find_first_not_of(separators, at);
        if (start == std::string::npos) break;
        std::size_t stop = text.find_first_of(separators, start);
        if (stop == std::string::npos) stop = text.size();
        pieces.push_back(text.substr(start, stop - start));
        at = stop;
    }
    return pieces;
}

CommandResult tokenizeCmd(const CommandArgs& args, CommandContext& ctx) {
    // tokenize TEXT [SEPARATORS] BUFFER: fills BUFFER, answers the number of pieces.
    const std::string separators = args.count() == 3 ? args[1].asString() : std::string(kBlanks);
    std::vector<std::string> pieces =
        separators.empty() ? std::vector<std::string>{} : split(args[0].asString(), separators);
    if (separators.empty() && !args[0].asString().empty()) pieces.push_back(args[0].asString());
    const auto count = std::int64_t(pieces.size());
    ctx.setOutput(Value(std::move(pieces)));
    return Value(count);
}

std::string mapCase(std::string s, int (*fn)(int)) {
    for (char& c : s) c = char(fn(static_cast<unsigned char>(c)));
    return s;
}

CommandResult toupperCmd(const CommandArgs& args, CommandContext&) {
    return Value(mapCase(args[0].asString(), ::toupper));
}

CommandResult tolowerCmd(const CommandArgs& args, CommandContext&) {
    return Value(mapCase(args[0].asString(), ::tolower));
}

CommandResult capitalizeStringCmd(const CommandArgs& args, CommandContext&) {
    std::string s = args[0].asString();
    if (!s.empty()) s[0] = char(std::toupper(static_cast<unsigned char>(s[0])));
    return Value(s);
}

CommandResult substringCmd(const CommandArgs& args, CommandContext&) {
    // Characters start..end, counted from 1, both included; clipped to the string.
    const std::string s = args[0].asString();
    const std::int64_t start = std::max<std::int64_t>(args[1].asInt(), 1);
    const std::int64_t end = std::min<std::int64_t>(args[2].asInt(), std::int64_t(s.size()));
    if (end < start) return Value(std::string());
    return Value(s.substr(std::size_t(start - 1), std::size_t(end - start + 1)));
}

CommandResult startsWithCmd(const CommandArgs& args, CommandContext&) {
    const std::string s = args[0].asString(), p = args[1].asString();
    return Value(std::int64_t(s.compare(0, p.size(), p) == 0 && s.size() >= p.size()));
}

CommandResult endsWithCmd(const CommandArgs& args, CommandContext&) {
    const std::string s = args[0].asString(), p = args[1].asString();
    return Value(
        std::int64_t(s.size() >= p.size() && s.compare(s.size() - p.size(), p.size(), p) == 0));
}

CommandResult strcmpCmd(const CommandArgs& args, CommandContext&) {
    const int c = args[0].asString().compare(args[1].asString());
    return Value(std::int64_t(c < 0 ? -1 : c > 0 ? 1 : 0));
}

}  // namespace

void addStringProcedures(CommandRegistry& registry) {
    using A = ArgType;
    const CommandSpec procedures[] = {
        {.name = "strip",
         .usage = "strip string",
         .summary = "The string without blanks (spaces, tabs, line feeds) at either end.",
         .minArgs = 1,
         .maxArgs = 1,
         .argTypes = {A::String},
         .body = stripCmd},
        {.name = "match",
         .usage = "match regularExpression string",
         .summary = "The first part of the string the regular expression matches, \"\" when none "
                    "(. * + ? [] ^ $ () | and \\ escapes).",
         .minArgs = 2,
         .maxArgs = 2,
         .argTypes = {A::String},
         .body = matchCmd},
        {.name = "gmatch",
         .usage = "gmatch string pattern",
         .summary = "1 when the whole string matches the glob pattern (* ? [...]), else 0.",
         .minArgs = 2,
         .maxArgs = 2,
         .argTypes = {A::String},
         .body = gmatchCmd},
        {.name = "substitute",
         .usage = "substitute regularExpression string replacement",
         .summary = "The string with the first match of the regular expression replaced (the "
                    "replacement is taken as written).",
         .minArgs = 3,
         .maxArgs = 3,
         .argTypes = {A::String},
         .body = substituteCmd},
        {.name = "substituteAllString",
         .usage = "substituteAllString string find replacement",
         .summary = "The string with every occurrence of the text find replaced.",
         .minArgs = 3,
         .maxArgs = 3,
         .argTypes = {A::String},
         .body = substituteAllStringCmd},
        {.name = "tokenize",
         .usage = "tokenize string [separators] $buffer",
         .summary = "Splits the string at any of the separator characters (blanks by default), "
                    "empty pieces dropped, into $buffer; answers the number of pieces.",
         .minArgs = 2,
         .maxArgs = 3,
         .argTypes = {A::String, A::Any},
         .outputsLast = true,
         .body = tokenizeCmd},
        {.name = "toupper",
         .usage = "toupper string",
         .summary = "The string in capitals.",
         .minArgs = 1,
         .maxArgs = 1,
         .argTypes = {A::String},
         .body = toupperCmd},
        {.name = "tolower",
         .usage = "tolower string",
         .summary = "The string in small letters.",
         .minArgs = 1,
         .maxArgs = 1,
         .argTypes = {A::String},
         .body = tolowerCmd},
        {.name = "capitalizeString",
         .usage = "capitalizeString string",
         .summary = "The string with its first letter a capital.",
         .minArgs = 1,
         .maxArgs = 1,
         .argTypes = {A::String},
         .body = capitalizeStringCmd},
        {.name = "substring",
         .usage = "substring string start end",
         .summary = "Characters start to end of the string, counted from 1, both included.",
         .minArgs = 3,
         .maxArgs = 3,
         .argTypes = {A::String, A::Int, A::Int},
         .body = substringCmd},
        {.name = "startsWith",
         .usage = "startsWith string prefix",
         .summary = "1 when the string begins with prefix, else 0.",
         .minArgs = 2,
         .maxArgs = 2,
         .argTypes = {A::String},
         .body = startsWithCmd},
        {.name = "endsWith",
         .usage = "endsWith string suffix",
         .summary = "1 when the string ends with suffix, else 0.",
         .minArgs = 2,
         .maxArgs = 2,
         .argTypes = {A::String},
         .body = endsWithCmd},
        {.name = "strcmp",
         .usage = "strcmp a b",
         .summary = "-1, 0 or 1 as a sorts before, equal to or after b (byte order).",
         .minArgs = 2,
         .maxArgs = 2,
         .argTypes = {A::String},
         .body = strcmpCmd},
    };
    for (const auto& procedure : procedures) registry.add(procedure);
}

}  // namespace tarn::lang::stdlib
