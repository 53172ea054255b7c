#pragma once
/// Running the demo gallery: every section of gallery_sections.h, step by step, into an output
/// folder with an index.html contact sheet. Main thread only.

#include <string>
#include <vector>

#include "host/app/gallery_sections.h"

namespace tarn::app {

/// Picture side lengths the gallery scripts receive as $gGallerySize.
inline constexpr int kGallerySize = 192;
inline constexpr int kGalleryQuickSize = 48;

struct GalleryOptions {
    std::string out = "out/demo";  ///< created when missing; files in it are replaced
    std::string examples;          ///< the examples folder holding the section scripts
    bool quick = false;            ///< small pictures, for tests
};

/// Runs every section of `sections` whose plug-ins are built (the others are listed as skipped),
/// writes OUT/<section>/... and OUT/index.html, and prints one progress line per section and then
/// the path of the page. Answers 0 when every section that ran succeeded, 1 otherwise (the
/// page is written either way, with the failures on it).
int runGallery(const GalleryOptions& options,
               const std::vector<GallerySection>& sections = gallerySections());

}  // namespace tarn::app
