// KFnCamera: a camera shape under a transform. The eye is the transform's origin, the view runs
// along its -Z axis with +Y up; the lens is focal length over film aperture (inches).

#include <cmath>
#include <cstdio>
#include <numbers>

#include "frame/k_scene.h"
#include "host/dg/graph.h"
#include "host/scene/dag.h"
#include "host/scene/node_access.h"
#include "host/scene/scene_undo.h"

using namespace tarn;
using namespace tarn::scene;

namespace {

constexpr double kMmPerInch = 25.4;

// The camera shape of a camera function set's node (a shape, or a transform with one camera).
KObject cameraShape(const KObject& node) {
    if (node.apiType() == KFn::kCamera) return node;
    for (const KObject& shape : shapesOf(node))
        if (shape.apiType() == KFn::kCamera) return shape;
    return {};
}

KObject cameraTransform(const KObject& shape) {
    return parentOf(shape);
}

// Places the camera's transform so its world matrix has rows x, y, z (unit) and origin `eye`.
bool placeCamera(const KObject& transform, const KVector& x, const KVector& y, const KVector& z,
                 const KPoint& eye) {
    KMatrix world;
    for (int j = 0; j < 3; ++j) {
        world[0][j] = x[j];
        world[1][j] = y[j];
        world[2][j] = z[j];
        world[3][j] = eye[j];
    }
    const KMatrix local = world * worldMatrix(parentOf(transform)).inverse();
    // Rotation only: the transform keeps its own scale.
    KMatrix rot = local;
    for (int i = 0; i < 3; ++i) {
        const double len =
            std::sqrt(rot[i][0] * rot[i][0] + rot[i][1] * rot[i][1] + rot[i][2] * rot[i][2]);
        for (int j = 0; j < 3 && len > 0.0; ++j) rot[i][j] /= len;
    }
    return writeVector(transform, "rotate", eulerDegreesFromMatrix(rot)) &&
           writeVector(transform, "translate", {local[3][0], local[3][1], local[3][2]});
}

// A frame looking along `view` with `up` as close to its Y as possible.
bool frameFrom(const KVector& view, const KVector& up, KVector& x, KVector& y, KVector& z) {
    if (view.length() == 0.0) return false;
    z = (-view).normal();
    x = up ^ z;
    if (x.length() < 1e-12) x = KVector(0, 0, 1) ^ z;  // looking straight up or down
    if (x.length() < 1e-12) x = KVector(1, 0, 0);
    x.normalize();
    y = (z ^ x).normal();
    return true;
}

}  // namespace

std::string tarn::scene::cameraValueProblem(const KObject& shape, std::string_view attribute,
                                            double value) {
    const std::string what(attribute);
    if (!std::isfinite(value)) return what + " takes finite numbers";
    static constexpr std::string_view kPositive[] = {"focalLength", "horizontalFilmAperture",
                                                     "verticalFilmAperture", "orthographicWidth"};
    for (std::string_view p : kPositive)
        if (attribute == p && !(value > 0.0)) return what + " must be greater than 0";
    const KObject camera = cameraShape(shape);
    auto shown = [](double v) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%g", v);
        return std::string(buf);
    };
    if (attribute == "nearClipPlane") {
        if (!(value > 0.0)) return "nearClipPlane must be greater than 0";
        if (!camera.isNull() && !(value < readNumber(camera, "farClipPlane")))
            return "nearClipPlane must be less than farClipPlane (" +
                   shown(readNumber(camera, "farClipPlane")) + ")";
    }
    if (attribute == "farClipPlane" && !camera.isNull() &&
        !(value > readNumber(camera, "nearClipPlane")))
        return "farClipPlane must be greater than nearClipPlane (" +
               shown(readNumber(camera, "nearClipPlane")) + ")";
    return {};
}

KFnCamera::KFnCamera(const KObject& node, KStatus* status) {
    kSetStatus(status, cameraShape(node).isNull() ? KStatus(KStatus::kInvalidParameter)
                                                  : setObject(cameraShape(node)));
}

KFnCamera::KFnCamera(const KDagPath& path, KStatus* status) {
    KDagPath p = path;
    p.extendToShape();
    kSetStatus(status,
               p.apiType() == KFn::kCamera ? setObject(p) : KStatus(KStatus::kInvalidParameter));
}

KObject KFnCamera::create(KStatus* status) {
    std::string error;
    auto [transform, shape] =
        createTransformAndShape("camera", "cameraShape", "camera", {}, &error);
    if (transform.isNull()) {
        kSetStatus(status, KStatus::kFailure);
        return {};
    }
    recordCreated({transform, shape}, "create " + nodeName(transform));
    setObject(shape);
    kSetStatus(status, KStatus::kSuccess);
    return transform;
}

