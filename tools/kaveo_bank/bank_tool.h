// kaveo-bank, the sound designers' bank tool: lists a bank's programs, shows one, exports
// and imports program files, creates empty banks and builds programs from WAV or AIFF
// files into a bank position. It reads and writes banks with the plug-in's own code.
#pragma once

#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace bank_tool {

// Exit codes.
inline constexpr int ok = 0;
inline constexpr int failed = 1;     // the files did not allow it; the message says why
inline constexpr int bad_usage = 2;  // the command line is wrong

// A failure with the exit code it ends the tool with.
struct tool_error : std::runtime_error {
    tool_error(int code, const std::string& message) : std::runtime_error(message), code(code) {}
    int code;
};
[[noreturn]] inline void usage_error(const std::string& message) { throw tool_error(bad_usage, message); }
[[noreturn]] inline void failure(const std::string& message) { throw tool_error(failed, message); }

// Runs one command line (without the program name): output on out, messages on err;
// answers the exit code.
int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The commands; args after the command's name. Throw tool_error.
void list_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
void show_command(const std::vector<std::string>& args, std::ostream& out);
void export_command(const std::vector<std::string>& args, std::ostream& out);
void import_command(const std::vector<std::string>& args, std::ostream& out);
void create_command(const std::vector<std::string>& args, std::ostream& out);
void build_command(const std::vector<std::string>& args, std::ostream& out);

// Command-line items.
// A key: 0..127 or a note name, C4 = 60 ("F#3", "Bb2"). Throws tool_error.
int parse_key(const std::string& text);
// Keys: items separated by commas, each a key or a range LO-HI ("0-59", "C2-B3,C5").
std::vector<int> parse_keys(const std::string& text);
// A whole number in [lo, hi]; `what` names it in the message.
int parse_int(const std::string& text, int lo, int hi, const std::string& what);

}  // namespace bank_tool
