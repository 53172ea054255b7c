// libtarnpython.so: the Python interpreter embedded in the host, loaded by host/lang/python_host
// on first use. It starts Python once (Debian's python3, so its packages such as NumPy are
// found), puts the tarn module's folder on sys.path, sends print() to the host's output, and runs
// code in __main__. Ctrl-C while code runs raises KeyboardInterrupt in it.

#include <pybind11/embed.h>

#include <dlfcn.h>

#include <csignal>
#include <filesystem>

#include "host/lang/interpreter.h"
#include "host/lang/python_host.h"
#include "host/sdk/host_output.h"

namespace py = pybind11;

namespace {

// The folder of the tarn module: ../python from this library's folder.
std::string moduleFolder() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&moduleFolder), &info) == 0 || !info.dli_fname) return {};
    std::error_code ec;
    const auto path = std::filesystem::canonical(info.dli_fname, ec);
    return ec ? std::string() : (path.parent_path().parent_path() / "python").string();
}

// Called by the host's interpreter from its signal handlers while Python runs.
void interruptPython() {
    PyErr_SetInterrupt();
}

/// What print() writes goes to the host's print channel (the terminal, a window's console, or
/// a test's capture).
struct HostOutput {
    void write(const std::string& text) { tarn::output::print(text); }
    void flush() {}
};

void start() {
    PyConfig config;
    PyConfig_InitPythonConfig(&config);
    // The host keeps its own signal handlers; the bridge below makes Ctrl-C reach Python.
    config.install_signal_handlers = 0;
    config.parse_argv = 0;
    // The host owns the C streams (the shell reads commands from stdin): leave them alone.
    config.configure_c_stdio = 0;
    PyConfig_SetBytesString(&config, &config.program_name, TARN_PYTHON_EXECUTABLE);
    const PyStatus status = Py_InitializeFromConfig(&config);
    PyConfig_Clear(&config);
    if (PyStatus_Exception(status)) Py_ExitStatusException(status);

    py::module_ sys = py::module_::import("sys");
    sys.attr("_tarn_host") = true;
    sys.attr("path").attr("insert")(0, moduleFolder());

    // Python acts on SIGINT only when it thinks it has a handler for it: install its default,
    // then put the host's handler back, so a signal reaches the host, which interrupts Python.
    struct sigaction host {};
    sigaction(SIGINT, nullptr, &host);
    py::module_ signal = py::module_::import("signal");
    signal.attr("signal")(SIGINT, signal.attr("default_int_handler"));
    sigaction(SIGINT, &host, nullptr);

    py::module_ main = py::module_::import("__main__");
    py::class_<HostOutput>(main, "_TarnHostOutput")
        .def(py::init<>())
        .def("write", &HostOutput::write)
        .def("flush", &HostOutput::flush);
    sys.attr("stdout") = main.attr("_TarnHostOutput")();
    main.attr("tarn") = py::module_::import("tarn");
}

// The value of an expression as the language's: None, int, float and str as themselves, a
// list or tuple of them as an array (strings over floats over ints), anything else as its str().
tarn::lang::Value toValue(const py::object& v) {
    using tarn::lang::Value;
    if (v.is_none()) return {};
    if (py::isinstance<py::bool_>(v) || py::isinstance<py::int_>(v)) {
        int overflow = 0;
        const long long i = PyLong_AsLongLongAndOverflow(v.ptr(), &overflow);
        if (overflow == 0) return Value(std::int64_t(i));
        return Value(std::string(py::str(v)));
    }
    if (py::isinstance<py::float_>(v)) return Value(v.cast<double>());
    if (py::isinstance<py::list>(v) || py::isinstance<py::tuple>(v)) {
        std::vector<Value> items;
        bool anyString = false, anyFloat = false;
        for (py::handle item : v) {
            items.push_back(toValue(py::reinterpret_borrow<py::object>(item)));
            if (items.back().isArray() || items.back().isNone())
                return Value(std::string(py::str(v)));
            anyString |= items.back().kind() == tarn::lang::ValueKind::String;
            anyFloat |= items.back().kind() == tarn::lang::ValueKind::Float;
        }
        if (anyString) {
            std::vector<std::string> out;
            for (const Value& item : items) out.push_back(item.asString());
            return Value(std::move(out));
        }
        if (anyFloat) {
            std::vector<double> out;
            for (const Value& item : items) out.push_back(item.asFloat());
            return Value(std::move(out));
        }
        std::vector<std::int64_t> out;
        for (const Value& item : items) out.push_back(item.asInt());
        return Value(std::move(out));
    }
    return Value(std::string(py::str(v)));
}

// The traceback of the exception being handled, as Python prints it.
std::string describe(py::error_already_set& e) {
    try {
        py::object lines = py::module_::import("traceback")
                               .attr("format_exception")(e.type(), e.value(), e.trace());
        std::string text = py::str("").attr("join")(lines).cast<std::string>();
        while (!text.empty() && text.back() == '\n') text.pop_back();
        return text;
    } catch (const py::error_already_set&) {
        return e.what();
    }
}

void run(tarn::lang::PythonRun& r) {
    py::module_ main = py::module_::import("__main__");
    py::dict globals = main.attr("__dict__");
    py::list argv;
    for (const auto& a : r.argv) argv.append(a);
    py::module_::import("sys").attr("argv") = argv;
    py::object builtins = py::module_::import("builtins");
    py::object code;
    bool expression = true;
    try {
        code = builtins.attr("compile")(r.code, r.fileName, "eval");
    } catch (py::error_already_set& e) {
        if (!e.matches(PyExc_SyntaxError)) throw;
        expression = false;
        code = builtins.attr("compile")(r.code, r.fileName, "exec");
    }
    if (r.fileName != "<python>") globals["__file__"] = r.fileName;
    py::object value = builtins.attr("eval")(code, globals);
    if (expression) r.result = toValue(value);
}

}  // namespace

extern "C" __attribute__((visibility("default"))) void tarnPythonRun(tarn::lang::PythonRun* r) {
    static bool started = false;
    if (!started) {
        start();
        started = true;
    }
    tarn::lang::Interpreter& host = tarn::lang::hostInterpreter();
    // Runs nest when Python calls the python command: only the outermost unhooks the listener.
    static int depth = 0;
    ++depth;
    host.setStopListener(&interruptPython);
    // A stop asked for before the run (or left from an earlier one) ends it at once.
    if (host.stopRequested()) PyErr_SetInterrupt();
    try {
        run(*r);
        r->status = 0;
    } catch (py::error_already_set& e) {
        if (e.matches(PyExc_SystemExit)) {
            py::object code = e.value().attr("code");
            if (code.is_none()) {
                r->status = 0;
            } else if (py::isinstance<py::int_>(code)) {
                r->status = code.cast<int>();
            } else {
                r->status = 1;
                r->error = py::str(code);
            }
        } else {
            r->status = 1;
            r->error = describe(e);
        }
    } catch (const std::exception& e) {
        r->status = 1;
        r->error = e.what();
    }
    if (--depth > 0) return;
    host.setStopListener(nullptr);
    // An interrupt that arrived as the code ended is not left for the next run.
    if (PyErr_CheckSignals() != 0) PyErr_Clear();
}
