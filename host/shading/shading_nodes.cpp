#include "host/shading/shading_nodes.h"

#include <algorithm>

#include "host/dg/graph.h"
#include "host/scene/attribute_table.h"
#include "host/scene/dag.h"
#include "host/undo/undo.h"

namespace tarn::shading {

using scene::AttrKind;
using scene::AttrRow;

KObject LambertNode::color, LambertNode::transparency, LambertNode::ambientColor,
    LambertNode::incandescence, LambertNode::diffuse, LambertNode::outColor,
    LambertNode::outTransparency;
KObject PhongNode::color, PhongNode::transparency, PhongNode::ambientColor,
    PhongNode::incandescence, PhongNode::diffuse, PhongNode::specularColor, PhongNode::cosinePower,
    PhongNode::reflectivity, PhongNode::outColor, PhongNode::outTransparency;
KObject FileNode::fileTextureName, FileNode::uvCoord, FileNode::defaultColor, FileNode::outColor,
    FileNode::outAlpha;
KObject Place2dTextureNode::repeatUV, Place2dTextureNode::offset, Place2dTextureNode::rotateUV,
    Place2dTextureNode::outUV;
KObject SetNode::surfaceShader, SetNode::displacementShader, SetNode::setWireColor,
    SetNode::objectSetWire;

namespace {

AttrRow row(const char* l, const char* s, AttrKind k, double a, double b, double c, KObject* h,
            bool output = false) {
    AttrRow r{l, s, k, {a, b, c}};
    r.handle = h;
    r.output = output;
    return r;
}

AttrRow pair(const char* l, const char* s, const char* c0, const char* s0, const char* c1,
             const char* s1, double a, double b, KObject* h, bool output = false) {
    AttrRow r{l, s, AttrKind::Float2, {a, b, 0.0}};
    r.children[0][0] = c0, r.children[0][1] = s0;
    r.children[1][0] = c1, r.children[1][1] = s1;
    r.handle = h;
    r.output = output;
    return r;
}

// A material's outColor is its colour scaled by the diffuse coefficient, outTransparency its
// transparency: enough for swatches and for scripts that read them back.
KStatus computeMaterial(const KPlug& plug, KDataBlock& block, const KObject& color,
                        const KObject& diffuse, const KObject& transparency,
                        const KObject& outColor, const KObject& outTransparency) {
    const KPlug p = plug.isChild() ? plug.parent() : plug;
    if (p == outColor) {
        const KFloatVector c = block.inputValue(color).asFloatVector();
        const float d = block.inputValue(diffuse).asFloat();
        block.outputValue(outColor).set(c * d);
        block.setClean(outColor);
        return KStatus::kSuccess;
    }
    if (p == outTransparency) {
        block.outputValue(outTransparency).set(block.inputValue(transparency).asFloatVector());
        block.setClean(outTransparency);
        return KStatus::kSuccess;
    }
    return KStatus::kUnknownParameter;  // not a plug this node computes
}

}  // namespace

KStatus LambertNode::initialize() {
    KStatus s = scene::addAttributeTable({
        row("color", "c", AttrKind::Color, 0.5, 0.5, 0.5, &color),
        row("transparency", "it", AttrKind::Color, 0, 0, 0, &transparency),
        row("ambientColor", "acl", AttrKind::Color, 0, 0, 0, &ambientColor),
        row("incandescence", "ic", AttrKind::Color, 0, 0, 0, &incandescence),
        row("diffuse", "dc", AttrKind::Float, 0.8, 0, 0, &diffuse),
        row("outColor", "oc", AttrKind::Color, 0, 0, 0, &outColor, true),
        row("outTransparency", "ot", AttrKind::Color, 0, 0, 0, &outTransparency, true),
    });
    if (s.error()) return s;
    for (KObject* in : {&color, &diffuse}) attributeAffects(*in, outColor);
    attributeAffects(transparency, outTransparency);
    return KStatus::kSuccess;
}

KStatus LambertNode::compute(const KPlug& plug, KDataBlock& block) {
    return computeMaterial(plug, block, color, diffuse, transparency, outColor, outTransparency);
}

KStatus PhongNode::initialize() {
    KStatus s = scene::addAttributeTable({
        row("color", "c", AttrKind::Color, 0.5, 0.5, 0.5, &color),
        row("transparency", "it", AttrKind::Color, 0, 0, 0, &transparency),
        row("ambientColor", "acl", AttrKind::Color, 0, 0, 0, &ambientColor),
        row("incandescence", "ic", AttrKind::Color, 0, 0, 0, &incandescence),
        row("diffuse", "dc", AttrKind::Float, 0.8, 0, 0, &diffuse),
        row("specularColor", "sc", AttrKind::Color, 0.5, 0.5, 0.5, &specularColor),
        row("cosinePower", "cp", AttrKind::Float, 20.0, 0, 0, &cosinePower),
        row("reflectivity", "rfl", AttrKind::Float, 0.5, 0, 0, &reflectivity),
        row("outColor", "oc", AttrKind::Color, 0, 0, 0, &outColor, true),
        row("outTransparency", "ot", AttrKind::Color, 0, 0, 0, &outTransparency, true),
    });
    if (s.error()) return s;
    for (KObject* in : {&color, &diffuse}) attributeAffects(*in, outColor);
    attributeAffects(transparency, outTransparency);
    return KStatus::kSuccess;
}

KStatus PhongNode::compute(const KPlug& plug, KDataBlock& block) {
    return computeMaterial(plug, block, color, diffuse, transparency, outColor, outTransparency);
}

KStatus FileNode::initialize() {
    return scene::addAttributeTable({
        row("fileTextureName", "ftn", AttrKind::String, 0, 0, 0, &fileTextureName),
        pair("uvCoord", "uv", "uCoord", "u", "vCoord", "v", 0, 0, &uvCoord),
        row("defaultColor", "dcl", AttrKind::Color, 0.5, 0.5, 0.5, &defaultColor),
        row("outColor", "oc", AttrKind::Color, 0.5, 0.5, 0.5, &outColor),
        row("outAlpha", "oa", AttrKind::Float, 1.0, 0, 0, &outAlpha),
    });
}

KStatus Place2dTextureNode::initialize() {
    return scene::addAttributeTable({
        pair("repeatUV", "re", "repeatU", "reu", "repeatV", "rev", 1, 1, &repeatUV),
        pair("offset", "of", "offsetU", "ofu", "offsetV", "ofv", 0, 0, &offset),
        row("rotateUV", "ro", AttrKind::Float, 0, 0, 0, &rotateUV),
        pair("outUV", "ouv", "outU", "ou", "outV", "ov", 0, 0, &outUV),
    });
}

KStatus SetNode::initializeSet() {
    return scene::addAttributeTable({
        row("objectSetWire", "osw", AttrKind::Message, 0, 0, 0, &objectSetWire),
    });
}

KStatus SetNode::initializeShadingEngine() {
    return scene::addAttributeTable({
        row("surfaceShader", "ss", AttrKind::Color, 0, 0, 0, &surfaceShader),
        row("displacementShader", "ds", AttrKind::Float, 0, 0, 0, &displacementShader),
        row("memberWireframeColor", "mwc", AttrKind::Int, -1, 0, 0, &setWireColor),
    });
}

namespace {

struct TypeRow {
    const char* name;
    unsigned id;
    KCreatorFunction creator;
    KInitializeFunction initializer;
    KPxNode::Type kind;
    KFn::Type apiType;
    const char* classification;
};

const TypeRow kShadingTypes[] = {
    {"lambert", kLambertId, LambertNode::creator, LambertNode::initialize, KPxNode::kDependNode,
     KFn::kLambert, "shader/surface"},
    {"phong", kPhongId, PhongNode::creator, PhongNode::initialize, KPxNode::kDependNode,
     KFn::kPhong, "shader/surface"},
    {"file", kFileId, FileNode::creator, FileNode::initialize, KPxNode::kDependNode,
     KFn::kFileTexture, "texture/2d"},
    {"place2dTexture", kPlace2dTextureId, Place2dTextureNode::creator,
     Place2dTextureNode::initialize, KPxNode::kDependNode, KFn::kPlace2dTexture, "utility/general"},
    {"shadingEngine", kShadingEngineId, SetNode::creatorShadingEngine,
     SetNode::initializeShadingEngine, KPxNode::kObjectSet, KFn::kShadingEngine, ""},
    {"objectSet", kObjectSetId, SetNode::creatorSet, SetNode::initializeSet, KPxNode::kObjectSet,
     KFn::kSet, ""},
};

bool ensuring = false;

}  // namespace

void ensureShadingTypes() {
    if (ensuring) return;
    ensuring = true;
    Graph& graph = Graph::instance();
    for (const TypeRow& r : kShadingTypes) {
        if (graph.findType(r.name)) continue;
        NodeTypeSpec decl;
        decl.name = r.name;
        decl.id = KTypeId(r.id);
        decl.creator = r.creator;
        decl.initializer = r.initializer;
        decl.nodeKind = r.kind;
        decl.apiType = r.apiType;
        decl.classification = r.classification;
        std::string error;
        graph.registerType(decl, &error);
    }
    // The default material and shading group every new mesh starts in.
    std::string error;
    if (graph.findNode("lambert1").isNull()) graph.createNode("lambert", "lambert1", &error);
    if (graph.findNode("initialShadingGroup").isNull()) {
        KObject sg = graph.createNode("shadingEngine", "initialShadingGroup", &error);
        KObject lambert = graph.findNode("lambert1");
        if (!sg.isNull() && !lambert.isNull())
            graph.connect(KPlug(lambert, LambertNode::outColor), KPlug(sg, SetNode::surfaceShader),
                          true, &error);
    }
    ensuring = false;
}

ShadingKind shadingKind(const KObject& node) {
    switch (node.apiType()) {
        case KFn::kLambert:
        case KFn::kPhong:
            return ShadingKind::Shader;
        case KFn::kFileTexture:
            return ShadingKind::Texture;
        case KFn::kPlace2dTexture:
            return ShadingKind::Placement;
        case KFn::kShadingEngine:
            return ShadingKind::ShadingGroup;
        case KFn::kSet:
            return ShadingKind::Set;
        default:
            break;
    }
    // Plug-in shaders and textures by their classification.
    if (NodeImpl* n = scene::liveNode(node)) {
        const std::string& c = n->type().classification;
        if (c.rfind("shader/", 0) == 0) return ShadingKind::Shader;
        if (c.rfind("texture/", 0) == 0) return ShadingKind::Texture;
    }
    return ShadingKind::None;
}

bool isShadingGroup(const KObject& node) {
    return scene::liveNode(node) && node.apiType() == KFn::kShadingEngine;
}

KObject initialShadingGroup() {
    ensureShadingTypes();
    return Graph::instance().findNode("initialShadingGroup");
}

namespace {

std::shared_ptr<NodeImpl> shared(const KObject& o) {
    return NodeImpl::from(o) ? std::static_pointer_cast<NodeImpl>(o.implPtr()) : nullptr;
}

void fitGroups(scene::MeshNode& mesh) {
    const int faces = mesh.readMesh().numFaces();
    if (mesh.faceGroups.size() != faces) mesh.faceGroups.resize(faces);
}

// The live node of a run's group (null for none, an expired or a deleted group).
std::shared_ptr<NodeImpl> liveGroup(const std::weak_ptr<NodeImpl>& group) {
    auto g = group.lock();
    return g && g->alive() ? g : nullptr;
}

NamedRuns namedRuns(const scene::FaceGroupRuns& groups) {
    NamedRuns out;
    const NodeImpl* last = nullptr;
    for (const scene::FaceGroupRuns::Run& r : groups.runs()) {
        const auto live = liveGroup(r.group);
        if (!out.empty() && live.get() == last) {
            out.back().second += r.count;
            continue;
        }
        out.emplace_back(live ? live->name() : std::string(), r.count);
        last = live.get();
    }
    return out;
}

}  // namespace

bool assignFaces(const KObject& group, const KObject& mesh, const std::vector<int>& faces,
                 std::string* error) {
    scene::MeshNode* node = scene::meshNode(mesh);
    if (!node) {
        if (error) *error = scene::nodeName(mesh) + " is not a mesh";
        return false;
    }
    if (!isShadingGroup(group)) {
        if (error) *error = scene::nodeName(group) + " is not a shading group";
        return false;
    }
    fitGroups(*node);
    const int count = node->faceGroups.size();
    for (int f : faces)
        if (f < 0 || f >= count) {
            if (error)
                *error = "Face " + std::to_string(f) + " is out of range for " +
                         scene::nodeName(mesh) + " (" + std::to_string(count) + " faces)";
            return false;
        }
    const std::weak_ptr<NodeImpl> target = shared(group);
    // Undo records name the mesh and the groups and are only gathered when a chunk is open.
    const bool recording = undo::undoQueue().isRecording();
    ShadingRecord before;
    if (recording) before = shadingRecord(*node);
    if (faces.empty())
        node->faceGroups.fill(target);
    else
        node->faceGroups.assign(faces, target);
    node->groupsAssigned();
    if (recording) recordShadingChange(scene::nodeName(mesh), std::move(before));
    return true;
}

namespace {

scene::FaceGroupRuns runsFromNames(const NamedRuns& named) {
    scene::FaceGroupRuns runs;
    for (const auto& [name, n] : named) {
        std::weak_ptr<NodeImpl> g;
        if (!name.empty()) g = shared(Graph::instance().findNode(name));
        runs.append(g, n);
    }
    return runs;
}

}  // namespace

ShadingRecord shadingRecord(const scene::MeshNode& node) {
    ShadingRecord r;
    r.faces = namedRuns(node.faceGroups);
    const scene::ShadingMemory& memory = node.shadingMemory();
    r.baseMesh = memory.baseMesh;
    r.base = namedRuns(memory.base);
    for (const auto& [layout, runs] : memory.seen) r.seen.emplace_back(layout, namedRuns(runs));
    return r;
}

void restoreShading(scene::MeshNode& node, const ShadingRecord& record) {
    // The record describes the mesh the history gives now: take it first, so that taking it
    // later does not carry the restored groups over as if they were for the mesh before.
    node.readMesh();
    node.faceGroups = runsFromNames(record.faces);
    scene::ShadingMemory memory;
    memory.baseMesh = record.baseMesh;
    memory.base = runsFromNames(record.base);
    for (const auto& [layout, runs] : record.seen)
        memory.seen.emplace_back(layout, runsFromNames(runs));
    node.setShadingMemory(std::move(memory));
}

void recordShadingChange(const std::string& meshName, ShadingRecord before) {
    scene::MeshNode* node = scene::meshNode(scene::findNode(meshName));
    if (!node) return;
    recordShadingChange(meshName, std::move(before), shadingRecord(*node));
}

void recordShadingChange(const std::string& meshName, ShadingRecord before, ShadingRecord after) {
    if (!undo::undoQueue().isRecording()) return;
    auto was = std::make_shared<const ShadingRecord>(std::move(before));
    auto now = std::make_shared<const ShadingRecord>(std::move(after));
    auto restore = [meshName](const ShadingRecord& r) {
        if (scene::MeshNode* mn = scene::meshNode(scene::findNode(meshName)))
            restoreShading(*mn, r);
    };
    undo::undoQueue().record([restore, was] { restore(*was); }, [restore, now] { restore(*now); },
                             "shading of " + meshName);
}

std::vector<KObject> faceGroups(const KObject& mesh) {
    std::vector<KObject> out;
    scene::MeshNode* node = scene::meshNode(mesh);
    if (!node) return out;
    fitGroups(*node);
    out.reserve(static_cast<size_t>(node->faceGroups.size()));
    for (const scene::FaceGroupRuns::Run& r : node->faceGroups.runs()) {
        const auto live = liveGroup(r.group);
        out.insert(out.end(), static_cast<size_t>(r.count),
                   live ? scene::handleOf(live) : KObject());
    }
    return out;
}

std::vector<GroupRun> faceGroupRuns(const KObject& mesh) {
    std::vector<GroupRun> out;
    scene::MeshNode* node = scene::meshNode(mesh);
    if (!node) return out;
    fitGroups(*node);
    int first = 0;
    for (const scene::FaceGroupRuns::Run& r : node->faceGroups.runs()) {
        const auto live = liveGroup(r.group);
        const KObject g = live ? scene::handleOf(live) : KObject();
        if (!out.empty() && out.back().group == g)
            out.back().count += r.count;
        else
            out.push_back({g, first, r.count});
        first += r.count;
    }
    return out;
}

std::vector<GroupMember> groupMembers(const KObject& group) {
    std::vector<GroupMember> members;
    for (const KObject& node : scene::allDagNodes()) {
        if (!scene::meshNode(node)) continue;
        GroupMember m{node, {}, false};
        int total = 0;
        for (const GroupRun& r : faceGroupRuns(node)) {
            total += r.count;
            if (r.group != group) continue;
            for (int f = r.first; f < r.first + r.count; ++f) m.faces.push_back(f);
        }
        if (m.faces.empty()) continue;
        m.whole = static_cast<int>(m.faces.size()) == total;
        members.push_back(std::move(m));
    }
    return members;
}

KObject surfaceShaderOf(const KObject& group) {
    if (!isShadingGroup(group)) return {};
    for (const Connection& c :
         Graph::instance().connectionsOf(KPlug(group, SetNode::surfaceShader), true, false))
        if (c.srcNode && c.srcNode->alive()) return scene::handleOf(c.srcNode);
    return {};
}

}  // namespace tarn::shading
