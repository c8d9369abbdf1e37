// kaveo-render --version and kaveo-bank --version print the version the plug-in reports to
// hosts, read back from kaveo.so as a host reads it.
#include <gtest/gtest.h>

#include <string>

#include "host/vst_host.h"
#include "tests/host_helpers.h"

namespace {

TEST(Version, ToolsPrintWhatThePluginReports) {
    std::string error;
    auto p = host::plugin::load(KAVEO_PLUGIN_PATH, error);
    ASSERT_TRUE(p) << error;
    p->open(44100.0, 512);
    VstIntPtr v = p->dispatch(effGetVendorVersion);
    ASSERT_GT(v, 0);
    // A decimal digit per part, then a build digit: 1000 is 1.0.0.
    std::string reported = std::to_string(v / 1000) + "." + std::to_string(v / 100 % 10) + "." +
                           std::to_string(v / 10 % 10);
    test::run_result render = test::run(std::string(KAVEO_RENDER_PATH) + " --version");
    EXPECT_EQ(render.status, 0);
    EXPECT_EQ(render.output, "kaveo-render " + reported + "\n");
    test::run_result bank = test::run(std::string(KAVEO_BANK_PATH) + " --version");
    EXPECT_EQ(bank.status, 0);
    EXPECT_EQ(bank.output, "kaveo-bank " + reported + "\n");
}

}  // namespace
