#pragma once
/// Surface values as the host passes them around: an immutable surface with its closest-point
/// search built on first use (SurfaceValue, shared between shapes, data objects and undo
/// records), and the data objects of kind kNurbsSurfaceData that typed attributes hold.

#include <memory>
#include <mutex>

#include "frame/k_object.h"
#include "host/nurbs/nurbs_surface.h"
#include "host/nurbs/surface_closest_point.h"

namespace tarn::nurbs {

/// A valid surface that never changes once made; edits make a new value.
class SurfaceValue {
public:
    explicit SurfaceValue(NurbsSurface surface) : m_surface(std::move(surface)) {}
    const NurbsSurface& surface() const { return m_surface; }
    /// The closest-point search over this surface, built on the first call (thread safe).
    const SurfaceClosestPoint& search() const {
        std::call_once(m_once,
                       [this] { m_search = std::make_unique<SurfaceClosestPoint>(m_surface); });
        return *m_search;
    }

private:
    NurbsSurface m_surface;
    mutable std::once_flag m_once;
    mutable std::unique_ptr<SurfaceClosestPoint> m_search;
};

using SurfaceRef = std::shared_ptr<const SurfaceValue>;

/// The object behind a surface data KObject: a surface value, or none while empty.
class NurbsSurfaceDataImpl final : public ObjectImpl {
public:
    KFn::Type apiType() const override { return KFn::kNurbsSurfaceData; }
    static NurbsSurfaceDataImpl* from(const KObject& object) {
        return object.apiType() == KFn::kNurbsSurfaceData
                   ? dynamic_cast<NurbsSurfaceDataImpl*>(object.impl())
                   : nullptr;
    }
    SurfaceRef value;
};

/// A new surface data object holding `value` (null: empty).
inline KObject makeSurfaceData(SurfaceRef value) {
    auto data = std::make_shared<NurbsSurfaceDataImpl>();
    data->value = std::move(value);
    return KObject(data);
}

}  // namespace tarn::nurbs
