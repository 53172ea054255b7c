// qmfwrite: writes QMF scene files for fixtures, the sample scene and the benchmarks.
//   qmfwrite sample OUT.qmf           the sample scene of examples/qmf
//   qmfwrite checker OUT.png          the picture the sample's checker material names
//   qmfwrite grid TRIANGLES OUT.qmf   flat grid meshes with at least TRIANGLES triangles
#include <cstdio>
#include <cstdlib>
#include <string>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include "stb_image_write.h"
#pragma GCC diagnostic pop

#include "tools/qmf/qmf_scene.h"

namespace {

int usage() {
    std::fputs(
        "usage: qmfwrite sample OUT.qmf | qmfwrite checker OUT.png | qmfwrite grid TRIANGLES "
        "OUT.qmf\n",
        stderr);
    return 2;
}

int save(const qmf::Scene& scene, const std::string& path) {
    if (!qmf::saveBytes(path, qmf::writeScene(scene))) {
        std::fprintf(stderr, "qmfwrite: cannot write %s\n", path.c_str());
        return 1;
    }
    return 0;
}

int saveChecker(const std::string& path) {
    const std::vector<uint8_t> rgb = qmf::checkerImage(qmf::kCheckerSize, qmf::kCheckerSquares);
    if (!stbi_write_png(path.c_str(), qmf::kCheckerSize, qmf::kCheckerSize, 3, rgb.data(),
                        qmf::kCheckerSize * 3)) {
        std::fprintf(stderr, "qmfwrite: cannot write %s\n", path.c_str());
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage();
    const std::string what = argv[1];
    if (what == "sample" && argc == 3) return save(qmf::sampleScene(), argv[2]);
    if (what == "checker" && argc == 3) return saveChecker(argv[2]);
    if (what == "grid" && argc == 4) {
        char* end = nullptr;
        const long triangles = std::strtol(argv[2], &end, 10);
        if (*end != '\0' || triangles <= 0 || triangles > 100000000) return usage();
        return save(qmf::gridScene(triangles), argv[3]);
    }
    return usage();
}
