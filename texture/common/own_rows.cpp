#include "texture/common/own_rows.h"

namespace texture {

AttrRow ownColor(const char* ln, const char* sn, const char* const (&childLong)[3],
                 const char* const (&childShort)[3], const Rgb& def, std::size_t offset,
                 unsigned on, unsigned off, unsigned childOn) {
    const double defs[3] = {def.r, def.g, def.b};
    AttrRow r = compoundRow(ln, sn, childLong, childShort, defs, on, off);
    if (childOn) {
        r.childOn = childOn;
        r.childDefaults = true;
        for (int i = 0; i < 3; ++i) r.childDefault[i] = defs[i];
    }
    return withField(r, Field::kRgb, offset);
}

AttrRow ownCreatedColor(const char* ln, const char* sn, const Rgb& def, std::size_t offset,
                        unsigned on, unsigned off) {
    return withField(colorRow(ln, sn, def.r, def.g, def.b, on, off), Field::kRgb, offset);
}

AttrRow ownFloat(const char* ln, const char* sn, float def, std::size_t offset, unsigned on,
                 unsigned off) {
    return withField(floatRow(ln, sn, def, on, off), Field::kFloat, offset);
}

AttrRow ownInt(const char* ln, const char* sn, int def, std::size_t offset, unsigned on,
               unsigned off) {
    return withField(intRow(ln, sn, def, on, off), Field::kInt, offset);
}

AttrRow ownBool(const char* ln, const char* sn, bool def, std::size_t offset, unsigned on,
                unsigned off) {
    return withField(boolRow(ln, sn, def, on, off), Field::kBool, offset);
}

}  // namespace texture
