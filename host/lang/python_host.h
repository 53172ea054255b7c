#pragma once
/// Python inside the host: the embedded interpreter is a library of its own (libtarnpython.so,
/// beside libtarn.so) loaded the first time Python is used, so a host that never runs Python
/// pays nothing for it at start-up. `tarn script.py` and the language's `python "TEXT"` command
/// come through here; Python code reaches the scene through the tarn module. Ctrl-C while Python
/// runs raises KeyboardInterrupt in it. Main thread only.

#include "host/lang/command_registry.h"
#include "host/lang/value.h"

#include <string>
#include <vector>

namespace tarn::lang {

/// One run of Python code, filled in by the embedded interpreter.
struct PythonRun {
    std::string code;
    std::string fileName;           ///< for tracebacks ("<python>" for a command text)
    std::vector<std::string> argv;  ///< sys.argv
    int status = 0;                 ///< 0 success, else failure (SystemExit's code when given)
    std::string error;              ///< the traceback of an exception, or why Python is missing
    Value result;  ///< a single expression's value (None otherwise; lists as arrays)
};

/// The entry point libtarnpython.so exports (C linkage, looked up by name).
using PythonRunEntry = void (*)(PythonRun* run);
inline constexpr const char* kPythonRunSymbol = "tarnPythonRun";

/// Runs the code in the embedded interpreter, loading it first when needed. The code runs in
/// the namespace of `__main__`, shared by every run of the session, with `tarn` imported.
void runPython(PythonRun& run);

/// Adds `python "TEXT"` (runs Python code; answers the value of a single expression).
void addPythonCommand(CommandRegistry& registry);

}  // namespace tarn::lang
