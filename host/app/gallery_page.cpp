#include "host/app/gallery_page.h"

#include <cstdint>
#include <fstream>

namespace tarn::app {
namespace {

constexpr const char* kStyle = R"(
body { font: 15px/1.4 sans-serif; margin: 0 auto; max-width: 1200px; padding: 1em 2em;
       background: #f4f3f0; color: #222; }
h1 { margin-bottom: 0.2em; }
h2 { border-bottom: 2px solid #bbb; padding-bottom: 0.2em; margin-top: 2em; }
nav a { margin-right: 1em; }
.steps { display: flex; flex-wrap: wrap; gap: 1em; align-items: flex-start; }
figure { margin: 0; padding: 0.6em; background: #fff; border: 1px solid #ddd; border-radius: 4px;
         max-width: 100%; }
figcaption { font-weight: bold; margin-bottom: 0.4em; max-width: 32em; }
figure img { display: block; margin-bottom: 0.4em; image-rendering: auto; }
pre { background: #272822; color: #f8f8f2; padding: 0.5em; border-radius: 3px; overflow-x: auto;
      font-size: 12px; max-width: 40em; white-space: pre-wrap; }
pre.output { background: #eef; color: #223; }
.error, .status { color: #a00; font-weight: bold; }
.skipped { color: #666; }
footer { margin-top: 3em; color: #666; font-size: 13px; }
)";

// Checks on load that every picture decoded at the size the page gives it and reports the
// result on the page and as data attributes of <body>.
constexpr const char* kCheckScript = R"(
(function () {
  var errors = [];
  window.addEventListener('error', function (e) { errors.push(String(e.message)); });
  window.addEventListener('load', function () {
    var images = document.images, bad = [];
    for (var i = 0; i < images.length; ++i) {
      var im = images[i];
      if (!im.complete || im.naturalWidth !== Number(im.getAttribute('width')) ||
          im.naturalHeight !== Number(im.getAttribute('height')))
        bad.push(im.getAttribute('src'));
    }
    var body = document.body;
    body.setAttribute('data-images', String(images.length));
    body.setAttribute('data-images-loaded', String(images.length - bad.length));
    body.setAttribute('data-script-errors', String(errors.length));
    body.setAttribute('data-checked', 'yes');
    if (bad.length)
      document.getElementById('status').textContent =
        bad.length + ' of ' + images.length + ' pictures did not load: ' + bad.join(', ');
  });
})();
)";

void appendFile(std::string& html, const GalleryFile& f) {
    const std::string src = htmlEscape(urlPath(f.path));
    if (f.width > 0) {
        html += "<a href=\"" + src + "\"><img src=\"" + src + "\" width=\"" +
                std::to_string(f.width) + "\" height=\"" + std::to_string(f.height) + "\" alt=\"" +
                htmlEscape(f.path) + "\"></a>\n";
    } else {
        const std::size_t slash = f.path.rfind('/');
        const std::string name = slash == std::string::npos ? f.path : f.path.substr(slash + 1);
        html += "<p>File: <a href=\"" + src + "\">" + htmlEscape(name) + "</a></p>\n";
    }
}

void appendStep(std::string& html, const GalleryStep& step) {
    html += "<figure>\n<figcaption>" + htmlEscape(step.caption) + "</figcaption>\n";
    for (const GalleryFile& f : step.files)
        if (f.width > 0) appendFile(html, f);
    for (const GalleryFile& f : step.files)
        if (f.width == 0) appendFile(html, f);
    if (!step.code.empty()) html += "<pre class=\"code\">" + htmlEscape(step.code) + "</pre>\n";
    if (!step.output.empty())
        html += "<pre class=\"output\">" + htmlEscape(step.output) + "</pre>\n";
    if (!step.error.empty()) html += "<p class=\"error\">" + htmlEscape(step.error) + "</p>\n";
    html += "</figure>\n";
}

void appendSection(std::string& html, const GallerySectionResult& s) {
    const std::string id = htmlEscape(s.id);
    if (!s.skipped.empty()) {
        html += "<section id=\"" + id + "\" class=\"skipped\">\n<h2>" + htmlEscape(s.title) +
                "</h2>\n<p>" + htmlEscape(s.caption) +
                "</p>\n<p class=\"note\">Skipped: " + htmlEscape(s.skipped) + "</p>\n</section>\n";
        return;
    }
    html += "<section id=\"" + id + "\">\n<h2>" + htmlEscape(s.title) + "</h2>\n<p>" +
            htmlEscape(s.caption) + "</p>\n<p>Script: ";
    if (!s.scriptLink.empty())
        html += "<a href=\"" + htmlEscape(urlPath(s.scriptLink)) + "\">" +
                htmlEscape(s.scriptPath) + "</a>";
    else
        html += htmlEscape(s.scriptPath);
    html += " &mdash; run it alone with <code>build/bin/tarn " + htmlEscape(s.scriptPath) +
            "</code></p>\n";
    if (!s.preamble.empty())
        html += "<details><summary>Set-up lines of the script</summary><pre class=\"code\">" +
                htmlEscape(s.preamble) + "</pre></details>\n";
    html += "<div class=\"steps\">\n";
    for (const GalleryStep& step : s.steps) appendStep(html, step);
    html += "</div>\n</section>\n";
}

}  // namespace

std::string htmlEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string urlPath(std::string_view path) {
    static const char* const kHex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : path) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' || c == '~' ||
                           c == '/';
        if (plain) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

bool readPngSize(const std::string& path, int* width, int* height) {
    static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    unsigned char head[24];
    std::ifstream in(path, std::ios::binary);
    if (!in.read(reinterpret_cast<char*>(head), sizeof head)) return false;
    for (int i = 0; i < 8; ++i)
        if (head[i] != kSignature[i]) return false;
    if (head[12] != 'I' || head[13] != 'H' || head[14] != 'D' || head[15] != 'R') return false;
    auto be32 = [&](int at) {
        return (std::uint32_t(head[at]) << 24) | (std::uint32_t(head[at + 1]) << 16) |
               (std::uint32_t(head[at + 2]) << 8) | std::uint32_t(head[at + 3]);
    };
    const std::uint32_t w = be32(16), h = be32(20);
    // The format allows up to 2^31 - 1; zero is invalid.
    if (w == 0 || h == 0 || w > 0x7fffffffu || h > 0x7fffffffu) return false;
    *width = static_cast<int>(w);
    *height = static_cast<int>(h);
    return true;
}

std::string galleryPage(const std::vector<GallerySectionResult>& sections,
                        std::string_view footer) {
    std::string html =
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
        "<title>Tarn demo gallery</title>\n<style>";
    html += kStyle;
    html +=
        "</style>\n</head>\n<body data-checked=\"no\">\n<h1>Tarn demo gallery</h1>\n"
        "<p>Every plug-in built so far at work. Each section is a script of the host's "
        "command language; every picture is shown with the script lines that made it, and "
        "its caption names the settings.</p>\n<p id=\"status\" class=\"status\"></p>\n<nav>";
    for (const GallerySectionResult& s : sections)
        html += "<a href=\"#" + htmlEscape(s.id) + "\">" + htmlEscape(s.title) + "</a>";
    html += "</nav>\n";
    for (const GallerySectionResult& s : sections) appendSection(html, s);
    html += "<footer>" + htmlEscape(footer) + "</footer>\n<script>";
    html += kCheckScript;
    html += "</script>\n</body>\n</html>\n";
    return html;
}

}  // namespace tarn::app
