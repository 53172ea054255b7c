#include "host/view/scene_layer.h"

#include "host/view/gl_context.h"

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>

namespace tarn::view {

namespace {

constexpr int kTileSide = 2048;   // pixels of drawing per GL tile side
constexpr float kAmbient = 0.2f;  // light on faces turned away from the headlight
constexpr float kEdgeColor[3] = {0.06f, 0.06f, 0.08f};
constexpr float kHighlightColor[3] = {1.0f, 0.55f, 0.1f};
constexpr float kSelectedTint[3] = {0.16f, 0.09f, 0.0f};  // emission of a densely wired mesh
constexpr float kFaceHighlightAlpha = 0.35f;
constexpr float kDotSize = 5.0f;
constexpr float kWireMaxAlpha = 0.85f;
// Edge spacing (output pixels) at which a wireframe shows in full, and below which it is not
// drawn at all: finer wires would cover the surface.
constexpr double kWireClearPixels = 6.0;
constexpr double kWireGonePixels = 1.0;
// Smooth lines cost a lot per line in Mesa's software rasteriser: only modest wires get them.
constexpr std::size_t kSmoothLinesBelow = 200000;

// GL textures of the scene textures drawn so far, kept across frames while a scene holds the
// image (the reference here keeps the key's address from being reused).
struct GlTexture {
    TextureRef image;
    GLuint name = 0;
};
std::map<const ViewTexture*, GlTexture>& textureCache() {
    static auto* cache = new std::map<const ViewTexture*, GlTexture>;
    return *cache;
}

// Drops the GL textures of images no scene holds any more.
void dropUnusedTextures() {
    auto& cache = textureCache();
    for (auto it = cache.begin(); it != cache.end();) {
        if (it->second.image.use_count() == 1) {
            glDeleteTextures(1, &it->second.name);
            it = cache.erase(it);
        } else {
            ++it;
        }
    }
}

bool usable(const TextureRef& t) {
    return t && t->width > 0 && t->height > 0 &&
           t->rgba.size() >= static_cast<std::size_t>(t->width) * t->height * 4;
}

// Binds the GL texture of `image` (mipmapped, bilinear, repeating), making it on first use.
void bindTexture(const TextureRef& image) {
    GlTexture& t = textureCache()[image.get()];
    if (t.name) {
        glBindTexture(GL_TEXTURE_2D, t.name);
        return;
    }
    t.image = image;
    glGenTextures(1, &t.name);
    glBindTexture(GL_TEXTURE_2D, t.name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, GL_TRUE);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, image->width, image->height, 0, GL_RGBA,
                 GL_UNSIGNED_BYTE, image->rgba.data());
}

// The modelview of an item: object points relative to the mesh's centre to GL eye space
// (x right, y up, looking down -z), composed in double precision relative to the eye so that
// far-off scenes keep their precision. Column-major as GL wants it.
void itemModelView(const ViewCamera& cam, const DrawItem& item, double out[16]) {
    const Mat4& w = item.toWorld;
    const Vec3 origin = w.point(item.mesh->centre) - cam.eye;
    const Vec3 axes[3] = {cam.right, cam.up, -cam.forward};
    // Row-vector matrix M = (object rows of w) * R, where R's column j is axes[j].
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            const Vec3 row{w.m[i][0], w.m[i][1], w.m[i][2]};
            out[i * 4 + j] = dot(row, axes[j]);
        }
    for (int j = 0; j < 3; ++j) out[12 + j] = dot(origin, axes[j]);
    out[3] = out[7] = out[11] = 0.0;
    out[15] = 1.0;
}

// True when the matrix keeps lengths (normals need no renormalising).
bool keepsLengths(const Mat4& w) {
    for (int i = 0; i < 3; ++i) {
        const double len =
            std::sqrt(w.m[i][0] * w.m[i][0] + w.m[i][1] * w.m[i][1] + w.m[i][2] * w.m[i][2]);
        if (std::fabs(len - 1.0) > 1e-6) return false;
    }
    return true;
}

// The mean length the matrix gives a unit object-space vector.
double meanScale(const Mat4& w) {
    double sum = 0.0;
    for (int i = 0; i < 3; ++i)
        sum += std::sqrt(w.m[i][0] * w.m[i][0] + w.m[i][1] * w.m[i][1] + w.m[i][2] * w.m[i][2]);
    return sum / 3.0;
}

