#include "host/renderer.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace host {

namespace {

// Suspends the plug-in however render() leaves, so a failing sink leaves it as found.
struct suspend_on_exit {
    plugin& p;
    ~suspend_on_exit() { p.suspend(); }
};

void add_warning(std::vector<std::string>& warnings, const std::string& text) {
    if (std::find(warnings.begin(), warnings.end(), text) == warnings.end())
        warnings.push_back(text);
}

}  // namespace

double render_summary::dbfs(double linear) {
    return linear > 0.0 ? 20.0 * std::log10(linear) : -std::numeric_limits<double>::infinity();
}

renderer::renderer(plugin& plug, const render_settings& settings) : p(plug), set(settings) {
    if (!(set.sample_rate >= 1000.0 && set.sample_rate <= 768000.0))
        throw std::runtime_error("the sample rate must be between 1000 and 768000 Hz");
    if (set.block_size < 1 || set.block_size > 65536)
        throw std::runtime_error("the block size must be between 1 and 65536 frames");
    if (!(set.tail_seconds >= 0.0 && set.tail_seconds <= 3600.0))
        throw std::runtime_error("the tail must be between 0 and 3600 seconds");
    if (!(set.silence_dbfs < 0.0 && set.silence_dbfs >= -200.0))
        throw std::runtime_error("the silence level must be between -200 and 0 dBFS");
    if (!(set.silence_seconds > 0.0)) throw std::runtime_error("silence time must be positive");
    AEffect* fx = p.effect();
    if (fx->numOutputs < 1) throw std::runtime_error("the plug-in has no audio outputs");
    if (fx->numOutputs > 64 || fx->numInputs < 0 || fx->numInputs > 64)
        throw std::runtime_error("the plug-in claims an implausible number of channels");
    written_channels = std::min(fx->numOutputs, 2);

    // Room for every pin the plug-in has; some plug-ins touch two buffers whatever they say.
    size_t block = size_t(set.block_size);
    out_buffers.assign(size_t(std::max(fx->numOutputs, 2)), std::vector<float>(block));
    in_buffers.assign(size_t(std::max(fx->numInputs, 2)), std::vector<float>(block));
    for (auto& b : out_buffers) out_pointers.push_back(b.data());
    for (auto& b : in_buffers) in_pointers.push_back(b.data());
    p.open(set.sample_rate, set.block_size);
}

renderer::~renderer() = default;

uint64_t renderer::planned_frames(const midi_song& song) const {
    double seconds = std::clamp(song.end_seconds, 0.0, max_song_seconds);
    return uint64_t(frame_at(seconds, set.sample_rate) + frame_at(set.tail_seconds, set.sample_rate));
}

std::vector<renderer::scheduled> renderer::schedule(const midi_song& song) const {
    std::vector<scheduled> events;
    events.reserve(song.messages.size());
    int held[16][128] = {};
    bool pedal[16] = {};
    for (const midi_message& m : song.messages) {
        if (m.size < 2 || m.size > 3 || !(m.bytes[0] & 0x80) || m.bytes[0] >= 0xF0) continue;
        scheduled e;
        e.frame = std::max<int64_t>(0, frame_at(m.seconds, set.sample_rate));
        std::memcpy(e.bytes, m.bytes, sizeof e.bytes);
        e.size = m.size;
        e.program = m.kind() == 0xC0;
        events.push_back(e);
        int ch = m.channel(), key = m.bytes[1] & 0x7F;
        if (m.kind() == 0x90 && m.bytes[2] > 0) {
            ++held[ch][key];
        } else if ((m.kind() == 0x80 || m.kind() == 0x90) && held[ch][key] > 0) {
            --held[ch][key];
        } else if (m.kind() == 0xB0 && key == 64) {
            pedal[ch] = m.bytes[2] >= 64;
        } else if (m.kind() == 0xB0 && (key == 120 || key == 123)) {
            std::fill(std::begin(held[ch]), std::end(held[ch]), 0);
        }
    }
    // A song that ends with notes or the pedal still down (a cut-off recording, a lost
    // note-off) is released at its end, so the tail is a release and not a drone.
    int64_t end = frame_at(song.end_seconds, set.sample_rate);
    for (int ch = 0; ch < 16; ++ch) {
        if (pedal[ch]) events.push_back({end, false, {uint8_t(0xB0 | ch), 64, 0}, 3});
        for (int key = 0; key < 128; ++key)
            for (int n = 0; n < held[ch][key]; ++n)
                events.push_back({end, false, {uint8_t(0x80 | ch), uint8_t(key), 64}, 3});
    }
    // At one frame a program change goes first: it selects the sound of the notes beside it.
    std::stable_sort(events.begin(), events.end(), [](const scheduled& a, const scheduled& b) {
        return a.frame < b.frame || (a.frame == b.frame && a.program && !b.program);
    });
    return events;
}

