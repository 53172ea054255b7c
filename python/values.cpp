// Conversions between Python objects and the command language's values.

#include "python/bindings.h"

#include <pybind11/numpy.h>
#include <pybind11/stl.h>

namespace tarn::python {
namespace {

enum class Scalar { Int, Float, String };

// The kind of a scalar Python value, or false when it is not one.
bool scalarKind(py::handle item, Scalar& kind) {
    if (py::isinstance<py::bool_>(item) || py::isinstance<py::int_>(item)) {
        kind = Scalar::Int;
        return true;
    }
    if (py::isinstance<py::float_>(item)) {
        kind = Scalar::Float;
        return true;
    }
    if (py::isinstance<py::str>(item)) {
        kind = Scalar::String;
        return true;
    }
    // NumPy scalars and other numbers.
    if (PyIndex_Check(item.ptr())) {
        kind = Scalar::Int;
        return true;
    }
    if (PyFloat_Check(item.ptr()) || PyNumber_Check(item.ptr())) {
        kind = Scalar::Float;
        return true;
    }
    return false;
}

// True once NumPy is imported: only then can a value be one of its arrays (and only then is
// asking safe without importing NumPy).
bool numpyLoaded() {
    return PyDict_GetItemString(PyImport_GetModuleDict(), "numpy") != nullptr;
}

// An int as the host's 64-bit int; one out of that range is refused, not wrapped.
std::int64_t toInt(py::handle item, std::string_view what) {
    int overflow = 0;
    const py::object index = py::reinterpret_steal<py::object>(PyNumber_Index(item.ptr()));
    if (!index) throw py::error_already_set();
    const long long v = PyLong_AsLongLongAndOverflow(index.ptr(), &overflow);
    if (overflow != 0)
        throw std::overflow_error(std::string(what) + ": " + std::string(py::str(item)) +
                                  " is out of the host's 64-bit integer range");
    if (v == -1 && PyErr_Occurred()) throw py::error_already_set();
    return std::int64_t(v);
}

[[noreturn]] void badType(py::handle object, std::string_view what) {
    throw py::type_error(std::string(what) + ": cannot pass a " +
                         std::string(py::str(py::type::of(object).attr("__name__"))) +
                         " to the host (use str, int, float, bool or a list of them)");
}

}  // namespace

lang::Value toValue(py::handle object, std::string_view what) {
    if (numpyLoaded() && py::isinstance<py::array>(object)) {
        // Arrays of any shape go as their elements in order (an N x 3 array of points as 3N).
        const auto a = py::reinterpret_borrow<py::array>(object);
        if (a.dtype().kind() == 'i' || a.dtype().kind() == 'u' || a.dtype().kind() == 'b') {
            const auto ints =
                py::array_t<std::int64_t, py::array::c_style | py::array::forcecast>(a);
            return lang::Value(std::vector<std::int64_t>(ints.data(), ints.data() + ints.size()));
        }
        if (a.dtype().kind() == 'f') {
            const auto fs = py::array_t<double, py::array::c_style | py::array::forcecast>(a);
            return lang::Value(std::vector<double>(fs.data(), fs.data() + fs.size()));
        }
        badType(object, what);
    }
    Scalar kind;
    if (scalarKind(object, kind)) {
        if (kind == Scalar::String) return lang::Value(object.cast<std::string>());
        if (kind == Scalar::Int) return lang::Value(toInt(object, what));
        return lang::Value(object.cast<double>());
    }
    if (!py::isinstance<py::list>(object) && !py::isinstance<py::tuple>(object))
        badType(object, what);
    const auto items = py::reinterpret_borrow<py::sequence>(object);
    bool anyString = false, anyFloat = false;
    for (py::handle item : items) {
        if (!scalarKind(item, kind)) badType(item, what);
        anyString |= kind == Scalar::String;
        anyFloat |= kind == Scalar::Float;
    }
    if (anyString) {
        std::vector<std::string> out;
        for (py::handle item : items)
            out.push_back(py::isinstance<py::str>(item) ? item.cast<std::string>()
                                                        : std::string(py::str(item)));
        return lang::Value(std::move(out));
    }
    if (anyFloat) {
        std::vector<double> out;
        for (py::handle item : items) out.push_back(item.cast<double>());
        return lang::Value(std::move(out));
    }
    std::vector<std::int64_t> out;
    for (py::handle item : items) out.push_back(toInt(item, what));
    return lang::Value(std::move(out));
}

py::object toPython(const lang::Value& value) {
    switch (value.kind()) {
        case lang::ValueKind::None:
            return py::none();
        case lang::ValueKind::String:
            // Bytes that are not UTF-8 (a path from an old file) are replaced, not refused.
            return py::reinterpret_steal<py::object>(PyUnicode_DecodeUTF8(
                value.stringIf()->data(), py::ssize_t(value.stringIf()->size()), "replace"));
        case lang::ValueKind::Int:
            return py::int_(value.asInt());
        case lang::ValueKind::Float:
            return py::float_(value.asFloat());
        case lang::ValueKind::StringArray: {
            py::list out;
            for (const std::string& s : value.asStringArray())
                out.append(py::reinterpret_steal<py::object>(
                    PyUnicode_DecodeUTF8(s.data(), py::ssize_t(s.size()), "replace")));
            return out;
        }
        case lang::ValueKind::IntArray:
            return py::cast(value.asIntArray());
        case lang::ValueKind::FloatArray:
            return py::cast(value.asFloatArray());
    }
    return py::none();
}

}  // namespace tarn::python
