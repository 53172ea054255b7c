#pragma once
/// polyDual's factory: replaces the body's mesh by its dual, one or more times.
///
/// The dual of a mesh has one vertex per face (at the face's centre) and one face per interior
/// vertex whose faces form one closed fan of valence 3 or more; the new face's corners are the
/// centres of the faces around the vertex, wound the same way as those faces. Border vertices
/// (any edge of the vertex on the border) and non-manifold vertices make no face, and centres no
/// face uses are dropped. The dual carries no UVs, colours or groups.

#include <memory>

#include "engine/geometry/mid_body.h"

class TpolyDualFty : public TmidModifierFty {
public:
    /// Steps taken at most; larger counts act as this.
    static constexpr int kMaxSteps = 100;

    /// Number of dual steps; 0 or less leaves the mesh unchanged.
    int nbSteps = 1;

    /// The dual of `in` (brought up to date first). A mesh of two faces or fewer gives an empty
    /// mesh. Returns null (error says why) only when the result cannot be built.
    static std::unique_ptr<TpolyGeom> dual(TpolyGeom& in, std::string& error);

protected:
    int modify(TmidBody& body) override;
};
