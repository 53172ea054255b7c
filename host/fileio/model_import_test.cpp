// Importing models of other programs: each format from a small file the test writes itself,
// checked for counts, UVs, hard edges from the file's normals, the hierarchy, cameras and
// materials; bad files import nothing and say why; an import is one undo step.

#include <gtest/gtest.h>

#include <unistd.h>

#include <csignal>
#include <cstring>
#include <fstream>
#include <nlohmann/json.hpp>

#include "frame/k_string.h"
#include "host/fileio/file_import.h"
#include "host/fileio/isolated_read.h"
#include "host/fileio/obj_reader.h"
#include "host/scene/dag.h"
#include "host/scene/dag_nodes.h"
#include "host/scene/scene_test_support.h"
#include "host/scenefile/text_codec.h"

namespace tarn::fileio {
namespace {

std::string writeFile(const std::string& name, const std::string& content) {
    const std::string path = ::testing::TempDir() + "model_import_test_" + name;
    std::ofstream(path, std::ios::binary) << content;
    return path;
}

// A unit cube with a normal per face (so every edge is hard), UVs, two materials and a
// second object: a triangle without normals, still under the blue material.
const char* kCubeObj = R"(mtllib model_import_test_cube.mtl
o box
v -1 -1 -1
v 1 -1 -1
v 1 1 -1
v -1 1 -1
v -1 -1 1
v 1 -1 1
v 1 1 1
v -1 1 1
vt 0 0
vt 1 0
vt 1 1
vt 0 1
vn 0 0 -1
vn 0 0 1
vn 0 -1 0
vn 0 1 0
vn -1 0 0
vn 1 0 0
usemtl red
f 1/1/1 4/4/1 3/3/1 2/2/1
f 5/1/2 6/2/2 7/3/2 8/4/2
usemtl blue
f 1/1/3 2/2/3 6/3/3 5/4/3
f 4/1/4 8/2/4 7/3/4 3/4/4
f 1/1/5 5/2/5 8/3/5 4/4/5
f 2/1/6 3/2/6 7/3/6 6/4/6
o tri
v 3 0 0
v 4 0 0
v 3 1 0
f -3 -2 -1
)";

const char* kCubeMtl = R"(newmtl red
Kd 1 0 0
Ks 0.5 0.5 0.5
Ns 30
map_Kd -s 1 1 1 wood.png
newmtl blue
Kd 0 0 1
d 0.75
)";

// Two triangles of a square sharing one normal: the diagonal stays soft.
const char* kQuadPly = R"(ply
format ascii 1.0
element vertex 4
property float x
property float y
property float z
property float nx
property float ny
property float nz
property float s
property float t
element face 2
property list uchar int vertex_indices
end_header
0 0 0 0 0 1 0 0
1 0 0 0 0 1 1 0
1 1 0 0 0 1 1 1
0 1 0 0 0 1 0 1
3 0 1 2
3 0 2 3
)";

