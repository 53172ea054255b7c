#pragma once
/// Shading nodes of the host: lambert and phong materials, file and place2dTexture textures,
/// shading groups (renderable sets, "shadingEngine") and plain object sets, plus which shading
/// group each face of each mesh belongs to. Every face is in at most one shading group; a new
/// mesh starts in "initialShadingGroup". Main thread only.

#include <memory>
#include <string>
#include <vector>

#include "frame/k_node.h"
#include "frame/k_object.h"
#include "host/scene/shading_memory.h"

namespace tarn {
class NodeImpl;
}
namespace tarn::scene {
class MeshNode;
}

namespace tarn::shading {

enum ShadingTypeId : unsigned {
    kLambertId = 0x7a000101,
    kPhongId = 0x7a000102,
    kFileId = 0x7a000103,
    kPlace2dTextureId = 0x7a000104,
    kShadingEngineId = 0x7a000105,
    kObjectSetId = 0x7a000106,
};

/// What a shading node is, for defaultNavigation and the scene description.
enum class ShadingKind { None, Shader, Texture, Placement, ShadingGroup, Set };

class LambertNode : public KPxNode {
public:
    static void* creator() { return new LambertNode; }
    static KStatus initialize();
    /// color (c), transparency (it), ambientColor (acl), incandescence (ic), diffuse (dc),
    /// outColor (oc), outTransparency (ot).
    static KObject color, transparency, ambientColor, incandescence, diffuse, outColor,
        outTransparency;
    KStatus compute(const KPlug& plug, KDataBlock& block) override;
};

class PhongNode : public KPxNode {
public:
    static void* creator() { return new PhongNode; }
    static KStatus initialize();
    /// As lambert plus specularColor (sc), cosinePower (cp), reflectivity (rfl).
    static KObject color, transparency, ambientColor, incandescence, diffuse, specularColor,
        cosinePower, reflectivity, outColor, outTransparency;
    KStatus compute(const KPlug& plug, KDataBlock& block) override;
};

class FileNode : public KPxNode {
public:
    static void* creator() { return new FileNode; }
    static KStatus initialize();
    /// fileTextureName (ftn), uvCoord (uv: uCoord, vCoord), defaultColor (dc), outColor (oc),
    /// outAlpha (oa).
    static KObject fileTextureName, uvCoord, defaultColor, outColor, outAlpha;
};

class Place2dTextureNode : public KPxNode {
public:
    static void* creator() { return new Place2dTextureNode; }
    static KStatus initialize();
    /// repeatUV (re: repeatU, repeatV), offset (of: offsetU, offsetV), rotateUV (ro),
    /// outUV (ouv: outU, outV).
    static KObject repeatUV, offset, rotateUV, outUV;
};

/// A member of a plain set: the node it names and the component part of its name (".vtx[0:2]",
/// empty for a whole node). Held weakly, so a renamed member answers its new name and a deleted
/// one drops out until undo brings the very node back.
struct SetMember {
    std::weak_ptr<NodeImpl> node;
    std::string component;
};

/// A set: shading groups (renderable) keep their faces on the meshes; plain sets keep a list
/// of members.
class SetNode : public KPxNode {
public:
    static void* creatorSet() { return new SetNode; }
    static void* creatorShadingEngine() { return new SetNode; }
    static KStatus initializeSet();
    static KStatus initializeShadingEngine();
    /// shadingEngine: surfaceShader (ss, colour), displacementShader (ds); both:
    /// memberWireframeColor (mwc).
    static KObject surfaceShader, displacementShader, setWireColor, objectSetWire;
    std::vector<SetMember> members;  // plain sets only
};

/// Registers the shading node types when missing and creates "lambert1" and
/// "initialShadingGroup" when missing.
void ensureShadingTypes();

ShadingKind shadingKind(const KObject& node);
bool isShadingGroup(const KObject& node);
/// The default shading group (created when missing).
KObject initialShadingGroup();

/// Moves faces of a mesh shape into shading group `group`: all of them when `faces` is empty.
/// Faces leave their previous group. Records undo when a chunk is open. False with `*error`
/// for a non-mesh, a non-group or an out-of-range face (nothing changes then).
bool assignFaces(const KObject& group, const KObject& mesh, const std::vector<int>& faces,
                 std::string* error);
/// The shading group of each face of a mesh shape (null where none).
std::vector<KObject> faceGroups(const KObject& mesh);
/// Faces [first, first + count) of a mesh in one group (null: none).
struct GroupRun {
    KObject group;
    int first = 0;
    int count = 0;
};
/// The same as runs of consecutive faces, neighbours never in the same group; O(runs).
std::vector<GroupRun> faceGroupRuns(const KObject& mesh);
/// Meshes with at least one face in `group`, and those faces (all faces: `whole` set).
struct GroupMember {
    KObject mesh;
    std::vector<int> faces;
    bool whole = false;
};
std::vector<GroupMember> groupMembers(const KObject& group);
/// The node feeding a shading group's surfaceShader (null when none).
KObject surfaceShaderOf(const KObject& group);

/// Faces by group name ("" none), neighbouring runs of the same live group joined: what undo
/// records keep, so that groups deleted and made again by undo are found again by name.
using NamedRuns = std::vector<std::pair<std::string, int>>;
/// The shading of a mesh shape's faces (its faceGroups and its shading memory) as undo records
/// keep it.
struct ShadingRecord {
    NamedRuns faces;
    std::shared_ptr<const PolyMesh> baseMesh;
    NamedRuns base;
    std::vector<std::pair<scene::LayoutKey, NamedRuns>> seen;
};
ShadingRecord shadingRecord(const scene::MeshNode& node);
/// Puts a recorded shading back, as it was (nothing is carried).
void restoreShading(scene::MeshNode& node, const ShadingRecord& record);
/// Records, when a chunk is open, that the shading of the shape named `meshName` went from
/// `before` to what it is now (or to `after`).
void recordShadingChange(const std::string& meshName, ShadingRecord before);
void recordShadingChange(const std::string& meshName, ShadingRecord before, ShadingRecord after);

}  // namespace tarn::shading
