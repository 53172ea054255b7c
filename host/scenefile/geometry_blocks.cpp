#include "host/scenefile/geometry_blocks.h"

#include <cmath>
#include <cstring>
#include <type_traits>

#include "host/mesh/mesh_edit.h"
#include "host/scenefile/text_codec.h"

namespace tarn::scenefile {

namespace {

template <typename T>
void appendValue(std::string& out, T v) {
    if constexpr (std::is_same_v<T, double>)
        appendNumber(out, v);
    else if constexpr (std::is_same_v<T, float>)
        appendFloat(out, v);
    else
        appendInt(out, v);
}

// Appends "HEAD [v v v]" (one line), "HEAD [\n rows \n]" (inline, `perLine` values a row) or
// "HEAD base64 TEXT" (more than kInlineValues values) and the line's end. `get(i)` gives value
// i; `contiguous`, when not null, holds all of them in order (written without copying).
template <typename T, typename Get>
void writeArray(std::string& out, const std::string& indent, const std::string& head,
                std::size_t values, std::size_t perLine, Get get, const T* contiguous = nullptr) {
    out += indent;
    out += head;
    if (values > kInlineValues) {
        out += " base64 ";
        if (contiguous) {
            out.reserve(out.size() + base64Length(values * sizeof(T)) + 1);
            appendBase64(out, contiguous, values * sizeof(T));
        } else {
            // Gathered a piece at a time (a multiple of 3 bytes keeps the groups whole).
            out.reserve(out.size() + base64Length(values * sizeof(T)) + 1);
            Base64Writer writer(out);
            constexpr std::size_t kPiece = 3 * 1024;
            T piece[kPiece];
            for (std::size_t at = 0; at < values; at += kPiece) {
                const std::size_t n = std::min(kPiece, values - at);
                for (std::size_t i = 0; i < n; ++i) piece[i] = get(at + i);
                writer.write(piece, n * sizeof(T));
            }
            writer.finish();
        }
        out += '\n';
        return;
    }
    out += " [";
    if (values <= perLine) {
        for (std::size_t i = 0; i < values; ++i) {
            if (i) out += ' ';
            appendValue(out, get(i));
        }
        out += "]\n";
        return;
    }
    for (std::size_t i = 0; i < values; ++i) {
        if (i % perLine == 0) {
            out += '\n';
            out += indent;
            out += "    ";
        } else {
            out += ' ';
        }
        appendValue(out, get(i));
    }
    out += '\n';
    out += indent;
    out += "]\n";
}

std::string countHead(const char* keyword, std::size_t n) {
    return std::string(keyword) + " " + std::to_string(n);
}

// The vertex loops of all faces, in face order (edited meshes keep unused slots between).
template <typename Fn>
void forEachCorner(const PolyMesh& mesh, Fn fn) {
    for (int f = 0; f < mesh.numFaces(); ++f) {
        const int at = mesh.faceOffset(f), n = mesh.faceVertexCount(f);
        for (int c = 0; c < n; ++c) fn(f, c, at + c);
    }
}

// The face-vertex slot of each corner, in face order.
std::vector<int> cornerSlots(const PolyMesh& mesh) {
    std::vector<int> slots;
    slots.reserve(static_cast<std::size_t>(mesh.numFaceVertices()));
    forEachCorner(mesh, [&](int, int, int slot) { slots.push_back(slot); });
    return slots;
}

// True when the mesh numbers its edges as a fresh mesh with its faces would: the face walk.
bool edgesInWalkOrder(const PolyMesh& mesh) {
    if (!mesh.isEditable()) return true;
    PolyMesh fresh;
    if (!PolyMesh::create(mesh.points(), mesh.faceCounts(), mesh.faceVertexList(), fresh, nullptr))
        return false;
    if (fresh.numEdges() != mesh.numEdges()) return false;
    for (int e = 0; e < mesh.numEdges(); ++e)
        if (fresh.edge(e).v0 != mesh.edge(e).v0 || fresh.edge(e).v1 != mesh.edge(e).v1)
            return false;
    return true;
}

const char* formWord(CurveBlock::Form form) {
    switch (form) {
        case CurveBlock::Form::Closed:
            return "closed";
        case CurveBlock::Form::Periodic:
            return "periodic";
        case CurveBlock::Form::Open:
            break;
    }
    return "open";
}

CurveBlock::Form blockForm(nurbs::CurveForm form) {
    switch (form) {
        case nurbs::CurveForm::Closed:
            return CurveBlock::Form::Closed;
        case nurbs::CurveForm::Periodic:
            return CurveBlock::Form::Periodic;
        case nurbs::CurveForm::Open:
            break;
    }
    return CurveBlock::Form::Open;
}

const char* surfaceFormWord(nurbs::SurfaceForm form) {
    return formWord(form == nurbs::SurfaceForm::Closed     ? CurveBlock::Form::Closed
                    : form == nurbs::SurfaceForm::Periodic ? CurveBlock::Form::Periodic
                                                           : CurveBlock::Form::Open);
}

bool allFinite(const double* v, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        if (!std::isfinite(v[i])) return false;
    return true;
}

}  // namespace

void writeMeshBody(std::string& out, const PolyMesh& mesh, const std::string& indent) {
    const std::vector<Vec3>& points = mesh.points();
    writeArray<double>(
        out, indent, countHead("points", points.size()), points.size() * 3, 3,
        [&](std::size_t i) { return (&points[i / 3].x)[i % 3]; },
        points.empty() ? nullptr : &points[0].x);
    const int nf = mesh.numFaces();
    int common = nf > 0 ? mesh.faceVertexCount(0) : 0;
    for (int f = 1; f < nf && common > 0; ++f)
        if (mesh.faceVertexCount(f) != common) common = 0;
    if (nf > 0 && common > 0) {
        out += indent + countHead("faces", static_cast<std::size_t>(nf)) + " all " +
               std::to_string(common) + "\n";
    } else {
        writeArray<int>(out, indent, countHead("faces", static_cast<std::size_t>(nf)),
                        static_cast<std::size_t>(nf), 16,
                        [&](std::size_t f) { return mesh.faceVertexCount(static_cast<int>(f)); });
    }
    const std::size_t corners = static_cast<std::size_t>(mesh.numFaceVertices());
    // A mesh never edited keeps its corners contiguous, in face order.
    const bool compact = !mesh.isEditable();
    const std::vector<int> slots = compact ? std::vector<int>() : cornerSlots(mesh);
    // The face-vertex slots start where face 0's would in the compact layout (an edited face 0
    // may have moved to later slots).
    const int* loops = nf > 0 ? mesh.faceVertices(0).data() - mesh.faceOffset(0) : nullptr;
    writeArray<int>(
        out, indent, countHead("vertices", corners), corners, 16,
        [&](std::size_t i) { return loops[compact ? i : static_cast<std::size_t>(slots[i])]; },
        compact ? loops : nullptr);
    if (!edgesInWalkOrder(mesh)) {
        const std::size_t ne = static_cast<std::size_t>(mesh.numEdges());
        writeArray<int>(out, indent, countHead("edges", ne), ne * 2, 16, [&](std::size_t i) {
            const MeshEdge& e = mesh.edge(static_cast<int>(i / 2));
            return i % 2 ? e.v1 : e.v0;
        });
    }
    switch (mesh.uniformEdgeSmoothing()) {
        case 1:
            break;
        case 0:
            out += indent + "hard all\n";
            break;
        default: {
            std::vector<int> hard;
            for (int e = 0; e < mesh.numEdges(); ++e)
                if (!mesh.isEdgeSmooth(e)) hard.push_back(e);
            if (!hard.empty())
                writeArray<int>(
                    out, indent, countHead("hard", hard.size()), hard.size(), 16,
                    [&](std::size_t i) { return hard[i]; }, hard.data());
        }
    }
    const std::string inner = indent + "    ";
    for (const std::string& name : mesh.uvSetNames()) {
        const UVSet* set = mesh.uvSet(name);
        out += indent + "uvSet ";
        appendQuoted(out, name);
        if (name == mesh.currentUVSetName()) out += " current";
        out += " {\n";
        const std::size_t n = set->u.size();
        writeArray<float>(out, inner, countHead("uvs", n), n * 2, 8,
                          [&](std::size_t i) { return i % 2 ? set->v[i / 2] : set->u[i / 2]; });
        if (set->idsAreVertices) {
            out += inner + "ids vertices\n";
        } else if (!set->faceVertexUV.empty()) {
            const int* ids = set->faceVertexUV.data();
            writeArray<int>(
                out, inner, countHead("ids", corners), corners, 16,
                [&](std::size_t i) {
                    return ids[compact ? i : static_cast<std::size_t>(slots[i])];
                },
                compact ? ids : nullptr);
        }
        out += indent + "}\n";
    }
    for (const std::string& name : mesh.colorSetNames()) {
        const ColorSet* set = mesh.colorSet(name);
        out += indent + "colorSet ";
        appendQuoted(out, name);
        out += " {\n";
        const std::size_t n = set->colors.size();
        writeArray<float>(out, inner, countHead("colors", n), n * 4, 4, [&](std::size_t i) {
            const Rgba& c = set->colors[i / 4];
            const float channels[4] = {c.r, c.g, c.b, c.a};
            return channels[i % 4];
        });
        if (!set->faceVertexColor.empty()) {
            const int* ids = set->faceVertexColor.data();
            writeArray<int>(
                out, inner, countHead("ids", corners), corners, 16,
                [&](std::size_t i) {
                    return ids[compact ? i : static_cast<std::size_t>(slots[i])];
                },
                compact ? ids : nullptr);
        }
        out += indent + "}\n";
    }
    for (const auto& group : mesh.objectGroups()) {
        // Note: clang 14 (the fuzz build) cannot capture a structured binding in a lambda.
        const std::vector<int>& faces = group.second;
        writeArray<int>(
            out, indent,
            "group " + std::to_string(group.first) + " " + std::to_string(faces.size()),
            faces.size(), 16, [&](std::size_t i) { return faces[i]; }, faces.data());
    }
}

bool buildMesh(MeshBlock&& block, PolyMesh& out, std::string* error, int* line) {
    *line = block.line;
    auto fail = [&](int at, std::string text) {
        *line = at;
        *error = std::move(text);
        return false;
    };
    if (!allFinite(block.points.empty() ? nullptr : &block.points[0].x, block.points.size() * 3))
        return fail(block.line, "a point is not a finite number");
    const std::vector<int>& counts = block.counts;
    PolyMesh mesh;
    std::string why;
    if (!PolyMesh::create(std::move(block.points), counts, std::move(block.vertices), mesh, &why))
        return fail(block.line, "the mesh is not valid: " + why);
    const int corners = mesh.numFaceVertices();
    for (MeshBlock::UVs& set : block.uvSets) {
        if (set.name.empty()) return fail(set.line, "a UV set needs a name");
        for (std::size_t i = 0; i < set.u.size(); ++i)
            if (!std::isfinite(set.u[i]) || !std::isfinite(set.v[i]))
                return fail(set.line, "a UV is not a finite number");
        mesh.createUVSet(set.name);
        if (!mesh.setUVs(set.u, set.v, set.name, &why)) return fail(set.line, why);
        if (set.ids == MeshBlock::UVs::Ids::ByVertex) {
            if (set.u.size() < static_cast<std::size_t>(mesh.numVertices()))
                return fail(set.line, "\"ids vertices\" needs a UV for every vertex");
            // Each corner uses the UV numbered like its vertex: the set keeps no list.
            UVSet* target = mesh.uvSet(set.name);
            target->faceVertexUV.clear();
            target->idsAreVertices = true;
        } else if (set.ids == MeshBlock::UVs::Ids::Listed) {
            if (set.list.size() != static_cast<std::size_t>(corners))
                return fail(set.line, "the UV set \"" + set.name + "\" gives " +
                                          std::to_string(set.list.size()) + " ids for a mesh of " +
                                          std::to_string(corners) + " face vertices");
            if (!mesh.assignUVs(counts, set.list, set.name, &why)) return fail(set.line, why);
        }
    }
    for (const MeshBlock::UVs& set : block.uvSets)
        if (set.current) mesh.setCurrentUVSet(set.name);
    for (MeshBlock::Colors& set : block.colorSets) {
        if (set.name.empty()) return fail(set.line, "a colour set needs a name");
        for (const Rgba& c : set.colors)
            if (!std::isfinite(c.r) || !std::isfinite(c.g) || !std::isfinite(c.b) ||
                !std::isfinite(c.a))
                return fail(set.line, "a colour is not a finite number");
        if (set.hasIds) {
            if (set.ids.size() != static_cast<std::size_t>(corners))
                return fail(set.line, "the colour set \"" + set.name + "\" gives " +
                                          std::to_string(set.ids.size()) + " ids for a mesh of " +
                                          std::to_string(corners) + " face vertices");
            const long long size = static_cast<long long>(set.colors.size());
            for (int id : set.ids)
                if (id < -1 || id >= size)
                    return fail(set.line, "colour id " + std::to_string(id) + " out of range");
        }
        ColorSet& target = mesh.createColorSet(set.name);
        target.colors = std::move(set.colors);
        if (set.hasIds) target.faceVertexColor = std::move(set.ids);
    }
    if (block.hasEdgeOrder && !MeshEditor::adoptEdgeOrder(mesh, block.edges, &why))
        return fail(block.line, "the edges do not fit the faces: " + why);
    if (block.hard == MeshBlock::Hard::All) {
        mesh.setAllEdgesSmooth(false);
    } else if (block.hard == MeshBlock::Hard::Listed) {
        const int ne = mesh.numEdges();
        for (int e : block.hardEdges)
            if (e < 0 || e >= ne)
                return fail(block.line, "hard edge " + std::to_string(e) +
                                            " is not an edge of the mesh (it has " +
                                            std::to_string(ne) + ")");
        for (int e : block.hardEdges) mesh.setEdgeSmooth(e, false);
    }
    const int nf = mesh.numFaces();
    for (auto& [id, faces] : block.groups) {
        for (std::size_t i = 0; i < faces.size(); ++i)
            if (faces[i] < 0 || faces[i] >= nf || (i > 0 && faces[i] <= faces[i - 1]))
                return fail(block.groupLines[id],
                            "object group " + std::to_string(id) +
                                " must list faces of the mesh in ascending order, once each");
        mesh.objectGroups()[id] = std::move(faces);
    }
    out = std::move(mesh);
    return true;
}

void writeCurveBody(std::string& out, int degree, CurveBlock::Form form,
                    const std::vector<KPoint>& cvs, const std::vector<double>& knots,
                    const std::string& indent) {
    out += indent + "degree " + std::to_string(degree) + "\n";
    out += indent + "form " + formWord(form) + "\n";
    writeArray<double>(out, indent, countHead("cvs", cvs.size()), cvs.size() * 4, 4,
                       [&](std::size_t i) { return cvs[i / 4][static_cast<unsigned>(i % 4)]; });
    writeArray<double>(
        out, indent, countHead("knots", knots.size()), knots.size(), 8,
        [&](std::size_t i) { return knots[i]; }, knots.data());
}

void writeCurveBody(std::string& out, const nurbs::NurbsCurve& curve, const std::string& indent) {
    std::vector<KPoint> cvs;
    cvs.reserve(curve.cvs.size());
    for (std::size_t i = 0; i < curve.cvs.size(); ++i) {
        const Vec3& p = curve.cvs[i];
        cvs.emplace_back(p.x, p.y, p.z, curve.weights.empty() ? 1.0 : curve.weights[i]);
    }
    writeCurveBody(out, curve.degree, blockForm(curve.form), cvs, curve.knots, indent);
}

bool buildCurve(const CurveBlock& block, nurbs::NurbsCurve& out, std::string* error) {
    nurbs::NurbsCurve curve;
    curve.degree = block.degree;
    curve.form = block.form == CurveBlock::Form::Closed     ? nurbs::CurveForm::Closed
                 : block.form == CurveBlock::Form::Periodic ? nurbs::CurveForm::Periodic
                                                            : nurbs::CurveForm::Open;
    bool rational = false;
    for (const KPoint& p : block.cvs) {
        if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z) ||
            !std::isfinite(p.w)) {
            *error = "a CV is not a finite number";
            return false;
        }
        rational = rational || p.w != 1.0;
    }
    for (const KPoint& p : block.cvs) {
        curve.cvs.push_back({p.x, p.y, p.z});
        if (rational) curve.weights.push_back(p.w);
    }
    curve.knots = block.knots;
    std::string why;
    if (!nurbs::validate(curve, &why)) {
        *error = "the curve is not valid: " + why;
        return false;
    }
    out = std::move(curve);
    return true;
}

