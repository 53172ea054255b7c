#include "host/fileio/obj_reader.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>

namespace tarn::fileio {

namespace {

// Thrown inside the reader only.
struct ObjError {
    long line;
    std::string message;
};

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

// One line of the file, read word by word.
struct LineReader {
    const char* p;
    const char* end;

    void skipBlanks() {
        while (p < end && isBlank(*p)) ++p;
    }
    bool atEnd() {
        skipBlanks();
        return p >= end;
    }
    std::string_view word() {
        skipBlanks();
        const char* start = p;
        while (p < end && !isBlank(*p)) ++p;
        return {start, static_cast<std::size_t>(p - start)};
    }
    // The rest of the line without blanks at either end.
    std::string_view rest() {
        skipBlanks();
        const char* e = end;
        while (e > p && isBlank(e[-1])) --e;
        return {p, static_cast<std::size_t>(e - p)};
    }
    bool number(double& out) {
        skipBlanks();
        if (p < end && *p == '+') ++p;
        const auto r = std::from_chars(p, end, out);
        if (r.ec != std::errc() || (r.ptr < end && !isBlank(*r.ptr)) || !std::isfinite(out))
            return false;
        p = r.ptr;
        return true;
    }
};

// A face corner "v", "v/vt", "v//vn" or "v/vt/vn" (1-based, or negative from the end).
bool parseIndex(const char*& p, const char* end, long& out) {
    bool negative = false;
    if (p < end && *p == '-') {
        negative = true;
        ++p;
    }
    if (p >= end || *p < '0' || *p > '9') return false;
    long v = 0;
    while (p < end && *p >= '0' && *p <= '9') {
        v = v * 10 + (*p - '0');
        if (v > (1L << 40)) return false;
        ++p;
    }
    out = negative ? -v : v;
    return true;
}

struct Run {
    int first = 0, count = 0, material = 0;
};

struct Object {
    std::string name;
    long line = 0;
    std::vector<int> counts;
    std::vector<int> v, vt, vn;  // per corner, 0-based into the file's lists (-1: none)
    bool anyVt = false, anyVn = false;
    std::vector<Run> runs;
};

class ObjParser {
public:
    ObjParser(ImportedScene& out) : m_out(out) {}

    void parse(std::string_view text, const std::string& folder,
               bool (*readFile)(const std::string&, std::string&)) {
        const char* p = text.data();
        const char* end = p + text.size();
        long line = 0;
        startObject("", 1);
        while (p < end) {
            ++line;
            const char* eol = static_cast<const char*>(std::memchr(p, '\n', end - p));
            if (!eol) eol = end;
            LineReader r{p, eol};
            p = eol < end ? eol + 1 : end;
            r.skipBlanks();
            if (r.p >= r.end || *r.p == '#') continue;
            const char c0 = *r.p;
            const char c1 = r.p + 1 < r.end ? r.p[1] : ' ';
            if (c0 == 'v' && isBlank(c1)) {
                ++r.p;
                Vec3 v;
                if (!r.number(v.x) || !r.number(v.y) || !r.number(v.z))
                    throw ObjError{line, "a vertex takes three finite numbers"};
                m_positions.push_back(v);
            } else if (c0 == 'v' && c1 == 't') {
                r.p += 2;
                double u = 0, w = 0;
                if (!r.number(u)) throw ObjError{line, "a texture coordinate takes numbers"};
                if (!r.atEnd() && !r.number(w))
                    throw ObjError{line, "a texture coordinate takes finite numbers"};
                m_uvs.push_back({static_cast<float>(u), static_cast<float>(w)});
            } else if (c0 == 'v' && c1 == 'n') {
                r.p += 2;
                Vec3 n;
                if (!r.number(n.x) || !r.number(n.y) || !r.number(n.z))
                    throw ObjError{line, "a normal takes three finite numbers"};
                m_normals.push_back(n);
            } else if (c0 == 'f' && isBlank(c1)) {
                ++r.p;
                face(r, line);
            } else {
                const std::string_view keyword = r.word();
                if (keyword == "o" || keyword == "g") {
                    startObject(std::string(r.rest()), line);
                } else if (keyword == "usemtl") {
                    useMaterial(std::string(r.rest()));
                } else if (keyword == "mtllib") {
                    while (!r.atEnd()) {
                        const std::string name(r.word());
                        std::string mtl;
                        if (readFile && readFile(folder.empty() ? name : folder + "/" + name, mtl))
                            parseMtl(mtl, m_out);
                        else
                            m_out.warnings.push_back("the material library " + name +
                                                     " could not be read");
                    }
                } else if (keyword != "s" && keyword != "l" && keyword != "p") {
                    ++m_skipped;
                }
            }
        }
        if (m_skipped > 0)
            m_out.warnings.push_back(std::to_string(m_skipped) +
                                     " lines of statements this reader does not take were skipped");
        for (Object& o : m_objects) finish(o);
    }

private:
    void startObject(std::string name, long line) {
        if (!m_objects.empty() && m_objects.back().counts.empty()) {
            if (!name.empty()) m_objects.back().name = std::move(name);
            return;
        }
        Object o;
        o.name = std::move(name);
        o.line = line;
        if (!m_objects.empty() && !m_objects.back().runs.empty()) {
            // The material in use goes on into the new object.
            o.runs.push_back({0, 0, m_objects.back().runs.back().material});
        }
        m_objects.push_back(std::move(o));
    }

