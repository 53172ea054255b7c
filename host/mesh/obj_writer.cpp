#include "host/mesh/obj_writer.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace tarn {

namespace {

std::string num(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.9g", v);
    return buf;
}

// Names in OBJ are single words: blanks and control characters become '_'.
std::string word(const std::string& name) {
    std::string out = name.empty() ? std::string("unnamed") : name;
    for (char& c : out)
        if (static_cast<unsigned char>(c) <= ' ') c = '_';
    return out;
}

bool writeFileAtomically(const std::string& path, const std::string& text, std::string* error) {
    const std::string temp = path + ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) {
            if (error) *error = "cannot write \"" + path + "\"";
            return false;
        }
        out << text;
        out.flush();
        if (!out) {
            if (error) *error = "failed writing \"" + path + "\"";
            std::error_code ec;
            std::filesystem::remove(temp, ec);
            return false;
        }
    }
    std::error_code ec;
    std::filesystem::rename(temp, path, ec);
    if (ec) {
        if (error) *error = "cannot replace \"" + path + "\": " + ec.message();
        std::filesystem::remove(temp, ec);
        return false;
    }
    return true;
}

}  // namespace

std::string objText(const std::vector<ObjShape>& shapes, const std::vector<ObjMaterial>& materials,
                    const std::string& mtlName) {
    std::ostringstream out;
    out << "# Tarn OBJ export\n";
    if (!materials.empty() && !mtlName.empty()) out << "mtllib " << mtlName << "\n";
    int vBase = 1, vtBase = 1, vnBase = 1;
    for (const ObjShape& shape : shapes) {
        if (!shape.mesh) continue;
        const PolyMesh& mesh = *shape.mesh;
        const Mat4 normalMatrix = inverse(shape.toWorld);
        out << "o " << word(shape.name) << "\n";
        for (const Vec3& p : mesh.points()) {
            const Vec3 w = shape.toWorld.point(p);
            out << "v " << num(w.x) << " " << num(w.y) << " " << num(w.z) << "\n";
        }
        const UVSet* uvs = mesh.uvSet();
        if (uvs)
            for (size_t i = 0; i < uvs->u.size(); ++i)
                out << "vt " << num(uvs->u[i]) << " " << num(uvs->v[i]) << "\n";
        for (int f = 0; f < mesh.numFaces(); ++f)
            for (int c = 0; c < mesh.faceVertexCount(f); ++c) {
                const Vec3 n = normalize(normalMatrix.normalByInverse(mesh.faceVertexNormal(f, c)));
                out << "vn " << num(n.x) << " " << num(n.y) << " " << num(n.z) << "\n";
            }
        int current = -2;
        int corner = 0;
        for (int f = 0; f < mesh.numFaces(); ++f) {
            const int mat =
                f < static_cast<int>(shape.faceMaterial.size()) ? shape.faceMaterial[f] : -1;
            if (mat != current && mat >= 0 && mat < static_cast<int>(materials.size())) {
                out << "usemtl " << word(materials[mat].name) << "\n";
                current = mat;
            }
            out << "f";
            const auto verts = mesh.faceVertices(f);
            for (int c = 0; c < static_cast<int>(verts.size()); ++c, ++corner) {
                out << " " << verts[c] + vBase << "/";
                const int uv = mesh.faceVertexUVIndex(f, c);
                if (uv >= 0) out << uv + vtBase;
                out << "/" << corner + vnBase;
            }
            out << "\n";
        }
        vBase += mesh.numVertices();
        vtBase += uvs ? static_cast<int>(uvs->u.size()) : 0;
        vnBase += mesh.numFaceVertices();
    }
    return out.str();
}

std::string mtlText(const std::vector<ObjMaterial>& materials) {
    std::ostringstream out;
    out << "# Tarn material library\n";
    for (const ObjMaterial& m : materials) {
        out << "\nnewmtl " << word(m.name) << "\n";
        out << "Kd " << num(m.color[0]) << " " << num(m.color[1]) << " " << num(m.color[2]) << "\n";
        out << "Ks " << num(m.specular[0]) << " " << num(m.specular[1]) << " " << num(m.specular[2])
            << "\n";
        out << "Ns " << num(m.cosinePower) << "\n";
        const double t = (m.transparency[0] + m.transparency[1] + m.transparency[2]) / 3.0;
        out << "d " << num(1.0 - t) << "\n";
        out << "illum 2\n";
        if (!m.texture.empty()) out << "map_Kd " << m.texture << "\n";
    }
    return out.str();
}

bool writeObj(const std::string& objPath, const std::vector<ObjShape>& shapes,
              const std::vector<ObjMaterial>& materials, std::string* error) {
    const std::filesystem::path path(objPath);
    const std::filesystem::path mtlPath = std::filesystem::path(path).replace_extension(".mtl");
    const std::string mtlName = materials.empty() ? std::string() : mtlPath.filename().string();
    if (!materials.empty() && !writeFileAtomically(mtlPath.string(), mtlText(materials), error))
        return false;
    return writeFileAtomically(objPath, objText(shapes, materials, mtlName), error);
}

}  // namespace tarn
