// surfaceBake loaded into the host: flags, sizes, the baked pixels of each attribute, output
// names, every image format through an independent reader, the texture script and undo.
//
// The tests run in a temporary working folder, with TMPDIR (the default output folder) set to a
// folder of their own.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "frame/host_sdk.h"
#include "host/lang/journal.h"
#include "host/plugins/plugin_loader.h"
#include "host/sdk/host_output.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include "stb_image.h"
#pragma GCC diagnostic pop

namespace fs = std::filesystem;

namespace {

struct Outcome {
    bool ok;
    std::string result;   // as the shell shows it
    std::string error;    // the error messages of the command
    std::string warning;  // its warnings
    std::string info;     // its information messages
};

Outcome run(const std::string& text) {
    tarn::output::Capture capture;
    KString result;
    const KStatus st = KGlobal::executeCommand(KString(text), result);
    using tarn::output::Channel;
    return {bool(st), result.asChar(), capture.text(Channel::kError),
            capture.text(Channel::kWarning), capture.text(Channel::kInfo)};
}

/// A baked image as RGBA rows, bottom row first (the KImage layout).
struct Baked {
    unsigned width = 0, height = 0;
    std::vector<unsigned char> px;
    const unsigned char* at(unsigned x, unsigned y) const { return &px[(x + y * width) * 4]; }
};

Baked readBaked(const std::string& file) {
    Baked b;
    KImage image;
    EXPECT_TRUE(image.readFromFile(KString(file))) << file << ": " << image.errorString().asChar();
    if (!image.pixels()) return b;
    image.getSize(b.width, b.height);
    EXPECT_EQ(image.depth(), 4u);
    b.px.assign(image.pixels(), image.pixels() + b.width * b.height * 4);
    return b;
}

class SurfaceBakeTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        auto& loader = tarn::plugins::PluginLoader::instance();
        if (!loader.find("surfaceBake")) {
            std::string error;
            ASSERT_FALSE(
                loader.load(std::string(TARN_PLUGIN_DIR) + "/surfaceBake.so", &error).error())
                << error;
        }
        s_dir = fs::temp_directory_path() / ("tarn_bake_test_" + std::to_string(::getpid()));
        fs::remove_all(s_dir);
        fs::create_directories(s_dir / "tmp");
        s_oldDir = fs::current_path();
        fs::current_path(s_dir);
        const char* tmp = std::getenv("TMPDIR");
        s_hadTmpDir = tmp != nullptr;
        if (tmp) s_oldTmpDir = tmp;
        ::setenv("TMPDIR", (s_dir / "tmp").c_str(), 1);
    }
    static void TearDownTestSuite() {
        if (s_hadTmpDir)
            ::setenv("TMPDIR", s_oldTmpDir.c_str(), 1);
        else
            ::unsetenv("TMPDIR");
        fs::current_path(s_oldDir);
        fs::remove_all(s_dir);
    }
    void SetUp() override { run("select -cl"); }

    /// A file of the default output folder.
    static std::string inTmp(const std::string& name) { return (s_dir / "tmp" / name).string(); }

    static fs::path s_dir, s_oldDir;
    static std::string s_oldTmpDir;
    static bool s_hadTmpDir;
};

fs::path SurfaceBakeTest::s_dir, SurfaceBakeTest::s_oldDir;
std::string SurfaceBakeTest::s_oldTmpDir;
bool SurfaceBakeTest::s_hadTmpDir = false;

