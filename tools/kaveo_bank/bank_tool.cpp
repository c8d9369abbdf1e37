#include "tools/kaveo_bank/bank_tool.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <exception>

#include "kaveo_version.h"

namespace bank_tool {

namespace {

const char* const usage_text =
    "usage: kaveo-bank COMMAND ARGUMENTS\n"
    "\n"
    "  list BANK                        every program: index, name, record bytes, version\n"
    "  show BANK INDEX                  one program: its sample sets, slots, keys and the\n"
    "                                   parameter values that differ from a new program's\n"
    "  export BANK INDEX FILE.kvp       write program INDEX to a program file\n"
    "  import BANK INDEX FILE.kvp       store a program file as program INDEX\n"
    "  create BANK [--force]            a new bank of 128 \"(empty)\" programs\n"
    "  build BANK INDEX --name NAME --slot SLOT:FILE:KEYS [--slot ...] [options]\n"
    "                                   a program from WAV or AIFF files, stored as\n"
    "                                   program INDEX\n"
    "  --version                        Kaveo's version, as its editor shows it\n"
    "\n"
    "build options:\n"
    "  --slot SLOT:FILE:KEYS   sample FILE (WAV or AIFF; the first channel) into slot SLOT\n"
    "                          (0-7), played by KEYS: keys or ranges separated by commas,\n"
    "                          as MIDI numbers or note names (C4 = 60): 0-59, C2-B3,C5.\n"
    "                          Keys no slot names play the slot of the nearest named key.\n"
    "  --xpose SLOT:SEMITONES  transpose a slot, -24 to 24\n"
    "  --finetune SLOT:CENTS   tune a slot up, 0 to 100 cents\n"
    "  --name NAME             the program's name (at most 23 characters)\n"
    "  --wave-name NAME        the sample set's name (default: the program's name)\n"
    "  --param P=VALUE         parameter P (its number 0-86 or its name, such as\n"
    "                          \"Filter cutoff\") set to VALUE (0 to 1); others keep the\n"
    "                          values of a new program. The samples go into set A (UserA),\n"
    "                          which OSC1 plays.\n"
    "\n"
    "Programs are numbered from 0. Storing into a bank rewrites the whole file through a\n"
    "temporary file in its folder, so the bank is never left half written.\n"
    "Exit status: 0 done, 1 failed (the message says why), 2 wrong usage.\n";

}  // namespace

int parse_int(const std::string& text, int lo, int hi, const std::string& what) {
    errno = 0;
    char* end = nullptr;
    long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || std::isspace(static_cast<unsigned char>(text[0])))
        usage_error(what + " must be a whole number, not \"" + text + "\"");
    if (v < lo || v > hi)
        usage_error(what + " must be " + std::to_string(lo) + " to " + std::to_string(hi) + ", not " + text);
    return int(v);
}

int parse_key(const std::string& text) {
    if (!text.empty() && std::isdigit(static_cast<unsigned char>(text[0])))
        return parse_int(text, 0, 127, "a key");
    static const int pitch_class[7] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
    size_t i = 0;
    if (text.empty()) usage_error("a key is missing");
    char letter = char(std::toupper(static_cast<unsigned char>(text[0])));
    if (letter < 'A' || letter > 'G') usage_error("\"" + text + "\" is not a key (0-127 or a name such as C4)");
    int pc = pitch_class[letter - 'A'];
    ++i;
    if (i < text.size() && text[i] == '#') ++pc, ++i;
    else if (i < text.size() && text[i] == 'b') --pc, ++i;
    std::string octave = text.substr(i);
    if (octave.empty() || octave.size() > 2 || !std::isdigit(static_cast<unsigned char>(octave[0])) ||
        (octave.size() == 2 && !std::isdigit(static_cast<unsigned char>(octave[1]))))
        usage_error("\"" + text + "\" is not a key (0-127 or a name such as C4)");
    int key = (std::atoi(octave.c_str()) + 1) * 12 + pc;
    if (key < 0 || key > 127) usage_error("\"" + text + "\" lies outside the keys 0-127");
    return key;
}

std::vector<int> parse_keys(const std::string& text) {
    std::vector<int> keys;
    size_t start = 0;
    while (start <= text.size()) {
        size_t comma = text.find(',', start);
        std::string item = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (item.empty()) usage_error("empty entry in the keys \"" + text + "\"");
        size_t dash = item.find('-', 1);
        if (dash == std::string::npos) {
            keys.push_back(parse_key(item));
        } else {
            int lo = parse_key(item.substr(0, dash)), hi = parse_key(item.substr(dash + 1));
            if (lo > hi) usage_error("the range \"" + item + "\" runs backwards");
            for (int k = lo; k <= hi; ++k) keys.push_back(k);
        }
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return keys;
}

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty()) {
        err << usage_text;
        return bad_usage;
    }
    const std::string& command = args[0];
    if (command == "--help" || command == "-h" || command == "help") {
        out << usage_text;
        return ok;
    }
    if (command == "--version") {
        out << "kaveo-bank " << kaveo_version::text << "\n";
        return ok;
    }
    std::vector<std::string> rest(args.begin() + 1, args.end());
    for (const std::string& a : rest)
        if (a == "--help" || a == "-h") {
            out << usage_text;
            return ok;
        }
    try {
        if (command == "list") list_command(rest, out, err);
        else if (command == "show") show_command(rest, out);
        else if (command == "export") export_command(rest, out);
        else if (command == "import") import_command(rest, out);
        else if (command == "create") create_command(rest, out);
        else if (command == "build") build_command(rest, out);
        else usage_error("unknown command \"" + command + "\"");
        return ok;
    } catch (const tool_error& e) {
        err << "kaveo-bank: " << e.what() << "\n";
        if (e.code == bad_usage) err << "Run kaveo-bank --help for the commands.\n";
        return e.code;
    } catch (const std::bad_alloc&) {
        err << "kaveo-bank: out of memory\n";
        return failed;
    } catch (const std::exception& e) {
        err << "kaveo-bank: " << e.what() << "\n";
        return failed;
    }
}

}  // namespace bank_tool
