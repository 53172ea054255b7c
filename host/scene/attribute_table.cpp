#include "host/scene/attribute_table.h"

#include <string>

#include "frame/k_attribute.h"
#include "frame/k_node.h"

namespace tarn::scene {

namespace {

KObject createRow(const AttrRow& row, KStatus* status) {
    KFnNumericAttribute numeric;
    switch (row.kind) {
        case AttrKind::Bool:
            return numeric.create(row.longName, row.shortName, KFnNumericData::kBoolean,
                                  row.defaults[0], status);
        case AttrKind::Int:
            return numeric.create(row.longName, row.shortName, KFnNumericData::kInt,
                                  row.defaults[0], status);
        case AttrKind::Float:
            return numeric.create(row.longName, row.shortName, KFnNumericData::kFloat,
                                  row.defaults[0], status);
        case AttrKind::Double:
            return numeric.create(row.longName, row.shortName, KFnNumericData::kDouble,
                                  row.defaults[0], status);
        case AttrKind::Enum: {
            KFnEnumAttribute fn;
            return fn.create(row.longName, row.shortName, static_cast<short>(row.defaults[0]),
                             status);
        }
        case AttrKind::Color: {
            KObject attr = numeric.createColor(row.longName, row.shortName, status);
            if (!attr.isNull())
                numeric.setDefault(static_cast<float>(row.defaults[0]),
                                   static_cast<float>(row.defaults[1]),
                                   static_cast<float>(row.defaults[2]));
            return attr;
        }
        case AttrKind::Float2:
        case AttrKind::Float3:
        case AttrKind::Double3: {
            const bool two = row.kind == AttrKind::Float2;
            const auto type =
                row.kind == AttrKind::Double3 ? KFnNumericData::kDouble : KFnNumericData::kFloat;
            KObject kids[3];
            for (int i = 0; i < (two ? 2 : 3); ++i) {
                KFnNumericAttribute child;
                kids[i] = child.create(row.children[i][0], row.children[i][1], type,
                                       row.defaults[i], status);
                if (kids[i].isNull()) return {};
            }
            KObject attr = numeric.create(row.longName, row.shortName, kids[0], kids[1],
                                          two ? KObject::kNullObj : kids[2], status);
            return attr;
        }
        case AttrKind::String: {
            KFnTypedAttribute typed;
            return typed.create(row.longName, row.shortName, KFnData::kString, KObject::kNullObj,
                                status);
        }
        case AttrKind::SurfaceData: {
            KFnTypedAttribute typed;
            return typed.create(row.longName, row.shortName, KFnData::kNurbsSurface,
                                KObject::kNullObj, status);
        }
        case AttrKind::CurveData: {
            KFnTypedAttribute typed;
            return typed.create(row.longName, row.shortName, KFnData::kNurbsCurve,
                                KObject::kNullObj, status);
        }
        case AttrKind::MeshData: {
            KFnTypedAttribute typed;
            return typed.create(row.longName, row.shortName, KFnData::kMesh, KObject::kNullObj,
                                status);
        }
        case AttrKind::Message: {
            KFnMessageAttribute message;
            return message.create(row.longName, row.shortName, status);
        }
    }
    return {};
}

}  // namespace

KStatus addAttributeTable(std::initializer_list<AttrRow> rows) {
    for (const AttrRow& row : rows) {
        KStatus status;
        KObject attr = createRow(row, &status);
        if (attr.isNull() || status.error()) return status.error() ? status : KStatus::kFailure;
        KFnAttribute fn(attr);
        if (row.output) {
            fn.setWritable(false);
            fn.setStorable(false);
        }
        if (row.array) fn.setArray(true);
        if (row.keyable) fn.setKeyable(true);
        if (KStatus s = KPxNode::addAttribute(attr); s.error()) return s;
        if (row.handle) *row.handle = attr;
    }
    return KStatus::kSuccess;
}

}  // namespace tarn::scene
