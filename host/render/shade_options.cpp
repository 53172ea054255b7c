#include "host/render/shade_options.h"

#include <cmath>

#include <fmt/format.h>
#include "host/image/image_file.h"

namespace tarn::render {
namespace {

using jobs::ArgumentError;

// Reads `count` numbers for the option at args[at] as floats, which must stay finite.
bool takeFloats(const std::vector<std::string>& args, size_t& at, int count, float* out,
                ArgumentError* error) {
    const std::string flag = args[at];
    std::vector<double> values;
    if (!jobs::takeNumbers(args, at, count, &values, error)) return false;
    for (int k = 0; k < count; ++k) {
        out[k] = static_cast<float>(values[k]);
        if (!std::isfinite(out[k])) {
            *error = {fmt::format("{}: {:g} is out of range", flag, values[k])};
            return false;
        }
    }
    return true;
}

bool parseSetting(const std::string& text, ShadeSetting& setting, ArgumentError* error) {
    const size_t eq = text.find('=');
    if (eq == std::string::npos || eq == 0 || eq + 1 == text.size()) {
        *error = {"--set expects ATTR=VALUE[,VALUE,VALUE], got '" + text + "'"};
        return false;
    }
    setting.attribute = text.substr(0, eq);
    std::string bad;
    if (!jobs::parseNumberList(std::string_view(text).substr(eq + 1), &setting.values, &bad)) {
        *error = {"--set " + setting.attribute + ": '" + bad + "' is not a number"};
        return false;
    }
    if (setting.values.size() != 1 && setting.values.size() != 3) {
        *error = {"--set " + setting.attribute + ": give one value or three"};
        return false;
    }
    return true;
}

}  // namespace

bool parseShadeOptions(const std::vector<std::string>& args, ShadeOptions& options,
                       ArgumentError* error) {
    options = ShadeOptions();
    std::string text;
    for (size_t at = 0; at < args.size(); ++at) {
        const std::string& word = args[at];
        if (word == "--set") {
            ShadeSetting setting;
            if (!jobs::takeValue(args, at, "ATTR=VALUE", &text, error) ||
                !parseSetting(text, setting, error))
                return false;
            options.settings.push_back(std::move(setting));
        } else if (word == "--light") {
            ShadeLight light;
            float numbers[6];
            if (!takeFloats(args, at, 6, numbers, error)) return false;
            std::copy(numbers, numbers + 3, light.direction);
            std::copy(numbers + 3, numbers + 6, light.colour);
            const float* d = light.direction;
            if (d[0] == 0.0f && d[1] == 0.0f && d[2] == 0.0f) {
                *error = {"--light: the direction must not be zero"};
                return false;
            }
            options.lights.push_back(light);
        } else if (word == "--ambient") {
            if (!takeFloats(args, at, 3, options.ambient, error)) return false;
            options.hasAmbient = true;
        } else if (word == "--size") {
            float size;
            if (!takeFloats(args, at, 1, &size, error)) return false;
            if (size != std::floor(size) || size < kMinShadeSize || size > kMaxShadeSize) {
                *error = {"--size must be a whole number from 8 to 4096"};
                return false;
            }
            options.size = static_cast<int>(size);
        } else if (word == "--exposure") {
            if (!takeFloats(args, at, 1, &options.exposure, error)) return false;
            if (std::fabs(options.exposure) > kMaxExposure) {
                *error = {"--exposure must be from -20 to 20 stops"};
                return false;
            }
        } else if (word == "--tone") {
            if (!jobs::takeValue(args, at, "filmic or linear", &text, error)) return false;
            if (text == "filmic") {
                options.tone = ToneCurve::kFilmic;
            } else if (text == "linear") {
                options.tone = ToneCurve::kLinear;
            } else {
                *error = {"--tone must be filmic or linear, got '" + text + "'"};
                return false;
            }
        } else if (word == "--list") {
            options.list = true;
        } else if (word == "-o" || word == "--output") {
            if (!jobs::takeValue(args, at, "a file name", &options.output, error)) return false;
        } else {
            *error = {"unknown argument '" + word + "'", true};
            return false;
        }
    }
    std::string why;
    if (!image::checkImageExtension(options.output, &why)) {
        *error = {why};
        return false;
    }
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
            return fmt::format("{:g},{:g},{:g},{:g},{:g},{:g}", l.direction[0], l.direction[1],
                               l.direction[2], l.colour[0], l.colour[1], l.colour[2]);
        };
        return fmt::format(
            "usage: tarn shade [--set ATTR=VALUE[,VALUE,VALUE] ...] [--light DX,DY,DZ,R,G,B ...]\n"
            "                  [--ambient R,G,B] [--exposure STOPS] [--tone filmic|linear]\n"
            "                  [--size N] [--list] [-o FILE.png]\n"
            "Renders a sphere shaded by a DermalShade node (on one thread: the node does not\n"
            "declare itself safe for parallel evaluation).\n"
            "  --set ATTR=V[,V,V]  set a node attribute first (repeatable)\n"
            "  --light ...       a directional light (repeatable): the direction towards the\n"
            "                    light in camera space (x right, y up, z towards the viewer; any\n"
            "                    non-zero length) and its linear colour\n"
            "  --ambient R,G,B   an ambient light\n"
            "  --exposure STOPS  scale the linear colour by 2^STOPS, -20 to 20 (default 0)\n"
            "  --tone CURVE      filmic (default: highlights roll off towards white) or linear\n"
            "                    (clipped at 1); then the display gamma 2.2\n"
            "  --size N          width and height in pixels, 8 to 4096 (default 256)\n"
            "  --list            list DermalShade's attributes instead of rendering\n"
            "  -o FILE.png       output file (default {})\n"
            "Numbers of one option go in one word, separated by commas; the older spelling with\n"
            "one word per number (--light DX DY DZ R G B) is read too.\n"
            "Without --light and --ambient the default rig lights the sphere:\n"
            "  --light {}   (key: warm, upper left)\n"
            "  --light {}   (rim: cool, right)\n"
            "  --ambient {:g},{:g},{:g}\n",
            kDefaultShadeOutput, light(kDefaultKeyLight), light(kDefaultRimLight),
            kDefaultAmbient[0], kDefaultAmbient[1], kDefaultAmbient[2]);
    }();
    return text.c_str();
}

}  // namespace tarn::render
