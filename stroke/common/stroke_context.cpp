#include "stroke/common/stroke_context.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstdlib>

namespace stroke {

std::string lineModeInvokedText(const ToolProfile& profile) {
    return std::string("\"") + profile.lineModeWords +
           "\" invoked.  Please continue pressing and dragging to place the new segment's "
           "endpoint.";
}

std::string backfaceReportText(const ToolProfile& profile, int bck) {
    if (bck == 3)
        return std::string(
                   "Backface-culling is *ON* for current mesh.  *ONLY ONE* side of mesh "
                   "will be ") +
               profile.verb + " at a time.";
    return std::string(
               "Backface-culling is *OFF* for current mesh.  *ALL* sides of mesh will be ") +
           profile.verb + " simultaneously.";
}

std::string marqueeWarningText(const ToolProfile& profile) {
    return std::string("Only *ONE* poly surface can be ") + profile.verb +
           " at a time!  Please re-select a \"single\" poly surface.";
}

StrokeContext::StrokeContext(const ToolProfile& profile) : m_profile(profile) {
    setTitleString(profile.title);
    setImage(profile.image, kImage1);
    setCursor(KCursor::pencilCursor);
}

StrokeContext::~StrokeContext() {
    endDrawing();
}

void StrokeContext::toolOnSetup(KEvent&) {
    // Save the selection mode and the mask of that mode.
    m_savedMode = KGlobal::selectionMode();
    m_savedMask = m_savedMode == KGlobal::kSelectComponentMode ? KGlobal::componentSelectionMask()
                                                               : KGlobal::objectSelectionMask();
    int autoBackface = 0;
    KGlobal::executeCommand(KString(std::string("optionVar -q ") + m_profile.autoBackfaceOption),
                            autoBackface);
    if (autoBackface != 0) KGlobal::executeCommand("polyOptions -global -fullBack");
    onSetup();
    reportBackface();
    setHelpString(m_profile.help);
}

void StrokeContext::toolOffCleanup() {
    cleanup();
    int autoBackface = 0;
    KGlobal::executeCommand(KString(std::string("optionVar -q ") + m_profile.autoBackfaceOption),
                            autoBackface);
    if (autoBackface != 0) KGlobal::executeCommand("polyOptions -global -backCulling");
    if (m_savedMode == KGlobal::kSelectComponentMode)
        KGlobal::setComponentSelectionMask(m_savedMask);
    else
        KGlobal::setObjectSelectionMask(m_savedMask);
    KGlobal::setSelectionMode(m_savedMode);
    onExit();
}

void StrokeContext::completeAction() {
    KGlobal::executeCommand("setToolTo $gSelect");
}

void StrokeContext::abortAction() {
    KGlobal::executeCommand("setToolTo $gSelect");
}

void StrokeContext::deleteAction() {
    cleanup();
}

void StrokeContext::getClassName(KString& name) const {
    name = m_profile.className;
}

bool StrokeContext::readSelectedMesh(StrokeMesh& mesh, KDagPath& selected) const {
    KSelectionList list;
    if (!KGlobal::getActiveSelectionList(list) || list.length() != 1) return false;
    KDagPath path;
    if (!list.getDagPath(0, path)) return false;
    selected = path;
    if (!path.extendToShape() || !path.hasFn(KFn::kMesh)) return false;
    mesh.path = path;
    mesh.name = KFnDependencyNode(path.node()).name().str();
    mesh.inclusiveMatrix = path.inclusiveMatrix();
    return true;
}

void StrokeContext::reportBackface() {
    StrokeMesh mesh;
    KDagPath selected;
    if (!readSelectedMesh(mesh, selected)) return;
    int bck = 0;
    KGlobal::executeCommand(KString("getAttr " + mesh.name + ".bck"), bck);
    KGlobal::displayInfo(KString(backfaceReportText(m_profile, bck)));
}

void StrokeContext::reselectMesh() {
    if (!m_hasMesh) return;
    KSelectionList list;
    list.add(m_selectedPath);
    KGlobal::setActiveSelectionList(list, KGlobal::kReplaceList);
}

KStatus StrokeContext::doPress(KEvent& event) {
    ScreenPoint at;
    event.getPosition(at.x, at.y);
    const bool shift = event.isModifierShift();
    m_view = K3dView::active3dView();
    if (!m_glBegun) m_glBegun = bool(m_view.beginGL());
    if (m_glBegun && !m_overlayBegun) m_overlayBegun = bool(m_view.beginOverlayDrawing());

    // A single selected mesh makes this a stroke; anything else a marquee.
    m_marquee = true;
    StrokeMesh mesh;
    KDagPath selected;
    if (readSelectedMesh(mesh, selected)) {
        m_mesh = mesh;
        m_selectedPath = selected;
        m_hasMesh = true;
        KGlobal::executeCommand(KString("getAttr " + m_mesh.name + ".bck"), m_bck);
        KGlobal::setComponentSelectionMask(KSelectionMask(KSelectionMask::kSelectMeshEdges));
        KGlobal::setSelectionMode(KGlobal::kSelectComponentMode);
        KGlobal::executeCommand("hilite;");
        m_marquee = false;
    } else {
        m_hasMesh = false;
    }

    // A press continuing an open Line-mode stroke adds nothing.
    if (m_lineMode) {
        m_lineMode = shift;
        if (!m_lineMode)
            KGlobal::displayInfo(
                KString(std::string("\"") + m_profile.lineModeWords + "\" ended."));
        return KStatus();
    }

    ScreenPoint first = at;
    if (m_marquee) {
        m_lineMode = false;
        onMarqueePress();
        setCursor(KCursor::defaultCursor);
        beginMarquee(event);
    } else {
        m_lineMode = shift;
        if (m_lineMode) KGlobal::displayInfo(KString(lineModeInvokedText(m_profile)));
        onStrokePress(event, first);
    }

    m_samples.assign(1, first);
    m_segmentEdges.clear();
    onSample(first, false);
    afterFirstSample(event);
    lockCamera();
    readOptions();
    afterOptions(event);
    return KStatus();
}

KStatus StrokeContext::doDrag(KEvent& event) {
    ScreenPoint at;
    event.getPosition(at.x, at.y);
    if (m_samples.empty()) return KStatus();  // no press started a gesture
    if (m_marquee) {
        m_samples.resize(2, m_samples.front());
        dragMarquee(event);
        return KStatus();
    }
    beforeDragSample(event);
    const int threshold = m_lineMode ? 1 : std::max(1, minSampleSize());
    const ScreenPoint last = m_samples.back();
    if (std::abs(at.x - last.x) + 1 >= threshold || std::abs(at.y - last.y) + 1 >= threshold)
        addSample(at);
    return KStatus();
}

KStatus StrokeContext::doHold(KEvent&) {
    if (m_lineMode) {
        drawOverlay();
        KGlobal::displayInfo(KString(lineModeInvokedText(m_profile)));
    }
    return KStatus();
}

void StrokeContext::addSample(ScreenPoint at) {
    const bool moved = m_lineMode && m_samples.size() > 1;
    if (moved)
        m_samples.back() = at;
    else
        m_samples.push_back(at);
    onSample(at, moved);
    drawOverlay();
    const std::size_t n = m_samples.size();
    if (n < 2) return;

    // The segment's rectangle, one pixel larger on each side.
    const ScreenPoint a = m_samples[n - 2], b = m_samples[n - 1];
    const short rx0 = a.x <= b.x ? a.x - 1 : a.x + 1;
    const short rx1 = a.x <= b.x ? b.x + 1 : b.x - 1;
    const short ry0 = a.y < b.y ? a.y - 1 : a.y + 1;
    const short ry1 = a.y < b.y ? b.y + 1 : b.y - 1;
    KGlobal::selectFromScreen(rx0, ry0, rx1, ry1, KGlobal::kReplaceList,
                              KGlobal::kWireframeSelectMethod);

    const int segment = int(n) - 2;
    KObject edges;
    if (segmentTakesSelection(segment)) {
        KSelectionList list;
        KDagPath path;
        if (KGlobal::getActiveSelectionList(list) && list.length() > 0)
            list.getDagPath(0, path, edges);
    }
    const bool replaced = int(m_segmentEdges.size()) > segment;
    m_segmentEdges.resize(std::size_t(segment) + 1);
    m_segmentEdges[std::size_t(segment)] = edges;
    onSegment(segment, replaced);
}

std::vector<StrokeSegment> StrokeContext::segments() const {
    std::vector<StrokeSegment> out;
    for (std::size_t i = 0; i + 1 < m_samples.size() && i < m_segmentEdges.size(); ++i)
        out.push_back({m_samples[i], m_samples[i + 1], m_segmentEdges[i], false});
    return out;
}

KStatus StrokeContext::doRelease(KEvent& event) {
    ScreenPoint at;
    event.getPosition(at.x, at.y);
    const bool ctrl = event.isModifierControl();
    const bool shiftOnly = event.isModifierShift() && !ctrl && !event.isModifierAlt();
    const KEvent::MouseButtonType button = event.mouseButton();

    // Shift keeps the stroke open: the release point ends this segment and starts the next.
    if (shiftOnly && !m_marquee && m_hasMesh && !m_samples.empty()) {
        m_lineMode = false;
        addSample(at);
        reselectMesh();
        m_lineMode = true;
        KGlobal::displayInfo(KString(lineModeInvokedText(m_profile)));
        if (m_glBegun) m_view.clearOverlayPlane();
        endDrawing();
        return KStatus();
    }
    if (m_lineMode) {
        m_lineMode = false;
        addSample(at);
    }

    const int count = releasedSampleCount();
    if (count == 1) {
        // A click: toggle back-face culling, show vertices, or pick a mesh.
        if (m_marquee) {
            short top = 0, left = 0, bottom = 0, right = 0;
            releaseMarquee(event, top, left, bottom, right);
        } else {
            reselectMesh();
        }
        if (ctrl && button == KEvent::kLeftMouse && m_hasMesh) {
            m_bck = m_bck == 3 ? 0 : 3;
            KGlobal::executeCommand(
                KString("setAttr " + m_mesh.name + ".bck " + std::to_string(m_bck)));
            reportBackface();
        } else if (ctrl && button == KEvent::kMiddleMouse) {
            KGlobal::executeCommand("polyOptions -r -dv true");
        } else if (!ctrl) {
            KGlobal::setObjectSelectionMask(KSelectionMask(KSelectionMask::kSelectMeshes));
            KGlobal::setSelectionMode(KGlobal::kSelectObjectMode);
            KGlobal::selectFromScreen(at.x, at.y, KGlobal::kReplaceList,
                                      KGlobal::kWireframeSelectMethod);
        }
        setCursor(KCursor::pencilCursor);
    } else if (count > 1 && m_marquee) {
        short top = 0, left = 0, bottom = 0, right = 0;
        releaseMarquee(event, top, left, bottom, right);
        setCursor(KCursor::pencilCursor);
        KGlobal::setObjectSelectionMask(KSelectionMask(KSelectionMask::kSelectMeshes));
        KGlobal::setSelectionMode(KGlobal::kSelectObjectMode);
        KGlobal::selectFromScreen(left, bottom, right, top, KGlobal::kReplaceList,
                                  KGlobal::kWireframeSelectMethod);
        KSelectionList list;
        if (KGlobal::getActiveSelectionList(list) && list.length() >= 2)
            KGlobal::displayWarning(KString(marqueeWarningText(m_profile)));
    } else if (count > 1 && m_hasMesh) {
        releaseStroke(event);
    }
    cleanup();
    return KStatus();
}

void StrokeContext::drawOverlay() {
    if (!m_glBegun) return;
    // Note: the whole strip is drawn anew, so a Line-mode end that moved leaves no trail.
    m_view.clearOverlayPlane();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluOrtho2D(0.0, m_view.portWidth(), 0.0, m_view.portHeight());
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0.375f, 0.375f, 0.0f);
    glLineWidth(1.0f);
    glIndexi(2);
    glBegin(GL_LINE_STRIP);
    for (const ScreenPoint& p : m_samples) glVertex2i(p.x, p.y);
    glEnd();
    if (m_lineMode) m_view.swapBuffers();
    // The plane is read between events (captures), so finish the drawing now.
    glFinish();
}

