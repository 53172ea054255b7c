#pragma once
// The geometry blocks of the scene parser (mesh, curve and surface statements, after a block's
// opening line, through its closing line). Internal to the scene parser. Pure; any thread.

#include <memory>

#include "host/scenefile/scene_lexer.h"

namespace tarn::scenefile::parsing {

std::shared_ptr<MeshBlock> readMesh(Lexer& lex, int line);
std::shared_ptr<CurveBlock> readCurve(Lexer& lex, int line);
std::shared_ptr<SurfaceBlock> readSurface(Lexer& lex, int line);

}  // namespace tarn::scenefile::parsing