void renderer::deliver(const scheduled* first, size_t count, int64_t block_start) {
    if (count == 0) return;
    if (count > events_capacity) {
        events_capacity = std::max(count, 2 * events_capacity);
        midi_events.resize(events_capacity);
        size_t bytes = offsetof(VstEvents, events) + events_capacity * sizeof(VstEvent*);
        events_block.reset(new unsigned char[std::max(bytes, sizeof(VstEvents))]);
    }
    auto* list = reinterpret_cast<VstEvents*>(events_block.get());
    list->numEvents = VstInt32(count);
    list->reserved = 0;
    for (size_t i = 0; i < count; ++i) {
        VstMidiEvent& e = midi_events[i];
        e = VstMidiEvent{};
        e.type = kVstMidiType;
        e.byteSize = sizeof(VstMidiEvent);
        e.deltaFrames = VstInt32(first[i].frame - block_start);
        std::memcpy(e.midiData, first[i].bytes, first[i].size);
        list->events[i] = reinterpret_cast<VstEvent*>(&e);
    }
    // The list and the events stay untouched until the next block: plug-ins may keep the
    // pointers until the render call that follows returns.
    p.dispatch(effProcessEvents, 0, 0, list);
}

void renderer::switch_program(int program, render_summary& summary) {
    int count = p.effect()->numPrograms;
    if (program >= count) {
        add_warning(summary.warnings, "program change to " + std::to_string(program) +
                                          " ignored: the plug-in has " +
                                          std::to_string(count) + " programs");
        return;
    }
    p.dispatch(effBeginSetProgram);
    p.dispatch(effSetProgram, 0, program);
    p.dispatch(effEndSetProgram);
    ++summary.program_changes;
}

void renderer::run(float** outputs, int frames) {
    AEffect* fx = p.effect();
    for (auto& b : out_buffers) std::fill(b.begin(), b.begin() + frames, 0.0f);
    // Plug-ins without the replacing call get zeroed buffers to add into.
    if ((fx->flags & effFlagsCanReplacing) && fx->processReplacing)
        fx->processReplacing(fx, in_pointers.data(), outputs, frames);
    else if (fx->process)
        fx->process(fx, in_pointers.data(), outputs, frames);
}

render_summary renderer::render(const midi_song& song, const block_sink& sink,
                                const progress_fn& progress) {
    // Bounds every frame count below; a garbage file can claim centuries.
    if (!(song.end_seconds >= 0.0 && song.end_seconds <= max_song_seconds))
        throw std::runtime_error("the song is longer than kaveo-render renders (" +
                                 std::to_string(int(max_song_seconds / 3600)) + " hours)");
    render_summary summary;
    summary.song_seconds = song.end_seconds;
    const std::vector<scheduled> events = schedule(song);
    const int64_t song_frames = frame_at(song.end_seconds, set.sample_rate);
    const int64_t total = int64_t(planned_frames(song));
    const int64_t silence_needed = std::max<int64_t>(1, frame_at(set.silence_seconds, set.sample_rate));
    const double silence_level = std::pow(10.0, set.silence_dbfs / 20.0);

    bool answer_time = p.time.answer_time;
    p.time = transport{};
    p.time.answer_time = answer_time;
    p.time.changed = true;
    p.resume();
    suspend_on_exit guard{p};
    auto started = std::chrono::steady_clock::now();

    double sum_squares = 0.0;
    int64_t silent_run = 0;
    size_t next = 0;
    int64_t pos = 0;
    while (pos < total) {
        song_position where = song.position_at(double(pos) / set.sample_rate);
        p.time.sample_pos = double(pos);
        p.time.ppq_pos = where.beats;
        p.time.tempo = where.bpm;
        p.time.bar_start_ppq = where.bar_start_beats;
        p.time.numerator = where.numerator;
        p.time.denominator = where.denominator;

        for (; next < events.size() && events[next].program && events[next].frame <= pos; ++next)
            switch_program(events[next].bytes[1], summary);
        // The block ends early at a program change, so the switch falls on its frame.
        int frames = int(std::min<int64_t>(set.block_size, total - pos));
        size_t last = next;
        for (; last < events.size() && events[last].frame < pos + frames; ++last) {
            if (events[last].program) {
                frames = int(events[last].frame - pos);
                break;
            }
            summary.events++;
            if ((events[last].bytes[0] & 0xF0) == 0x90 && events[last].bytes[2] > 0)
                summary.notes++;
        }
        deliver(events.data() + next, last - next, pos);
        next = last;
        run(out_pointers.data(), frames);
        p.time.changed = false;

        bool quiet = true;
        for (int c = 0; c < written_channels; ++c) {
            for (int i = 0; i < frames; ++i) {
                double x = out_buffers[size_t(c)][size_t(i)];
                if (std::isnan(x)) continue;
                summary.peak = std::max(summary.peak, std::fabs(x));
                sum_squares += x * x;
            }
        }
        if (set.stop_on_silence) {
            for (int i = 0; i < frames; ++i) {
                bool silent = pos + i >= song_frames;
                for (int c = 0; c < written_channels && silent; ++c)
                    silent = std::fabs(out_buffers[size_t(c)][size_t(i)]) < silence_level;
                silent_run = silent ? silent_run + 1 : 0;
            }
            quiet = silent_run >= silence_needed;
        }
        sink(out_pointers.data(), frames);
        pos += frames;
        if (progress) progress(uint64_t(pos), uint64_t(total));
        if (set.stop_on_silence && quiet) break;
    }

    summary.wall_seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    summary.frames = uint64_t(pos);
    summary.seconds = double(pos) / set.sample_rate;
    if (pos > 0) summary.rms = std::sqrt(sum_squares / double(pos * written_channels));
    if (summary.wall_seconds > 0) summary.realtime_factor = summary.seconds / summary.wall_seconds;
    return summary;
}

}  // namespace host
