// patchCast loaded into the host: its registration and unloading, the node's attributes as the
// host registered them, and what compute answers without a surface.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "host/dg/attribute_impl.h"
#include "host/dg/graph.h"
#include "host/dg/node_type.h"
#include "host/plugins/plugin_registry.h"
#include "uvproject/patch_cast_test_support.h"

namespace {

using patchcast::testing::loadPatchCast;
using tarn::Graph;
using tarn::plugins::PluginLoader;
using tarn::plugins::Registry;

TEST(PatchCastPlugin, RegistersTheNodeAndCommandWithoutARefreshAndUnloads) {
    auto& loader = PluginLoader::instance();
    if (loader.find("patchCast")) {
        std::string error;
        ASSERT_TRUE(loader.unload("patchCast", true, &error)) << error;
    }
    tarn::lang::journal().clear();
    tarn::output::Capture capture;
    loadPatchCast();
    const auto* plugin = loader.find("patchCast");
    ASSERT_NE(plugin, nullptr);
    EXPECT_EQ(plugin->vendor, "Quill|Ridgeline Support Plugin");
    EXPECT_EQ(plugin->version, "4.5");
    EXPECT_EQ(plugin->apiVersion, "Any");
    const tarn::NodeType* type = Graph::instance().findType("patchCastNode");
    ASSERT_NE(type, nullptr);
    EXPECT_EQ(type->id.id(), 0x107040u);
    EXPECT_EQ(type->classification, "");
    EXPECT_EQ(type->nodeKind, KPxNode::kDependNode);
    const auto* command = Registry::instance().findCommand("polyMapCutFacesBorder");
    ASSERT_NE(command, nullptr);
    EXPECT_EQ(command->syntax, nullptr);
    // This plug-in runs no interface refresh, on load or on unload.
    EXPECT_TRUE(tarn::lang::journal().entries().empty());

    std::string error;
    ASSERT_TRUE(loader.unload("patchCast", false, &error)) << error;
    EXPECT_EQ(Graph::instance().findType("patchCastNode"), nullptr);
    EXPECT_EQ(Registry::instance().findCommand("polyMapCutFacesBorder"), nullptr);
    EXPECT_TRUE(tarn::lang::journal().entries().empty());
    EXPECT_EQ(capture.errors(), "");
}

TEST(PatchCastPlugin, AFailedNodeRegistrationStopsBeforeTheCommand) {
    // A second copy of the library takes the node type and the command first.
    auto& loader = PluginLoader::instance();
    if (loader.find("patchCast")) {
        std::string error;
        ASSERT_TRUE(loader.unload("patchCast", true, &error)) << error;
    }
    const std::filesystem::path dir =
        std::filesystem::path(TARN_BINARY_DIR) / "tests" / "patch_cast_fixtures";
    std::filesystem::create_directories(dir);
    const std::filesystem::path first = dir / "patchCastFirst.so";
    std::filesystem::copy_file(PATCHCAST_PLUGIN, first,
                               std::filesystem::copy_options::overwrite_existing);
    std::string error;
    ASSERT_TRUE(loader.load(first.string(), &error)) << error;

    tarn::output::Capture capture;
    EXPECT_FALSE(loader.load(PATCHCAST_PLUGIN, &error));
    // Only the node's failure is printed: the command was never tried.
    EXPECT_EQ(capture.errors(), "registerNode: Unexpected Internal Failure\n");
    EXPECT_EQ(loader.find("patchCast"), nullptr);
    const auto* command = Registry::instance().findCommand("polyMapCutFacesBorder");
    ASSERT_NE(command, nullptr);
    EXPECT_EQ(command->owner->name, "patchCastFirst");

    ASSERT_TRUE(loader.unload("patchCastFirst", true, &error)) << error;
}

TEST(PatchCastNode, AttributesAsRegistered) {
    loadPatchCast();
    const tarn::NodeType* type = Graph::instance().findType("patchCastNode");
    ASSERT_NE(type, nullptr);
    enum Kind { kMesh, kSurface, kEnum, kInt };
    struct Row {
        const char* longName;
        const char* shortName;
        Kind kind;
        int defaultValue;
        bool readable, writable, storable, keyable, affectsOut;
    } const rows[] = {
        {"inMesh", "inm", kMesh, 0, false, true, true, false, true},
        {"inSurface", "ins", kSurface, 0, false, true, true, false, true},
        {"outMesh", "outm", kMesh, 0, true, false, false, false, false},
        {"normalize", "n", kEnum, 0, true, true, true, false, true},
        {"groupId", "gid", kInt, -1, false, true, true, false, true},
    };
    const auto& attributes = type->attributes();
    ASSERT_EQ(attributes.size(), std::size(rows));
    const tarn::AttributeImpl* out = type->findAttribute("outMesh");
    ASSERT_NE(out, nullptr);
    const KObject node = KFnDependencyNode().create("patchCastNode");
    KFnDependencyNode nodeFn(node);
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const Row& r = rows[i];
        const tarn::AttributeImpl& a = *attributes[i];
        SCOPED_TRACE(r.longName);
        EXPECT_EQ(a.longName, r.longName);  // added in table order
        EXPECT_EQ(a.shortName, r.shortName);
        EXPECT_EQ(a.readable, r.readable);
        EXPECT_EQ(a.writable, r.writable);
        EXPECT_EQ(a.storable, r.storable);
        EXPECT_EQ(a.keyable, r.keyable);
        bool affects = false;
        for (int j : type->affectedBy(a.index)) affects |= attributes[j].get() == out;
        EXPECT_EQ(affects, r.affectsOut);

        const KObject handle = nodeFn.attribute(r.shortName);
        switch (r.kind) {
            case kMesh:
            case kSurface: {
                KFnTypedAttribute fn(handle);
                EXPECT_EQ(fn.attrType(), r.kind == kMesh ? KFnData::kMesh : KFnData::kNurbsSurface);
                KObject data;
                ASSERT_TRUE(fn.getDefault(data));
                EXPECT_TRUE(data.isNull());
                break;
            }
            case kEnum: {
                KFnEnumAttribute fn(handle);
                short value = 7;
                ASSERT_TRUE(fn.getDefault(value));
                EXPECT_EQ(value, r.defaultValue);
                EXPECT_EQ(fn.fieldName(0), "off");
                EXPECT_EQ(fn.fieldName(1), "on");
                KStatus st;
                fn.fieldName(2, &st);
                EXPECT_FALSE(st);  // two fields only
                break;
            }
            case kInt: {
                KFnNumericAttribute fn(handle);
                EXPECT_EQ(fn.unitType(), KFnNumericData::kInt);
                int value = 0;
                ASSERT_TRUE(fn.getDefault(value));
                EXPECT_EQ(value, r.defaultValue);
                break;
            }
        }
    }
    Graph::instance().deleteNode(node, nullptr);
}

