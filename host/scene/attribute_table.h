#pragma once
/// Attribute tables of the host's own node types: each type lists its attributes once (names,
/// kind, defaults, flags) and its initialiser walks the list.

#include <initializer_list>

#include "frame/k_object.h"
#include "frame/k_status.h"

namespace tarn::scene {

enum class AttrKind {
    Bool,
    Int,
    Float,
    Double,
    Enum,     // short with no fields (the value is what matters)
    Color,    // float3 compound, used as colour, children <long>R/G/B
    Float2,   // float2 compound; children named in `children`
    Double3,  // double3 compound; children named in `children`
    Float3,   // float3 compound; children named in `children`
    String,
    Message,
    SurfaceData,  // typed, NURBS surface data (null by default)
    CurveData,    // typed, NURBS curve data (null by default)
    MeshData,     // typed attribute holding mesh data (no default value)
};

struct AttrRow {
    const char* longName;
    const char* shortName;
    AttrKind kind;
    double defaults[3] = {0.0, 0.0, 0.0};
    bool output = false;  // computed: not writable, not storable
    bool array = false;
    bool keyable = false;
    // Children of Float2 / Double3 compounds: {long, short} per child.
    const char* children[3][2] = {{nullptr, nullptr}, {nullptr, nullptr}, {nullptr, nullptr}};
    KObject* handle = nullptr;  // receives the created attribute
};

/// Creates and adds every attribute of `rows` in order (inside a type's initialiser).
KStatus addAttributeTable(std::initializer_list<AttrRow> rows);

}  // namespace tarn::scene
