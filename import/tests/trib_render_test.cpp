#include "import/trib_render.h"

#include <gtest/gtest.h>

#include <functional>

#include "call_log_render.h"
#include "import/ri_trace.h"

using Lines = std::vector<std::string>;

namespace {

Lines play(int frame = 0) {
    CallLogRender r;
    r.play(riListHead(), frame);
    return r.calls;
}

std::string stderrOf(const std::function<void()>& f) {
    testing::internal::CaptureStderr();
    f();
    return testing::internal::GetCapturedStderr();
}

}  // namespace

TEST(TraceLines, UnrecordedCallsWriteOneLineEach) {
    RiBegin(nullptr);
    const float bound[6] = {0, 1, 0, 1, 0, 1};
    const struct {
        std::function<void()> call;
        const char* line;
    } cases[] = {
        {[] { RiFormat(640, 480, 1.5f); }, "### RiFormat (640, 480, 1.5)\n"},
        {[] { RiDeclare("Kr", "uniform float"); }, "### RiDeclare (Kr, uniform float)\n"},
        {[] { RiPixelFilter(RiGaussianFilter, 2, 2); }, "### RiPixelFilter (filterfunc, 2, 2)\n"},
        {[] { RiMakeBump("a.tif", "a.tx", "periodic", "clamp", RiBoxFilter, 1, 1, nullptr); },
         "### RiMakeBump (a.tif, a.tx, periodic, clamp, filterfunc, 1, 1)\n"},
        {[] { RiMakeTextureV("p", "t", "black", "black", RiBoxFilter, 1, 1, 0, nullptr, nullptr); },
         "### RiMakeTextureV (p, t, black, black, filterfunc, 1, 1, 0)\n"},
        {[] { RiMakeShadow("d.z", "s.tx", nullptr); }, "### RiMakeShadow (d.z, s.tx)\n"},
        {[] { RiSurfaceV("matte", 0, nullptr, nullptr); }, "### RiSurfaceV (matte, 0)\n"},
        {[] { RiLightSourceV("spotlight", 2, nullptr, nullptr); },
         "### RiLightSourceV (spotlight, 2)\n"},
        {[] { RiProjectionV("perspective", 1, nullptr, nullptr); },
         "### RiProjectionV (perspective, 1)\n"},
        {[] { RiAttributeV("identifier", 1, nullptr, nullptr); },
         "### RiAttributeV (identifier, 1)\n"},
        {[] { RiQuantize("rgba", 255, 0, 255, 0.5f); },
         "### RiQuantize (rgba, 255, 0, 255, 0.5)\n"},
        {[] { RiDisplay("out.tif", "file", "rgba", nullptr); },
         "### RiDisplay (out.tif, file, rgba)\n"},
        {[] { RiIlluminate(3, 1); }, "### RiIlluminate (3, 1)\n"},
        {[] { RiParaboloid(1, 0, 2, 360, nullptr); }, "### RiParaboloid (1, 0, 2, 360)\n"},
        {[] { RiGeometricApproximation("flatness", 0.25f); },
         "### RiGeometricApproximation (flatness, 0.25)\n"},
        {[] { RiMotionBegin(2, 0.0, 1.0); }, "### RiMotionBegin (2)\n"},
        {[] { RiOption("searchpath", nullptr); }, "### RiOption (searchpath)\n"},
        {[] { RiProcedural(); }, "### RiProcedural ()\n"},
        {[&] { RiBound(bound); }, "### RiBound ()\n"},
        {[&] { RiDetail(bound); }, "### RiDetail ()\n"},
    };
    for (const auto& c : cases) EXPECT_EQ(stderrOf(c.call), c.line);
    // Nothing of the above is recorded.
    EXPECT_EQ(play(), (Lines{"begin \"\""}));
    riResetRecorder();
}