    void useMaterial(const std::string& name) {
        int index = -1;
        for (std::size_t i = 0; i < m_out.materials.size(); ++i)
            if (m_out.materials[i].name == name) index = static_cast<int>(i);
        if (index < 0) {
            ImportedMaterial m;
            m.name = name;
            index = static_cast<int>(m_out.materials.size());
            m_out.materials.push_back(std::move(m));
        }
        Object& o = m_objects.back();
        const int faces = static_cast<int>(o.counts.size());
        if (!o.runs.empty() && o.runs.back().count == 0) o.runs.pop_back();
        o.runs.push_back({faces, 0, index});
    }

    void face(LineReader& r, long line) {
        Object& o = m_objects.back();
        const std::size_t first = o.v.size();
        int n = 0;
        while (!r.atEnd()) {
            long vi = 0, ti = 0, ni = 0;
            bool hasT = false, hasN = false;
            if (!parseIndex(r.p, r.end, vi))
                throw ObjError{line, "a face corner starts with a vertex number"};
            if (r.p < r.end && *r.p == '/') {
                ++r.p;
                if (r.p < r.end && *r.p != '/') {
                    if (!parseIndex(r.p, r.end, ti))
                        throw ObjError{line, "a bad texture coordinate number"};
                    hasT = true;
                }
                if (r.p < r.end && *r.p == '/') {
                    ++r.p;
                    if (!parseIndex(r.p, r.end, ni)) throw ObjError{line, "a bad normal number"};
                    hasN = true;
                }
            }
            if (r.p < r.end && !isBlank(*r.p))
                throw ObjError{line, "a face corner is v, v/vt, v//vn or v/vt/vn"};
            o.v.push_back(resolve(vi, static_cast<long>(m_positions.size()), line, "vertex"));
            o.vt.push_back(
                hasT ? resolve(ti, static_cast<long>(m_uvs.size()), line, "texture coordinate")
                     : -1);
            o.vn.push_back(hasN ? resolve(ni, static_cast<long>(m_normals.size()), line, "normal")
                                : -1);
            o.anyVt = o.anyVt || hasT;
            o.anyVn = o.anyVn || hasN;
            ++n;
        }
        // A face with fewer than 3 corners or a repeated vertex cannot be a mesh face.
        bool repeats = false;
        for (int i = 0; i < n && !repeats; ++i)
            for (int j = 0; j < i && !repeats; ++j) repeats = o.v[first + i] == o.v[first + j];
        if (n < 3 || repeats) {
            o.v.resize(first);
            o.vt.resize(first);
            o.vn.resize(first);
            ++m_dropped;
            return;
        }
        o.counts.push_back(n);
        if (!o.runs.empty()) ++o.runs.back().count;
    }

