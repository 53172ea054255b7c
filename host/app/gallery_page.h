#pragma once
/// The gallery's contact sheet: one self-contained HTML page that opens from the file system
/// (relative links only, inline style, no external resources). A small inline script checks
/// on load that every picture decoded at the size the page expects and reports failures on
/// the page and as data attributes of <body> (data-checked, data-images, data-images-loaded,
/// data-script-errors), which the browser test reads.

#include <string>
#include <string_view>
#include <vector>

namespace tarn::app {

/// A file a step wrote, relative to the page's folder. Pictures have their pixel size.
struct GalleryFile {
    std::string path;  ///< relative, '/'-separated
    int width = 0;     ///< 0 for a file that is not a PNG picture
    int height = 0;
};

struct GalleryStep {
    std::string caption;
    std::string code;    ///< the script lines that made the files
    std::string output;  ///< what the lines printed (messages included)
    std::string error;   ///< empty when the step succeeded
    std::vector<GalleryFile> files;
};

struct GallerySectionResult {
    std::string id, title, caption;
    std::string scriptLink;  ///< relative link to the copy of the script, or empty
    std::string scriptPath;  ///< as shown to the reader, e.g. "examples/gallery/textures.tcs"
    std::string skipped;     ///< why the section did not run; empty when it ran
    std::string preamble;    ///< the script's lines before its first step
    std::vector<GalleryStep> steps;
    double seconds = 0.0;
};

/// The whole page. `footer` is a line of plain text (e.g. how long the run took). Pure.
std::string galleryPage(const std::vector<GallerySectionResult>& sections, std::string_view footer);

/// Text made safe as HTML element content or a double-quoted attribute value. Pure.
std::string htmlEscape(std::string_view text);
/// A relative path made safe as a URL: bytes other than letters, digits and "-._~/" are
/// percent-encoded (so "#", "?", "%" and blanks in file names keep working). Pure.
std::string urlPath(std::string_view path);

/// Width and height of the PNG file at `path` from its signature and header chunk; false
/// when the file is missing, too short or not a PNG.
bool readPngSize(const std::string& path, int* width, int* height);

}  // namespace tarn::app
