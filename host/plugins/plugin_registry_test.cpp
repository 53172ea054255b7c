#include "host/plugins/plugin_registry.h"

#include <gtest/gtest.h>

#include "frame/k_translator.h"

using tarn::plugins::CommandEntry;
using tarn::plugins::PluginImpl;
using tarn::plugins::Registry;
using tarn::plugins::TranslatorEntry;

namespace {

void* makeNothing() { return nullptr; }
void* makeTranslator() { return new KPxFileTranslator; }
void* throwingCreator() { throw std::runtime_error("no translator today"); }

TEST(Registry, NamesAreUniqueAndOwnedAndListenersMayVeto) {
    Registry& r = Registry::instance();
    PluginImpl mine, theirs;
    mine.name = "mine";
    theirs.name = "theirs";
    std::string error;
    struct Case {
        CommandEntry entry;
        KStatus::KStatusCode code;
        const char* why;
    };
    const Case cases[] = {
        {{"regCmdA", makeNothing, nullptr, &mine}, KStatus::kSuccess, ""},
        {{"regCmdA", makeNothing, nullptr, &theirs}, KStatus::kFailure, "already registered by mine"},
        {{"", makeNothing, nullptr, &mine}, KStatus::kInvalidParameter, "needs a name"},
        {{"regCmdB", nullptr, nullptr, &mine}, KStatus::kInvalidParameter, "needs a name and a creator"},
    };
    for (const Case& c : cases) {
        error.clear();
        EXPECT_EQ(r.addCommand(c.entry, &error), c.code) << c.entry.name;
        EXPECT_NE(error.find(c.why), std::string::npos) << error;
    }
    // Only the owner removes its entry.
    EXPECT_EQ(r.removeCommand("regCmdA", &theirs), KStatus::kNotFound);
    EXPECT_NE(r.findCommand("regCmdA"), nullptr);

    // Listeners stay installed for the rest of the process: install them once, with records
    // that outlive the test.
    static std::vector<std::string> seen, before;
    static bool installed = false;
    seen.clear();
    before.clear();
    if (!installed) {
        installed = true;
        // A listener ahead of the vetoing one is told the entry went away again.
        r.addCommandListener([](const CommandEntry& e, bool added, std::string*) {
            before.push_back((added ? "+" : "-") + e.name);
            return true;
        });
        r.addCommandListener([](const CommandEntry& e, bool added, std::string* why) {
            seen.push_back((added ? "+" : "-") + e.name);
            if (added && e.name == "regVetoed") {
                *why = "a built-in command has that name";
                return false;
            }
            return true;
        });
    }
    EXPECT_EQ(r.addCommand({"regVetoed", makeNothing, nullptr, &mine}, &error), KStatus::kFailure);
    EXPECT_NE(error.find("a built-in command has that name"), std::string::npos);
    EXPECT_EQ(r.findCommand("regVetoed"), nullptr);
    EXPECT_TRUE(r.removeCommand("regCmdA", &mine));
    EXPECT_EQ(seen, (std::vector<std::string>{"+regVetoed", "-regCmdA"}));
    EXPECT_EQ(before, (std::vector<std::string>{"+regVetoed", "-regVetoed", "-regCmdA"}));
}

TEST(Registry, TranslatorsAreMadeThroughTheirCreator) {
    Registry& r = Registry::instance();
    PluginImpl owner;
    owner.name = "owner";
    std::string error;
    TranslatorEntry good;
    good.name = "REGGOOD";
    good.creator = makeTranslator;
    good.owner = &owner;
    TranslatorEntry bad = good;
    bad.name = "REGBAD";
    bad.creator = throwingCreator;
    TranslatorEntry empty = good;
    empty.name = "REGEMPTY";
    empty.creator = makeNothing;
    ASSERT_TRUE(r.addTranslator(good, &error));
    ASSERT_TRUE(r.addTranslator(bad, &error));
    ASSERT_TRUE(r.addTranslator(empty, &error));

    std::unique_ptr<KPxFileTranslator> made(r.createTranslator("REGGOOD", &error));
    EXPECT_NE(made, nullptr);
    struct Case {
        const char* name;
        const char* why;
    };
    for (const Case& c : {Case{"REGBAD", "no translator today"}, Case{"REGEMPTY", "creator"},
                          Case{"NOSUCH", "No file translator named 'NOSUCH'"}}) {
        error.clear();
        EXPECT_EQ(r.createTranslator(c.name, &error), nullptr) << c.name;
        EXPECT_NE(error.find(c.why), std::string::npos) << c.name << ": " << error;
    }
    for (const char* n : {"REGGOOD", "REGBAD", "REGEMPTY"}) EXPECT_TRUE(r.removeTranslator(n, &owner));
}

}  // namespace
