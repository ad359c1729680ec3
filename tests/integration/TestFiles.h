// Where the host-level tests find the files they load: the built plug-in and the stand-in
// plug-ins of fixtures/. The build passes the paths; on Windows they are bare file names,
// which the system's loader finds next to the test program.
#pragma once

#include <string>

namespace stepveil::test {

// The built plug-in file, or the one named with --plugin=PATH on the command line.
const std::string& pluginFile();
void usePluginFile(std::string path);

std::string probeFile();
std::string probeWithoutEntryFile();
std::string probeReturningNullFile();
std::string probeWithBadMagicFile();

} // namespace stepveil::test
