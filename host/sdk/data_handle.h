#pragma once
/// SDK data handles over a node's storage: the one place a `KDataHandle` is made from the
/// host's storage of values (host/dg/data_store.h), which itself knows nothing of handles.

#include "frame/k_data.h"

namespace tarn {

class AttributeImpl;
class DataStore;

/// A handle on `attribute` in the root scope of `store`, or in element `logicalIndex` of its
/// array (created when `create` is set). A null handle when the attribute is not of the store's
/// type, or the element is missing or not given. Valid until the element is removed.
KDataHandle storeHandle(DataStore& store, const AttributeImpl& attribute, int logicalIndex,
                        bool create);

}  // namespace tarn
