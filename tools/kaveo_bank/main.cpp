// kaveo-bank: the sound designers' bank tool (see bank_tool.h and the README).
#include <iostream>
#include <string>
#include <vector>

#include "tools/kaveo_bank/bank_tool.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return bank_tool::run(args, std::cout, std::cerr);
}