// A tetrahedron as STL writes it: every triangle with its own three corners and normal.
const float kTet[4][4][3] = {{{0, 0, -1}, {0, 0, 0}, {0, 1, 0}, {1, 0, 0}},
                             {{0, -1, 0}, {0, 0, 0}, {1, 0, 0}, {0, 0, 1}},
                             {{-1, 0, 0}, {0, 0, 0}, {0, 0, 1}, {0, 1, 0}},
                             {{0.577f, 0.577f, 0.577f}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};

std::string asciiStl() {
    std::string s = "solid tet\n";
    for (const auto& f : kTet) {
        s += "facet normal " + numberText(f[0][0]) + " " + numberText(f[0][1]) + " " +
             numberText(f[0][2]) + "\n outer loop\n";
        for (int v = 1; v < 4; ++v)
            s += "  vertex " + numberText(f[v][0]) + " " + numberText(f[v][1]) + " " +
                 numberText(f[v][2]) + "\n";
        s += " endloop\nendfacet\n";
    }
    return s + "endsolid tet\n";
}

std::string binaryStl(int triangles) {
    std::string s(80, ' ');
    const std::uint32_t count = static_cast<std::uint32_t>(triangles);
    s.append(reinterpret_cast<const char*>(&count), 4);
    for (const auto& f : kTet) {
        s.append(reinterpret_cast<const char*>(f), sizeof f);
        s.append(2, '\0');
    }
    return s;
}

// A square under a moved parent, with normals, UVs, a textured material, and a camera.
std::string gltfJson(bool embedded, std::string* binary) {
    const float pos[12] = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};
    const float nor[12] = {0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1};
    const float uv[8] = {0, 0, 1, 0, 1, 1, 0, 1};
    const std::uint16_t idx[8] = {0, 1, 2, 0, 2, 3, 0, 0};
    std::string buffer;
    for (const auto& [data, size] : {std::pair<const void*, std::size_t>{pos, sizeof pos},
                                     {nor, sizeof nor},
                                     {uv, sizeof uv},
                                     {idx, sizeof idx}})
        buffer.append(static_cast<const char*>(data), size);
    nlohmann::json g = {
        {"asset", {{"version", "2.0"}}},
        {"scene", 0},
        {"scenes", {{{"nodes", {0, 2}}}}},
        {"nodes",
         {{{"name", "parent"}, {"translation", {1, 2, 3}}, {"children", {1}}},
          {{"name", "child"}, {"mesh", 0}, {"rotation", {0, 0.7071068, 0, 0.7071068}}},
          {{"name", "shot"}, {"camera", 0}, {"translation", {0, 0, 10}}}}},
        {"cameras",
         {{{"type", "perspective"},
           {"perspective", {{"yfov", 0.5}, {"aspectRatio", 1.5}, {"znear", 0.5}, {"zfar", 500}}}}}},
        {"meshes",
         {{{"name", "square"},
           {"primitives",
            {{{"attributes", {{"POSITION", 0}, {"NORMAL", 1}, {"TEXCOORD_0", 2}}},
              {"indices", 3},
              {"material", 0}}}}}}},
        {"materials",
         {{{"name", "paint"},
           {"pbrMetallicRoughness",
            {{"baseColorFactor", {0.8, 0.2, 0.1, 1}}, {"baseColorTexture", {{"index", 0}}}}}}}},
        {"textures", {{{"source", 0}}}},
        {"images", {{{"uri", "paint.png"}}}},
        {"bufferViews",
         {{{"buffer", 0}, {"byteOffset", 0}, {"byteLength", 48}},
          {{"buffer", 0}, {"byteOffset", 48}, {"byteLength", 48}},
          {{"buffer", 0}, {"byteOffset", 96}, {"byteLength", 32}},
          {{"buffer", 0}, {"byteOffset", 128}, {"byteLength", 12}}}},
        {"accessors",
         {{{"bufferView", 0},
           {"componentType", 5126},
           {"count", 4},
           {"type", "VEC3"},
           {"min", {0, 0, 0}},
           {"max", {1, 1, 0}}},
          {{"bufferView", 1}, {"componentType", 5126}, {"count", 4}, {"type", "VEC3"}},
          {{"bufferView", 2}, {"componentType", 5126}, {"count", 4}, {"type", "VEC2"}},
          {{"bufferView", 3}, {"componentType", 5123}, {"count", 6}, {"type", "SCALAR"}}}}};
    if (embedded) {
        std::string uri = "data:application/octet-stream;base64,";
        scenefile::appendBase64(uri, buffer.data(), buffer.size());
        g["buffers"] = {{{"byteLength", buffer.size()}, {"uri", uri}}};
    } else {
        g["buffers"] = {{{"byteLength", buffer.size()}}};
    }
    if (binary) *binary = buffer;
    return g.dump();
}

std::string glb() {
    std::string buffer;
    std::string json = gltfJson(false, &buffer);
    while (json.size() % 4) json += ' ';
    auto u32 = [](std::uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); };
    return "glTF" + u32(2) +
           u32(static_cast<std::uint32_t>(12 + 8 + json.size() + 8 + buffer.size())) +
           u32(static_cast<std::uint32_t>(json.size())) + "JSON" + json +
           u32(static_cast<std::uint32_t>(buffer.size())) + std::string("BIN\0", 4) + buffer;
}

