// A fresh instance of the built plug-in for each test, loaded through the project's host.
#pragma once

#include "host/HostedPlugin.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

#include <memory>

namespace stepveil::test {

class PluginTest : public testing::Test {
protected:
    void SetUp() override {
        host::LoadResult loaded = host::HostedPlugin::load(pluginFile());
        ASSERT_TRUE(loaded) << loaded.error;
        plugin = std::move(loaded.plugin);
    }

    AEffect& record() { return *plugin->effect(); }

    std::unique_ptr<host::HostedPlugin> plugin;
};

} // namespace stepveil::test
