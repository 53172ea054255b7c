#pragma once
// Checking a parsed scene file against the node types and the scene's rules before anything
// changes: what passes is a plan of values ready to store (scene_reader.cpp builds it). Internal
// to the reader. Main thread only (it reads the registered node types).

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "host/dg/attribute_impl.h"
#include "host/dg/node_type.h"
#include "host/mesh/poly_mesh.h"
#include "host/nurbs/nurbs_curve.h"
#include "host/nurbs/surface_data.h"
#include "host/scenefile/scene_document.h"
#include "host/view/snapshot_renderer.h"

namespace tarn::scenefile {

// A value checked and ready to store: numbers at the attribute's precision, text, or data.
struct PlannedValue {
    std::shared_ptr<AttributeImpl> attribute;
    int index = -1;
    std::vector<double> numbers;
    std::string text;
    bool isText = false;
    KObject data;
    bool isData = false;
};

struct PlannedNode {
    NodeDecl* decl = nullptr;
    NodeType* type = nullptr;  // null for a placeholder
    bool placeholder = false;
    bool isDefault = false;        // declared in the file, or one of the default nodes
    bool implicitDefault = false;  // a default node the file does not declare
    std::string pluginVersion;
    std::vector<PlannedValue> values;
    std::vector<std::pair<std::shared_ptr<AttributeImpl>, int>> locks;
    std::optional<PolyMesh> mesh;
    std::optional<nurbs::NurbsCurve> curve;
    nurbs::SurfaceRef surface;
    struct Shading {
        std::size_t group;  // planned node
        std::vector<int> faces;
        bool all = false;
    };
    std::vector<Shading> shading;
    std::vector<std::pair<std::size_t, std::string>> members;  // planned node, component
    KObject made;
};

// A plug named in a connection: planned node, attribute (null for a placeholder's) and the
// plug's text without the node.
struct PlannedPlug {
    std::size_t node = 0;
    std::shared_ptr<AttributeImpl> attribute;
    int index = -1;
    std::string text;  // "outMesh", "pnts[3]"
};

struct PlannedConnection {
    PlannedPlug source, destination;
    std::size_t fileIndex = 0;
};

/// A checked file: its nodes (the file's, then the default nodes it does not declare), its
/// connections, the view's own camera, and warnings (values moved into range, placeholders).
struct ScenePlan {
    std::vector<PlannedNode> nodes;
    std::vector<PlannedConnection> connections;
    std::map<std::string, std::size_t> byName;
    std::vector<std::string> warnings;
    std::optional<view::ViewCamera> automatic;
    std::vector<std::string> implicitNames;  ///< the default nodes the file does not declare
    std::size_t declared = 0;                ///< nodes the file declares (the first ones)

    const std::string& nameOf(std::size_t i) const {
        return nodes[i].decl ? nodes[i].decl->name : implicitNames[i - declared];
    }
};

/// Checks `doc` (its geometry blocks are moved into the plan). False with the line at fault and
/// why. `missingPlugins` are the plug-ins that could not be loaded (their nodes become
/// placeholders).
bool checkScene(SceneDocument& doc, const std::string& file,
                const std::set<std::string>& missingPlugins, ScenePlan& plan, int* line,
                std::string* error);

/// The shared owner of an attribute of a registered type.
std::shared_ptr<AttributeImpl> sharedAttr(const AttributeImpl* a);

}  // namespace tarn::scenefile
