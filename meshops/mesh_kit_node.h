#pragma once
/// meshKit's four operation nodes and their commands.
///
/// | node | base | tag | command | acts on |
/// |---|---|---|---|---|
/// | polyDigits | TdnpolyCreator | PDIG | polyDigits | a new mesh named from "Digits" |
/// | polyDual | TdnMidModifier | PDUA | polyDual | whole meshes |
/// | polySubdFaceAny | TdnMidModifier | PSFA | polySubdivideFaceAny | faces |
/// | polyTriPatch | TdnMidModifier | PTrP | polyTriPatch | faces |
///
/// Each node class's attributes are one table (MeshKitAttr rows) that its attribute set, the
/// compute and the command's flags all read. The classes themselves (metaclasses, attribute
/// sets, command classes) live in mesh_kit_node.cpp and are registered by plugin_main.cpp.

#include <cstdint>
#include <span>

#include "engine/history/poly_base.h"
#include "engine/history/poly_cmd.h"

/// One attribute of a meshKit node: names, type ('i' 32-bit integer, 'f' float, 'd' double,
/// 'b' boolean), default and limits (NaN: none).
struct MeshKitAttr {
    const char* longName;
    const char* shortName;
    char type;
    double defaultValue;
    double min;
    double max;
};

/// What plugin_main registers for one operation.
struct MeshKitOperation {
    const char* typeName;
    std::uint32_t tag;
    const char* apiType;  ///< "kMidModifier" or "kPolyCreator"
    const char* commandName;
    KCreatorFunction creator;
    TdependNodeMetaClass* nodeClass;
    TmetaCommand* command;
    std::span<const MeshKitAttr> attributes;
};

/// The operations in node registration order: polyDigits, polyDual, polySubdFaceAny,
/// polyTriPatch.
std::span<const MeshKitOperation> meshKitOperations();