TEST_F(SurfaceBakeTest, HelpTextIsSeventeenLines) {
    const char* const lines[] = {
        "Synopsis : surfaceBake [flags]\n",
        "   -at/attribute [string]\t: Attribute to bake to map. Where [string] is\n",
        "                             position, normal, tangent, binormal, uv or color. Default "
        "value is uv\n",
        "   -ca/copyAttrib          : Copy the attribute from the second selected surface to the "
        "first\n",
        "   -cf/createFileTextureNode : Create a file texture and 2D placement node. This is\n",
        "                               done by default\n",
        "   -dac/defaultAttributeColor : Default color when no attribute value specified on the "
        "geometry\n",
        "                                Default is black (RGBA=0,0,0,1).\n",
        "   -dbc/defaultBackgroundColor : Default background color. Default is black "
        "(RGBA=0,0,0,1)\n",
        "   -fn/fileName            : Filename path + filename to write image as (including "
        "extension).\n",
        "                             Default value is "
        "$TMPDIR/<polyPathName>_<attributeName>.<outputType> (/tmp when TMPDIR is unset).",
        "                             If a value is specified than the name is "
        "<fileName>_<polyPathName>_<attributeName>.<outputType>",
        "   -fo/fileOutputType      : File output type.\n",
        "                             Default type is \"iff\".\n",
        "   -ht/height              : Height of image to write to disk. Default is 512.\n",
        "   -h/help                 : Print this help message.\n   -os/objectSpace         : "
        "Compute normals and positions in object space. Default is world space.\n",
        "   -wt/width               : Width of image to write to disk. Default is 512.\n",
    };
    for (const char* flag : {"-h", "-help", "-wt 8 -h"}) {
        KStringArray result;
        ASSERT_TRUE(KGlobal::executeCommand(KString("surfaceBake ") + flag, result)) << flag;
        ASSERT_EQ(result.length(), 17u) << flag;
        for (unsigned i = 0; i < 17; ++i) EXPECT_EQ(result[i], lines[i]) << flag << " line " << i;
    }
}

TEST_F(SurfaceBakeTest, BadFlagsAndNothingSelected) {
    struct Case {
        const char* args;
        const char* error;
    };
    const Case cases[] = {
        {"-bogus", "Invalid flag: -bogus"},
        {"-ca", "Invalid flag: -ca"},
        {"-Width 8", "Invalid flag: -Width"},
        {"-wt 8 extra", "Invalid flag: extra"},
        {"", "No objects selected for command to work on."},
        {"-wt 16 -at normal", "No objects selected for command to work on."},
        {"-wt 9000", "at most 8192"},
    };
    for (const Case& c : cases) {
        const Outcome r = run(std::string("surfaceBake ") + c.args);
        EXPECT_FALSE(r.ok) << c.args;
        EXPECT_NE(r.error.find(c.error), std::string::npos) << c.args << ": " << r.error;
    }
}

TEST_F(SurfaceBakeTest, SizesAndBackground) {
    ASSERT_TRUE(run("polyPlane -w 2 -h 1 -sx 1 -sy 1 -n sizePlane").ok);
    run("select sizePlane");
    struct Case {
        const char* flags;
        unsigned width, height;
    };
    const Case cases[] = {
        {"-wt 0 -ht 300", 300, 300}, {"-wt 1 -ht 4", 2, 4},  {"-ht 0 -wt 6", 6, 6},
        {"-wt 64 -ht 24", 64, 24},   {"-wt -5 -ht 3", 2, 3}, {"-wt x -ht 5", 512, 5},
    };
    for (const Case& c : cases) {
        // A colour bake of a mesh without colours leaves the background everywhere.
        const Outcome r =
            run(std::string("surfaceBake -cf 0 -at color -dbc 0.2 0.4 0.6 1 ") + c.flags);
        ASSERT_TRUE(r.ok) << c.flags << r.error;
        const Baked b = readBaked(inTmp("sizePlane_color.iff"));
        EXPECT_EQ(b.width, c.width) << c.flags;
        EXPECT_EQ(b.height, c.height) << c.flags;
        for (unsigned i = 0; i < b.width * b.height; ++i) {
            const unsigned char* p = &b.px[i * 4];
            ASSERT_TRUE(p[0] == 51 && p[1] == 102 && p[2] == 153 && p[3] == 255)
                << c.flags << " pixel " << i;
        }
    }
    // Background values are clamped to 0..1; a value that is not a number keeps its channel.
    ASSERT_TRUE(run("surfaceBake -cf 0 -at color -wt 4 -ht 4 -dbc 2 -1 x 0.5").ok);
    const Baked b = readBaked(inTmp("sizePlane_color.iff"));
    EXPECT_EQ(std::vector<unsigned char>(b.px.begin(), b.px.begin() + 4),
              (std::vector<unsigned char>{255, 0, 0, 127}));
}

