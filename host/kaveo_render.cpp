// kaveo-render: a command-line host for VST 2.x instruments. Plays a MIDI file or a note
// list through an instrument into a WAV file, or prints what a host sees of a plug-in.
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "host/info.h"
#include "host/midi_file.h"
#include "host/note_list.h"
#include "host/progress_bar.h"
#include "host/render_job.h"
#include "host/renderer.h"
#include "host/state_file.h"
#include "host/vst_host.h"
#include "host/wav_writer.h"
#include "kaveo_version.h"

namespace {

void usage(std::FILE* out) {
    std::fprintf(out,
R"(usage: kaveo-render [OPTIONS] SONG.mid          render a standard MIDI file
       kaveo-render [OPTIONS] --notes LIST      render notes given here
       kaveo-render --info [--program N] [PLUGIN]   show what a host sees of a plug-in

Renders through a VST 2.x instrument into a WAV file and prints a summary.

  -p, --plugin PATH      the instrument (default: %s)
  -o, --output FILE      the WAV file (default: the song's name with .wav, or notes.wav)
      --notes LIST       notes as KEY:START:LENGTH[:VELOCITY], separated by commas
                         KEY     0-127 or a name: C4 = 60, F#3, Bb2
                         START, LENGTH  beats, or seconds with an s: 1.5 or 0.75s
                         VELOCITY 1-127 (default 100); notes play on channel 1
                         example: --notes "C4:0:1,E4:1:1,G4:2:2:90"
      --tempo BPM        the tempo of a note list (default 120)
  -r, --rate HZ          sample rate (default 44100)
  -b, --block FRAMES     block size, the most frames per render call (default 512)
  -f, --format FORMAT    16, 24 or float (default 16)
      --tail SECONDS     rendered after the song ends, for releases (default 2)
      --stop-on-silence  end the tail early once the output has stayed below the
                         silence level for half a second
      --silence-level DBFS  the silence level (default -90)
  -q, --quiet            no progress bar and no summary
  -h, --help             this text
      --version          Kaveo's version, as its editor shows it

Before playing:
      --program N        select program N (effSetProgram)
      --param I=V        set parameter I to V (0 to 1) after the program; repeatable
      --load-state FILE  restore a state saved with --save-state (effSetChunk)
      --bank FILE        make Kaveo play from this bank file (through a bank chunk);
                         --program chooses the program in it (default 0)
After playing:
      --save-state FILE  save the plug-in's state (effGetChunk), as hosts do in projects
      --state KIND       the kind of chunk saved: bank (default) or program
Mixing:
      --per-channel      one instance of the plug-in per MIDI channel of the song, each
                         taking that channel's events and program changes, summed
      --normalize        scale the output so its peak is at -1 dBFS

Program changes in the song switch the plug-in's program. Notes still held when the song
ends are released there.
)",
                 host::default_plugin_path().c_str());
}

struct options {
    bool info = false;
    bool quiet = false;
    std::string song, notes;
    bool has_notes = false;
    double tempo = 120.0;
    std::string format = "16";
    host::job_options job;
};

struct usage_error : std::runtime_error {
    using std::runtime_error::runtime_error;
};

double number(const std::string& option, const std::string& text) {
    double v = 0.0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || !std::isfinite(v))
        throw usage_error(option + " needs a number, not \"" + text + "\"");
    return v;
}

int whole_number(const std::string& option, const std::string& text, int low, int high) {
    double v = number(option, text);
    if (v != std::floor(v) || v < low || v > high)
        throw usage_error(option + " needs a whole number from " + std::to_string(low) + " to " +
                          std::to_string(high) + ", not \"" + text + "\"");
    return int(v);
}

std::pair<int, float> parameter(const std::string& text) {
    size_t eq = text.find('=');
    if (eq == std::string::npos)
        throw usage_error("--param needs INDEX=VALUE, not \"" + text + "\"");
    int index = whole_number("--param's index", text.substr(0, eq), 0, 65535);
    double value = number("--param's value", text.substr(eq + 1));
    if (value < 0.0 || value > 1.0)
        throw usage_error("--param's value is a number from 0 to 1, not \"" +
                          text.substr(eq + 1) + "\"");
    return {index, float(value)};
}

bool same_file(const std::string& a, const std::string& b) {
    std::error_code ignored;
    return !a.empty() && !b.empty() &&
           (std::filesystem::equivalent(a, b, ignored) ||
            std::filesystem::absolute(a, ignored).lexically_normal() ==
                std::filesystem::absolute(b, ignored).lexically_normal());
}

