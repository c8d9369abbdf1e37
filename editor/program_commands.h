// The program and bank commands behind the editor's buttons: file dialogs, questions and
// error messages around the effect's program and bank operations. Dialogs run beside the
// host (the frame's idle watches them), so every command returns at once and finishes
// when the user has answered. No failure reaches the host: each shows a message.
#pragma once

#include <string>

class KaveosEditor;

namespace editor_commands {

// Program bar tags.
enum : long {
    import_program = 200,
    export_program = 201,
    copy_program = 202,
    program_name = 203,
    store_program = 204,
    paste_program = 205,
    reset_program = 206,
};
// Bank panel tags.
enum : long { set_active_bank = 6000, create_new_bank = 6001, make_default_bank = 6002 };

// Runs the program command of tag (200 to 206 but 203); false for other tags.
bool run_program_command(KaveosEditor& editor, long tag);
// Runs the bank command of tag (6000 to 6002); false for other tags.
bool run_bank_command(KaveosEditor& editor, long tag);

// Renames program (the one current when the name box opened); the name is cut to the
// characters the name field shows.
void rename_program(KaveosEditor& editor, int program, const std::string& name);
// The program after (+1) or before (-1) the current one, wrapping at the ends.
void step_program(KaveosEditor& editor, int direction);
void select_program(KaveosEditor& editor, long index);

// path with extension (".kvp") appended when the file name, the part after the last '/',
// holds no dot.
std::string with_default_extension(const std::string& path, const char* extension);

// The messages the commands show.
inline constexpr const char* error_caption = "Error";
inline constexpr const char* msg_import_failed = "The program could not be loaded.";
inline constexpr const char* msg_export_failed = "The program could not be saved.";
inline constexpr const char* msg_store_failed = "The bank file could not be updated.";
inline constexpr const char* msg_bank_load_failed = "The bank could not be loaded.";
inline constexpr const char* msg_bank_create_failed = "The bank could not be created.";
inline constexpr const char* msg_default_failed = "The default bank could not be saved.";
inline constexpr const char* msg_no_bank_file = "No bank file is active, so there is no bank to make the default.";
inline constexpr const char* msg_active_bank = "This is the active bank's file. A new bank cannot replace it.";
inline constexpr const char* msg_rename_failed = "The program changed while its name was edited; the name was not changed.";
inline constexpr const char* msg_command_failed = "The command failed.";
inline constexpr const char* replace_caption = "Replace file";

}  // namespace editor_commands
