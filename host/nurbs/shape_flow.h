#pragma once
/// What the curve and surface shapes share in moving their data through typed attributes:
/// reading a connected `create` input, writing a `local` / `worldSpace` output, and keeping
/// world-space outputs current when a transform above a shape changes. Main thread only.

#include "frame/k_data.h"
#include "frame/k_object.h"
#include "frame/k_plug.h"
#include "host/mesh/mesh_math.h"
#include "host/scene/attribute_table.h"

namespace tarn::nurbs {

/// Installs the graph's dirty observer that marks the `worldSpace` output of every curve and
/// surface shape below a changed transform dirty (and what reads it). Idempotent.
void watchTransformsAboveNurbsShapes();
/// Lays out the attributes every NURBS shape has: `create` (input data of `dataKind`), `local`
/// and `worldSpace[0]` (outputs of that data, both computed from `create`) and `visibility`;
/// then watches the transforms above the shapes.
KStatus addNurbsShapeAttributes(scene::AttrKind dataKind, KObject& create, KObject& local,
                                KObject& worldSpace, KObject& visibility);
/// The data object held by `shape`'s `createAttr` input when that input is connected; null
/// when unconnected or unreadable.
KObject connectedInputData(const KObject& shape, const KObject& createAttr);
/// Writes `data` (null: none) to the output `plug` being computed: `local`, an element of
/// `worldSpace`, or the `worldSpace` array itself (then element 0). Marks it clean.
KStatus writeDataOutput(const KPlug& plug, KDataBlock& block, const KObject& worldSpaceAttr,
                        const KObject& data);
/// The host matrix as the math's affine matrix.
Mat4 toMat4(const KMatrix& m);

}  // namespace tarn::nurbs