// A square as an ASCII FBX: one model moved to (1, 2, 3), UVs and a red material.
const char* kQuadFbx = R"(; FBX 7.4.0 project file
FBXHeaderExtension:  {
	FBXHeaderVersion: 1003
	FBXVersion: 7400
}
GlobalSettings:  {
	Version: 1000
	Properties70:  {
		P: "UpAxis", "int", "Integer", "",1
		P: "UpAxisSign", "int", "Integer", "",1
		P: "FrontAxis", "int", "Integer", "",2
		P: "FrontAxisSign", "int", "Integer", "",1
		P: "CoordAxis", "int", "Integer", "",0
		P: "CoordAxisSign", "int", "Integer", "",1
		P: "UnitScaleFactor", "double", "Number", "",1
	}
}
Objects:  {
	Geometry: 1000, "Geometry::quad", "Mesh" {
		Vertices: *12 {
			a: 0,0,0,1,0,0,1,1,0,0,1,0
		}
		PolygonVertexIndex: *4 {
			a: 0,1,2,-4
		}
		GeometryVersion: 124
		LayerElementUV: 0 {
			Version: 101
			Name: "map1"
			MappingInformationType: "ByPolygonVertex"
			ReferenceInformationType: "IndexToDirect"
			UV: *8 {
				a: 0,0,1,0,1,1,0,1
			}
			UVIndex: *4 {
				a: 0,1,2,3
			}
		}
		LayerElementMaterial: 0 {
			Version: 101
			Name: ""
			MappingInformationType: "AllSame"
			ReferenceInformationType: "IndexToDirect"
			Materials: *1 {
				a: 0
			}
		}
		Layer: 0 {
			Version: 100
			LayerElement:  {
				Type: "LayerElementUV"
				TypedIndex: 0
			}
			LayerElement:  {
				Type: "LayerElementMaterial"
				TypedIndex: 0
			}
		}
	}
	Model: 2000, "Model::panel", "Mesh" {
		Version: 232
		Properties70:  {
			P: "Lcl Translation", "Lcl Translation", "", "A",1,2,3
		}
	}
	Material: 3000, "Material::red", "" {
		Version: 102
		ShadingModel: "phong"
		Properties70:  {
			P: "DiffuseColor", "Color", "", "A",1,0,0
		}
	}
}
Connections:  {
	C: "OO",1000,2000
	C: "OO",2000,0
	C: "OO",3000,2000
}
)";

