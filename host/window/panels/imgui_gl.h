#pragma once
/// Draws the UI library's draw lists with fixed-function GL, in whatever GL is current (the
/// process's one GL, OSMesa). Colours are blended over what is there and coverage accumulates
/// in alpha (source over): over an opaque ground the picture stays opaque, over a transparent
/// one it holds colours premultiplied by their coverage. Main thread only.

#include <span>

struct ImDrawList;

namespace tarn::window::panels {

/// The font atlas's texture in the current GL context: `texture` when it is still a texture
/// there, else a new one made from the atlas (built first if need be). The atlas keeps no
/// texture id (each context has its own texture): draw commands name none and drawLists is
/// told which to use.
unsigned fontTexture(unsigned texture);

/// Draws `lists` into the current viewport of width x height pixels, which shows the window's
/// pixels from (left, top) (y down). Commands naming no texture use `font`.
void drawLists(std::span<ImDrawList* const> lists, float left, float top, int width, int height,
               unsigned font);

}  // namespace tarn::window::panels
