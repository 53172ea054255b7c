#include "texture/common/texture2d_block.h"

#include <exception>

#include "frame/k_math.h"
#include "texture/common/scalar_ops.h"

namespace texture {
namespace {

constexpr unsigned kSKRW = kStorable | kKeyable | kReadable | kWritable;
constexpr double kNoUv = -10000000.0;
constexpr int kCommonAdded = 13;

AttrRow colourBlock(const char* ln, const char* sn, const char* const (&cl)[3],
                    const char* const (&cs)[3], double def, bool denim, double childDef) {
    const double defs[3] = {def, def, def};
    AttrRow r = compoundRow(ln, sn, cl, cs, defs, kSKRW | kReset | kUsedAsColor, kHidden);
    r.childAffects = Affects::kColorOnly;
    if (denim) {
        r.childOn = kKeyable | kStorable;
        r.childDefaults = true;
        r.childDefault[0] = r.childDefault[1] = r.childDefault[2] = childDef;
    }
    return r;
}

}  // namespace

std::vector<AttrRow> texture2dRows(const std::vector<AttrRow>& own, bool denim) {
    static const char* const dcl[3] = {"defaultColorR", "defaultColorG", "defaultColorB"};
    static const char* const dcs[3] = {"dcr", "dcg", "dcb"};
    static const char* const cgl[3] = {"colorGainR", "colorGainG", "colorGainB"};
    static const char* const cgs[3] = {"cgr", "cgg", "cgb"};
    static const char* const col[3] = {"colorOffsetR", "colorOffsetG", "colorOffsetB"};
    static const char* const cos[3] = {"cor", "cog", "cob"};
    static const char* const uvl[2] = {"uCoord", "vCoord"};
    static const char* const uvs[2] = {"u", "v"};
    static const char* const fsl[2] = {"uvFilterSizeX", "uvFilterSizeY"};
    static const char* const fss[2] = {"fsx", "fsy"};
    static const char* const ocl[3] = {"outColorR", "outColorG", "outColorB"};
    static const char* const ocs[3] = {"ocr", "ocg", "ocb"};

    std::vector<AttrRow> rows;
    rows.push_back(colourBlock("defaultColor", "dc", dcl, dcs, 0.5, denim, 0.5));
    rows.push_back(colourBlock("colorGain", "cg", cgl, cgs, 1.0, denim, 1.0));
    rows.push_back(colourBlock("colorOffset", "co", col, cos, 0.0, denim, 0.5));
    rows.push_back(withSoft(floatRow("alphaGain", "ag", 1.0, kSKRW | kReset, kHidden), 0, 1));
    rows.push_back(withSoft(floatRow("alphaOffset", "ao", 0.0, kSKRW | kReset, kHidden), 0, 1));
    const unsigned boolOn = kSKRW | kReset | (denim ? kHidden : 0u);
    const unsigned boolOff = denim ? 0u : kHidden;
    rows.push_back(boolRow("alphaIsLuminance", "ail", false, boolOn, boolOff));
    rows.push_back(boolRow("invert", "i", false, boolOn, boolOff));

    AttrRow uv =
        compoundRow("uvCoord", "uv", uvl, uvs, nullptr,
                    denim ? (kKeyable | kReadable | kWritable | kHidden) : (kSKRW | kHidden),
                    denim ? kStorable : 0u);
    if (denim) {
        uv.childOn = kKeyable | kStorable;
        uv.childDefaults = true;
        uv.childDefault[0] = uv.childDefault[1] = 0.5;
    }
    rows.push_back(uv);
    AttrRow fs = compoundRow("uvFilterSize", "fs", fsl, fss, nullptr,
                             kKeyable | kReadable | kWritable | kHidden, kStorable);
    if (denim) {
        fs.childOn = kReadable | kWritable | kHidden;
        fs.childOff = kStorable;
    }
    rows.push_back(fs);
    const unsigned filterOn = kKeyable | kReadable | kWritable | kReset;
    rows.push_back(withSoft(floatRow("filter", "f", 1.0, filterOn, kStorable | kHidden), 0, 1));
    rows.push_back(
        withSoft(floatRow("filterOffset", "fo", 0.0, filterOn, kStorable | kHidden), 0, 1));

    // Registration order: the colour block and alpha controls, the outputs, then UV and filter.
    const int commonOrder[] = {0, 1, 2, 3, 4, 5, 6, 9, 10, 11, 12};
    for (std::size_t i = 0; i < rows.size(); ++i) rows[i].addOrder = commonOrder[i];

    for (AttrRow r : own) {
        if (r.addOrder >= 0) r.addOrder += kCommonAdded;
        rows.push_back(r);
    }

    AttrRow outAlpha = floatRow("outAlpha", "obp", 0.0, kReadable, kStorable | kWritable | kHidden);
    outAlpha.defaultCount = 0;
    outAlpha.affects = Affects::kNone;
    outAlpha.addOrder = 8;
    rows.push_back(outAlpha);
    AttrRow outColor = compoundRow("outColor", "oc", ocl, ocs, nullptr, kReadable,
                                   kStorable | kWritable | kHidden);
    outColor.affects = outColor.childAffects = Affects::kNone;
    outColor.addOrder = 7;
    rows.push_back(outColor);
    return rows;
}

void Texture2dHandles::bind(const AttributeLayout& layout) {
    auto child = [&](const char* compound, int i) -> KObject {
        const int row = layout.find(compound);
        return row < 0 ? KObject() : layout.handles()[row].child[i];
    };
    uCoord = child("uvCoord", 0);
    vCoord = child("uvCoord", 1);
    uvFilterSizeX = child("uvFilterSize", 0);
    uvFilterSizeY = child("uvFilterSize", 1);
    filter = layout.attribute("filter");
    filterOffset = layout.attribute("filterOffset");
    defaultColor = layout.attribute("defaultColor");
    colorGain = layout.attribute("colorGain");
    colorOffset = layout.attribute("colorOffset");
    alphaGain = layout.attribute("alphaGain");
    alphaOffset = layout.attribute("alphaOffset");
    alphaIsLuminance = layout.attribute("alphaIsLuminance");
    invert = layout.attribute("invert");
    outColor = layout.attribute("outColor");
    outColorR = child("outColor", 0);
    outColorG = child("outColor", 1);
    outColorB = child("outColor", 2);
    outAlpha = layout.attribute("outAlpha");
}

bool Texture2dHandles::serves(const KPlug& plug) const {
    return plug == outColor || plug == outColorR || plug == outColorG || plug == outColorB ||
           plug == outAlpha;
}

namespace {

Rgb toRgb(const KFloatVector& v) {
    return {v.x, v.y, v.z};
}

void writeOutputs(KDataBlock& block, const Texture2dHandles& h, const Rgb& c, float alpha) {
    KDataHandle oa = block.outputValue(h.outAlpha);
    oa.set(alpha);
    oa.setClean();
    // Children one by one: leaf writes stay inline.
    block.outputValue(h.outColorR).set(c.r);
    block.outputValue(h.outColorG).set(c.g);
    block.outputValue(h.outColorB).set(c.b);
    block.outputValue(h.outColor).setClean();
}

}  // namespace

KStatus computeTexture2d(const KPlug& plug, KDataBlock& block, const Texture2dHandles& h,
                         const AttributeLayout& layout, void* params, Pattern2d pattern,
                         bool filtered) {
    // Not one of the outputs: not ours, the host keeps its value.
    if (!h.serves(plug)) return KStatus::kUnknownParameter;
    try {
        const float u = block.inputValue(h.uCoord).asFloat();
        const float v = block.inputValue(h.vCoord).asFloat();
        const bool alphaIsLuminance = block.inputValue(h.alphaIsLuminance).asBool();

        // A sample without UVs shows the default colour untouched.
        if (static_cast<double>(u) <= kNoUv || static_cast<double>(v) <= kNoUv) {
            const Rgb defaultColor = toRgb(block.inputValue(h.defaultColor).asFloatVector());
            writeOutputs(block, h, defaultColor, alphaIsLuminance ? luminance(defaultColor) : 0.0f);
            return KStatus::kSuccess;
        }

        // The colour adjustment's inputs, then the node's own.
        const Rgb colorGain = toRgb(block.inputValue(h.colorGain).asFloatVector());
        const Rgb colorOffset = toRgb(block.inputValue(h.colorOffset).asFloatVector());
        const float alphaGain = block.inputValue(h.alphaGain).asFloat();
        const float alphaOffset = block.inputValue(h.alphaOffset).asFloat();
        const bool invert = block.inputValue(h.invert).asBool();
        layout.readFields(block, params);

        float fx = 0.0f, fy = 0.0f;
        if (filtered) {
            const float filter = block.inputValue(h.filter).asFloat();
            const float filterOffset = block.inputValue(h.filterOffset).asFloat();
            fx = filter * block.inputValue(h.uvFilterSizeX).asFloat() + filterOffset;
            fy = filter * block.inputValue(h.uvFilterSizeY).asFloat() + filterOffset;
        }
        PatternResult r = pattern(u, v, fx, fy, params);

        if (alphaIsLuminance) r.alpha = luminance(r.color);
        if (invert) {
            r.color = {1.0f - r.color.r, 1.0f - r.color.g, 1.0f - r.color.b};
            r.alpha = 1.0f - r.alpha;
        }
        r.color = addColor(multiplyColor(r.color, colorGain), colorOffset);
        writeOutputs(block, h, r.color, r.alpha * alphaGain + alphaOffset);
        return KStatus::kSuccess;
    } catch (const std::exception&) {
        return KStatus::kFailure;
    }
}

}  // namespace texture
