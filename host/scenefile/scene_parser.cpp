#include "host/scenefile/scene_parser.h"

#include <climits>
#include <cstdint>
#include <cstring>
#include <set>
#include <utility>

#include "host/scenefile/text_codec.h"

namespace tarn::scenefile {

namespace {

// Thrown inside the parser only; parseScene turns it into a ParseError.
struct Failure {
    int line;
    std::string message;
};

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// A word as a message shows it: cut short, control characters as '?'.
std::string shown(std::string_view word) {
    if (word.empty()) return "the end of the line";
    std::string out = "\"";
    for (char c : word.substr(0, 40))
        out += static_cast<unsigned char>(c) < 0x20 || c == 0x7f ? '?' : c;
    if (word.size() > 40) out += "...";
    return out + "\"";
}

// Reads the file statement by statement. A statement is one line, except that an inline array
// ("[...]") may run over several; blocks open with a "{" ending a line and close with a line
// holding "}". Lines whose first character after blanks is '#' are comments.
class Lexer {
public:
    explicit Lexer(std::string_view text) : m_text(text) {}

    int line() const { return m_line; }
    std::size_t position() const { return m_pos; }
    std::size_t remaining() const { return m_text.size() - m_pos; }

    [[noreturn]] void fail(const std::string& message) const { throw Failure{m_line, message}; }
    [[noreturn]] void expected(const std::string& what, std::string_view found) const {
        fail("expected " + what + ", found " + shown(found));
    }

    // Moves to the first word of the next statement, over blank and comment lines. False at
    // the end of the text.
    bool nextStatement() {
        while (m_pos < m_text.size()) {
            skipBlanks();
            if (m_pos >= m_text.size()) return false;
            const char c = m_text[m_pos];
            if (c == '#') {
                while (m_pos < m_text.size() && m_text[m_pos] != '\n') ++m_pos;
                continue;
            }
            if (c == '\r' || c == '\n') {
                newLine();
                continue;
            }
            return true;
        }
        return false;
    }

    // The next word of this line (empty at its end): a run of characters up to a blank or the
    // line's end. A quoted string is read whole, quotes included.
    std::string_view word() {
        skipBlanks();
        const std::size_t start = m_pos;
        if (m_pos < m_text.size() && m_text[m_pos] == '"') {
            std::string unused;
            std::size_t end = 0;
            if (!parseQuoted(m_text, m_pos, &unused, &end)) {
                m_pos = end;
                fail("a string that is not closed on its line, or an unknown escape");
            }
            m_pos = end;
            return m_text.substr(start, m_pos - start);
        }
        while (m_pos < m_text.size() && !isSpace(m_text[m_pos])) ++m_pos;
        return m_text.substr(start, m_pos - start);
    }

    std::string_view requireWord(const std::string& what) {
        const std::string_view w = word();
        if (w.empty()) expected(what, w);
        return w;
    }

    // The next word must be `keyword`.
    void keyword(std::string_view keyword) {
        const std::string_view w = word();
        if (w != keyword) expected("\"" + std::string(keyword) + "\"", w);
    }

    // The next word as a quoted string's contents.
    std::string quoted(const std::string& what) {
        const std::string_view w = word();
        if (w.empty() || w[0] != '"') expected(what + " in double quotes", w);
        std::string out;
        std::size_t end = 0;
        parseQuoted(w, 0, &out, &end);
        return out;
    }

    std::string identifier(const std::string& what) {
        const std::string_view w = word();
        if (!isIdentifier(w)) expected(what, w);
        return std::string(w);
    }

    long long integer(const std::string& what, long long low, long long high) {
        const std::string_view w = word();
        long long v = 0;
        if (!parseInt(w, low, high, &v))
            expected(what + " (a whole number from " + std::to_string(low) + " to " +
                         std::to_string(high) + ")",
                     w);
        return v;
    }

    double number(const std::string& what) {
        const std::string_view w = word();
        double v = 0;
        if (!parseDouble(w, &v)) expected(what, w);
        return v;
    }

    // Only blanks are left on the line; moves past its end.
    void endOfLine() {
        skipBlanks();
        if (m_pos < m_text.size() && m_text[m_pos] != '\n' && m_text[m_pos] != '\r')
            expected("the end of the line", peekRest());
        if (m_pos < m_text.size()) newLine();
    }

