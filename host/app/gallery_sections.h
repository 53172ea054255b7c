#pragma once
/// The sections of the demo gallery, in page order. Each section is a script under examples/
/// that a user can run alone; `tarn demo` runs it step by step and puts every picture and file
/// a step writes on the page beside the step's lines. Adding a section is one row here plus
/// its script (see gallery_script.h for how a script marks its steps).

#include <string>
#include <vector>

namespace tarn::app {

struct GallerySection {
    std::string id;  ///< folder of its files under the output folder; [a-z0-9_-] only
    std::string title;
    std::string script;  ///< path under the examples folder, e.g. "gallery/textures.tcs"
    std::vector<std::string> plugins;  ///< deliverables it loads; without one it is skipped
    std::string caption;               ///< one or two sentences under the title
};

/// Every section, in the order the page shows them.
const std::vector<GallerySection>& gallerySections();

}  // namespace tarn::app
