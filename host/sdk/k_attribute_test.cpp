#include <gtest/gtest.h>

#include "frame/k_attribute.h"
#include "frame/k_context.h"
#include "frame/k_node.h"
#include "frame/k_translator.h"
#include "host/dg/attribute_impl.h"
#include "host/dg/graph.h"

namespace {

TEST(KFnAttribute, CreationRefusesBadInput) {
    KFnNumericAttribute n;
    KStatus s;
    struct Case {
        const char* what;
        KObject made;
    };
    KObject leaf = n.create("leaf", "lf", KFnNumericData::kFloat);
    KObject text = KFnTypedAttribute().create("text", "tx", KFnData::kString);
    const Case cases[] = {
        {"empty long name", n.create("", "x", KFnNumericData::kFloat, 0.0, &s)},
        {"empty short name", n.create("x", "", KFnNumericData::kFloat, 0.0, &s)},
        {"invalid numeric type", n.create("x", "x", KFnNumericData::kInvalid, 0.0, &s)},
        {"string child", n.create("c", "c", leaf, text, KObject::kNullObj, &s)},
        {"null child", n.create("c", "c", leaf, KObject(), KObject::kNullObj, &s)},
        {"numeric typed data", KFnTypedAttribute().create("t", "t", KFnData::kNumeric, KObject(), &s)},
    };
    for (const Case& c : cases) EXPECT_TRUE(c.made.isNull()) << c.what;
    EXPECT_EQ(s, KStatus::kInvalidParameter);

    // A child belongs to one compound only.
    KObject a = n.create("a", "a", KFnNumericData::kFloat), b = n.create("b", "b", KFnNumericData::kFloat);
    KObject pair = n.create("pair", "pr", a, b, KObject::kNullObj, &s);
    ASSERT_TRUE(s);
    EXPECT_TRUE(n.create("again", "ag", a, leaf, KObject::kNullObj, &s).isNull());
    KFnCompoundAttribute compound;
    compound.create("box", "bx");
    EXPECT_EQ(compound.addChild(a), KStatus::kInvalidParameter);
    EXPECT_TRUE(compound.addChild(leaf));
    EXPECT_EQ(compound.numChildren(), 1u);
    EXPECT_EQ(KFnAttribute(leaf).parent(), compound.object());
    EXPECT_EQ(KFnNumericAttribute(pair).unitType(), KFnNumericData::k2Float);

    // Function sets refuse objects that are not attributes.
    KFnAttribute none(KObject(), &s);
    EXPECT_EQ(s, KStatus::kInvalidParameter);
    EXPECT_EQ(none.setKeyable(true), KStatus::kInvalidParameter);
    EXPECT_FALSE(none.isReadable(&s));
    EXPECT_EQ(s, KStatus::kInvalidParameter);
}

TEST(KFnAttribute, HostDefaultsOfANewAttribute) {
    KFnNumericAttribute n;
    n.create("fresh", "fr", KFnNumericData::kDouble);
    EXPECT_TRUE(n.isReadable());
    EXPECT_TRUE(n.isWritable());
    EXPECT_TRUE(n.isConnectable());
    EXPECT_TRUE(n.isStorable());
    EXPECT_TRUE(n.isCached());
    EXPECT_TRUE(n.indexMatters());
    EXPECT_FALSE(n.isKeyable());
    EXPECT_FALSE(n.isHidden());
    EXPECT_FALSE(n.isArray());
    EXPECT_FALSE(n.isUsedAsColor());
    EXPECT_EQ(n.disconnectBehavior(), KFnAttribute::kNothing);
    EXPECT_EQ(n.setDisconnectBehavior(static_cast<KFnAttribute::DisconnectBehavior>(7)),
              KStatus::kInvalidParameter);
    KObject addr = n.createAddr("blind", "bd");
    EXPECT_FALSE(KFnAttribute(addr).isStorable());
    EXPECT_EQ(KFnNumericAttribute(addr).unitType(), KFnNumericData::kAddr);
}

TEST(KFnAttribute, DefaultsAndLimitsRoundToTheChildKind) {
    KFnNumericAttribute n;
    KObject i = n.create("count", "cn", KFnNumericData::kInt, 2.9);
    int iv = 0;
    EXPECT_TRUE(n.getDefault(iv));
    EXPECT_EQ(iv, 2);
    n.setDefault(0.1);
    double dv = 0;
    n.getDefault(dv);
    EXPECT_EQ(dv, 0.0);  // an integer leaf stores 0

    KObject color = n.createColor("tone", "tn");
    EXPECT_TRUE(n.isUsedAsColor());
    EXPECT_TRUE(n.setDefault(0.1, 0.2, 0.3));
    float r, g, b;
    EXPECT_TRUE(n.getDefault(r, g, b));
    EXPECT_EQ(r, 0.1f);
    EXPECT_EQ(b, 0.3f);
    EXPECT_EQ(n.setDefault(1.0, 2.0), KStatus::kInvalidParameter);  // three children, two values
    EXPECT_TRUE(n.setMin(0.0, 0.0, 0.0));
    EXPECT_TRUE(n.setMax(1.0, 1.0, 1.0));
    double lo[3], hi[3];
    EXPECT_TRUE(n.getMin(lo[0], lo[1], lo[2]));
    EXPECT_TRUE(n.getMax(hi[0], hi[1], hi[2]));
    EXPECT_EQ(hi[2], 1.0);
    KFnNumericAttribute child(n.child(1));
    EXPECT_TRUE(child.hasMin());
    EXPECT_FALSE(child.hasSoftMax());
    double unused;
    EXPECT_EQ(child.getSoftMax(unused), KStatus::kFailure);

    // Multi-value types become compounds of numbered children.
    KObject triple = n.create("offset", "of", KFnNumericData::k3Double, 1.5);
    EXPECT_EQ(n.numChildren(), 3u);
    EXPECT_EQ(KFnAttribute(n.child(2)).name(), "offset2");
    double a, bb, c;
    EXPECT_TRUE(n.getDefault(a, bb, c));
    EXPECT_EQ(c, 1.5);
    (void)i;
    (void)color;
    (void)triple;
}

TEST(KFnAttribute, EnumTypedMatrixAndLightData) {
    KFnEnumAttribute e;
    e.create("shape", "sh", 2);
    EXPECT_TRUE(e.addField("round", 0));
    EXPECT_TRUE(e.addField("square", 2));
    EXPECT_EQ(e.addField("round", 5), KStatus::kInvalidParameter);
    EXPECT_EQ(e.addField("other", 2), KStatus::kInvalidParameter);
    EXPECT_EQ(e.fieldName(2), "square");
    KStatus s;
    e.fieldIndex("triangle", &s);
    EXPECT_EQ(s, KStatus::kInvalidParameter);
    short lo = -1, hi = -1, def = -1;
    EXPECT_TRUE(e.getMin(lo));
    EXPECT_TRUE(e.getMax(hi));
    EXPECT_TRUE(e.getDefault(def));
    EXPECT_EQ(lo, 0);
    EXPECT_EQ(hi, 2);
    EXPECT_EQ(def, 2);

    KFnTypedAttribute t;
    t.create("mesh", "me", KFnData::kMesh);
    EXPECT_EQ(t.attrType(), KFnData::kMesh);
    EXPECT_EQ(t.setDefaultString("x"), KStatus::kInvalidParameter);

    KFnMatrixAttribute m;
    m.create("xform", "xf", KFnMatrixAttribute::kFloat);
    KMatrix third;
    third[0][0] = 1.0 / 3.0;
    EXPECT_TRUE(m.setDefault(third));
    KMatrix back;
    m.getDefault(back);
    EXPECT_EQ(back[0][0], static_cast<double>(1.0f / 3.0f));

    KFnNumericAttribute n;
    KObject dir = n.createPoint("dir", "di"), in = n.createColor("int", "it");
    KObject amb = n.create("amb", "am", KFnNumericData::kBoolean), dif = n.create("dif", "df", KFnNumericData::kBoolean);
    KObject spe = n.create("spe", "sp", KFnNumericData::kBoolean), sha = n.create("sha", "sa", KFnNumericData::kFloat);
    KObject pre = n.create("pre", "pe", KFnNumericData::kFloat);
    int marker = 0;
    KObject bli = n.createAddr("bli", "bl");
    KFnLightDataAttribute l;
    l.create("light", "lt", dir, in, amb, dif, spe, sha, pre, bli, &s);
    ASSERT_TRUE(s);
    EXPECT_TRUE(l.setDefault(0, 0, 1, 0.5f, 0.5f, 0.5f, false, true, true, 0.25f, 1, &marker));
    EXPECT_EQ(tarn::AttributeImpl::from(bli)->defaultAddr, &marker);
    double z = 0;
    KFnNumericAttribute(KFnNumericAttribute(dir).child(2)).getDefault(z);
    EXPECT_EQ(z, 1.0);
    EXPECT_EQ(l.child(8, &s), KObject());
    EXPECT_EQ(s, KStatus::kInvalidParameter);
}

TEST(KFnAttribute, LayoutIsFixedOnceATypeOwnsIt) {
    tarn::Graph::instance().clear();
    static KObject arr;
    tarn::NodeTypeSpec decl;
    decl.name = "layoutProbe";
    decl.id = KTypeId(0x7fa01);
    decl.creator = []() -> void* { return new KPxNode; };
    decl.initializer = [] {
        KFnNumericAttribute n;
        arr = n.create("values", "vs", KFnNumericData::kFloat);
        n.setArray(true);
        return KPxNode::addAttribute(arr);
    };
    std::string error;
    ASSERT_TRUE(tarn::Graph::instance().registerType(decl, &error)) << error;
    KFnAttribute fn(arr);
    EXPECT_EQ(fn.setArray(false), KStatus::kFailure);
    EXPECT_TRUE(fn.setArray(true));
    EXPECT_TRUE(fn.setHidden(true));  // flags that do not move storage stay editable
    tarn::Graph::instance().clear();
    EXPECT_TRUE(fn.setArray(false));  // released with its type
}

TEST(KFileObject, NameAndPath) {
    struct Case {
        const char* full;
        const char* name;
        const char* path;
    };
    const Case cases[] = {{"/scenes/room.qmf", "room.qmf", "/scenes/"}, {"room.qmf", "room.qmf", ""},
                          {"/a/b/", "", "/a/b/"}};
    for (const Case& c : cases) {
        KFileObject f(c.full);
        EXPECT_EQ(f.name(), c.name) << c.full;
        EXPECT_EQ(f.path(), c.path) << c.full;
    }
    EXPECT_FALSE(KFileObject("/no/such/file.qmf").exists());
    KPxFileTranslator base;
    EXPECT_EQ(base.reader(KFileObject("x"), "", KPxFileTranslator::kImportAccessMode), KStatus::kNotImplemented);
    EXPECT_EQ(base.identifyFile(KFileObject("x"), "MM", 2), KPxFileTranslator::kNotMyFileType);
    EXPECT_EQ(base.filter(), "*.");
}

TEST(KPxContext, KeepsItsPresentation) {
    KPxContext context;
    EXPECT_TRUE(context.setTitleString("Slice"));
    EXPECT_TRUE(context.setImage("slice.png", KPxContext::kImage2));
    EXPECT_EQ(context.setImage("x", static_cast<KPxContext::ImageIndex>(5)), KStatus::kInvalidParameter);
    EXPECT_TRUE(context.setCursor(KCursor::crossHairCursor));
    EXPECT_EQ(context.titleString(), "Slice");
    EXPECT_EQ(context.image(KPxContext::kImage2), "slice.png");
    EXPECT_EQ(context.cursor(), KCursor::crossHairCursor);
    KEvent e(10, 20, KEvent::kMiddleMouse, KEvent::kShiftKey | KEvent::kControlKey);
    short x, y;
    e.getPosition(x, y);
    EXPECT_EQ(x, 10);
    EXPECT_EQ(y, 20);
    EXPECT_TRUE(e.isModifierShift());
    EXPECT_TRUE(e.isModifierControl());
    EXPECT_FALSE(e.isModifierAlt());
}

}  // namespace