void setArrays(const DrawMesh& m) {
    glVertexPointer(3, GL_FLOAT, 0, m.positions.data());
    glNormalPointer(GL_FLOAT, 0, m.normals.data());
    glColorPointer(4, GL_UNSIGNED_BYTE, 0, m.colors.data());
    glTexCoordPointer(2, GL_FLOAT, 0, m.uvs.data());
}

// Draws the item's opaque or its translucent triangles batch by batch (lighting on, arrays
// enabled by the caller).
void drawFaces(const DrawMesh& m, bool translucent = false) {
    const std::vector<TextureRef>& textures = m.textures;
    if (m.indices.empty()) return;
    setArrays(m);
    for (const DrawMesh::Batch& b : m.batches) {
        if (b.translucent != translucent) continue;
        const bool textured = b.texture >= 0 && b.texture < static_cast<int>(textures.size()) &&
                              usable(textures[b.texture]);
        if (textured) {
            bindTexture(textures[b.texture]);
            glEnable(GL_TEXTURE_2D);
            glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        }
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(b.count), GL_UNSIGNED_INT,
                       m.indices.data() + b.first);
        if (textured) {
            glDisableClientState(GL_TEXTURE_COORD_ARRAY);
            glDisable(GL_TEXTURE_2D);
            glBindTexture(GL_TEXTURE_2D, 0);
        }
    }
}

// The background: one column of the gradient (or the flat colour), stretched across the
// viewport by the pixel zoom so every row gets exactly its colour.
void drawBackground(int bottom, int height, int portHeight, const LayerStyle& style) {
    std::vector<std::uint8_t> column(static_cast<std::size_t>(height) * 4);
    for (int row = 0; row < height; ++row) {
        // Row `row` of the viewport (from its bottom) is output row `fromTop` of the picture.
        const int fromTop = portHeight - 1 - (bottom + row);
        float c[3] = {style.background[0], style.background[1], style.background[2]};
        if (!style.flatBackground)
            backgroundColor(fromTop / style.supersample, portHeight / style.supersample, c);
        for (int k = 0; k < 3; ++k)
            column[4 * std::size_t(row) + k] =
                static_cast<std::uint8_t>(std::lround(std::clamp(c[k], 0.0f, 1.0f) * 255.0f));
        column[4 * std::size_t(row) + 3] = 255;
    }
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glWindowPos2i(0, 0);
    glPixelZoom(static_cast<float>(1 << 15), 1.0f);
    glDrawPixels(1, height, GL_RGBA, GL_UNSIGNED_BYTE, column.data());
    glPixelZoom(1.0f, 1.0f);
    glDepthMask(GL_TRUE);
}

void lightUp() {
    // The headlight shines along the view: set in eye space before any modelview.
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    const GLfloat direction[4] = {0, 0, 1, 0};
    const GLfloat diffuse[4] = {1.0f - kAmbient, 1.0f - kAmbient, 1.0f - kAmbient, 1};
    const GLfloat none[4] = {0, 0, 0, 1};
    const GLfloat ambient[4] = {kAmbient, kAmbient, kAmbient, 1};
    glLightfv(GL_LIGHT0, GL_POSITION, direction);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    glLightfv(GL_LIGHT0, GL_AMBIENT, none);
    glLightfv(GL_LIGHT0, GL_SPECULAR, none);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_TRUE);
    glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, GL_FALSE);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, none);
    glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, none);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    glEnable(GL_COLOR_MATERIAL);
    glEnable(GL_LIGHT0);
}

}  // namespace

void layBackgroundUnder(std::uint8_t* pixels, int width, int height, int rowLength, int top,
                        int portHeight, const LayerStyle& style) {
    // One thread: a pass over memory, and Mesa's rasteriser threads may still be winding down.
    {
        for (int y = 0; y < height; ++y) {
            float c[3] = {style.background[0], style.background[1], style.background[2]};
            if (!style.flatBackground) backgroundColor(top + y, portHeight, c);
            // BGRA bytes of the row's background.
            std::uint8_t bg[4] = {0, 0, 0, 255};
            for (int k = 0; k < 3; ++k)
                bg[2 - k] =
                    static_cast<std::uint8_t>(std::lround(std::clamp(c[k], 0.0f, 1.0f) * 255.0f));
            std::uint32_t bgWord;
            std::memcpy(&bgWord, bg, 4);
            std::uint8_t* p = pixels + static_cast<std::size_t>(y) * rowLength * 4;
            for (int x = 0; x < width; ++x, p += 4) {
                // Most pixels are all background or all scene.
                const int a = p[3];
                if (a == 255) continue;
                if (a == 0) {
                    std::memcpy(p, &bgWord, 4);
                    continue;
                }
                // pixel (premultiplied) + background * (1 - alpha)
                for (int k = 0; k < 3; ++k)
                    p[k] = static_cast<std::uint8_t>(
                        std::min(255, p[k] + (bg[k] * (255 - a) + 127) / 255));
                p[3] = 255;
            }
        }
    }
}

