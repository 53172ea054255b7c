#pragma once
/// Test-only helpers for the node tests: load a built texture plug-in into the host, create a
/// node, set attributes, sample it on private blocks, and walk an attribute table against the
/// type the host registered.

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "frame/k_data.h"
#include "frame/k_node.h"
#include "host/dg/attribute_impl.h"
#include "host/dg/graph.h"
#include "host/dg/node_impl.h"
#include "host/lang/journal.h"
#include "host/plugins/plugin_loader.h"
#include "host/texturing/texture_sampler.h"
#include "texture/common/attribute_table.h"

namespace texture::testing {

/// Loads `plugin` from the build's plug-in folder once per process.
inline void loadPlugin(const char* plugin) {
    auto& loader = tarn::plugins::PluginLoader::instance();
    if (loader.find(plugin)) return;
    std::string error;
    const std::string path = std::string(TARN_PLUGIN_DIR) + "/" + plugin + ".so";
    ASSERT_FALSE(loader.load(path, &error).error()) << error;
}

/// A node of `type` with helpers to set values and sample it.
class NodeFixture {
public:
    NodeFixture(const char* plugin, const char* type) {
        loadPlugin(plugin);
        std::string error;
        m_node = tarn::Graph::instance().createNode(type, "", &error);
        EXPECT_FALSE(m_node.isNull()) << error;
    }
    ~NodeFixture() {
        if (!m_node.isNull()) tarn::Graph::instance().deleteNode(m_node, nullptr);
    }

    const KObject& node() const { return m_node; }
    std::string name() const { return tarn::NodeImpl::from(m_node)->name(); }
    tarn::NodeImpl& impl() const { return *tarn::NodeImpl::from(m_node); }

    /// Sets an attribute (1 to 3 numbers) as a user edit would.
    void set(const char* attr, std::vector<double> values) {
        auto& g = tarn::Graph::instance();
        std::string error;
        const KPlug plug = g.parsePlug(name() + "." + attr, &error);
        ASSERT_FALSE(plug.attribute().isNull()) << attr << ": " << error;
        KStatus st;
        KDataHandle h = g.writeHandle(plug, &st);
        ASSERT_EQ(values.size(), h.width()) << attr;
        if (values.size() == 1) h.set(values[0]);
        if (values.size() == 2) h.set(values[0], values[1]);
        if (values.size() == 3) h.set(values[0], values[1], values[2]);
        g.valueChanged(plug);
    }

    /// Sets a matrix attribute.
    void setMatrix(const char* attr, const KFloatMatrix& m) {
        auto& g = tarn::Graph::instance();
        std::string error;
        const KPlug plug = g.parsePlug(name() + "." + attr, &error);
        ASSERT_FALSE(plug.attribute().isNull()) << attr << ": " << error;
        KStatus st;
        KDataHandle h = g.writeHandle(plug, &st);
        h.set(m);
        g.valueChanged(plug);
    }

    /// One sample through the sampler (fresh private block with the node's current values).
    tarn::texturing::SampleValue uv(float u, float v, float fx = 0.001f, float fy = 0.001f) {
        std::string error;
        auto s = tarn::texturing::TextureSampler::create(m_node, &error);
        EXPECT_TRUE(s) << error;
        auto block = s->makeBlock();
        tarn::texturing::SampleValue out;
        EXPECT_FALSE(s->sampleUv(*block, u, v, fx, fy, &out).error());
        return out;
    }
    tarn::texturing::SampleValue point(float x, float y, float z, bool local = true,
                                       float fx = 0.001f, float fy = 0.001f) {
        std::string error;
        auto s = tarn::texturing::TextureSampler::create(m_node, &error);
        EXPECT_TRUE(s) << error;
        auto block = s->makeBlock();
        tarn::texturing::SampleValue out;
        EXPECT_FALSE(s->samplePoint(*block, x, y, z, local, fx, fy, &out).error());
        return out;
    }