TEST(Player, TraceLinesForCallsKnownOnlyByName) {
    const struct {
        int16_t type;
        const char* line;
    } cases[] = {
        {kDeclareID, "### kDeclareID\n"},
        {kFormatID, "### kFormatID\n"},
        {kPixelFilterID, "### kPixelFilterID\n"},
        {kOptionID, "### kOptionID\n"},
        {kBoundID, "### kBoundID\n"},
        {kBasisID, "### kBasisID\n"},
        {kGeometricApproximationID, "### kGeometricApproximationID\n"},
        {kMakeCubeFaceEnvironmentID, "### kMakeCubeFaceEnvironmentID\n"},
        {kArchiveRecordID, "### kArchiveRecordID\n"},
        {kMotionEndID, "### kMotionEndID\n"},
        {103, ""},
        {200, ""},
        {-1, ""},
    };
    for (const auto& c : cases) {
        RiBegin(nullptr);
        riRecord(c.type, nullptr);
        RiEnd();
        Lines calls;
        EXPECT_EQ(stderrOf([&] { calls = play(); }), c.line) << c.type;
        EXPECT_EQ(calls, (Lines{"begin \"\"", "end"})) << "play continues after " << c.type;
    }
    riResetRecorder();
}

TEST(Player, CallsWithoutDataAreSkippedButBareCallsPlay) {
    RiBegin(nullptr);
    riRecord(kTranslateID, nullptr);
    riRecord(kColorID, nullptr);
    riRecord(kAttributeBeginID, nullptr);
    riRecord(kWorldBeginID, nullptr);
    EXPECT_EQ(play(), (Lines{"begin \"\"", "attributeBegin", "worldBegin"}));
    riResetRecorder();
}

TEST(Player, FilterFunctionsRecordAndPlay) {
    RiBegin(nullptr);
    EXPECT_EQ(RiGaussianFilter(1, 2, 3, 4), 0.0f);
    EXPECT_EQ(RiBSplineFilter(5, 6, 7, 8), 0.0f);
    EXPECT_EQ(RiBoxFilter(0, 0, 1, 1), 0.0f);  // played into the base: nothing logged
    EXPECT_EQ(play(), (Lines{"begin \"\"", "gaussian 1 2 3 4", "b-spline 5 6 7 8"}));
    EXPECT_EQ(riListTail()->type, kBoxFilterID);
    const struct {
        RtFilterFunc f;
        const char* name;
    } names[] = {{RiGaussianFilter, "gaussian"},
                 {RiBoxFilter, "box"},
                 {RiTriangleFilter, "triangle"},
                 {RiCatmullRomFilter, "catmull-rom"},
                 {RiSincFilter, "sinc"},
                 {RiBSplineFilter, "b-spline"},
                 {nullptr, "box"}};
    for (const auto& n : names) EXPECT_STREQ(riFilterName(n.f), n.name);
    riResetRecorder();
}

TEST(Player, AnimatedChannelsEvaluateAtFrameOver30) {
    RiBegin(nullptr);
    auto* keys = new RtKeyList;
    keys->channel = 1;  // translate y
    keys->times = {0, 2};
    keys->values = {0, 10};
    RiAnimatedChannel(keys);
    auto* rot = new RtKeyList;
    rot->channel = 5;
    rot->times = {0};
    rot->values = {90};
    RiAnimatedChannel(rot);
    EXPECT_EQ(play(30), (Lines{"begin \"\"", "translate 0 5 0", "rotate 90 0 0 1"}));
    EXPECT_EQ(play(120), (Lines{"begin \"\"", "translate 0 10 0", "rotate 90 0 0 1"}));
    riResetRecorder();
}

TEST(Player, CameraBecomesCurrentAndPlaysAsTransform) {
    RiBegin(nullptr);
    const float from[3] = {0, 0, -10}, to[3] = {0, 0, 0};
    RtCameraData* cam = RiCamera(from, to, 0);
    CallLogRender r;
    r.play(riListHead(), 0);
    EXPECT_EQ(r.currentCamera(), cam);
    // Looking down +z from (0, 0, -10): the view transform moves the eye to the origin.
    EXPECT_EQ(r.calls, (Lines{"begin \"\"", "transform 0 0 10"}));
    riResetRecorder();
}

TEST(Player, HandlesCountUp) {
    RiBegin(nullptr);
    RiLightSource("a", nullptr);
    RiLightSource("b", nullptr);
    RiObjectBegin();
    RiObjectEnd();
    RiObjectInstance(1);
    EXPECT_EQ(play(), (Lines{"begin \"\"", "lightSource a", "lightSource b", "objectBegin",
                             "objectEnd", "objectInstance 1"}));
    riResetRecorder();
}
