// The cost of the command language around a command: a text of 100 invocations parsed, checked
// and run by the interpreter, and the same 100 invocations as a loop in the language, each beside
// 100 direct calls of the command's body with ready arguments, in one run. The "ratio" counter
// is interpreter time / direct time (what the language adds per command, for judging how
// command-heavy plug-in texts such as a split with many -ep pairs scale).

#include <benchmark/benchmark.h>

#include <chrono>
#include <string>

#include "host/lang/arg_binding.h"
#include "host/lang/interpreter.h"
#include "host/lang/journal.h"

namespace {

using namespace tarn::lang;

constexpr int kCalls = 100;
std::int64_t g_total = 0;

// A command with one int flag and one string argument, like most host commands.
CommandResult accumulate(const CommandArgs& args, CommandContext&) {
    g_total += args.flag("by").asInt() + std::int64_t(args[0].asString().size());
    return Value(g_total);
}

struct Fixture {
    CommandRegistry registry;
    Interpreter interp{registry};
    std::string text;
    CommandArgs ready;

    Fixture() {
        registry.add({.name = "accumulate",
                      .minArgs = 1,
                      .maxArgs = 1,
                      .argTypes = {ArgType::String},
                      .flags = {{.longName = "by", .shortName = "b", .args = {ArgType::Int}}},
                      .body = accumulate});
        for (int i = 0; i < kCalls; ++i) text += "accumulate -by 3 counter;\n";
        std::string error;
        bindArguments(
            *registry.find("accumulate"),
            {Word{Value("-by"), true}, Word{Value("3"), false}, Word{Value("counter"), false}},
            ready, error);
    }
    static Fixture& get() {
        static Fixture f;
        return f;
    }
};

void direct(Fixture& f) {
    CommandContext ctx(f.interp);
    for (int i = 0; i < kCalls; ++i) benchmark::DoNotOptimize(accumulate(f.ready, ctx));
}

void ratioOf(benchmark::State& state, const std::string& text) {
    Fixture& f = Fixture::get();
    RunOptions o;
    o.undo = false;
    using Clock = std::chrono::steady_clock;
    Clock::duration viaText{}, viaDirect{};
    for (auto _ : state) {
        auto t0 = Clock::now();
        benchmark::DoNotOptimize(f.interp.run(text, o));
        auto t1 = Clock::now();
        direct(f);
        auto t2 = Clock::now();
        viaText += t1 - t0;
        viaDirect += t2 - t1;
    }
    double n = double(state.iterations()) * kCalls;
    state.counters["ratio"] = std::chrono::duration<double>(viaText).count() /
                              std::chrono::duration<double>(viaDirect).count();
    state.counters["text_ns_per_call"] =
        std::chrono::duration<double, std::nano>(viaText).count() / n;
    state.counters["direct_ns_per_call"] =
        std::chrono::duration<double, std::nano>(viaDirect).count() / n;
}

void BM_TextOf100CommandsVsDirect(benchmark::State& state) {
    ratioOf(state, Fixture::get().text);
}

void BM_LoopOf100CommandsVsDirect(benchmark::State& state) {
    ratioOf(state, "for ($i = 0; $i < 100; $i++) accumulate -by 3 counter;");
}

// A text journalled into a full journal (100,000 entries, so the oldest is dropped for each new
// one) against the same into a journal with room: "ratio" is full / room, about 1 when dropping
// costs what adding does.
void BM_JournalEntryFullVsRoom(benchmark::State& state) {
    constexpr std::size_t kCapacity = 100000;
    Journal full, room;
    full.setCapacity(kCapacity);
    room.setCapacity(kCapacity);
    JournalEntry old;
    old.text = "getAttr box.tx";
    for (std::size_t i = 0; i < kCapacity; ++i) full.record(old);
    auto add = [](Journal& j) {
        JournalEntry e;
        e.text = "getAttr box.tx";
        const std::size_t id = j.begin(std::move(e));
        j.finish(id, "1", 0, {});
    };
    using Clock = std::chrono::steady_clock;
    Clock::duration inFull{}, inRoom{};
    for (auto _ : state) {
        auto t0 = Clock::now();
        add(full);
        auto t1 = Clock::now();
        add(room);
        auto t2 = Clock::now();
        inFull += t1 - t0;
        inRoom += t2 - t1;
        if (room.entries().size() > kCapacity / 2) {
            state.PauseTiming();
            room.clear();
            state.ResumeTiming();
        }
    }
    state.counters["ratio"] = std::chrono::duration<double>(inFull).count() /
                              std::chrono::duration<double>(inRoom).count();
}

}  // namespace

BENCHMARK(BM_JournalEntryFullVsRoom);
BENCHMARK(BM_TextOf100CommandsVsDirect);
BENCHMARK(BM_LoopOf100CommandsVsDirect);
BENCHMARK_MAIN();
