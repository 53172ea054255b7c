#pragma once
/// A node type for the graph tests, registered in-process (no library): one of each attribute
/// kind, a light-data array, outputs computed from them, and an output it declines (status 5).
///
///   sum        = a + b + sum of lights[i].lightIntensityR
///   outColor   = inColor * (doubleIt ? 2 : 1)
///   lightCount = number of light elements
///   passive    = never computed (compute answers 5)

#include <atomic>
#include <string>

#include "frame/k_attribute.h"
#include "frame/k_data.h"
#include "frame/k_node.h"
#include "host/dg/graph.h"

namespace dgtest {

struct ProbeNode : KPxNode {
    static inline KObject a, b, inColor, doubleIt, mode, label, place, lights, lightDir, lightInt,
        lightAmb, lightDiff, lightSpec, lightShadow, lightPre, lightBlind, sum, outColor, lightCount,
        passive;
    static inline std::atomic<int> computeCalls{0};
    static inline bool throwInCompute = false;

    static void* creator() { return new ProbeNode; }
    void postConstructor() override { setMPSafe(true); }

    static KStatus initialize() {
        KFnNumericAttribute n;
        a = n.create("inputA", "a", KFnNumericData::kFloat, 1.0);
        n.setKeyable(true);
        n.setMin(0.0);
        n.setMax(10.0);
        n.setSoftMin(0.0);
        n.setSoftMax(5.0);
        b = n.create("inputB", "b", KFnNumericData::kDouble, 0.0);
        n.setDisconnectBehavior(KFnAttribute::kReset);
        inColor = n.createColor("inColor", "ic");
        n.setDefault(0.5f, 0.5f, 0.5f);
        doubleIt = n.create("doubleIt", "dbl", KFnNumericData::kBoolean, 0.0);
        KFnEnumAttribute e;
        mode = e.create("mode", "md", 1);
        e.addField("off", 0);
        e.addField("on", 1);
        KFnTypedAttribute t;
        label = t.create("label", "lb", KFnData::kString);
        t.setDefaultString("none");
        KFnMatrixAttribute m;
        place = m.create("placement", "pm", KFnMatrixAttribute::kFloat);

        lightDir = n.createPoint("lightDirection", "ld");
        n.setDefault(1.0, 1.0, 1.0);
        lightInt = n.createColor("lightIntensity", "li");
        n.setDefault(1.0, 1.0, 1.0);
        lightAmb = n.create("lightAmbient", "la", KFnNumericData::kBoolean, 1.0);
        lightDiff = n.create("lightDiffuse", "ldf", KFnNumericData::kBoolean, 1.0);
        lightSpec = n.create("lightSpecular", "ls", KFnNumericData::kBoolean, 0.0);
        lightShadow = n.create("lightShadowFraction", "lsf", KFnNumericData::kFloat, 0.0);
        lightPre = n.create("preShadowIntensity", "psi", KFnNumericData::kFloat, 0.0);
        lightBlind = n.createAddr("blindLightData", "bld");
        KFnLightDataAttribute l;
        lights = l.create("lightDataArray", "ltd", lightDir, lightInt, lightAmb, lightDiff, lightSpec,
                          lightShadow, lightPre, lightBlind);
        l.setArray(true);
        l.setDefault(0, 0, 0, 0, 0, 0, true, true, false, 0, 1, nullptr);

        sum = n.create("sum", "s", KFnNumericData::kFloat, 0.0);
        n.setWritable(false);
        n.setStorable(false);
        outColor = n.createColor("outColor", "oc");
        n.setWritable(false);
        lightCount = n.create("lightCount", "lc", KFnNumericData::kInt, 0.0);
        passive = n.create("passive", "pv", KFnNumericData::kFloat, 7.0);

        for (KObject* x : {&a, &b, &inColor, &doubleIt, &mode, &label, &place, &lights, &sum,
                           &outColor, &lightCount, &passive}) {
            KStatus s = addAttribute(*x);
            if (!s) return s;
        }
        for (KObject* in : {&a, &b, &lights}) attributeAffects(*in, sum);
        attributeAffects(lights, lightCount);
        attributeAffects(inColor, outColor);
        attributeAffects(doubleIt, outColor);
        attributeAffects(a, passive);
        return KStatus();
    }

    KStatus compute(const KPlug& plug, KDataBlock& block) override {
        ++computeCalls;
        if (throwInCompute) throw std::runtime_error("probe failure");
        if (plug == sum || plug == lightCount) {
            float total = block.inputValue(a).asFloat() + static_cast<float>(block.inputValue(b).asDouble());
            KArrayDataHandle arr = block.inputArrayValue(lights);
            unsigned count = arr.elementCount();
            for (unsigned i = 0; i < count; ++i) {
                total += arr.inputValue().child(lightInt).asFloatVector().x;
                if (!arr.next()) break;
            }
            KDataHandle out = block.outputValue(sum);
            out.set(total);
            out.setClean();
            KDataHandle lc = block.outputValue(lightCount);
            lc.set(static_cast<int>(count));
            lc.setClean();
            return KStatus();
        }
        if (plug == outColor || plug.parent() == outColor) {
            KFloatVector c = block.inputValue(inColor).asFloatVector();
            if (block.inputValue(doubleIt).asBool()) c = c * 2.0f;
            KDataHandle out = block.outputValue(outColor);
            out.set(c);
            out.setClean();
            return KStatus();
        }
        return KStatus::kUnknownParameter;
    }
};

/// Registers the probe type under `name`/`id` in the process-wide graph.
inline KStatus registerProbe(const std::string& name = "probe", unsigned id = 0x7f001) {
    tarn::NodeTypeSpec decl;
    decl.name = name;
    decl.id = KTypeId(id);
    decl.creator = ProbeNode::creator;
    decl.initializer = ProbeNode::initialize;
    std::string error;
    return tarn::Graph::instance().registerType(decl, &error);
}

}  // namespace dgtest
