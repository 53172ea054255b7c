#pragma once
/// How a data value travels along a connection. By default the destination shares the source's
/// data object; a data kind with copy-on-write contents (mesh data) registers a copier so the
/// destination gets its own object over the same contents, and a node that edits its input
/// never edits the upstream node's output. Main thread only.

#include "frame/k_object.h"
#include "frame/k_types.h"

namespace tarn {

using DataFlowCopier = KObject (*)(const KObject& value);

/// Sets the copier of data objects of kind `kind` (null: share the object).
void setDataFlowCopier(KFn::Type kind, DataFlowCopier copier);
/// The value a connection hands downstream for `value`.
KObject dataForFlow(const KObject& value);

}  // namespace tarn
