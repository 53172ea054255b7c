#include "meshops/mesh_kit_node.h"

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "engine/geometry/subd_face_any.h"
#include "meshops/factories/poly_digits_fty.h"
#include "meshops/factories/poly_dual_fty.h"
#include "meshops/factories/poly_tri_patch_fty.h"

namespace {

constexpr double kNone = std::numeric_limits<double>::quiet_NaN();

constexpr MeshKitAttr kDigitsAttrs[] = {
    {"counter", "c", 'i', 0, kNone, kNone},       {"counterBlurRange", "cbr", 'i', 0, 0, kNone},
    {"blurFlicker", "bf", 'd', 0.0, 0.0, kNone},  {"numDigits", "nd", 'i', 3, 1, 10},
    {"dotPosition", "dp", 'i', 0, 0, 11},         {"displayComma", "dc", 'b', 1, kNone, kNone},
    {"noLeadZero", "nlz", 'b', 1, kNone, kNone},  {"digitSpacing", "ds", 'd', 0.1, -1.0, 10.0},
    {"thickness", "t", 'd', 0.1, 0.0, 1.0},       {"segmentSpacing", "ss", 'd', 0.02, 0.0, 1.0},
    {"heightStretch", "hs", 'd', 1.0, 0.0, 10.0}, {"slant", "sl", 'd', 0.1, -10.0, 10.0},
};
constexpr MeshKitAttr kDualAttrs[] = {{"nbSteps", "nb", 'i', 1, kNone, kNone}};
constexpr MeshKitAttr kSubdAttrs[] = {{"divisions", "dv", 'i', 1, kNone, kNone}};
constexpr MeshKitAttr kPatchAttrs[] = {
    {"divisions", "dv", 'i', 1, kNone, kNone}, {"flatness", "f", 'f', 1.0, kNone, kNone},
    {"tangent", "t", 'f', 1.0, kNone, kNone},  {"bulge", "b", 'f', 1.5, kNone, kNone},
    {"hole", "h", 'b', 0, kNone, kNone},
};

template <typename A, typename T>
std::unique_ptr<Tattribute> makeNumeric(const MeshKitAttr& row) {
    auto a = std::make_unique<A>(row.longName, row.shortName, T(row.defaultValue));
    if (!std::isnan(row.min)) a->setMin(T(row.min));
    if (!std::isnan(row.max)) a->setMax(T(row.max));
    return a;
}

std::unique_ptr<Tattribute> makeAttribute(const MeshKitAttr& row) {
    switch (row.type) {
        case 'i':
            return makeNumeric<TattributeInt32, std::int32_t>(row);
        case 'f':
            return makeNumeric<TattributeFloat, float>(row);
        case 'd':
            return makeNumeric<TattributeDouble, double>(row);
        default:
            return makeNumeric<TattributeBoolean, bool>(row);
    }
}

// A meshKit node's attribute set: the base's attributes, then the class's own table, each
// labelled with the class's label and affecting the output mesh.
template <typename Base>
class MeshKitVS : public Base {
public:
    MeshKitVS(std::span<const MeshKitAttr> rows, const char* label)
        : m_rows(rows), m_label(label) {}

protected:
    KStatus attributeList(TattributeList& list) override {
        if (KStatus s = Base::attributeList(list); !s) return s;
        for (const MeshKitAttr& row : m_rows) {
            m_own.push_back(makeAttribute(row));
            m_own.back()->setLabel(m_label);
            if (KStatus s = list.addAttribute(m_own.back().get()); !s) return s;
        }
        return KStatus();
    }
    KStatus dependencies(TdependencyMatrix& matrix) override {
        if (KStatus s = Base::dependencies(matrix); !s) return s;
        for (const auto& a : m_own)
            if (KStatus s = matrix.attributeAffects(a.get(), &this->sVsData, false); !s) return s;
        return KStatus();
    }

private:
    std::span<const MeshKitAttr> m_rows;
    const char* m_label;
    std::vector<std::unique_ptr<Tattribute>> m_own;
};

class TdnVSTdnpolyDigits : public MeshKitVS<TdnVSTdnpolyCreator> {
    using MeshKitVS::MeshKitVS;
};
class TdnVSTdnpolyDual : public MeshKitVS<TdnVSTdnMidModifier> {
    using MeshKitVS::MeshKitVS;
};
class TdnVSTdnpolySubdFaceAny : public MeshKitVS<TdnVSTdnMidModifier> {
    using MeshKitVS::MeshKitVS;
};
class TdnVSTdnpolyTriPatch : public MeshKitVS<TdnVSTdnMidModifier> {
    using MeshKitVS::MeshKitVS;
};

// Attribute sets, made on first use and kept for the life of the library.
TdependNodeVS* digitsVS() {
    static TdnVSTdnpolyDigits vs(kDigitsAttrs, "n_polyDigits");
    return &vs;
}
TdependNodeVS* dualVS() {
    static TdnVSTdnpolyDual vs(kDualAttrs, "n_polyDual");
    return &vs;
}
TdependNodeVS* subdVS() {
    static TdnVSTdnpolySubdFaceAny vs(kSubdAttrs, "n_polySubdFaceAny");
    return &vs;
}
TdependNodeVS* patchVS() {
    static TdnVSTdnpolyTriPatch vs(kPatchAttrs, "n_polyTriPatch");
    return &vs;
}

// The value of attribute `name` of the node being computed.
double read(const TdependNode& node, KDataBlock& block, const char* name) {
    Tattribute* a = node.nodeClass().attributeSet()->attributes().find(name);
    return block.inputValue(a->hostAttribute()).asDouble();
}
int readInt(const TdependNode& node, KDataBlock& block, const char* name) {
    return static_cast<int>(read(node, block, name));
}

constexpr std::uint32_t kDigitsTag = 0x50444947;  // PDIG
constexpr std::uint32_t kDualTag = 0x50445541;    // PDUA
constexpr std::uint32_t kSubdTag = 0x50534641;    // PSFA
constexpr std::uint32_t kPatchTag = 0x50547250;   // PTrP

TdependNodeMetaClass& digitsClass();
TdependNodeMetaClass& dualClass();
TdependNodeMetaClass& subdClass();
TdependNodeMetaClass& patchClass();

class TdnpolyDigits : public TdnpolyCreator {
public:
    TdnpolyDigits() : TdnpolyCreator(digitsClass()) {}
    static void* creator() { return new TdnpolyDigits; }

protected:
    int action(TmidBody* body, KDataBlock& block, std::string* message) override {
        TpolyDigitsFty f;
        f.counter = readInt(*this, block, "counter");
        f.blurRange = readInt(*this, block, "counterBlurRange");
        f.flicker = read(*this, block, "blurFlicker");
        f.numDigits = readInt(*this, block, "numDigits");
        f.dotPosition = readInt(*this, block, "dotPosition");
        f.comma = read(*this, block, "displayComma") != 0.0;
        f.noLeadZero = read(*this, block, "noLeadZero") != 0.0;
        f.digitSpacing = float(read(*this, block, "digitSpacing"));
        f.thickness = float(read(*this, block, "thickness"));
        f.segmentSpacing = float(read(*this, block, "segmentSpacing"));
        f.height = float(read(*this, block, "heightStretch"));
        f.slant = float(read(*this, block, "slant"));
        const int result = f.doAction(body, nullptr);
        if (result != 0) *message = f.message();
        return result;
    }
};

class TdnpolyDual : public TdnMidModifier {
public:
    TdnpolyDual() : TdnMidModifier(dualClass()) {}
    static void* creator() { return new TdnpolyDual; }

protected:
    int action(TmidBody* body, KDataBlock& block) override {
        // Note: checked here too, so no step reads a body without a mesh.
        if (!body || !body->geom()) return -1;
        TpolyDualFty f;
        f.nbSteps = readInt(*this, block, "nbSteps");
        return runFactory(f, body);
    }
};

class TdnpolySubdFaceAny : public TdnMidModifier {
public:
    TdnpolySubdFaceAny() : TdnMidModifier(subdClass()) {}
    static void* creator() { return new TdnpolySubdFaceAny; }

protected:
    int action(TmidBody* body, KDataBlock& block) override {
        if (!body || !body->geom()) return -1;
        TpolySubdFaceAnyFty f;
        const int divisions = readInt(*this, block, "divisions");
        for (int& d : f.divisions) d = divisions;
        return runFactory(f, body);
    }
};

class TdnpolyTriPatch : public TdnMidModifier {
public:
    TdnpolyTriPatch() : TdnMidModifier(patchClass()) {}
    static void* creator() { return new TdnpolyTriPatch; }

protected:
    int action(TmidBody* body, KDataBlock& block) override {
        if (!body || !body->geom()) return -1;
        TpolyTriPatchFty f;
        f.divisions = readInt(*this, block, "divisions");
        f.flatness = float(read(*this, block, "flatness"));
        f.tangent = float(read(*this, block, "tangent"));
        f.bulge = float(read(*this, block, "bulge"));
        f.hole = read(*this, block, "hole") != 0.0;
        return runFactory(f, body);
    }
};

TdependNodeMetaClass& digitsClass() {
    static const Tmetaclass meta("polyDigits", sizeof(TdnpolyDigits), &TdnpolyDigits::creator,
                                 kDigitsTag, &TdnpolyCreator::metaclass());
    static TdependNodeMetaClass c(meta, &digitsVS, "polyDigits", kDigitsTag, nullptr, nullptr, 32);
    return c;
}
TdependNodeMetaClass& dualClass() {
    static const Tmetaclass meta("polyDual", sizeof(TdnpolyDual), &TdnpolyDual::creator, kDualTag,
                                 &TdnMidModifier::metaclass());
    static TdependNodeMetaClass c(meta, &dualVS, "polyDual", kDualTag, nullptr, nullptr, 32);
    return c;
}
TdependNodeMetaClass& subdClass() {
    static const Tmetaclass meta("polySubdFaceAny", sizeof(TdnpolySubdFaceAny),
                                 &TdnpolySubdFaceAny::creator, kSubdTag,
                                 &TdnMidModifier::metaclass());
    static TdependNodeMetaClass c(meta, &subdVS, "polySubdFaceAny", kSubdTag, nullptr, nullptr, 32);
    return c;
}
TdependNodeMetaClass& patchClass() {
    static const Tmetaclass meta("polyTriPatch", sizeof(TdnpolyTriPatch), &TdnpolyTriPatch::creator,
                                 kPatchTag, &TdnMidModifier::metaclass());
    static TdependNodeMetaClass c(meta, &patchVS, "polyTriPatch", kPatchTag, nullptr, nullptr, 32);
    return c;
}

class TpolyDigitsCmd : public TpolyCreateCmd {
public:
    TpolyDigitsCmd() : TpolyCreateCmd(digitsClass()) {
        setCommandName("polyDigits");
        setRequestedResultName("Digits");
    }
};
class TpolyDualCmd : public TpolyModifierCmd {
public:
    TpolyDualCmd() : TpolyModifierCmd(dualClass(), kGrpObject, false) {
        setCommandName("polyDual");
    }
};
class TpolySubdFaceAnyCmd : public TpolyModifierCmd {
public:
    TpolySubdFaceAnyCmd() : TpolyModifierCmd(subdClass(), kGrpFace, false) {
        setCommandName("polySubdivideFaceAny");
    }
};
class TpolyTriPatchCmd : public TpolyModifierCmd {
public:
    TpolyTriPatchCmd() : TpolyModifierCmd(patchClass(), kGrpFace, false) {
        setCommandName("polyTriPatch");
    }
};

template <typename Cmd>
Tcommand* makeCommand() {
    return new Cmd;
}

// The modifiers' commands take no input curve.
KStatus digitsSyntax(TcommandSyntax& s) {
    return TbaseHistoryCmdBase::createSyntax(s, digitsClass(), false, false);
}
KStatus dualSyntax(TcommandSyntax& s) {
    return TbaseHistoryCmdBase::createSyntax(s, dualClass(), true, false);
}
KStatus subdSyntax(TcommandSyntax& s) {
    return TbaseHistoryCmdBase::createSyntax(s, subdClass(), true, false);
}
KStatus patchSyntax(TcommandSyntax& s) {
    return TbaseHistoryCmdBase::createSyntax(s, patchClass(), true, false);
}

TmetaCommand& digitsCommand() {
    static TmetaCommand c("polyDigits", &makeCommand<TpolyDigitsCmd>, -1);
    c.setSyntaxBuilder(&digitsSyntax);
    return c;
}
TmetaCommand& dualCommand() {
    static TmetaCommandReq c("polyDual", &makeCommand<TpolyDualCmd>, KFn::kMesh);
    c.setSyntaxBuilder(&dualSyntax);
    return c;
}
TmetaCommand& subdCommand() {
    static TmetaCommandReq c("polySubdivideFaceAny", &makeCommand<TpolySubdFaceAnyCmd>, KFn::kMesh);
    c.setSyntaxBuilder(&subdSyntax);
    return c;
}
TmetaCommand& patchCommand() {
    static TmetaCommand c("polyTriPatch", &makeCommand<TpolyTriPatchCmd>, -1);
    c.setSyntaxBuilder(&patchSyntax);
    return c;
}

}  // namespace

std::span<const MeshKitOperation> meshKitOperations() {
    static const MeshKitOperation table[] = {
        {"polyDigits", kDigitsTag, "kPolyCreator", "polyDigits", &TdnpolyDigits::creator,
         &digitsClass(), &digitsCommand(), kDigitsAttrs},
        {"polyDual", kDualTag, "kMidModifier", "polyDual", &TdnpolyDual::creator, &dualClass(),
         &dualCommand(), kDualAttrs},
        {"polySubdFaceAny", kSubdTag, "kMidModifier", "polySubdivideFaceAny",
         &TdnpolySubdFaceAny::creator, &subdClass(), &subdCommand(), kSubdAttrs},
        {"polyTriPatch", kPatchTag, "kMidModifier", "polyTriPatch", &TdnpolyTriPatch::creator,
         &patchClass(), &patchCommand(), kPatchAttrs},
    };
    return table;
}