float wireAlpha(const DrawItem& item, const ViewProjection& projection, int supersample) {
    if (item.opaqueWire) return 1.0f;
    const DrawMesh& m = *item.mesh;
    if (m.edges.empty() || m.box.empty()) return 0.0f;
    const ViewCamera& cam = projection.camera();
    // Pixels one world unit spans at the mesh's nearest point.
    double perUnit = 0.5 * projection.width() * projection.scaleX() / supersample;
    if (!cam.orthographic) {
        double nearest = std::numeric_limits<double>::infinity();
        for (int c = 0; c < 8; ++c) {
            const Vec3 corner{c & 1 ? m.box.max.x : m.box.min.x, c & 2 ? m.box.max.y : m.box.min.y,
                              c & 4 ? m.box.max.z : m.box.min.z};
            nearest = std::min(nearest, projection.toCamera(item.toWorld.point(corner)).z);
        }
        perUnit /= std::max(nearest, cam.nearClip);
    }
    const double spacing = m.edgeLength * meanScale(item.toWorld) * perUnit;
    const double t = (spacing - kWireGonePixels) / (kWireClearPixels - kWireGonePixels);
    return kWireMaxAlpha * static_cast<float>(std::clamp(t, 0.0, 1.0));
}

std::shared_ptr<const DrawMesh> proxyOf(const std::shared_ptr<const DrawMesh>& mesh) {
    struct Entry {
        std::weak_ptr<const DrawMesh> source;
        std::shared_ptr<const DrawMesh> proxy;
    };
    static auto* cache = new std::map<const DrawMesh*, Entry>;
    for (auto it = cache->begin(); it != cache->end();)
        it = it->second.source.expired() ? cache->erase(it) : std::next(it);
    Entry& e = (*cache)[mesh.get()];
    if (!e.proxy || e.source.lock() != mesh) {
        e.source = mesh;
        e.proxy = decimatedDrawMesh(*mesh, kProxyTriangles);
    }
    return e.proxy;
}

namespace {

// Loads the item's model-view matrix (normals kept unit under scaling) and answers the faces to
// draw for it: the mesh, or its reduced copy in frames that must be quick.
const DrawMesh& placeFaces(const ViewCamera& cam, const DrawItem& item, const LayerStyle& style) {
    double mv[16];
    itemModelView(cam, item, mv);
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixd(mv);
    if (keepsLengths(item.toWorld))
        glDisable(GL_NORMALIZE);
    else
        glEnable(GL_NORMALIZE);
    const bool proxy = style.proxyAbove > 0 && item.mesh->triangleCount() > style.proxyAbove;
    return proxy ? *proxyOf(item.mesh) : *item.mesh;
}

// The faces of transparent shaders, over every opaque face: blended by their alpha without
// writing depth, meshes from the farthest to the nearest (by their boxes' centres), and in each
// mesh the faces turned away from the eye before those facing it, so a closed glass shape shows
// its far side through its near one.
void drawTranslucentFaces(const DrawScene& scene, const ViewProjection& projection,
                          const LayerStyle& style) {
    std::vector<std::pair<double, std::size_t>> order;
    const ViewCamera& cam = projection.camera();
    for (std::size_t i = 0; i < scene.items.size(); ++i) {
        const DrawItem& item = scene.items[i];
        if (!item.mesh || item.mesh->indices.empty() || !item.mesh->hasTranslucent()) continue;
        const Box3& box = item.mesh->box;
        const Vec3 centre = item.toWorld.point((box.min + box.max) * 0.5);
        order.push_back({-dot(centre - cam.eye, cam.forward), i});
    }
    if (order.empty()) return;
    std::sort(order.begin(), order.end());
    glEnable(GL_BLEND);
    glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    glDepthMask(GL_FALSE);
    glEnable(GL_CULL_FACE);
    for (const auto& [depth, i] : order) {
        const DrawItem& item = scene.items[i];
        const DrawMesh& mesh = placeFaces(cam, item, style);
        // A mirroring transform turns the winding around.
        const auto& w = item.toWorld.m;
        const bool mirrored = dot({w[0][0], w[0][1], w[0][2]},
                                  cross({w[1][0], w[1][1], w[1][2]}, {w[2][0], w[2][1], w[2][2]})) <
                              0.0;
        glFrontFace(mirrored ? GL_CW : GL_CCW);
        glCullFace(GL_FRONT);
        drawFaces(mesh, true);
        glCullFace(GL_BACK);
        drawFaces(mesh, true);
    }
    glFrontFace(GL_CCW);
    glDisable(GL_CULL_FACE);
    glDepthMask(GL_TRUE);
    glDisable(GL_BLEND);
}

}  // namespace