    bool atLineEnd() {
        skipBlanks();
        return m_pos >= m_text.size() || m_text[m_pos] == '\n' || m_text[m_pos] == '\r';
    }

    // The start of an array: "[" (inline numbers) or "base64" (a block). True for inline.
    bool arrayStart() {
        skipBlanks();
        if (m_pos < m_text.size() && m_text[m_pos] == '[') {
            ++m_pos;
            return true;
        }
        const std::string_view w = word();
        if (w != "base64") expected("\"[\" or \"base64\"", w);
        skipBlanks();
        return false;
    }

    // The next number of an inline array, over line ends; false at its closing "]".
    std::string_view arrayNumber() {
        while (m_pos < m_text.size() && isSpace(m_text[m_pos])) {
            if (m_text[m_pos] == '\n' || m_text[m_pos] == '\r')
                newLine();
            else
                ++m_pos;
        }
        if (m_pos >= m_text.size()) fail("an array that is not closed with \"]\"");
        if (m_text[m_pos] == ']') {
            ++m_pos;
            return {};
        }
        const std::size_t start = m_pos;
        while (m_pos < m_text.size() && !isSpace(m_text[m_pos]) && m_text[m_pos] != ']') ++m_pos;
        return m_text.substr(start, m_pos - start);
    }

    // Exactly `length` characters of base64 text, which must end the word.
    std::string_view base64Text(std::size_t length) {
        if (remaining() < length)
            fail("a base64 block of " + std::to_string(length) + " characters, but the file ends");
        const std::string_view text = m_text.substr(m_pos, length);
        m_pos += length;
        if (m_pos < m_text.size() && !isSpace(m_text[m_pos]))
            fail("a base64 block of " + std::to_string(length) + " characters, but it is longer");
        return text;
    }

    std::string_view text() const { return m_text; }

private:
    void skipBlanks() {
        while (m_pos < m_text.size() && isBlank(m_text[m_pos])) ++m_pos;
    }
    void newLine() {
        if (m_text[m_pos] == '\r' && m_pos + 1 < m_text.size() && m_text[m_pos + 1] == '\n')
            ++m_pos;
        ++m_pos;
        ++m_line;
    }
    std::string_view peekRest() const {
        std::size_t end = m_pos;
        while (end < m_text.size() && m_text[end] != '\n' && m_text[end] != '\r') ++end;
        return m_text.substr(m_pos, end - m_pos);
    }

