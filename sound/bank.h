// One bank file (.kvb) as the plug-in sees it: the path and the table of contents, with
// programs fetched from the file one at a time, and the edits not yet written kept as
// overlays (a timbre per program, or a whole program).
//
// File layout: long 0xBABA0002 (read, never checked), long program count, then per
// program its name (string) and record length (long), then the program records back to
// back in that order.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "sound/program.h"
#include "sound/serializable.h"

class bank : public serializable {
public:
    static constexpr int32_t BANK_VERSION = int32_t(0xBABA0002u);
    static constexpr int overlay_slots = 128;  // overlays exist for programs 0..127 only

    bank() = default;

    // Attaches the bank to a file and reads its table of contents; overlays are no
    // longer consulted. On failure (missing file, table ending early) the bank is
    // attached to the path with no programs and false is answered; callers that want the
    // previous bank back restore their copy.
    bool load(const std::filesystem::path& path);
    // Reads header and table of contents from the stream; on failure nothing changes.
    void load_toc(deserializer& in);

    // The table-of-contents name of program index, or "" outside 0..nprogs-1.
    std::string program_name(int32_t index) const;

    // Program index as the file holds it (the table of contents re-read first), with its
    // overlay applied. Never fails: what cannot be read is a default program "(empty)".
    // The play samples are not built.
    program get_program(int32_t index);

    // Keeps the program's timbre as the overlay of index (0..127; others are ignored).
    void set_program(int32_t index, const program& p);
    // Keeps the whole program as the overlay of index (0..127; others are ignored).
    void remember(int32_t index, const program& p);

    // Writes p as program index into the bank file, rewriting every record in the
    // current version through a temporary file renamed over the bank file. True when the
    // file now holds it; the overlays of index are then cleared. False when it could not
    // be done: no file, index outside the file's programs, an unreadable record, a full
    // disk, a failed rename... The bank file and every overlay are then as they were.
    // Never throws for such failures.
    bool store_program(int32_t index, const program& p);

    const std::filesystem::path& path() const { return file_path; }
    int32_t nprogs() const { return int32_t(toc_names.size()); }
    const std::vector<std::string>& names() const { return toc_names; }
    const std::vector<int32_t>& lengths() const { return toc_lengths; }
    bool storedp(int32_t index) const { return in_overlays(index) && program_overlay[size_t(index)]; }
    bool storedt(int32_t index) const { return in_overlays(index) && timbre_overlay[size_t(index)]; }

    // Banks are written by their own routines, not as records.
    void serialize(serializer&) const override {}
    void deserialize(deserializer&) override {}

    static bool in_overlays(int32_t index) { return index >= 0 && index < overlay_slots; }

private:
    struct toc {
        std::vector<std::string> names;
        std::vector<int32_t> lengths;
    };
    static toc read_toc(deserializer& in);
    void rewrite(serializer& out, int32_t index, const program& p);

    std::map<int32_t, program> stored_programs;
    std::array<bool, overlay_slots> program_overlay{};
    std::array<timbre, overlay_slots> stored_timbres;
    std::array<bool, overlay_slots> timbre_overlay{};
    std::filesystem::path file_path;
    std::vector<std::string> toc_names;
    std::vector<int32_t> toc_lengths;
};

// A whole bank file's bytes for these programs (header, table of contents, records).
void write_bank(serializer& out, const std::vector<program>& programs);
// Creates or replaces a bank file with these programs (through a temporary file).
// Throws persist_error.
void write_bank_file(const std::filesystem::path& path, const std::vector<program>& programs);
