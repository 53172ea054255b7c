// What drawing the panels adds to a frame of the window at 1280 x 1024 (goal: at most 3 ms).
// Each iteration times, back to back in wall-clock time (Mesa draws in threads of its own):
//   without  the frame of a 1280 x 1024 port, no panels (the baseline), as the window composes
//            it for a tool's drag (the scene layer kept, the overlay laid over it);
//   with     the same window with all four panels open: the port shrunk to the space they
//            leave, the UI built from the models (outliner, attribute editor on a shape with
//            history and a shading network, tool settings of slicePen, console) and drawn
//            with GL into the same frame.
// The scene: 200 cubes in 20 shading groups (the outliner lists them all), and one cube in
// polyDual's history shaded by a lambert with a denim texture, selected.
// BM_PanelFrame/0: a tool drag's frame (the scene layer kept, the panels laid as they were);
// /1: the frame after a command that moves the selected cube (the scene drawn again, the
// panels built again from the models and the attribute editor's picture drawn again with GL).
// Counters (medians of the frames): ms_without, ms_with, added_ms (their difference), ratio
// (with / without), ui_ms (building the UI: the models read and laid out), paint_ms (drawing
// changed panels with GL and laying all into the frame), panels_ms (the two together: what the
// panels cost a frame), pictures_drawn (over the run).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "frame/k_string.h"
#include "host/lang/execute.h"
#include "host/view/view_frame.h"
#include "host/window/panels/panel_layer.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kWidth = 1280, kHeight = 1024;

double ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

void run(const std::string& text) {
    tarn::lang::ExecuteOptions o;
    o.undo = false;
    tarn::lang::executeText(text, o);
}

void buildScene() {
    static bool built = false;
    if (built) return;
    built = true;
    std::string text =
        "loadPlugin \"" TARN_PLUGIN_DIR "/meshKit.so\"; loadPlugin \"" TARN_PLUGIN_DIR
        "/twillPattern.so\"; loadPlugin \"" TARN_PLUGIN_DIR "/slicePen.so\";";
    for (int g = 1; g <= 20; ++g) {
        const std::string group = "group" + std::to_string(g) + "SG";
        text +=
            "shadingNode -asShader lambert; sets -renderable true -noSurfaceShader true "
            "-empty -name " +
            group + "; defaultNavigation -connectToExisting -source lambert" +
            std::to_string(g + 1) + " -destination " + group + ";";
        for (int c = 0; c < 10; ++c) {
            const std::string cube = "cube" + std::to_string(g) + "_" + std::to_string(c);
            text += "polyCube -n " + cube + "; move " + std::to_string(g * 2 - 20) + " " +
                    std::to_string(c * 2 - 10) + " 0 " + cube + "; sets -e -forceElement " + group +
                    " " + cube + ";";
        }
    }
    text +=
        "polyCube -n box; polyDual box; shadingNode -asShader lambert -n jeans;"
        "shadingNode -asTexture denim; shadingNode -asUtility place2dTexture;"
        "sets -renderable true -noSurfaceShader true -empty -name jeansSG;"
        "defaultNavigation -connectToExisting -source jeans -destination jeansSG;"
        "defaultNavigation -connectToExisting -source denim1 -destination jeans;"
        "defaultNavigation -connectToExisting -source place2dTexture1 -destination denim1;"
        "sets -e -forceElement jeansSG box; slicePenContext; slicePenContext -e "
        "slicePenContext1; setToolTo slicePenContext1; select -r box; viewFit;";
    text +=
        "optionVar -iv tarnPanelOutlinerOpen 1 -iv tarnPanelAttributeEditorOpen 1 "
        "-iv tarnPanelToolSettingsOpen 1 -iv tarnPanelConsoleOpen 1;";
    run(text);
}

void BM_PanelFrame(benchmark::State& state) {
    buildScene();
    using Change = tarn::view::ViewFrames::Change;
    const bool sceneFrames = state.range(0) != 0;
    const Change change = sceneFrames ? Change::kScene : Change::kOverlay;
    int step = 0;
    tarn::window::panels::PanelLayer panels([](const std::string& t) { run(t); }, [] {});
    const tarn::window::panels::PanelGeometry g = panels.geometry(kWidth, kHeight);
    const std::string fullPort =
        "viewPort " + std::to_string(kWidth) + " " + std::to_string(kHeight);
    const std::string shrunk =
        "viewPort " + std::to_string(g.port.w) + " " + std::to_string(g.port.h);
    tarn::view::ViewFrames frames;
    constexpr int kFrames = 4;  // timed frames of each kind per iteration
    std::vector<double> without, with, ui, paints, own;
    int redrawn = 0;
    for (auto _ : state) {
        // Without panels: the port is the window. The first frame after the port's change of
        // size is not timed (it sizes the pictures again).
        run(fullPort);
        frames.update(Change::kScene);
        for (int i = 0; i < kFrames; ++i) {
            if (sceneFrames) run("setAttr box.translateX " + numberText(++step * 0.01));
            const auto t0 = Clock::now();
            frames.update(change);
            without.push_back(ms(Clock::now() - t0));
        }
        benchmark::DoNotOptimize(frames.pixels());
        run(shrunk);
        tarn::view::ViewFrames::Options o(Change::kScene);
        std::vector<double> paintMs;
        o.paint = [&](std::uint8_t* bgra, int fw, int fh) {
            const auto p0 = Clock::now();
            redrawn += panels.paint(bgra, fw, fh);
            paintMs.push_back(ms(Clock::now() - p0));
        };
        o.frameWidth = kWidth;
        o.frameHeight = kHeight;
        o.portLeft = g.port.x;
        o.portTop = g.port.y;
        panels.frame(kWidth, kHeight);
        frames.update(o);
        o.change = change;
        for (int i = 0; i < kFrames; ++i) {
            if (sceneFrames) run("setAttr box.translateX " + numberText(++step * 0.01));
            const auto t0 = Clock::now();
            // A drag's frame lays the panels as they were; a command's builds them again.
            if (sceneFrames) panels.frame(kWidth, kHeight);
            const auto t1 = Clock::now();
            frames.update(o);
            with.push_back(ms(Clock::now() - t0));
            ui.push_back(ms(t1 - t0));
            own.push_back(ms(t1 - t0) + (paintMs.empty() ? 0.0 : paintMs.back()));
        }
        for (double p : paintMs) paints.push_back(p);
        benchmark::DoNotOptimize(frames.pixels());
        if (frames.frameWidth() != kWidth) state.SkipWithError("the frame is not the window's");
    }
    const auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v.empty() ? 0.0 : v[v.size() / 2];
    };
    const double a = median(without), b = median(with);
    state.counters["ms_without"] = a;
    state.counters["ms_with"] = b;
    state.counters["added_ms"] = b - a;
    state.counters["ratio"] = a > 0 ? b / a : 0.0;
    state.counters["ui_ms"] = median(ui);
    state.counters["paint_ms"] = median(paints);
    state.counters["panels_ms"] = median(own);
    state.counters["pictures_drawn"] = redrawn;
}

}  // namespace

BENCHMARK(BM_PanelFrame)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(12);
BENCHMARK_MAIN();
