#include "bench/BenchSubjects.h"

namespace stepveil::bench {

std::vector<Subject> peerSubjects() {
    return {
        {"PingPongPan", "/usr/lib/vst/PingPongPan-vst.so", "dpf-plugins-vst"},
        {"lsp gate-stereo", "/usr/lib/vst/lsp-plugins/gate-stereo.so", "lsp-plugins-vst"},
        {"ZamGateX2", "/usr/lib/vst/ZamGateX2-vst.so", "zam-plugins"},
    };
}

host::HostedPlugin* SubjectInstances::instance(const Subject& subject, int blockSize,
                                               std::string& error) {
    const auto key = std::make_pair(subject.label, blockSize);
    if (const auto found = loaded.find(key); found != loaded.end()) {
        return found->second.get();
    }
    host::HostSettings settings;
    settings.blockSize = blockSize;
    host::LoadResult result = host::HostedPlugin::load(subject.path, settings);
    if (!result) {
        error = result.error;
        return nullptr;
    }
    host::HostedPlugin& plugin = *result.plugin;
    // The call log would add its own cost to every time request.
    plugin.callLog().setEnabled(false);
    plugin.transport().setSampleRate(benchSampleRate);
    plugin.transport().setTempo(benchTempo);
    plugin.transport().setTimeSignature(4, 4);
    plugin.open();
    plugin.resume();
    host::HostedPlugin* pointer = result.plugin.get();
    loaded.emplace(key, std::move(result.plugin));
    return pointer;
}

} // namespace stepveil::bench
