#include "bench/view/floor_renderer.h"

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/osmesa.h>

#include "host/view/gl_context.h"
#include "host/view/scene_layer.h"

namespace tarn::view::baseline {

namespace {

// The item's modelview, column major: object points relative to the mesh's centre to GL eye
// space, composed relative to the eye in double precision.
void modelView(const ViewCamera& cam, const DrawItem& item, double out[16]) {
    const Mat4& w = item.toWorld;
    const Vec3 origin = w.point(item.mesh->centre) - cam.eye;
    const Vec3 axes[3] = {cam.right, cam.up, -cam.forward};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            out[i * 4 + j] = dot(Vec3{w.m[i][0], w.m[i][1], w.m[i][2]}, axes[j]);
    for (int j = 0; j < 3; ++j) out[12 + j] = dot(origin, axes[j]);
    out[3] = out[7] = out[11] = 0.0;
    out[15] = 1.0;
}

}  // namespace

FloorRenderer::FloorRenderer() {
    m_context = OSMesaCreateContextExt(OSMESA_BGRA, 24, 0, 0, nullptr);
}

FloorRenderer::~FloorRenderer() {
    if (m_context) OSMesaDestroyContext(static_cast<OSMesaContext>(m_context));
}

void FloorRenderer::frame(const DrawScene& scene, const ViewProjection& projection,
                          std::vector<std::uint8_t>& bgra) {
    const int w = projection.width(), h = projection.height();
    bgra.resize(static_cast<std::size_t>(w) * h * 4);
    GlCurrentGuard restore;
    if (!m_context || !OSMesaMakeCurrent(static_cast<OSMesaContext>(m_context), bgra.data(),
                                         GL_UNSIGNED_BYTE, w, h))
        return;
    OSMesaPixelStore(OSMESA_Y_UP, 0);
    glViewport(0, 0, w, h);
    glClearColor(0.2f, 0.2f, 0.25f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    float m[16];
    projection.glMatrix(0, 0, w, h, m);
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(m);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    const GLfloat direction[4] = {0, 0, 1, 0}, diffuse[4] = {0.8f, 0.8f, 0.8f, 1},
                  none[4] = {0, 0, 0, 1}, ambient[4] = {0.2f, 0.2f, 0.2f, 1};
    glLightfv(GL_LIGHT0, GL_POSITION, direction);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    glLightfv(GL_LIGHT0, GL_AMBIENT, none);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_TRUE);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    glEnable(GL_COLOR_MATERIAL);
    glEnable(GL_LIGHT0);
    glEnable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
    glShadeModel(GL_SMOOTH);
    glEnable(GL_POLYGON_OFFSET_FILL);
    glPolygonOffset(2.0f, 2.0f);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    double mv[16];
    for (const DrawItem& item : scene.items) {
        const DrawMesh& mesh = *item.mesh;
        if (mesh.indices.empty()) continue;
        modelView(projection.camera(), item, mv);
        glLoadMatrixd(mv);
        glVertexPointer(3, GL_FLOAT, 0, mesh.positions.data());
        glNormalPointer(GL_FLOAT, 0, mesh.normals.data());
        glColorPointer(4, GL_UNSIGNED_BYTE, 0, mesh.colors.data());
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(mesh.indices.size()), GL_UNSIGNED_INT,
                       mesh.indices.data());
    }
    glDisable(GL_POLYGON_OFFSET_FILL);
    glDisable(GL_LIGHTING);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDepthFunc(GL_LEQUAL);
    glDepthMask(GL_FALSE);
    // Smooth lines for modest wires, as the view draws them.
    std::size_t edges = 0;
    for (const DrawItem& item : scene.items)
        if (item.wire && wireAlpha(item, projection, 1) > 0.0f)
            edges += item.mesh->edges.size() / 2;
    if (edges < 200000) glEnable(GL_LINE_SMOOTH);
    for (const DrawItem& item : scene.items) {
        const float alpha = item.wire ? wireAlpha(item, projection, 1) : 0.0f;
        if (!(alpha > 0.0f) || item.mesh->edges.empty()) continue;
        modelView(projection.camera(), item, mv);
        glLoadMatrixd(mv);
        glVertexPointer(3, GL_FLOAT, 0, item.mesh->positions.data());
        glColor4f(0.06f, 0.06f, 0.08f, alpha);
        glDrawElements(GL_LINES, static_cast<GLsizei>(item.mesh->edges.size()), GL_UNSIGNED_INT,
                       item.mesh->edges.data());
    }
    glDisable(GL_LINE_SMOOTH);
    glDepthMask(GL_TRUE);
    glDisable(GL_BLEND);
    glDisableClientState(GL_VERTEX_ARRAY);
    glFinish();
}

}  // namespace tarn::view::baseline
