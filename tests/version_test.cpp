// kaveo-render --version and kaveo-bank --version print the version the editor shows; hosts
// keep being told the vendor version they always were.
#include <gtest/gtest.h>

#include <string>

#include "editor/kaveos_editor.h"
#include "host/vst_host.h"
#include "tests/host_helpers.h"

namespace {

TEST(Version, ToolsPrintTheEditorsVersion) {
    std::string error;
    auto p = host::plugin::load(KAVEO_PLUGIN_PATH, error);
    ASSERT_TRUE(p) << error;
    p->open(44100.0, 512);
    EXPECT_EQ(p->dispatch(effGetVendorVersion), 1000);
    const std::string shown = KaveosEditor::version;
    EXPECT_EQ(shown, "1.2.2");
    test::run_result render = test::run(std::string(KAVEO_RENDER_PATH) + " --version");
    EXPECT_EQ(render.status, 0);
    EXPECT_EQ(render.output, "kaveo-render " + shown + "\n");
    test::run_result bank = test::run(std::string(KAVEO_BANK_PATH) + " --version");
    EXPECT_EQ(bank.status, 0);
    EXPECT_EQ(bank.output, "kaveo-bank " + shown + "\n");
}

}  // namespace
