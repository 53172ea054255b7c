#include "host/dg/sample_evaluator.h"

#include <gtest/gtest.h>
#include <tbb/parallel_for.h>

#include <cstring>

#include "host/dg/dg_test_node.h"

using dgtest::ProbeNode;
using tarn::Graph;

namespace {

class SampleEvaluatorTest : public ::testing::Test {
protected:
    void SetUp() override {
        Graph::instance().clear();
        ASSERT_TRUE(dgtest::registerProbe());
        ProbeNode::throwInCompute = false;
    }
    void TearDown() override { Graph::instance().clear(); }
    KPlug plug(const std::string& text) {
        std::string error;
        return Graph::instance().parsePlug(text, &error);
    }
};

TEST_F(SampleEvaluatorTest, PrepareSnapshotsPulledInputsAndBlocksArePrivate) {
    std::string error;
    KObject up = Graph::instance().createNode("probe", "up", &error);
    KObject node = Graph::instance().createNode("probe", "n", &error);
    ASSERT_TRUE(Graph::instance().connect(plug("up.sum"), plug("n.b"), false, &error)) << error;
    ASSERT_TRUE(plug("up.a").setValue(2.0f));

    tarn::SampleEvaluator eval;
    ASSERT_TRUE(eval.prepare(node, &error)) << error;
    EXPECT_TRUE(eval.isMPSafe());
    tarn::SampleSlot a = eval.slot("a"), b = eval.slot("inputB"), sum = eval.slot("sum"),
                     lights = eval.slot("ltd"), intensity = eval.slot("li"), passive = eval.slot("pv");
    ASSERT_TRUE(a && b && sum && lights && intensity && passive);
    EXPECT_FALSE(eval.slot("nothing"));

    tarn::SampleBlock block = eval.makeBlock();
    EXPECT_EQ(block.asDouble(b), 2.0);  // pulled from upstream by prepare
    struct Case {
        double a;
        std::vector<std::pair<int, float>> lights;  // element, intensity R
        float sum;
    };
    const Case cases[] = {{1.0, {}, 3.0f}, {0.5, {{4, 1.0f}}, 3.5f}, {0.0, {{4, 1.0f}, {2, 0.25f}}, 3.25f}};
    for (const Case& c : cases) {
        block.clearArray(lights);
        block.set(a, c.a);
        for (auto [element, r] : c.lights) block.handle(intensity, element).set(r, 0.0f, 0.0f);
        ASSERT_TRUE(block.compute(sum));
        EXPECT_EQ(block.asFloat(sum), c.sum);
    }
    // Writes land at each leaf's precision; values past a slot's numbers are dropped.
    const tarn::SampleSlot flag = eval.slot("doubleIt"), mode = eval.slot("mode");
    block.set(a, 1.0 / 3.0, 9.0, 9.0);
    EXPECT_EQ(block.asDouble(a), static_cast<double>(1.0f / 3.0f));
    block.set(b, 1.0 / 3.0);
    EXPECT_EQ(block.asDouble(b), 1.0 / 3.0);
    block.set(flag, 0.25);
    EXPECT_EQ(block.asDouble(flag), 1.0);
    block.set(mode, 2.75);
    EXPECT_EQ(block.asDouble(mode), 2.0);

    // The node's own storage is untouched by private blocks.
    EXPECT_EQ(plug("n.a").asFloat(), 1.0f);
    EXPECT_EQ(plug("n.ltd").numElements(), 0u);

    // Outputs the node declines answer 5; exceptions become failures.
    EXPECT_EQ(block.compute(passive), KStatus::kUnknownParameter);
    ProbeNode::throwInCompute = true;
    EXPECT_EQ(block.compute(sum), KStatus::kFailure);
}

TEST_F(SampleEvaluatorTest, ParallelBlocksMatchASerialRun) {
    std::string error;
    KObject node = Graph::instance().createNode("probe", "n", &error);
    ASSERT_TRUE(plug("n.ltd[0].lir").setValue(0.125f));
    tarn::SampleEvaluator eval;
    ASSERT_TRUE(eval.prepare(node, &error));
    tarn::SampleSlot a = eval.slot("a"), b = eval.slot("b"), sum = eval.slot("sum");
    constexpr int n = 5000;
    auto sample = [&](tarn::SampleBlock& block, int i) {
        block.set(a, i * 0.001);
        block.set(b, 1.0 / (i + 1));
        block.compute(sum);
        return block.asFloat(sum);
    };
    std::vector<float> serial(n), parallel(n);
    {
        tarn::SampleBlock block = eval.makeBlock();
        for (int i = 0; i < n; ++i) serial[i] = sample(block, i);
    }
    tbb::parallel_for(tbb::blocked_range<int>(0, n, 16), [&](const tbb::blocked_range<int>& r) {
        tarn::SampleBlock block = eval.makeBlock();
        for (int i = r.begin(); i != r.end(); ++i) parallel[i] = sample(block, i);
    });
    EXPECT_EQ(0, std::memcmp(serial.data(), parallel.data(), n * sizeof(float)));
    EXPECT_EQ(serial[0], 1.125f);
}

TEST_F(SampleEvaluatorTest, PrepareRefusesDeletedNodes) {
    std::string error;
    KObject node = Graph::instance().createNode("probe", "n", &error);
    ASSERT_TRUE(Graph::instance().deleteNode(node, &error));
    tarn::SampleEvaluator eval;
    EXPECT_FALSE(eval.prepare(node, &error));
    EXPECT_FALSE(eval.prepared());
    EXPECT_FALSE(eval.prepare(KObject(), &error));
}

}  // namespace
