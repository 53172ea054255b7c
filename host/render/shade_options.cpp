#include "host/render/shade_options.h"

#include <charconv>
#include <cmath>

#include <fmt/format.h>
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
        } else if (word == "--exposure") {
            if (!takeNumbers(args, at, 1, &options.exposure, error)) return false;
            if (std::fabs(options.exposure) > kMaxExposure) {
                *error = "--exposure must be from -20 to 20 stops";
                return false;
            }
        } else if (word == "--tone") {
            const std::string curve = at + 1 < args.size() ? args[++at] : "";
            if (curve == "filmic") {
                options.tone = ToneCurve::kFilmic;
            } else if (curve == "linear") {
                options.tone = ToneCurve::kLinear;
            } else {
                *error = "--tone must be filmic or linear";
                return false;
            }
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
    options.lights.push_back(kDefaultKeyLight);
    options.lights.push_back(kDefaultRimLight);
    options.hasAmbient = true;
    for (int c = 0; c < 3; ++c) options.ambient[c] = kDefaultAmbient[c];
}

const char* shadeUsage() {
    static const std::string text = [] {
        auto light = [](const ShadeLight& l) {
            return fmt::format("{:g} {:g} {:g}  {:g} {:g} {:g}", l.direction[0], l.direction[1],
                               l.direction[2], l.colour[0], l.colour[1], l.colour[2]);
        };
        return fmt::format(
            "usage: tarn shade [--set ATTR=VALUE[,VALUE,VALUE] ...] [--light DX DY DZ R G B ...]\n"
            "                  [--ambient R G B] [--exposure STOPS] [--tone filmic|linear]\n"
            "                  [--size N] -o FILE.png\n"
            "Renders a sphere shaded by a DermalShade node (on one thread: the node does not\n"
            "declare itself safe for parallel evaluation).\n"
            "  --set ATTR=V[,V,V]  set a node attribute first (repeatable)\n"
            "  --light ...       a directional light (repeatable): the direction towards the\n"
            "                    light in camera space (x right, y up, z towards the viewer; any\n"
            "                    non-zero length) and its linear colour\n"
            "  --ambient R G B   an ambient light\n"
            "  --exposure STOPS  scale the linear colour by 2^STOPS, -20 to 20 (default 0)\n"
            "  --tone CURVE      filmic (default: highlights roll off towards white) or linear\n"
            "                    (clipped at 1); then the display gamma 2.2\n"
            "  --size N          width and height in pixels, 8 to 4096 (default 256)\n"
            "Without --light and --ambient the default rig lights the sphere:\n"
            "  --light {}   (key: warm, upper left)\n"
            "  --light {}   (rim: cool, right)\n"
            "  --ambient {:g} {:g} {:g}\n",
            light(kDefaultKeyLight), light(kDefaultRimLight), kDefaultAmbient[0],
            kDefaultAmbient[1], kDefaultAmbient[2]);
    }();
    return text.c_str();
}

}  // namespace tarn::render