// A square in a group node, turned, with a green phong material and a camera.
const char* kPanelDae = R"(<?xml version="1.0" encoding="utf-8"?>
<COLLADA xmlns="http://www.collada.org/2005/11/COLLADASchema" version="1.4.1">
  <asset><unit name="meter" meter="1"/><up_axis>Y_UP</up_axis></asset>
  <library_cameras>
    <camera id="cam-lib" name="cam"><optics><technique_common><perspective><xfov>45</xfov>
      <aspect_ratio>1.5</aspect_ratio><znear>0.1</znear><zfar>100</zfar></perspective>
    </technique_common></optics></camera>
  </library_cameras>
  <library_effects>
    <effect id="green-fx"><profile_COMMON><technique sid="common"><phong>
      <diffuse><color>0 1 0 1</color></diffuse>
      <specular><color>0.5 0.5 0.5 1</color></specular>
      <shininess><float>20</float></shininess>
    </phong></technique></profile_COMMON></effect>
  </library_effects>
  <library_materials>
    <material id="green" name="green"><instance_effect url="#green-fx"/></material>
  </library_materials>
  <library_geometries>
    <geometry id="quad-mesh" name="quad"><mesh>
      <source id="quad-pos"><float_array id="quad-pos-array" count="12">0 0 0 1 0 0 1 1 0 0 1 0</float_array>
        <technique_common><accessor source="#quad-pos-array" count="4" stride="3"><param name="X" type="float"/><param name="Y" type="float"/><param name="Z" type="float"/></accessor></technique_common></source>
      <source id="quad-uv"><float_array id="quad-uv-array" count="8">0 0 1 0 1 1 0 1</float_array>
        <technique_common><accessor source="#quad-uv-array" count="4" stride="2"><param name="S" type="float"/><param name="T" type="float"/></accessor></technique_common></source>
      <vertices id="quad-vtx"><input semantic="POSITION" source="#quad-pos"/></vertices>
      <polylist material="mat" count="1">
        <input semantic="VERTEX" source="#quad-vtx" offset="0"/>
        <input semantic="TEXCOORD" source="#quad-uv" offset="1" set="0"/>
        <vcount>4</vcount>
        <p>0 0 1 1 2 2 3 3</p>
      </polylist>
    </mesh></geometry>
  </library_geometries>
  <library_visual_scenes>
    <visual_scene id="scene">
      <node id="group" name="group">
        <translate>0 0 5</translate>
        <node id="panel" name="panel">
          <rotate>0 0 1 90</rotate>
          <instance_geometry url="#quad-mesh">
            <bind_material><technique_common><instance_material symbol="mat" target="#green"/></technique_common></bind_material>
          </instance_geometry>
        </node>
      </node>
      <node id="camnode" name="camnode"><translate>0 0 20</translate><instance_camera url="#cam-lib"/></node>
    </visual_scene>
  </library_visual_scenes>
  <scene><instance_visual_scene url="#scene"/></scene>
</COLLADA>
)";

class ModelImportTest : public scene::testing::SceneTest {
protected:
    nlohmann::json describe() {
        return nlohmann::json::parse(run("describeScene -json").asString());
    }
    // The described node named `name` (null when none).
    nlohmann::json node(const nlohmann::json& d, const std::string& name) {
        for (const auto& n : d["dag"])
            if (n["name"] == name) return n;
        for (const auto& n : d["shading"])
            if (n["name"] == name) return n;
        return nullptr;
    }
    const PolyMesh& meshOf(const std::string& shape) {
        return scene::meshNode(scene::findNode(shape))->readMesh();
    }
    // The one mesh shape of the scene (the name follows the file's).
    std::string onlyMesh() {
        const std::vector<std::string> meshes = strings("ls -type mesh");
        EXPECT_EQ(meshes.size(), 1u);
        return meshes.empty() ? std::string() : meshes[0];
    }
    int hardEdges(const std::string& shape) {
        const PolyMesh& m = meshOf(shape);
        int hard = 0;
        for (int e = 0; e < m.numEdges(); ++e) hard += !m.isEdgeSmooth(e) && !m.isBorderEdge(e);
        return hard;
    }
    std::vector<float> uvOf(const std::string& shape, int face, int corner) {
        float u = -1, v = -1;
        meshOf(shape).getFaceVertexUV(face, corner, u, v);
        return {u, v};
    }
    void importOk(const std::string& path) {
        output::Capture quiet;
        const ImportOutcome out = importFile(path, "");
        ASSERT_FALSE(out.status.error()) << out.error;
    }
};

TEST_F(ModelImportTest, ObjWithMaterialsObjectsUVsAndHardEdges) {
    writeFile("cube.mtl", kCubeMtl);
    importOk(writeFile("cube.obj", kCubeObj));
    EXPECT_EQ(run("polyEvaluate -v -e -f box").asIntArray(), (std::vector<std::int64_t>{8, 12, 6}));
    EXPECT_EQ(hardEdges("boxShape"), 12) << "a normal per face makes every edge hard";
    EXPECT_EQ(run("polyEvaluate -v -f tri").asIntArray(), (std::vector<std::int64_t>{3, 1}));
    EXPECT_EQ(meshOf("triShape").uniformEdgeSmoothing(), 1) << "no normals: soft";
    EXPECT_EQ(uvOf("boxShape", 0, 1), (std::vector<float>{0, 1}));
    const auto d = describe();
    EXPECT_EQ(node(d, "red")["type"], "phong");
    EXPECT_EQ(node(d, "blue")["type"], "lambert");
    EXPECT_EQ(node(d, "blue")["colors"]["color"], (std::vector<double>{0, 0, 1}));
    EXPECT_EQ(node(d, "blue")["colors"]["transparency"][0], 0.25);
    EXPECT_EQ(node(d, "redFile")["fileTextureName"], "wood.png");
    EXPECT_EQ(strings("sets -q redSG"), (std::vector<std::string>{"box.f[0:1]"}));
    EXPECT_EQ(strings("sets -q blueSG"), (std::vector<std::string>{"box.f[2:5]", "triShape"}));
}

