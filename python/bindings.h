#pragma once
// The tarn Python module: one thin binding file per concept over the host's command registry,
// interpreter, undo queue and meshes. Everything runs on the thread that imported the module
// (the host's main thread inside tarn).

#include <pybind11/pybind11.h>

#include <string>
#include <string_view>

#include "host/lang/value.h"

namespace tarn::python {

namespace py = pybind11;

/// tarn.TarnError (bind_errors.cpp).
void bindErrors(py::module_& m);
/// tarn.cmds: every registered command as a function (bind_commands.cpp).
void bindCommands(py::module_& m);
/// tarn.eval: command-language text (bind_eval.cpp).
void bindEval(py::module_& m);
/// tarn.undo_chunk, tarn.undo, tarn.redo (bind_undo.cpp).
void bindUndo(py::module_& m);
/// tarn.mesh: points and UVs of mesh shapes as arrays (bind_mesh.cpp).
void bindMesh(py::module_& m);

/// Checks a call into the host: raises tarn.TarnError unless on the thread that imported the
/// module (the host's main thread; the host is not safe to call from others), and
/// KeyboardInterrupt when Ctrl-C is pending, before the host would refuse the call as stopped.
void enterHost();

/// Raises tarn.TarnError carrying `message` (KeyboardInterrupt instead when Ctrl-C is pending).
[[noreturn]] void raiseTarnError(const std::string& message);

/// A Python value as a language value: bool and int become ints, float a float, str a string,
/// a sequence (or NumPy array, flattened) of them an array (strings win over floats over ints).
/// Raises TypeError naming `what` for anything else.
lang::Value toValue(py::handle object, std::string_view what);
/// A language value as Python: None, str, int, float, or a list of them.
py::object toPython(const lang::Value& value);

/// One call from Python into the host. At top level (no text running, no chunk open) it is one
/// undo step of its own, and the idle queue runs after it; inside a running text or an
/// undo_chunk it joins what is open.
class HostCall {
public:
    explicit HostCall(std::string_view label);
    ~HostCall();
    HostCall(const HostCall&) = delete;
    HostCall& operator=(const HostCall&) = delete;
    bool topLevel() const { return m_topLevel; }

private:
    bool m_topLevel;
};

}  // namespace tarn::python
