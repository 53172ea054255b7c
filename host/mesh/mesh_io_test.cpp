// OBJ export read back, primitives' UVs, and the prepare -> apply -> cleanup frame.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "host/mesh/mesh_operation.h"
#include "host/mesh/mesh_primitives.h"
#include "host/mesh/obj_writer.h"

namespace tarn {
namespace {

// A minimal OBJ reader, independent of the writer: counts and the indices of each face.
struct ObjRead {
    std::vector<Vec3> v;
    std::vector<std::pair<float, float>> vt;
    std::vector<Vec3> vn;
    struct Face {
        std::string material, object;
        std::vector<int> v, vt, vn;
    };
    std::vector<Face> faces;
    std::string mtllib;
};

ObjRead readObj(const std::string& text) {
    ObjRead r;
    std::istringstream in(text);
    std::string line, material, object;
    while (std::getline(in, line)) {
        std::istringstream ls(line);
        std::string tag;
        ls >> tag;
        if (tag == "v") {
            Vec3 p;
            ls >> p.x >> p.y >> p.z;
            r.v.push_back(p);
        } else if (tag == "vt") {
            float u, v;
            ls >> u >> v;
            r.vt.emplace_back(u, v);
        } else if (tag == "vn") {
            Vec3 n;
            ls >> n.x >> n.y >> n.z;
            r.vn.push_back(n);
        } else if (tag == "usemtl") {
            ls >> material;
        } else if (tag == "o") {
            ls >> object;
        } else if (tag == "mtllib") {
            ls >> r.mtllib;
        } else if (tag == "f") {
            ObjRead::Face f{material, object, {}, {}, {}};
            std::string corner;
            while (ls >> corner) {
                const size_t a = corner.find('/'), b = corner.find('/', a + 1);
                f.v.push_back(std::stoi(corner.substr(0, a)));
                const std::string t = corner.substr(a + 1, b - a - 1);
                f.vt.push_back(t.empty() ? 0 : std::stoi(t));
                f.vn.push_back(std::stoi(corner.substr(b + 1)));
            }
            r.faces.push_back(f);
        }
    }
    return r;
}

TEST(ObjWriter, TwoShapesWithMaterialsReadBack) {
    const PolyMesh cube = makeCube(2, 2, 2);
    const PolyMesh plane = makePlane(4, 4, 2, 1);
    Mat4 moved;
    moved.m[3][0] = 10.0;  // translate x by 10
    std::vector<ObjMaterial> materials(2);
    materials[0].name = "red";
    materials[0].color[0] = 1.0f;
    materials[1].name = "glass";
    materials[1].transparency[0] = materials[1].transparency[1] = materials[1].transparency[2] =
        0.75f;
    materials[1].texture = "wood.png";
    const std::vector<ObjShape> shapes = {
        {"pCube1", &cube, Mat4{}, {0, 0, 1, 1, 0, 0}},
        {"pPlane1", &plane, moved, {}},
    };
    const std::string text = objText(shapes, materials, "scene.mtl");
    const ObjRead r = readObj(text);
    EXPECT_EQ(r.mtllib, "scene.mtl");
    ASSERT_EQ(r.v.size(), 8u + 6u);
    EXPECT_EQ(r.vt.size(), 14u + 6u);
    EXPECT_EQ(r.vn.size(), 24u + 8u);
    ASSERT_EQ(r.faces.size(), 6u + 2u);
    for (size_t f = 0; f < 6; ++f) {
        EXPECT_EQ(r.faces[f].object, "pCube1");
        EXPECT_EQ(r.faces[f].material, (f == 2 || f == 3) ? "glass" : "red");
        for (size_t k = 0; k < 4; ++k) {
            EXPECT_EQ(r.faces[f].v[k], cube.faceVertices(static_cast<int>(f))[k] + 1);
            EXPECT_GE(r.faces[f].vt[k], 1);
            EXPECT_LE(r.faces[f].vt[k], 14);
        }
    }
    // The plane's indices continue after the cube's and its points are moved.
    for (size_t f = 6; f < 8; ++f)
        for (int v : r.faces[f].v) {
            EXPECT_GT(v, 8);
            EXPECT_NEAR(r.v[v - 1].x, plane.point(v - 9).x + 10.0, 1e-6);
        }
    const std::string mtl = mtlText(materials);
    EXPECT_NE(mtl.find("newmtl red\nKd 1 0.5 0.5\n"), std::string::npos) << mtl;
    EXPECT_NE(mtl.find("d 0.25\n"), std::string::npos);
    EXPECT_NE(mtl.find("map_Kd wood.png\n"), std::string::npos);
}

TEST(ObjWriter, NumbersKeepNineSignificantDigitsInShortestForm) {
    // One triangle whose points carry values that are easy to spell wrongly.
    const std::vector<Vec3> points = {
        {0.1, -0.5, 123456789.123}, {1e-7, 2.5e20, -3.0}, {1.0 / 3.0, 100.0, 1234567890.0}};
    PolyMesh mesh;
    std::string error;
    ASSERT_TRUE(PolyMesh::create(points, {3}, {0, 1, 2}, mesh, &error)) << error;
    const std::string text = objText({{"tri", &mesh, Mat4{}, {}}}, {}, "");
    for (const char* line : {"\nv 0.1 -0.5 123456789\n", "\nv 1e-07 2.5e+20 -3\n",
                             "\nv 0.333333333 100 1.23456789e+09\n", "\nf 1//1 2//2 3//3\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line << " in\n" << text;
}

TEST(ObjWriter, WritesBothFilesOrFailsCleanly) {
    const auto dir = std::filesystem::temp_directory_path() / "tarn_obj_writer_test";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const PolyMesh cube = makeCube(1, 1, 1);
    std::vector<ObjMaterial> materials(1);
    materials[0].name = "m";
    std::string error;
    ASSERT_TRUE(writeObj((dir / "out.obj").string(), {{"c", &cube, Mat4{}, {}}}, materials, &error))
        << error;
    EXPECT_TRUE(std::filesystem::exists(dir / "out.mtl"));
    std::ifstream in(dir / "out.obj");
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(readObj(text.str()).faces.size(), 6u);

    EXPECT_FALSE(
        writeObj((dir / "missing" / "out.obj").string(), {{"c", &cube, Mat4{}, {}}}, {}, &error));
    EXPECT_NE(error.find("cannot write"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
    std::filesystem::remove_all(dir);
}

TEST(ObjWriter, NamesThatWouldBreakTheFilesAreEscapedOrRefused) {
    namespace fs = std::filesystem;
    const auto dir = fs::temp_directory_path() / "tarn_obj_writer_names";
    fs::remove_all(dir);
    fs::create_directories(dir);
    const PolyMesh cube = makeCube(1, 1, 1);
    auto read = [](const fs::path& p) {
        std::ifstream in(p);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    };
    auto listing = [&] {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    };
    std::vector<ObjMaterial> materials(1);
    materials[0].name = "m";
    std::string error;

    // Blanks and line breaks in the OBJ's name: the library gets a one-word name.
    const struct {
        const char* obj;
        const char* mtl;
    } names[] = {{"my scene.obj", "my_scene.mtl"},
                 {"two\nlines.obj", "two_lines.mtl"},
                 {"tab\tname.v1.obj", "tab_name.v1.mtl"}};
    for (const auto& n : names) {
        ASSERT_TRUE(writeObj((dir / n.obj).string(), {{"c", &cube, Mat4{}, {}}}, materials, &error))
            << error;
        EXPECT_EQ(mtlFileName((dir / n.obj).string()), (dir / n.mtl).string());
        EXPECT_TRUE(fs::exists(dir / n.mtl)) << n.mtl;
        EXPECT_NE(read(dir / n.obj).find(std::string("\nmtllib ") + n.mtl + "\n"),
                  std::string::npos)
            << n.obj;
    }
    fs::remove_all(dir);
    fs::create_directories(dir);

    // Refused with nothing written: a texture name that would add lines to the library, and an
    // OBJ that would be its own library.
    const struct {
        const char* what;
        const char* obj;
        std::string texture;
        const char* reason;
    } refused[] = {
        {"line break in a texture name", "a.obj", "wood.jpg\nnewmtl injected", "control character"},
        {"carriage return in a texture name", "a.obj", "wood.jpg\rKd 1 0 0", "control character"},
        {"OBJ named like its library", "x.mtl", "wood.jpg", "its own material library"},
    };
    for (const auto& r : refused) {
        std::vector<ObjMaterial> textured(1);
        textured[0].name = "m";
        textured[0].texture = r.texture;
        error.clear();
        EXPECT_FALSE(writeObj((dir / r.obj).string(), {{"c", &cube, Mat4{}, {}}}, textured, &error))
            << r.what;
        EXPECT_NE(error.find(r.reason), std::string::npos) << r.what << ": " << error;
        EXPECT_TRUE(listing().empty()) << r.what;
    }
    // A blank inside a texture file name is kept: map_Kd takes the rest of the line.
    materials[0].texture = "my maps/wood grain.jpg";
    ASSERT_TRUE(writeObj((dir / "t.obj").string(), {{"c", &cube, Mat4{}, {}}}, materials, &error));
    EXPECT_NE(read(dir / "t.mtl").find("\nmap_Kd my maps/wood grain.jpg\n"), std::string::npos);
    fs::remove_all(dir);
}

TEST(MeshPrimitives, CountsAndUVCoverage) {
    struct Case {
        const char* name;
        PolyMesh mesh;
        int v, e, f, uvs;
    } cases[] = {
        {"plane 1x1", makePlane(1, 1, 1, 1), 4, 4, 1, 4},
        {"plane 3x2", makePlane(1, 1, 3, 2), 12, 17, 6, 12},
        {"sphere 8x4", makeSphere(1, 8, 4), 8 * 3 + 2, 8 * 3 + 8 * 4, 8 * 4, 9 * 3 + 16},
        {"cylinder 6x1, n-gon caps", makeCylinder(1, 2, 6, 1, 0), 12, 18, 8, 7 * 2 + 12},
        {"cylinder 6x2, fan caps", makeCylinder(1, 2, 6, 2, 1), 20, 42, 24, 7 * 3 + 14},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.mesh.numVertices(), c.v) << c.name;
        EXPECT_EQ(c.mesh.numEdges(), c.e) << c.name;
        EXPECT_EQ(c.mesh.numFaces(), c.f) << c.name;
        ASSERT_NE(c.mesh.uvSet("map1"), nullptr) << c.name;
        EXPECT_EQ(c.mesh.uvSet("map1")->u.size(), static_cast<size_t>(c.uvs)) << c.name;
        for (int f = 0; f < c.mesh.numFaces(); ++f) EXPECT_TRUE(c.mesh.faceHasUVs(f)) << c.name;
    }
    // Points weld relative to the primitive's size: tiny and huge ones keep their topology.
    const struct {
        const char* name;
        PolyMesh mesh;
        int v, f;
    } scaled[] = {
        {"thin cube", makeCube(1e-12, 1, 1), 8, 6},
        {"huge sphere", makeSphere(1e300, 8, 4), 26, 32},
        {"tiny sphere", makeSphere(1e-300, 8, 4), 26, 32},
        {"needle cylinder", makeCylinder(1e-9, 1e9, 6, 1, 0), 12, 8},
        {"strip plane", makePlane(1e-200, 1e200, 3, 2), 12, 6},
    };
    for (const auto& c : scaled) {
        EXPECT_EQ(c.mesh.numVertices(), c.v) << c.name;
        EXPECT_EQ(c.mesh.numFaces(), c.f) << c.name;
    }
    // The cube's cross layout shares UVs along its seams: 14 UVs for 24 corners.
    EXPECT_EQ(makeCube(1, 1, 1).uvSet()->u.size(), 14u);
}

TEST(MeshPrimitives, VerticesAreNumberedInOrderOfFirstUse) {
    // Plane 2x1 in XZ: the first face uses grid points (0,0) (1,0) (1,1) (0,1), the second adds
    // (2,0) and (2,1). Points shared by faces, and the sphere's seam and poles, are welded.
    const PolyMesh plane = makePlane(1, 1, 2, 1);
    const Vec3 expected[] = {{-0.5, 0, 0.5},  {0, 0, 0.5},   {0, 0, -0.5},
                             {-0.5, 0, -0.5}, {0.5, 0, 0.5}, {0.5, 0, -0.5}};
    ASSERT_EQ(plane.numVertices(), 6);
    for (int v = 0; v < 6; ++v) {
        EXPECT_NEAR(plane.point(v).x, expected[v].x, 1e-12) << v;
        EXPECT_NEAR(plane.point(v).z, expected[v].z, 1e-12) << v;
    }
    EXPECT_EQ(std::vector<int>(plane.faceVertices(1).begin(), plane.faceVertices(1).end()),
              (std::vector<int>{1, 4, 5, 2}));
    const PolyMesh sphere = makeSphere(1, 4, 3);
    EXPECT_NEAR(sphere.point(0).y, -1.0, 1e-12);  // the south pole comes first
    const auto last = sphere.faceVertices(sphere.numFaces() - 1);
    EXPECT_EQ(last[2], sphere.numVertices() - 1);  // the north pole last
    EXPECT_NEAR(sphere.point(last[2]).y, 1.0, 1e-12);
    EXPECT_EQ(sphere.faceVertices(3)[1], sphere.faceVertices(0)[2]);  // the seam closes
}

TEST(MeshOperation, SoftEdgeByAngleAndCleanFailure) {
    PolyMesh cube = makeCube(1, 1, 1, 2, 1, 1);
    // Edges between coplanar faces are 0 degrees apart, the cube's corners 90.
    SoftEdgeOperation soft60(60.0, {});
    ASSERT_TRUE(runMeshOperation(soft60, cube).ok);
    int softCount = 0;
    for (int e = 0; e < cube.numEdges(); ++e) softCount += cube.isEdgeSmooth(e) ? 1 : 0;
    EXPECT_EQ(softCount, 4);  // the seams splitting four sides in two
    SoftEdgeOperation all(180.0, {});
    ASSERT_TRUE(runMeshOperation(all, cube).ok);
    for (int e = 0; e < cube.numEdges(); ++e) EXPECT_TRUE(cube.isEdgeSmooth(e));

    SoftEdgeOperation bad(0.0, {0, 1, 999});
    const OpStatus status = runMeshOperation(bad, cube);
    EXPECT_FALSE(status.ok);
    EXPECT_NE(status.message.find("edge 999"), std::string::npos);
    EXPECT_TRUE(cube.isEdgeSmooth(0)) << "a failed operation changes nothing";
    SoftEdgeOperation hardTwo(0.0, {0, 1});
    ASSERT_TRUE(runMeshOperation(hardTwo, cube).ok);
    EXPECT_FALSE(cube.isEdgeSmooth(0));
    EXPECT_FALSE(cube.isEdgeSmooth(1));
    EXPECT_TRUE(cube.isEdgeSmooth(2));
}

}  // namespace
}  // namespace tarn
