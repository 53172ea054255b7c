#include "host/view/view_snapshot.h"

#include <algorithm>

#include "host/image/png_writer.h"
#include "host/view/scene_geometry.h"
#include "host/view/scene_layer.h"
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
    SceneGeometry geometry;
    SceneGeometry::Options gather;
    gather.edges = request.wireframe;
    geometry.gather(gather);
    RenderOptions options{request.width, request.height, request.wireframe};
    options.flatBackground = request.flatBackground;
    std::copy(request.background, request.background + 3, options.background);
    const RgbImage image = renderScene(geometry.scene(), camera, options);
    return image::writeRgbByExtension(request.path, image.width, image.height, image.pixels.data(),
                                      error);
}

ViewFrames& captureFrames() {
    // Never destroyed: captures may run while the program exits.
    static ViewFrames* frames = new ViewFrames;
    return *frames;
}

RgbImage renderActiveScene() {
    ViewFrames& frames = captureFrames();
    frames.update({});
    return frames.sceneRgb();
}

RgbImage renderActiveView() {
    ViewFrames& frames = captureFrames();
    frames.update({});
    return frames.rgb();
}

bool writeViewCapture(const std::string& path, std::string* error) {
    if (path.empty()) return fail(error, "no output file given");
    const RgbImage image = renderActiveView();
    return image::writeRgbByExtension(path, image.width, image.height, image.pixels.data(), error);
}

}  // namespace tarn::view
