#include "host/commands/scene_command_util.h"

#include <cstdio>

#include "host/dg/attribute_impl.h"
#include "host/dg/value_rules.h"
#include "host/scene/component_impl.h"
#include "host/scene/dag.h"
#include "host/scene/dag_nodes.h"
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
    // The same limits setAttr keeps; the values of a command's flags are already checked finite.
    std::vector<ClampedValue> clamped;
    checkCellValues(*a, static_cast<unsigned>(values.size()), values, &clamped);
    for (const ClampedValue& c : clamped)
        warnings.push_back(who + ": " + formatNumber(c.wanted) + " is outside the range of " +
                           plug.name().str() + "; " + formatNumber(values[c.cell]) + " is used");
    return warnings;
}

bool vertexPoints(const KSelectionList& list, bool world, std::vector<double>& out,
                  std::string* error) {
    std::vector<double> points;
    for (const auto& item : list.items()) {
        const scene::ComponentImpl* c = scene::ComponentImpl::from(item.component);
        const KObject shape = scene::meshShapeOf(item.node);
        if (!c || c->kind() != scene::ComponentKind::Vertex || shape.isNull()) {
            if (error) *error = "expected mesh vertices (mesh.vtx[N])";
            return false;
        }
        scene::MeshNode* node = scene::meshNode(shape);
        const PolyMesh& mesh = node->readMesh();
        const KMatrix toWorld = world ? scene::worldMatrix(shape) : KMatrix();
        for (int v : scene::componentElements(item.component, shape)) {
            if (v < 0 || v >= mesh.numVertices()) {
                if (error) *error = "vertex " + std::to_string(v) + " is past the mesh's last";
                return false;
            }
            const Vec3& p = mesh.point(v);
            const KPoint q = world ? KPoint(p.x, p.y, p.z) * toWorld : KPoint(p.x, p.y, p.z);
            points.insert(points.end(), {q.x, q.y, q.z});
        }
    }
    if (points.empty()) {
        if (error) *error = "no vertices named";
        return false;
    }
    out = std::move(points);
    return true;
}

std::string formatNumber(double value) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.9g", value);
    return buf;
}

}  // namespace tarn::commands
