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

// Suspends the plug-ins however render() leaves, so a failing sink leaves them as found.
struct suspend_on_exit {
    std::vector<plugin*> plugins;
    ~suspend_on_exit() {
        for (plugin* p : plugins) p->suspend();
    }
};

void add_warning(std::vector<std::string>& warnings, const std::string& text) {
    if (std::find(warnings.begin(), warnings.end(), text) == warnings.end())
        warnings.push_back(text);
}

}  // namespace

double render_summary::dbfs(double linear) {
    return linear > 0.0 ? 20.0 * std::log10(linear) : -std::numeric_limits<double>::infinity();
}

renderer::renderer(plugin& plug, const render_settings& settings)
    : renderer(std::vector<instance>{{&plug, 0xFFFF}}, settings) {}

renderer::renderer(const std::vector<instance>& instances, const render_settings& settings)
    : set(settings) {
    if (!(set.sample_rate >= 1000.0 && set.sample_rate <= 768000.0))
        throw std::runtime_error("the sample rate must be between 1000 and 768000 Hz");
    if (set.block_size < 1 || set.block_size > 65536)
        throw std::runtime_error("the block size must be between 1 and 65536 frames");
    if (!(set.tail_seconds >= 0.0 && set.tail_seconds <= 3600.0))
        throw std::runtime_error("the tail must be between 0 and 3600 seconds");
    if (!(set.silence_dbfs < 0.0 && set.silence_dbfs >= -200.0))
        throw std::runtime_error("the silence level must be between -200 and 0 dBFS");
    if (!(set.silence_seconds > 0.0)) throw std::runtime_error("silence time must be positive");
    if (instances.empty()) throw std::runtime_error("nothing to render with: no plug-in");

    written_channels = 1;
    for (const instance& in : instances) {
        if (!in.p) throw std::runtime_error("an instance without a plug-in");
        AEffect* fx = in.p->effect();
        if (fx->numOutputs < 1) throw std::runtime_error("the plug-in has no audio outputs");
        if (fx->numOutputs > 64 || fx->numInputs < 0 || fx->numInputs > 64)
            throw std::runtime_error("the plug-in claims an implausible number of channels");
        written_channels = std::max(written_channels, std::min(fx->numOutputs, 2));

        lane l;
        l.p = in.p;
        l.channels = in.channels;
        // Room for every pin the plug-in has; some plug-ins touch two buffers whatever they say.
        size_t block = size_t(set.block_size);
        l.out_buffers.assign(size_t(std::max(fx->numOutputs, 2)), std::vector<float>(block));
        l.in_buffers.assign(size_t(std::max(fx->numInputs, 2)), std::vector<float>(block));
        for (auto& b : l.out_buffers) l.out_pointers.push_back(b.data());
        for (auto& b : l.in_buffers) l.in_pointers.push_back(b.data());
        lanes.push_back(std::move(l));
    }
    if (lanes.size() > 1) {
        mix_buffers.assign(size_t(written_channels), std::vector<float>(size_t(set.block_size)));
        for (auto& b : mix_buffers) mix_pointers.push_back(b.data());
    }
    for (lane& l : lanes) l.p->open(set.sample_rate, set.block_size);
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

void renderer::deliver(lane& l, instance_summary& own, const scheduled* first, size_t count,
                       int64_t block_start) {
    size_t taken = 0;
    for (size_t i = 0; i < count; ++i) taken += l.takes(first[i]) ? 1 : 0;
    if (taken == 0) return;
    if (taken > l.events_capacity) {
        l.events_capacity = std::max(taken, 2 * l.events_capacity);
        l.midi_events.resize(l.events_capacity);
        size_t bytes = offsetof(VstEvents, events) + l.events_capacity * sizeof(VstEvent*);
        l.events_block.reset(new unsigned char[std::max(bytes, sizeof(VstEvents))]);
    }
    auto* list = reinterpret_cast<VstEvents*>(l.events_block.get());
    list->numEvents = VstInt32(taken);
    list->reserved = 0;
    size_t n = 0;
    for (size_t i = 0; i < count; ++i) {
        if (!l.takes(first[i])) continue;
        VstMidiEvent& e = l.midi_events[n];
        e = VstMidiEvent{};
        e.type = kVstMidiType;
        e.byteSize = sizeof(VstMidiEvent);
        e.deltaFrames = VstInt32(first[i].frame - block_start);
        std::memcpy(e.midiData, first[i].bytes, first[i].size);
        list->events[n++] = reinterpret_cast<VstEvent*>(&e);
        if ((first[i].bytes[0] & 0xF0) == 0x90 && first[i].bytes[2] > 0) {
            ++own.notes;
            if (own.notes == 1) own.first_program = l.program;
        }
    }
    // The list and the events stay untouched until the next block: plug-ins may keep the
    // pointers until the render call that follows returns.
    l.p->dispatch(effProcessEvents, 0, 0, list);
}

void renderer::switch_program(lane& l, int program, render_summary& summary,
                              instance_summary& own) {
    int count = l.p->effect()->numPrograms;
    if (program >= count) {
        add_warning(summary.warnings, "program change to " + std::to_string(program) +
                                          " ignored: the plug-in has " +
                                          std::to_string(count) + " programs");
        return;
    }
    l.p->dispatch(effBeginSetProgram);
    l.p->dispatch(effSetProgram, 0, program);
    l.p->dispatch(effEndSetProgram);
    l.program = program;
    ++summary.program_changes;
    ++own.program_changes;
}

void renderer::run(lane& l, int frames) {
    AEffect* fx = l.p->effect();
    for (auto& b : l.out_buffers) std::fill(b.begin(), b.begin() + frames, 0.0f);
    // Plug-ins without the replacing call get zeroed buffers to add into.
    if ((fx->flags & effFlagsCanReplacing) && fx->processReplacing)
        fx->processReplacing(fx, l.in_pointers.data(), l.out_pointers.data(), frames);
    else if (fx->process)
        fx->process(fx, l.in_pointers.data(), l.out_pointers.data(), frames);
}

void renderer::mix(int frames) {
    // Summed in double precision and rounded once: no clipping on the way, the summary
    // and the writer see the true peak of the sum.
    for (int c = 0; c < written_channels; ++c) {
        float* out = mix_buffers[size_t(c)].data();
        for (int i = 0; i < frames; ++i) {
            double sum = 0.0;
            for (const lane& l : lanes) {
                int pin = std::min(c, std::min(l.p->effect()->numOutputs, 2) - 1);
                sum += double(l.out_buffers[size_t(pin)][size_t(i)]);
            }
            out[i] = float(sum);
        }
    }
}

render_summary renderer::render(const midi_song& song, const block_sink& sink,
                                const progress_fn& progress) {
    // Bounds every frame count below; a garbage file can claim centuries.
    if (!(song.end_seconds >= 0.0 && song.end_seconds <= max_song_seconds))
        throw std::runtime_error("the song is longer than kaveo-render renders (" +
                                 std::to_string(int(max_song_seconds / 3600)) + " hours)");
    render_summary summary;
    summary.song_seconds = song.end_seconds;
    for (lane& l : lanes) {
        summary.instances.push_back({l.channels});
        l.program = -1;
    }
    const std::vector<scheduled> events = schedule(song);
    const int64_t song_frames = frame_at(song.end_seconds, set.sample_rate);
    const int64_t total = int64_t(planned_frames(song));
    const int64_t silence_needed = std::max<int64_t>(1, frame_at(set.silence_seconds, set.sample_rate));
    const double silence_level = std::pow(10.0, set.silence_dbfs / 20.0);

    suspend_on_exit guard;
    for (lane& l : lanes) {
        bool answer_time = l.p->time.answer_time;
        l.p->time = transport{};
        l.p->time.answer_time = answer_time;
        l.p->time.changed = true;
        l.p->resume();
        guard.plugins.push_back(l.p);
    }
    auto started = std::chrono::steady_clock::now();
    float** output = lanes.size() == 1 ? lanes[0].out_pointers.data() : mix_pointers.data();

    double sum_squares = 0.0;
    std::vector<double> lane_squares(lanes.size(), 0.0);
    int64_t silent_run = 0;
    size_t next = 0;
    int64_t pos = 0;
    while (pos < total) {
        // Every instance hears the same time, as the tracks of one host do.
        song_position where = song.position_at(double(pos) / set.sample_rate);
        for (lane& l : lanes) {
            l.p->time.sample_pos = double(pos);
            l.p->time.ppq_pos = where.beats;
            l.p->time.tempo = where.bpm;
            l.p->time.bar_start_ppq = where.bar_start_beats;
            l.p->time.numerator = where.numerator;
            l.p->time.denominator = where.denominator;
        }

        for (; next < events.size() && events[next].program && events[next].frame <= pos; ++next)
            for (size_t i = 0; i < lanes.size(); ++i)
                if (lanes[i].takes(events[next]))
                    switch_program(lanes[i], events[next].bytes[1], summary, summary.instances[i]);
        // The block ends early at a program change, so the switch falls on its frame.
        int frames = int(std::min<int64_t>(set.block_size, total - pos));
        size_t last = next;
        for (; last < events.size() && events[last].frame < pos + frames; ++last) {
            if (events[last].program) {
                frames = int(events[last].frame - pos);
                break;
            }
            bool taken = false;
            for (const lane& l : lanes) taken = taken || l.takes(events[last]);
            if (!taken) continue;
            summary.events++;
            if ((events[last].bytes[0] & 0xF0) == 0x90 && events[last].bytes[2] > 0)
                summary.notes++;
        }
        for (size_t i = 0; i < lanes.size(); ++i) {
            deliver(lanes[i], summary.instances[i], events.data() + next, last - next, pos);
            run(lanes[i], frames);
            lanes[i].p->time.changed = false;
            double& peak = summary.instances[i].peak;
            int outs = std::min(lanes[i].p->effect()->numOutputs, 2);
            for (int c = 0; c < outs; ++c)
                for (int f = 0; f < frames; ++f) {
                    double x = lanes[i].out_buffers[size_t(c)][size_t(f)];
                    if (std::isnan(x)) continue;
                    peak = std::max(peak, std::fabs(x));
                    lane_squares[i] += x * x;
                }
        }
        next = last;
        if (lanes.size() > 1) mix(frames);

        bool quiet = true;
        for (int c = 0; c < written_channels; ++c) {
            for (int i = 0; i < frames; ++i) {
                double x = output[c][i];
                if (std::isnan(x)) continue;
                summary.peak = std::max(summary.peak, std::fabs(x));
                sum_squares += x * x;
            }
        }
        if (set.stop_on_silence) {
            for (int i = 0; i < frames; ++i) {
                bool silent = pos + i >= song_frames;
                for (int c = 0; c < written_channels && silent; ++c)
                    silent = std::fabs(output[c][i]) < silence_level;
                silent_run = silent ? silent_run + 1 : 0;
            }
            quiet = silent_run >= silence_needed;
        }
        sink(output, frames);
        pos += frames;
        if (progress) progress(uint64_t(pos), uint64_t(total));
        if (set.stop_on_silence && quiet) break;
    }

    summary.wall_seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    summary.frames = uint64_t(pos);
    summary.seconds = double(pos) / set.sample_rate;
    if (pos > 0) summary.rms = std::sqrt(sum_squares / double(pos * written_channels));
    for (size_t i = 0; i < lanes.size() && pos > 0; ++i) {
        int outs = std::min(lanes[i].p->effect()->numOutputs, 2);
        summary.instances[i].rms = std::sqrt(lane_squares[i] / double(pos * outs));
    }
    if (summary.wall_seconds > 0) summary.realtime_factor = summary.seconds / summary.wall_seconds;
    return summary;
}

}  // namespace host
