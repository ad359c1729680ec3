// stepveil_editor_bench: what the editor costs a Linux host on a real X server, beside what
// the X server itself costs. In one run, side by side:
//   - effEditIdle when nothing has changed (an idle of a shown, settled editor),
//   - a program change followed by effEditIdle, which repaints every slider and number,
//   - the same picture pushed with one bare XPutImage of 562 x 200 from this process,
// each followed by a round trip to the server (the repaint and the bare push), and the
// requests each sends the X server, counted by the server. Ends with a table of ratios and
// the goals read against it; nothing is asserted.
//
//   xvfb-run -a stepveil_editor_bench [--plugin PATH] [Google Benchmark options]
//
// The plug-in file is loaded through host/ as a host would load it, its editor opened in a
// window of this program's own on the X display named by DISPLAY.
#include "bench/BenchArguments.h"
#include "bench/EditorTable.h"
#include "bench/X11RequestCounter.h"
#include "bench/X11Stage.h"
#include "host/HostedPlugin.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include <unistd.h>

namespace stepveil::bench {
namespace {

// Two programs that differ at every step ("Total Silence" and "Full Level"), so that each
// change redraws every slider and every number.
constexpr int silentProgram = 14;
constexpr int fullProgram = 15;
// The editor's size when it does not say (effEditGetRect).
constexpr int defaultWidth = 562;
constexpr int defaultHeight = 200;
// Calls counted for the request counts.
constexpr long countedIdles = 1000;
constexpr long countedRepaints = 20;

struct EditorBench {
    std::unique_ptr<host::HostedPlugin> plugin;
    std::unique_ptr<X11Stage> stage;
    bool editorOpen = false;
    int program = silentProgram;

    void idle() { plugin->dispatch(effEditIdle); }
    // Lets the editor take in everything pending, so that the next idle has nothing to draw.
    void settle() {
        for (int pass = 0; pass < 5; ++pass) {
            idle();
            stage->sync();
        }
    }
    void repaint() {
        program = program == silentProgram ? fullProgram : silentProgram;
        plugin->dispatch(effSetProgram, 0, program);
        idle();
        stage->sync();
    }
};

EditorBench bench;

void timeIdle(benchmark::State& state) {
    bench.settle();
    for (auto _ : state) {
        bench.idle();
    }
}

void timeRepaint(benchmark::State& state) {
    for (auto _ : state) {
        bench.repaint();
    }
}

void timeBarePush(benchmark::State& state) {
    for (auto _ : state) {
        bench.stage->pushBare();
        bench.stage->sync();
    }
}

// The editor's size, as the plug-in gives it.
void editorSize(host::HostedPlugin& plugin, int& width, int& height) {
    ERect* rect = nullptr;
    width = defaultWidth;
    height = defaultHeight;
    if (plugin.dispatch(effEditGetRect, 0, 0, &rect) != 0 && rect != nullptr &&
        rect->right > rect->left && rect->bottom > rect->top) {
        width = rect->right - rect->left;
        height = rect->bottom - rect->top;
    }
}

// Requests per call of `call`, counted by the server for the editor's connection; negative
// when they cannot be counted.
template <typename Call>
double requestsPerCall(X11RequestCounter& counter, Window editor, long calls, Call call) {
    if (!counter.start(editor)) {
        return -1.0;
    }
    for (long done = 0; done < calls; ++done) {
        call();
    }
    const long requests = counter.stop();
    return requests < 0 ? -1.0 : static_cast<double>(requests) / static_cast<double>(calls);
}

// Counts the requests each case sends: the editor's with the server's help, since its
// connection is the plug-in's own; the bare push's by this connection's request numbers.
void countRequests(EditorTable& table) {
    const Window editor = bench.stage->editorWindow();
    if (editor == 0) {
        table.setCountingProblem("the editor shows no window in the host's X window (is the "
                                 "plug-in on its headless display?)");
    } else {
        X11RequestCounter counter(bench.stage->display());
        bench.settle();
        table.setRequests(idleCase,
                          requestsPerCall(counter, editor, countedIdles, [] { bench.idle(); }),
                          countedIdles);
        table.setRequests(
            repaintCase, requestsPerCall(counter, editor, countedRepaints, [] { bench.repaint(); }),
            countedRepaints);
        if (!counter.problem().empty()) {
            table.setCountingProblem(counter.problem());
        }
    }
    const unsigned long before = bench.stage->nextRequest();
    bench.stage->pushBare();
    const unsigned long after = bench.stage->nextRequest();
    bench.stage->sync();
    table.setRequests(bareCase, static_cast<double>(after - before), 1);
}

int run(const std::string& pluginPath) {
    host::LoadResult loaded = host::HostedPlugin::load(pluginPath);
    if (!loaded) {
        std::fprintf(stderr, "stepveil_editor_bench: %s\n", loaded.error.c_str());
        return 1;
    }
    bench.plugin = std::move(loaded.plugin);
    // The call log would add its own cost to every call the editor makes.
    bench.plugin->callLog().setEnabled(false);
    bench.plugin->open();
    int width = 0;
    int height = 0;
    editorSize(*bench.plugin, width, height);
    std::string error;
    bench.stage = X11Stage::open(width, height, error);
    if (!bench.stage) {
        std::fprintf(stderr, "stepveil_editor_bench: %s\n", error.c_str());
        return 1;
    }
    // An X11 window id travels in the pointer, as Linux hosts pass it.
    void* parent = reinterpret_cast<void*>(static_cast<std::uintptr_t>(bench.stage->hostWindow()));
    bench.editorOpen = bench.plugin->dispatch(effEditOpen, 0, 0, parent) != 0;
    if (!bench.editorOpen) {
        std::fprintf(stderr, "stepveil_editor_bench: the editor did not open\n");
        return 1;
    }
    bench.repaint();
    bench.settle();
    bench.stage->takePicture();
    if (bench.stage->editorWindow() == 0) {
        std::printf("note: the editor shows no window in the host's X window; the repaint is "
                    "timed without its push\n");
    }

    benchmark::RegisterBenchmark(idleCase, timeIdle)->UseRealTime();
    benchmark::RegisterBenchmark(repaintCase, timeRepaint)->UseRealTime();
    benchmark::RegisterBenchmark(bareCase, timeBarePush)->UseRealTime();
    EditorTable table;
    // Colours only for a terminal: CI logs show escape codes as they are.
    TablingReporter reporter(table, isatty(fileno(stdout)) != 0);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    countRequests(table);
    table.print(stdout);
    std::fflush(stdout);
    return 0;
}

// Closes the editor and the effect before the window they were shown in, and both before main
// returns: at exit the plug-in's own static objects may already be gone.
void closeAll() {
    if (bench.plugin && bench.editorOpen) {
        bench.plugin->dispatch(effEditClose);
    }
    bench.plugin.reset();
    bench.stage.reset();
}

} // namespace
} // namespace stepveil::bench

int main(int argc, char** argv) {
    bool unrecognised = false;
    const std::string pluginPath = stepveil::bench::initialiseBenchmarks(argc, argv, unrecognised);
    if (unrecognised) {
        return 2;
    }
    if (pluginPath.empty()) {
        std::fprintf(stderr, "stepveil_editor_bench: name the plug-in file with --plugin PATH\n");
        return 2;
    }
    const int status = stepveil::bench::run(pluginPath);
    stepveil::bench::closeAll();
    benchmark::Shutdown();
    return status;
}