    /// Calls compute directly for the plug of `attr` on a private copy; the copy's outputs are
    /// returned through `store`.
    KStatus computeOn(const char* attr, tarn::DataStore& store) {
        const tarn::NodeType& type = impl().type();
        KObject attrObj;
        for (const auto& a : type.attributes())
            if (a->longName == attr) attrObj = KObject(a);
        KDataBlock block(&store);
        return impl().userNode()->compute(KPlug(m_node, attrObj, -1), block);
    }

private:
    KObject m_node;
};

/// Checks every row of `rows` against the attributes the host registered for `typeName`:
/// names, children, flags set on and off, defaults, limits, registration order, and that the
/// outputs are affected as declared.
inline void expectTypeMatchesRows(const char* typeName, const std::vector<AttrRow>& rows) {
    const tarn::NodeType* type = tarn::Graph::instance().findType(typeName);
    ASSERT_NE(type, nullptr);
    struct FlagCheck {
        unsigned bit;
        bool tarn::AttributeImpl::*member;
    } flags[] = {{kKeyable, &tarn::AttributeImpl::keyable},
                 {kStorable, &tarn::AttributeImpl::storable},
                 {kReadable, &tarn::AttributeImpl::readable},
                 {kWritable, &tarn::AttributeImpl::writable},
                 {kHidden, &tarn::AttributeImpl::hidden},
                 {kUsedAsColor, &tarn::AttributeImpl::usedAsColor}};
    const tarn::AttributeImpl* outColor = type->findAttribute("outColor");
    const tarn::AttributeImpl* outAlpha = type->findAttribute("outAlpha");
    ASSERT_TRUE(outColor && outAlpha);
    auto affects = [&](const tarn::AttributeImpl* in, const tarn::AttributeImpl* out) {
        for (int i : type->affectedBy(in->index))
            if (type->attributes()[i].get() == out) return true;
        return false;
    };

    // Top-level attributes in registration order.
    std::vector<std::string> added;
    for (const auto& a : type->attributes())
        if (!a->parent) added.push_back(a->longName);
    std::vector<std::pair<int, std::string>> expectedOrder;
    for (const AttrRow& r : rows)
        if (r.addOrder >= 0) expectedOrder.push_back({r.addOrder, r.longName});
    std::sort(expectedOrder.begin(), expectedOrder.end());
    std::vector<std::string> expected;
    for (auto& e : expectedOrder) expected.push_back(e.second);
    EXPECT_EQ(added, expected);

    for (const AttrRow& r : rows) {
        SCOPED_TRACE(r.longName);
        const tarn::AttributeImpl* a = type->findAttribute(r.longName);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->shortName, r.shortName);
        for (const FlagCheck& f : flags) {
            if (r.on & f.bit) {
                EXPECT_TRUE(a->*f.member) << "flag " << f.bit;
            }
            if (r.off & f.bit) {
                EXPECT_FALSE(a->*f.member) << "flag " << f.bit;
            }
        }
        if (r.on & kReset) {
            EXPECT_EQ(a->disconnectBehavior, KFnAttribute::kReset);
        }
        if (r.softMin.set) {
            EXPECT_EQ(a->softMinValue, r.softMin.value);
        }
        if (r.softMax.set) {
            EXPECT_EQ(a->softMaxValue, r.softMax.value);
        }
        EXPECT_EQ(a->minValue.has_value(), r.hardMin.set);
        if (r.hardMin.set) {
            EXPECT_EQ(a->minValue, r.hardMin.value);
        }
        if (r.hardMax.set) {
            EXPECT_EQ(a->maxValue, r.hardMax.value);
        }
        if (a->isNumericLeaf() && r.defaultCount == 1) {
            EXPECT_EQ(a->defaultValue, a->kind == tarn::CellKind::kFloat
                                           ? static_cast<double>(static_cast<float>(r.defaults[0]))
                                           : r.defaults[0]);
        }
        // Children: names and defaults (set on the compound, stored per child).
        for (int c = 0; c < 3 && r.childLong[c]; ++c) {
            ASSERT_GT(a->children.size(), static_cast<std::size_t>(c));
            const tarn::AttributeImpl* ch = a->children[c].get();
            EXPECT_EQ(ch->longName, r.childLong[c]);
            EXPECT_EQ(ch->shortName, r.childShort[c]);
            if (r.defaultCount == 3) {
                EXPECT_EQ(ch->defaultValue, static_cast<float>(r.defaults[c])) << c;
            }
            if (r.childOn & kKeyable) {
                EXPECT_TRUE(ch->keyable);
            }
            if (r.childOn & kStorable) {
                EXPECT_TRUE(ch->storable);
            }
            if (r.childOff & kStorable) {
                EXPECT_FALSE(ch->storable);
            }
            const bool childToAlpha = affects(ch, outAlpha);
            if (r.childAffects == Affects::kBoth) {
                EXPECT_TRUE(childToAlpha) << r.childLong[c];
            }
            if (r.childAffects != Affects::kNone) {
                EXPECT_TRUE(affects(ch, outColor));
            }
        }
        if (r.affects != Affects::kNone) {
            EXPECT_TRUE(affects(a, outColor));
            if (r.affects == Affects::kBoth) {
                EXPECT_TRUE(affects(a, outAlpha));
            }
        }
    }
}

/// True when the journal holds `text` exactly.
inline bool journalHas(const std::string& text) {
    for (const auto& t : tarn::lang::journal().texts())
        if (t == text) return true;
    return false;
}

}  // namespace texture::testing
