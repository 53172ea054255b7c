// The scene-file text layer alone: numbers, strings and base64 blocks round trip bit for bit,
// and the parser takes the format's statements and refuses anything else with its line.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <variant>

#include "host/scenefile/scene_parser.h"
#include "host/scenefile/text_codec.h"

namespace tarn::scenefile {
namespace {

TEST(TextCodec, NumbersReadBackToTheSameBits) {
    const double doubles[] = {
        0.1, 1.0 / 3.0, -0.0, 1e-300, 4.9e-324, 1.7976931348623157e308, 123456789.125, -2.5e-7};
    for (double d : doubles) {
        std::string text;
        appendNumber(text, d);
        double back = 0;
        ASSERT_TRUE(parseDouble(text, &back)) << text;
        EXPECT_EQ(std::memcmp(&d, &back, sizeof d), 0) << text;
    }
    const float floats[] = {0.1f, 1.0f / 3.0f, 16777217.0f, 1e-38f, 3.4028235e38f};
    for (float f : floats) {
        std::string text;
        appendFloat(text, f);
        // Read as a double and stored at single precision, as attribute cells are.
        double back = 0;
        ASSERT_TRUE(parseDouble(text, &back)) << text;
        EXPECT_EQ(static_cast<float>(back), f) << text;
    }
    std::string shortest;
    appendFloat(shortest, 0.1f);
    EXPECT_EQ(shortest, "0.1");
}

TEST(TextCodec, NumberWordsOutsideTheGrammarAreRefused) {
    for (const char* word :
         {"inf", "-inf", "nan", "1e999", "0x10", "1.5x", "", "-", "+-1", "1 2"}) {
        double d = 0;
        EXPECT_FALSE(parseDouble(word, &d)) << word;
    }
    long long i = 0;
    EXPECT_TRUE(parseInt("+42", 0, 100, &i));
    EXPECT_EQ(i, 42);
    EXPECT_FALSE(parseInt("101", 0, 100, &i));
    EXPECT_FALSE(parseInt("4.0", 0, 100, &i));
}

TEST(TextCodec, QuotedStringsKeepEveryByte) {
    const std::string text = std::string("a \"b\" \\ c\n\t\r") + '\x01' + '\x7f' + "\xc3\xa9";
    std::string quoted;
    appendQuoted(quoted, text);
    EXPECT_EQ(quoted.find('\n'), std::string::npos) << "a line break would end the statement";
    std::string back;
    std::size_t end = 0;
    ASSERT_TRUE(parseQuoted(quoted, 0, &back, &end));
    EXPECT_EQ(back, text);
    EXPECT_EQ(end, quoted.size());
    for (const char* bad : {"\"open", "\"bad \\q escape\"", "\"\\x4\"", "\"line\nbreak\""})
        EXPECT_FALSE(parseQuoted(bad, 0, &back, &end)) << bad;
}

TEST(TextCodec, Base64RoundTripsAnyLengthAndRefusesDamage) {
    std::mt19937 random(7);
    // Long enough for the decoder's parallel path too.
    for (std::size_t size : {0, 1, 2, 3, 4, 5, 100, 3 << 18, (3 << 18) + 2}) {
        std::vector<unsigned char> bytes(size);
        for (auto& b : bytes) b = static_cast<unsigned char>(random());
        std::string text;
        // Written in uneven pieces, as the writer streams arrays.
        Base64Writer writer(text);
        for (std::size_t at = 0; at < size; at += 7)
            writer.write(bytes.data() + at, std::min<std::size_t>(7, size - at));
        writer.finish();
        std::string whole;
        appendBase64(whole, bytes.data(), size);
        EXPECT_EQ(text, whole);
        ASSERT_EQ(text.size(), base64Length(size));
        std::vector<unsigned char> back(size);
        ASSERT_TRUE(decodeBase64(text, back.data(), size));
        EXPECT_EQ(back, bytes);
        if (size == 0) continue;
        std::string damaged = text;
        damaged[damaged.size() / 2] = '#';
        EXPECT_FALSE(decodeBase64(damaged, back.data(), size)) << size;
        EXPECT_FALSE(decodeBase64(text.substr(1), back.data(), size)) << size;
    }
    std::vector<unsigned char> two(2);
    EXPECT_FALSE(decodeBase64("AAA", two.data(), 2));
    EXPECT_FALSE(decodeBase64("AAAA", two.data(), 2)) << "the last group must be padded";
}

std::string refusal(const std::string& text, int* line) {
    const auto parsed = parseScene(text);
    const ParseError* e = std::get_if<ParseError>(&parsed);
    if (!e) return "(accepted)";
    *line = e->line;
    return e->message;
}

TEST(SceneParser, RefusesWhatTheFormatDoesNotSay) {
    const std::string big = "tscene 1\nnode mesh m {\n    mesh {\n";
    const struct {
        const char* name;
        std::string text;
        int line;
        const char* says;
    } cases[] = {
        {"empty file", "", 1, "an empty file"},
        {"another format", "solid cube\n", 1, "expected \"tscene\""},
        {"newer format", "tscene 2\n", 1, "written by a newer tarn"},
        {"command text", "tscene 1\nprint \"hi\";\n", 2, "expected a statement"},
        {"command inside a node", "tscene 1\nnode transform t {\n  polyCube;\n}\n", 3,
         "expected an attribute name"},
        {"command as a value", "tscene 1\nnode transform t {\n  translate = `pwd`\n}\n", 3,
         "expected a number"},
        {"node never closed", "tscene 1\nnode transform t {\n  translate = 1 2 3\n", 2,
         "not closed"},
        {"type not a name", "tscene 1\nnode trans-form t {\n}\n", 2, "expected a node type"},
        {"not a number", "tscene 1\nnode transform t {\n  translate = nan 0 0\n}\n", 3,
         "expected a number"},
        {"string not closed", "tscene 1\nnode file f {\n  fileTextureName = \"a.png\n}\n", 3,
         "not closed"},
        {"extra words", "tscene 1\ncamera cam now\n", 2, "expected the end of the line"},
        {"count beyond any file", big + "        points 300000000 [\n", 4, "from 0 to"},
        {"count beyond this file", big + "        points 1000000 [0 0 0]\n", 4,
         "more than the file holds"},
        {"base64 count beyond this file", big + "        points 100000 base64 AAAA\n", 4,
         "more than the file holds"},
        {"short array", big + "        faces 3 [4 4]\n", 4, "3 numbers expected, 2 given"},
        {"long array", big + "        faces 2 [4 4 4]\n", 4, "more than 2"},
        {"bad base64", big + "        faces 1 base64 AA#AAA==\n", 4, "outside its alphabet"},
        {"truncated base64", big + "        faces 2 base64 AAAA\n", 4, "more than the file holds"},
        {"base64 too long", big + "        faces 1 base64 AAAAAA==AAAA\n        }\n", 4,
         "but it is longer"},
        {"statement twice", big + "        points 0 []\n        points 0 []\n", 5, "given twice"},
        {"unknown mesh statement", big + "        normals 0 []\n", 4, "expected a mesh statement"},
        {"bad option kind", "tscene 1\noption \"scene_x\" matrix 1\n", 2, "intArray"},
        {"plug-in as a path", "tscene 1\nrequires \"../evil\" \"1\"\n", 2, "bare name"},
        {"second selection", "tscene 1\nselect a\nselect b\n", 3, "second"},
        {"bad face range", "tscene 1\nnode mesh m {\n  shading sg 5:2\n}\n", 3, "range of faces"},
    };
    for (const auto& c : cases) {
        int line = -1;
        const std::string message = refusal(c.text, &line);
        EXPECT_NE(message.find(c.says), std::string::npos) << c.name << ": " << message;
        EXPECT_EQ(line, c.line) << c.name << ": " << message;
    }
}

TEST(SceneParser, ReadsEveryStatement) {
    const std::string text =
        "# a comment\n"
        "tscene 1\n"
        "requires \"meshKit\" \"1.0\"\n"
        "node transform t {\n"
        "    translate = 1 -2.5 3e2\n"
        "    lock translateX\n"
        "}\n"
        "node mesh s parent t {\n"
        "    pnts[3] = 0 1 0\n"
        "    pnts[3].pntx = 2\n"
        "    mesh {\n"
        "        points 3 base64 "
        "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAADwPwAAAAAAAAAAAAAAAAAA8D8AAAAAAAAAAAAAAA"
        "AAAAAA\n"
        "        faces 1 all 3\n"
        "        vertices 3 [0\n 1\n 2]\n"
        "        uvSet \"map one\" current {\n"
        "            uvs 1 [0.5 0.25]\n"
        "            ids 3 [0 0 -1]\n"
        "        }\n"
        "        group 4 1 [0]\n"
        "    }\n"
        "    shading sg 0\n"
        "}\n"
        "node file f plugin \"x\" {\n"
        "    fileTextureName = \"a \\\"b\\\".png\"\n"
        "}\n"
        "connect a.outColor b.color\n"
        "select t s.vtx[0:2]\n"
        "camera cam\n"
        "option \"scene_units\" stringArray \"cm\" \"m\"\n";
    auto parsed = parseScene(text);
    ASSERT_TRUE(std::holds_alternative<SceneDocument>(parsed))
        << std::get<ParseError>(parsed).message;
    const SceneDocument& doc = std::get<SceneDocument>(parsed);
    EXPECT_EQ(doc.version, 1);
    ASSERT_EQ(doc.plugins.size(), 1u);
    EXPECT_EQ(doc.plugins[0].version, "1.0");
    ASSERT_EQ(doc.nodes.size(), 3u);
    const NodeDecl& t = doc.nodes[0];
    ASSERT_EQ(t.values.size(), 1u);
    EXPECT_EQ(t.values[0].numbers, (std::vector<double>{1, -2.5, 300}));
    EXPECT_EQ(t.values[0].line, 5);
    ASSERT_EQ(t.locks.size(), 1u);
    EXPECT_EQ(t.body, "    translate = 1 -2.5 3e2\n    lock translateX\n");
    const NodeDecl& s = doc.nodes[1];
    EXPECT_EQ(s.parent, "t");
    ASSERT_EQ(s.values.size(), 2u);
    EXPECT_EQ(s.values[0].index, 3);
    EXPECT_EQ(s.values[1].leaf, "pntx");
    ASSERT_TRUE(s.mesh);
    EXPECT_EQ(s.mesh->points.size(), 3u);
    EXPECT_EQ(s.mesh->points[1].y, 1.0);
    EXPECT_EQ(s.mesh->points[2].x, 1.0);
    EXPECT_EQ(s.mesh->counts, (std::vector<int>{3}));
    EXPECT_EQ(s.mesh->vertices, (std::vector<int>{0, 1, 2}));
    ASSERT_EQ(s.mesh->uvSets.size(), 1u);
    EXPECT_EQ(s.mesh->uvSets[0].name, "map one");
    EXPECT_TRUE(s.mesh->uvSets[0].current);
    EXPECT_EQ(s.mesh->uvSets[0].list, (std::vector<int>{0, 0, -1}));
    EXPECT_EQ(s.mesh->groups.at(4), (std::vector<int>{0}));
    ASSERT_EQ(s.shading.size(), 1u);
    EXPECT_EQ(s.shading[0].ranges, (std::vector<std::pair<int, int>>{{0, 0}}));
    EXPECT_EQ(doc.nodes[2].plugin, "x");
    EXPECT_EQ(doc.nodes[2].values[0].text, "a \"b\".png");
    ASSERT_EQ(doc.connections.size(), 1u);
    EXPECT_EQ(doc.connections[0].destination, "b.color");
    EXPECT_EQ(doc.selection, (std::vector<std::string>{"t", "s.vtx[0:2]"}));
    EXPECT_EQ(doc.camera, "cam");
    ASSERT_EQ(doc.options.size(), 1u);
    EXPECT_EQ(doc.options[0].strings, (std::vector<std::string>{"cm", "m"}));
}

}  // namespace
}  // namespace tarn::scenefile
