#include "meshops/factories/poly_dual_fty.h"

#include <algorithm>
#include <vector>

std::unique_ptr<TpolyGeom> TpolyDualFty::dual(TpolyGeom& in, std::string& error) {
    auto out = std::make_unique<TpolyGeom>();
    if (!in.update(7)) {
        error = in.error();
        return nullptr;
    }
    if (in.nbFace() <= 2) {
        out->update(0);
        return out;
    }

    // One vertex per face, at its centre.
    const int nbFace = in.nbFace();
    out->vertexBuffer(nbFace);
    for (int f = 0; f < nbFace; ++f) out->appendVertex(in.getFaceCenterFromOffset(f, 0));

    // One face per interior vertex: each input edge around it becomes the edge joining the
    // centres of its two faces, made by the first vertex that meets it and used reversed by the
    // second.
    std::vector<int> edgeMap(in.nbEdge(), -1);
    out->edgeUseBuffer(in.mesh().numFaceVertices());
    TvertexEdgeIterator it(in);
    for (int v = 0; v < in.nbVertex(); ++v) {
        if (in.vertexOrder(v) < 3) continue;
        it.reset(v);
        // Note: an open fan is a border vertex whichever edge it is walked from.
        if (!it.isSingleFan() || !it.isClosed()) continue;
        out->bgnFace();
        for (; !it.isDone(); it.next()) {
            int& mapped = edgeMap[it.edge()];
            if (mapped < 0) {
                mapped = out->appendEdge(it.faceBefore(), it.faceAfter(), false);
                out->useEdge(mapped, false);
            } else {
                out->useEdge(mapped, true);
            }
        }
        out->endFace();
    }
    std::vector<int>().swap(edgeMap);

    // Drop the centres of faces that touch no interior vertex.
    if (!out->remUnusedVertex(true, true, false, nullptr)) {
        error = out->error();
        return nullptr;
    }
    return out;
}

int TpolyDualFty::modify(TmidBody& body) {
    if (!body.geom()) return fail("there is no mesh to take the dual of");
    if (nbSteps <= 0) return 0;
    // Build every step before touching the body, so that a failure leaves it as it was.
    const int steps = std::min(nbSteps, kMaxSteps);
    std::unique_ptr<TpolyGeom> current;
    for (int i = 0; i < steps; ++i) {
        std::string error;
        std::unique_ptr<TpolyGeom> next = dual(current ? *current : *body.geom(), error);
        if (!next) return fail(error);
        current = std::move(next);
    }
    body.setMidBody(current.release());
    return 0;
}
