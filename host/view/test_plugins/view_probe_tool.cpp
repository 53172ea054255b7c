// A probe tool context for the view tests. It reports every call the host makes into it as an
// info line ("probe press 10 20 left shift"), draws its stroke into the overlay with its own
// OpenGL and GLU calls, and on release makes a degree-1 curve through the world near points of
// its samples, so a replayed session can be compared by its scene; with Ctrl, the release also
// selects from the screen over the stroke's ends.

#include <GL/gl.h>
#include <GL/glu.h>

#include <string>
#include <vector>

#include "frame/host_sdk.h"
#include "frame/plugin_entry.h"

namespace {

std::string describe(const char* what, KEvent& event) {
    short x = 0, y = 0;
    event.getPosition(x, y);
    std::string text =
        std::string("probe ") + what + " " + std::to_string(x) + " " + std::to_string(y);
    switch (event.mouseButton()) {
        case KEvent::kLeftMouse:
            text += " left";
            break;
        case KEvent::kMiddleMouse:
            text += " middle";
            break;
        default:
            text += " right";
            break;
    }
    if (event.isModifierShift()) text += " shift";
    if (event.isModifierControl()) text += " ctrl";
    return text;
}

class ProbeTool : public KPxContext {
public:
    ProbeTool() {
        setTitleString("View Probe Tool");
        setImage("viewProbe.xpm", kImage1);
        setCursor(KCursor::pencilCursor);
    }
    void toolOnSetup(KEvent&) override {
        setHelpString("drag to draw a probe stroke");
        KGlobal::displayInfo("probe setup");
    }
    void toolOffCleanup() override { KGlobal::displayInfo("probe cleanup"); }
    KStatus doPress(KEvent& event) override {
        KGlobal::displayInfo(describe("press", event).c_str());
        m_view = K3dView::active3dView();
        m_points.clear();
        m_near.clear();
        m_view.beginGL();
        m_view.clearOverlayPlane();
        m_view.endGL();
        add(event);
        return KStatus();
    }
    KStatus doDrag(KEvent& event) override {
        KGlobal::displayInfo(describe("drag", event).c_str());
        add(event);
        return KStatus();
    }
    KStatus doHold(KEvent& event) override {
        KGlobal::displayInfo(describe("hold", event).c_str());
        return KStatus();
    }
    KStatus doRelease(KEvent& event) override {
        KGlobal::displayInfo(describe("release", event).c_str());
        // With Ctrl, the stroke's first and last samples span a selection rectangle, as the
        // stroke tools pick the edges under each segment.
        if (event.isModifierControl() && !m_points.empty())
            KGlobal::selectFromScreen(m_points.front().first, m_points.front().second,
                                      m_points.back().first, m_points.back().second,
                                      KGlobal::kReplaceList, KGlobal::kWireframeSelectMethod);
        if (m_near.length() >= 2) {
            KDoubleArray knots;
            for (unsigned i = 0; i < m_near.length(); ++i) knots.append(i);
            KFnNurbsCurve curve;
            KStatus status;
            curve.create(m_near, knots, 1, KFnNurbsCurve::kOpen, false, false, KObject::kNullObj,
                         &status);
            if (!status) KGlobal::displayError("probe: the stroke curve was not made");
        }
        return KStatus();
    }
    void completeAction() override { KGlobal::executeCommand("setToolTo $gSelect"); }
    void abortAction() override { KGlobal::executeCommand("setToolTo $gSelect"); }
    void deleteAction() override { KGlobal::displayInfo("probe delete"); }
    void getClassName(KString& name) const override { name = "viewProbe"; }

private:
    void add(KEvent& event) {
        short x = 0, y = 0;
        event.getPosition(x, y);
        m_points.push_back({x, y});
        KPoint nearPt;
        KVector direction;
        m_view.viewToWorld(x, y, nearPt, direction);
        m_near.append(nearPt);
        draw();
    }
    // The stroke as a line strip in colour index 2, one pixel wide, as the stroke tools draw it.
    void draw() {
        m_view.beginGL();
        m_view.beginOverlayDrawing();
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluOrtho2D(0.0, m_view.portWidth(), 0.0, m_view.portHeight());
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glTranslatef(0.375f, 0.375f, 0.0f);
        glLineWidth(1.0f);
        glIndexi(2);
        glBegin(GL_LINE_STRIP);
        for (const auto& p : m_points) glVertex2i(p.first, p.second);
        glEnd();
        m_view.endOverlayDrawing();
        m_view.swapBuffers();
        m_view.endGL();
    }

    K3dView m_view;
    std::vector<std::pair<short, short>> m_points;
    KPointArray m_near;
};

class ProbeToolCommand : public KPxContextCommand {
public:
    static void* creator() { return new ProbeToolCommand; }
    KPxContext* makeObj() override { return new ProbeTool; }
    KStatus doEditFlags() override {
        int exists = 0;
        KGlobal::executeCommand("contextInfo -ex viewProbeContext1", exists);
        KGlobal::displayInfo(exists ? "probe edit 1" : "probe edit 0");
        return KStatus();
    }
};

}  // namespace

TARN_DEFINE_API_VERSION

static const kframe::ContextPluginRow kRow{"Quill|Ridgeline Support Plugin", "4.0",
                                           "viewProbeContext", ProbeToolCommand::creator};

TARN_PLUGIN_ENTRY KStatus initializePlugin(KObject plugin) {
    return kframe::registerContextPlugin(plugin, kRow);
}
TARN_PLUGIN_ENTRY KStatus uninitializePlugin(KObject plugin) {
    return kframe::deregisterContextPlugin(plugin, kRow);
}
