#pragma once
// Fixtures of the command tests: a fresh scene per test, a probe node type with one attribute of
// each kind, tables of command cases, and a snapshot of everything a command could change (the
// scene description, every node's values, locks and connections in list order, the selection and
// the undo queue), so a failing command can be shown to change nothing.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "host/dg/dg_test_node.h"
#include "host/dg/graph.h"
#include "host/lang/execute.h"
#include "host/plugins/plugin_loader.h"
#include "host/scene/scene_test_support.h"
#include "host/undo/undo.h"

namespace tarn::commands::testing {

/// One command case: the text, and either its result (words joined by blanks) or a fragment of
/// the error it must print.
struct Case {
    const char* id;
    std::string text;
    std::string want;
    bool ok = true;
};

/// A case that must fail: the text and a fragment of its one error line.
struct Rejected {
    const char* id;
    std::string text;
    std::string message;
};

/// Words of a result joined by blanks (arrays) or its text.
inline std::string joined(const lang::Value& v) {
    if (!v.isArray()) return v.asString();
    std::string out;
    for (const std::string& s : v.asStringArray()) out += (out.empty() ? "" : " ") + s;
    return out;
}

class CommandTest : public scene::testing::SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        ASSERT_TRUE(dgtest::registerProbe());
    }
    void TearDown() override {
        plugins::PluginLoader::instance().unloadAll();
        SceneTest::TearDown();
    }

    /// Runs a text with undo on; the result, or "ERROR: <message>" when it fails.
    std::string eval(const std::string& text, bool undoOn = true) {
        output::Capture capture;
        lang::ExecuteOptions options;
        options.undo = undoOn;
        options.origin = "test";
        const lang::RunResult r = lang::executeText(text, options);
        if (!r.ok) return "ERROR: " + capture.errors();
        return joined(r.value);
    }

    /// Runs each case in order (undo on, one chunk each) and checks its result or error.
    void expectCases(const std::vector<Case>& cases) {
        for (const Case& c : cases) {
            const std::string got = eval(c.text);
            if (c.ok) {
                EXPECT_EQ(got, c.want) << c.id << ": " << c.text;
            } else {
                EXPECT_EQ(got.rfind("ERROR: ", 0), 0u) << c.id << ": succeeded: " << got;
                EXPECT_NE(got.find(c.want), std::string::npos) << c.id << ": " << got;
            }
        }
    }

    /// Each text fails with one error line holding its message and changes nothing: the scene,
    /// the graph, the selection and the undo queue are as before, with undo on and with undo off.
    void expectRejected(const std::vector<Rejected>& cases) {
        for (const Rejected& c : cases) {
            for (const bool undoOn : {true, false}) {
                SCOPED_TRACE(std::string(c.id) + (undoOn ? " (undo on)" : " (undo off)"));
                const std::string before = state();
                output::Capture capture;
                lang::ExecuteOptions options;
                options.undo = undoOn;
                const lang::RunResult r = lang::executeText(c.text, options);
                const std::string errors = capture.errors();
                EXPECT_FALSE(r.ok) << c.text;
                EXPECT_NE(errors.find(c.message), std::string::npos) << c.text << "\n" << errors;
                EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << errors;
                EXPECT_EQ(firstDifference(state(), before), "") << c.text;
            }
        }
    }

    /// Everything a command may change, as text; with the undo queue's chunks when `withQueue`.
    std::string state(bool withQueue = true) {
        std::string s;
        {
            output::Capture quiet;
            lang::ExecuteOptions options;
            const lang::RunResult r = lang::executeText("describeScene -json", options);
            s = r.ok ? r.value.asString() : "describeScene failed";
        }
        Graph& graph = Graph::instance();
        for (const KObject& node : graph.nodes()) s += "\n" + nodeState(node);
        s += "\nconnections:";
        for (const Connection& c : graph.connections())
            s += " " + c.srcNode->name() + "." + c.srcAttr->longName + "[" +
                 std::to_string(c.srcIndex) + "]>" + c.dstNode->name() + "." + c.dstAttr->longName +
                 "[" + std::to_string(c.dstIndex) + "]";
        s += "\nselection:";
        for (const std::string& item : scene::selectionStrings(scene::activeSelection()))
            s += " " + item;
        if (!withQueue) return s;
        const undo::UndoQueue& q = undo::undoQueue();
        s += "\nundo " + std::to_string(q.undoCount()) + " redo " + std::to_string(q.redoCount());
        for (const std::string& label : q.undoLabels()) s += "\n  chunk " + label;
        return s;
    }

    /// The first line where two states differ, "" when they are equal.
    static std::string firstDifference(const std::string& a, const std::string& b) {
        if (a == b) return {};
        size_t i = 0;
        while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
        const size_t from = a.rfind('\n', i == 0 ? 0 : i - 1);
        const size_t start = from == std::string::npos ? 0 : from + 1;
        auto line = [start](const std::string& t) {
            if (start >= t.size()) return std::string("<end>");
            return t.substr(start, t.find('\n', start) - start);
        };
        return "now [" + line(a) + "] was [" + line(b) + "]";
    }

private:
    // Name, type, every value (array elements included) and every lock of a node.
    static std::string nodeState(const KObject& node) {
        NodeImpl* n = NodeImpl::from(node);
        std::string s = n->name() + ":" + n->type().name;
        Graph& graph = Graph::instance();
        for (const auto& a : n->type().attributes()) {
            if (n->isLocked(*a, -1)) s += " lock:" + a->longName;
            if (a->parent || a->arrayRoot) continue;
            const KObject attr(a);
            if (!a->array) {
                s += " " + a->longName + "=" + valueText(graph, KPlug(node, attr));
                continue;
            }
            for (unsigned index : graph.elementIndices(KPlug(node, attr, -1))) {
                s += " " + a->longName + "[" + std::to_string(index) +
                     "]=" + valueText(graph, KPlug(node, attr, static_cast<int>(index)));
                if (n->isLocked(*a, static_cast<int>(index)))
                    s += " lock:" + a->longName + "[" + std::to_string(index) + "]";
            }
        }
        return s;
    }

    static std::string valueText(Graph& graph, const KPlug& plug) {
        KStatus status;
        const KDataHandle h = graph.readHandle(plug, &status);
        if (h.isNull()) return "-";
        if (h.kind() == CellKind::kString) return "\"" + h.asString().str() + "\"";
        std::string out;
        char buf[32];
        for (unsigned i = 0; i < h.width(); ++i) {
            std::snprintf(buf, sizeof buf, "%s%.9g", i ? "," : "", h.cells()[i].d);
            out += buf;
        }
        return out;
    }
};

}  // namespace tarn::commands::testing