TEST_F(SurfaceBakeTest, UvBakeOfTheUnitSquare) {
    ASSERT_TRUE(run("polyPlane -w 3 -h 3 -sx 1 -sy 1 -n uvPlane").ok);
    run("select uvPlane");
    // Widths that are powers of two keep u x 255 off whole numbers at every texel centre.
    ASSERT_TRUE(run("surfaceBake -cf 0 -wt 64 -ht 32").ok);
    const Baked b = readBaked(inTmp("uvPlane_uv.iff"));
    ASSERT_EQ(b.width, 64u);
    for (unsigned y = 0; y < 32; ++y)
        for (unsigned x = 0; x < 64; ++x) {
            const unsigned char* p = b.at(x, y);
            ASSERT_EQ(p[0], int((x + 0.5) / 64 * 255)) << x << "," << y;
            ASSERT_EQ(p[1], int((y + 0.5) / 32 * 255)) << x << "," << y;
            ASSERT_EQ(p[2], 0);
            ASSERT_EQ(p[3], 255);
        }
}

TEST_F(SurfaceBakeTest, FaceSelectionsBakeOnlyTheirFaces) {
    ASSERT_TRUE(run("polyPlane -w 2 -h 1 -sx 2 -sy 1 -n halfPlane").ok);
    ASSERT_TRUE(run("select halfPlane.f[0]").ok);
    ASSERT_TRUE(run("surfaceBake -cf 0 -wt 16 -ht 8 -dbc 0 0 1 1").ok);
    // A face selection's path ends at the shape, which names the file.
    const Baked b = readBaked(inTmp("halfPlaneShape_uv.iff"));
    ASSERT_EQ(b.width, 16u);
    int baked = 0, background = 0;
    for (unsigned y = 0; y < 8; ++y)
        for (unsigned x = 0; x < 16; ++x) {
            const bool isBackground = b.at(x, y)[2] == 255;
            (isBackground ? background : baked)++;
            EXPECT_EQ(isBackground, x >= 8) << x << "," << y;
        }
    EXPECT_EQ(baked, 64);
}

TEST_F(SurfaceBakeTest, OutputNamesFromTheFileNameBase) {
    fs::create_directories("named");
    ASSERT_TRUE(run("polyPlane -sx 1 -sy 1 -n M1").ok);
    ASSERT_TRUE(run("polyPlane -sx 1 -sy 1 -n M2").ok);
    ASSERT_TRUE(run("select M1 M2").ok);
    const Outcome r = run("surfaceBake -cf 0 -wt 4 -ht 4 -fn \"named\\\\B\"");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_TRUE(fs::exists("named/B_M1_uv.iff"));
    EXPECT_TRUE(fs::exists("named/B_M2_uv.iff"));
    EXPECT_NE(r.result.find("named/B_M1_uv.iff"), std::string::npos) << r.result;

    ASSERT_TRUE(run("surfaceBake -cf 0 -wt 4 -ht 4 -fo png -at normal").ok);
    EXPECT_TRUE(fs::exists(inTmp("M1_normal.png")));
    EXPECT_TRUE(fs::exists(inTmp("M2_normal.png")));
}

