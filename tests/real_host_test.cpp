// A real Linux host's plug-in scanner loads the library: qtractor runs every plug-in it
// finds through this small program before it offers it to the user.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

const char* const scanner = "/usr/lib/x86_64-linux-gnu/qtractor/qtractor_plugin_scan";

std::string run(const std::string& command) {
    std::string out;
    if (std::FILE* p = popen(command.c_str(), "r")) {
        char buffer[512];
        while (std::fgets(buffer, sizeof buffer, p)) out += buffer;
        pclose(p);
    }
    return out;
}

TEST(RealHost, QtractorsScannerLoadsThePlugin) {
    if (!std::filesystem::exists(scanner)) GTEST_SKIP() << "qtractor is not installed";
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "a host without the sanitizer runtime cannot load an instrumented library";
#endif
    // The scanner reads "TYPE:path" lines and answers one line per plug-in:
    // type|name|audio ins:outs|midi ins:outs|params in:out|flags|path|index|unique id.
    std::string line = run("echo 'VST:" KAVEO_PLUGIN_PATH "' | " + std::string(scanner) + " 2>&1");
    EXPECT_NE(line.find("VST|Kaveo|0:2|1:0|87:0|"), std::string::npos) << line;
    EXPECT_NE(line.find("GUI"), std::string::npos) << line;
    EXPECT_NE(line.find("0x734b6176"), std::string::npos) << line;
}

}  // namespace
