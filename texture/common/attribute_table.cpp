#include "texture/common/attribute_table.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "frame/k_attribute.h"
#include "frame/k_data.h"
#include "frame/k_node.h"
#include "texture/common/rgb.h"

namespace texture {
namespace {

// Counts the set-up calls and reports failing ones when a tag is given.
class CallChecker {
public:
    explicit CallChecker(const char* tag) : m_tag(tag) {}
    void operator()(const KStatus& status) {
        ++m_call;
        if (status.error() && m_tag)
            std::fprintf(stderr, "ERROR in %s at line %d\n", m_tag, m_call);
    }

private:
    const char* m_tag;
    int m_call = 0;
};

int childCount(const AttrRow& row) {
    int n = 0;
    while (n < 3 && row.childLong[n]) ++n;
    return n;
}

void applyFlags(KFnAttribute& fn, unsigned on, unsigned off, CallChecker& check) {
    struct FlagSetter {
        unsigned bit;
        KStatus (KFnAttribute::*set)(bool);
    };
    static constexpr FlagSetter kSetters[] = {
        {kKeyable, &KFnAttribute::setKeyable},   {kStorable, &KFnAttribute::setStorable},
        {kReadable, &KFnAttribute::setReadable}, {kWritable, &KFnAttribute::setWritable},
        {kHidden, &KFnAttribute::setHidden},     {kUsedAsColor, &KFnAttribute::setUsedAsColor},
    };
    for (const FlagSetter& s : kSetters) {
        if (on & s.bit) check((fn.*s.set)(true));
        if (off & s.bit) check((fn.*s.set)(false));
    }
    if (on & kReset) check(fn.setDisconnectBehavior(KFnAttribute::kReset));
}

KFnNumericData::Type numericType(AttrType type) {
    switch (type) {
        case AttrType::kInt:
            return KFnNumericData::kInt;
        case AttrType::kBool:
            return KFnNumericData::kBoolean;
        default:
            return KFnNumericData::kFloat;
    }
}

// Creates the attribute (and children) of one row with its flags, defaults and limits.
AttrHandles createRow(const AttrRow& row, CallChecker& check) {
    AttrHandles h;
    KStatus status;
    KFnNumericAttribute num;
    switch (row.type) {
        case AttrType::kFloat:
        case AttrType::kInt:
        case AttrType::kBool:
            h.attr = num.create(row.longName, row.shortName, numericType(row.type),
                                row.defaultCount > 0 ? row.defaults[0] : 0.0, &status);
            check(status);
            break;
        case AttrType::kCompound: {
            const int n = childCount(row);
            for (int i = 0; i < n; ++i) {
                KFnNumericAttribute child;
                h.child[i] =
                    child.create(row.childLong[i], row.childShort[i], KFnNumericData::kFloat,
                                 row.childDefaults ? row.childDefault[i] : 0.0, &status);
                check(status);
                applyFlags(child, row.childOn, row.childOff, check);
            }
            h.attr = num.create(row.longName, row.shortName, h.child[0], h.child[1],
                                n > 2 ? h.child[2] : KObject::kNullObj, &status);
            check(status);
            break;
        }
        case AttrType::kColor:
        case AttrType::kPoint:
            h.attr = row.type == AttrType::kColor
                         ? num.createColor(row.longName, row.shortName, &status)
                         : num.createPoint(row.longName, row.shortName, &status);
            check(status);
            for (int i = 0; i < 3; ++i) h.child[i] = num.child(i);
            break;
        case AttrType::kMatrix: {
            KFnMatrixAttribute mat;
            h.attr = mat.create(row.longName, row.shortName, KFnMatrixAttribute::kFloat, &status);
            check(status);
            applyFlags(mat, row.on, row.off, check);
            return h;
        }
    }
    applyFlags(num, row.on, row.off, check);
    const bool compound = row.type == AttrType::kCompound || row.type == AttrType::kColor ||
                          row.type == AttrType::kPoint;
    if (compound && row.defaultCount == 3)
        check(num.setDefault(row.defaults[0], row.defaults[1], row.defaults[2]));
    else if (compound && row.defaultCount == 2)
        check(num.setDefault(row.defaults[0], row.defaults[1]));
    if (row.softMin.set) check(num.setSoftMin(row.softMin.value));
    if (row.softMax.set) check(num.setSoftMax(row.softMax.value));
    if (row.hardMin.set) check(num.setMin(row.hardMin.value));
    if (row.hardMax.set) check(num.setMax(row.hardMax.value));
    return h;
}

}  // namespace

KStatus AttributeLayout::initialize(std::vector<AttrRow> rows, const char* errorTag) {
    m_rows = std::move(rows);
    m_handles.assign(m_rows.size(), AttrHandles{});
    for (auto& reads : m_reads) reads.clear();
    CallChecker check(errorTag);

    // Create in table order.
    for (std::size_t i = 0; i < m_rows.size(); ++i) m_handles[i] = createRow(m_rows[i], check);

    // Add in registration order.
    int maxOrder = -1;
    for (const AttrRow& r : m_rows) maxOrder = std::max(maxOrder, r.addOrder);
    for (int order = 0; order <= maxOrder; ++order)
        for (std::size_t i = 0; i < m_rows.size(); ++i)
            if (m_rows[i].addOrder == order) check(KPxNode::addAttribute(m_handles[i].attr));

    // Declare dependencies in creation order: children first, then their compound.
    const KObject& outColor = attribute("outColor");
    const KObject& outAlpha = attribute("outAlpha");
    auto declare = [&](const KObject& in, Affects affects) {
        if (affects == Affects::kNone) return;
        check(KPxNode::attributeAffects(in, outColor));
        if (affects == Affects::kBoth) check(KPxNode::attributeAffects(in, outAlpha));
    };
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        const AttrRow& r = m_rows[i];
        for (int c = 0; c < 3; ++c)
            if (!m_handles[i].child[c].isNull()) declare(m_handles[i].child[c], r.childAffects);
        declare(m_handles[i].attr, r.affects);
        if (r.field != Field::kNone)
            m_reads[static_cast<int>(r.field)].push_back({m_handles[i].attr, r.offset});
    }
    return KStatus::kSuccess;
}

