#pragma once
// Test fixture for DermalShade tests that run the node through the host's dependency graph:
// registers the type once per suite, gives each test a fresh node and small helpers to set
// inputs, add lights and read the outputs.

#include <gtest/gtest.h>

#include <string>

#include "host/dg/graph.h"
#include "host/dg/node_impl.h"
#include "shader/dermal_shade_node.h"

namespace dermal_test {

/// One light element as the renderer fills it.
struct Light {
    KFloatVector direction;
    KFloatVector intensity;
    bool ambient, diffuse, specular;
};

class DermalShadeFixture : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string error;
        tarn::NodeTypeSpec decl;
        decl.name = "DermalShade";
        decl.id = DermalShade::id;
        decl.creator = DermalShade::creator;
        decl.initializer = DermalShade::initialize;
        decl.classification = "shader/surface";
        ASSERT_TRUE(tarn::Graph::instance().registerType(decl, &error)) << error;
    }
    static void TearDownTestSuite() { tarn::Graph::instance().clear(); }

    void SetUp() override {
        std::string error;
        node = tarn::Graph::instance().createNode("DermalShade", "", &error);
        ASSERT_FALSE(node.isNull()) << error;
    }
    void TearDown() override {
        std::string error;
        tarn::Graph::instance().deleteNode(node, &error);
    }

    KPlug plug(const KObject& attribute) const { return KPlug(node, attribute); }

    void set3(const DermalShade::Compound3& attribute, float x, float y, float z) {
        const KPlug p = plug(attribute.parent);
        ASSERT_TRUE(p.child(0).setValue(x));
        ASSERT_TRUE(p.child(1).setValue(y));
        ASSERT_TRUE(p.child(2).setValue(z));
    }
    void set(const KObject& attribute, float v) { ASSERT_TRUE(plug(attribute).setValue(v)); }

    /// The plug of light element `index` (created on first write).
    KPlug lightElement(unsigned index) const {
        return plug(DermalShade::lightDataArray).elementByLogicalIndex(index);
    }

    /// Writes every field the shader reads into light element `index`.
    void addLight(unsigned index, const Light& light) {
        const KPlug element = lightElement(index);
        const KPlug d = element.child(DermalShade::lightDirection.parent);
        const KPlug i = element.child(DermalShade::lightIntensity.parent);
        for (unsigned c = 0; c < 3; ++c) {
            ASSERT_TRUE(d.child(c).setValue(light.direction[c]));
            ASSERT_TRUE(i.child(c).setValue(light.intensity[c]));
        }
        ASSERT_TRUE(element.child(DermalShade::lightAmbient).setValue(light.ambient));
        ASSERT_TRUE(element.child(DermalShade::lightDiffuse).setValue(light.diffuse));
        ASSERT_TRUE(element.child(DermalShade::lightSpecular).setValue(light.specular));
    }

    /// Camera-space geometry: the surface point at `point` and the normal +z.
    void view(float px, float py, float pz) {
        set3(DermalShade::pointCamera, px, py, pz);
        set3(DermalShade::normalCamera, 0, 0, 1);
    }

    /// Reads a three-float output through the graph (computing it when dirty).
    KFloatVector read(const DermalShade::Compound3& output) const {
        const KPlug p = plug(output.parent);
        return {p.child(0).asFloat(), p.child(1).asFloat(), p.child(2).asFloat()};
    }
    KFloatVector shade() const { return read(DermalShade::outColor); }

    tarn::NodeImpl& impl() const { return *tarn::NodeImpl::from(node); }

    KObject node;
};

}  // namespace dermal_test
