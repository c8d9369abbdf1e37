// Every test process keeps its per-user files in a folder of its own, and an instrument
// built in process starts without a factory bank unless a test installs one. So no test
// reads or writes the user's files, and every instrument starts from the default program.
#include <cstdlib>

#include "program_fixture.h"
#include "temp_dir.h"

namespace {

struct process_data_home {
    test::temp_dir dir;
    process_data_home() {
        setenv("XDG_DATA_HOME", dir.path().c_str(), 1);
        Kaveos::set_factory_bank_source(test::no_factory_bank);
    }
};

const process_data_home the_data_home;

}  // namespace
