#include "host/scene/node_access.h"

#include "host/dg/graph.h"
#include "host/scene/dag.h"
#include "host/scene/scene_undo.h"

namespace tarn::scene {

KObject attributeByName(const KObject& node, std::string_view name) {
    NodeImpl* n = liveNode(node);
    if (!n) return {};
    const AttributeImpl* found = n->type().findAttribute(name);
    if (!found) return {};
    for (const auto& a : n->type().attributes())
        if (a.get() == found) return KObject(a);
    return {};
}

KPlug plugByName(const KObject& node, std::string_view name) {
    KObject attr = attributeByName(node, name);
    return attr.isNull() ? KPlug() : KPlug(node, attr);
}

double readNumber(const KObject& node, std::string_view name) {
    std::vector<double> values;
    const KPlug plug = plugByName(node, name);
    if (plug.isNull() || !readPlugValues(plug, values) || values.empty()) return 0.0;
    return values[0];
}

KVector readVector(const KObject& node, std::string_view name) {
    std::vector<double> values;
    const KPlug plug = plugByName(node, name);
    if (plug.isNull() || !readPlugValues(plug, values)) return {};
    values.resize(3, 0.0);
    return {values[0], values[1], values[2]};
}

bool writeNumber(const KObject& node, std::string_view name, double value) {
    const KPlug plug = plugByName(node, name);
    std::string error;
    return !plug.isNull() && setPlugValuesUndoable(plug, {value}, &error);
}

bool writeVector(const KObject& node, std::string_view name, const KVector& value) {
    const KPlug plug = plugByName(node, name);
    std::string error;
    return !plug.isNull() && setPlugValuesUndoable(plug, {value.x, value.y, value.z}, &error);
}

}  // namespace tarn::scene
