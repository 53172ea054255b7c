#include "host/scenefile/block_parser.h"

#include <cstring>
#include <set>

namespace tarn::scenefile::parsing {

namespace {

MeshBlock::Hard readHard(Lexer& lex, MeshBlock& mesh) {
    const std::string_view w = lex.word();
    if (w == "all") return MeshBlock::Hard::All;
    long long n = 0;
    if (!parseInt(w, 0, kMaxArrayCount, &n)) lex.expected("\"all\" or the number of hard edges", w);
    mesh.hardEdges = readArray<int>(lex, n, 1, "hard edges");
    return MeshBlock::Hard::Listed;
}

void readUVSet(Lexer& lex, MeshBlock& mesh) {
    MeshBlock::UVs set;
    set.line = lex.line();
    set.name = lex.quoted("the UV set's name");
    if (!lex.atLineEnd()) {
        Lexer probe = lex;
        if (probe.word() == "current") {
            lex.word();
            set.current = true;
        }
    }
    openBlock(lex);
    bool haveUVs = false, haveIds = false;
    while (lex.nextStatement()) {
        const std::string_view w = lex.word();
        if (w == "}") {
            lex.endOfLine();
            mesh.uvSets.push_back(std::move(set));
            return;
        }
        if (w == "uvs" && !haveUVs) {
            const long long n = readCount(lex, "UVs");
            std::vector<float> uv = readArray<float>(lex, n, 2, "UVs");
            set.u.resize(static_cast<std::size_t>(n));
            set.v.resize(static_cast<std::size_t>(n));
            for (long long i = 0; i < n; ++i) {
                set.u[i] = uv[2 * i];
                set.v[i] = uv[2 * i + 1];
            }
            haveUVs = true;
        } else if (w == "ids" && !haveIds) {
            const std::string_view k = lex.word();
            long long n = 0;
            if (k == "vertices") {
                set.ids = MeshBlock::UVs::Ids::ByVertex;
            } else if (parseInt(k, 0, kMaxArrayCount, &n)) {
                set.ids = MeshBlock::UVs::Ids::Listed;
                set.list = readArray<int>(lex, n, 1, "UV ids");
            } else {
                lex.expected("\"vertices\" or the number of UV ids", k);
            }
            haveIds = true;
        } else {
            lex.expected(haveUVs || haveIds ? "\"uvs\", \"ids\" (each once) or \"}\""
                                            : "\"uvs\", \"ids\" or \"}\"",
                         w);
        }
        lex.endOfLine();
    }
    lex.fail("a UV set that is not closed with \"}\"");
}

void readColorSet(Lexer& lex, MeshBlock& mesh) {
    MeshBlock::Colors set;
    set.line = lex.line();
    set.name = lex.quoted("the colour set's name");
    openBlock(lex);
    bool haveColors = false;
    while (lex.nextStatement()) {
        const std::string_view w = lex.word();
        if (w == "}") {
            lex.endOfLine();
            mesh.colorSets.push_back(std::move(set));
            return;
        }
        if (w == "colors" && !haveColors) {
            const long long n = readCount(lex, "colours");
            const std::vector<float> c = readArray<float>(lex, n, 4, "colours");
            set.colors.resize(static_cast<std::size_t>(n));
            for (long long i = 0; i < n; ++i)
                set.colors[i] = Rgba{c[4 * i], c[4 * i + 1], c[4 * i + 2], c[4 * i + 3]};
            haveColors = true;
        } else if (w == "ids" && !set.hasIds) {
            const long long n = readCount(lex, "colour ids");
            set.ids = readArray<int>(lex, n, 1, "colour ids");
            set.hasIds = true;
        } else {
            lex.expected("\"colors\", \"ids\" (each once) or \"}\"", w);
        }
        lex.endOfLine();
    }
    lex.fail("a colour set that is not closed with \"}\"");
}

CurveBlock::Form readCurveForm(Lexer& lex) {
    const std::string_view w = lex.word();
    if (w == "open") return CurveBlock::Form::Open;
    if (w == "closed") return CurveBlock::Form::Closed;
    if (w == "periodic") return CurveBlock::Form::Periodic;
    lex.expected("\"open\", \"closed\" or \"periodic\"", w);
}

nurbs::SurfaceForm readSurfaceForm(Lexer& lex) {
    switch (readCurveForm(lex)) {
        case CurveBlock::Form::Open:
            return nurbs::SurfaceForm::Open;
        case CurveBlock::Form::Closed:
            return nurbs::SurfaceForm::Closed;
        case CurveBlock::Form::Periodic:
            break;
    }
    return nurbs::SurfaceForm::Periodic;
}

}  // namespace

// The statements of a mesh block, after its opening line.
std::shared_ptr<MeshBlock> readMesh(Lexer& lex, int line) {
    auto mesh = std::make_shared<MeshBlock>();
    mesh->line = line;
    std::set<std::string, std::less<>> seen;
    std::set<std::string> uvNames, colorNames;
    auto once = [&](std::string_view w) {
        if (!seen.insert(std::string(w)).second) lex.fail("\"" + std::string(w) + "\" given twice");
    };
    while (lex.nextStatement()) {
        const std::string_view w = lex.word();
        if (w == "}") {
            lex.endOfLine();
            return mesh;
        }
        if (w == "points") {
            once(w);
            const long long n = readCount(lex, "points");
            const bool inlineArray = arrayRoom<double>(lex, n * 3, "points");
            mesh->points.resize(static_cast<std::size_t>(n));
            static_assert(sizeof(Vec3) == 3 * sizeof(double));
            fillArray(lex, inlineArray, n * 3, "points",
                      reinterpret_cast<double*>(mesh->points.data()));
        } else if (w == "faces") {
            once(w);
            const long long n = readCount(lex, "faces");
            // "faces N all K": every face has K corners.
            Lexer probe = lex;
            if (probe.word() == "all") {
                lex.word();
                const long long k = lex.integer("the corners of every face", 3, INT_MAX);
                if (n > 0 && k > kMaxArrayCount / n)
                    lex.fail("faces: " + std::to_string(n) + " faces of " + std::to_string(k) +
                             " corners are more than a file may hold");
                mesh->counts.assign(static_cast<std::size_t>(n), static_cast<int>(k));
            } else {
                mesh->counts = readArray<int>(lex, n, 1, "face corner counts");
            }
        } else if (w == "vertices") {
            once(w);
            const long long n = readCount(lex, "face vertices");
            mesh->vertices = readArray<int>(lex, n, 1, "face vertices");
        } else if (w == "edges") {
            once(w);
            const long long n = readCount(lex, "edges");
            const std::vector<int> ends = readArray<int>(lex, n, 2, "edges");
            mesh->edges.resize(static_cast<std::size_t>(n));
            for (long long i = 0; i < n; ++i)
                mesh->edges[i] = MeshEdge{ends[2 * i], ends[2 * i + 1]};
            mesh->hasEdgeOrder = true;
        } else if (w == "hard") {
            once(w);
            mesh->hard = readHard(lex, *mesh);
        } else if (w == "uvSet") {
            const std::size_t before = mesh->uvSets.size();
            readUVSet(lex, *mesh);
            if (mesh->uvSets.size() > before && !uvNames.insert(mesh->uvSets.back().name).second)
                throw Failure{mesh->uvSets.back().line,
                              "the UV set \"" + mesh->uvSets.back().name + "\" is given twice"};
            continue;  // the set's closing line was read
        } else if (w == "colorSet") {
            readColorSet(lex, *mesh);
            if (!colorNames.insert(mesh->colorSets.back().name).second)
                throw Failure{
                    mesh->colorSets.back().line,
                    "the colour set \"" + mesh->colorSets.back().name + "\" is given twice"};
            continue;
        } else if (w == "group") {
            const int line = lex.line();
            const long long id = lex.integer("the object group's id", 0, INT_MAX);
            const long long n = readCount(lex, "the group's faces");
            std::vector<int> faces = readArray<int>(lex, n, 1, "the group's faces");
            if (!mesh->groups.emplace(static_cast<int>(id), std::move(faces)).second)
                lex.fail("the object group " + std::to_string(id) + " is given twice");
            mesh->groupLines[static_cast<int>(id)] = line;
        } else {
            lex.expected(
                "a mesh statement (points, faces, vertices, edges, hard, uvSet, "
                "colorSet, group) or \"}\"",
                w);
        }
        lex.endOfLine();
    }
    lex.fail("a mesh block that is not closed with \"}\"");
}

std::shared_ptr<CurveBlock> readCurve(Lexer& lex, int line) {
    auto curve = std::make_shared<CurveBlock>();
    curve->line = line;
    std::set<std::string, std::less<>> seen;
    while (lex.nextStatement()) {
        const std::string_view w = lex.word();
        if (w == "}") {
            lex.endOfLine();
            return curve;
        }
        if (!seen.insert(std::string(w)).second) lex.fail("\"" + std::string(w) + "\" given twice");
        if (w == "degree") {
            curve->degree = static_cast<int>(lex.integer("the degree", 1, 7));
        } else if (w == "form") {
            curve->form = readCurveForm(lex);
        } else if (w == "cvs") {
            const long long n = readCount(lex, "CVs");
            const std::vector<double> v = readArray<double>(lex, n, 4, "CVs");
            curve->cvs.resize(static_cast<std::size_t>(n));
            for (long long i = 0; i < n; ++i)
                curve->cvs[i] = KPoint(v[4 * i], v[4 * i + 1], v[4 * i + 2], v[4 * i + 3]);
        } else if (w == "knots") {
            const long long n = readCount(lex, "knots");
            curve->knots = readArray<double>(lex, n, 1, "knots");
        } else {
            lex.expected("a curve statement (degree, form, cvs, knots) or \"}\"", w);
        }
        lex.endOfLine();
    }
    lex.fail("a curve block that is not closed with \"}\"");
}

std::shared_ptr<SurfaceBlock> readSurface(Lexer& lex, int line) {
    auto block = std::make_shared<SurfaceBlock>();
    block->line = line;
    nurbs::NurbsSurface& s = block->surface;
    std::set<std::string, std::less<>> seen;
    while (lex.nextStatement()) {
        std::string w(lex.word());
        if (w == "}") {
            lex.endOfLine();
            return block;
        }
        if (w == "knots") {
            const std::string_view dir = lex.word();
            if (dir != "u" && dir != "v") lex.expected("\"u\" or \"v\"", dir);
            w += " " + std::string(dir);
        }
        if (!seen.insert(w).second) lex.fail("\"" + w + "\" given twice");
        if (w == "degree") {
            s.degreeU =
                static_cast<int>(lex.integer("the degree in u", 1, nurbs::kMaxSurfaceDegree));
            s.degreeV =
                static_cast<int>(lex.integer("the degree in v", 1, nurbs::kMaxSurfaceDegree));
        } else if (w == "form") {
            s.formU = readSurfaceForm(lex);
            s.formV = readSurfaceForm(lex);
        } else if (w == "cvs") {
            const long long nu = lex.integer("the number of CVs in u", 0, kMaxArrayCount);
            const long long nv = lex.integer("the number of CVs in v", 0, kMaxArrayCount);
            if (nu > 0 && nv > kMaxArrayCount / nu)
                lex.fail("cvs: " + std::to_string(nu) + " x " + std::to_string(nv) +
                         " CVs are more than a file may hold");
            const bool inlineArray = arrayRoom<double>(lex, nu * nv * 3, "CVs");
            s.numU = static_cast<int>(nu);
            s.numV = static_cast<int>(nv);
            s.cvs.resize(static_cast<std::size_t>(nu * nv));
            fillArray(lex, inlineArray, nu * nv * 3, "CVs",
                      reinterpret_cast<double*>(s.cvs.data()));
        } else if (w == "weights") {
            const long long n = readCount(lex, "weights");
            s.weights = readArray<double>(lex, n, 1, "weights");
        } else if (w == "knots u") {
            const long long n = readCount(lex, "knots");
            s.knotsU = readArray<double>(lex, n, 1, "knots");
        } else if (w == "knots v") {
            const long long n = readCount(lex, "knots");
            s.knotsV = readArray<double>(lex, n, 1, "knots");
        } else {
            lex.expected("a surface statement (degree, form, cvs, weights, knots) or \"}\"", w);
        }
        lex.endOfLine();
    }
    lex.fail("a surface block that is not closed with \"}\"");
}

}  // namespace tarn::scenefile::parsing
