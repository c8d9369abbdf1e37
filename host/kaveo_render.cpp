// kaveo-render: a command-line host for VST 2.x instruments. Plays a MIDI file or a note
// list through an instrument into a WAV file, or prints what a host sees of a plug-in.
#include <unistd.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "host/info.h"
#include "host/midi_file.h"
#include "host/note_list.h"
#include "host/progress_bar.h"
#include "host/renderer.h"
#include "host/vst_host.h"
#include "host/wav_writer.h"

namespace {

void usage(std::FILE* out) {
    std::fprintf(out,
R"(usage: kaveo-render [OPTIONS] SONG.mid          render a standard MIDI file
       kaveo-render [OPTIONS] --notes LIST      render notes given here
       kaveo-render --info [PLUGIN]             show what a host sees of a plug-in

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

Program changes in the song switch the plug-in's program. Notes still held when the song
ends are released there.
)",
                 host::default_plugin_path().c_str());
}

struct options {
    bool info = false;
    bool quiet = false;
    std::string plugin, output, song, notes;
    bool has_notes = false;
    double tempo = 120.0;
    std::string format = "16";
    host::render_settings render;
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
        } else if (a == "--info") {
            o.info = true;
        } else if (a == "-p" || a == "--plugin") {
            o.plugin = next();
        } else if (a == "-o" || a == "--output") {
            o.output = next();
        } else if (a == "--notes") {
            o.notes = next();
            o.has_notes = true;
        } else if (a == "--tempo") {
            o.tempo = number(a, next());
        } else if (a == "-r" || a == "--rate") {
            o.render.sample_rate = number(a, next());
            if (o.render.sample_rate != std::floor(o.render.sample_rate))
                throw usage_error("--rate needs a whole number of Hz");
        } else if (a == "-b" || a == "--block") {
            double b = number(a, next());
            if (b != std::floor(b) || b < 1 || b > 65536)
                throw usage_error("--block needs a whole number from 1 to 65536");
            o.render.block_size = int(b);
        } else if (a == "-f" || a == "--format") {
            o.format = next();
        } else if (a == "--tail") {
            o.render.tail_seconds = number(a, next());
        } else if (a == "--stop-on-silence") {
            o.render.stop_on_silence = true;
        } else if (a == "--silence-level") {
            o.render.silence_dbfs = number(a, next());
        } else if (a == "-q" || a == "--quiet") {
            o.quiet = true;
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
        if (o.plugin.empty()) o.plugin = o.song;
        return o;
    }
    if (o.has_notes == !o.song.empty())
        throw usage_error(o.has_notes ? "give either a song or --notes, not both"
                                      : "no song given: a MIDI file or --notes LIST");
    if (o.output.empty())
        o.output = o.has_notes ? "notes.wav"
                               : std::filesystem::path(o.song).replace_extension(".wav").string();
    std::error_code ignored;
    if (!o.song.empty() && std::filesystem::equivalent(o.song, o.output, ignored))
        throw usage_error("the output file " + o.output + " is the song itself");
    return o;
}

std::string level_text(double linear) {
    double db = host::render_summary::dbfs(linear);
    if (!std::isfinite(db)) return "-inf dBFS (silent)";
    char text[32];
    std::snprintf(text, sizeof text, "%.1f dBFS", db);
    return text;
}

void print_summary(const options& o, host::plugin& p, const host::render_summary& s,
                   const host::wav_writer& wav, int channels) {
    std::printf("Plug-in    %s (%s)\n", p.effect_name().c_str(), o.plugin.c_str());
    std::printf("Output     %s (%s, %.0f Hz, %s)\n", o.output.c_str(), o.format.c_str(),
                o.render.sample_rate, channels == 1 ? "mono" : "stereo");
    std::printf("Duration   %.3f s (song %.3f s, tail %.3f s)\n", s.seconds, s.song_seconds,
                std::max(0.0, s.seconds - s.song_seconds));
    std::printf("Events     %d (%d notes, %d program changes)\n", s.events, s.notes,
                s.program_changes);
    std::printf("Peak       %s\n", level_text(s.peak).c_str());
    std::printf("RMS        %s\n", level_text(s.rms).c_str());
    std::printf("Speed      %.1fx real time (%.2f s)\n", s.realtime_factor, s.wall_seconds);
    if (wav.clipped() > 0)
        std::printf("Clipped    %llu samples (use --format float to keep them)\n",
                    static_cast<unsigned long long>(wav.clipped()));
}

int render(options& o) {
    host::sample_format format;
    if (!host::parse_sample_format(o.format, format))
        throw usage_error("--format must be 16, 24 or float, not \"" + o.format + "\"");
    o.format = host::format_name(format);
    host::midi_song song = o.has_notes ? host::parse_note_list(o.notes, o.tempo)
                                       : host::read_midi_file(o.song);
    for (const std::string& w : song.warnings)
        std::fprintf(stderr, "kaveo-render: warning: %s\n", w.c_str());

    std::string error;
    auto p = host::plugin::load(o.plugin, error);
    if (!p) throw std::runtime_error(error);
    if (!(p->effect()->flags & effFlagsIsSynth) && p->can_do("receiveVstEvents") <= 0 &&
        p->can_do("receiveVstMidiEvent") <= 0)
        std::fprintf(stderr, "kaveo-render: warning: %s may not be an instrument\n",
                     o.plugin.c_str());
    host::renderer r(*p, o.render);

    uint64_t planned = r.planned_frames(song);
    if (planned > host::wav_max_frames(r.channels(), format))
        throw std::runtime_error("the render would take " + std::to_string(planned) +
                                 " frames, more than a WAV file can hold");
    host::wav_writer wav(o.output, uint32_t(o.render.sample_rate), r.channels(), format);
    host::progress_bar bar(stderr, o.render.sample_rate);
    host::progress_fn progress;
    if (!o.quiet) progress = [&](uint64_t done, uint64_t all) { bar.update(done, all); };
    host::render_summary s = r.render(
        song, [&](const float* const* ch, int frames) { wav.write(ch, size_t(frames)); },
        progress);
    bar.clear();
    wav.finish();
    for (const std::string& w : s.warnings)
        std::fprintf(stderr, "kaveo-render: warning: %s\n", w.c_str());
    if (!o.quiet) print_summary(o, *p, s, wav, r.channels());
    return 0;
}

int info(const options& o) {
    std::string error;
    auto p = host::plugin::load(o.plugin, error);
    if (!p) throw std::runtime_error(error);
    p->start(44100.0, 512);
    std::printf("Plug-in:         %s\n", o.plugin.c_str());
    host::print_info(*p, stdout);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        options o = parse(argc, argv);
        if (o.plugin.empty()) o.plugin = host::default_plugin_path();
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
