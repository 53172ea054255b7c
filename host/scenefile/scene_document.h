#pragma once
/// A scene file as read: its statements turned into plain data, before anything is checked
/// against the node types and the scene (scene_reader.h does that). scene_parser.h fills it;
/// nothing here runs or touches the host. The format is described in README.md.

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "frame/k_math.h"
#include "host/mesh/poly_mesh.h"
#include "host/nurbs/nurbs_surface.h"

namespace tarn::scenefile {

/// The format version this host writes; it reads every version up to this one.
constexpr int kFormatVersion = 1;
/// Largest count of any array in a file (points, ids, knots...); larger counts are refused
/// before anything is allocated for them.
constexpr long long kMaxArrayCount = 1LL << 28;

/// A mesh as written in a `mesh { }` block.
struct MeshBlock {
    int line = 0;
    std::vector<Vec3> points;
    std::vector<int> counts;    ///< corners per face
    std::vector<int> vertices;  ///< the faces' vertex loops, concatenated
    bool hasEdgeOrder = false;  ///< the edges are numbered as listed, not by the face walk
    std::vector<MeshEdge> edges;
    enum class Hard { None, All, Listed } hard = Hard::None;
    std::vector<int> hardEdges;
    struct UVs {
        int line = 0;
        std::string name;
        bool current = false;
        std::vector<float> u, v;
        enum class Ids { None, ByVertex, Listed } ids = Ids::None;
        std::vector<int> list;
    };
    std::vector<UVs> uvSets;
    struct Colors {
        int line = 0;
        std::string name;
        std::vector<Rgba> colors;
        bool hasIds = false;
        std::vector<int> ids;
    };
    std::vector<Colors> colorSets;
    PolyMesh::ObjectGroups groups;
    std::map<int, int> groupLines;  ///< the line of each group, for messages
};

/// A NURBS curve as written in a `curve { }` block: CVs with their weights (x y z w).
struct CurveBlock {
    int line = 0;
    int degree = 1;
    enum class Form { Open, Closed, Periodic } form = Form::Open;
    std::vector<KPoint> cvs;
    std::vector<double> knots;
};

/// A NURBS surface as written in a `surface { }` block.
struct SurfaceBlock {
    int line = 0;
    nurbs::NurbsSurface surface;
};

/// An attribute statement: `NAME = ...`, `NAME[i] = ...` or `NAME[i].LEAF = ...`.
struct AttrValue {
    int line = 0;
    std::string name;  ///< the attribute (long or short name)
    int index = -1;    ///< the array element, -1 when not in an array
    std::string leaf;  ///< a leaf inside the element (`pnts[3].pntx`), empty for the element
    enum class Kind { Numbers, Text, Mesh, Curve, Surface } kind = Kind::Numbers;
    std::vector<double> numbers;
    std::string text;
    std::shared_ptr<MeshBlock> mesh;
    std::shared_ptr<CurveBlock> curve;
    std::shared_ptr<SurfaceBlock> surface;
};

/// `lock NAME` (with the same forms of NAME as values).
struct AttrLock {
    int line = 0;
    std::string name;
    int index = -1;
    std::string leaf;
};

/// `shading GROUP FACES...` in a mesh node: faces of the mesh in a shading group.
struct ShadingRun {
    int line = 0;
    std::string group;
    std::vector<std::pair<int, int>> ranges;  ///< first and last face of each run
};

struct NodeDecl {
    int line = 0;
    std::string type;
    std::string name;
    std::string parent;  ///< empty: under the world (or not in the DAG)
    std::string plugin;  ///< the plug-in that registers the type; empty for host types
    std::vector<AttrValue> values;
    std::vector<AttrLock> locks;
    std::shared_ptr<MeshBlock> mesh;
    std::shared_ptr<CurveBlock> curve;
    std::shared_ptr<SurfaceBlock> surface;
    std::vector<ShadingRun> shading;
    std::vector<std::pair<int, std::string>> members;  ///< line, member of a plain set
    /// The text between the node's braces, exactly as in the file (kept by placeholders).
    std::string_view body;
};

struct Connect {
    int line = 0;
    std::string source, destination;
};

struct OptionDecl {
    int line = 0;
    std::string name;
    enum class Kind { Int, Float, String, IntArray, FloatArray, StringArray } kind = Kind::Int;
    std::vector<double> numbers;
    std::vector<std::string> strings;
};

struct PluginRequirement {
    int line = 0;
    std::string name;
    std::string version;
};

/// The view's own camera when it follows no camera node: eye, forward, up, right, horizontal
/// field of view, orthographic flag and width, clipping planes.
struct AutomaticCamera {
    int line = 0;
    double values[17] = {};
};

struct SceneDocument {
    int version = 0;
    std::vector<PluginRequirement> plugins;
    std::vector<NodeDecl> nodes;
    std::vector<Connect> connections;
    std::vector<std::string> selection;
    int selectionLine = 0;
    std::vector<std::string> hilite;
    int hiliteLine = 0;
    std::string camera;  ///< the active view's camera node ("" for the default)
    int cameraLine = 0;
    std::optional<AutomaticCamera> automaticCamera;
    std::vector<OptionDecl> options;
};

/// What is wrong with a file: the line (1-based; 0 when it is the file as a whole) and what was
/// expected there.
struct ParseError {
    int line = 0;
    std::string message;
};

}  // namespace tarn::scenefile
