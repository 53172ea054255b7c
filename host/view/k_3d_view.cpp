// K3dView: the SDK face of the host's one view (host/view/active_view.h).

#include "frame/k_3d_view.h"

#include <GL/gl.h>

#include "host/scene/dag.h"
#include "host/view/active_view.h"

using tarn::view::ActiveView;

namespace {

KStatus ok(KStatus* status) {
    if (status) status->clear();
    return KStatus::kSuccess;
}

tarn::Vec3 toVec3(const KPoint& p) {
    const double w = p.w != 0.0 ? p.w : 1.0;
    return {p.x / w, p.y / w, p.z / w};
}

}  // namespace

K3dView K3dView::active3dView(KStatus* status) {
    ActiveView::instance().refresh();
    K3dView view;
    view.m_valid = true;
    ok(status);
    return view;
}

int K3dView::portWidth(KStatus* status) const {
    ok(status);
    return ActiveView::instance().width();
}

int K3dView::portHeight(KStatus* status) const {
    ok(status);
    return ActiveView::instance().height();
}

KStatus K3dView::worldToView(const KPoint& worldPt, short& x_pos, short& y_pos,
                             bool* clipped) const {
    int x = 0, y = 0;
    const bool inFront = ActiveView::instance().projection().toPixel(toVec3(worldPt), x, y);
    x_pos = static_cast<short>(x);
    y_pos = static_cast<short>(y);
    if (clipped) *clipped = !inFront;
    return KStatus::kSuccess;
}

KStatus K3dView::viewToWorld(short x_pos, short y_pos, KPoint& worldPt,
                             KVector& worldVector) const {
    const tarn::view::ViewRay ray = ActiveView::instance().projection().pixelRay(x_pos, y_pos);
    worldPt = KPoint(ray.origin.x, ray.origin.y, ray.origin.z);
    worldVector = KVector(ray.direction.x, ray.direction.y, ray.direction.z);
    return KStatus::kSuccess;
}

KStatus K3dView::viewToWorld(short x_pos, short y_pos, KPoint& nearPt, KPoint& farPt) const {
    const auto& projection = ActiveView::instance().projection();
    const tarn::view::ViewRay ray = projection.pixelRay(x_pos, y_pos);
    const auto& cam = projection.camera();
    // The far point lies on the far plane, as the near point lies on the near plane.
    const double along = tarn::dot(ray.direction, cam.forward);
    const double reach = along > 0.0 ? (cam.farClip - cam.nearClip) / along : cam.farClip;
    const tarn::Vec3 far = ray.origin + ray.direction * reach;
    nearPt = KPoint(ray.origin.x, ray.origin.y, ray.origin.z);
    farPt = KPoint(far.x, far.y, far.z);
    return KStatus::kSuccess;
}

KStatus K3dView::getCamera(KDagPath& camera) const {
    const KObject shape = ActiveView::instance().cameraShape();
    if (shape.isNull()) return KStatus::kFailure;
    camera = tarn::scene::pathTo(shape);
    return KStatus::kSuccess;
}

KStatus K3dView::beginGL() {
    std::string error;
    if (!ActiveView::instance().beginGL(&error)) return KStatus::kFailure;
    return KStatus::kSuccess;
}

KStatus K3dView::endGL() {
    ActiveView::instance().endGL();
    return KStatus::kSuccess;
}

KStatus K3dView::beginOverlayDrawing() {
    ActiveView::instance().beginOverlayDrawing();
    return KStatus::kSuccess;
}

KStatus K3dView::endOverlayDrawing() {
    ActiveView::instance().endOverlayDrawing();
    return KStatus::kSuccess;
}

KStatus K3dView::clearOverlayPlane() {
    ActiveView::instance().clearOverlay();
    return KStatus::kSuccess;
}

KStatus K3dView::setDrawColor(int index) {
    const std::uint8_t* rgb = tarn::view::paletteColor(index);
    glColor4ub(rgb[0], rgb[1], rgb[2], 255);
    return KStatus::kSuccess;
}

void K3dView::swapBuffers() {
    glFlush();
    ActiveView::instance().swapBuffers();
}

KStatus K3dView::refresh(bool, bool) {
    ActiveView::instance().refresh();
    return KStatus::kSuccess;
}
