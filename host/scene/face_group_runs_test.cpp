// Per-face shading groups kept as runs: the run list against a plain per-face model, and the
// host's answers (membership, sets -q, undo and redo, deleted groups) built on it.

#include "host/scene/face_group_runs.h"

#include "host/scene/scene_test_support.h"

#include <string>
#include <vector>

#include "host/scene/dag.h"
#include "host/shading/shading_nodes.h"

namespace tarn::scene {
namespace {

using testing::SceneTest;
using Ints = std::vector<int>;
using Strings = std::vector<std::string>;

class FaceGroupRunsTest : public SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        for (const char* name : {"aSG", "bSG", "cSG"}) {
            run(std::string("sets -renderable true -noSurfaceShader true -empty -name ") + name);
            groups.push_back(std::static_pointer_cast<NodeImpl>(findNode(name).implPtr()));
        }
    }
    // A letter per face: 'a'..'c' for the groups above, '.' for none.
    std::string letters(const FaceGroupRuns& runs) {
        std::string out;
        for (const FaceGroupRuns::Run& r : runs.runs()) {
            char c = '.';
            for (size_t g = 0; g < groups.size(); ++g)
                if (sameGroup(r.group, groups[g])) c = static_cast<char>('a' + g);
            out.append(static_cast<size_t>(r.count), c);
        }
        return out;
    }
    std::weak_ptr<NodeImpl> group(char c) {
        return c == '.' ? std::weak_ptr<NodeImpl>() : groups[static_cast<size_t>(c - 'a')];
    }
    std::vector<std::shared_ptr<NodeImpl>> groups;
};

TEST_F(FaceGroupRunsTest, EditsMatchAPerFaceModel) {
    struct Step {
        char group;
        Ints faces;  // {-1}: fill; {-2, n}: resize to n
        std::string expected;
        size_t runs;
    };
    const Step steps[] = {
        {'.', {-2, 8}, "........", 1},
        {'a', {-1}, "aaaaaaaa", 1},
        {'b', {2, 3, 4}, "aabbbaaa", 3},
        {'b', {7, 0}, "babbbaab", 5},
        {'c', {4, 5, 3, 4, 5}, "babcccab", 6},   // repeats and any order
        {'c', {1, 2}, "bcccccab", 4},            // overlapping runs join
        {'b', {1, 2, 3, 4, 5, 6}, "bbbbbbbb", 1},
        {'a', {7}, "bbbbbbba", 2},
        {'.', {-2, 10}, "bbbbbbba..", 3},        // new faces in no group
        {'.', {-2, 5}, "bbbbb", 1},              // cut inside a run
        {'a', {0}, "abbbb", 2},
        {'.', {-2, 1}, "a", 1},                  // cut on a run boundary
        {'.', {-2, 0}, "", 0},
        {'c', {-1}, "", 0},                      // filling nothing stays empty
    };
    FaceGroupRuns runs;
    for (const Step& s : steps) {
        if (s.faces == Ints{-1})
            runs.fill(group(s.group));
        else if (s.faces.size() == 2 && s.faces[0] == -2)
            runs.resize(s.faces[1]);
        else
            runs.assign(s.faces, group(s.group));
        EXPECT_EQ(letters(runs), s.expected);
        EXPECT_EQ(runs.size(), static_cast<int>(s.expected.size()));
        EXPECT_EQ(runs.runs().size(), s.runs) << s.expected;
        for (size_t f = 0; f < s.expected.size(); ++f)
            EXPECT_TRUE(sameGroup(runs.groupOf(static_cast<int>(f)), group(s.expected[f])))
                << s.expected << " face " << f;
    }
}

TEST_F(FaceGroupRunsTest, ManyScatteredAssignmentsMatchAPerFaceModel) {
    // A fixed pseudo-random walk of assignments over 64 faces, checked face by face.
    FaceGroupRuns runs;
    runs.resize(64);
    std::string model(64, '.');
    unsigned seed = 12345;
    auto next = [&] { return (seed = seed * 1103515245u + 12345u) >> 16; };
    for (int step = 0; step < 200; ++step) {
        const char g = "abc."[next() % 4];
        Ints faces;
        const int n = 1 + static_cast<int>(next() % 12);
        for (int i = 0; i < n; ++i) faces.push_back(static_cast<int>(next() % 64));
        runs.assign(faces, group(g));
        for (int f : faces) model[static_cast<size_t>(f)] = g;
        ASSERT_EQ(letters(runs), model) << "step " << step;
        for (size_t r = 1; r < runs.runs().size(); ++r)
            ASSERT_FALSE(sameGroup(runs.runs()[r - 1].group, runs.runs()[r].group));
    }
    EXPECT_EQ(runs.groupOf(-1).lock(), nullptr);
    EXPECT_EQ(runs.groupOf(64).lock(), nullptr);
}

