#pragma once
/// slicePen's tool context ("drawSplit") and its context command (`drawSplitContextCmd`,
/// registered as "slicePenContext"): the shared stroke capture plus world samples, starts and
/// ends snapped to vertices (Ctrl), and the split on release (stroke::runSplit).

#include <span>
#include <string>
#include <vector>

#include "frame/host_sdk.h"
#include "stroke/common/stroke_context.h"
#include "stroke/common/stroke_options.h"
#include "stroke/split/split_action.h"

namespace stroke {

/// slicePen's option variables, in the order of the defaults text.
std::span<const OptionVar> splitOptionVars();
/// slicePen's tool-property sheet: one row per option variable, in the table's order, each
/// naming the control the edit hook refreshes.
std::span<const KToolProperty> splitToolProperties();
/// The texts the edit hook runs when "slicePenContext1" exists: the defaults and two control
/// strings (the second from the edge-snapping check box on).
std::vector<std::string> splitEditHookTexts();

class drawSplitContext : public StrokeContext {
public:
    drawSplitContext();

protected:
    void onSetup() override { m_vertices.reset(); }
    void onExit() override;
    void onStrokePress(KEvent& event, ScreenPoint& first) override;
    void onMarqueePress() override { m_ctrl = false; }
    void afterFirstSample(KEvent& event) override;
    void readOptions() override;
    int minSampleSize() const override { return m_minSampleSize; }
    void onSample(ScreenPoint at, bool moved) override;
    bool segmentTakesSelection(int segment) const override;
    int releasedSampleCount() const override;
    void releaseStroke(KEvent& event) override;
    void onCleanup() override;

private:
    bool snapCrossing(const VertexSnap& snap, double position, Crossings& out) const;

    int m_minSampleSize = 25;
    SplitOptions m_options;
    int m_snappingType = 1;
    double m_snappingOffset = 0.5;
    int m_snappingIntervals = 2;
    bool m_ctrl = false;  ///< Ctrl held at the press of a stroke over the mesh
    StrokeRecord m_record;
    NewVertexBookkeeping m_vertices;
};

class drawSplitContextCmd : public KPxContextCommand {
public:
    static void* creator() { return new drawSplitContextCmd; }
    KPxContext* makeObj() override { return new drawSplitContext; }
    KStatus doEditFlags() override;
};

}  // namespace stroke
