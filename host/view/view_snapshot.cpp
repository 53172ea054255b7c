#include "host/view/view_snapshot.h"

#include <algorithm>

#include "frame/k_scene.h"
#include "host/image/png_writer.h"
#include "host/scene/dag.h"
#include "host/view/active_view.h"
#include "host/view/view_scene.h"

namespace tarn::view {

namespace {

bool fail(std::string* error, std::string message) {
    if (error) *error = std::move(message);
    return false;
}

}  // namespace

bool snapshotCamera(const SnapshotRequest& request, ViewCamera& camera, std::string* error) {
    if (!request.camera.empty()) return namedCamera(request.camera, camera, error);
    if (firstCamera(camera)) return true;
    camera = framingCamera(visibleBounds(), request.width, request.height);
    return true;
}

bool writeSnapshot(const SnapshotRequest& request, std::string* error) {
    using image::kMaxPngSide;
    if (request.path.empty()) return fail(error, "no output file given");
    if (request.width < 1 || request.width > kMaxPngSide || request.height < 1 ||
        request.height > kMaxPngSide)
        return fail(error, "image size must be 1 to " + std::to_string(kMaxPngSide) +
                               " pixels each way, not " + std::to_string(request.width) + " x " +
                               std::to_string(request.height));
    ViewCamera camera;
    if (!snapshotCamera(request, camera, error)) return false;
    const ViewScene scene = gatherScene(request.wireframe);
    RenderOptions options{request.width, request.height, request.wireframe};
    options.flatBackground = request.flatBackground;
    std::copy(request.background, request.background + 3, options.background);
    const RgbImage image =
        renderView(camera, scene.triangles, scene.edges, options, scene.textures);
    return image::writeRgbByExtension(request.path, image.width, image.height, image.pixels.data(),
                                      error);
}

namespace {

// The geometry the active view shows into `scene`: shaded meshes and surfaces, the selection's
// wireframe.
void gatherActiveGeometry(ViewScene& scene) {
    regatherScene(scene, false);
    addSelectionEdges(scene);
}

RgbImage renderActiveGeometry(const ViewScene& scene) {
    ActiveView& view = ActiveView::instance();
    const ViewProjection& projection = view.refresh();
    return renderView(projection.camera(), scene.triangles, scene.edges,
                      {view.width(), view.height(), true}, scene.textures);
}

}  // namespace

RgbImage renderActiveScene() {
    ViewScene scene;
    gatherActiveGeometry(scene);
    return renderActiveGeometry(scene);
}

bool cameraCarriesGeometry() {
    const KObject camera = ActiveView::instance().cameraShape();
    if (camera.isNull()) return false;
    const KObject rig = scene::parentOf(camera);  // what navigation moves
    if (rig.isNull()) return false;
    for (const KObject& node : scene::allDagNodes()) {
        if (!scene::meshNode(node) && node.apiType() != KFn::kNurbsSurface) continue;
        for (KObject above = scene::parentOf(node); !above.isNull(); above = scene::parentOf(above))
            if (above == rig) return true;
    }
    return false;
}

RgbImage SceneFrames::render(bool cameraOnly) {
    if (!(cameraOnly && m_kept && !cameraCarriesGeometry())) {
        gatherActiveGeometry(m_geometry);
        m_kept = true;
    }
    return renderActiveGeometry(m_geometry);
}

RgbImage renderActiveView() {
    RgbImage image = renderActiveScene();
    ActiveView::instance().compositeOverlay(image.pixels, image.width, image.height);
    return image;
}

bool writeViewCapture(const std::string& path, std::string* error) {
    if (path.empty()) return fail(error, "no output file given");
    const RgbImage image = renderActiveView();
    return image::writeRgbByExtension(path, image.width, image.height, image.pixels.data(), error);
}

}  // namespace tarn::view
