// tarn.eval: runs command-language text in the host's interpreter (the session's variables and
// procs), journalled with origin "python"; the value of its last statement comes back.

#include "python/bindings.h"

#include "host/lang/execute.h"

namespace tarn::python {

void bindEval(py::module_& m) {
    m.def(
        "eval",
        [](const std::string& text) {
            HostCall call("eval");
            lang::ExecuteOptions options;
            options.undo = true;
            options.origin = "python";
            options.reportErrors = false;
            const lang::RunResult r = lang::executeText(text, options);
            if (!r.ok) raiseTarnError(r.error);
            return toPython(r.value);
        },
        py::arg("text"),
        "Runs command-language text and answers the value of its last statement; a failure "
        "raises TarnError.");
}

}  // namespace tarn::python
