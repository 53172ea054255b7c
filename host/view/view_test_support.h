#pragma once
// The fixture of the view's tests: a fresh scene (SceneTest) and the active view back at its
// defaults (no camera bound, default port, no overlay) before and after each test.

#include "host/scene/scene_test_support.h"
#include "host/view/active_view.h"

namespace tarn::view::testing {

class ViewTest : public scene::testing::SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        ActiveView::instance().reset();
    }
    void TearDown() override {
        ActiveView::instance().reset();
        SceneTest::TearDown();
    }
};

}  // namespace tarn::view::testing