// The mesh normal at each corner whose UV falls on a texel centre, and the baked pixel there.
TEST_F(SurfaceBakeTest, NormalsDecodeToTheMeshNormals) {
    ASSERT_TRUE(run("polySphere -r 2 -sx 16 -sy 8 -n ball").ok);
    ASSERT_TRUE(run("xform -t 3 1 0 ball").ok);
    run("select ball");
    // 24 = 1.5 x 16 and 12 = 1.5 x 8: odd grid lines of the UVs land on texel centres.
    const unsigned w = 24, h = 12;
    for (const char* space : {"0", "1"}) {
        ASSERT_TRUE(run(std::string("surfaceBake -cf 0 -at normal -wt 24 -ht 12 -os ") + space).ok);
        const Baked b = readBaked(inTmp("ball_normal.iff"));
        KSelectionList sel;
        sel.add(KString("ball"));
        KDagPath path;
        sel.getDagPath(0, path);
        int checked = 0;
        for (KItMeshPolygon it(path); !it.isDone(); it.next()) {
            KFloatArray u, v;
            KVectorArray normals;
            it.getUVs(u, v);
            it.getNormals(normals, *space == '1' ? KSpace::kObject : KSpace::kWorld);
            for (unsigned k = 0; k < u.length(); ++k) {
                const double px = u[k] * w - 0.5, py = v[k] * h - 0.5;
                if (std::fabs(px - std::round(px)) > 1e-6 || std::fabs(py - std::round(py)) > 1e-6)
                    continue;
                const unsigned char* p = b.at(unsigned(std::lround(px)), unsigned(std::lround(py)));
                for (unsigned c = 0; c < 3; ++c) {
                    const int want = int((normals[k][c] + 1.0) * 127.0 + 0.5);
                    EXPECT_LE(std::abs(int(p[c]) - want), 1) << space << " corner " << k;
                }
                ++checked;
            }
        }
        EXPECT_GT(checked, 20);
    }
}

// Decodes a baked direction.
void decode(const unsigned char* p, double out[3]) {
    for (int c = 0; c < 3; ++c) out[c] = (p[c] - 0.5) / 127.0 - 1.0;
}

TEST_F(SurfaceBakeTest, TangentsAndBinormalsAreOrthogonalToTheNormals) {
    ASSERT_TRUE(run("polySphere -r 1 -sx 32 -sy 16 -n tball").ok);
    run("select tball");
    const std::string common = "surfaceBake -cf 0 -wt 64 -ht 64 -dbc 0 0 0 0 -at ";
    ASSERT_TRUE(run(common + "normal").ok);
    ASSERT_TRUE(run(common + "tangent").ok);
    ASSERT_TRUE(run(common + "binormal").ok);
    const Baked n = readBaked(inTmp("tball_normal.iff"));
    const Baked t = readBaked(inTmp("tball_tangent.iff"));
    const Baked bn = readBaked(inTmp("tball_binormal.iff"));
    int covered = 0;
    double worst = 0.0;
    for (unsigned y = 4; y < 60; ++y)  // away from the poles, where the sphere's UVs pinch
        for (unsigned x = 0; x < 64; ++x) {
            if (n.at(x, y)[3] == 0 || t.at(x, y)[3] == 0 || bn.at(x, y)[3] == 0) continue;
            double a[3], b[3], c[3];
            decode(n.at(x, y), a);
            decode(t.at(x, y), b);
            decode(bn.at(x, y), c);
            worst = std::max({worst, std::fabs(a[0] * b[0] + a[1] * b[1] + a[2] * b[2]),
                              std::fabs(a[0] * c[0] + a[1] * c[1] + a[2] * c[2])});
            EXPECT_NEAR(std::sqrt(b[0] * b[0] + b[1] * b[1] + b[2] * b[2]), 1.0, 0.03);
            ++covered;
        }
    EXPECT_GT(covered, 64 * 50);
    EXPECT_LT(worst, 0.08);
}