void writeSurfaceBody(std::string& out, const nurbs::NurbsSurface& s, const std::string& indent) {
    out += indent + "degree " + std::to_string(s.degreeU) + " " + std::to_string(s.degreeV) + "\n";
    out += indent + "form " + surfaceFormWord(s.formU) + " " + surfaceFormWord(s.formV) + "\n";
    writeArray<double>(
        out, indent, "cvs " + std::to_string(s.numU) + " " + std::to_string(s.numV),
        s.cvs.size() * 3, 3, [&](std::size_t i) { return (&s.cvs[i / 3].x)[i % 3]; },
        s.cvs.empty() ? nullptr : &s.cvs[0].x);
    if (!s.weights.empty())
        writeArray<double>(
            out, indent, countHead("weights", s.weights.size()), s.weights.size(), 8,
            [&](std::size_t i) { return s.weights[i]; }, s.weights.data());
    writeArray<double>(
        out, indent, countHead("knots u", s.knotsU.size()), s.knotsU.size(), 8,
        [&](std::size_t i) { return s.knotsU[i]; }, s.knotsU.data());
    writeArray<double>(
        out, indent, countHead("knots v", s.knotsV.size()), s.knotsV.size(), 8,
        [&](std::size_t i) { return s.knotsV[i]; }, s.knotsV.data());
}

bool buildSurface(SurfaceBlock&& block, nurbs::NurbsSurface& out, std::string* error) {
    nurbs::NurbsSurface& s = block.surface;
    if (!s.weights.empty() && s.weights.size() != s.cvs.size()) {
        *error = "the surface gives " + std::to_string(s.weights.size()) + " weights for " +
                 std::to_string(s.cvs.size()) + " CVs";
        return false;
    }
    std::string why;
    if (!nurbs::validate(s, &why)) {
        *error = "the surface is not valid: " + why;
        return false;
    }
    out = std::move(s);
    return true;
}

}  // namespace tarn::scenefile
