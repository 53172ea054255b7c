#include "host/dg/graph.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "frame/k_attribute.h"
#include "host/dg/dg_test_node.h"

using dgtest::ProbeNode;
using tarn::Graph;

namespace {

class GraphTest : public ::testing::Test {
protected:
    void SetUp() override {
        Graph::instance().clear();
        ASSERT_TRUE(dgtest::registerProbe());
        ProbeNode::computeCalls = 0;
        ProbeNode::throwInCompute = false;
    }
    void TearDown() override { Graph::instance().clear(); }

    KObject make(const std::string& name = "") {
        std::string error;
        KObject n = Graph::instance().createNode("probe", name, &error);
        EXPECT_FALSE(n.isNull()) << error;
        return n;
    }
    KPlug plug(const std::string& text) {
        std::string error;
        KPlug p = Graph::instance().parsePlug(text, &error);
        EXPECT_FALSE(p.isNull()) << text << ": " << error;
        return p;
    }
    float readFloat(const std::string& text) {
        float v = -1.0f;
        EXPECT_TRUE(plug(text).getValue(v)) << text;
        return v;
    }
    std::string connect(const std::string& src, const std::string& dst, bool force = false) {
        std::string error;
        Graph::instance().connect(plug(src), plug(dst), force, &error);
        return error;
    }
};

TEST_F(GraphTest, AttributeFlagsDefaultsAndLimitsAsStored) {
    KFnNumericAttribute a(ProbeNode::a);
    double lo = -1, hi = -1, softLo = -1, softHi = -1, def = -1;
    EXPECT_TRUE(a.getMin(lo));
    EXPECT_TRUE(a.getMax(hi));
    EXPECT_TRUE(a.getSoftMin(softLo));
    EXPECT_TRUE(a.getSoftMax(softHi));
    EXPECT_TRUE(a.getDefault(def));
    EXPECT_EQ(lo, 0.0);
    EXPECT_EQ(hi, 10.0);
    EXPECT_EQ(softLo, 0.0);
    EXPECT_EQ(softHi, 5.0);
    EXPECT_EQ(def, 1.0);
    EXPECT_TRUE(a.isKeyable());
    EXPECT_FALSE(KFnNumericAttribute(ProbeNode::b).hasMin());

    struct FlagCase {
        const char* what;
        KObject attribute;
        bool readable, writable, storable, keyable, hidden, usedAsColor, array;
        KFnAttribute::DisconnectBehavior disconnect;
    };
    const FlagCase cases[] = {
        {"inputA", ProbeNode::a, true, true, true, true, false, false, false,
         KFnAttribute::kNothing},
        {"inputB", ProbeNode::b, true, true, true, false, false, false, false,
         KFnAttribute::kReset},
        {"inColor", ProbeNode::inColor, true, true, true, false, false, true, false,
         KFnAttribute::kNothing},
        {"sum", ProbeNode::sum, true, false, false, false, false, false, false,
         KFnAttribute::kNothing},
        {"lights", ProbeNode::lights, true, true, true, false, false, false, true,
         KFnAttribute::kNothing},
        {"blind", ProbeNode::lightBlind, true, true, false, false, false, false, false,
         KFnAttribute::kNothing},
    };
    for (const FlagCase& c : cases) {
        KFnAttribute fn(c.attribute);
        EXPECT_EQ(fn.isReadable(), c.readable) << c.what;
        EXPECT_EQ(fn.isWritable(), c.writable) << c.what;
        EXPECT_EQ(fn.isStorable(), c.storable) << c.what;
        EXPECT_EQ(fn.isKeyable(), c.keyable) << c.what;
        EXPECT_EQ(fn.isHidden(), c.hidden) << c.what;
        EXPECT_EQ(fn.isUsedAsColor(), c.usedAsColor) << c.what;
        EXPECT_EQ(fn.isArray(), c.array) << c.what;
        EXPECT_EQ(fn.disconnectBehavior(), c.disconnect) << c.what;
    }

    // Compound defaults land on the children, at float precision.
    KFnNumericAttribute color(ProbeNode::inColor);
    ASSERT_EQ(color.numChildren(), 3u);
    const char* names[] = {"inColorR", "inColorG", "inColorB"};
    const char* shorts[] = {"icr", "icg", "icb"};
    for (unsigned i = 0; i < 3; ++i) {
        KFnNumericAttribute child(color.child(i));
        EXPECT_EQ(child.name(), names[i]);
        EXPECT_EQ(child.shortName(), shorts[i]);
        double d = 0;
        child.getDefault(d);
        EXPECT_EQ(d, 0.5);
        EXPECT_EQ(child.parent(), ProbeNode::inColor);
    }
    EXPECT_EQ(color.unitType(), KFnNumericData::k3Float);
    EXPECT_EQ(ProbeNode::lights.apiType(), KFn::kLightDataAttribute);
    EXPECT_TRUE(ProbeNode::lights.hasFn(KFn::kCompoundAttribute));
    EXPECT_EQ(KFnMatrixAttribute(ProbeNode::place).matrixType(), KFnMatrixAttribute::kFloat);
    short field = KFnEnumAttribute(ProbeNode::mode).fieldIndex("on");
    EXPECT_EQ(field, 1);
}

TEST_F(GraphTest, DefaultsReadBackThroughPlugs) {
    make("n");
    EXPECT_EQ(readFloat("n.a"), 1.0f);
    EXPECT_EQ(readFloat("n.icg"), 0.5f);
    EXPECT_EQ(plug("n.label").asString(), "none");
    EXPECT_EQ(plug("n.md").asInt(), 1);
    KMatrix m;
    EXPECT_TRUE(plug("n.pm").getValue(m));
    EXPECT_TRUE(m == KMatrix::identity);
    // A missing light element reads as the element defaults without being created.
    EXPECT_EQ(readFloat("n.ltd[4].psi"), 1.0f);
    EXPECT_EQ(plug("n.ltd").numElements(), 0u);
}

TEST_F(GraphTest, RegistrationFailuresLeaveNothingBehind) {
    std::string error;
    tarn::NodeTypeSpec decl;
    decl.creator = ProbeNode::creator;
    decl.initializer = [] { return KStatus(); };

    struct Case {
        const char* name;
        unsigned id;
        const char* why;
    };
    const Case cases[] = {
        {"probe", 0x1, "already registered"},   // same name
        {"other", 0x7f001, "already used by"},  // same id
        {"bad name", 0x2, "invalid node type name"},
    };
    for (const Case& c : cases) {
        decl.name = c.name;
        decl.id = KTypeId(c.id);
        EXPECT_FALSE(Graph::instance().registerType(decl, &error)) << c.name;
        EXPECT_NE(error.find(c.why), std::string::npos) << error;
    }
    EXPECT_EQ(Graph::instance().types().size(), 1u);

    // A failing initialiser: the attribute it added is dropped and free for another type.
    static KObject orphan;
    decl.name = "failing";
    decl.id = KTypeId(0x3);
    decl.initializer = [] {
        orphan = KFnNumericAttribute().create("orphan", "o", KFnNumericData::kFloat);
        KPxNode::addAttribute(orphan);
        return KStatus(KStatus::kFailure);
    };
    EXPECT_EQ(Graph::instance().registerType(decl, &error), KStatus::kFailure);
    EXPECT_EQ(Graph::instance().findType("failing"), nullptr);
    EXPECT_EQ(tarn::AttributeImpl::from(orphan)->owner, nullptr);

    // A throwing initialiser is a failure, not a crash.
    decl.initializer = []() -> KStatus { throw std::runtime_error("boom"); };
    EXPECT_FALSE(Graph::instance().registerType(decl, &error));
    EXPECT_NE(error.find("boom"), std::string::npos);
    EXPECT_EQ(Graph::instance().findType("failing"), nullptr);

    // Outside an initialiser addAttribute is refused.
    EXPECT_EQ(KPxNode::addAttribute(orphan), KStatus::kInvalidParameter);
}

TEST_F(GraphTest, NodeNamesAreUniqueAndNumbered) {
    Graph& g = Graph::instance();
    std::string error;
    struct Case {
        const char* wanted;
        const char* expected;
    };
    const Case cases[] = {{"", "probe1"},       {"", "probe2"},   {"foo", "foo"},  {"foo", "foo1"},
                          {"probe1", "probe3"}, {"bar7", "bar7"}, {"bar7", "bar1"}};
    for (const Case& c : cases) {
        KObject n = g.createNode("probe", c.wanted, &error);
        ASSERT_FALSE(n.isNull()) << error;
        EXPECT_EQ(tarn::NodeImpl::from(n)->name(), c.expected) << c.wanted;
    }
    EXPECT_TRUE(g.createNode("probe", "1bad", &error).isNull());
    EXPECT_TRUE(g.createNode("nosuchtype", "", &error).isNull());
    EXPECT_EQ(error, "Unknown node type: nosuchtype");

    std::string actual;
    EXPECT_TRUE(g.renameNode(g.findNode("foo"), "bar7", &actual, &error));
    EXPECT_EQ(actual, "bar2");
    EXPECT_TRUE(g.findNode("foo").isNull());
}

TEST_F(GraphTest, OutputsComputeOnReadAndStayCleanUntilAnInputChanges) {
    make("n");
    ASSERT_TRUE(plug("n.a").setValue(2.0f));
    ASSERT_TRUE(plug("n.b").setValue(3.0));
    EXPECT_EQ(readFloat("n.sum"), 5.0f);
    EXPECT_EQ(ProbeNode::computeCalls, 1);
    EXPECT_EQ(plug("n.lc").asInt(), 0);  // written clean by the same compute
    EXPECT_EQ(readFloat("n.sum"), 5.0f);
    EXPECT_EQ(ProbeNode::computeCalls, 1);

    // An input that does not affect sum leaves it clean.
    ASSERT_TRUE(plug("n.dbl").setValue(true));
    EXPECT_EQ(readFloat("n.sum"), 5.0f);
    EXPECT_EQ(ProbeNode::computeCalls, 1);
    EXPECT_EQ(readFloat("n.ocr"), 1.0f);  // a child output computes its compound
    EXPECT_EQ(ProbeNode::computeCalls, 2);

    ASSERT_TRUE(plug("n.a").setValue(4.0f));
    EXPECT_EQ(readFloat("n.sum"), 7.0f);
    EXPECT_EQ(ProbeNode::computeCalls, 3);
}

// Through the SDK a finite number is stored only if it stays finite at the attribute's
// precision; a refused write keeps the old value. Infinities given on purpose are stored.
TEST_F(GraphTest, SetValueRefusesNumbersTheAttributeCannotHold) {
    make("n");
    ASSERT_TRUE(plug("n.a").setValue(2.0f));
    ASSERT_TRUE(plug("n.b").setValue(3.0));
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        const char* plug;
        double value;
        bool stored;
    } cases[] = {
        {"n.a", 1e39, false},  // float attribute
        {"n.a", -3.5e38, false}, {"n.a", 3.4e38, true},
        {"n.a", -inf, true},     {"n.b", 1e300, true},  // double attribute
    };
    for (const Case& c : cases) {
        const double before = plug(c.plug).asDouble();
        const bool ok = static_cast<bool>(plug(c.plug).setValue(c.value));
        EXPECT_EQ(ok, c.stored) << c.plug << " " << c.value;
        const double now = plug(c.plug).asDouble();
        if (c.stored)
            EXPECT_EQ(now, std::string(c.plug) == "n.a" ? double(float(c.value)) : c.value);
        else
            EXPECT_EQ(now, before) << c.plug << " " << c.value;
    }
}