    int resolve(long index, long count, long line, const char* what) {
        // Negative numbers count back from the last one read; positive ones may name
        // vertices read later (checked once the whole file is read).
        if (index >= INT_MAX || count >= INT_MAX)
            throw ObjError{line,
                           std::string("more than ") + std::to_string(INT_MAX) + " " + what + "s"};
        if (index < 0) {
            if (-index > count)
                throw ObjError{line, std::string("a face names a ") + what + " before the first"};
            return static_cast<int>(count + index);
        }
        if (index == 0) throw ObjError{line, std::string(what) + " numbers start at 1"};
        if (index - 1 >= m_maxIndexBound) {
            m_maxIndexBound = index;
            m_maxIndexLine = line;
        }
        return static_cast<int>(index - 1);
    }

    void finish(Object& o) {
        if (m_dropped > 0) {
            m_out.warnings.push_back(
                std::to_string(m_dropped) +
                " faces with fewer than 3 vertices or a repeated vertex were left out");
            m_dropped = 0;
        }
        if (o.counts.empty()) return;
        const long nv = static_cast<long>(m_positions.size());
        const long nt = static_cast<long>(m_uvs.size()), nn = static_cast<long>(m_normals.size());
        for (std::size_t i = 0; i < o.v.size(); ++i)
            if (o.v[i] >= nv || o.vt[i] >= nt || o.vn[i] >= nn)
                throw ObjError{m_maxIndexLine,
                               "a face names a vertex, texture coordinate or normal "
                               "that the file does not have"};
        // The object's own vertices, numbered in the order its faces use them.
        if (m_local.size() < m_positions.size()) {
            m_local.resize(m_positions.size(), -1);
            m_stamp.resize(m_positions.size(), -1);
        }
        ++m_objectStamp;
        std::vector<Vec3> points;
        std::vector<int> ids(o.v.size());
        for (std::size_t i = 0; i < o.v.size(); ++i) {
            const int g = o.v[i];
            if (m_stamp[g] != m_objectStamp) {
                m_stamp[g] = m_objectStamp;
                m_local[g] = static_cast<int>(points.size());
                points.push_back(m_positions[g]);
            }
            ids[i] = m_local[g];
        }
        auto mesh = std::make_shared<PolyMesh>();
        std::string why;
        if (!PolyMesh::create(std::move(points), o.counts, std::move(ids), *mesh, &why))
            throw ObjError{o.line, why};
        if (o.anyVt) {
            // UVs numbered in the order the faces use them.
            std::vector<float> u, v;
            std::vector<int> uvIds(o.vt.size());
            std::vector<int> dense(static_cast<std::size_t>(nt), -1);
            for (std::size_t i = 0; i < o.vt.size(); ++i) {
                const int t = o.vt[i];
                if (t < 0) {
                    uvIds[i] = -1;
                    continue;
                }
                int& id = dense[static_cast<std::size_t>(t)];
                if (id < 0) {
                    id = static_cast<int>(u.size());
                    u.push_back(m_uvs[t][0]);
                    v.push_back(m_uvs[t][1]);
                }
                uvIds[i] = id;
            }
            mesh->createUVSet("map1");
            mesh->setUVs(u, v, "map1");
            mesh->assignUVs(o.counts, uvIds, "map1");
        }
        if (o.anyVn && normalsCanDiffer(o)) {
            std::vector<int> offsets(o.counts.size() + 1, 0);
            for (std::size_t f = 0; f < o.counts.size(); ++f)
                offsets[f + 1] = offsets[f] + o.counts[f];
            markHardEdges(
                *mesh, [&](int f, int k) { return o.vn[static_cast<std::size_t>(offsets[f] + k)]; },
                [&](int a, int b) {
                    if (a == b) return true;
                    const Vec3& x = m_normals[a];
                    const Vec3& y = m_normals[b];
                    const double lx = length(x), ly = length(y);
                    return lx > 0 && ly > 0 && dot(x, y) >= (1.0 - 1e-6) * lx * ly;
                });
        }
        ImportedMesh im;
        im.name = o.name.empty() ? "mesh" : o.name;
        im.mesh = std::move(mesh);
        for (const Run& run : o.runs)
            if (run.count > 0) im.materials.push_back({run.first, run.count, run.material});
        ImportedNode node;
        node.name = im.name;
        node.meshes.push_back(static_cast<int>(m_out.meshes.size()));
        m_out.meshes.push_back(std::move(im));
        m_out.nodes.push_back(std::move(node));
    }