options parse(int argc, char** argv) {
    options o;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i], value;
        bool inline_value = false;
        if (a.rfind("--", 0) == 0 && a.find('=') != std::string::npos) {
            value = a.substr(a.find('=') + 1);
            a = a.substr(0, a.find('='));
            inline_value = true;
        }
        auto next = [&]() -> std::string {
            if (inline_value) return value;
            if (i + 1 >= argc) throw usage_error(a + " needs a value");
            return argv[++i];
        };
        if (a == "-h" || a == "--help") {
            usage(stdout);
            std::exit(0);
        } else if (a == "--version") {
            std::printf("kaveo-render %s\n", kaveo_version::text);
            std::exit(0);
        } else if (a == "--info") {
            o.info = true;
        } else if (a == "-p" || a == "--plugin") {
            o.job.plugin = next();
        } else if (a == "-o" || a == "--output") {
            o.job.output = next();
        } else if (a == "--notes") {
            o.notes = next();
            o.has_notes = true;
        } else if (a == "--tempo") {
            o.tempo = number(a, next());
        } else if (a == "-r" || a == "--rate") {
            o.job.render.sample_rate = number(a, next());
            if (o.job.render.sample_rate != std::floor(o.job.render.sample_rate))
                throw usage_error("--rate needs a whole number of Hz");
        } else if (a == "-b" || a == "--block") {
            double b = number(a, next());
            if (b != std::floor(b) || b < 1 || b > 65536)
                throw usage_error("--block needs a whole number from 1 to 65536");
            o.job.render.block_size = int(b);
        } else if (a == "-f" || a == "--format") {
            o.format = next();
        } else if (a == "--tail") {
            o.job.render.tail_seconds = number(a, next());
        } else if (a == "--stop-on-silence") {
            o.job.render.stop_on_silence = true;
        } else if (a == "--silence-level") {
            o.job.render.silence_dbfs = number(a, next());
        } else if (a == "-q" || a == "--quiet") {
            o.quiet = true;
        } else if (a == "--program") {
            o.job.program = whole_number(a, next(), 0, 65535);
        } else if (a == "--param") {
            o.job.params.push_back(parameter(next()));
        } else if (a == "--save-state") {
            o.job.save_state = next();
        } else if (a == "--load-state") {
            o.job.load_state = next();
        } else if (a == "--state") {
            std::string kind = next();
            if (!host::parse_chunk_kind(kind, o.job.state_kind))
                throw usage_error("--state must be program or bank, not \"" + kind + "\"");
            o.job.state_kind_given = true;
        } else if (a == "--bank") {
            o.job.bank = next();
        } else if (a == "--per-channel") {
            o.job.per_channel = true;
        } else if (a == "--normalize") {
            o.job.normalize = true;
        } else if (a.size() > 1 && a[0] == '-') {
            throw usage_error("unknown option " + a);
        } else if (o.song.empty()) {
            o.song = a;
        } else {
            throw usage_error("more than one song given: " + o.song + " and " + a);
        }
    }
    if (o.info) {
        // The plug-in may follow --info directly, as it always could.
        if (o.job.plugin.empty()) o.job.plugin = o.song;
        return o;
    }
    if (o.has_notes == !o.song.empty())
        throw usage_error(o.has_notes ? "give either a song or --notes, not both"
                                      : "no song given: a MIDI file or --notes LIST");
    if (o.job.output.empty())
        o.job.output = o.has_notes ? "notes.wav"
                               : std::filesystem::path(o.song).replace_extension(".wav").string();
    std::error_code ignored;
    if (!o.song.empty() && std::filesystem::equivalent(o.song, o.job.output, ignored))
        throw usage_error("the output file " + o.job.output + " is the song itself");
    if (!o.job.bank.empty() && !o.job.load_state.empty())
        throw usage_error("give either --bank or --load-state, not both: each sets the state");
    if (o.job.per_channel && !o.job.save_state.empty())
        throw usage_error("--save-state saves one instance's state; it cannot be used with "
                          "--per-channel");
    if (o.job.state_kind_given && o.job.save_state.empty() && o.job.load_state.empty())
        throw usage_error("--state chooses the kind of --save-state or --load-state; neither "
                          "is given");
    for (const std::string& other : {o.song, o.job.output, o.job.bank})
        if (same_file(o.job.save_state, other))
            throw usage_error("--save-state would overwrite " + other);
    return o;
}

std::string level_text(double linear) {
    double db = host::render_summary::dbfs(linear);
    if (!std::isfinite(db)) return "-inf dBFS (silent)";
    char text[32];
    std::snprintf(text, sizeof text, "%.1f dBFS", db);
    return text;
}

std::string channel_list(uint16_t mask) {
    std::string text;
    for (int c = 0; c < 16; ++c)
        if (mask & (1u << c)) {
            if (!text.empty()) text += ',';
            text += std::to_string(c + 1);
        }
    return text;
}

