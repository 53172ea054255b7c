#include "host/dg/data_store.h"

#include <gtest/gtest.h>

#include "host/dg/dg_test_node.h"
#include "host/dg/node_impl.h"
#include "host/dg/node_type.h"

using tarn::DataStore;
using tarn::Graph;

namespace {

// Dirty bookkeeping of one node's storage: compounds follow their children, copies keep the
// flags, and cleaning what is already clean (the per-sample case) changes nothing.
class DataStoreDirtyTest : public ::testing::Test {
protected:
    void SetUp() override {
        Graph::instance().clear();
        ASSERT_TRUE(dgtest::registerProbe());
        std::string error;
        node = Graph::instance().createNode("probe", "n", &error);
        ASSERT_FALSE(node.isNull()) << error;
    }
    void TearDown() override { Graph::instance().clear(); }

    DataStore& store() { return tarn::NodeImpl::from(node)->store(); }
    const tarn::AttributeImpl& attr(const char* name) {
        const tarn::AttributeImpl* a = tarn::NodeImpl::from(node)->type().findAttribute(name);
        EXPECT_NE(a, nullptr) << name;
        return *a;
    }

    KObject node;
};

TEST_F(DataStoreDirtyTest, ComputedAttributesStartDirtyAndInputsClean) {
    DataStore fresh(tarn::NodeImpl::from(node)->type());
    for (const char* name : {"sum", "outColor", "outColorR", "lightCount", "passive"})
        EXPECT_TRUE(fresh.isDirty(attr(name))) << name;
    for (const char* name : {"inputA", "inColor", "inColorG", "label"})
        EXPECT_FALSE(fresh.isDirty(attr(name))) << name;
}

TEST_F(DataStoreDirtyTest, CompoundBecomesCleanOnlyWithAllItsChildren) {
    DataStore s(tarn::NodeImpl::from(node)->type());
    s.setClean(attr("outColorR"));
    s.setClean(attr("outColorG"));
    EXPECT_TRUE(s.isDirty(attr("outColor")));
    EXPECT_FALSE(s.isFullyDirty(attr("outColor")));
    s.setClean(attr("outColorB"));
    EXPECT_FALSE(s.isDirty(attr("outColor")));

    // Dirtying one child dirties the parent again, not the siblings.
    s.setDirty(attr("outColorG"));
    EXPECT_TRUE(s.isDirty(attr("outColor")));
    EXPECT_FALSE(s.isDirty(attr("outColorR")));
}

TEST_F(DataStoreDirtyTest, CleaningWhatIsCleanKeepsTheBookkeepingExact) {
    DataStore s(tarn::NodeImpl::from(node)->type());
    for (const char* name : {"sum", "outColor", "lightCount", "passive"}) s.setClean(attr(name));
    for (const char* name : {"sum", "outColor", "lightCount", "passive"})
        EXPECT_FALSE(s.isDirty(attr(name))) << name;
    // Repeated cleans (one per sample) must not drive the count below what the flags say.
    for (int i = 0; i < 3; ++i) s.setClean(attr("outColor"));
    s.setDirty(attr("sum"));
    EXPECT_TRUE(s.isDirty(attr("sum")));
    EXPECT_FALSE(s.isDirty(attr("outColor")));
    s.setClean(attr("sum"));
    EXPECT_FALSE(s.isDirty(attr("sum")));
    // Setting a flag twice and clearing it once leaves it clear.
    s.setDirty(attr("passive"));
    s.setDirty(attr("passive"));
    s.setClean(attr("passive"));
    EXPECT_FALSE(s.isDirty(attr("passive")));
    s.setDirty(attr("outColorB"));
    EXPECT_TRUE(s.isDirty(attr("outColor")));
}

TEST_F(DataStoreDirtyTest, CopiesAndAssignmentsCarryTheFlags) {
    DataStore s(tarn::NodeImpl::from(node)->type());
    s.setClean(attr("sum"));
    DataStore copy(s);
    EXPECT_FALSE(copy.isDirty(attr("sum")));
    EXPECT_TRUE(copy.isDirty(attr("outColor")));
    copy.setClean(attr("outColor"));
    EXPECT_TRUE(s.isDirty(attr("outColor"))) << "a copy is independent";

    DataStore assigned(tarn::NodeImpl::from(node)->type());
    assigned = copy;
    EXPECT_FALSE(assigned.isDirty(attr("outColor")));
    EXPECT_TRUE(assigned.isDirty(attr("lightCount")));
    assigned.setDirty(attr("outColorR"));
    EXPECT_TRUE(assigned.isDirty(attr("outColor")));
}

}  // namespace
