// The tarn module: `import tarn` in python3 (PYTHONPATH=build/python), or inside the host, where
// `tarn script.py` and the language's `python` command run Python on the same scene.

#include "python/bindings.h"

#include "host/plugins/plugin_loader.h"

#include <dlfcn.h>

namespace {

// Python opens extension modules privately, so libtarn.so (loaded for this one) is not in the
// process's global scope; plug-ins loaded later would then bind to their own copies of the
// SDK's inline statics instead of libtarn's, as they do inside tarn. Promote it to global.
void shareHostLibrary() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&tarn::plugins::PluginLoader::shutdown), &info) != 0 &&
        info.dli_fname)
        dlopen(info.dli_fname, RTLD_NOW | RTLD_GLOBAL | RTLD_NOLOAD);
}

}  // namespace

PYBIND11_MODULE(tarn, m) {
    using namespace tarn::python;
    shareHostLibrary();
    m.doc() =
        "The Tarn host from Python: tarn.cmds.NAME(*args, **flags) runs any registered command, "
        "tarn.eval(text) runs command-language text, tarn.undo_chunk() groups calls into one "
        "undo step, tarn.mesh reads and writes points and UVs, tarn.TarnError carries the host's "
        "message.";
    bindErrors(m);
    bindCommands(m);
    bindEval(m);
    bindUndo(m);
    bindMesh(m);
    // Outside the host, plug-ins unload and the scene goes while Python still runs: at exit,
    // before the interpreter is torn down (inside tarn the program does this itself).
    if (!PyObject_HasAttrString(PyImport_AddModule("sys"), "_tarn_host")) {
        py::module_::import("atexit").attr("register")(
            py::cpp_function([] { tarn::plugins::PluginLoader::shutdown(); }));
    }
}
