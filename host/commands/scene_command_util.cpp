#include "host/commands/scene_command_util.h"

#include <cstdio>

#include "host/dg/attribute_impl.h"
#include "host/scene/dag.h"
#include "host/scene/selection.h"

namespace tarn::commands {

std::vector<std::string> positionalWords(const lang::CommandArgs& args, size_t first) {
    std::vector<std::string> words;
    for (size_t i = first; i < args.count(); ++i) {
        const lang::Value& v = args[i];
        if (v.isArray())
            for (const std::string& s : v.asStringArray()) words.push_back(s);
        else
            words.push_back(v.asString());
    }
    return words;
}

bool gatherItems(const lang::CommandArgs& args, bool selectionWhenEmpty, KSelectionList& out,
                 std::string* error, size_t firstWord) {
    const std::vector<std::string> words = positionalWords(args, firstWord);
    KSelectionList list;
    if (words.empty()) {
        if (selectionWhenEmpty) list = scene::activeSelection();
        out = list;
        return true;
    }
    for (const std::string& word : words)
        if (!scene::addByName(list, word, error)) return false;
    out = list;
    return true;
}

std::vector<MeshItem> meshItems(const KSelectionList& list) {
    std::vector<MeshItem> items;
    for (const auto& item : list.items()) {
        const KObject shape = scene::meshShapeOf(item.node);
        if (shape.isNull()) continue;
        items.push_back({shape, item.component});
    }
    return items;
}

std::vector<std::string> clampToLimits(const KPlug& plug, std::vector<double>& values,
                                       const std::string& who) {
    std::vector<std::string> warnings;
    const AttributeImpl* a = AttributeImpl::from(plug.attribute());
    if (!a) return warnings;
    const bool ownLimits = a->minValue || a->maxValue || a->children.size() != values.size();
    for (std::size_t i = 0; i < values.size(); ++i) {
        const AttributeImpl& limits = ownLimits ? *a : *a->children[i];
        const double wanted = values[i];
        if (limits.minValue && values[i] < *limits.minValue) values[i] = *limits.minValue;
        if (limits.maxValue && values[i] > *limits.maxValue) values[i] = *limits.maxValue;
        if (values[i] != wanted)
            warnings.push_back(who + ": " + formatNumber(wanted) + " is outside the range of " +
                               plug.name().str() + "; " + formatNumber(values[i]) + " is used");
    }
    return warnings;
}

std::string formatNumber(double value) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.9g", value);
    return buf;
}

}  // namespace tarn::commands
