#pragma once
/// Curve values as typed attributes pass them around: the data objects of kind kNurbsCurveData,
/// each holding an immutable curve shared without copying (edits make a new value).

#include <memory>

#include "frame/k_object.h"
#include "host/nurbs/nurbs_curve.h"

namespace tarn::nurbs {

using CurveRef = std::shared_ptr<const NurbsCurve>;

/// The object behind a curve data KObject: a valid curve, or none while empty.
class NurbsCurveDataImpl final : public ObjectImpl {
public:
    KFn::Type apiType() const override { return KFn::kNurbsCurveData; }
    static NurbsCurveDataImpl* from(const KObject& object) {
        return object.apiType() == KFn::kNurbsCurveData
                   ? dynamic_cast<NurbsCurveDataImpl*>(object.impl())
                   : nullptr;
    }
    CurveRef value;
};

/// A new curve data object holding `value` (null: empty).
inline KObject makeCurveData(CurveRef value) {
    auto data = std::make_shared<NurbsCurveDataImpl>();
    data->value = std::move(value);
    return KObject(data);
}

}  // namespace tarn::nurbs
