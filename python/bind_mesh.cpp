// tarn.mesh: a mesh shape's points and UVs without going through text. Reads answer NumPy arrays
// (N x 3 points, M x 2 UVs) when NumPy is installed, else lists of tuples; writes take either
// and change the whole mesh in one undoable step.

#include "python/bindings.h"

#include "host/commands/dg_commands.h"
#include "host/scene/dag.h"
#include "host/scene/dag_nodes.h"
#include "host/scene/node_access.h"
#include "host/scene/scene_undo.h"
#include "host/undo/undo.h"

#include <pybind11/numpy.h>

#include <cmath>

namespace tarn::python {
namespace {

struct Shape {
    KObject node;
    scene::MeshNode* mesh = nullptr;
    std::string name;
};

/// The mesh shape a name gives (the shape, or a transform with one mesh below it).
Shape meshShape(const std::string& name) {
    enterHost();
    const KObject node = commands::findGraphNode(name);
    if (node.isNull()) raiseTarnError("No object matches name: " + name);
    const KObject shape = scene::meshShapeOf(node);
    if (shape.isNull()) raiseTarnError(name + " is not a mesh (nor a transform of one)");
    return {shape, scene::meshNode(shape), scene::nodeName(shape)};
}

/// NumPy when it can be imported (once), else null.
py::object numpy() {
    // Note: never destroyed, as a static destroyed after Python has finalised would crash.
    static py::object* np = [] {
        try {
            return new py::object(py::module_::import("numpy"));
        } catch (const py::error_already_set&) {
            return new py::object();
        }
    }();
    return *np;
}

/// Rows of `width` numbers as an N x width array (NumPy) or a list of tuples.
py::object rows(const std::vector<double>& flat, std::size_t width) {
    const std::size_t n = flat.size() / width;
    if (numpy()) {
        py::array_t<double> a({n, width});
        std::copy(flat.begin(), flat.end(), a.mutable_data());
        return a;
    }
    py::list out;
    for (std::size_t i = 0; i < n; ++i) {
        py::tuple row(width);
        for (std::size_t j = 0; j < width; ++j) row[j] = flat[i * width + j];
        out.append(row);
    }
    return out;
}

/// `count` rows of `width` finite numbers from an N x width array or a sequence of sequences.
std::vector<double> readRows(py::handle object, std::size_t count, std::size_t width,
                             const char* what) {
    std::vector<double> flat;
    if (numpy() && !py::isinstance<py::str>(object)) {
        auto a = py::array_t<double, py::array::c_style | py::array::forcecast>::ensure(object);
        if (!a) {
            PyErr_Clear();
            throw py::type_error(std::string(what) + ": expected rows of numbers");
        }
        const bool shaped = (a.ndim() == 2 && std::size_t(a.shape(1)) == width) ||
                            (a.ndim() == 1 && std::size_t(a.size()) == count * width);
        if (!shaped || std::size_t(a.size()) != count * width)
            throw py::value_error(std::string(what) + ": expected " + std::to_string(count) +
                                  " rows of " + std::to_string(width) + " numbers");
        flat.assign(a.data(), a.data() + a.size());
    } else {
        const auto seq = py::reinterpret_borrow<py::sequence>(object);
        if (py::len(seq) != count)
            throw py::value_error(std::string(what) + ": expected " + std::to_string(count) +
                                  " rows, got " + std::to_string(py::len(seq)));
        for (py::handle row : seq) {
            const auto items = py::reinterpret_borrow<py::sequence>(row);
            if (py::len(items) != width)
                throw py::value_error(std::string(what) + ": each row needs " +
                                      std::to_string(width) + " numbers");
            for (py::handle x : items) flat.push_back(x.cast<double>());
        }
    }
    for (double x : flat)
        if (!std::isfinite(x))
            throw py::value_error(std::string(what) + ": numbers must be finite");
    return flat;
}

py::object points(const std::string& name, bool world) {
    const Shape s = meshShape(name);
    const PolyMesh& mesh = s.mesh->readMesh();
    const KMatrix toWorld = scene::worldMatrix(s.node);
    std::vector<double> flat;
    flat.reserve(std::size_t(mesh.numVertices()) * 3);
    for (int v = 0; v < mesh.numVertices(); ++v) {
        const Vec3& p = mesh.point(v);
        const KPoint q = world ? KPoint(p.x, p.y, p.z) * toWorld : KPoint(p.x, p.y, p.z);
        flat.insert(flat.end(), {q.x, q.y, q.z});
    }
    return rows(flat, 3);
}

void setPoints(const std::string& name, py::handle values) {
    const Shape s = meshShape(name);
    const int n = s.mesh->readMesh().numVertices();
    const std::vector<double> flat = readRows(values, std::size_t(n), 3, "set_points");
    HostCall call("tarn.mesh.set_points " + s.name);
    if (s.mesh->hasHistory()) {
        const std::size_t mark = undo::undoQueue().mark();
        // The points come from upstream: the change goes into the tweaks, as move does.
        const KPlug pnts = scene::plugByName(s.node, "pnts");
        std::string error;
        for (int v = 0; v < n; ++v) {
            const Vec3 p = s.mesh->readMesh().point(v);
            const Vec3 t =
                s.mesh->tweak(v) + (Vec3{flat[3 * v], flat[3 * v + 1], flat[3 * v + 2]} - p);
            if (!scene::setPlugValuesUndoable(pnts.elementByLogicalIndex(unsigned(v)),
                                              {t.x, t.y, t.z}, &error)) {
                undo::undoQueue().rollbackTo(mark);
                raiseTarnError("set_points: " + error);
            }
        }
        return;
    }
    PolyMesh before = s.mesh->mesh();
    for (int v = 0; v < n; ++v)
        s.mesh->setPoint(v, {flat[3 * v], flat[3 * v + 1], flat[3 * v + 2]});
    scene::recordMeshChange(s.name, std::move(before), s.mesh->mesh());
}

py::object uvs(const std::string& name, const std::string& set) {
    const Shape s = meshShape(name);
    const UVSet* uv = s.mesh->readMesh().uvSet(set);
    if (!uv) raiseTarnError(s.name + " has no UV set " + (set.empty() ? "(current)" : set));
    std::vector<double> flat;
    flat.reserve(uv->u.size() * 2);
    for (std::size_t i = 0; i < uv->u.size(); ++i) flat.insert(flat.end(), {uv->u[i], uv->v[i]});
    return rows(flat, 2);
}

void setUvs(const std::string& name, py::handle values, const std::string& set) {
    const Shape s = meshShape(name);
    if (s.mesh->hasHistory())
        raiseTarnError("set_uvs: " + s.name +
                       " takes its mesh from construction history, which would replace the UVs "
                       "(delete -ch first)");
    const UVSet* uv = s.mesh->readMesh().uvSet(set);
    if (!uv) raiseTarnError(s.name + " has no UV set " + (set.empty() ? "(current)" : set));
    const std::vector<double> flat = readRows(values, uv->u.size(), 2, "set_uvs");
    std::vector<float> u, v;
    for (std::size_t i = 0; i < flat.size(); i += 2) {
        u.push_back(float(flat[i]));
        v.push_back(float(flat[i + 1]));
    }
    HostCall call("tarn.mesh.set_uvs " + s.name);
    PolyMesh before = s.mesh->mesh();
    std::string error;
    if (!s.mesh->mesh().setUVs(u, v, set, &error)) raiseTarnError("set_uvs: " + error);
    scene::recordMeshChange(s.name, std::move(before), s.mesh->mesh());
}

}  // namespace

void bindMesh(py::module_& m) {
    py::module_ mesh = m.def_submodule("mesh", "Points and UVs of mesh shapes as arrays.");
    mesh.def("points", &points, py::arg("shape"), py::arg("world") = false,
             "The points of a mesh (object space, or world space with world=True): an N x 3 "
             "NumPy array, or a list of (x, y, z) tuples without NumPy.");
    mesh.def("set_points", &setPoints, py::arg("shape"), py::arg("points"),
             "Moves every point of a mesh (object space) in one undoable step; takes N x 3 "
             "numbers as an array or a sequence of triples.");
    mesh.def("uvs", &uvs, py::arg("shape"), py::arg("uv_set") = "",
             "The UV table of a set (the current one by default): M x 2.");
    mesh.def("set_uvs", &setUvs, py::arg("shape"), py::arg("uvs"), py::arg("uv_set") = "",
             "Replaces the values of a UV table (same count) in one undoable step.");
}

}  // namespace tarn::python
