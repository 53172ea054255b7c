#pragma once
/// Copying mesh data through the SDK. The host does not copy mesh data on write, so a node that
/// rewrites part of the mesh it reads from an input copies it first; otherwise it would write
/// into the upstream node's value.

#include "frame/k_object.h"
#include "frame/k_status.h"

namespace uvproject {

/// A new mesh data object holding a copy of the mesh of `source` (mesh data or a mesh shape):
/// points, faces, every UV set with its values and assignments, the current UV set, hard edges
/// and the set colours of the current colour set. Object groups are not copied here. Edge and
/// face numbering are those of the source. kInvalidParameter when `source` holds no mesh.
KStatus copyMeshData(const KObject& source, KObject& copy);

}  // namespace uvproject
