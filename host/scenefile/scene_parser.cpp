#include "host/scenefile/scene_parser.h"

#include <climits>
#include <cstdint>
#include <set>
#include <utility>

#include "host/scenefile/block_parser.h"
#include "host/scenefile/scene_lexer.h"
#include "host/scenefile/text_codec.h"

namespace tarn::scenefile {

namespace {

using namespace parsing;

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

std::string itemWord(Lexer& lex, const std::string& what) {
    const std::string_view w = lex.word();
    if (!isItemWord(w)) lex.expected(what, w);
    return std::string(w);
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
