// The factory bank embedded in this binary, written once per test process to a temporary
// file so the bank code, which reads files, can open it.
#pragma once

#include <filesystem>
#include <fstream>

#include "platform/factory_bank.h"
#include "temp_dir.h"

namespace test {

inline const std::filesystem::path& embedded_bank_file() {
    static const temp_dir dir;
    static const std::filesystem::path path = [] {
        std::filesystem::path p = dir / "factory.kvb";
        auto bytes = platform::factory_bank();
        std::ofstream out(p, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return p;
    }();
    return path;
}

}  // namespace test