TEST_F(GraphTest, UnknownParameterKeepsTheStoredValueAndIsNotRetried) {
    KObject n = make("n");
    KStatus s;
    KDataHandle h = Graph::instance().writeHandle(plug("n.pv"), &s);
    h.set(42.0f);
    ASSERT_TRUE(plug("n.a").setValue(3.0f));  // dirties passive
    EXPECT_EQ(readFloat("n.pv"), 42.0f);
    EXPECT_EQ(ProbeNode::computeCalls, 1);
    EXPECT_EQ(readFloat("n.pv"), 42.0f);
    EXPECT_EQ(ProbeNode::computeCalls, 1);
}

TEST_F(GraphTest, ConnectionsEvaluateUpstreamOnRead) {
    make("up");
    make("down");
    make("side");
    EXPECT_EQ(connect("up.sum", "down.a"), "");               // leaf to leaf
    EXPECT_EQ(connect("up.outColor", "down.inColor"), "");    // compound to compound
    EXPECT_EQ(connect("up.outColorR", "side.inColorG"), "");  // child to child
    ASSERT_TRUE(plug("up.b").setValue(10.0));
    ASSERT_TRUE(plug("up.dbl").setValue(true));
    EXPECT_EQ(readFloat("down.sum"), 11.0f + 0.0f);  // up.sum = 1 + 10
    EXPECT_EQ(readFloat("down.ocb"), 1.0f);          // 0.5 * 2
    EXPECT_EQ(readFloat("side.icg"), 1.0f);
    EXPECT_EQ(readFloat("side.icr"), 0.5f);

    // A change upstream reaches the downstream output.
    ASSERT_TRUE(plug("up.a").setValue(5.0f));
    EXPECT_EQ(readFloat("down.sum"), 15.0f);
    EXPECT_TRUE(plug("down.a").isConnected());
    EXPECT_TRUE(plug("down.a").isDestination());
    EXPECT_TRUE(plug("up.sum").isSource());
    KPlugArray sources;
    EXPECT_TRUE(plug("down.a").connectedTo(sources, true, false));
    ASSERT_EQ(sources.length(), 1u);
    EXPECT_EQ(sources[0].name(), "up.sum");
}