TEST_F(ModelImportTest, PlyJoinsVerticesAndKeepsSharedNormalsSoft) {
    importOk(writeFile("quad.ply", kQuadPly));
    const std::string shape = onlyMesh();
    EXPECT_EQ(run("polyEvaluate -v -e -f -uv " + shape).asIntArray(),
              (std::vector<std::int64_t>{4, 5, 2, 4}));
    EXPECT_EQ(hardEdges(shape), 0);
    EXPECT_EQ(uvOf(shape, 0, 2), (std::vector<float>{1, 1}));
}

TEST_F(ModelImportTest, StlAsciiAndBinaryWeldTrianglesAndHardenFacets) {
    for (const std::string& file :
         {writeFile("tet.stl", asciiStl()), writeFile("tetb.stl", binaryStl(4))}) {
        run("file -new -force");
        importOk(file);
        const std::string shape = onlyMesh();
        const PolyMesh& m = meshOf(shape);
        EXPECT_EQ(m.numVertices(), 4) << shape << ": corners at one place are one vertex";
        EXPECT_EQ(m.numEdges(), 6) << shape;
        EXPECT_EQ(hardEdges(shape), 6) << shape << ": facet normals differ across every edge";
    }
}

TEST_F(ModelImportTest, GltfAndGlbKeepTheHierarchyCameraAndTexturedMaterial) {
    for (const std::string& path :
         {writeFile("square.gltf", gltfJson(true, nullptr)), writeFile("square.glb", glb())}) {
        run("file -new -force");
        importOk(path);
        const auto d = describe();
        EXPECT_EQ(node(d, "child")["parent"], "parent") << path;
        EXPECT_EQ(node(d, "parent")["translate"], (std::vector<double>{1, 2, 3})) << path;
        EXPECT_NEAR(node(d, "child")["rotate"][1].get<double>(), 90.0, 1e-4) << path;
        EXPECT_EQ(run("polyEvaluate -v -f -uv child").asIntArray(),
                  (std::vector<std::int64_t>{4, 2, 4}));
        EXPECT_EQ(hardEdges("childShape"), 0);
        const auto camera = node(d, "shotShape")["camera"];
        EXPECT_EQ(camera["eyePoint"], (std::vector<double>{0, 0, 10})) << path;
        EXPECT_EQ(camera["farClipPlane"], 500.0);
        EXPECT_EQ(strings("sets -q paintSG"), (std::vector<std::string>{"childShape"}));
        const std::string texture = node(d, "paintFile")["fileTextureName"];
        EXPECT_NE(texture.find("paint.png"), std::string::npos) << texture;
    }
}

