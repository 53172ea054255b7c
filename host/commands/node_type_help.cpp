#include "host/commands/node_type_help.h"

#include <cmath>
#include <fstream>
#include <sstream>

#include <fmt/format.h>

#include "host/dg/graph.h"
#include "host/dg/node_type.h"
#include "host/plugins/plugin_registry.h"

namespace tarn::commands {
namespace {

std::string trim(const std::string& s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

std::string number(double v) {
    if (std::isinf(v)) return v > 0 ? "inf" : "-inf";
    return fmt::format("{:g}", v);
}

std::string typeName(const AttributeImpl& a) {
    if (!a.enumFields.empty()) return "enum";
    switch (a.kind) {
        case CellKind::kBool:
            return "bool";
        case CellKind::kInt:
            return "int";
        case CellKind::kFloat:
            return "float";
        case CellKind::kDouble:
            return "double";
        case CellKind::kAddr:
            return "address";
        case CellKind::kFloatMatrix:
        case CellKind::kMatrix:
            return "matrix";
        case CellKind::kString:
            return "string";
        case CellKind::kData:
            return "data";
        case CellKind::kMessage:
            return "message";
        case CellKind::kCompound:
            if (a.usedAsColor) return "color";
            if ((a.children.size() == 2 || a.children.size() == 3) &&
                a.children[0]->isNumericLeaf())
                return typeName(*a.children[0]) + std::to_string(a.children.size());
            return "compound";
        default:
            return "-";
    }
}

std::string defaultText(const AttributeImpl& a) {
    if (a.isNumericLeaf()) {
        if (!a.enumFields.empty())
            for (const auto& [name, value] : a.enumFields)
                if (value == a.defaultValue) return name;
        return number(a.defaultValue);
    }
    if (a.kind == CellKind::kString) return a.defaultString.empty() ? "\"\"" : a.defaultString;
    if (a.isCompound() && !a.children.empty()) {
        std::string text;
        for (const auto& c : a.children) {
            if (!c->isNumericLeaf()) return "-";
            text += (text.empty() ? "" : " ") + number(c->defaultValue);
        }
        return text;
    }
    return "-";
}

std::string rangeText(const AttributeImpl& a) {
    const AttributeImpl& leaf = a.isCompound() && !a.children.empty() ? *a.children[0] : a;
    if (!a.enumFields.empty()) {
        std::string text;
        for (const auto& [name, value] : a.enumFields)
            text += (text.empty() ? "" : ",") + name + "=" + std::to_string(value);
        return text;
    }
    auto span = [](const std::optional<double>& lo, const std::optional<double>& hi) {
        return (lo ? number(*lo) : "") + ".." + (hi ? number(*hi) : "");
    };
    std::string text;
    if (leaf.minValue || leaf.maxValue) text = span(leaf.minValue, leaf.maxValue);
    if (leaf.softMinValue || leaf.softMaxValue)
        text += (text.empty() ? "" : " ") + std::string("soft ") +
                span(leaf.softMinValue, leaf.softMaxValue);
    return text.empty() ? "-" : text;
}

}  // namespace

std::map<std::string, std::string> attributeMeanings(const std::string& pluginPath) {
    std::map<std::string, std::string> meanings;
    std::string notes = pluginPath;
    if (notes.size() > 3 && notes.compare(notes.size() - 3, 3, ".so") == 0)
        notes.resize(notes.size() - 3);
    std::ifstream in(notes + ".md");
    std::string line;
    while (std::getline(in, line)) {
        // A table row "| `name` | ... | meaning |".
        line = trim(line);
        if (line.size() < 4 || line[0] != '|' || line.back() != '|') continue;
        std::vector<std::string> cells;
        std::stringstream row(line.substr(1, line.size() - 2));
        std::string cell;
        while (std::getline(row, cell, '|')) cells.push_back(trim(cell));
        if (cells.size() < 2) continue;
        const std::string& first = cells.front();
        if (first.size() < 3 || first.front() != '`') continue;
        const auto close = first.find('`', 1);
        if (close == std::string::npos) continue;
        meanings.emplace(first.substr(1, close - 1), cells.back());
    }
    return meanings;
}

std::string nodeTypeHelp(const NodeType& type, const std::string& owner,
                         const std::map<std::string, std::string>& meanings) {
    std::string text = fmt::format("Node type {}", type.name);
    if (!owner.empty()) text += fmt::format(" (plug-in {})", owner);
    if (!type.classification.empty()) text += fmt::format(", classified {}", type.classification);
    text += fmt::format("\n  {:<28} {:<8} {:<18} {:<18} {}\n", "attribute (short)", "type",
                        "default", "range", "meaning");
    for (const auto& shared : type.attributes()) {
        const AttributeImpl& a = *shared;
        // Children are shown with their compound.
        if (a.parent) continue;
        std::string name = a.longName;
        if (!a.shortName.empty() && a.shortName != a.longName) name += " (" + a.shortName + ")";
        std::string meaning;
        if (auto it = meanings.find(a.longName); it != meanings.end()) meaning = it->second;
        std::string role;
        // An output is computed and not kept with the file, or cannot be written at all.
        if (!a.writable || (a.computed && !a.storable)) role = "output";
        if (a.array) role += role.empty() ? "array" : ", array";
        if (a.hidden) role += role.empty() ? "hidden" : ", hidden";
        if (!role.empty()) meaning = "[" + role + "] " + meaning;
        text += fmt::format("  {:<28} {:<8} {:<18} {:<18} {}\n", name, typeName(a), defaultText(a),
                            rangeText(a), trim(meaning));
    }
    return text;
}

std::string nodeTypeHelp(const std::string& typeName) {
    const NodeType* type = Graph::instance().findType(typeName);
    if (!type) return {};
    std::string owner, path;
    if (const auto* plugin = static_cast<const plugins::PluginImpl*>(type->owner)) {
        owner = plugin->name;
        path = plugin->path;
    }
    return nodeTypeHelp(
        *type, owner,
        path.empty() ? std::map<std::string, std::string>{} : attributeMeanings(path));
}

std::string toolPropertiesHelp(const std::vector<plugins::ToolProperty>& sheet) {
    using Kind = plugins::ToolProperty::Kind;
    if (sheet.empty()) return {};
    std::string text =
        "Option variables of its tools (optionVar sets them; the next stroke reads them):";
    for (const plugins::ToolProperty& p : sheet) {
        std::string values;
        switch (p.kind) {
            case Kind::IntSlider:
                values = "int " + number(p.minValue) + ".." + number(p.maxValue);
                break;
            case Kind::FloatSlider:
                values = "float " + number(p.minValue) + ".." + number(p.maxValue);
                break;
            case Kind::CheckBox:
                values = "int 0 off, 1 on";
                break;
            case Kind::RadioGroup:
                values = "int";
                for (std::size_t i = 0; i < p.choices.size(); ++i)
                    values += (i ? ", " : " ") + std::to_string(p.firstChoice + int(i)) + " " +
                              p.choices[i];
                break;
        }
        text += fmt::format("\n  {} ({}): {}", p.optionVar, values, p.meaning);
        if (!p.enabledBy.empty()) {
            text += " [used while " + p.enabledBy + " is non-zero";
            if (!p.enabledWhen.empty())
                text += " and " + p.enabledWhen + " is " + std::to_string(p.enabledWhenValue);
            text += "]";
        }
    }
    return text;
}

}  // namespace tarn::commands