TEST_F(SurfaceBakeTest, PositionsUseTheBoxOfTheSampledPoints) {
    ASSERT_TRUE(run("polySphere -r 1 -sx 12 -sy 6 -n pball").ok);
    run("select pball");
    const std::string bake = "surfaceBake -cf 0 -wt 32 -ht 32 -at position ";
    ASSERT_TRUE(run(bake + "-os 0").ok);
    const Baked before = readBaked(inTmp("pball_position.iff"));
    // Moved far away, the world-space box moves with it: the same bytes, no wrapping.
    ASSERT_TRUE(run("xform -t 40 -7 300 pball").ok);
    ASSERT_TRUE(run(bake + "-os 0").ok);
    EXPECT_EQ(readBaked(inTmp("pball_position.iff")).px, before.px);
    ASSERT_TRUE(run(bake + "-os 1").ok);
    EXPECT_EQ(readBaked(inTmp("pball_position.iff")).px, before.px);
    // The sphere reaches both ends of the box on each axis.
    int lo[3] = {255, 255, 255}, hi[3] = {0, 0, 0};
    for (unsigned i = 0; i < 32 * 32; ++i)
        for (int c = 0; c < 3; ++c) {
            lo[c] = std::min<int>(lo[c], before.px[i * 4 + c]);
            hi[c] = std::max<int>(hi[c], before.px[i * 4 + c]);
        }
    for (int c = 0; c < 3; ++c) {
        EXPECT_LT(lo[c], 40) << c;
        EXPECT_GT(hi[c], 215) << c;
    }

    // A flat plane has no height: that axis maps to 0 rather than dividing by zero.
    ASSERT_TRUE(run("polyPlane -w 2 -h 2 -sx 2 -sy 2 -n flatPlane").ok);
    run("select flatPlane");
    ASSERT_TRUE(run(bake).ok);
    const Baked flat = readBaked(inTmp("flatPlane_position.iff"));
    for (unsigned i = 0; i < 32 * 32; ++i) ASSERT_EQ(flat.px[i * 4 + 1], 0) << i;
}

TEST_F(SurfaceBakeTest, ColoursWithUnsetChannelsTakeTheDefault) {
    ASSERT_TRUE(run("polyPlane -sx 1 -sy 1 -n colorPlane").ok);
    KSelectionList sel;
    sel.add(KString("colorPlane"));
    KDagPath path;
    sel.getDagPath(0, path);
    KFnMesh mesh(path);
    for (int corner = 0; corner < 4; ++corner) {
        KIntArray vertices;
        mesh.getPolygonVertices(0, vertices);
        ASSERT_TRUE(mesh.setFaceVertexColor(KColor(0.5f, 0.25f, 3.0f, -1.0f), 0,
                                            vertices[unsigned(corner)]));
    }
    run("select colorPlane");
    ASSERT_TRUE(run("surfaceBake -cf 0 -wt 8 -ht 8 -at color -dac 0 0 0 0.6").ok);
    const Baked b = readBaked(inTmp("colorPlane_color.iff"));
    for (unsigned i = 0; i < 64; ++i)
        ASSERT_EQ(std::vector<unsigned char>(&b.px[i * 4], &b.px[i * 4 + 4]),
                  (std::vector<unsigned char>{127, 63, 255, 153}))
            << i;
}

TEST_F(SurfaceBakeTest, MeshesThatCannotBeBakedAreSkipped) {
    // A quad made through the SDK has no UVs.
    KFloatPointArray points;
    for (const auto& [x, z] : {std::pair{0, 0}, {1, 0}, {1, 1}, {0, 1}})
        points.append(KFloatPoint(float(x), 0.0f, float(z)));
    KIntArray counts, connects;
    counts.append(4);
    for (int i = 0; i < 4; ++i) connects.append(i);
    KStatus made;
    const KObject bare = KFnMesh().create(4, 1, points, counts, connects, KObject::kNullObj, &made);
    ASSERT_TRUE(made);
    KFnDependencyNode(bare).setName("bareA");
    ASSERT_TRUE(run("polyPlane -sx 1 -sy 1 -n flatUV").ok);
    KSelectionList sel;
    sel.add(KString("flatUV"));
    KDagPath path;
    sel.getDagPath(0, path);
    KFnMesh mesh(path);
    KFloatArray u, v;
    mesh.getUVs(u, v);
    for (unsigned i = 0; i < u.length(); ++i) u[i] = 0.5f;  // every u equal: no area
    ASSERT_TRUE(mesh.setUVs(u, v));
    run("select bareA flatUV");
    const std::string files = run("ls -type file").result;
    const Outcome r = run("surfaceBake -wt 8 -ht 8");
    EXPECT_TRUE(r.ok) << r.error;
    EXPECT_NE(r.warning.find("bareA has no UVs; skipped"), std::string::npos) << r.warning;
    EXPECT_NE(r.warning.find("the UVs of flatUV span no area; skipped"), std::string::npos)
        << r.warning;
    EXPECT_FALSE(fs::exists(inTmp("bareA_uv.iff")));
    EXPECT_FALSE(fs::exists(inTmp("flatUV_uv.iff")));
    EXPECT_EQ(run("ls -type file").result, files);

    // A selection without any mesh bakes nothing and says so.
    ASSERT_TRUE(run("camera -n bakeCam").ok);
    run("select bakeCam");
    const Outcome none = run("surfaceBake -wt 8 -ht 8");
    EXPECT_TRUE(none.ok) << none.error;
    EXPECT_NE(none.warning.find("no polygon mesh among the selected objects"), std::string::npos)
        << none.warning;
    EXPECT_EQ(none.result, "");
}

