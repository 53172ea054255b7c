#include "host/render/shade_options.h"

#include <charconv>
#include <cmath>

#include "host/image/image_file.h"

namespace tarn::render {
namespace {

bool parseNumber(const std::string& text, double& value) {
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    return result.ec == std::errc() && result.ptr == end && std::isfinite(value);
}

// Reads `count` numbers following args[at]; advances `at` past them.
bool takeNumbers(const std::vector<std::string>& args, size_t& at, int count, float* out,
                 std::string* error) {
    const std::string flag = args[at];
    for (int k = 0; k < count; ++k) {
        double v;
        if (at + 1 >= args.size()) {
            *error = flag + " needs " + std::to_string(count) + " numbers";
            return false;
        }
        if (!parseNumber(args[++at], v)) {
            *error = flag + ": '" + args[at] + "' is not a number";
            return false;
        }
        out[k] = static_cast<float>(v);
        if (!std::isfinite(out[k])) {
            *error = flag + ": '" + args[at] + "' is out of range";
            return false;
        }
    }
    return true;
}

bool parseSetting(const std::string& text, ShadeSetting& setting, std::string* error) {
    const size_t eq = text.find('=');
    if (eq == std::string::npos || eq == 0 || eq + 1 == text.size()) {
        *error = "--set expects ATTR=VALUE, got '" + text + "'";
        return false;
    }
    setting.attribute = text.substr(0, eq);
    size_t start = eq + 1;
    while (true) {
        const size_t comma = text.find(',', start);
        const std::string word = text.substr(start, comma - start);
        double v;
        if (!parseNumber(word, v)) {
            *error = "--set " + setting.attribute + ": '" + word + "' is not a number";
            return false;
        }
        setting.values.push_back(v);
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    if (setting.values.size() != 1 && setting.values.size() != 3) {
        *error = "--set " + setting.attribute + ": give one value or three";
        return false;
    }
    return true;
}

}  // namespace

bool parseShadeOptions(const std::vector<std::string>& args, ShadeOptions& options,
                       std::string* error) {
    options = ShadeOptions();
    for (size_t at = 0; at < args.size(); ++at) {
        const std::string& word = args[at];
        if (word == "--set") {
            if (at + 1 >= args.size()) {
                *error = "--set needs ATTR=VALUE";
                return false;
            }
            ShadeSetting setting;
            if (!parseSetting(args[++at], setting, error)) return false;
            options.settings.push_back(std::move(setting));
        } else if (word == "--light") {
            ShadeLight light;
            if (!takeNumbers(args, at, 3, light.direction, error) ||
                !takeNumbers(args, at, 3, light.colour, error))
                return false;
            const float* d = light.direction;
            if (d[0] == 0.0f && d[1] == 0.0f && d[2] == 0.0f) {
                *error = "--light: the direction must not be zero";
                return false;
            }
            options.lights.push_back(light);
        } else if (word == "--ambient") {
            if (!takeNumbers(args, at, 3, options.ambient, error)) return false;
            options.hasAmbient = true;
        } else if (word == "--size") {
            float size;
            if (!takeNumbers(args, at, 1, &size, error)) return false;
            if (size != std::floor(size) || size < kMinShadeSize || size > kMaxShadeSize) {
                *error = "--size must be a whole number from 8 to 4096";
                return false;
            }
            options.size = static_cast<int>(size);
        } else if (word == "-o" || word == "--output") {
            if (at + 1 >= args.size()) {
                *error = word + " needs a file name";
                return false;
            }
            options.output = args[++at];
        } else {
            *error = "unknown argument '" + word + "'";
            return false;
        }
    }
    const std::string& out = options.output;
    if (out.empty()) {
        *error = "missing -o FILE.png";
        return false;
    }
    if (!image::checkImageExtension(out, error)) return false;
    addDefaultLightRig(options);
    return true;
}

void addDefaultLightRig(ShadeOptions& options) {
    if (!options.lights.empty() || options.hasAmbient) return;
    // A warm key light from the upper left, a cool rim from the right, a faint ambient.
    options.lights.push_back({{-0.6f, 0.5f, 0.4f}, {0.6f, 0.58f, 0.55f}});
    options.lights.push_back({{0.8f, 0.1f, 0.3f}, {0.12f, 0.12f, 0.15f}});
    options.hasAmbient = true;
    options.ambient[0] = options.ambient[1] = 0.015f;
    options.ambient[2] = 0.02f;
}

const char* shadeUsage() {
    return "usage: tarn shade [--set ATTR=VALUE[,VALUE,VALUE] ...] "
           "[--light DX DY DZ R G B ...]\n"
           "                  [--ambient R G B] [--size N] -o FILE.png\n"
           "Renders a sphere shaded by a DermalShade node. Light directions point towards the\n"
           "light in camera space (x right, y up, z towards the viewer).\n";
}

}  // namespace tarn::render
