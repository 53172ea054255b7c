// Array procedures: sorting, joining and splitting, duplicates, searching and combining string
// arrays.

#include "host/lang/stdlib/stdlib.h"

#include <algorithm>
#include <cmath>
#include <set>

namespace tarn::lang::stdlib {
namespace {

using Strings = std::vector<std::string>;

CommandResult sortCmd(const CommandArgs& args, CommandContext&) {
    // Numbers sort by value, strings by bytes; the answer keeps the array's element type.
    const Value& v = args[0];
    switch (v.kind()) {
        case ValueKind::IntArray:
        case ValueKind::Int: {
            auto a = v.asIntArray();
            std::sort(a.begin(), a.end());
            return Value(std::move(a));
        }
        case ValueKind::FloatArray:
        case ValueKind::Float: {
            auto a = v.asFloatArray();
            // NaN compares false with everything: keep the order total by putting it last.
            std::sort(a.begin(), a.end(),
                      [](double x, double y) { return std::isnan(y) ? !std::isnan(x) : x < y; });
            return Value(std::move(a));
        }
        default: {
            auto a = v.asStringArray();
            std::sort(a.begin(), a.end());
            return Value(std::move(a));
        }
    }
}

CommandResult stringArrayToStringCmd(const CommandArgs& args, CommandContext&) {
    const Strings items = args[0].asStringArray();
    const std::string separator = args[1].asString();
    std::string out;
    for (std::size_t i = 0; i < items.size(); ++i)
        (i ? out.append(separator) : out).append(items[i]);
    return Value(out);
}

CommandResult stringToStringArrayCmd(const CommandArgs& args, CommandContext&) {
    // Splits at any of the separator characters; empty pieces are dropped.
    const std::string text = args[0].asString(), separators = args[1].asString();
    Strings out;
    if (separators.empty()) {
        if (!text.empty()) out.push_back(text);
        return Value(out);
    }
    std::size_t at = 0;
    while (at <= text.size()) {
        std::size_t stop = text.find_first_of(separators, at);
        if (stop == std::string::npos) stop = text.size();
        if (stop > at) out.push_back(text.substr(at, stop - at));
        at = stop + 1;
    }
    return Value(out);
}

CommandResult removeDuplicatesCmd(const CommandArgs& args, CommandContext&) {
    // The first of equal items stays, in its place.
    Strings out;
    std::set<std::string, std::less<>> seen;
    for (auto& s : args[0].asStringArray())
        if (seen.insert(s).second) out.push_back(std::move(s));
    return Value(out);
}

CommandResult containsCmd(const CommandArgs& args, CommandContext&) {
    const Strings a = args[1].asStringArray();
    return Value(std::int64_t(std::find(a.begin(), a.end(), args[0].asString()) != a.end()));
}

CommandResult findCmd(const CommandArgs& args, CommandContext&) {
    // The index of the first equal item at or after start, -1 when there is none.
    const Strings a = args[2].asStringArray();
    const std::string item = args[0].asString();
    for (std::int64_t i = std::max<std::int64_t>(args[1].asInt(), 0); i < std::int64_t(a.size());
         ++i)
        if (a[std::size_t(i)] == item) return Value(i);
    return Value(std::int64_t(-1));
}

CommandResult countCmd(const CommandArgs& args, CommandContext&) {
    const Strings a = args[1].asStringArray();
    return Value(std::int64_t(std::count(a.begin(), a.end(), args[0].asString())));
}

CommandResult catenateCmd(const CommandArgs& args, CommandContext&) {
    Strings out = args[0].asStringArray();
    for (auto& s : args[1].asStringArray()) out.push_back(std::move(s));
    return Value(out);
}

CommandResult removeCmd(const CommandArgs& args, CommandContext&) {
    // Every item of the second array that is not among the first's.
    const Strings drop = args[0].asStringArray();
    const std::set<std::string, std::less<>> gone(drop.begin(), drop.end());
    Strings out;
    for (auto& s : args[1].asStringArray())
        if (!gone.count(s)) out.push_back(std::move(s));
    return Value(out);
}

CommandResult insertAtIndexCmd(const CommandArgs& args, CommandContext&) {
    // The item goes before index (at the end when index is past it); a negative index fails.
    const std::int64_t index = args[0].asInt();
    if (index < 0)
        return CommandResult::failure("stringArrayInsertAtIndex: the index " +
                                      std::to_string(index) + " is negative.");
    Strings out = args[1].asStringArray();
    out.insert(
        out.begin() + std::ptrdiff_t(std::min<std::int64_t>(index, std::int64_t(out.size()))),
        args[2].asString());
    return Value(out);
}

}  // namespace

void addArrayProcedures(CommandRegistry& registry) {
    using A = ArgType;
    const CommandSpec procedures[] = {
        {.name = "sort",
         .usage = "sort array",
         .summary = "The array in ascending order: numbers by value, strings by bytes.",
         .minArgs = 1,
         .maxArgs = 1,
         .body = sortCmd},
        {.name = "stringArrayToString",
         .usage = "stringArrayToString array separator",
         .summary = "The items joined into one string with the separator between them.",
         .minArgs = 2,
         .maxArgs = 2,
         .argTypes = {A::StringArray, A::String},
         .body = stringArrayToStringCmd},
        {.name = "stringToStringArray",
         .usage = "stringToStringArray string separators",
         .summary = "The pieces of the string between any of the separator characters (empty "
                    "pieces dropped).",
         .minArgs = 2,
         .maxArgs = 2,
         .argTypes = {A::String},
         .body = stringToStringArrayCmd},
        {.name = "stringArrayRemoveDuplicates",
         .usage = "stringArrayRemoveDuplicates array",
         .summary = "The array without repeated items; the first of each stays in its place.",
         .minArgs = 1,
         .maxArgs = 1,
         .argTypes = {A::StringArray},
         .body = removeDuplicatesCmd},
        {.name = "stringArrayContains",
         .usage = "stringArrayContains item array",
         .summary = "1 when the array holds the item, else 0.",
         .minArgs = 2,
         .maxArgs = 2,
         .argTypes = {A::String, A::StringArray},
         .body = containsCmd},
        {.name = "stringArrayFind",
         .usage = "stringArrayFind item start array",
         .summary = "The index of the first item equal to item at or after start, -1 if none.",
         .minArgs = 3,
         .maxArgs = 3,
         .argTypes = {A::String, A::Int, A::StringArray},
         .body = findCmd},
        {.name = "stringArrayCount",
         .usage = "stringArrayCount item array",
         .summary = "How many items of the array equal item.",
         .minArgs = 2,
         .maxArgs = 2,
         .argTypes = {A::String, A::StringArray},
         .body = countCmd},
        {.name = "stringArrayCatenate",
         .usage = "stringArrayCatenate first second",
         .summary = "The items of first, then those of second.",
         .minArgs = 2,
         .maxArgs = 2,
         .argTypes = {A::StringArray},
         .body = catenateCmd},
        {.name = "stringArrayRemove",
         .usage = "stringArrayRemove items array",
         .summary = "The array without any item that is among items.",
         .minArgs = 2,
         .maxArgs = 2,
         .argTypes = {A::StringArray},
         .body = removeCmd},
        {.name = "stringArrayInsertAtIndex",
         .usage = "stringArrayInsertAtIndex index array item",
         .summary = "The array with item inserted before index (appended past the end).",
         .minArgs = 3,
         .maxArgs = 3,
         .argTypes = {A::Int, A::StringArray, A::String},
         .body = insertAtIndexCmd},
    };
    for (const auto& procedure : procedures) registry.add(procedure);
}

}  // namespace tarn::lang::stdlib
