#include "texture/common/texture_node.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace texture {
namespace {

AttrRow named(const char* ln) {
    return floatRow(ln, ln, 0.0, kPlainOn);
}

TEST(FinishOwnRows, SetsRegistrationOrderAndNarrowsColourOnlyRows) {
    AttrRow preset = named("preset");
    preset.affects = Affects::kNone;
    preset.childAffects = Affects::kNone;
    preset.addOrder = 7;
    const std::vector<OwnRow> own = {
        {named("a"), 2, true},
        {named("b"), 0, false},
        {preset, 1, false},
        {named("d"), 3},
    };
    struct Expect {
        const char* name;
        int addOrder;
        Affects affects, childAffects;
    } expect[] = {
        {"a", 2, Affects::kColorOnly, Affects::kColorOnly},
        {"b", 0, Affects::kBoth, Affects::kBoth},
        {"preset", 1, Affects::kNone, Affects::kNone},
        {"d", 3, Affects::kBoth, Affects::kBoth},
    };
    const std::vector<AttrRow> rows = finishOwnRows(own);
    ASSERT_EQ(rows.size(), std::size(expect));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(expect[i].name);
        EXPECT_STREQ(rows[i].longName, expect[i].name);
        EXPECT_EQ(rows[i].addOrder, expect[i].addOrder);
        EXPECT_EQ(rows[i].affects, expect[i].affects);
        EXPECT_EQ(rows[i].childAffects, expect[i].childAffects);
    }
    EXPECT_TRUE(finishOwnRows({}).empty());
}

TEST(InCreationOrder, NumbersRowsFromZeroReplacingEarlierOrders) {
    for (std::size_t n : {0u, 1u, 5u}) {
        std::vector<AttrRow> rows(n, named("x"));
        for (AttrRow& r : rows) r.addOrder = 9;
        rows = inCreationOrder(rows);
        ASSERT_EQ(rows.size(), n);
        for (std::size_t i = 0; i < n; ++i) EXPECT_EQ(rows[i].addOrder, static_cast<int>(i));
    }
}

// Two small nodes on each base: one with the defaults, one hiding the set-up choices.
struct ProbeParams {
    float value = 0.25f;
};

PatternResult flatPattern(float, float, const ProbeParams& p) {
    return {{p.value, p.value, p.value}, p.value};
}

PatternResult filteredPattern(float, float, float fx, float fy, const ProbeParams&) {
    return {{fx, fy, 0}, 1};
}

PatternResult solidPattern(float x, float, float, const ProbeParams&) {
    return {{x, x, x}, x};
}

std::vector<OwnRow> probeOwnRows() {
    return {{withField(named("value"), Field::kFloat, offsetof(ProbeParams, value)), 0, true}};
}

class plainProbeNode : public Texture2dNode<plainProbeNode, ProbeParams, &flatPattern> {
public:
    static std::vector<OwnRow> ownRows() { return probeOwnRows(); }
};

class denimProbeNode : public Texture2dNode<denimProbeNode, ProbeParams, &filteredPattern> {
public:
    static constexpr bool kDenimStyle = true;
    static constexpr const char* kErrorTag = "probe";
    static std::vector<OwnRow> ownRows() { return probeOwnRows(); }
};

class solidProbeNode
    : public Texture3dNode<solidProbeNode, ProbeParams, &solidPattern, PlacementStyle::kClosedBox> {
public:
    static std::vector<AttrRow> ownRows() { return {named("first"), named("second")}; }
};

bool sameRows(const std::vector<AttrRow>& a, const std::vector<AttrRow>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::strcmp(a[i].longName, b[i].longName) != 0 || a[i].on != b[i].on ||
            a[i].off != b[i].off || a[i].childOn != b[i].childOn ||
            a[i].childOff != b[i].childOff || a[i].addOrder != b[i].addOrder ||
            a[i].affects != b[i].affects || a[i].childAffects != b[i].childAffects)
            return false;
    }
    return true;
}

TEST(TextureNodeRows, TwoDimensionalNodesFollowTheirSetUpChoice) {
    const std::vector<AttrRow> own = finishOwnRows(probeOwnRows());
    EXPECT_TRUE(sameRows(plainProbeNode::attributeRows(), texture2dRows(own, false)));
    EXPECT_TRUE(sameRows(denimProbeNode::attributeRows(), texture2dRows(own, true)));
    // The two styles really differ, so the comparisons above tell them apart.
    EXPECT_FALSE(sameRows(texture2dRows(own, true), texture2dRows(own, false)));
    EXPECT_STREQ(plainProbeNode::kErrorTag, nullptr);
    EXPECT_STREQ(denimProbeNode::kErrorTag, "probe");
}

TEST(TextureNodeRows, ThreeDimensionalNodesRegisterOwnRowsInCreationOrder) {
    const std::vector<AttrRow> rows = solidProbeNode::attributeRows();
    EXPECT_TRUE(sameRows(rows, placement3dRows(inCreationOrder(solidProbeNode::ownRows()),
                                               PlacementStyle::kClosedBox)));
    const int first = std::string("first") == rows[rows.size() - 2].longName
                          ? rows[rows.size() - 2].addOrder
                          : -1;
    EXPECT_GE(first, 0);
    EXPECT_EQ(rows.back().addOrder, first + 1);
}

// Outside a registration every add and dependency call fails: only a node naming an error tag
// reports them, and set-up carries on either way.
TEST(TextureNodeInitialize, ReportsFailingCallsUnderTheNodesOwnTag) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(plainProbeNode::initialize(), KStatus::kSuccess);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

    testing::internal::CaptureStderr();
    EXPECT_EQ(denimProbeNode::initialize(), KStatus::kSuccess);
    const std::string printed = testing::internal::GetCapturedStderr();
    EXPECT_EQ(printed.rfind("ERROR in probe at line ", 0), 0u) << printed;
    EXPECT_EQ(printed.find("ERROR in denim"), std::string::npos);
    EXPECT_EQ(denimProbeNode::layout().rows().size(), denimProbeNode::attributeRows().size());
}

}  // namespace
}  // namespace texture
