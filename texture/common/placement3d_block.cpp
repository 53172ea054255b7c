#include "texture/common/placement3d_block.h"

#include <cmath>
#include <exception>

#include "frame/k_math.h"
#include "texture/common/scalar_ops.h"

namespace texture {
namespace {

constexpr unsigned kSKRW = kStorable | kKeyable | kReadable | kWritable;
constexpr double kPi = 3.141592653589793;

Rgb toRgb(const KFloatVector& v) {
    return {v.x, v.y, v.z};
}

// Row vector (x, y, z, 1) times m; x, y and z of the product.
void transformPoint(const float p[3], const KFloatMatrix& m, float q[3]) {
    for (int j = 0; j < 3; ++j)
        q[j] =
            p[0] * m.matrix[0][j] + p[1] * m.matrix[1][j] + p[2] * m.matrix[2][j] + m.matrix[3][j];
}

KFloatMatrix multiply(const KFloatMatrix& a, const KFloatMatrix& b) {
    KFloatMatrix r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.matrix[i][j] = a.matrix[i][0] * b.matrix[0][j] + a.matrix[i][1] * b.matrix[1][j] +
                             a.matrix[i][2] * b.matrix[2][j] + a.matrix[i][3] * b.matrix[3][j];
    return r;
}

void writeOutputs(KDataBlock& block, const Placement3dHandles& h, const Rgb& c, float alpha) {
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

std::vector<AttrRow> placement3dRows(const std::vector<AttrRow>& own, PlacementStyle style) {
    static const char* const ocl[3] = {"outColorR", "outColorG", "outColorB"};
    static const char* const ocs[3] = {"ocr", "ocg", "ocb"};
    static const char* const fsl[2] = {"uvFilterSizeX", "uvFilterSizeY"};
    static const char* const fss[2] = {"fsx", "fsy"};
    const bool corrosion = style == PlacementStyle::kOpenBox;

    std::vector<AttrRow> rows;
    auto colour = [&](const char* ln, const char* sn, double v) {
        AttrRow r = colorRow(ln, sn, v, v, v, kSKRW | kReset, kHidden);
        r.childAffects = Affects::kColorOnly;
        rows.push_back(r);
    };
    colour("defaultColor", "dc", 0.5);
    colour("colorGain", "cg", 1.0);
    colour("colorOffset", "co", 0.0);
    rows.push_back(withSoft(floatRow("alphaGain", "ag", 1.0, kSKRW | kReset, kHidden), 0, 1));
    rows.push_back(withSoft(floatRow("alphaOffset", "ao", 0.0, kSKRW | kReset, kHidden), 0, 1));
    rows.push_back(boolRow("alphaIsLuminance", "ail", false, kSKRW | kReset, kHidden));
    rows.push_back(boolRow("invert", "i", false, kSKRW | kReset, kHidden));
    rows.push_back(withSoft(floatRow("blend", "b", 0.0, kReset), 0, 1));
    AttrRow outColor = compoundRow("outColor", "oc", ocl, ocs, nullptr, kReadable,
                                   kStorable | kWritable | kHidden);
    outColor.affects = outColor.childAffects = Affects::kNone;
    rows.push_back(outColor);
    AttrRow outAlpha = floatRow("outAlpha", "obp", 0.0, kReadable, kStorable | kWritable | kHidden);
    outAlpha.defaultCount = 0;
    outAlpha.affects = Affects::kNone;
    rows.push_back(outAlpha);
    rows.push_back(boolRow("wrap", "w", true, kReset));
    if (corrosion)
        rows.push_back(compoundRow("uvFilterSize", "fs", fsl, fss, nullptr,
                                   kKeyable | kReadable | kWritable | kHidden, kStorable));
    const unsigned filterOn = kKeyable | kReadable | kWritable | kReset;
    rows.push_back(withSoft(floatRow("filter", "f", 1.0, filterOn, kStorable | kHidden), 0, 1));
    rows.push_back(
        withSoft(floatRow("filterOffset", "fo", 0.0, filterOn, kStorable | kHidden), 0, 1));
    rows.push_back(boolRow("local", "lo", false, kSKRW | kReset, kHidden));
    rows.push_back(
        pointRow("refPointObj", "rpo", 0, 0, 0, kWritable | kHidden | kReset, kStorable));
    rows.push_back(
        pointRow("refPointCamera", "rpc", 0, 0, 0, kWritable | kHidden | kReset, kStorable));
    rows.push_back(matrixRow("placementMatrix", "pm",
                             kWritable | kHidden | (corrosion ? 0u : unsigned(kReset)), kStorable));
    rows.push_back(matrixRow(corrosion ? "eyeToWorldMatrix" : "matrixEyeToWorld", "e2w",
                             kWritable | kHidden | kReset, kStorable));

    // The block is added in table order, then the node's own attributes.
    const int blockCount = static_cast<int>(rows.size());
    for (int i = 0; i < blockCount; ++i) rows[i].addOrder = i;
    for (AttrRow r : own) {
        if (r.addOrder >= 0) r.addOrder += blockCount;
        rows.push_back(r);
    }
    return rows;
}

void Placement3dHandles::bind(const AttributeLayout& layout) {
    auto child = [&](const char* compound, int i) -> KObject {
        const int row = layout.find(compound);
        return row < 0 ? KObject() : layout.handles()[row].child[i];
    };
    defaultColor = layout.attribute("defaultColor");
    colorGain = layout.attribute("colorGain");
    colorOffset = layout.attribute("colorOffset");
    alphaGain = layout.attribute("alphaGain");
    alphaOffset = layout.attribute("alphaOffset");
    alphaIsLuminance = layout.attribute("alphaIsLuminance");
    invert = layout.attribute("invert");
    blend = layout.attribute("blend");
    wrap = layout.attribute("wrap");
    uvFilterSizeX = child("uvFilterSize", 0);
    uvFilterSizeY = child("uvFilterSize", 1);
    filter = layout.attribute("filter");
    filterOffset = layout.attribute("filterOffset");
    local = layout.attribute("local");
    refPointObj = layout.attribute("refPointObj");
    refPointCamera = layout.attribute("refPointCamera");
    placementMatrix = layout.attribute("placementMatrix");
    eyeToWorld = layout.find("eyeToWorldMatrix") >= 0 ? layout.attribute("eyeToWorldMatrix")
                                                      : layout.attribute("matrixEyeToWorld");
    outColor = layout.attribute("outColor");
    outColorR = child("outColor", 0);
    outColorG = child("outColor", 1);
    outColorB = child("outColor", 2);
    outAlpha = layout.attribute("outAlpha");
}

bool Placement3dHandles::serves(const KPlug& plug) const {
    return plug == outColor || plug == outColorR || plug == outColorG || plug == outColorB ||
           plug == outAlpha;
}

float faceFade(float axisValue, float blend, PlacementStyle style) {
    float d;
    if (style == PlacementStyle::kOpenBox)
        d = static_cast<float>((1.0 - std::fabs(static_cast<double>(axisValue))) /
                               static_cast<double>(blend));
    else
        d = (1.0f - std::fabs(axisValue)) / blend;
    if (d > 1.0f) d = 1.0f;
    const float angle = static_cast<float>(static_cast<double>(d + 1.0f) * kPi);
    return (std::cos(angle) + 1.0f) * 0.5f;
}

bool outsideBox(float x, float y, float z, PlacementStyle style) {
    if (style == PlacementStyle::kOpenBox)
        return x <= -1.0f || x >= 1.0f || y <= -1.0f || y >= 1.0f || z <= -1.0f || z >= 1.0f;
    return x < -1.0f || x > 1.0f || y < -1.0f || y > 1.0f || z < -1.0f || z > 1.0f;
}

KStatus computePlacement3d(const KPlug& plug, KDataBlock& block, const Placement3dHandles& h,
                           const AttributeLayout& layout, void* params, Pattern3d pattern,
                           PlacementStyle style) {
    // Not one of the outputs: not ours, the host keeps its value.
    if (!h.serves(plug)) return KStatus::kUnknownParameter;
    try {
        // Read the block's inputs, then the node's own.
        // The default colour shows only outside the box and in the fade near its faces.
        auto defaultColor = [&] { return toRgb(block.inputValue(h.defaultColor).asFloatVector()); };
        const Rgb colorGain = toRgb(block.inputValue(h.colorGain).asFloatVector());
        const Rgb colorOffset = toRgb(block.inputValue(h.colorOffset).asFloatVector());
        const float alphaGain = block.inputValue(h.alphaGain).asFloat();
        const float alphaOffset = block.inputValue(h.alphaOffset).asFloat();
        const bool alphaIsLuminance = block.inputValue(h.alphaIsLuminance).asBool();
        const bool invert = block.inputValue(h.invert).asBool();
        const float blend = block.inputValue(h.blend).asFloat();
        const bool wrap = block.inputValue(h.wrap).asBool();
        const bool local = block.inputValue(h.local).asBool();
        float fx = 0.0f, fy = 0.0f;
        if (style == PlacementStyle::kOpenBox) {
            const float filter = block.inputValue(h.filter).asFloat();
            const float filterOffset = block.inputValue(h.filterOffset).asFloat();
            fx = filter * block.inputValue(h.uvFilterSizeX).asFloat() + filterOffset;
            fy = filter * block.inputValue(h.uvFilterSizeY).asFloat() + filterOffset;
        }
        layout.readFields(block, params);

        // Sample point in placement space.
        float p[3], q[3];
        KFloatMatrix m;
        if (local) {
            const KFloatVector r = block.inputValue(h.refPointObj).asFloatVector();
            p[0] = r.x, p[1] = r.y, p[2] = r.z;
            m = block.inputValue(h.placementMatrix).asFloatMatrix();
        } else {
            const KFloatVector r = block.inputValue(h.refPointCamera).asFloatVector();
            p[0] = r.x, p[1] = r.y, p[2] = r.z;
            m = multiply(block.inputValue(h.eyeToWorld).asFloatMatrix(),
                         block.inputValue(h.placementMatrix).asFloatMatrix());
        }
        transformPoint(p, m, q);

        // Outside the box: the default colour untouched; near the faces: a fade weight.
        float fade = 0.0f;
        if (!wrap) {
            if (outsideBox(q[0], q[1], q[2], style)) {
                const Rgb outside = defaultColor();
                writeOutputs(block, h, outside, luminance(outside));
                return KStatus::kSuccess;
            }
            if (blend > 0.0f) {
                const float sx = faceFade(q[0], blend, style);
                const float sy = faceFade(q[1], blend, style);
                const float sz = faceFade(q[2], blend, style);
                fade = 1.0f - sy * sx * sz;
            }
        }

        PatternResult r = pattern(q[0], q[1], q[2], fx, fy, params);

        if (alphaIsLuminance) r.alpha = luminance(r.color);
        if (invert) {
            r.color = {1.0f - r.color.r, 1.0f - r.color.g, 1.0f - r.color.b};
            r.alpha = 1.0f - r.alpha;
        }
        r.color = addColor(multiplyColor(r.color, colorGain), colorOffset);
        r.alpha = r.alpha * alphaGain + alphaOffset;
        if (fade > 0.0f) {
            const float keep = 1.0f - fade;
            r.color = addColor(scaleColor(r.color, keep), scaleColor(defaultColor(), fade));
            r.alpha = r.alpha * keep;
        }
        writeOutputs(block, h, r.color, r.alpha);
        return KStatus::kSuccess;
    } catch (const std::exception&) {
        return KStatus::kFailure;
    }
}

}  // namespace texture
