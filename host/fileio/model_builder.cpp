#include "host/fileio/model_builder.h"

#include <cmath>
#include <filesystem>

#include "frame/k_scene.h"
#include "host/dg/graph.h"
#include "host/dg/node_impl.h"
#include "host/scene/dag.h"
#include "host/scene/dag_nodes.h"
#include "host/shading/shading_nodes.h"
#include "host/undo/undo.h"

namespace tarn::fileio {

namespace {

// Writes numbers into a plug of a node by attribute name, at the attribute's precision.
void setNumbers(const KObject& node, const char* attribute, std::initializer_list<double> values) {
    NodeImpl* n = NodeImpl::from(node);
    const AttributeImpl* a = n ? n->type().findAttribute(attribute) : nullptr;
    if (!a) return;
    const KPlug plug(node, KObject(std::const_pointer_cast<AttributeImpl>(a->shared_from_this())));
    KStatus status;
    KDataHandle h = Graph::instance().writeHandle(plug, &status);
    if (h.isNull()) return;
    std::size_t k = 0;
    for (double v : values)
        if (k < h.width()) storeCell(h.cells()[k], a->cellKinds[k], v), ++k;
    Graph::instance().valueChanged(plug);
}

void setText(const KObject& node, const char* attribute, const std::string& text) {
    NodeImpl* n = NodeImpl::from(node);
    const AttributeImpl* a = n ? n->type().findAttribute(attribute) : nullptr;
    if (!a) return;
    const KPlug plug(node, KObject(std::const_pointer_cast<AttributeImpl>(a->shared_from_this())));
    KStatus status;
    KDataHandle h = Graph::instance().writeHandle(plug, &status);
    if (h.isNull()) return;
    h.set(KString(text));
    Graph::instance().valueChanged(plug);
}

bool connectByName(const std::string& from, const std::string& to) {
    std::string error;
    const KPlug s = Graph::instance().parsePlug(from, &error);
    const KPlug d = Graph::instance().parsePlug(to, &error);
    return !s.isNull() && !d.isNull() && !Graph::instance().connect(s, d, true, &error).error();
}

// The image a material names: as given when it exists, else beside the model.
std::string texturePath(const std::string& texture, const std::string& folder) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (texture.empty() || fs::path(texture).is_absolute() || fs::exists(texture, ec))
        return texture;
    const fs::path beside = fs::path(folder) / texture;
    return fs::exists(beside, ec) ? beside.string() : texture;
}

class Builder {
public:
    Builder(const ImportedScene& model, const std::string& folder)
        : m_model(model), m_folder(folder) {}

    std::vector<std::string> run() {
        m_groups.assign(m_model.materials.size(), KObject());
        std::vector<KObject> transforms(m_model.nodes.size());
        for (std::size_t i = 0; i < m_model.nodes.size(); ++i) {
            const ImportedNode& node = m_model.nodes[i];
            const KObject parent =
                node.parent >= 0 ? transforms[static_cast<std::size_t>(node.parent)] : KObject();
            transforms[i] =
                makeTransform(sceneName(node.name, sceneName(m_model.name, "model")), parent, node);
            if (node.meshes.size() == 1) {
                makeShape(static_cast<std::size_t>(node.meshes[0]), transforms[i],
                          scene::nodeName(transforms[i]) + "Shape");
                continue;
            }
            // Several meshes: a transform of its own for each.
            for (int m : node.meshes) {
                const ImportedMesh& mesh = m_model.meshes[static_cast<std::size_t>(m)];
                const KObject own =
                    makeTransform(sceneName(mesh.name, "mesh"), transforms[i], ImportedNode{});
                makeShape(static_cast<std::size_t>(m), own, scene::nodeName(own) + "Shape");
            }
        }
        for (const ImportedCamera& camera : m_model.cameras) makeCamera(camera);
        return m_made;
    }

private:
    KObject makeTransform(const std::string& name, const KObject& parent, const ImportedNode& n) {
        std::string error;
        const KObject t = scene::createDagNode("transform", name, parent, &error);
        if (t.isNull()) return t;
        m_made.push_back(scene::nodeName(t));
        setNumbers(t, "translate", {n.translate.x, n.translate.y, n.translate.z});
        setNumbers(t, "rotate", {n.rotate.x, n.rotate.y, n.rotate.z});
        setNumbers(t, "scale", {n.scale.x, n.scale.y, n.scale.z});
        return t;
    }

    void makeShape(std::size_t index, const KObject& transform, const std::string& name) {
        if (transform.isNull()) return;
        const ImportedMesh& imported = m_model.meshes[index];
        std::string error;
        const KObject shape = scene::createDagNode("mesh", name, transform, &error);
        scene::MeshNode* node = scene::meshNode(shape);
        if (!node) return;
        m_made.push_back(scene::nodeName(shape));
        node->setMesh(imported.mesh);
        shading::assignFaces(shading::initialShadingGroup(), shape, {}, &error);
        for (const ImportedMesh::Run& run : imported.materials) {
            const KObject group = groupOf(run.material);
            if (group.isNull() || run.count <= 0) continue;
            std::vector<int> faces(static_cast<std::size_t>(run.count));
            for (int f = 0; f < run.count; ++f) faces[static_cast<std::size_t>(f)] = run.first + f;
            shading::assignFaces(group, shape, faces, &error);
        }
    }