    std::string_view m_text;
    std::size_t m_pos = 0;
    int m_line = 1;
};

// Reads `values` numbers of type `T` into `out` (room for them made by the caller, after the
// count was checked with arrayRoom): inline, or a base64 block.
template <typename T>
void fillArray(Lexer& lex, bool inlineArray, long long values, const std::string& what, T* out) {
    if (inlineArray) {
        for (long long i = 0; i < values; ++i) {
            const std::string_view w = lex.arrayNumber();
            if (w.empty())
                lex.fail(what + ": " + std::to_string(values) + " numbers expected, " +
                         std::to_string(i) + " given");
            bool ok = false;
            if constexpr (std::is_same_v<T, double>) {
                ok = parseDouble(w, &out[i]);
            } else if constexpr (std::is_same_v<T, float>) {
                ok = parseFloat(w, &out[i]);
            } else {
                long long v = 0;
                ok = parseInt(w, INT_MIN, INT_MAX, &v);
                out[i] = static_cast<T>(v);
            }
            if (!ok) lex.expected("a number in " + what, w);
        }
        if (!lex.arrayNumber().empty())
            lex.fail(what + ": more than " + std::to_string(values) + " numbers given");
        return;
    }
    const std::size_t bytes = static_cast<std::size_t>(values) * sizeof(T);
    const std::string_view text = lex.base64Text(base64Length(bytes));
    if (!decodeBase64(text, out, bytes))
        lex.fail(what + ": the base64 block holds a character outside its alphabet");
}

// Starts an array of `values` numbers of type T: true for inline. A count the rest of the file
// cannot hold is refused before anything is allocated for it (an inline number takes a
// character and a separator).
template <typename T>
bool arrayRoom(Lexer& lex, long long values, const std::string& what) {
    const bool inlineArray = lex.arrayStart();
    const std::size_t room =
        inlineArray ? lex.remaining() / 2 + 1 : lex.remaining() / 4 * 3 / sizeof(T) + 1;
    if (values > static_cast<long long>(room))
        lex.fail(what + ": " + std::to_string(values) + " numbers given, more than the file holds");
    return inlineArray;
}

// Arrays of `count` elements of `width` values each, inline or as a base64 block of `T`.
template <typename T>
std::vector<T> readArray(Lexer& lex, long long count, int width, const std::string& what) {
    const long long values = count * width;
    const bool inlineArray = arrayRoom<T>(lex, values, what);
    std::vector<T> out(static_cast<std::size_t>(values));
    fillArray(lex, inlineArray, values, what, out.data());
    return out;
}

long long readCount(Lexer& lex, const std::string& what) {
    return lex.integer("the number of " + what, 0, kMaxArrayCount);
}

// Names of attributes in statements: NAME, NAME[i] or NAME[i].LEAF.
void readAttrName(Lexer& lex, std::string_view word, std::string* name, int* index,
                  std::string* leaf) {
    const std::size_t open = word.find('[');
    if (open == std::string_view::npos) {
        if (!isIdentifier(word)) lex.expected("an attribute name", word);
        *name = std::string(word);
        return;
    }
    const std::size_t close = word.find(']', open);
    long long i = 0;
    if (close == std::string_view::npos || !isIdentifier(word.substr(0, open)) ||
        !parseInt(word.substr(open + 1, close - open - 1), 0, INT_MAX, &i))
        lex.expected("an attribute name such as \"pnts[3]\"", word);
    *name = std::string(word.substr(0, open));
    *index = static_cast<int>(i);
    const std::string_view rest = word.substr(close + 1);
    if (rest.empty()) return;
    if (rest[0] != '.' || !isIdentifier(rest.substr(1)))
        lex.expected("an attribute name such as \"pnts[3].pntx\"", word);
    *leaf = std::string(rest.substr(1));
}

// A word naming a plug, a selection item or a set member: node names, attribute names,
// component and element indices, paths. Never quotes, braces or control characters.
bool isItemWord(std::string_view w) {
    if (w.empty()) return false;
    for (char c : w) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                        (c >= '0' && c <= '9') || c == '_' || c == '.' || c == '[' || c == ']' ||
                        c == ':' || c == '|' || c == '*';
        if (!ok) return false;
    }
    return true;
}

std::string itemWord(Lexer& lex, const std::string& what) {
    const std::string_view w = lex.word();
    if (!isItemWord(w)) lex.expected(what, w);
    return std::string(w);
}

// "{" ends the line that opens a block.
void openBlock(Lexer& lex) {
    lex.keyword("{");
    lex.endOfLine();
}

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

CurveBlock::Form readCurveForm(Lexer& lex) {
    const std::string_view w = lex.word();
    if (w == "open") return CurveBlock::Form::Open;
    if (w == "closed") return CurveBlock::Form::Closed;
    if (w == "periodic") return CurveBlock::Form::Periodic;
    lex.expected("\"open\", \"closed\" or \"periodic\"", w);
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

void readValue(Lexer& lex, AttrValue& value) {
    if (lex.atLineEnd()) lex.expected("a value", "");
    Lexer probe = lex;
    const std::string_view first = probe.word();
    if (!first.empty() && first[0] == '"') {
        value.kind = AttrValue::Kind::Text;
        value.text = lex.quoted("a string");
        return;
    }
    if (first == "mesh" || first == "curve" || first == "surface") {
        lex.word();
        const int line = lex.line();
        openBlock(lex);
        if (first == "mesh") {
            value.kind = AttrValue::Kind::Mesh;
            value.mesh = readMesh(lex, line);
        } else if (first == "curve") {
            value.kind = AttrValue::Kind::Curve;
            value.curve = readCurve(lex, line);
        } else {
            value.kind = AttrValue::Kind::Surface;
            value.surface = readSurface(lex, line);
        }
        return;
    }
    value.kind = AttrValue::Kind::Numbers;
    while (!lex.atLineEnd()) value.numbers.push_back(lex.number("a number or the end of the line"));
    // One line holds the values: a matrix (16) is the most any attribute takes.
    if (value.numbers.size() > 64) lex.fail("more than 64 numbers for one attribute");
}

std::vector<std::pair<int, int>> readFaceRanges(Lexer& lex) {
    std::vector<std::pair<int, int>> ranges;
    while (!lex.atLineEnd()) {
        const std::string_view w = lex.word();
        const std::size_t colon = w.find(':');
        long long a = 0, b = 0;
        const bool ok = colon == std::string_view::npos
                            ? parseInt(w, 0, INT_MAX, &a) && (b = a, true)
                            : parseInt(w.substr(0, colon), 0, INT_MAX, &a) &&
                                  parseInt(w.substr(colon + 1), 0, INT_MAX, &b) && a <= b;
        if (!ok) lex.expected("a face or a range of faces such as \"0:5\"", w);
        ranges.emplace_back(static_cast<int>(a), static_cast<int>(b));
    }
    if (ranges.empty()) lex.expected("a face or a range of faces", "");
    return ranges;
}

// The statements of a node's block, after its opening line.
void readNodeBody(Lexer& lex, NodeDecl& node) {
    const std::size_t bodyStart = lex.position();
    while (lex.nextStatement()) {
        const std::size_t lineStart = lex.position();
        const int line = lex.line();
        const std::string_view w = lex.word();
        if (w == "}") {
            // The body runs to the start of the closing line.
            std::size_t end = lineStart;
            while (end > bodyStart && isBlank(lex.text()[end - 1])) --end;
            node.body = lex.text().substr(bodyStart, end - bodyStart);
            lex.endOfLine();
            return;
        }
        if (w == "lock") {
            AttrLock lock;
            lock.line = line;
            readAttrName(lex, lex.requireWord("an attribute name"), &lock.name, &lock.index,
                         &lock.leaf);
            node.locks.push_back(std::move(lock));
        } else if (w == "mesh" || w == "curve" || w == "surface") {
            openBlock(lex);
            if (w == "mesh") {
                if (node.mesh) throw Failure{line, "a second mesh block in one node"};
                node.mesh = readMesh(lex, line);
            } else if (w == "curve") {
                if (node.curve) throw Failure{line, "a second curve block in one node"};
                node.curve = readCurve(lex, line);
            } else {
                if (node.surface) throw Failure{line, "a second surface block in one node"};
                node.surface = readSurface(lex, line);
            }
            continue;  // the block's closing line was read
        } else if (w == "shading") {
            ShadingRun run;
            run.line = line;
            run.group = lex.identifier("the name of a shading group");
            run.ranges = readFaceRanges(lex);
            node.shading.push_back(std::move(run));
        } else if (w == "member") {
            node.members.emplace_back(line, itemWord(lex, "a set member such as \"pCube1.f[2]\""));
        } else {
            AttrValue value;
            value.line = line;
            readAttrName(lex, w, &value.name, &value.index, &value.leaf);
            lex.keyword("=");
            readValue(lex, value);
            const bool block = value.kind == AttrValue::Kind::Mesh ||
                               value.kind == AttrValue::Kind::Curve ||
                               value.kind == AttrValue::Kind::Surface;
            node.values.push_back(std::move(value));
            if (block) continue;
        }
        lex.endOfLine();
    }
    throw Failure{node.line, "the node " + node.name + " is not closed with \"}\""};
}

void readNode(Lexer& lex, SceneDocument& doc) {
    NodeDecl node;
    node.line = lex.line();
    node.type = lex.identifier("a node type");
    node.name = lex.identifier("a node name");
    for (;;) {
        const std::string_view w = lex.word();
        if (w == "{") break;
        if (w == "parent" && node.parent.empty()) {
            node.parent = lex.identifier("the parent's name");
        } else if (w == "plugin" && node.plugin.empty()) {
            node.plugin = lex.quoted("the plug-in's name");
            if (node.plugin.empty() || node.plugin.find('/') != std::string::npos)
                lex.fail("a plug-in is named by its bare name, not \"" + node.plugin + "\"");
        } else {
            lex.expected("\"parent\", \"plugin\" or \"{\"", w);
        }
    }
    lex.endOfLine();
    readNodeBody(lex, node);
    doc.nodes.push_back(std::move(node));
}

void readOption(Lexer& lex, SceneDocument& doc) {
    OptionDecl option;
    option.line = lex.line();
    option.name = lex.quoted("the option variable's name");
    if (option.name.empty()) lex.fail("an option variable needs a name");
    const std::string_view kind = lex.word();
    using K = OptionDecl::Kind;
    if (kind == "int" || kind == "float") {
        option.kind = kind == "int" ? K::Int : K::Float;
        option.numbers.push_back(kind == "int" ? static_cast<double>(lex.integer(
                                                     "an integer", INT64_MIN / 2, INT64_MAX / 2))
                                               : lex.number("a number"));
    } else if (kind == "string") {
        option.kind = K::String;
        option.strings.push_back(lex.quoted("a string"));
    } else if (kind == "intArray" || kind == "floatArray") {
        option.kind = kind == "intArray" ? K::IntArray : K::FloatArray;
        const long long n = readCount(lex, "values");
        option.numbers = readArray<double>(lex, n, 1, "values");
        if (option.kind == K::IntArray)
            for (double v : option.numbers)
                if (v != static_cast<double>(static_cast<long long>(v)))
                    lex.fail("an intArray holds whole numbers");
    } else if (kind == "stringArray") {
        option.kind = K::StringArray;
        while (!lex.atLineEnd()) option.strings.push_back(lex.quoted("a string"));
    } else {
        lex.expected("int, float, string, intArray, floatArray or stringArray", kind);
    }
    doc.options.push_back(std::move(option));
}

void readStatement(Lexer& lex, SceneDocument& doc, std::string_view keyword) {
    const int line = lex.line();
    if (keyword == "node") {
        readNode(lex, doc);
        return;  // the node's closing line was read
    }
    if (keyword == "requires") {
        PluginRequirement r;
        r.line = line;
        r.name = lex.quoted("the plug-in's name");
        if (r.name.empty() || r.name.find('/') != std::string::npos)
            lex.fail("a plug-in is named by its bare name, not \"" + r.name + "\"");
        r.version = lex.quoted("the plug-in's version");
        doc.plugins.push_back(std::move(r));
    } else if (keyword == "connect") {
        Connect c;
        c.line = line;
        c.source = itemWord(lex, "the source plug (node.attribute)");
        c.destination = itemWord(lex, "the destination plug (node.attribute)");
        doc.connections.push_back(std::move(c));
    } else if (keyword == "select" || keyword == "hilite") {
        std::vector<std::string>& items = keyword == "select" ? doc.selection : doc.hilite;
        int& at = keyword == "select" ? doc.selectionLine : doc.hiliteLine;
        if (at != 0) lex.fail("a second \"" + std::string(keyword) + "\" statement");
        at = line;
        while (!lex.atLineEnd()) items.push_back(itemWord(lex, "an object or component name"));
    } else if (keyword == "camera") {
        if (doc.cameraLine != 0) lex.fail("a second \"camera\" statement");
        doc.cameraLine = line;
        doc.camera = lex.identifier("the name of a camera");
    } else if (keyword == "automaticCamera") {
        if (doc.automaticCamera) lex.fail("a second \"automaticCamera\" statement");
        AutomaticCamera camera;
        camera.line = line;
        for (double& v : camera.values) v = lex.number("a number (17 in all)");
        doc.automaticCamera = camera;
    } else if (keyword == "option") {
        readOption(lex, doc);
    } else {
        lex.expected(
            "a statement (requires, node, connect, select, hilite, camera, "
            "automaticCamera, option)",
            keyword);
    }
    lex.endOfLine();
}

}  // namespace

bool isIdentifier(std::string_view w) {
    if (w.empty() || (w[0] >= '0' && w[0] <= '9')) return false;
    for (char c : w)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
              c == '_'))
            return false;
    return true;
}

std::variant<SceneDocument, ParseError> parseScene(std::string_view text) {
    SceneDocument doc;
    Lexer lex(text);
    try {
        if (!lex.nextStatement())
            throw Failure{lex.line(), "expected \"tscene 1\", found an empty file"};
        const std::string_view magic = lex.word();
        if (magic != "tscene") lex.expected("\"tscene\" and the format version", magic);
        const long long version = lex.integer("the format version", 1, INT_MAX);
        if (version > kFormatVersion)
            lex.fail("the file is in format " + std::to_string(version) +
                     ", written by a newer tarn; this one reads formats up to " +
                     std::to_string(kFormatVersion));
        doc.version = static_cast<int>(version);
        lex.endOfLine();
        while (lex.nextStatement()) readStatement(lex, doc, lex.word());
    } catch (const Failure& f) {
        return ParseError{f.line, f.message};
    }
    return doc;
}

}  // namespace tarn::scenefile