int AttributeLayout::find(const char* longName) const {
    for (std::size_t i = 0; i < m_rows.size(); ++i)
        if (std::strcmp(m_rows[i].longName, longName) == 0) return static_cast<int>(i);
    return -1;
}

const KObject& AttributeLayout::attribute(const char* longName) const {
    const int i = find(longName);
    return i < 0 ? KObject::kNullObj : m_handles[i].attr;
}

void AttributeLayout::readFields(KDataBlock& block, void* params) const {
    // One tight loop per kind: no per-field dispatch on the sample path.
    char* base = static_cast<char*>(params);
    for (const FieldRead& r : m_reads[static_cast<int>(Field::kFloat)])
        *reinterpret_cast<float*>(base + r.offset) = block.inputValue(r.attr).asFloat();
    for (const FieldRead& r : m_reads[static_cast<int>(Field::kRgb)]) {
        const KFloatVector v = block.inputValue(r.attr).asFloatVector();
        *reinterpret_cast<Rgb*>(base + r.offset) = Rgb{v.x, v.y, v.z};
    }
    for (const FieldRead& r : m_reads[static_cast<int>(Field::kInt)])
        *reinterpret_cast<int*>(base + r.offset) = block.inputValue(r.attr).asInt();
    for (const FieldRead& r : m_reads[static_cast<int>(Field::kBool)])
        *reinterpret_cast<bool*>(base + r.offset) = block.inputValue(r.attr).asBool();
}

AttrRow floatRow(const char* ln, const char* sn, double def, unsigned on, unsigned off) {
    AttrRow r;
    r.longName = ln;
    r.shortName = sn;
    r.type = AttrType::kFloat;
    r.defaultCount = 1;
    r.defaults[0] = def;
    r.on = on;
    r.off = off;
    return r;
}

AttrRow intRow(const char* ln, const char* sn, double def, unsigned on, unsigned off) {
    AttrRow r = floatRow(ln, sn, def, on, off);
    r.type = AttrType::kInt;
    return r;
}

AttrRow boolRow(const char* ln, const char* sn, bool def, unsigned on, unsigned off) {
    AttrRow r = floatRow(ln, sn, def ? 1.0 : 0.0, on, off);
    r.type = AttrType::kBool;
    return r;
}

AttrRow compoundRow(const char* ln, const char* sn, std::span<const char* const> childLong,
                    std::span<const char* const> childShort, const double* defs, unsigned on,
                    unsigned off) {
    AttrRow r;
    r.longName = ln;
    r.shortName = sn;
    r.type = AttrType::kCompound;
    const std::size_t n = std::min<std::size_t>(3, childLong.size());
    for (std::size_t i = 0; i < n; ++i) {
        r.childLong[i] = childLong[i];
        r.childShort[i] = childShort[i];
        if (defs) r.defaults[i] = defs[i];
    }
    r.defaultCount = defs ? static_cast<int>(n) : 0;
    r.on = on;
    r.off = off;
    return r;
}

AttrRow colorRow(const char* ln, const char* sn, double red, double green, double blue, unsigned on,
                 unsigned off) {
    AttrRow r;
    r.longName = ln;
    r.shortName = sn;
    r.type = AttrType::kColor;
    r.defaultCount = 3;
    r.defaults[0] = red;
    r.defaults[1] = green;
    r.defaults[2] = blue;
    r.on = on;
    r.off = off;
    return r;
}

AttrRow pointRow(const char* ln, const char* sn, double x, double y, double z, unsigned on,
                 unsigned off) {
    AttrRow r = colorRow(ln, sn, x, y, z, on, off);
    r.type = AttrType::kPoint;
    return r;
}

AttrRow matrixRow(const char* ln, const char* sn, unsigned on, unsigned off) {
    AttrRow r;
    r.longName = ln;
    r.shortName = sn;
    r.type = AttrType::kMatrix;
    r.on = on;
    r.off = off;
    return r;
}

AttrRow withSoft(AttrRow row, double lo, double hi) {
    row.softMin = {true, lo};
    row.softMax = {true, hi};
    return row;
}

AttrRow withHard(AttrRow row, double lo, double hi) {
    row.hardMin = {true, lo};
    row.hardMax = {true, hi};
    return row;
}

AttrRow withHardMin(AttrRow row, double lo) {
    row.hardMin = {true, lo};
    return row;
}

AttrRow withSoftMax(AttrRow row, double hi) {
    row.softMax = {true, hi};
    return row;
}

AttrRow withField(AttrRow row, Field field, std::size_t offset) {
    row.field = field;
    row.offset = offset;
    return row;
}

}  // namespace texture
