#pragma once
/// Builders for a node's own attribute rows bound to its parameter record, so that each row
/// names its default once (the record's member initialiser) and its field once.

#include <cstddef>

#include "texture/common/attribute_table.h"
#include "texture/common/rgb.h"

namespace texture {

/// A colour compound of three explicitly named float children. With `childOn` the children get
/// those flags and the colour's components as their own defaults before the compound is built.
AttrRow ownColor(const char* ln, const char* sn, const char* const (&childLong)[3],
                 const char* const (&childShort)[3], const Rgb& def, std::size_t offset,
                 unsigned on, unsigned off = 0, unsigned childOn = 0);
/// A colour built by createColor (children <ln>R/G/B, <sn>r/g/b).
AttrRow ownCreatedColor(const char* ln, const char* sn, const Rgb& def, std::size_t offset,
                        unsigned on, unsigned off = 0);
AttrRow ownFloat(const char* ln, const char* sn, float def, std::size_t offset, unsigned on,
                 unsigned off = 0);
AttrRow ownInt(const char* ln, const char* sn, int def, std::size_t offset, unsigned on,
               unsigned off = 0);
AttrRow ownBool(const char* ln, const char* sn, bool def, std::size_t offset, unsigned on,
                unsigned off = 0);

}  // namespace texture
