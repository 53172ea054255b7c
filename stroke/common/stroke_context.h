#pragma once
/// The tool context both stroke tools are built on: set-up and clean-up (selection mode and
/// masks saved and restored, global back-face display), the stroke gesture (press, drag, hold,
/// release; marquee selection, clicks, "Line mode" with Shift), the samples and the edges picked
/// under each segment, the overlay line strip, the camera lock and the back-face report. A tool
/// derives from it and adds its options and its action on release. Main thread only; every
/// event answers success (a failing host command does not stop the tool).

#include <string>
#include <vector>

#include "frame/host_sdk.h"
#include "stroke/common/stroke_record.h"
#include "stroke/common/stroke_sampling.h"

namespace stroke {

/// What differs between the tools in the shared part: identity and message words.
struct ToolProfile {
    const char* title;
    const char* image;
    const char* className;
    const char* help;
    const char* lineModeWords;       ///< "Line mode" or "Line Mode"
    const char* verb;                ///< "split" or "reduced", in the back-face and marquee texts
    const char* autoBackfaceOption;  ///< the AutoBackfaceCulling option variable
};

/// "\"<words>\" invoked.  Please continue pressing and dragging to place the new segment's
/// endpoint."
std::string lineModeInvokedText(const ToolProfile& profile);
/// The back-face report for a "bck" value (3 means on).
std::string backfaceReportText(const ToolProfile& profile, int bck);
/// The warning when a marquee leaves two or more objects selected.
std::string marqueeWarningText(const ToolProfile& profile);

class StrokeContext : public KPxContext {
public:
    explicit StrokeContext(const ToolProfile& profile);
    ~StrokeContext() override;

    void toolOnSetup(KEvent& event) override;
    void toolOffCleanup() override;
    KStatus doPress(KEvent& event) override;
    KStatus doDrag(KEvent& event) override;
    KStatus doHold(KEvent& event) override;
    KStatus doRelease(KEvent& event) override;
    void deleteAction() override;
    void completeAction() override;
    void abortAction() override;
    void getClassName(KString& name) const override;

protected:
    // Tool hooks, in the order the gesture meets them.
    /// Set-up, after the selection state was saved and before the back-face report.
    virtual void onSetup() {}
    /// Clean-up, after the selection mode and mask were restored.
    virtual void onExit() {}
    /// A stroke press over the mesh (not a marquee, not a Line-mode continuation), before the
    /// first sample is placed: may move the first sample (a start snapped to a vertex).
    virtual void onStrokePress(KEvent& /*event*/, ScreenPoint& /*first*/) {}
    /// A marquee press.
    virtual void onMarqueePress() {}
    /// After the first sample was placed (sample count 1).
    virtual void afterFirstSample(KEvent& /*event*/) {}
    /// Reads the tool's option variables (every press that starts a gesture).
    virtual void readOptions() = 0;
    /// After the options were read.
    virtual void afterOptions(KEvent& /*event*/) {}
    /// The minimum drag distance between samples, in pixels (at least 1).
    virtual int minSampleSize() const = 0;
    /// A drag of a stroke (not a marquee), before the sample test.
    virtual void beforeDragSample(KEvent& /*event*/) {}
    /// A sample was appended (`moved` false) or the last one moved in Line mode (true).
    virtual void onSample(ScreenPoint /*at*/, bool /*moved*/) {}
    /// Whether the segment ending at the newest sample takes the picked edges.
    virtual bool segmentTakesSelection(int /*segment*/) const { return true; }
    /// A segment's edges were stored (`replaced` in Line mode).
    virtual void onSegment(int /*segment*/, bool /*replaced*/) {}
    /// The number of samples the release counts (a tool may count a snapped start as one).
    virtual int releasedSampleCount() const { return int(m_samples.size()); }
    /// The tool's action for a released stroke over the mesh.
    virtual void releaseStroke(KEvent& event) = 0;
    /// End of a stroke: the tool clears its own arrays.
    virtual void onCleanup() {}

    // For the tools.
    /// Appends a sample (or, in Line mode past the first, moves the last), redraws the overlay
    /// and stores the edges picked under the new segment.
    void addSample(ScreenPoint at);
    /// Selects the stroke's mesh again (replacing the selection).
    void reselectMesh();
    /// The segments drawn so far, with their end samples and picked edges.
    std::vector<StrokeSegment> segments() const;
    /// Clears the overlay, ends GL (only what the stroke began), frees the stroke and unlocks
    /// the camera channels the stroke locked.
    void cleanup();

    const ToolProfile& profile() const { return m_profile; }
    K3dView& view() { return m_view; }
    bool hasMesh() const { return m_hasMesh; }
    const StrokeMesh& mesh() const { return m_mesh; }
    bool lineMode() const { return m_lineMode; }
    void setLineMode(bool on) { m_lineMode = on; }
    const std::vector<ScreenPoint>& samples() const { return m_samples; }

private:
    bool readSelectedMesh(StrokeMesh& mesh, KDagPath& selected) const;
    void reportBackface();
    void drawOverlay();
    void lockCamera();
    void unlockCamera();
    void endDrawing();

    const ToolProfile& m_profile;
    K3dView m_view;
    std::vector<ScreenPoint> m_samples;
    std::vector<KObject> m_segmentEdges;
    StrokeMesh m_mesh;
    KDagPath m_selectedPath;  ///< the mesh as the user selected it (transform or shape)
    bool m_hasMesh = false;
    int m_bck = 0;
    bool m_marquee = false;
    bool m_lineMode = false;
    bool m_glBegun = false;
    bool m_overlayBegun = false;
    // The camera channels this stroke locked (a user's own locks are left alone).
    std::string m_cameraTransform;
    bool m_lockedTranslate = false, m_lockedRotate = false;
    // Selection state saved at set-up.
    KGlobal::SelectionMode m_savedMode = KGlobal::kSelectObjectMode;
    KSelectionMask m_savedMask;
};

}  // namespace stroke
