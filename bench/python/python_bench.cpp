// What a host command costs when Python calls it (tarn.cmds) against the same command run from
// command-language text, each as a top-level call (its own undo step and journal entry), in one
// run. Per iteration both sides run once, interleaved, so load on the machine falls on both;
// the "ratio" counter is Python time / text time (the goal is at most 2). Cases: a plain query
// (getAttr), a query with flags answering a list (xform -q -ws -t), an undoable edit
// (setAttr), and loops of 100 calls (a Python for loop against a text of 100 statements).
// Repeated 10 times; the min and median aggregates are the figures to report.

#include <benchmark/benchmark.h>
#include <pybind11/embed.h>

#include <algorithm>
#include <chrono>
#include <string>

#include "host/lang/execute.h"
#include "host/lang/journal.h"
#include "host/undo/undo.h"

namespace py = pybind11;

namespace {

using Clock = std::chrono::steady_clock;

/// The embedded interpreter with the tarn module imported, and a scene with one cube.
struct Fixture {
    py::scoped_interpreter python;
    py::object cmds;
    py::dict globals;

    Fixture() : python(false) {
        py::module_::import("sys").attr("path").attr("insert")(0, TARN_PYTHON_MODULE_DIR);
        cmds = py::module_::import("tarn").attr("cmds");
        globals = py::dict(py::module_::import("__main__").attr("__dict__"));
        globals["cmds"] = cmds;
        cmds.attr("polyCube")(py::arg("n") = "box");
        cmds.attr("move")(1, 2, 3, "box");
        // Bounded memory however long the run: old undo steps go (the journal keeps its own
        // bound, 100,000 entries).
        tarn::undo::undoQueue().setLimit(1000);
    }
    static Fixture& get() {
        static Fixture* f = new Fixture;  // Note: never destroyed (Python must outlive it)
        return *f;
    }
};

/// Runs `text` as a top-level text, as a shell entry or KGlobal::executeCommand does.
void runText(const std::string& text) {
    tarn::lang::ExecuteOptions o;
    o.undo = true;
    o.origin = "bench";
    benchmark::DoNotOptimize(tarn::lang::executeText(text, o));
}

/// Times `viaPython` and `viaText` interleaved, `calls` commands each per iteration.
template <typename Python, typename Text>
void compare(benchmark::State& state, int calls, Python viaPython, Text viaText) {
    Clock::duration python{}, text{};
    for (auto _ : state) {
        const auto t0 = Clock::now();
        viaPython();
        const auto t1 = Clock::now();
        viaText();
        const auto t2 = Clock::now();
        python += t1 - t0;
        text += t2 - t1;
    }
    const double n = double(state.iterations()) * calls;
    state.counters["ratio"] =
        std::chrono::duration<double>(python).count() / std::chrono::duration<double>(text).count();
    state.counters["python_ns_per_call"] =
        std::chrono::duration<double, std::nano>(python).count() / n;
    state.counters["text_ns_per_call"] = std::chrono::duration<double, std::nano>(text).count() / n;
}

void BM_GetAttrFromPythonVsText(benchmark::State& state) {
    Fixture& f = Fixture::get();
    py::object getAttr = f.cmds.attr("getAttr");
    py::tuple args = py::make_tuple("box.tx");
    compare(
        state, 1, [&] { benchmark::DoNotOptimize(getAttr(*args)); },
        [] { runText("getAttr box.tx"); });
}

void BM_XformQueryFromPythonVsText(benchmark::State& state) {
    Fixture& f = Fixture::get();
    py::object xform = f.cmds.attr("xform");
    py::dict flags;
    flags["q"] = true;
    flags["ws"] = true;
    flags["t"] = true;
    compare(
        state, 1, [&] { benchmark::DoNotOptimize(xform("box", **flags)); },
        [] { runText("xform -q -ws -t box"); });
}

void BM_SetAttrFromPythonVsText(benchmark::State& state) {
    Fixture& f = Fixture::get();
    py::object setAttr = f.cmds.attr("setAttr");
    compare(
        state, 1, [&] { setAttr("box.ty", 1.5); }, [] { runText("setAttr box.ty 1.5"); });
}

void BM_LoopOf100FromPythonVsText(benchmark::State& state) {
    Fixture& f = Fixture::get();
    const py::object code =
        py::module_::import("builtins")
            .attr("compile")("for i in range(100):\n    cmds.getAttr('box.tx')\n", "<bench>",
                             "exec");
    std::string text;
    for (int i = 0; i < 100; ++i) text += "getAttr box.tx;\n";
    // Note: the text is one top-level run of 100 statements; the Python loop makes 100
    // top-level calls (100 undo steps and journal entries).
    compare(
        state, 100,
        [&] {
            py::handle result(PyEval_EvalCode(code.ptr(), f.globals.ptr(), f.globals.ptr()));
            if (!result) throw py::error_already_set();
            result.dec_ref();
        },
        [&] { runText(text); });
}

double minimum(const std::vector<double>& v) {
    return *std::min_element(v.begin(), v.end());
}

}  // namespace

BENCHMARK(BM_GetAttrFromPythonVsText)->Repetitions(10)->ComputeStatistics("min", minimum);
BENCHMARK(BM_XformQueryFromPythonVsText)->Repetitions(10)->ComputeStatistics("min", minimum);
BENCHMARK(BM_SetAttrFromPythonVsText)->Repetitions(10)->ComputeStatistics("min", minimum);
BENCHMARK(BM_LoopOf100FromPythonVsText)->Repetitions(10)->ComputeStatistics("min", minimum);
BENCHMARK_MAIN();