KObject KFnCamera::create(const KObject& parent, KStatus* status) {
    if (parent.apiType() != KFn::kTransform) return create(status);
    std::string error;
    KObject shape = createDagNode(
        "camera",
        "cameraShape" +
            [&] {
                const std::string n = nodeName(parent);
                size_t d = n.size();
                while (d > 0 && std::isdigit(static_cast<unsigned char>(n[d - 1]))) --d;
                return n.substr(d).empty() ? std::string("1") : n.substr(d);
            }(),
        parent, &error);
    if (shape.isNull()) {
        kSetStatus(status, KStatus::kFailure);
        return {};
    }
    recordCreated({shape}, "create " + nodeName(shape));
    setObject(shape);
    kSetStatus(status, KStatus::kSuccess);
    return shape;
}

KPoint KFnCamera::eyePoint(KSpace space, KStatus* status) const {
    if (!attached(status)) return {};
    if (space != KSpace::kWorld) return KPoint(0, 0, 0);
    return KPoint(0, 0, 0) * worldMatrix(m_object);
}

KStatus KFnCamera::setEyePoint(const KPoint& point, KSpace space) {
    if (!attached(nullptr)) return KStatus::kInvalidParameter;
    const KObject transform = cameraTransform(m_object);
    KPoint world = point;
    if (space != KSpace::kWorld) world = point * worldMatrix(m_object);
    const KPoint local = world * worldMatrix(parentOf(transform)).inverse();
    return writeVector(transform, "translate", local.asVector()) ? KStatus::kSuccess
                                                                 : KStatus::kFailure;
}

KPoint KFnCamera::centerOfInterestPoint(KSpace space, KStatus* status) const {
    if (!attached(status)) return {};
    const double coi = readNumber(m_object, "centerOfInterest");
    const KPoint local(0, 0, -coi);
    return space == KSpace::kWorld ? local * worldMatrix(m_object) : local;
}

KStatus KFnCamera::setCenterOfInterestPoint(const KPoint& point, KSpace space) {
    if (!attached(nullptr)) return KStatus::kInvalidParameter;
    KPoint world = point;
    if (space != KSpace::kWorld) world = point * worldMatrix(m_object);
    const KPoint eye = eyePoint(KSpace::kWorld);
    const KVector view = world - eye;
    KVector x, y, z;
    if (!frameFrom(view, KVector(0, 1, 0), x, y, z)) return KStatus::kInvalidParameter;
    if (!placeCamera(cameraTransform(m_object), x, y, z, eye)) return KStatus::kFailure;
    return writeNumber(m_object, "centerOfInterest", view.length()) ? KStatus::kSuccess
                                                                    : KStatus::kFailure;
}

double KFnCamera::centerOfInterest(KStatus* status) const {
    if (!attached(status)) return 0.0;
    return readNumber(m_object, "centerOfInterest");
}

KStatus KFnCamera::setCenterOfInterest(double distance) {
    if (!attached(nullptr) || !(distance > 0.0)) return KStatus::kInvalidParameter;
    return writeNumber(m_object, "centerOfInterest", distance) ? KStatus::kSuccess
                                                               : KStatus::kFailure;
}

KVector KFnCamera::viewDirection(KSpace space, KStatus* status) const {
    if (!attached(status)) return {};
    const KVector v(0, 0, -1);
    return space == KSpace::kWorld ? (v * worldMatrix(m_object)).normal() : v;
}

KVector KFnCamera::upDirection(KSpace space, KStatus* status) const {
    if (!attached(status)) return {};
    const KVector v(0, 1, 0);
    return space == KSpace::kWorld ? (v * worldMatrix(m_object)).normal() : v;
}

KVector KFnCamera::rightDirection(KSpace space, KStatus* status) const {
    if (!attached(status)) return {};
    const KVector v(1, 0, 0);
    return space == KSpace::kWorld ? (v * worldMatrix(m_object)).normal() : v;
}

KStatus KFnCamera::set(const KPoint& eye, const KVector& view, const KVector& up,
                       double horizFieldOfView, double aspectRatio) {
    if (!attached(nullptr)) return KStatus::kInvalidParameter;
    if (!(horizFieldOfView > 0.0 && horizFieldOfView < std::numbers::pi) || !(aspectRatio > 0.0))
        return KStatus::kInvalidParameter;
    KVector x, y, z;
    if (!frameFrom(view, up, x, y, z)) return KStatus::kInvalidParameter;
    if (!placeCamera(cameraTransform(m_object), x, y, z, eye)) return KStatus::kFailure;
    if (setAspectRatio(aspectRatio).error()) return KStatus::kFailure;
    return setHorizontalFieldOfView(horizFieldOfView);
}

