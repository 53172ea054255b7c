#pragma once
/// Registration of the textureSwatch command (called by the texturing module's installer).

#include "host/lang/command_registry.h"

namespace tarn::lang {

/// Adds `textureSwatch [-size N] [-scale S] [-sphere] -o FILE.png NODE`: draws an existing
/// texture node as `tarn swatch` does (size defaults to 256), or a 3D texture on a lit sphere,
/// and writes the PNG. Answers the file name. Does not change the node; not undoable.
void addTextureSwatchCommand(CommandRegistry& registry);

}  // namespace tarn::lang
