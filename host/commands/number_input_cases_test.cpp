// Numbers users give commands: NaN and the infinities are refused by every command that takes
// numbers (through its declared arguments or by reading words itself), with one message naming
// the command, where the number stood and the value; whole numbers an int attribute cannot hold
// are refused by every writer; and contradictory flags are refused. Each refusal changes
// nothing.

#include <nlohmann/json.hpp>

#include <cstdlib>

#include "host/commands/command_test_support.h"

namespace tarn::commands::testing {
namespace {

// Tests never touch the user's own preferences.
const bool kPrefsRedirected = [] {
    if (!std::getenv("TARN_PREFS"))
        setenv("TARN_PREFS", (::testing::TempDir() + "tcmd_numbers_prefs").c_str(), 1);
    return true;
}();

class NumberInputCases : public CommandTest {
protected:
    void SetUp() override {
        CommandTest::SetUp();
        ASSERT_EQ(
            eval("polyCube -n box; polyPlane -n grid -sx 2 -sy 2; createNode probe -n p1; "
                 "shadingNode -asTexture file -n tex; createNode shadingEngine -n sg1; select -cl"),
            "");
        undo::undoQueue().clear();
    }
};

TEST_F(NumberInputCases, NonFiniteNumbersAreRefusedByEveryCommand) {
    expectRejected({
        {"mesh offset", "polyMoveVertex -t nan 0 0 box.vtx[0]",
         "polyMoveVertex: flag '-t' takes finite numbers, not 'nan'."},
        {"split face point", "polySplit -fp 0 nan 0 0 -fp 0 0 0 0 box",
         "polySplit: flag '-fp' takes finite numbers, not 'nan'."},
        {"split edge point", "polySplit -ep 0 inf -ep 4 0.5 box",
         "polySplit: flag '-ep' takes finite numbers, not 'inf'."},
        {"merge distance", "polyMergeVertex -d nan box.vtx[0:7]",
         "polyMergeVertex: flag '-d' takes finite numbers, not 'nan'."},
        {"subdivision size", "polySubdivideEdge -s nan box.e[0]",
         "polySubdivideEdge: flag '-s' takes finite numbers, not 'nan'."},
        {"projection", "viewProject nan 0 0", "viewProject: argument 1 takes finite numbers"},
        {"curve point", "curve -d 1 -p nan 0 0 -p 1 0 0",
         "curve: flag '-p' takes finite numbers, not 'nan'."},
        {"surface width", "nurbsPlane -w inf", "nurbsPlane: flag '-w' takes finite numbers"},
        {"component move", "move -r nan 0 0 box.vtx[0]",
         "move: argument 1 takes finite numbers, not 'nan'."},
        {"object move", "move 0 0 -inf box", "move: argument 3 takes finite numbers, not '-inf'."},
        {"computed infinity", "rotate 0 (1e308 * 10) 0 box",
         "rotate: argument 2 takes finite numbers, not 'inf'."},
        {"scale", "scale 1 Infinity 1 box", "scale: argument 2 takes finite numbers"},
        {"xform", "xform -t 0 inf 0 box", "xform: flag '-t' takes finite numbers, not 'inf'."},
        {"setAttr", "setAttr box.translateX nan", "takes finite numbers, not 'nan'"},
        {"setAttr beyond float", "setAttr p1.passive 1e39", "takes finite numbers, not '1e+39'"},
        {"camera", "camera -fl nan", "camera: flag '-fl' takes finite numbers"},
        {"texture sample", "sampleTexture -uv 0.5 nan tex",
         "sampleTexture: flag '-uv' takes finite numbers, not 'nan'."},
        {"option variable", "optionVar -fv width nan", "optionVar: flag '-fv' takes finite"},
    });
    EXPECT_EQ(eval("optionVar -exists width"), "0");
}

TEST_F(NumberInputCases, WholeNumbersAnIntAttributeCannotHoldAreRefused) {
    eval("setAttr sg1.memberWireframeColor 7");
    undo::undoQueue().clear();
    expectRejected({
        {"above", "setAttr sg1.memberWireframeColor 3000000000",
         "setAttr: sg1.memberWireframeColor holds whole numbers from -2147483648 to 2147483647, "
         "not 3000000000"},
        {"below", "setAttr sg1.mwc -2147483649", "not -2147483649"},
        {"far beyond", "setAttr sg1.mwc 1e20", "not 1e+20"},
        {"enum", "setAttr p1.mode 1e12", "holds whole numbers from -2147483648"},
    });
    EXPECT_EQ(eval("getAttr sg1.mwc"), "7");
    // The ends of the range are held exactly.
    EXPECT_EQ(eval("setAttr sg1.mwc 2147483647; getAttr sg1.mwc"), "2147483647");
    EXPECT_EQ(eval("setAttr sg1.mwc -2147483648; getAttr sg1.mwc"), "-2147483648");
}

TEST_F(NumberInputCases, ComponentConversionTakesOneTargetKind) {
    expectRejected({
        {"two targets", "polyListComponentConversion -tv -te box.e[0]",
         "converts to one kind at a time"},
        {"three targets", "polyListComponentConversion -fe -tv -te -tf box.e[0]",
         "give one of -tv, -te and -tf"},
    });
    EXPECT_EQ(eval("polyListComponentConversion -tv box.e[0]"), "box.vtx[0:1]");
}

}  // namespace
}  // namespace tarn::commands::testing
