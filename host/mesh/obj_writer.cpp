#include "host/mesh/obj_writer.h"

#include <charconv>
#include <filesystem>

#include <string_view>
#include "host/lang/atomic_file.h"

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

// A control character in a texture file name would end the map_Kd line and start another (a
// line break would add a material); such a name cannot be written faithfully.
bool writableFileName(const std::string& name) {
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < ' ' || byte == 0x7f) return false;
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

std::string mtlFileName(const std::string& objPath) {
    // The library is named after the OBJ, as one word, so that the mtllib line names one file.
    const std::filesystem::path path(objPath);
    std::string stem = path.stem().string();
    for (char& c : stem)
        if (static_cast<unsigned char>(c) <= ' ' || c == 0x7f) c = '_';
    if (stem.empty()) stem = "unnamed";
    return (path.parent_path() / (stem + ".mtl")).string();
}

bool writeObj(const std::string& objPath, const std::vector<ObjShape>& shapes,
              const std::vector<ObjMaterial>& materials, std::string* error) {
    const std::string mtlPath = mtlFileName(objPath);
    if (std::filesystem::path(mtlPath).lexically_normal() ==
        std::filesystem::path(objPath).lexically_normal()) {
        if (error)
            *error = "cannot write \"" + objPath +
                     "\": the OBJ would overwrite its own material library; give it the .obj "
                     "extension";
        return false;
    }
    for (const ObjMaterial& m : materials)
        if (!writableFileName(m.texture)) {
            if (error)
                *error = "cannot write \"" + objPath + "\": the texture file name of material " +
                         m.name + " holds a line break or control character";
            return false;
        }
    const std::string mtlName =
        materials.empty() ? std::string() : std::filesystem::path(mtlPath).filename().string();
    const std::string obj = objText(shapes, materials, mtlName);
    std::vector<lang::FileWrite> files{{objPath, obj}};
    std::string mtl;
    if (!materials.empty()) {
        mtl = mtlText(materials);
        files.push_back({mtlPath, mtl});
    }
    lang::AtomicWriteOptions options;
    options.createFolders = false;
    return lang::writeFilesAtomically(files, options, error);
}

}  // namespace tarn