void drawSceneLayer(const DrawScene& scene, const ViewProjection& projection, int left, int bottom,
                    int width, int height, const LayerStyle& style) {
    dropUnusedTextures();
    const int ss = std::max(style.supersample, 1);
    glViewport(0, 0, width, height);
    glDisable(GL_DITHER);
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
    if (style.drawBackground) {
        glClear(GL_DEPTH_BUFFER_BIT);
        drawBackground(bottom, height, projection.height(), style);
    } else {
        // Mesa clears whole tiles at once: far cheaper than any drawn fill.
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }

    float m[16];
    projection.glMatrix(left, bottom, left + width, bottom + height, m);
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(m);
    lightUp();
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glShadeModel(GL_SMOOTH);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);

    // The faces, a little behind the lines and highlights drawn on them.
    std::vector<float> alpha(scene.items.size(), 0.0f);
    for (std::size_t i = 0; i < scene.items.size(); ++i)
        if (scene.items[i].wire) alpha[i] = wireAlpha(scene.items[i], projection, ss);
    glEnable(GL_LIGHTING);
    glEnable(GL_POLYGON_OFFSET_FILL);
    glPolygonOffset(2.0f, 2.0f);
    for (std::size_t i = 0; i < scene.items.size(); ++i) {
        const DrawItem& item = scene.items[i];
        if (!item.mesh || item.mesh->indices.empty()) continue;
        const DrawMesh& faces = placeFaces(projection.camera(), item, style);
        // A selected mesh whose wireframe is too fine to read glows a little instead.
        const float tint =
            item.selected && item.wire ? std::clamp(1.0f - alpha[i] / 0.4f, 0.0f, 1.0f) : 0.0f;
        if (tint > 0.0f) {
            const GLfloat glow[4] = {kSelectedTint[0] * tint, kSelectedTint[1] * tint,
                                     kSelectedTint[2] * tint, 1};
            glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, glow);
        }
        drawFaces(faces);
        if (tint > 0.0f) {
            const GLfloat none[4] = {0, 0, 0, 1};
            glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, none);
        }
    }
    drawTranslucentFaces(scene, projection, style);
    glDisable(GL_POLYGON_OFFSET_FILL);
    glDisable(GL_LIGHTING);
    glDisable(GL_NORMALIZE);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);

    // Wireframes, blended by their density; then the selected components.
    glEnable(GL_BLEND);
    // Coverage adds up in alpha, so a layer drawn over transparency stays premultiplied.
    glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    glDepthFunc(GL_LEQUAL);
    glDepthMask(GL_FALSE);
    std::size_t wireEdges = 0;
    for (std::size_t i = 0; i < scene.items.size(); ++i)
        if (alpha[i] > 0.0f) wireEdges += scene.items[i].mesh->edges.size() / 2;
    if (ss == 1 && wireEdges < kSmoothLinesBelow) glEnable(GL_LINE_SMOOTH);
    glLineWidth(static_cast<float>(ss));
    double mv[16];
    for (std::size_t i = 0; i < scene.items.size(); ++i) {
        const DrawItem& item = scene.items[i];
        const bool proxy = style.proxyAbove > 0 && item.mesh->triangleCount() > style.proxyAbove;
        if (!(alpha[i] > 0.0f) || item.mesh->edges.empty() || proxy) continue;
        itemModelView(projection.camera(), item, mv);
        glMatrixMode(GL_MODELVIEW);
        glLoadMatrixd(mv);
        glVertexPointer(3, GL_FLOAT, 0, item.mesh->positions.data());
        glColor4f(kEdgeColor[0], kEdgeColor[1], kEdgeColor[2], alpha[i]);
        glDrawElements(GL_LINES, static_cast<GLsizei>(item.mesh->edges.size()), GL_UNSIGNED_INT,
                       item.mesh->edges.data());
    }
    glDisable(GL_LINE_SMOOTH);
    for (const DrawItem& item : scene.items) {
        if (item.highlightFaces.empty() && item.highlightEdges.empty() &&
            item.highlightPoints.empty())
            continue;
        itemModelView(projection.camera(), item, mv);
        glMatrixMode(GL_MODELVIEW);
        glLoadMatrixd(mv);
        glVertexPointer(3, GL_FLOAT, 0, item.mesh->positions.data());
        // Selected faces: a translucent fill between the face and the lines on it.
        if (!item.highlightFaces.empty()) {
            glEnable(GL_POLYGON_OFFSET_FILL);
            glPolygonOffset(1.0f, 1.0f);
            glColor4f(kHighlightColor[0], kHighlightColor[1], kHighlightColor[2],
                      kFaceHighlightAlpha);
            glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(item.highlightFaces.size()),
                           GL_UNSIGNED_INT, item.highlightFaces.data());
            glDisable(GL_POLYGON_OFFSET_FILL);
        }
        glColor4f(kHighlightColor[0], kHighlightColor[1], kHighlightColor[2], 1.0f);
        if (!item.highlightEdges.empty()) {
            glLineWidth(2.0f * ss);
            glDrawElements(GL_LINES, static_cast<GLsizei>(item.highlightEdges.size()),
                           GL_UNSIGNED_INT, item.highlightEdges.data());
        }
        if (!item.highlightPoints.empty()) {
            glEnable(GL_POINT_SMOOTH);
            glPointSize(kDotSize * ss);
            glDrawElements(GL_POINTS, static_cast<GLsizei>(item.highlightPoints.size()),
                           GL_UNSIGNED_INT, item.highlightPoints.data());
            glDisable(GL_POINT_SMOOTH);
        }
    }
    glDepthMask(GL_TRUE);
    glDisable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glDisableClientState(GL_VERTEX_ARRAY);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

