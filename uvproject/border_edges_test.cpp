#include "uvproject/border_edges.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

std::vector<int> outline(const std::vector<std::vector<int>>& faceEdges) {
    uvproject::BorderEdges border;
    for (const auto& face : faceEdges)
        for (int e : face) border.toggle(e);
    const KIntArray edges = border.edges();
    std::vector<int> out;
    for (unsigned i = 0; i < edges.length(); ++i) out.push_back(edges[i]);
    return out;
}

/// The rule itself: search the list from the front, remove the edge when found, else append.
std::vector<int> outlineByListSearch(const std::vector<std::vector<int>>& faceEdges) {
    std::vector<int> list;
    for (const auto& face : faceEdges)
        for (int e : face) {
            auto it = std::find(list.begin(), list.end(), e);
            if (it != list.end())
                list.erase(it);
            else
                list.push_back(e);
        }
    return list;
}

TEST(BorderEdges, KeepsEdgesUsedAnOddNumberOfTimesInFirstKeptOrder) {
    struct Case {
        const char* what;
        std::vector<std::vector<int>> faces;
        std::vector<int> expected;
    } cases[] = {
        {"nothing", {}, {}},
        {"one quad, edges as given", {{4, 9, 2, 7}}, {4, 9, 2, 7}},
        // Two quads of a strip share edge 1: the first appends it, the second removes it.
        {"shared edge cancels", {{0, 1, 2, 3}, {4, 5, 6, 1}}, {0, 2, 3, 4, 5, 6}},
        // A cube's six faces use each of its twelve edges twice.
        {"closed cube",
         {{0, 1, 2, 3}, {4, 5, 6, 7}, {0, 8, 4, 9}, {2, 10, 6, 11}, {1, 9, 5, 10}, {3, 11, 7, 8}},
         {}},
        // Removal searches from the front and an edge met again later is appended at the end.
        {"third use comes back last", {{3, 1}, {1}, {2, 1}}, {3, 2, 1}},
        {"removal keeps the others' order", {{5, 6, 7, 8}, {6}}, {5, 7, 8}},
    };
    for (const Case& c : cases) EXPECT_EQ(outline(c.faces), c.expected) << c.what;
}

TEST(BorderEdges, MatchesTheListSearchOnRandomFaceLists) {
    // Few distinct edges, so that edges come and go several times.
    std::mt19937 random(7);
    for (int round = 0; round < 200; ++round) {
        std::vector<std::vector<int>> faces(1 + random() % 12);
        for (auto& face : faces) {
            face.resize(3 + random() % 3);
            for (int& e : face) e = static_cast<int>(random() % 10);
        }
        ASSERT_EQ(outline(faces), outlineByListSearch(faces)) << "round " << round;
    }
}

}  // namespace