TEST_F(SurfaceBakeTest, DefaultFolderIsTheTemporaryFolder) {
    ASSERT_TRUE(run("polyPlane -sx 1 -sy 1 -n tmpPlane").ok);
    run("select tmpPlane");
    struct Case {
        const char* what;
        std::string tmpdir;  // "" unsets TMPDIR
        std::string folder;  // where the file must go
    };
    const fs::path other = s_dir / "other tmp";
    fs::create_directories(other);
    const Case cases[] = {
        {"TMPDIR", (s_dir / "tmp").string(), (s_dir / "tmp").string()},
        {"TMPDIR with a trailing slash", other.string() + "/", other.string()},
        {"TMPDIR unset", "", "/tmp"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.tmpdir.empty())
            ::unsetenv("TMPDIR");
        else
            ::setenv("TMPDIR", c.tmpdir.c_str(), 1);
        // A name of this run only, since /tmp is shared.
        const std::string base = "tmpPlane" + std::to_string(::getpid());
        ASSERT_TRUE(run("rename tmpPlane " + base).ok);
        const Outcome r = run("surfaceBake -cf 0 -wt 4 -ht 4");
        ::setenv("TMPDIR", (s_dir / "tmp").c_str(), 1);
        ASSERT_TRUE(r.ok) << r.error;
        const std::string expected = c.folder + "/" + base + "_uv.iff";
        EXPECT_EQ(r.result, expected);
        EXPECT_TRUE(fs::is_regular_file(expected));
        fs::remove(expected);
        ASSERT_TRUE(run("rename " + base + " tmpPlane").ok);
    }
}

TEST_F(SurfaceBakeTest, ASharedShaderTakesOneTextureAndTheOtherMeshIsNamed) {
    // Both planes use the default shader: the second file texture finds its colour taken.
    ASSERT_TRUE(run("polyPlane -sx 1 -sy 1 -n shareA").ok);
    ASSERT_TRUE(run("polyPlane -sx 1 -sy 1 -n shareB").ok);
    run("select shareA shareB");
    auto fileNodes = [] {
        KStringArray nodes;
        KGlobal::executeCommand("ls -type file", nodes);
        return nodes;
    };
    const unsigned before = fileNodes().length();
    tarn::lang::journal().clear();
    // As a user runs it: one undo step at the top level.
    Outcome r;
    {
        tarn::output::Capture capture;
        KString result;
        r.ok = bool(KGlobal::executeCommand("surfaceBake -wt 4 -ht 4", result, false, true));
        r.result = result.asChar();
        r.error = capture.errors();
        r.warning = capture.warnings();
    }
    EXPECT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.warning, "surfaceBake: no file texture could be connected to shareB; its map " +
                             inTmp("shareB_uv.iff") + " is written all the same\n");
    // Both maps are on disk and answered; only the first mesh's texture nodes stay.
    EXPECT_TRUE(fs::exists(inTmp("shareA_uv.iff")));
    EXPECT_TRUE(fs::exists(inTmp("shareB_uv.iff")));
    EXPECT_EQ(r.result, inTmp("shareA_uv.iff") + " " + inTmp("shareB_uv.iff"));
    int scripts = 0, failedScripts = 0;
    for (const auto& e : tarn::lang::journal().entries())
        if (e.text.rfind("string $newFileName", 0) == 0) {
            ++scripts;
            failedScripts += e.status != 0;
        }
    EXPECT_EQ(scripts, 2);
    EXPECT_EQ(failedScripts, 1);
    // The failed script is taken back whole: one new file texture, the first mesh's.
    const KStringArray after = fileNodes();
    ASSERT_EQ(after.length(), before + 1);
    EXPECT_EQ(run("getAttr " + std::string(after[after.length() - 1].asChar()) + ".fileTextureName")
                  .result,
              inTmp("shareA_uv.iff"));
    // Undo frees the shared shader's colour for the tests after this one.
    ASSERT_TRUE(run("undo").ok);
    EXPECT_EQ(fileNodes().length(), before);
}

