#pragma once
/// How much of the calling thread's stack is left, so that the parser and the interpreter can
/// refuse a text nested too deeply with a message instead of overflowing the stack.

#include <cstddef>

namespace tarn::lang {

/// Bytes of stack kept free below the deepest parse or evaluation step: room for the command
/// bodies (renderers, importers) called from there.
constexpr std::size_t kStackReserve = std::size_t(1) << 20;

/// True when the calling thread has less than kStackReserve bytes (or a quarter of its stack,
/// for small thread stacks) left. Cheap: the bounds are looked up once per thread.
bool stackNearlyFull();

}  // namespace tarn::lang