TEST_F(FaceGroupRunsTest, GroupQueriesAnswerFromRuns) {
    run("polyPlane -sx 4 -sy 2");  // faces 0..7
    const KObject plane = findNode("pPlaneShape1");
    run("sets -edit -forceElement aSG pPlane1.f[2:5]");
    run("sets -edit -forceElement bSG pPlane1.f[4] pPlane1.f[7]");

    struct Query {
        const char* group;
        Strings members;
    };
    const Query queries[] = {
        {"aSG", {"pPlane1.f[2:3]", "pPlane1.f[5]"}},
        {"bSG", {"pPlane1.f[4]", "pPlane1.f[7]"}},
        {"cSG", {}},
        {"initialShadingGroup", {"pPlane1.f[0:1]", "pPlane1.f[6]"}},
    };
    for (const Query& q : queries)
        EXPECT_EQ(strings(std::string("sets -q ") + q.group), q.members) << q.group;

    const std::vector<shading::GroupRun> runs = shading::faceGroupRuns(plane);
    const Strings names = {"initialShadingGroup", "aSG", "bSG", "aSG", "initialShadingGroup",
                           "bSG"};
    const Ints firsts = {0, 2, 4, 5, 6, 7}, counts = {2, 2, 1, 1, 1, 1};
    ASSERT_EQ(runs.size(), names.size());
    for (size_t r = 0; r < runs.size(); ++r) {
        EXPECT_EQ(nodeName(runs[r].group), names[r]);
        EXPECT_EQ(runs[r].first, firsts[r]);
        EXPECT_EQ(runs[r].count, counts[r]);
    }
    // The per-face answer agrees with the runs.
    const std::vector<KObject> perFace = shading::faceGroups(plane);
    ASSERT_EQ(perFace.size(), 8u);
    for (const shading::GroupRun& r : runs)
        for (int f = r.first; f < r.first + r.count; ++f) EXPECT_EQ(perFace[f], r.group) << f;

    // The whole mesh into one group is one run and lists the shape.
    run("sets -edit -forceElement cSG pPlane1");
    EXPECT_EQ(shading::faceGroupRuns(plane).size(), 1u);
    EXPECT_EQ(strings("sets -q cSG"), Strings{"pPlaneShape1"});
    EXPECT_EQ(strings("sets -q aSG"), Strings{});
}

TEST_F(FaceGroupRunsTest, UndoAndRedoRestoreRuns) {
    run("polyPlane -sx 3 -sy 2");  // faces 0..5
    const KObject plane = findNode("pPlaneShape1");
    auto state = [&] {
        std::string out;
        for (const KObject& g : shading::faceGroups(plane))
            out += g.isNull() ? "." : nodeName(g).substr(0, 1);
        return out;
    };
    const char* const texts[] = {
        "sets -edit -forceElement aSG pPlane1.f[1:4]",
        "sets -edit -forceElement bSG pPlane1.f[0] pPlane1.f[3]",
        "sets -edit -forceElement cSG pPlane1",
        "sets -edit -forceElement aSG pPlane1.f[5]",
    };
    const Strings expected = {"iiiiii", "iaaaai", "baabai", "cccccc", "ccccca"};
    EXPECT_EQ(state(), expected[0]);
    for (size_t i = 0; i < std::size(texts); ++i) {
        run(texts[i]);
        EXPECT_EQ(state(), expected[i + 1]) << texts[i];
    }
    for (size_t i = std::size(texts); i > 0; --i) {
        undo();
        EXPECT_EQ(state(), expected[i - 1]) << "undo of " << texts[i - 1];
    }
    for (size_t i = 0; i < std::size(texts); ++i) {
        redo();
        EXPECT_EQ(state(), expected[i + 1]) << "redo of " << texts[i];
    }
}

TEST_F(FaceGroupRunsTest, DeletedGroupLeavesItsFacesInNoneUntilUndone) {
    run("polyPlane -sx 4 -sy 1");  // faces 0..3
    const KObject plane = findNode("pPlaneShape1");
    run("sets -edit -forceElement aSG pPlane1.f[1:2]");
    run("delete aSG");
    const std::vector<KObject> groups = shading::faceGroups(plane);
    ASSERT_EQ(groups.size(), 4u);
    EXPECT_TRUE(groups[1].isNull());
    EXPECT_TRUE(groups[2].isNull());
    EXPECT_EQ(nodeName(groups[0]), "initialShadingGroup");
    // The faces of the deleted group join no other group's answer.
    EXPECT_EQ(strings("sets -q initialShadingGroup"), (Strings{"pPlane1.f[0]", "pPlane1.f[3]"}));
    const std::vector<shading::GroupRun> runs = shading::faceGroupRuns(plane);
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_TRUE(runs[1].group.isNull());
    EXPECT_EQ(runs[1].count, 2);
    undo();
    EXPECT_EQ(strings("sets -q aSG"), Strings{"pPlane1.f[1:2]"});
    EXPECT_EQ(nodeName(shading::faceGroups(plane)[1]), "aSG");
}

}  // namespace
}  // namespace tarn::scene
