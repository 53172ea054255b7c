// The kind table: built-in kinds with one or two parents, kinds added at run time with several
// parents, and who holds an added kind.

#include <gtest/gtest.h>

#include <string>

#include "frame/k_object.h"
#include "host/sdk/registrant.h"

namespace {

TEST(KindTable, BuiltInModifierKindsHaveTheirParents) {
    struct Case {
        KFn::Type type;
        KFn::Type base;
        bool isA;
    };
    const Case cases[] = {
        {KFn::kMidModifier, KFn::kPolyModifier, true},
        {KFn::kMidModifier, KFn::kPluginNode, true},  // the second parent
        {KFn::kMidModifier, KFn::kDependencyNode, true},
        {KFn::kMidModifier, KFn::kNamedObject, true},
        {KFn::kMidModifier, KFn::kPolyCreator, false},
        {KFn::kMidModifier, KFn::kDagNode, false},
        {KFn::kPolyModifier, KFn::kPluginNode, false},  // host modifiers need no plug-in
        {KFn::kPolyCreator, KFn::kPluginNode, true},
        {KFn::kPolyCreator, KFn::kPolyModifier, false},
        {KFn::kPluginNode, KFn::kMidModifier, false},
        {KFn::kInvalid, KFn::kBase, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(kFnIsA(c.type, c.base), c.isA)
            << KObjBase::name(c.type) << " of " << KObjBase::name(c.base);
    EXPECT_STREQ(KObjBase::name(KFn::kMidModifier), "kMidModifier");
    EXPECT_EQ(KObjBase::find("kPolyCreator"), KFn::kPolyCreator);
}

TEST(KindTable, AddedKindAnswersThroughEveryParent) {
    int owner = 0;
    tarn::RegistrantScope scope(&owner);
    KStatus status;
    const KFn::Type smoother = KObjBase::add(
        "kTestSmoother", {KFn::kPolyModifier, KFn::kPluginNode, KFn::kDependencyNode}, &status);
    ASSERT_TRUE(status);
    EXPECT_GE(int(smoother), KFn::kFirstAddedType);
    const KFn::Type fine = KObjBase::add("kTestFineSmoother", {smoother, KFn::kTexture2d}, &status);
    ASSERT_TRUE(status);
    EXPECT_TRUE(kFnIsA(fine, smoother));
    EXPECT_TRUE(kFnIsA(fine, KFn::kPolyModifier));  // through the added parent
    EXPECT_TRUE(kFnIsA(fine, KFn::kTexture2d));     // through the built-in one
    EXPECT_TRUE(kFnIsA(fine, KFn::kNamedObject));
    EXPECT_FALSE(kFnIsA(smoother, fine));
    EXPECT_FALSE(kFnIsA(fine, KFn::kDagNode));
    EXPECT_STREQ(KObjBase::name(fine), "kTestFineSmoother");
    EXPECT_EQ(KObjBase::find("kTestSmoother"), smoother);
    tarn::releaseAddedTypes(&owner);
}

TEST(KindTable, RefusedAdditionsAddNothing) {
    int owner = 0;
    tarn::RegistrantScope scope(&owner);
    ASSERT_TRUE(KObjBase::add("kTestOnce", {KFn::kPluginNode}) != KFn::kInvalid);
    const KFn::Type none[] = {KFn::kPluginNode};
    const KFn::Type nine[] = {KFn::kBase, KFn::kBase, KFn::kBase, KFn::kBase, KFn::kBase,
                              KFn::kBase, KFn::kBase, KFn::kBase, KFn::kBase};
    struct Case {
        const char* id;
        const char* name;
        const KFn::Type* parents;
        unsigned count;
    };
    const KFn::Type unknown[] = {KFn::Type(KFn::kFirstAddedType + 99999)};
    const KFn::Type invalid[] = {KFn::kInvalid};
    const KFn::Type otherParents[] = {KFn::kTexture3d};
    const KFn::Type notMidParents[] = {KFn::kDagNode};
    const Case cases[] = {
        {"empty name", "", none, 1},
        {"not an identifier", "k Test", none, 1},
        {"starts with a digit", "9Test", none, 1},
        {"no parents", "kTestNoParents", none, 0},
        {"too many parents", "kTestNine", nine, 9},
        {"unknown parent", "kTestOrphan", unknown, 1},
        {"invalid parent", "kTestInvalid", invalid, 1},
        {"same name, other parents", "kTestOnce", otherParents, 1},
        {"built-in name, parents it lacks", "kMidModifier", notMidParents, 1},
    };
    for (const Case& c : cases) {
        KStatus status;
        EXPECT_EQ(KObjBase::add(c.name, c.parents, c.count, &status), KFn::kInvalid) << c.id;
        EXPECT_EQ(status.statusCode(), KStatus::kInvalidParameter) << c.id;
    }
    EXPECT_EQ(KObjBase::find("kTestNoParents"), KFn::kInvalid);
    EXPECT_EQ(KObjBase::find("kTestOrphan"), KFn::kInvalid);
    EXPECT_FALSE(kFnIsA(KObjBase::find("kTestOnce"), KFn::kTexture3d));
    // A built-in name with parents it already has answers the built-in kind.
    KStatus status;
    EXPECT_EQ(KObjBase::add(
                  "kMidModifier",
                  {KFn::kPolyModifier, KFn::kPluginNode, KFn::kDependencyNode, KFn::kNamedObject},
                  &status),
              KFn::kMidModifier);
    EXPECT_TRUE(status);
    tarn::releaseAddedTypes(&owner);
}

TEST(KindTable, HoldersDecideWhenAKindIsGone) {
    int first = 0, second = 0;
    KFn::Type kind;
    {
        tarn::RegistrantScope scope(&first);
        kind = KObjBase::add("kTestShared", {KFn::kPluginNode});
        ASSERT_NE(kind, KFn::kInvalid);
    }
    {
        tarn::RegistrantScope scope(&second);
        EXPECT_EQ(KObjBase::add("kTestShared", {KFn::kPluginNode}), kind);
        // Removing is per holder, and removing twice is harmless.
        EXPECT_TRUE(KObjBase::remove("kTestShared"));
        EXPECT_EQ(KObjBase::remove("kTestShared").statusCode(), KStatus::kNotFound);
        EXPECT_EQ(KObjBase::remove("kMesh").statusCode(), KStatus::kInvalidParameter);
    }
    EXPECT_EQ(KObjBase::find("kTestShared"), kind);  // the first holder still has it
    tarn::releaseAddedTypes(&first);
    tarn::releaseAddedTypes(&first);
    EXPECT_EQ(KObjBase::find("kTestShared"), KFn::kInvalid);
    // Objects that still carry the value keep answering it.
    EXPECT_STREQ(KObjBase::name(kind), "kTestShared");
    EXPECT_TRUE(kFnIsA(kind, KFn::kPluginNode));
    // Added again (a plug-in reloaded), the name gets its old value back, even with new parents.
    tarn::RegistrantScope scope(&second);
    EXPECT_EQ(KObjBase::add("kTestShared", {KFn::kPolyCreator}), kind);
    EXPECT_TRUE(kFnIsA(kind, KFn::kPolyCreator));
    EXPECT_STREQ(KObjBase::name(KFn::Type(KFn::kFirstAddedType + 999999)), "kUnknown");
    tarn::releaseAddedTypes(&second);
}

}  // namespace