TEST_F(SurfaceBakeTest, AMeshWithoutFacesFailsBeforeAnythingIsWritten) {
    // Deleting every vertex with its faces leaves a mesh without faces (its UVs stay).
    ASSERT_TRUE(run("polyPlane -sx 1 -sy 1 -n fullPlane").ok);
    ASSERT_TRUE(run("polyPlane -sx 1 -sy 1 -n emptyPlane").ok);
    ASSERT_TRUE(run("polyDeleteVertex emptyPlane.vtx[0:3]").ok);
    ASSERT_EQ(run("polyEvaluate -f emptyPlane").result, "0");
    run("select fullPlane emptyPlane");
    const std::string files = run("ls -type file").result;
    const Outcome r = run("surfaceBake -wt 4 -ht 4");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, "surfaceBake: emptyPlane has no faces to bake\n");
    EXPECT_FALSE(fs::exists(inTmp("fullPlane_uv.iff")));
    EXPECT_FALSE(fs::exists(inTmp("emptyPlane_uv.iff")));
    EXPECT_EQ(run("ls -type file").result, files);
}

TEST_F(SurfaceBakeTest, FailedWritesFailAndMakeNoTexture) {
    ASSERT_TRUE(run("polyPlane -sx 1 -sy 1 -n failPlane").ok);
    run("select failPlane");
    const std::string before = run("ls -type file").result;
    struct Case {
        const char* flags;
        const char* error;
    };
    const Case cases[] = {
        {"-fn nosuchdir/x", "does not exist"},
        {"-fo gif", "unknown image format \"gif\""},
    };
    for (const Case& c : cases) {
        const Outcome r = run(std::string("surfaceBake -wt 8 -ht 8 ") + c.flags);
        EXPECT_FALSE(r.ok) << c.flags;
        EXPECT_NE(r.error.find(c.error), std::string::npos) << r.error;
        EXPECT_EQ(run("ls -type file").result, before) << c.flags;
    }
    EXPECT_FALSE(fs::exists("nosuchdir"));
}

