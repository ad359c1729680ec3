// The plug-ins the benchmarks time, each loaded through host/ as a host would load it: our
// own plug-in file and the peers, other VST 2 effects that Debian packages.
#pragma once

#include "host/HostedPlugin.h"

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace stepveil::bench {

struct Subject {
    std::string label;   // column name in the ratio table
    std::string path;    // the plug-in file
    std::string package; // the Debian package that installs it (empty for our own)
};

// The peers: a stereo panner and two stereo gates, from three plug-in families.
std::vector<Subject> peerSubjects();

// The transport every subject sees: 48 kHz, 120 bpm, 4/4, playing from the song's start.
constexpr double benchSampleRate = 48000.0;
constexpr double benchTempo = 120.0;

// Loaded, opened and resumed instances, one per subject (by label) and block size, kept until the
// end of the run so that no timing loop pays for loading.
class SubjectInstances {
public:
    // The instance for this subject and block size, loaded on first use; null with the reason
    // in `error` when the file cannot be loaded.
    host::HostedPlugin* instance(const Subject& subject, int blockSize, std::string& error);
    // Closes every instance and unloads the files. Done before main returns: at exit, the
    // plug-ins' own static objects may already be gone when ours are destroyed.
    void closeAll() { loaded.clear(); }

private:
    std::map<std::pair<std::string, int>, std::unique_ptr<host::HostedPlugin>> loaded;
};

} // namespace stepveil::bench