GlContext& rendererContext() {
    // Never destroyed: it may be used while the program exits.
    static GlContext* context = new GlContext(GlContext::Format::kBgra);
    return *context;
}

RgbImage renderScene(const DrawScene& scene, const ViewCamera& camera,
                     const RenderOptions& options) {
    RgbImage image;
    image.width = options.width;
    image.height = options.height;
    image.pixels.assign(static_cast<size_t>(image.width) * image.height * 3, 0);
    const int ss = std::clamp(options.supersample, 1, 2);
    const int sw = options.width * ss, sh = options.height * ss;
    // The view's one projection, on the drawn (supersampled) image.
    const ViewProjection projection(camera, sw, sh);
    LayerStyle style;
    style.supersample = ss;
    style.flatBackground = options.flatBackground;
    std::copy(options.background, options.background + 3, style.background);

    GlCurrentGuard restore;  // a tool's overlay context may be current
    GlContext& gl = rendererContext();
    const int tile = kTileSide / ss * ss;
    std::vector<std::uint8_t> tilePixels;
    for (int tileTop = 0; tileTop < sh; tileTop += tile)
        for (int tileLeft = 0; tileLeft < sw; tileLeft += tile) {
            const int tw = std::min(tile, sw - tileLeft), th = std::min(tile, sh - tileTop);
            tilePixels.resize(static_cast<size_t>(tw) * th * 4);
            std::string error;
            if (!gl.makeCurrentOn(tilePixels.data(), tw, th, tw, 24, &error)) return image;
            // The tile as a sub-rectangle of the port (port y runs up from the bottom).
            drawSceneLayer(scene, projection, tileLeft, sh - tileTop - th, tw, th, style);
            glFinish();
            // Box filter of each ss x ss block (BGRA rows, top first) into the output rows.
            tbb::parallel_for(tbb::blocked_range<int>(0, th / ss), [&](const auto& r) {
                for (int oy = r.begin(); oy != r.end(); ++oy) {
                    std::uint8_t* out =
                        image.pixels.data() +
                        (static_cast<size_t>(tileTop / ss + oy) * image.width + tileLeft / ss) * 3;
                    for (int ox = 0; ox < tw / ss; ++ox)
                        for (int c = 0; c < 3; ++c) {
                            int sum = 0;
                            for (int sy = 0; sy < ss; ++sy)
                                for (int sx = 0; sx < ss; ++sx)
                                    sum += tilePixels[(static_cast<size_t>(oy * ss + sy) * tw +
                                                       ox * ss + sx) *
                                                          4 +
                                                      2 - c];
                            out[ox * 3 + c] =
                                static_cast<std::uint8_t>((sum + ss * ss / 2) / (ss * ss));
                        }
                }
            });
        }
    return image;
}

}  // namespace tarn::view
