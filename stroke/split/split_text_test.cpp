// Face-point parameters of a single cut: evenly between crossings along the stroke, the short
// way round a closed loop (wrapping modulo the closed curve's length), and the fallback point
// between the two crossing points when the view ray misses the face.

#include "stroke/split/split_text.h"

#include "stroke/split/split_test_support.h"

namespace stroke::testing {
namespace {

// Answers the faces' centre for every request and remembers the parameters asked for.
class RecordingSource : public FacePointSource {
public:
    explicit RecordingSource(bool hit) : m_hit(hit) {}
    bool facePoint(double param, int, KPoint& objectPoint) override {
        params.push_back(param);
        objectPoint = KPoint(0, 0, 0);
        return m_hit;
    }
    std::vector<double> params;

private:
    bool m_hit;
};

class SplitText : public SplitTest {
protected:
    void SetUp() override {
        SplitTest::SetUp();
        run("polyPlane -n grid -w 3 -h 3 -sx 3 -sy 3");
    }
};

TEST_F(SplitText, FacePointParametersFollowTheStroke) {
    const SplitMeshQuery mesh(shapePath("gridShape"));
    const int e0 = gridEdge("gridShape", -0.5, -0.5, -0.5, 0.5);
    const int e1 = gridEdge("gridShape", 0.5, -0.5, 0.5, 0.5);
    struct Row {
        const char* id;
        bool closed;
        std::vector<double> positions;
        int subdivisions;
        std::vector<double> params;
    } rows[] = {
        {"open, three pieces", false, {0.5, 2.0}, 3, {1.0, 1.5}},
        {"open, backwards", false, {2.0, 0.5}, 2, {1.25}},
        // Eight samples closed: 7.5 -> 0.5 goes forward through the closing segment's end (8 is
        // sample 0 again); 0.5 -> 7.5 goes backward through it.
        {"closed, forward over the seam", true, {7.5, 0.5}, 2, {0.0}},
        {"closed, backward over the seam", true, {0.5, 7.5}, 4, {0.25, 0.0, 7.75}},
        {"closed, no seam", true, {2.5, 3.5}, 2, {3.0}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.id);
        SplitChain chain;
        chain.edges = {e0, e1};
        chain.t = {0.5, 0.5};
        chain.positions = row.positions;
        chain.closed = row.closed;
        std::vector<int> faces;
        mesh.edgeFaces(e0, faces);
        chain.faces = {-1, faces[1]};
        SplitTextSettings settings;
        settings.subdivisions = row.subdivisions;
        settings.worldSampleCount = 8;
        RecordingSource source(true);
        KString text;
        appendSingleCutChain(text, chain, settings, mesh, &source);
        ASSERT_EQ(source.params.size(), row.params.size());
        for (std::size_t i = 0; i < row.params.size(); ++i)
            EXPECT_NEAR(source.params[i], row.params[i], 1e-12) << i;
    }
}

TEST_F(SplitText, AMissedRayFallsBackBetweenTheCrossingPoints) {
    const SplitMeshQuery mesh(shapePath("gridShape"));
    // Two z-running edges one apart, crossed where z = 0 (t 0.5): thirds lie at x = -1/6, 1/6.
    const int e0 = gridEdge("gridShape", -0.5, -0.5, -0.5, 0.5);
    const int e1 = gridEdge("gridShape", 0.5, -0.5, 0.5, 0.5);
    SplitChain chain;
    chain.edges = {e0, e1};
    chain.t = {0.5, 0.5};
    chain.positions = {0.5, 1.5};
    std::vector<int> faces;
    mesh.edgeFaces(e1, faces);
    chain.faces = {-1, faces[0]};
    SplitTextSettings settings;
    settings.subdivisions = 3;
    RecordingSource missing(false);
    KString text;
    appendSingleCutChain(text, chain, settings, mesh, &missing);
    const std::string f = " -fp " + std::to_string(faces[0]) + " ";
    const std::string want = "polySplit -ch on -s 1 -ep " + std::to_string(e0) + " 0.5" + f +
                             KString().set(-0.5 + 1.0 / 3).asChar() + " 0 0" + f +
                             KString().set(-0.5 + 2.0 / 3).asChar() + " 0 0 -ep " +
                             std::to_string(e1) + " 0.5;\n";
    EXPECT_EQ(std::string(text.asChar()), want);
}

}  // namespace
}  // namespace stroke::testing
