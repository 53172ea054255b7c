#include "import/ri_tokens.h"

#include <vector>

const char* const kRiStandardTokens[kRiStandardTokenCount] = {
    "bad allocation",
    "framebuffer",
    "file",
    "rgb",
    "rgba",
    "rgbz",
    "rgbaz",
    "a",
    "z",
    "az",
    "perspective",
    "orthographic",
    "hidden",
    "paint",
    "constant",
    "smooth",
    "origin",
    "flatness",
    "motionfactor",
    "trimdeviation",
    "fov",
    "ambientlight",
    "pointlight",
    "distantlight",
    "spotight",
    "intensity",
    "lightcolor",
    "from",
    "to",
    "coneangle",
    "conedeltaangle",
    "beamdistribution",
    "matte",
    "metal",
    "shinymetal",
    "plastic",
    "paintedplastic",
    "Ka",
    "Kd",
    "Ks",
    "roughness",
    "specularcolor",
    "Kr",
    "texturename",
    "depthcue",
    "fog",
    "bumpy",
    "mindistance",
    "maxdistance",
    "background",
    "distance",
    "amplitude",
    "raster",
    "screen",
    "camera",
    "world",
    "object",
    "inside",
    "outside",
    "lh",
    "rh",
    "P",
    "Pz",
    "Pw",
    "N",
    "Np",
    "Cs",
    "Os",
    "s",
    "t",
    "st",
    "bilinear",
    "bicubic",
    "primitive",
    "intersection",
    "union",
    "difference",
    "periodic",
    "nonperiodic",
    "clamp",
    "black",
    "ignore",
    "print",
    "abort",
    "handler",
    "#",
    "##",
    "identifier",
    "name",
    "shadinggroup",
    "x",
    "y",
    "angle",
};

namespace {

struct Declared {
    const char* token;
    int kind;
};

// Process-wide: filled once by the first begin call, read-only afterwards.
std::vector<Declared>& declaredTable() {
    static std::vector<Declared> table;
    return table;
}

constexpr Declared kDeclared[] = {
    {"P", kKindPointArray},
    {"name", kKindName},
    {"intensity", kKindFloat},
    {"lightcolor", kKindColor},
    {"from", kKindPoint},
    {"to", kKindPoint},
    {"Ka", kKindFloat},
    {"Kd", kKindFloat},
    {"Ks", kKindFloat},
    {"roughness", kKindFloat},
    {"specularcolor", kKindColor},
    {"texturename", kKindName},
};

}  // namespace

void riBuildDeclaredTokens() {
    auto& table = declaredTable();
    if (!table.empty()) return;
    table.assign(std::begin(kDeclared), std::end(kDeclared));
}

bool riDeclaredTokensBuilt() {
    return !declaredTable().empty();
}

int riTokenKind(const std::string& token) {
    for (const auto& d : declaredTable())
        if (token == d.token) return d.kind;
    return 0;
}