void print_summary(const options& o, host::render_job& job, const host::render_summary& s) {
    std::vector<host::player>& players = job.players();
    std::printf("Plug-in    %s (%s)\n", players.front().p->effect_name().c_str(),
                o.job.plugin.c_str());
    for (const std::string& line : job.notes()) std::printf("%s\n", line.c_str());
    std::printf("Output     %s (%s, %.0f Hz, %s)\n", o.job.output.c_str(), o.format.c_str(),
                o.job.render.sample_rate, job.channels() == 1 ? "mono" : "stereo");
    std::printf("Duration   %.3f s (song %.3f s, tail %.3f s)\n", s.seconds, s.song_seconds,
                std::max(0.0, s.seconds - s.song_seconds));
    std::printf("Events     %d (%d notes, %d program changes)\n", s.events, s.notes,
                s.program_changes);
    auto program_text = [&](size_t i) {
        const host::instance_summary& in = s.instances[i];
        int program = in.first_program >= 0 ? in.first_program : players[i].start_program;
        std::string name = players[i].p->program_name(program);
        return std::to_string(program) + (name.empty() ? "" : " " + name);
    };
    if (!o.job.per_channel) {
        std::printf("Program    %s\n", program_text(0).c_str());
    } else {
        std::printf("Instances  %zu, one per channel; the program each played first:\n",
                    players.size());
        for (size_t i = 0; i < players.size(); ++i) {
            const host::instance_summary& in = s.instances[i];
            std::printf("  channel %-2s  %-28s %5d notes  peak %s, RMS %s\n",
                        channel_list(in.channels).c_str(),
                        in.notes ? program_text(i).c_str() : "-", in.notes,
                        level_text(in.peak).c_str(), level_text(in.rms).c_str());
        }
    }
    double gain = job.gain();
    if (o.job.normalize && s.peak > 0.0)
        std::printf("Gain       %+.1f dB (normalized to a peak of %.1f dBFS)\n",
                    20.0 * std::log10(gain), host::normalize_dbfs);
    else if (o.job.normalize)
        std::printf("Gain       none (silent: nothing to normalize)\n");
    std::printf("Peak       %s\n", level_text(s.peak * gain).c_str());
    std::printf("RMS        %s\n", level_text(s.rms * gain).c_str());
    std::printf("Speed      %.1fx real time (%.2f s)\n", s.realtime_factor, s.wall_seconds);
    if (job.clipped() > 0)
        std::printf("Clipped    %llu samples (use --normalize, or --format float to keep them)\n",
                    static_cast<unsigned long long>(job.clipped()));
    else if (s.peak * gain > 1.0)
        std::printf("Note       the peak is above full scale; players will clip it "
                    "(--normalize avoids it)\n");
}

int render(options& o) {
    if (!host::parse_sample_format(o.format, o.job.format))
        throw usage_error("--format must be 16, 24 or float, not \"" + o.format + "\"");
    o.format = host::format_name(o.job.format);
    host::midi_song song = o.has_notes ? host::parse_note_list(o.notes, o.tempo)
                                       : host::read_midi_file(o.song);
    for (const std::string& w : song.warnings)
        std::fprintf(stderr, "kaveo-render: warning: %s\n", w.c_str());

    host::render_job job(o.job, song);
    host::progress_bar bar(stderr, o.job.render.sample_rate);
    host::progress_fn progress;
    if (!o.quiet) progress = [&](uint64_t done, uint64_t all) { bar.update(done, all); };
    host::render_summary s = job.run(progress);
    bar.clear();
    for (const std::string& w : s.warnings)
        std::fprintf(stderr, "kaveo-render: warning: %s\n", w.c_str());
    if (s.notes > 0 && !(s.peak > 0.0))
        std::fprintf(stderr, "kaveo-render: warning: the output is silent, though %d notes "
                             "played\n", s.notes);
    if (!o.quiet) print_summary(o, job, s);
    return 0;
}

int info(const options& o) {
    std::string error;
    auto p = host::plugin::load(o.job.plugin, error);
    if (!p) throw std::runtime_error(error);
    p->open(44100.0, 512);
    // The parameter values shown are those of the program asked for.
    host::instance_setup setup;
    setup.program = o.job.program;
    host::apply_setup(*p, setup);
    p->resume();
    std::printf("Plug-in:         %s\n", o.job.plugin.c_str());
    host::print_info(*p, stdout);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        options o = parse(argc, argv);
        if (o.job.plugin.empty()) o.job.plugin = host::default_plugin_path();
        return o.info ? info(o) : render(o);
    } catch (const usage_error& e) {
        std::fprintf(stderr, "kaveo-render: %s\n(kaveo-render --help lists the options)\n",
                     e.what());
        return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kaveo-render: %s\n", e.what());
        return 1;
    }
}