    // False when every vertex uses one normal wherever it appears: then no edge can be hard,
    // and the edge walk is not needed.
    bool normalsCanDiffer(const Object& o) {
        std::vector<int> normalOf(m_positions.size(), -2);
        for (std::size_t i = 0; i < o.v.size(); ++i) {
            int& n = normalOf[static_cast<std::size_t>(o.v[i])];
            if (n == -2)
                n = o.vn[i];
            else if (n != o.vn[i])
                return true;
        }
        return false;
    }

    ImportedScene& m_out;
    std::vector<Vec3> m_positions, m_normals;
    std::vector<std::array<float, 2>> m_uvs;
    std::vector<Object> m_objects;
    std::vector<int> m_local, m_stamp;
    int m_objectStamp = 0;
    long m_maxIndexBound = 0, m_maxIndexLine = 0;
    long m_skipped = 0, m_dropped = 0;
};

// Three numbers of an MTL colour statement (one number stands for all three).
bool readColor(LineReader& r, std::array<double, 3>& out) {
    double v[3];
    if (!r.number(v[0])) return false;
    if (r.atEnd()) {
        out = {v[0], v[0], v[0]};
        return true;
    }
    if (!r.number(v[1]) || !r.number(v[2])) return false;
    out = {v[0], v[1], v[2]};
    return true;
}

}  // namespace

void parseMtl(std::string_view text, ImportedScene& out) {
    const char* p = text.data();
    const char* end = p + text.size();
    ImportedMaterial* current = nullptr;
    while (p < end) {
        const char* eol = static_cast<const char*>(std::memchr(p, '\n', end - p));
        if (!eol) eol = end;
        LineReader r{p, eol};
        p = eol < end ? eol + 1 : end;
        const std::string_view keyword = r.word();
        if (keyword.empty() || keyword[0] == '#') continue;
        if (keyword == "newmtl") {
            const std::string name(r.rest());
            current = nullptr;
            for (ImportedMaterial& m : out.materials)
                if (m.name == name) current = &m;
            if (!current) {
                out.materials.push_back(ImportedMaterial{});
                current = &out.materials.back();
                current->name = name;
            } else {
                *current = ImportedMaterial{};
                current->name = name;
            }
            continue;
        }
        if (!current) continue;
        double d = 0;
        if (keyword == "Kd") {
            readColor(r, current->diffuse);
        } else if (keyword == "Ks") {
            readColor(r, current->specular);
        } else if (keyword == "Ns") {
            if (r.number(d) && d > 0) current->shininess = d;
        } else if (keyword == "d") {
            if (r.number(d)) current->transparency = std::clamp(1.0 - d, 0.0, 1.0);
        } else if (keyword == "Tr") {
            if (r.number(d)) current->transparency = std::clamp(d, 0.0, 1.0);
        } else if (keyword == "map_Kd") {
            // Options ("-s 1 1 1", "-clamp on") come before the file name; the name is the rest.
            std::string_view rest = r.rest();
            while (!rest.empty() && rest[0] == '-') {
                LineReader words{rest.data(), rest.data() + rest.size()};
                words.word();
                words.word();
                while (!words.atEnd()) {
                    const char* before = words.p;
                    double ignored = 0;
                    if (!words.number(ignored)) {
                        words.p = before;
                        break;
                    }
                }
                rest = words.rest();
            }
            current->texture = std::string(rest);
        }
    }
}

bool parseObj(std::string_view text, const std::string& folder,
              bool (*readFile)(const std::string& path, std::string& text), ImportedScene& out,
              std::string* error) {
    ImportedScene scene;
    try {
        ObjParser(scene).parse(text, folder, readFile);
    } catch (const ObjError& e) {
        if (error) *error = std::to_string(e.line) + ": " + e.message;
        return false;
    } catch (const std::bad_alloc&) {
        if (error) *error = "the file needs more memory than there is";
        return false;
    }
    if (scene.meshes.empty()) {
        if (error) *error = "the file holds no faces";
        return false;
    }
    out = std::move(scene);
    return true;
}

}  // namespace tarn::fileio
