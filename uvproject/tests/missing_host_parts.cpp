// Test plug-in only: the NURBS surface and object-group calls patchCastNode makes, for a host
// that does not define them yet. Each answers kNotImplemented, so a compute that reaches them
// fails with its message; registration, attributes and the command do not use them.
#include "frame/k_geometry_data.h"
#include "frame/k_nurbs.h"

KFnNurbsSurface::KFnNurbsSurface(const KObject&, KStatus* status) {
    if (status) *status = KStatus::kNotImplemented;
}
int KFnNurbsSurface::numPatchesInU(KStatus* status) const {
    if (status) *status = KStatus::kNotImplemented;
    return 0;
}
int KFnNurbsSurface::numPatchesInV(KStatus* status) const {
    if (status) *status = KStatus::kNotImplemented;
    return 0;
}
KPoint KFnNurbsSurface::closestPoint(const KPoint&, double*, double*, bool, double, KSpace,
                                     KStatus* status) const {
    if (status) *status = KStatus::kNotImplemented;
    return KPoint();
}

KFnGeometryData::KFnGeometryData(const KObject&, KStatus* status) {
    if (status) *status = KStatus::kNotImplemented;
}
int KFnGeometryData::objectGroupCount(KStatus* status) const {
    if (status) *status = KStatus::kNotImplemented;
    return 0;
}
int KFnGeometryData::objectGroup(int, KStatus* status) const {
    if (status) *status = KStatus::kNotImplemented;
    return -1;
}
KObject KFnGeometryData::objectGroupComponent(int, KStatus* status) const {
    if (status) *status = KStatus::kNotImplemented;
    return KObject();
}
KStatus KFnGeometryData::addObjectGroup(int) {
    return KStatus::kNotImplemented;
}
KStatus KFnGeometryData::addObjectGroupComponent(int, const KObject&) {
    return KStatus::kNotImplemented;
}
