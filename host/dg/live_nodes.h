#pragma once
/// A process-wide count of node objects, for leak checks in tests and tools.

namespace tarn {

/// Node objects (KPxNode, host and plug-in types) made by a creator and not yet deleted, in the
/// whole process; a count that grows over create-delete cycles is a leak. Thread safe.
long liveUserNodeCount();

}  // namespace tarn
