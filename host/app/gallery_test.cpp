// The gallery: splitting scripts into captioned steps, the page's escaping and links, reading
// picture sizes from PNG headers, and the runner with sections of its own (skipped, failing,
// writing other files).

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "host/app/gallery_page.h"
#include "host/app/gallery_runner.h"
#include "host/app/gallery_script.h"

namespace tarn::app {
namespace {

TEST(GalleryScript, SplitsAtCaptionLines) {
    struct Case {
        const char* name;
        const char* text;
        std::vector<std::string> captions;  // preamble first ("")
        std::vector<std::string> codes;
        std::vector<int> firstLines;
    };
    const Case cases[] = {
        {"empty", "", {""}, {""}, {1}},
        {"preamble only", "a;\nb;\n", {""}, {"a;\nb;\n"}, {1}},
        {"two steps",
         "p;\n//> one\nx;\n//> two\ny;\nz;",
         {"", "one", "two"},
         {"p;\n", "x;\n", "y;\nz;"},
         {1, 3, 5}},
        {"indented marker, blanks trimmed",
         "  //>   spaced caption  \nx;\n",
         {"", "spaced caption"},
         {"", "x;\n"},
         {1, 2}},
        {"CRLF line ends", "p;\r\n//> c\r\nx;\r\n", {"", "c"}, {"p;\r\n", "x;\r\n"}, {1, 3}},
        {"caption with no code", "//> a\n//> b\nx;", {"", "a", "b"}, {"", "", "x;"}, {1, 2, 3}},
        {"ordinary comments stay code",
         "// note\n//not a step\n",
         {""},
         {"// note\n//not a step\n"},
         {1}},
        {"marker inside a line is code", "x; //> not a step\n", {""}, {"x; //> not a step\n"}, {1}},
    };
    for (const Case& c : cases) {
        const std::vector<ScriptStep> steps = splitGalleryScript(c.text);
        ASSERT_EQ(steps.size(), c.captions.size()) << c.name;
        for (std::size_t i = 0; i < steps.size(); ++i) {
            EXPECT_EQ(steps[i].caption, c.captions[i]) << c.name << " step " << i;
            EXPECT_EQ(steps[i].code, c.codes[i]) << c.name << " step " << i;
            EXPECT_EQ(steps[i].firstLine, c.firstLines[i]) << c.name << " step " << i;
        }
    }
}

TEST(GalleryScript, TrimmedCodeDropsOuterBlankLinesOnly) {
    const std::pair<const char*, const char*> cases[] = {
        {"", ""},
        {"\n\n  \n", ""},
        {"\n\nx;\n\n", "x;"},
        {"\n    indented;\n  \n  more;\n\n", "    indented;\n  \n  more;"},
        {"\r\nx;\r\n\r\n", "x;"},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(trimmedCode(in), out) << in;
}

TEST(GalleryPage, EscapesTextAndLinks) {
    EXPECT_EQ(htmlEscape("a<b>&\"c'"), "a&lt;b&gt;&amp;&quot;c&#39;");
    EXPECT_EQ(htmlEscape("plain text"), "plain text");
    const std::pair<const char*, const char*> urls[] = {
        {"textures/denim_default.png", "textures/denim_default.png"},
        {"a b/c#1?.png", "a%20b/c%231%3F.png"},
        {"100%.png", "100%25.png"},
        {"caf\xc3\xa9.png", "caf%C3%A9.png"},
        {"x\"><script>.png", "x%22%3E%3Cscript%3E.png"},
    };
    for (const auto& [in, out] : urls) EXPECT_EQ(urlPath(in), out) << in;
}

TEST(GalleryPage, ShowsEveryFileStepAndSkip) {
    GallerySectionResult ran;
    ran.id = "textures";
    ran.title = "2D <textures>";
    ran.scriptPath = "examples/gallery/textures.tcs";
    ran.scriptLink = "textures/textures.tcs";
    GalleryStep step;
    step.caption = "denim: defaults";
    step.code = "if ($a < 2) textureSwatch -o \"x.png\" denim1;";
    step.files = {{"textures/my file.png", 32, 16}, {"textures/scene.obj", 0, 0}};
    step.error = "Stopped at x:3: <boom>";
    ran.steps.push_back(step);
    GallerySectionResult skipped;
    skipped.id = "meshes";
    skipped.title = "Mesh operations";
    skipped.skipped = "the plug-in meshKit is not built.";

    const std::string html = galleryPage({ran, skipped}, "made in 1 s");
    const std::vector<std::string> expected = {
        "<img src=\"textures/my%20file.png\" width=\"32\" height=\"16\"",
        "<a href=\"textures/scene.obj\">scene.obj</a>",
        "<a href=\"textures/textures.tcs\">examples/gallery/textures.tcs</a>",
        "if ($a &lt; 2) textureSwatch -o &quot;x.png&quot; denim1;",
        "Stopped at x:3: &lt;boom&gt;",
        "<h2>2D &lt;textures&gt;</h2>",
        "Skipped: the plug-in meshKit is not built.",
        "<a href=\"#meshes\">Mesh operations</a>",
        "<footer>made in 1 s</footer>",
        "data-checked=\"no\"",
    };
    for (const std::string& piece : expected)
        EXPECT_NE(html.find(piece), std::string::npos) << piece;
    // Self-contained: nothing fetched from elsewhere.
    for (const char* remote : {"http:", "https:", "//cdn", "<link", "src=\"/"})
        EXPECT_EQ(html.find(remote), std::string::npos) << remote;
}

TEST(GalleryPage, ReadsPngSizesAndRefusesOtherFiles) {
    const std::string dir = ::testing::TempDir();
    auto write = [&](const std::string& name, const std::string& bytes) {
        std::ofstream(dir + name, std::ios::binary) << bytes;
        return dir + name;
    };
    const std::string sig = "\x89PNG\r\n\x1a\n";
    const std::string ihdr = std::string("\0\0\0\x0dIHDR", 8);
    // 300 x 2 (0x12c x 0x2), followed by the rest of a header chunk.
    const std::string good = sig + ihdr + std::string("\0\0\x01\x2c\0\0\0\x02\x08\x02\0\0\0", 13);
    struct Case {
        const char* name;
        std::string bytes;
        bool ok;
        int w, h;
    };
    const Case cases[] = {
        {"good.png", good, true, 300, 2},
        {"short.png", good.substr(0, 20), false, 0, 0},
        {"text.png", "not a picture at all, just words", false, 0, 0},
        {"zero.png", sig + ihdr + std::string("\0\0\0\0\0\0\0\x02", 8), false, 0, 0},
        {"huge.png", sig + ihdr + std::string("\x80\0\0\0\0\0\0\x02", 8), false, 0, 0},
        {"notihdr.png", sig + std::string("\0\0\0\x0dIDAT", 8) + good.substr(16), false, 0, 0},
    };
    for (const Case& c : cases) {
        int w = 0, h = 0;
        EXPECT_EQ(readPngSize(write(c.name, c.bytes), &w, &h), c.ok) << c.name;
        if (c.ok) {
            EXPECT_EQ(w, c.w) << c.name;
            EXPECT_EQ(h, c.h) << c.name;
        }
    }
    int w = 0, h = 0;
    EXPECT_FALSE(readPngSize(dir + "no_such_file.png", &w, &h));
}

namespace fs = std::filesystem;

std::string readAll(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class GalleryRunner : public ::testing::Test {
protected:
    void SetUp() override {
        m_root = fs::path(::testing::TempDir()) / ("gallery_runner_" + std::to_string(getpid()));
        fs::remove_all(m_root);
        fs::create_directories(m_root / "examples" / "gallery");
        m_options.examples = (m_root / "examples").string();
        m_options.out = (m_root / "out").string();
    }
    void TearDown() override { fs::remove_all(m_root); }
    void script(const std::string& name, const std::string& text) {
        std::ofstream(m_root / "examples" / "gallery" / name) << text;
    }
    fs::path m_root;
    GalleryOptions m_options;
};

TEST_F(GalleryRunner, StepsKeepTheirFilesAndAFailureStopsOnlyItsSection) {
    // Pictures come from the host's own commands; files of other kinds are linked.
    script("good.tcs",
           "global string $gGalleryOut;\n"
           "polyCube -n box;\n"
           "//> a cube\n"
           "viewSnapshot -width 20 -height 10 -o ($gGalleryOut + \"cube.png\");\n"
           "//> its OBJ\n"
           "exportObj ($gGalleryOut + \"cube file.obj\") box;\n"
           "print \"exported\\n\";\n");
    script("bad.tcs",
           "//> fine\n"
           "print \"one\\n\";\n"
           "//> broken\n"
           "print \"two\\n\";\n"
           "noSuchCommand 1;\n"
           "//> never runs\n"
           "print \"three\\n\";\n");
    // Each section starts from the scene a script run alone starts from.
    script("after.tcs", "//> after\nprint (\"boxes: \" + size(`ls box`) + \"\\n\");\n");
    const std::vector<GallerySection> sections = {
        {"bad", "Bad", "gallery/bad.tcs", {}, "fails"},
        {"missing", "Missing plug-in", "gallery/good.tcs", {"noSuchPluginAnywhere"}, "skipped"},
        {"good", "Good", "gallery/good.tcs", {}, "works"},
        {"after", "After", "gallery/after.tcs", {}, "a fresh scene"},
    };
    EXPECT_EQ(runGallery(m_options, sections), 1);

    const fs::path out = m_options.out;
    int w = 0, h = 0;
    ASSERT_TRUE(readPngSize((out / "good" / "cube.png").string(), &w, &h));
    EXPECT_EQ(w, 20);
    EXPECT_EQ(h, 10);
    EXPECT_TRUE(fs::exists(out / "good" / "good.tcs"));
    EXPECT_FALSE(fs::exists(out / "missing"));

    const std::string html = readAll(out / "index.html");
    const std::vector<std::string> expected = {
        "<img src=\"good/cube.png\" width=\"20\" height=\"10\"",
        "<a href=\"good/cube%20file.obj\">cube file.obj</a>",
        "<pre class=\"output\">exported\n</pre>",
        "Skipped: the plug-in noSuchPluginAnywhere is not built.",
        "Stopped at examples/gallery/bad.tcs:5: Cannot find procedure",
        "<pre class=\"output\">one\n</pre>",
        "Set-up lines of the script",
        "<pre class=\"output\">boxes: 0\n</pre>",
    };
    for (const std::string& piece : expected)
        EXPECT_NE(html.find(piece), std::string::npos) << piece;
    // The failing step ends its section: the step after it never ran.
    EXPECT_EQ(html.find("never runs"), std::string::npos);
}

TEST_F(GalleryRunner, RefusesAnOutputFolderThatIsAFile) {
    std::ofstream(m_options.out) << "a file";
    EXPECT_EQ(runGallery(m_options, {}), 1);
    EXPECT_EQ(readAll(m_options.out), "a file");
}

}  // namespace
}  // namespace tarn::app