    // The shading group of a material, made on first use.
    KObject groupOf(int material) {
        if (material < 0 || static_cast<std::size_t>(material) >= m_groups.size()) return {};
        KObject& group = m_groups[static_cast<std::size_t>(material)];
        if (!group.isNull()) return group;
        const ImportedMaterial& m = m_model.materials[static_cast<std::size_t>(material)];
        Graph& graph = Graph::instance();
        std::string error;
        const KObject shader = graph.createNode(m.shininess > 0 ? "phong" : "lambert",
                                                sceneName(m.name, "material"), &error);
        if (shader.isNull()) return {};
        const std::string shaderName = scene::nodeName(shader);
        m_made.push_back(shaderName);
        setNumbers(shader, "color", {m.diffuse[0], m.diffuse[1], m.diffuse[2]});
        setNumbers(shader, "transparency", {m.transparency, m.transparency, m.transparency});
        if (m.shininess > 0) {
            setNumbers(shader, "specularColor", {m.specular[0], m.specular[1], m.specular[2]});
            setNumbers(shader, "cosinePower", {std::max(2.0, m.shininess)});
        }
        if (!m.texture.empty()) {
            const KObject file = graph.createNode("file", shaderName + "File", &error);
            if (!file.isNull()) {
                m_made.push_back(scene::nodeName(file));
                setText(file, "fileTextureName", texturePath(m.texture, m_folder));
                connectByName(scene::nodeName(file) + ".outColor", shaderName + ".color");
            }
        }
        group = graph.createNode("shadingEngine", shaderName + "SG", &error);
        if (group.isNull()) return {};
        m_made.push_back(scene::nodeName(group));
        connectByName(shaderName + ".outColor", scene::nodeName(group) + ".surfaceShader");
        return group;
    }

    void makeCamera(const ImportedCamera& c) {
        std::string error;
        const KObject transform =
            scene::createDagNode("transform", sceneName(c.name, "camera"), {}, &error);
        if (transform.isNull()) return;
        m_made.push_back(scene::nodeName(transform));
        const KObject shape =
            scene::createDagNode("camera", scene::nodeName(transform) + "Shape", transform, &error);
        if (shape.isNull()) return;
        m_made.push_back(scene::nodeName(shape));
        KFnCamera camera(shape);
        const double fov = c.horizontalFieldOfView > 0 && c.horizontalFieldOfView < 3.1
                               ? c.horizontalFieldOfView
                               : 0.8;
        camera.set(KPoint(c.eye.x, c.eye.y, c.eye.z),
                   KVector(c.direction.x, c.direction.y, c.direction.z),
                   KVector(c.up.x, c.up.y, c.up.z), fov, c.aspect > 0 ? c.aspect : 1.5);
        if (c.nearClip > 0 && c.farClip > c.nearClip) {
            setNumbers(shape, "farClipPlane", {c.farClip});
            setNumbers(shape, "nearClipPlane", {c.nearClip});
        }
    }

    const ImportedScene& m_model;
    const std::string& m_folder;
    std::vector<KObject> m_groups;
    std::vector<std::string> m_made;
};

// The import as one undo step: undo deletes what it made, redo builds it again from the same
// model (the same names come back, as they are free again).
class ImportUndo final : public undo::UndoItem {
public:
    ImportUndo(std::shared_ptr<const ImportedScene> model, std::string folder,
               std::vector<std::string> made)
        : m_model(std::move(model)), m_folder(std::move(folder)), m_made(std::move(made)) {}
    void undo() override {
        Graph& graph = Graph::instance();
        for (auto it = m_made.rbegin(); it != m_made.rend(); ++it) {
            const KObject node = graph.findNode(*it);
            std::string ignored;
            if (!node.isNull()) graph.deleteNode(node, &ignored);
        }
    }
    void redo() override { m_made = Builder(*m_model, m_folder).run(); }
    std::string describe() const override { return "import"; }

private:
    std::shared_ptr<const ImportedScene> m_model;
    std::string m_folder;
    std::vector<std::string> m_made;
};

}  // namespace

std::string sceneName(const std::string& text, const std::string& fallback) {
    std::string out;
    for (char c : text) {
        const bool ok =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
        out += ok ? c : '_';
    }
    if (out.find_first_not_of('_') == std::string::npos) out = fallback;
    if (out[0] >= '0' && out[0] <= '9') out = "n" + out;
    return out;
}

std::vector<std::string> buildModel(const std::shared_ptr<const ImportedScene>& model,
                                    const std::string& folder) {
    scene::ensureSceneTypes();
    // What the SDK calls inside record on their own is left out: the import is one step.
    undo::UndoQueue& queue = undo::undoQueue();
    const std::size_t mark = queue.mark();
    const bool enabled = queue.isEnabled();
    queue.setEnabled(false);
    std::vector<std::string> made = Builder(*model, folder).run();
    queue.forgetSince(mark, false);
    queue.setEnabled(enabled);
    queue.record(std::make_unique<ImportUndo>(model, folder, made),
                 /*changesNames=*/true);
    return made;
}

}  // namespace tarn::fileio