TEST_F(GraphTest, AConnectionCanJoinTheListAtAGivenPlace) {
    make("up");
    make("down");
    std::string error;
    Graph& g = Graph::instance();
    ASSERT_TRUE(g.connect(plug("up.sum"), plug("down.a"), false, &error)) << error;
    ASSERT_TRUE(g.connect(plug("up.sum"), plug("down.b"), false, &error)) << error;
    // First place, then far past the end (the end).
    ASSERT_TRUE(g.connect(plug("up.outColor"), plug("down.inColor"), false, &error, 0)) << error;
    ASSERT_TRUE(g.connect(plug("up.lc"), plug("down.md"), false, &error, 1000)) << error;
    std::vector<std::string> order;
    for (const tarn::Connection& c : g.connections()) order.push_back(c.dstAttr->longName);
    EXPECT_EQ(order, (std::vector<std::string>{"inColor", "inputA", "inputB", "mode"}));
    // A connection at a place still evaluates like any other.
    ASSERT_TRUE(plug("up.dbl").setValue(true));
    EXPECT_EQ(readFloat("down.icr"), 1.0f);
}

TEST_F(GraphTest, BadConnectionsAreRefusedWithReasons) {
    make("x");
    make("y");
    ASSERT_EQ(connect("x.sum", "y.a"), "");
    struct Case {
        const char* src;
        const char* dst;
        const char* why;
    };
    const Case cases[] = {
        {"x.a", "y.sum", "is an output"},
        {"y.sum", "x.a", "cycle"},
        {"x.sum", "x.a", "same node are not supported"},
        {"x.outColor", "y.b", "not compatible"},
        {"x.lc", "y.a", "already has an incoming connection"},
        {"x.sum", "y.a", "already connected"},
        {"x.sum", "y.ltd", "Name an element"},
    };
    for (const Case& c : cases) {
        std::string error = connect(c.src, c.dst);
        EXPECT_NE(error.find(c.why), std::string::npos)
            << c.src << " -> " << c.dst << ": " << error;
    }
    // Forcing replaces the existing connection.
    EXPECT_EQ(connect("x.lc", "y.a", true), "");
    EXPECT_EQ(Graph::instance().connections().size(), 1u);

    // Writes into a connected or locked input are refused.
    std::string error;
    EXPECT_FALSE(Graph::instance().canWrite(plug("y.a"), &error));
    EXPECT_NE(error.find("connected"), std::string::npos);
    EXPECT_FALSE(plug("y.a").setValue(1.0f));
    ASSERT_TRUE(plug("y.b").setLocked(true));
    EXPECT_FALSE(plug("y.b").setValue(1.0));
    EXPECT_NE(connect("x.sum", "y.b").find("locked"), std::string::npos);
    EXPECT_FALSE(Graph::instance().canWrite(plug("y.sum"), &error));
}

