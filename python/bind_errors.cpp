// tarn.TarnError: the one exception the module raises for a failure in the host, carrying the
// host's message.

#include "python/bindings.h"

#include <thread>

namespace tarn::python {
namespace {

PyObject* gTarnError = nullptr;  // owned by the module (kept alive by its attribute)
std::thread::id gHostThread;     // the thread that imported the module

}  // namespace

void bindErrors(py::module_& m) {
    // Note: never destroyed, as a static destroyed after Python has finalised would crash.
    auto* error = new py::exception<std::runtime_error>(m, "TarnError");
    error->doc() = "A host command or text failed; the argument is the host's message.";
    gTarnError = error->ptr();
    gHostThread = std::this_thread::get_id();
}

void enterHost() {
    if (std::this_thread::get_id() != gHostThread)
        raiseTarnError("the host can only be called from the thread that imported tarn");
    if (PyErr_CheckSignals() != 0) throw py::error_already_set();
}

void raiseTarnError(const std::string& message) {
    // A failure because Ctrl-C stopped the host is the interrupt itself: raise that.
    if (PyErr_CheckSignals() != 0) throw py::error_already_set();
    PyErr_SetString(gTarnError, message.c_str());
    throw py::error_already_set();
}

}  // namespace tarn::python
