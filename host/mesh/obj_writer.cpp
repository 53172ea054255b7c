#include "host/mesh/obj_writer.h"

#include <charconv>
#include <filesystem>
#include <fstream>
#include <string_view>

namespace tarn {

namespace {

// The export's text, built in one string: numbers print as "%.9g" and "%d" would print them,
// without a format string parsed per number.
class ObjOut {
public:
    ObjOut& operator<<(std::string_view text) {
        m_text.append(text);
        return *this;
    }
    ObjOut& operator<<(int value) {
        char buf[16];
        m_text.append(buf, std::to_chars(buf, buf + sizeof buf, value).ptr);
        return *this;
    }
    ObjOut& operator<<(double value) {
        char buf[32];
        m_text.append(
            buf, std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 9).ptr);
        return *this;
    }
    ObjOut& operator<<(float value) { return *this << static_cast<double>(value); }
    std::string take() { return std::move(m_text); }

private:
    std::string m_text;
};

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
    ObjOut out;
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
            out << "v " << w.x << " " << w.y << " " << w.z << "\n";
        }
        const UVSet* uvs = mesh.uvSet();
        if (uvs)
            for (size_t i = 0; i < uvs->u.size(); ++i)
                out << "vt " << uvs->u[i] << " " << uvs->v[i] << "\n";
        for (int f = 0; f < mesh.numFaces(); ++f)
            for (int c = 0; c < mesh.faceVertexCount(f); ++c) {
                const Vec3 n = normalize(normalMatrix.normalByInverse(mesh.faceVertexNormal(f, c)));
                out << "vn " << n.x << " " << n.y << " " << n.z << "\n";
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
    return out.take();
}

std::string mtlText(const std::vector<ObjMaterial>& materials) {
    ObjOut out;
    out << "# Tarn material library\n";
    for (const ObjMaterial& m : materials) {
        out << "\nnewmtl " << word(m.name) << "\n";
        out << "Kd " << static_cast<double>(m.color[0]) << " " << static_cast<double>(m.color[1])
            << " " << static_cast<double>(m.color[2]) << "\n";
        out << "Ks " << static_cast<double>(m.specular[0]) << " "
            << static_cast<double>(m.specular[1]) << " " << static_cast<double>(m.specular[2])
            << "\n";
        out << "Ns " << static_cast<double>(m.cosinePower) << "\n";
        const double t = (m.transparency[0] + m.transparency[1] + m.transparency[2]) / 3.0;
        out << "d " << static_cast<double>(1.0 - t) << "\n";
        out << "illum 2\n";
        if (!m.texture.empty()) out << "map_Kd " << m.texture << "\n";
    }
    return out.take();
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
