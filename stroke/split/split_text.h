#pragma once
/// The command texts of slicePen: edge subdivision for a middle-button stroke, and one command
/// per chain for a split ("polySplit" for a single cut, the "multiSliceSplit" procedure for
/// parallel cuts). Mesh names go into the texts as given (the shape's node name). Main thread
/// only (mesh queries).

#include <string>

#include "frame/host_sdk.h"
#include "stroke/common/stroke_record.h"
#include "stroke/split/split_chains.h"

namespace stroke {

/// Largest slice or subdivision count the action uses; larger values are taken as this.
constexpr int kMaxSplitCount = 1000;

/// The values one release's texts are built from.
struct SplitTextSettings {
    bool singleCut = true;
    int slices = 1;  ///< 1..kMaxSplitCount
    double dropoffPower = 1.0;
    int subdivisions = 1;  ///< 1..kMaxSplitCount
    bool edgeSnapping = false;
    int worldSampleCount = 0;  ///< samples of the stroke curve (its closed length in knots)
};

/// Face points of a single cut, through the stroke curve.
class FacePointSource {
public:
    virtual ~FacePointSource() = default;
    /// The object-space point where the view ray through the stroke curve's point at `param`
    /// first meets `face`; false when there is no such hit.
    virtual bool facePoint(double param, int face, KPoint& objectPoint) = 0;
};

/// The middle-button text: every crossed edge subdivided `divisions` times; with `moveToStroke`
/// the new midpoint vertex of each edge is moved to its crossing.
KString subdivideEdgeText(const StrokeRecord& record, int divisions, bool moveToStroke);

/// Appends one chain as a "polySplit" command ending in ";\n". Face points between edges come
/// from `source` when it has them, else lie between the two crossing points.
void appendSingleCutChain(KString& text, const SplitChain& chain, const SplitTextSettings& settings,
                          const SplitMeshQuery& mesh, FacePointSource* source);

/// Appends one chain as a "multiSliceSplit" call ending in ";\n". False, with `text` unchanged,
/// when the side rails or a snap's edge cannot be found by the bounded walks around the faces.
/// A chain that is only a vertex stroke's snap edge appends nothing (true): it names no edge.
bool appendMultiSliceChain(KString& text, const SplitChain& chain,
                           const SplitTextSettings& settings, const StrokeRecord& record,
                           const SplitMeshQuery& mesh);

}  // namespace stroke