TEST(PatchCastNode, OnlyOutMeshIsComputed) {
    loadPatchCast();
    KStatus st;
    const KObject node = KFnDependencyNode().create("patchCastNode", "", &st);
    ASSERT_TRUE(st);
    KFnDependencyNode fn(node);
    KPxNode* user = fn.userNode();
    ASSERT_NE(user, nullptr);
    // Every other plug answers kUnknownParameter before looking at the block.
    KDataBlock block(nullptr);
    for (const char* name : {"inMesh", "inSurface", "normalize", "groupId"}) {
        const KPlug plug = fn.findPlug(name);
        EXPECT_EQ(user->compute(plug, block).statusCode(), KStatus::kUnknownParameter) << name;
    }
    // Without mesh data, then without a surface, outMesh fails with one message and stays
    // empty. The mesh is read first.
    KObject mesh = KFnMeshData().create();
    KPointArray points;
    points.append(KPoint(0.0, 0.0, 0.0));
    points.append(KPoint(1.0, 0.0, 0.0));
    points.append(KPoint(0.0, 1.0, 0.0));
    KIntArray counts, connects;
    counts.append(3);
    for (int v : {0, 1, 2}) connects.append(v);
    KFnMesh().create(3, 1, points, counts, connects, mesh, &st);
    ASSERT_TRUE(st);
    for (const char* expected :
         {"error with mesh input data\n", "error with nurbs surface input data\n"}) {
        ::testing::internal::CaptureStderr();
        KObject out;
        fn.findPlug("outMesh").getValue(out);
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), expected);
        EXPECT_TRUE(out.isNull());
        ASSERT_TRUE(fn.findPlug("inMesh").setValue(mesh));
    }
    Graph::instance().deleteNode(node, nullptr);
}

}  // namespace