void StrokeContext::lockCamera() {
    KDagPath camera;
    if (!m_view.getCamera(camera)) return;  // the view's automatic camera has no channels
    KFnDependencyNode transform(camera.transform());
    const std::string name = transform.name().str();
    if (name != m_cameraTransform) {
        unlockCamera();
        m_cameraTransform = name;
    }
    const bool lockTranslate = !m_lockedTranslate && !transform.findPlug("translate").isLocked();
    const bool lockRotate = !m_lockedRotate && !transform.findPlug("rotate").isLocked();
    std::string text;
    if (lockTranslate) text += "setAttr -lock 1 " + name + ".translate;";
    if (lockRotate)
        text += std::string(text.empty() ? "" : " ") + "setAttr -lock 1 " + name + ".rotate";
    if (text.empty() || !KGlobal::executeCommand(KString(text))) return;
    m_lockedTranslate |= lockTranslate;
    m_lockedRotate |= lockRotate;
}

void StrokeContext::unlockCamera() {
    if (!m_lockedTranslate && !m_lockedRotate) return;
    const std::string& name = m_cameraTransform;
    std::string text;
    if (m_lockedTranslate) text += "setAttr -lock 0 " + name + ".translate;";
    if (m_lockedRotate)
        text += std::string(text.empty() ? "" : " ") + "setAttr -lock 0 " + name + ".rotate";
    KGlobal::executeCommand(KString(text));
    m_lockedTranslate = m_lockedRotate = false;
}

void StrokeContext::endDrawing() {
    if (m_overlayBegun) m_view.endOverlayDrawing();
    if (m_glBegun) m_view.endGL();
    m_overlayBegun = m_glBegun = false;
}

void StrokeContext::cleanup() {
    if (m_glBegun) m_view.clearOverlayPlane();
    endDrawing();
    m_samples.clear();
    m_segmentEdges.clear();
    m_lineMode = false;
    onCleanup();
    unlockCamera();
}

}  // namespace stroke