TEST_F(ModelImportTest, FbxAndColladaGiveTransformsAndMaterials) {
    importOk(writeFile("quad.fbx", kQuadFbx));
    auto d = describe();
    EXPECT_EQ(node(d, "panel")["translate"], (std::vector<double>{1, 2, 3}));
    EXPECT_EQ(run("polyEvaluate -v -f -uv panel").asIntArray(),
              (std::vector<std::int64_t>{4, 1, 4}));
    EXPECT_EQ(node(d, "red")["colors"]["color"], (std::vector<double>{1, 0, 0}));
    EXPECT_EQ(strings("sets -q redSG"), (std::vector<std::string>{"panelShape"}));

    run("file -new -force");
    importOk(writeFile("panel.dae", kPanelDae));
    d = describe();
    EXPECT_EQ(node(d, "panel")["parent"], "group");
    EXPECT_EQ(node(d, "group")["translate"], (std::vector<double>{0, 0, 5}));
    EXPECT_NEAR(node(d, "panel")["rotate"][2].get<double>(), 90.0, 1e-4);
    EXPECT_EQ(node(d, "green")["type"], "phong");
    EXPECT_EQ(strings("sets -q greenSG"), (std::vector<std::string>{"panelShape"}));
    EXPECT_EQ(node(d, "camnodeShape")["camera"]["eyePoint"], (std::vector<double>{0, 0, 20}));
}

TEST_F(ModelImportTest, BadFilesImportNothingAndSayWhy) {
    run("polyCube -n keep");
    const std::string before = run("describeScene -json").asString();
    const struct {
        std::string name, content;
        const char* says;
    } cases[] = {
        {"index.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 9\n", "does not have"},
        {"zero.obj", "v 0 0 0\nf 0 1 2\n", "numbers start at 1"},
        {"nan.obj", "v nan 0 0\n", ":1: a vertex takes three finite numbers"},
        {"empty.obj", "# nothing\n", "holds no faces"},
        {"cut.stl", binaryStl(40), "Cannot import"},
        {"noise.glb", std::string("glTF\x02\0\0\0garbage", 15), "Cannot import"},
        {"broken.dae", "<COLLADA><library_geometries>", "Cannot import"},
        {"words.ply", "ply\nformat ascii 1.0\nelement vertex 2\n", "its header does not end"},
    };
    for (const auto& c : cases) {
        output::Capture quiet;
        const std::string path = writeFile(c.name, c.content);
        const ImportOutcome out = importFile(path, "");
        EXPECT_TRUE(out.status.error()) << c.name;
        EXPECT_NE(out.error.find(c.says), std::string::npos) << c.name << ": " << out.error;
        EXPECT_NE(out.error.find(path), std::string::npos) << c.name << ": " << out.error;
        EXPECT_EQ(run("describeScene -json").asString(), before) << c.name;
    }
}

TEST_F(ModelImportTest, AnImportIsOneUndoStep) {
    writeFile("cube.mtl", kCubeMtl);
    run("file -import \"" + writeFile("cube.obj", kCubeObj) + "\"");
    const std::string imported = run("describeScene -json").asString();
    undo();
    EXPECT_TRUE(strings("ls -type mesh").empty());
    EXPECT_TRUE(strings("ls -type phong").empty());
    redo();
    EXPECT_EQ(run("describeScene -json").asString(), imported);
}

TEST(ChildProcessReader, AReaderThatHangsOrCrashesCostsTheImportOnly) {
    ImportedScene scene;
    std::string error;
    EXPECT_FALSE(readInChildProcess(
        [](ImportedScene&, std::string*) {
            for (;;) pause();
            return true;
        },
        1, scene, &error));
    EXPECT_EQ(error, "the reader did not finish within 1 s");
    EXPECT_FALSE(readInChildProcess(
        [](ImportedScene&, std::string*) {
            raise(SIGSEGV);
            return true;
        },
        5, scene, &error));
#if defined(__SANITIZE_ADDRESS__)
    // The address sanitizer takes the signal and ends the child with a status of its own.
    EXPECT_NE(error.find("the reader ended without an answer"), std::string::npos) << error;
#else
    EXPECT_NE(error.find("the reader crashed"), std::string::npos) << error;
#endif
    EXPECT_FALSE(readInChildProcess(
        [](ImportedScene&, std::string* why) {
            *why = "not my kind of file";
            return false;
        },
        5, scene, &error));
    EXPECT_EQ(error, "not my kind of file");
}

