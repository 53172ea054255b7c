#include "host/app/job_table.h"

#include "host/app/replay_job.h"
#include "host/fileio/import_job.h"
#include "host/render/shade_job.h"
#include "host/render/shade_options.h"
#include "host/texturing/swatch_job.h"
#include "host/window/window_job.h"

namespace tarn::app {
const std::vector<Job>& jobs() {
    static const std::vector<Job> table = {
        {"demo", "write the gallery of every plug-in at work (--list: what each registers)",
         runDemoJob, demoUsage},
        {"swatch", "render a texture node to a PNG swatch", texturing::runSwatchJob,
         texturing::swatchUsage},
        {"shade", "render a skin-shaded sphere to a PNG", render::runShadeJob, render::shadeUsage},
        {"import",
         "import a model (OBJ, PLY, STL, glTF, FBX, Collada) or a QMF scene and summarise or "
         "export it",
         runImportJob, importUsage},
        {"replay", "run the texts of a journal again, headless (a window session reproduced)",
         runReplayJob, replayUsage},
        {"view", "open the view in a window on the X display and use the tools with the mouse",
         window::runViewJob, window::viewUsage},
    };
    return table;
}

const Job* findJob(std::string_view name) {
    for (const auto& job : jobs())
        if (name == job.name) return &job;
    return nullptr;
}

std::string jobNames() {
    std::string names;
    for (const auto& job : jobs()) names += (names.empty() ? "" : ", ") + std::string(job.name);
    return names;
}

}  // namespace tarn::app