TEST_F(SurfaceBakeTest, EveryFormatOpensInAnIndependentReader) {
    ASSERT_TRUE(run("polySphere -r 1 -sx 12 -sy 6 -n fball").ok);
    run("select fball");
    ASSERT_TRUE(run("surfaceBake -cf 0 -wt 40 -ht 20 -at normal").ok);
    const Baked iff = readBaked(inTmp("fball_normal.iff"));
    for (const char* format : {"png", "tga", "bmp", "jpg"}) {
        ASSERT_TRUE(
            run(std::string("surfaceBake -cf 0 -wt 40 -ht 20 -at normal -fo ") + format).ok);
        const std::string file = inTmp("fball_normal.") + format;
        int w = 0, h = 0, n = 0;
        stbi_uc* px = stbi_load(file.c_str(), &w, &h, &n, 4);
        ASSERT_NE(px, nullptr) << file;
        ASSERT_EQ(w, 40);
        ASSERT_EQ(h, 20);
        // Files hold the top row first; the baked image's row 0 is the bottom.
        int worst = 0;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 40; ++x)
                for (int c = 0; c < 3; ++c)
                    worst = std::max(worst, std::abs(px[((19 - y) * 40 + x) * 4 + c] -
                                                     iff.at(unsigned(x), unsigned(y))[c]));
        EXPECT_LE(worst, std::string(format) == "jpg" ? 40 : 0) << format;
        stbi_image_free(px);
    }
    if (std::system("command -v ilbmtoppm >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "ilbmtoppm (Debian package netpbm) is not installed";
    ASSERT_EQ(
        std::system(
            ("ilbmtoppm '" + inTmp("fball_normal.iff") + "' > fball.ppm 2>/dev/null").c_str()),
        0);
    int w = 0, h = 0, n = 0;
    stbi_uc* px = stbi_load("fball.ppm", &w, &h, &n, 3);
    ASSERT_NE(px, nullptr);
    ASSERT_EQ(w, 40);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x)
            for (int c = 0; c < 3; ++c)
                ASSERT_EQ(px[((19 - y) * 40 + x) * 3 + c], iff.at(unsigned(x), unsigned(y))[c]);
    stbi_image_free(px);
}

TEST_F(SurfaceBakeTest, TextureScriptThroughTheJournalAndUndo) {
    ASSERT_TRUE(run("polyPlane -w 1 -h 1 -sx 1 -sy 1 -n texPlane").ok);
    ASSERT_TRUE(run("select texPlane").ok);
    const std::string files = run("ls -type file").result;
    tarn::lang::journal().clear();
    // Outcome as a user would: one undo step at the top level.
    ASSERT_TRUE(KGlobal::executeCommand("surfaceBake -wt 8 -ht 8", false, true));
    const std::string script =
        "string $newFileName = `shadingNode -asTexture file`;\n"
        "string $newPlace2D = `shadingNode -asUtility place2dTexture`;\n"
        "defaultNavigation -connectToExisting -source $newPlace2D -destination $newFileName;\n"
        "getAttr ($newFileName+\".fileTextureName\");"
        "setAttr -type \"string\" ($newFileName+\".fileTextureName\") \"" +
        inTmp("texPlane_uv.iff") +
        "\";"
        "setAttr ($newPlace2D+\".repeatU\") 1;"
        "setAttr ($newPlace2D+\".repeatV\") 1;"
        "setAttr ($newPlace2D+\".offsetU\") ";
    const tarn::lang::JournalEntry* entry = nullptr;
    for (const auto& e : tarn::lang::journal().entries())
        if (e.text.rfind("string $newFileName", 0) == 0) entry = &e;
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->text.substr(0, script.size()), script);
    EXPECT_NE(entry->text.find("defaultNavigation -connectToExisting -source $newFileName "
                               "-destination texPlane -connectToExisting;"),
              std::string::npos);
    EXPECT_TRUE(entry->display);
    EXPECT_TRUE(entry->undo);
    EXPECT_EQ(entry->status, 0) << entry->error;

    const std::string made = run("ls -type file").result;
    EXPECT_NE(made, files);
    EXPECT_EQ(run("ls -sl").result, "texPlane");

    // Undo takes the texture nodes back and leaves the selection as it was.
    const Outcome undone = run("undo");
    ASSERT_TRUE(undone.ok);
    EXPECT_NE(undone.info.find("surfaceBake command undone!"), std::string::npos) << undone.info;
    EXPECT_EQ(run("ls -type file").result, files);
    EXPECT_EQ(run("ls -sl").result, "texPlane");
    // Redo brings back exactly one file texture.
    ASSERT_TRUE(run("redo").ok);
    EXPECT_EQ(run("ls -type file").result, made);
}

}  // namespace