double KFnCamera::aspectRatio(KStatus* status) const {
    if (!attached(status)) return 0.0;
    const double vfa = readNumber(m_object, "verticalFilmAperture");
    return vfa > 0.0 ? readNumber(m_object, "horizontalFilmAperture") / vfa : 0.0;
}

KStatus KFnCamera::setAspectRatio(double ratio) {
    if (!attached(nullptr) || !(ratio > 0.0)) return KStatus::kInvalidParameter;
    return writeNumber(m_object, "verticalFilmAperture",
                       readNumber(m_object, "horizontalFilmAperture") / ratio)
               ? KStatus::kSuccess
               : KStatus::kFailure;
}

double KFnCamera::horizontalFieldOfView(KStatus* status) const {
    if (!attached(status)) return 0.0;
    const double fl = readNumber(m_object, "focalLength");
    return 2.0 * std::atan(readNumber(m_object, "horizontalFilmAperture") * kMmPerInch / 2.0 / fl);
}

double KFnCamera::verticalFieldOfView(KStatus* status) const {
    if (!attached(status)) return 0.0;
    const double fl = readNumber(m_object, "focalLength");
    return 2.0 * std::atan(readNumber(m_object, "verticalFilmAperture") * kMmPerInch / 2.0 / fl);
}

KStatus KFnCamera::setHorizontalFieldOfView(double radians) {
    if (!attached(nullptr) || !(radians > 0.0 && radians < std::numbers::pi))
        return KStatus::kInvalidParameter;
    const double hfa = readNumber(m_object, "horizontalFilmAperture");
    return writeNumber(m_object, "focalLength", hfa * kMmPerInch / 2.0 / std::tan(radians / 2.0))
               ? KStatus::kSuccess
               : KStatus::kFailure;
}

double KFnCamera::focalLength(KStatus* status) const {
    if (!attached(status)) return 0.0;
    return readNumber(m_object, "focalLength");
}

KStatus KFnCamera::setFocalLength(double millimetres) {
    if (!attached(nullptr) || !cameraValueProblem(m_object, "focalLength", millimetres).empty())
        return KStatus::kInvalidParameter;
    return writeNumber(m_object, "focalLength", millimetres) ? KStatus::kSuccess
                                                             : KStatus::kFailure;
}

double KFnCamera::nearClippingPlane(KStatus* status) const {
    if (!attached(status)) return 0.0;
    return readNumber(m_object, "nearClipPlane");
}

double KFnCamera::farClippingPlane(KStatus* status) const {
    if (!attached(status)) return 0.0;
    return readNumber(m_object, "farClipPlane");
}

KStatus KFnCamera::setNearClippingPlane(double distance) {
    if (!attached(nullptr) || !cameraValueProblem(m_object, "nearClipPlane", distance).empty())
        return KStatus::kInvalidParameter;
    return writeNumber(m_object, "nearClipPlane", distance) ? KStatus::kSuccess : KStatus::kFailure;
}

KStatus KFnCamera::setFarClippingPlane(double distance) {
    if (!attached(nullptr) || !cameraValueProblem(m_object, "farClipPlane", distance).empty())
        return KStatus::kInvalidParameter;
    return writeNumber(m_object, "farClipPlane", distance) ? KStatus::kSuccess : KStatus::kFailure;
}

bool KFnCamera::isOrtho(KStatus* status) const {
    if (!attached(status)) return false;
    return readNumber(m_object, "orthographic") != 0.0;
}

KStatus KFnCamera::setIsOrtho(bool orthographic) {
    if (!attached(nullptr)) return KStatus::kInvalidParameter;
    return writeNumber(m_object, "orthographic", orthographic ? 1.0 : 0.0) ? KStatus::kSuccess
                                                                           : KStatus::kFailure;
}

double KFnCamera::orthoWidth(KStatus* status) const {
    if (!attached(status)) return 0.0;
    return readNumber(m_object, "orthographicWidth");
}

KStatus KFnCamera::setOrthoWidth(double width) {
    if (!attached(nullptr) || !(width > 0.0)) return KStatus::kInvalidParameter;
    return writeNumber(m_object, "orthographicWidth", width) ? KStatus::kSuccess
                                                             : KStatus::kFailure;
}
