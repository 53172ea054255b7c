#include "host/fileio/assimp_reader.h"

#include <assimp/material.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <assimp/Importer.hpp>

#include <cctype>
#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <unordered_map>

#include "frame/k_math.h"
#include "host/scene/dag.h"

namespace tarn::fileio {

namespace {

// The bits of a position, to join vertices that sit at the very same place.
struct PositionKey {
    std::uint32_t x, y, z;
    bool operator==(const PositionKey&) const = default;
};
struct PositionHash {
    std::size_t operator()(const PositionKey& k) const {
        return (std::size_t(k.x) * 73856093u) ^ (std::size_t(k.y) * 19349663u) ^
               (std::size_t(k.z) * 83492791u);
    }
};

PositionKey keyOf(const aiVector3D& p) {
    PositionKey k;
    // Note: -0 and 0 are one place.
    const float x = p.x == 0 ? 0.0f : p.x, y = p.y == 0 ? 0.0f : p.y, z = p.z == 0 ? 0.0f : p.z;
    std::memcpy(&k.x, &x, 4);
    std::memcpy(&k.y, &y, 4);
    std::memcpy(&k.z, &z, 4);
    return k;
}

bool finite(const aiVector3D& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

std::string textOf(const aiString& s) {
    return std::string(s.C_Str(), s.length);
}

// A host mesh from an assimp mesh; false (with the reason) when it has no usable face.
bool convertMesh(const aiMesh& in, ImportedMesh& out, std::vector<std::string>& warnings,
                 std::string* error) {
    out.name = textOf(in.mName);
    std::unordered_map<PositionKey, int, PositionHash> joined;
    std::vector<int> hostOf(in.mNumVertices);
    std::vector<Vec3> points;
    for (unsigned i = 0; i < in.mNumVertices; ++i) {
        const aiVector3D& p = in.mVertices[i];
        if (!finite(p)) {
            *error = "a vertex of " + out.name + " is not a finite number";
            return false;
        }
        const auto [it, added] = joined.emplace(keyOf(p), static_cast<int>(points.size()));
        if (added) points.push_back({p.x, p.y, p.z});
        hostOf[i] = it->second;
    }
    std::vector<int> counts, ids, corners;  // corners: the assimp vertex of each corner
    std::size_t dropped = 0;
    for (unsigned f = 0; f < in.mNumFaces; ++f) {
        const aiFace& face = in.mFaces[f];
        if (face.mNumIndices < 3) continue;  // points and lines are not mesh faces
        bool ok = true;
        const std::size_t first = ids.size();
        for (unsigned k = 0; k < face.mNumIndices && ok; ++k) {
            const unsigned v = face.mIndices[k];
            ok = v < in.mNumVertices;
            if (!ok) break;
            for (std::size_t j = first; j < ids.size() && ok; ++j) ok = ids[j] != hostOf[v];
            ids.push_back(hostOf[v]);
            corners.push_back(static_cast<int>(v));
        }
        if (!ok) {
            ids.resize(first);
            corners.resize(first);
            ++dropped;
            continue;
        }
        counts.push_back(static_cast<int>(face.mNumIndices));
    }
    if (dropped > 0)
        warnings.push_back(std::to_string(dropped) + " faces of " + out.name +
                           " with a repeated vertex were left out");
    if (counts.empty()) {
        *error = out.name + " has no faces";
        return false;
    }
    auto mesh = std::make_shared<PolyMesh>();
    std::string why;
    if (!PolyMesh::create(std::move(points), counts, ids, *mesh, &why)) {
        *error = out.name + ": " + why;
        return false;
    }
    // UV channels: a UV per assimp vertex, each corner using its vertex's.
    for (unsigned c = 0; c < AI_MAX_NUMBER_OF_TEXTURECOORDS; ++c) {
        if (!in.mTextureCoords[c] || in.mNumUVComponents[c] < 2) continue;
        std::vector<float> u(in.mNumVertices), v(in.mNumVertices);
        for (unsigned i = 0; i < in.mNumVertices; ++i) {
            const aiVector3D& t = in.mTextureCoords[c][i];
            u[i] = std::isfinite(t.x) ? t.x : 0.0f;
            v[i] = std::isfinite(t.y) ? t.y : 0.0f;
        }
        const std::string name = "map" + std::to_string(c + 1);
        mesh->createUVSet(name);
        mesh->setUVs(u, v, name);
        mesh->assignUVs(counts, corners, name);
    }
    if (in.mColors[0]) {
        ColorSet& set = mesh->createColorSet("colorSet1");
        set.colors.resize(in.mNumVertices);
        for (unsigned i = 0; i < in.mNumVertices; ++i) {
            const aiColor4D& c = in.mColors[0][i];
            set.colors[i] =
                std::isfinite(c.r + c.g + c.b + c.a) ? Rgba{c.r, c.g, c.b, c.a} : Rgba{};
        }
        set.faceVertexColor = corners;
    }
    if (in.mNormals) {
        std::vector<int> offsets(counts.size() + 1, 0);
        for (std::size_t f = 0; f < counts.size(); ++f) offsets[f + 1] = offsets[f] + counts[f];
        markHardEdges(
            *mesh, [&](int f, int k) { return corners[static_cast<std::size_t>(offsets[f] + k)]; },
            [&](int a, int b) {
                if (a == b) return true;
                const aiVector3D& x = in.mNormals[a];
                const aiVector3D& y = in.mNormals[b];
                const double lx = x.Length(), ly = y.Length();
                if (!(lx > 0) || !(ly > 0)) return true;
                return (x * y) >= (1.0 - 1e-6) * lx * ly;
            });
    }
    out.mesh = std::move(mesh);
    out.materials.push_back(
        {0, static_cast<int>(counts.size()), static_cast<int>(in.mMaterialIndex)});
    return true;
}

// The material assimp makes for a file that names none: its faces stay in the default group.
bool isFillerMaterial(const aiMaterial& in) {
    aiString name;
    return in.Get(AI_MATKEY_NAME, name) != AI_SUCCESS || name.length == 0 ||
           textOf(name) == AI_DEFAULT_MATERIAL_NAME;
}

ImportedMaterial convertMaterial(const aiMaterial& in, unsigned index) {
    ImportedMaterial m;
    aiString name;
    m.name = in.Get(AI_MATKEY_NAME, name) == AI_SUCCESS && name.length > 0
                 ? textOf(name)
                 : "material" + std::to_string(index + 1);
    aiColor4D c;
    if (in.Get(AI_MATKEY_COLOR_DIFFUSE, c) == AI_SUCCESS ||
        in.Get(AI_MATKEY_BASE_COLOR, c) == AI_SUCCESS)
        m.diffuse = {c.r, c.g, c.b};
    if (in.Get(AI_MATKEY_COLOR_SPECULAR, c) == AI_SUCCESS) m.specular = {c.r, c.g, c.b};
    float f = 0;
    if (in.Get(AI_MATKEY_SHININESS, f) == AI_SUCCESS && f > 0 && std::isfinite(f)) m.shininess = f;
    if (in.Get(AI_MATKEY_OPACITY, f) == AI_SUCCESS && std::isfinite(f))
        m.transparency = std::clamp(1.0 - f, 0.0, 1.0);
    for (double* v : {&m.diffuse[0], &m.diffuse[1], &m.diffuse[2], &m.specular[0], &m.specular[1],
                      &m.specular[2]})
        if (!std::isfinite(*v)) *v = 0.0;
    aiString path;
    if (in.GetTexture(aiTextureType_DIFFUSE, 0, &path) == AI_SUCCESS ||
        in.GetTexture(aiTextureType_BASE_COLOR, 0, &path) == AI_SUCCESS) {
        const std::string file = textOf(path);
        // "*0": an image inside the model file, which no file texture can name.
        if (!file.empty() && file[0] != '*') m.texture = file;
    }
    return m;
}

// A node's transform as the host's: scale, rotation (degrees, X then Y then Z), translation.
void decompose(const aiMatrix4x4& a, ImportedNode& node) {
    // Assimp's matrices act on column vectors: the host's (row vectors) is the transpose, so
    // the host's rows are assimp's columns.
    const double cols[3][3] = {{a.a1, a.b1, a.c1}, {a.a2, a.b2, a.c2}, {a.a3, a.b3, a.c3}};
    double s[3];
    for (int i = 0; i < 3; ++i)
        s[i] =
            std::sqrt(cols[i][0] * cols[i][0] + cols[i][1] * cols[i][1] + cols[i][2] * cols[i][2]);
    const double det = cols[0][0] * (cols[1][1] * cols[2][2] - cols[1][2] * cols[2][1]) -
                       cols[0][1] * (cols[1][0] * cols[2][2] - cols[1][2] * cols[2][0]) +
                       cols[0][2] * (cols[1][0] * cols[2][1] - cols[1][1] * cols[2][0]);
    if (det < 0) s[0] = -s[0];  // a mirror: one negative scale
    KMatrix r;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) r[i][j] = s[i] != 0 ? cols[i][j] / s[i] : (i == j ? 1.0 : 0.0);
    const KVector degrees = scene::eulerDegreesFromMatrix(r);
    node.translate = {a.a4, a.b4, a.c4};
    node.rotate = {degrees.x, degrees.y, degrees.z};
    node.scale = {s[0], s[1], s[2]};
    for (double* v : {&node.translate.x, &node.translate.y, &node.translate.z, &node.rotate.x,
                      &node.rotate.y, &node.rotate.z, &node.scale.x, &node.scale.y, &node.scale.z})
        if (!std::isfinite(*v)) *v = 0.0;
}

bool isIdentity(const aiMatrix4x4& m) {
    return m.IsIdentity();
}

// `cameraAtNode`: the camera sits at its node's origin whatever its position says (assimp's
// glTF reader copies the node's translation into the position, which would count it twice).
bool convertScene(const aiScene& in, bool cameraAtNode, ImportedScene& out, std::string* error) {
    ImportedScene scene;
    // Meshes (their index is kept: nodes refer to them by it).
    std::vector<int> meshIndex(in.mNumMeshes, -1);
    for (unsigned i = 0; i < in.mNumMeshes; ++i) {
        if (!in.mMeshes[i]) continue;
        ImportedMesh mesh;
        std::string why;
        if (!convertMesh(*in.mMeshes[i], mesh, scene.warnings, &why)) {
            scene.warnings.push_back("a mesh was left out: " + why);
            continue;
        }
        const unsigned material = static_cast<unsigned>(mesh.materials[0].material);
        if (material >= in.mNumMaterials || !in.mMaterials[material] ||
            isFillerMaterial(*in.mMaterials[material]))
            mesh.materials.clear();
        meshIndex[i] = static_cast<int>(scene.meshes.size());
        scene.meshes.push_back(std::move(mesh));
    }
    for (unsigned i = 0; i < in.mNumMaterials; ++i)
        scene.materials.push_back(in.mMaterials[i] ? convertMaterial(*in.mMaterials[i], i)
                                                   : ImportedMaterial{});
    std::map<std::string, const aiCamera*> cameraNamed;
    for (unsigned i = 0; i < in.mNumCameras; ++i)
        if (in.mCameras[i]) cameraNamed[textOf(in.mCameras[i]->mName)] = in.mCameras[i];
    // The hierarchy, parents first; a root that only gathers the others is left out.
    std::function<void(const aiNode&, int, const aiMatrix4x4&, int)> walk =
        [&](const aiNode& node, int parent, const aiMatrix4x4& parentWorld, int depth) {
            if (depth > 256) return;
            const aiMatrix4x4 world = parentWorld * node.mTransformation;
            const std::string name = textOf(node.mName);
            if (const auto cam = cameraNamed.find(name); cam != cameraNamed.end()) {
                const aiCamera& c = *cam->second;
                ImportedCamera camera;
                camera.name = name;
                const aiVector3D eye = world * (cameraAtNode ? aiVector3D() : c.mPosition);
                aiMatrix3x3 turn(world);
                const aiVector3D dir = turn * c.mLookAt, up = turn * c.mUp;
                camera.eye = {eye.x, eye.y, eye.z};
                camera.direction = {dir.x, dir.y, dir.z};
                camera.up = {up.x, up.y, up.z};
                // Note: the readers store the whole angle, though assimp's header calls it half.
                camera.horizontalFieldOfView = c.mHorizontalFOV;
                camera.aspect = c.mAspect;
                camera.nearClip = c.mClipPlaneNear;
                camera.farClip = c.mClipPlaneFar;
                if (finite(c.mPosition) && finite(c.mLookAt) && finite(c.mUp))
                    scene.cameras.push_back(camera);
                cameraNamed.erase(cam);
                if (node.mNumMeshes == 0 && node.mNumChildren == 0) return;
            }
            int self = parent;
            const bool gathersOnly = parent < 0 && depth == 0 && node.mNumMeshes == 0 &&
                                     isIdentity(node.mTransformation);
            if (!gathersOnly) {
                ImportedNode n;
                n.name = name;  // the builder names a nameless node after the file
                n.parent = parent;
                decompose(node.mTransformation, n);
                for (unsigned m = 0; m < node.mNumMeshes; ++m)
                    if (node.mMeshes[m] < in.mNumMeshes && meshIndex[node.mMeshes[m]] >= 0)
                        n.meshes.push_back(meshIndex[node.mMeshes[m]]);
                self = static_cast<int>(scene.nodes.size());
                scene.nodes.push_back(std::move(n));
            }
            for (unsigned c = 0; c < node.mNumChildren; ++c)
                if (node.mChildren[c]) walk(*node.mChildren[c], self, world, depth + 1);
        };
    if (in.mRootNode) walk(*in.mRootNode, -1, aiMatrix4x4(), 0);
    if (scene.meshes.empty() && scene.cameras.empty()) {
        *error = "the file holds no meshes";
        return false;
    }
    out = std::move(scene);
    return true;
}

// Checks the data assimp made (indices in range) and leaves files of points and lines alone.
constexpr unsigned kFlags = aiProcess_ValidateDataStructure;

bool finish(Assimp::Importer& importer, const aiScene* scene, const std::string& format,
            ImportedScene& out, std::string* error) {
    if (!scene || (scene->mFlags & AI_SCENE_FLAGS_INCOMPLETE)) {
        const char* why = importer.GetErrorString();
        *error = why && *why ? why : "the file could not be read";
        return false;
    }
    return convertScene(*scene, format == "gltf" || format == "glb", out, error);
}

}  // namespace

bool readWithAssimp(const std::string& path, ImportedScene& out, std::string* error) {
    try {
        Assimp::Importer importer;
        const aiScene* scene = importer.ReadFile(path, kFlags);
        const auto dot = path.find_last_of('.');
        std::string format = dot == std::string::npos ? "" : path.substr(dot + 1);
        for (char& c : format) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return finish(importer, scene, format, out, error);
    } catch (const std::exception& e) {
        *error = e.what();
        return false;
    }
}

bool readWithAssimp(const void* data, std::size_t size, const std::string& hint, ImportedScene& out,
                    std::string* error) {
    try {
        Assimp::Importer importer;
        const aiScene* scene = importer.ReadFileFromMemory(data, size, kFlags, hint.c_str());
        return finish(importer, scene, hint, out, error);
    } catch (const std::exception& e) {
        *error = e.what();
        return false;
    }
}

}  // namespace tarn::fileio
