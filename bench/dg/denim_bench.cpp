// The same measurement with the real denim weave as the arithmetic: a node with the 2D texture
// block and denim's own inputs (about 30 attributes) against denimPattern called directly.

#include <benchmark/benchmark.h>

#include <chrono>
#include <string>

#include "bench/dg/bench_fixture.h"
#include "frame/k_attribute.h"
#include "frame/k_data.h"
#include "frame/k_node.h"
#include "host/dg/graph.h"
#include "host/dg/sample_evaluator.h"
#include "texture/denim/denim_pattern.h"

namespace {

struct DenimInputs {
    float u = 0, v = 0, fsx = 0.001f, fsy = 0.001f, filter = 1, filterOffset = 0;
    KFloatVector defaultColor{0.5f, 0.5f, 0.5f}, colorGain{1, 1, 1}, colorOffset{0, 0, 0};
    float alphaGain = 1, alphaOffset = 0;
    bool alphaIsLuminance = false, invert = false;
    texture::DenimParams params;
};

// Output stage of the 2D textures around the weave; not inlined, so both sides run this code.
[[gnu::noinline]] void denimShade(const DenimInputs& in, KFloatVector& color, float& alpha) {
    float fx = in.filter * in.fsx + in.filterOffset;
    float fy = in.filter * in.fsy + in.filterOffset;
    texture::PatternResult r = texture::denimPattern(in.u, in.v, fx, fy, in.params);
    color = {r.color.r, r.color.g, r.color.b};
    alpha = r.alpha;
    if (in.alphaIsLuminance) alpha = 0.3f * color.x + 0.59f * color.y + 0.11f * color.z;
    if (in.invert) {
        color = KFloatVector(1, 1, 1) - color;
        alpha = 1 - alpha;
    }
    color =
        KFloatVector(color.x * in.colorGain.x, color.y * in.colorGain.y, color.z * in.colorGain.z) +
        in.colorOffset;
    alpha = alpha * in.alphaGain + in.alphaOffset;
}

texture::Rgb rgb(const KFloatVector& v) {
    return {v.x, v.y, v.z};
}

struct DenimBenchNode : KPxNode {
    static inline KObject dc, cg, co, ag, ao, ail, inv, uv, fs, f, fo, vColor, uColor, crease,
        stain, uFreq, uWidth, vFreq, vWidth, stainIntensity, stainFreq, hue, sat, bright, outColor,
        outAlpha;
    static void* creator() { return new DenimBenchNode; }
    static KStatus initialize() {
        KFnNumericAttribute n;
        auto leaf = [&](const char* l, const char* s, double d) {
            return n.create(l, s, KFnNumericData::kFloat, d);
        };
        auto color = [&](const char* l, const char* s, double r, double g, double b) {
            KObject c = n.createColor(l, s);
            n.setDefault(r, g, b);
            return c;
        };
        dc = color("defaultColor", "dc", 0.5, 0.5, 0.5);
        cg = color("colorGain", "cg", 1, 1, 1);
        co = color("colorOffset", "co", 0, 0, 0);
        ag = leaf("alphaGain", "ag", 1);
        ao = leaf("alphaOffset", "ao", 0);
        ail = n.create("alphaIsLuminance", "ail", KFnNumericData::kBoolean, 0);
        inv = n.create("invert", "i", KFnNumericData::kBoolean, 0);
        KObject uc = leaf("uCoord", "u", 0), vc = leaf("vCoord", "v", 0);
        uv = n.create("uvCoord", "uv", uc, vc);
        KObject fsx = leaf("uvFilterSizeX", "fsx", 0.001),
                fsy = leaf("uvFilterSizeY", "fsy", 0.001);
        fs = n.create("uvFilterSize", "fs", fsx, fsy);
        f = leaf("filter", "f", 1);
        fo = leaf("filterOffset", "fo", 0);
        const texture::DenimParams d;
        vColor = color("vColor", "vc", d.vColor.r, d.vColor.g, d.vColor.b);
        uColor = color("uColor", "uc", d.uColor.r, d.uColor.g, d.uColor.b);
        crease = color("creaseColor", "cc", d.creaseColor.r, d.creaseColor.g, d.creaseColor.b);
        stain = color("stainColor", "sc", d.stainColor.r, d.stainColor.g, d.stainColor.b);
        uFreq = leaf("uFrequency", "uf", d.uFrequency);
        uWidth = leaf("uWidth", "uw", d.uWidth);
        vFreq = leaf("vFrequency", "vf", d.vFrequency);
        vWidth = leaf("vWidth", "vw", d.vWidth);
        stainIntensity = leaf("stainIntensity", "si", d.stainIntensity);
        stainFreq = leaf("stainFrequency", "sf", d.stainFrequency);
        hue = leaf("hueOffset", "ho", d.hueOffset);
        sat = leaf("saturationOffset", "so", d.saturationOffset);
        bright = leaf("brightnessOffset", "bo", d.brightnessOffset);
        outColor = n.createColor("outColor", "oc");
        outAlpha = leaf("outAlpha", "obp", 0);
        for (KObject* a : {&dc,        &cg,     &co,     &ag,     &ao,
                           &ail,       &inv,    &uv,     &fs,     &f,
                           &fo,        &vColor, &uColor, &crease, &stain,
                           &uFreq,     &uWidth, &vFreq,  &vWidth, &stainIntensity,
                           &stainFreq, &hue,    &sat,    &bright, &outColor,
                           &outAlpha}) {
            addAttribute(*a);
            if (a != &outColor && a != &outAlpha) {
                attributeAffects(*a, outColor);
                attributeAffects(*a, outAlpha);
            }
        }
        return KStatus();
    }
    KStatus compute(const KPlug& plug, KDataBlock& block) override {
        if (!(plug == outColor || plug == outAlpha)) return KStatus::kUnknownParameter;
        DenimInputs in;
        auto uvv = block.inputValue(uv).asFloat2();
        in.u = uvv[0];
        in.v = uvv[1];
        auto fsv = block.inputValue(fs).asFloat2();
        in.fsx = fsv[0];
        in.fsy = fsv[1];
        in.filter = block.inputValue(f).asFloat();
        in.filterOffset = block.inputValue(fo).asFloat();
        in.defaultColor = block.inputValue(dc).asFloatVector();
        in.colorGain = block.inputValue(cg).asFloatVector();
        in.colorOffset = block.inputValue(co).asFloatVector();
        in.alphaGain = block.inputValue(ag).asFloat();
        in.alphaOffset = block.inputValue(ao).asFloat();
        in.alphaIsLuminance = block.inputValue(ail).asBool();
        in.invert = block.inputValue(inv).asBool();
        in.params.vColor = rgb(block.inputValue(vColor).asFloatVector());
        in.params.uColor = rgb(block.inputValue(uColor).asFloatVector());
        in.params.creaseColor = rgb(block.inputValue(crease).asFloatVector());
        in.params.stainColor = rgb(block.inputValue(stain).asFloatVector());
        in.params.uFrequency = block.inputValue(uFreq).asFloat();
        in.params.uWidth = block.inputValue(uWidth).asFloat();
        in.params.vFrequency = block.inputValue(vFreq).asFloat();
        in.params.vWidth = block.inputValue(vWidth).asFloat();
        in.params.stainIntensity = block.inputValue(stainIntensity).asFloat();
        in.params.stainFrequency = block.inputValue(stainFreq).asFloat();
        in.params.hueOffset = block.inputValue(hue).asFloat();
        in.params.saturationOffset = block.inputValue(sat).asFloat();
        in.params.brightnessOffset = block.inputValue(bright).asFloat();
        KFloatVector color;
        float alpha;
        denimShade(in, color, alpha);
        KDataHandle oa = block.outputValue(outAlpha);
        oa.set(alpha);
        oa.setClean();
        KDataHandle oc = block.outputValue(outColor);
        oc.set(color);
        oc.setClean();
        return KStatus();
    }
};

constexpr int kSamples = 256;

void BM_DenimHostOverheadRatio(benchmark::State& state) {
    static bench::NodeFixture f(std::type_identity<DenimBenchNode>{}, "benchDenim", 0x7ffb02);
    tarn::SampleBlock block = f.eval.makeBlock();
    DenimInputs in;
    using Clock = std::chrono::steady_clock;
    Clock::duration host{}, direct{};
    int seed = 0;
    for (auto _ : state) {
        ++seed;
        float acc = 0;
        auto t0 = Clock::now();
        for (int i = 0; i < kSamples; ++i) {
            block.set(f.u, (i + seed) * 0.0037);
            block.set(f.v, i * 0.0051);
            block.compute(f.color);
            acc += block.floatVector(f.color).x;
        }
        auto t1 = Clock::now();
        for (int i = 0; i < kSamples; ++i) {
            in.u = static_cast<float>((i + seed) * 0.0037);
            in.v = static_cast<float>(i * 0.0051);
            KFloatVector c;
            float a;
            denimShade(in, c, a);
            acc += c.x;
        }
        auto t2 = Clock::now();
        benchmark::DoNotOptimize(acc);
        host += t1 - t0;
        direct += t2 - t1;
    }
    state.counters["ratio"] =
        std::chrono::duration<double>(host).count() / std::chrono::duration<double>(direct).count();
    state.counters["host_ns_per_sample"] =
        std::chrono::duration<double, std::nano>(host).count() / (state.iterations() * kSamples);
    state.counters["direct_ns_per_sample"] =
        std::chrono::duration<double, std::nano>(direct).count() / (state.iterations() * kSamples);
}

}  // namespace

BENCHMARK(BM_DenimHostOverheadRatio);
