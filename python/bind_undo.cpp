// Undo from Python: each top-level call is one undo step; `with tarn.undo_chunk():` makes the
// calls inside it one step; tarn.undo() and tarn.redo() replay whole steps.

#include "python/bindings.h"

#include "host/lang/idle_queue.h"
#include "host/lang/interpreter.h"
#include "host/undo/undo.h"

namespace tarn::python {
namespace {

/// The context manager: opens a chunk on entry and closes it on exit, also when the block
/// raised (what ran before the exception stays, as one step).
struct UndoChunk {
    std::string label;
    bool open = false;
    bool topLevel = false;
};

}  // namespace

HostCall::HostCall(std::string_view label)
    : m_topLevel(
          (enterHost(), !lang::hostInterpreter().isRunning() && !undo::undoQueue().isRecording())) {
    undo::undoQueue().openChunk(label);
}

HostCall::~HostCall() {
    undo::undoQueue().closeChunk();
    if (m_topLevel) lang::idleQueue().flush();
}

void bindUndo(py::module_& m) {
    py::class_<UndoChunk>(m, "UndoChunk",
                          "Groups the host calls inside a with block into one undo step.")
        .def("__enter__",
             [](UndoChunk& c) -> UndoChunk& {
                 enterHost();
                 if (c.open) throw py::value_error("this undo_chunk is already open");
                 c.topLevel = !undo::undoQueue().isRecording();
                 undo::undoQueue().openChunk(c.label);
                 c.open = true;
                 return c;
             })
        .def("__exit__", [](UndoChunk& c, py::args) {
            if (!c.open) return false;
            c.open = false;
            undo::undoQueue().closeChunk();
            if (c.topLevel) lang::idleQueue().flush();
            return false;  // exceptions go on
        });
    m.def(
        "undo_chunk", [](const std::string& label) { return UndoChunk{label}; },
        py::arg("label") = "python",
        "with tarn.undo_chunk(): ... makes everything inside one undo step.");
    m.def(
        "undo",
        [] {
            enterHost();
            if (undo::undoQueue().undoRefused())
                raiseTarnError("undo: the scene was changed while undo was off");
            return undo::undoQueue().undo();
        },
        "Undoes the last step; False when there is none.");
    m.def(
        "redo",
        [] {
            enterHost();
            if (undo::undoQueue().redoRefused())
                raiseTarnError("redo: the scene was changed while undo was off");
            return undo::undoQueue().redo();
        },
        "Redoes the last undone step; False when there is none.");
}

}  // namespace tarn::python
