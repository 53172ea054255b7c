#include "host/scene/component_name.h"

#include <algorithm>
#include <charconv>

namespace tarn::scene {

namespace {

struct KindRow {
    ComponentKind kind;
    const char* word;
    KFn::Type type;
};

constexpr KindRow kKinds[] = {
    {ComponentKind::Vertex, "vtx", KFn::kMeshVertComponent},
    {ComponentKind::Edge, "e", KFn::kMeshEdgeComponent},
    {ComponentKind::Face, "f", KFn::kMeshPolygonComponent},
    {ComponentKind::UV, "map", KFn::kMeshMapComponent},
};

bool parseIndex(std::string_view text, int& out) {
    if (text.empty()) return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size() && out >= 0;
}

}  // namespace

const char* componentWord(ComponentKind kind) {
    for (const KindRow& row : kKinds)
        if (row.kind == kind) return row.word;
    return "";
}

KFn::Type componentApiType(ComponentKind kind) {
    for (const KindRow& row : kKinds)
        if (row.kind == kind) return row.type;
    return KFn::kInvalid;
}

ComponentKind componentKindOf(KFn::Type type) {
    for (const KindRow& row : kKinds)
        if (row.type == type) return row.kind;
    return ComponentKind::None;
}

bool parseComponentName(std::string_view text, ComponentName& out, std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error) *error = "Invalid component name \"" + std::string(text) + "\": " + why;
        return false;
    };
    ComponentName result;
    const size_t dot = text.find('.');
    const size_t bracket = text.find('[');
    if (dot == std::string_view::npos || bracket == std::string_view::npos || bracket < dot) {
        result.object = std::string(text);
        out = std::move(result);
        return true;
    }
    result.object = std::string(text.substr(0, dot));
    if (result.object.empty()) return fail("no object before '.'");
    const std::string_view word = text.substr(dot + 1, bracket - dot - 1);
    for (const KindRow& row : kKinds)
        if (word == row.word) result.kind = row.kind;
    if (result.kind == ComponentKind::None) {
        // "node.attr[3]" is a plug of an array attribute, not a component.
        if (word != "vtxFace" && word != "vf" && word != "cv" && word != "u" && word != "v") {
            result = ComponentName{};
            result.object = std::string(text);
            out = std::move(result);
            return true;
        }
        return fail("components of kind \"" + std::string(word) + "\" are not supported");
    }
    size_t at = bracket;
    while (at < text.size()) {
        if (text[at] != '[') return fail("expected '[' at character " + std::to_string(at + 1));
        const size_t close = text.find(']', at);
        if (close == std::string_view::npos) return fail("missing ']'");
        const std::string_view inner = text.substr(at + 1, close - at - 1);
        if (inner == "*") {
            result.all = true;
        } else {
            const size_t colon = inner.find(':');
            int a = 0, b = 0;
            if (colon == std::string_view::npos) {
                if (!parseIndex(inner, a))
                    return fail("\"" + std::string(inner) + "\" is not an index");
                b = a;
            } else if (!parseIndex(inner.substr(0, colon), a) ||
                       !parseIndex(inner.substr(colon + 1), b)) {
                return fail("\"" + std::string(inner) + "\" is not a range");
            }
            if (b < a) return fail("range " + std::string(inner) + " runs backwards");
            result.ranges.emplace_back(a, b);
        }
        at = close + 1;
    }
    out = std::move(result);
    return true;
}

bool expandComponentIndices(const ComponentName& name, int count, std::vector<int>& out,
                            std::string* error) {
    const char* word = componentWord(name.kind);
    std::vector<int> indices;
    if (name.all) {
        indices.resize(std::max(count, 0));
        for (int i = 0; i < count; ++i) indices[i] = i;
    }
    for (const auto& [a, b] : name.ranges) {
        if (b >= count) {
            if (error)
                *error = "Component " + name.object + "." + word + "[" + std::to_string(b) +
                         "] is out of range: " + name.object + " has " + std::to_string(count) +
                         (count == 1 ? " element" : " elements") + " of that kind";
            return false;
        }
        for (int i = a; i <= b; ++i) indices.push_back(i);
    }
    std::sort(indices.begin(), indices.end());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    out = std::move(indices);
    return true;
}

std::string componentRangeName(const std::string& object, ComponentKind kind, int first,
                               int last) {
    std::string name = object + "." + componentWord(kind) + "[" + std::to_string(first);
    if (last != first) name += ":" + std::to_string(last);
    return name + "]";
}

std::vector<std::string> formatComponentNames(const std::string& object, ComponentKind kind,
                                              const std::vector<int>& indices) {
    std::vector<std::string> names;
    if (indices.empty()) return names;
    // Sorted and unique, the list is one unbroken run exactly when it spans its own length
    // (the usual case for a whole mesh's worth of elements).
    if (static_cast<long long>(indices.back()) - indices.front() + 1 ==
        static_cast<long long>(indices.size())) {
        names.push_back(componentRangeName(object, kind, indices.front(), indices.back()));
        return names;
    }
    for (size_t i = 0; i < indices.size();) {
        size_t j = i;
        while (j + 1 < indices.size() &&
               static_cast<long long>(indices[j + 1]) - indices[j] == 1)
            ++j;
        names.push_back(componentRangeName(object, kind, indices[i], indices[j]));
        i = j + 1;
    }
    return names;
}

}  // namespace tarn::scene