TEST_F(GraphTest, DisconnectAppliesTheDestinationsBehaviour) {
    make("x");
    make("y");
    ASSERT_TRUE(plug("x.a").setValue(4.0f));
    ASSERT_EQ(connect("x.sum", "y.b"), "");  // b resets on disconnect
    ASSERT_EQ(connect("x.sum", "y.a"), "");  // a keeps its last value
    EXPECT_EQ(readFloat("y.sum"), 8.0f);
    std::string error;
    ASSERT_TRUE(Graph::instance().disconnect(plug("x.sum"), plug("y.b"), &error));
    ASSERT_TRUE(Graph::instance().disconnect(plug("x.sum"), plug("y.a"), &error));
    EXPECT_EQ(readFloat("y.b"), 0.0f);
    EXPECT_EQ(readFloat("y.a"), 4.0f);
    EXPECT_EQ(readFloat("y.sum"), 4.0f);
    EXPECT_FALSE(Graph::instance().disconnect(plug("x.sum"), plug("y.a"), &error));
}

TEST_F(GraphTest, ArrayElementsByLogicalIndex) {
    make("x");
    make("src");
    ASSERT_TRUE(plug("x.ltd[3].lir").setValue(2.0f));
    ASSERT_TRUE(plug("x.ltd[1].lir").setValue(0.5f));
    ASSERT_TRUE(plug("src.a").setValue(0.25f));
    ASSERT_EQ(connect("src.sum", "x.ltd[7].lig"), "");  // connecting creates element 7
    KIntArray indices;
    EXPECT_EQ(plug("x.ltd").getExistingArrayAttributeIndices(indices), 3u);
    EXPECT_EQ(indices, KIntArray({1, 3, 7}));
    EXPECT_EQ(plug("x.lc").asInt(), 3);
    // sum = a (1) + lir of each element in order (0.5 + 2 + element 7's default 0)
    EXPECT_EQ(readFloat("x.sum"), 3.5f);
    EXPECT_EQ(readFloat("x.ltd[7].lig"), 0.25f);
    EXPECT_EQ(plug("x.ltd[3].lir").name(), "x.lightDataArray[3].lightIntensityR");
    EXPECT_EQ(plug("x.ltd[3]").partialName(), "ltd[3]");

    std::string error;
    ASSERT_TRUE(Graph::instance().removeElement(plug("x.ltd[3]"), &error));
    EXPECT_EQ(readFloat("x.sum"), 1.5f);
    EXPECT_EQ(plug("x.lc").asInt(), 2);
}

