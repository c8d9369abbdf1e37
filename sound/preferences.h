// The preferences file: the default bank and the MIDI controller assignments, with the
// live assignment maps the engine reads for every controller message.
#pragma once

#include <array>
#include <atomic>
#include <filesystem>
#include <map>
#include <string>

#include "plugin/param_table.h"

// Controller number <-> parameter index, both directions. The audio thread looks a
// controller up while the editor may change an entry, so every entry is an atomic and a
// lookup or an update touches one entry only.
class controller_map {
public:
    static constexpr int controllers = 128;

    controller_map() { clear(); }

    // The parameter controller c drives, or -1.
    int param_for(int c) const {
        return c >= 0 && c < controllers ? to_param[size_t(c)].load(std::memory_order_relaxed) : -1;
    }
    // The controller shown for parameter p, or -1.
    int controller_for(int p) const {
        return p >= 0 && p < NUM_PARAMS ? to_controller[size_t(p)].load(std::memory_order_relaxed)
                                        : -1;
    }
    // Both directions, adding to what is there: the file and the built-in table may give
    // one parameter several controllers, and a later pair for a controller wins.
    void assign(int c, int p);
    // Controller c alone drives parameter p: p's previous controller drives nothing, and
    // the parameter c drove before no longer names it. The assignment page's Set.
    void reassign(int c, int p);
    void clear();

private:
    std::array<std::atomic<int>, controllers> to_param;
    std::array<std::atomic<int>, NUM_PARAMS> to_controller;
};

class preferences {
public:
    std::string default_bank;    // empty when none is known
    std::map<int, int> saved;    // what the file stores: controller -> parameter
    controller_map live;         // what the engine and the editor use

    // Reads the file: the default bank line and every valid assignment. Answers true
    // when at least one assignment was accepted (then the live maps hold exactly the
    // file's assignments). A missing file answers false and leaves the maps alone.
    bool load(const std::filesystem::path& file);
    // Writes the default bank line and the saved assignments of controllers 2 to 95,
    // replacing the file in one step. Answers false (file untouched) when it cannot.
    bool save(const std::filesystem::path& file, std::string& error) const;

    // The built-in assignments, into the saved and the live maps.
    void apply_defaults();
    // From the assignment page: the live maps only.
    void assign_cc(int controller, int param) { live.reassign(controller, param); }
    // The saved assignments become the live ones (then the caller saves the file).
    void keep_live_assignments();

    static bool valid_controller(int c) { return c >= 2 && c <= 95; }
    // Whether the default bank line can carry this path and read it back: no quote or line
    // break in it, and the line within what load reads.
    static bool can_hold_bank_path(const std::string& path);
};
