#pragma once
/// thinPen's tool context ("drawReduce") and its context command (`drawReduceContextCmd`,
/// registered as "thinPenContext"): the shared stroke capture plus Ctrl-snapping per segment and
/// the reduction on release.

#include <span>
#include <string>
#include <vector>

#include "frame/host_sdk.h"
#include "stroke/common/stroke_context.h"
#include "stroke/common/stroke_options.h"

namespace stroke {

/// thinPen's option variables, in the order of the defaults text and of the reading at press.
std::span<const OptionVar> reduceOptionVars();
/// thinPen's tool-property sheet: one row per option variable, in the table's order, each
/// naming the control the edit hook refreshes.
std::span<const KToolProperty> reduceToolProperties();
/// The texts the edit hook runs when "thinPenContext1" exists: the defaults, then the controls.
std::vector<std::string> reduceEditHookTexts();

inline constexpr const char* kSnapOnText =
    "\"Edge-Snapping\" turned *ON* for next edges drawn over.";
inline constexpr const char* kSnapOffText =
    "\"Edge-Snapping\" turned *OFF* for next edges drawn over.";
inline constexpr const char* kReduceFailedText = "Reduction failed to compute!  Please try again.";

class drawReduceContext : public StrokeContext {
public:
    drawReduceContext();

protected:
    void readOptions() override;
    void afterOptions(KEvent& event) override;
    int minSampleSize() const override { return m_minSampleSize; }
    void beforeDragSample(KEvent& event) override;
    void onSegment(int segment, bool replaced) override;
    void releaseStroke(KEvent& event) override;
    void onCleanup() override { m_segmentSnaps.clear(); }

private:
    int m_minSampleSize = 25;
    int m_reductionType = 1;
    int m_mergeVerticesAt = 1;
    int m_snappingWhen = 1;
    SnapSettings m_snap;
    bool m_snapping = false;           ///< Ctrl-snapping on for the segments drawn now
    std::vector<bool> m_segmentSnaps;  ///< per segment: drawn with Ctrl-snapping on
};

class drawReduceContextCmd : public KPxContextCommand {
public:
    static void* creator() { return new drawReduceContextCmd; }
    KPxContext* makeObj() override { return new drawReduceContext; }
    KStatus doEditFlags() override;
};

}  // namespace stroke