TEST_F(GraphTest, DeletingANodeBreaksItsConnections) {
    KObject up = make("up");
    make("down");
    ASSERT_EQ(connect("up.sum", "down.a"), "");
    ASSERT_TRUE(plug("up.a").setValue(6.0f));
    EXPECT_EQ(readFloat("down.sum"), 6.0f);
    std::string error;
    ASSERT_TRUE(Graph::instance().deleteNode(up, &error));
    EXPECT_TRUE(Graph::instance().connections().empty());
    EXPECT_EQ(readFloat("down.a"), 6.0f);  // kNothing: the last value stays
    EXPECT_TRUE(KPlug(up, ProbeNode::a).isNull());
    EXPECT_TRUE(plug("down.a").setValue(2.0f));
}

TEST_F(GraphTest, ExceptionsInComputeBecomeFailures) {
    make("n");
    ProbeNode::throwInCompute = true;
    float v = 0;
    EXPECT_EQ(plug("n.sum").getValue(v), KStatus::kFailure);
    ProbeNode::throwInCompute = false;
    EXPECT_TRUE(plug("n.sum").getValue(v));  // still dirty, computed now
    EXPECT_EQ(v, 1.0f);
}

TEST_F(GraphTest, PlugParsingRejectsBadNames) {
    make("n");
    const char* bad[] = {"n", "n.nosuch", "nobody.a", "n.a[1]", "n.ltd[x]", "n.lir", "n.ltd[1].a"};
    for (const char* text : bad) {
        std::string error;
        EXPECT_TRUE(Graph::instance().parsePlug(text, &error).isNull()) << text;
        EXPECT_FALSE(error.empty()) << text;
    }
}

}  // namespace