TEST(ChildProcessReader, ScenesCrossWhole) {
    ImportedScene sent;
    std::string error;
    ASSERT_TRUE(parseObj(kCubeObj, "", nullptr, sent, &error)) << error;
    sent.cameras.push_back({"cam", {1, 2, 3}, {0, 0, -1}, {0, 1, 0}, 0.7, 1.5, 0.2, 900});
    ImportedScene got;
    ASSERT_TRUE(readInChildProcess(
        [&](ImportedScene& out, std::string*) {
            out = sent;
            return true;
        },
        10, got, &error))
        << error;
    EXPECT_EQ(serializeScene(got), serializeScene(sent));
    ASSERT_EQ(got.meshes.size(), 2u);
    EXPECT_FALSE(got.meshes[0].mesh->isEdgeSmooth(0)) << "the hard edges came along";
    // A damaged answer is refused, never half read.
    const std::string bytes = serializeScene(sent);
    for (std::size_t cut : {std::size_t(3), bytes.size() / 2, bytes.size() - 1})
        EXPECT_FALSE(deserializeScene(std::string_view(bytes).substr(0, cut), got, &error)) << cut;
}

TEST(ObjReader, FacesWithTooFewOrRepeatedVerticesAreLeftOutWithAWarning) {
    ImportedScene scene;
    std::string error;
    ASSERT_TRUE(parseObj("v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2\nf 1 1 2\nf 1 2 3\n", "", nullptr, scene,
                         &error))
        << error;
    ASSERT_EQ(scene.meshes.size(), 1u);
    EXPECT_EQ(scene.meshes[0].mesh->numFaces(), 1);
    ASSERT_FALSE(scene.warnings.empty());
    EXPECT_NE(scene.warnings[0].find("2 faces"), std::string::npos) << scene.warnings[0];
}

TEST(ObjReader, ObjectsGroupsRelativeAndLaterIndices) {
    ImportedScene scene;
    std::string error;
    // Faces may name vertices written after them; negative numbers count back from the last
    // one read; a material in use goes on into the next group; a library that cannot be read
    // is a warning.
    const char* text =
        "mtllib missing.mtl\n"
        "usemtl shiny\n"
        "f 1 2 3\n"
        "v 0 0 0\nv 1 0 0\nv 0 1 0\n"
        "g second\n"
        "v 5 5 5\nv 6 5 5\nv 5 6 5\n"
        "f -3 -2 -1\n"
        "usemtl dull\n"
        "f 4 5 6\n";
    ASSERT_TRUE(parseObj(text, "", nullptr, scene, &error)) << error;
    ASSERT_EQ(scene.meshes.size(), 2u);
    EXPECT_EQ(scene.nodes[1].name, "second");
    EXPECT_EQ(scene.meshes[1].mesh->numVertices(), 3) << "each object keeps the vertices it uses";
    EXPECT_EQ(scene.meshes[1].mesh->point(0).x, 5.0);
    ASSERT_EQ(scene.materials.size(), 2u);
    ASSERT_EQ(scene.meshes[1].materials.size(), 2u);
    EXPECT_EQ(scene.materials[static_cast<std::size_t>(scene.meshes[1].materials[0].material)].name,
              "shiny");
    EXPECT_EQ(scene.meshes[1].materials[1].first, 1);
    ASSERT_FALSE(scene.warnings.empty());
    EXPECT_NE(scene.warnings[0].find("missing.mtl"), std::string::npos);
    EXPECT_FALSE(parseObj("v 0 0 0\nf -1 -2 -3\n", "", nullptr, scene, &error));
    EXPECT_EQ(error, "2: a face names a vertex before the first");
}

TEST(ObjReader, MaterialOptionsBeforeTheImageNameAreSkipped) {
    ImportedScene scene;
    parseMtl("newmtl a\nmap_Kd -s 2 2 1 -clamp on my texture.png\nKd 0.5\n", scene);
    ASSERT_EQ(scene.materials.size(), 1u);
    EXPECT_EQ(scene.materials[0].texture, "my texture.png");
    EXPECT_EQ(scene.materials[0].diffuse, (std::array<double, 3>{0.5, 0.5, 0.5}));
}

}  // namespace
}  // namespace tarn::fileio
