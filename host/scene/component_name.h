#pragma once
/// Component names of meshes: `mesh.vtx[3]`, `mesh.e[4:7]`, `mesh.f[2]`, `mesh.map[5]`,
/// `mesh.f[*]` (all), and their printing as contiguous ranges, the way `ls -sl` lists them.

#include <string>
#include <string_view>
#include <vector>

#include "frame/k_types.h"

namespace tarn::scene {

enum class ComponentKind { None, Vertex, Edge, Face, UV };

/// The component's word in names: "vtx", "e", "f", "map" ("" for None).
const char* componentWord(ComponentKind kind);
/// The SDK type of a component of this kind (kMeshVertComponent ... kMeshPolygonComponent 540).
KFn::Type componentApiType(ComponentKind kind);
/// The kind for an SDK component type; None for anything else.
ComponentKind componentKindOf(KFn::Type type);

struct ComponentName {
    std::string object;  // the text before the first '.'
    ComponentKind kind = ComponentKind::None;
    bool all = false;                         // "[*]"
    std::vector<std::pair<int, int>> ranges;  // inclusive, first <= second
};

/// Splits "obj.word[a]" / "obj.word[a:b]" / "obj.word[*]" (several bracketed ranges may follow:
/// "obj.f[1][3:4]"). Returns false with a message naming the fault for anything else with a
/// '.', a known component word and brackets: unknown words, a reversed or negative range,
/// missing or unbalanced brackets, non-numbers. A text without ".word[" is not a component name
/// (kind None, returns true, object = the whole text).
bool parseComponentName(std::string_view text, ComponentName& out, std::string* error);

/// Sorted unique indices from the parsed ranges; `count` bounds them (an index >= count fails
/// with a message), and "[*]" gives 0..count-1. Counts are checked before anything is allocated.
bool expandComponentIndices(const ComponentName& name, int count, std::vector<int>& out,
                            std::string* error);

/// "obj.word[first:last]", or "obj.word[first]" when the run has one element.
std::string componentRangeName(const std::string& object, ComponentKind kind, int first,
                               int last);

/// "obj.word[a:b]" per contiguous run of the sorted unique `indices` ("obj.word[a]" for one).
std::vector<std::string> formatComponentNames(const std::string& object, ComponentKind kind,
                                              const std::vector<int>& indices);

}  // namespace tarn::scene
