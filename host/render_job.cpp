#include "host/render_job.h"

#include <cstdio>
#include <stdexcept>
#include <utility>

#include "host/bank_chunk.h"
#include "host/spool.h"

namespace host {

namespace {

std::unique_ptr<plugin> load_plugin(const std::string& path) {
    std::string error;
    auto p = plugin::load(path, error);
    if (!p) throw std::runtime_error(error);
    return p;
}

}  // namespace

std::vector<int> used_channels(const midi_song& song) {
    bool used[16] = {};
    for (const midi_message& m : song.messages)
        if (m.size >= 2 && (m.bytes[0] & 0x80) && m.bytes[0] < 0xF0) used[m.channel()] = true;
    std::vector<int> list;
    for (int c = 0; c < 16; ++c)
        if (used[c]) list.push_back(c);
    return list;
}

render_job::render_job(const job_options& options, midi_song s)
    : o(options), song(std::move(s)) {
    if (o.per_channel && !o.save_state.empty())
        throw std::runtime_error("--save-state saves one instance's state; it cannot be used "
                                 "with --per-channel");
    if (!o.bank.empty() && !o.load_state.empty())
        throw std::runtime_error("give either --bank or --load-state, not both: each sets the "
                                 "state");
    instances.push_back({load_plugin(o.plugin)});
    plugin& first = *instances.front().p;
    if (!(first.effect()->flags & effFlagsIsSynth) && first.can_do("receiveVstEvents") <= 0 &&
        first.can_do("receiveVstMidiEvent") <= 0)
        std::fprintf(stderr, "kaveo-render: warning: %s may not be an instrument\n",
                     o.plugin.c_str());
    const instance_setup setup = prepare(first);
    if (o.per_channel) {
        // A host with one track per instrument: each channel gets an instance of its own.
        std::vector<int> channels = used_channels(song);
        for (size_t i = 0; i < channels.size(); ++i) {
            if (i > 0) instances.push_back({load_plugin(o.plugin)});
            instances.back().channels = uint16_t(1u << channels[i]);
        }
    }
    std::vector<instance> list;
    for (player& pl : instances) list.push_back({pl.p.get(), pl.channels});
    r = std::make_unique<renderer>(list, o.render);
    for (player& pl : instances) {
        apply_setup(*pl.p, setup);
        pl.start_program = int(pl.p->dispatch(effGetProgram));
    }
}

render_job::~render_job() = default;

int render_job::channels() const { return r->channels(); }

uint64_t render_job::planned_frames() const { return r->planned_frames(song); }

instance_setup render_job::prepare(plugin& p) {
    instance_setup setup;
    setup.program = o.program;
    setup.params = o.params;
    AEffect* fx = p.effect();
    if (!o.save_state.empty()) require_chunks(p, o.plugin, "--save-state");
    if (!o.load_state.empty()) {
        require_chunks(p, o.plugin, "--load-state");
        plugin_state state = read_state_file(o.load_state);
        if (state.unique_id != fx->uniqueID)
            throw std::runtime_error(o.load_state + " holds the state of plug-in '" +
                                     unique_id_text(state.unique_id) + "', not of " + o.plugin +
                                     " ('" + unique_id_text(fx->uniqueID) + "')");
        if (o.state_kind_given && state.kind != o.state_kind)
            throw std::runtime_error(o.load_state + " holds a " + chunk_kind_name(state.kind) +
                                     " chunk, not a " + chunk_kind_name(o.state_kind) + " chunk");
        setup.has_chunk = true;
        setup.kind = state.kind;
        setup.chunk = std::move(state.chunk);
        setup.chunk_source = o.load_state;
        note_lines.push_back("State      " + std::string(chunk_kind_name(setup.kind)) +
                             " chunk of " + std::to_string(setup.chunk.size()) +
                             " bytes loaded from " + o.load_state);
    }
    if (!o.bank.empty()) {
        if (fx->uniqueID != kaveo_unique_id)
            throw std::runtime_error("--bank works with Kaveo only: " + o.plugin + " is '" +
                                     unique_id_text(fx->uniqueID) + "', not 'sKav'");
        require_chunks(p, o.plugin, "--bank");
        bank_chunk chunk = make_bank_chunk(o.bank, std::max(o.program, 0));
        for (const std::string& w : chunk.warnings)
            std::fprintf(stderr, "kaveo-render: warning: %s\n", w.c_str());
        setup.has_chunk = true;
        setup.kind = chunk_kind::bank;
        setup.chunk = std::move(chunk.bytes);
        setup.chunk_source = o.bank;
        setup.program = -1;  // the chunk selects it
        note_lines.push_back("Bank       " + chunk.path + " (" + std::to_string(chunk.programs) +
                             " programs)");
    }
    return setup;
}

render_summary render_job::run(const progress_fn& progress) {
    uint64_t planned = r->planned_frames(song);
    if (planned > wav_max_frames(r->channels(), o.format))
        throw std::runtime_error("the render would take " + std::to_string(planned) +
                                 " frames, more than a WAV file can hold");
    wav_writer wav(o.output, uint32_t(o.render.sample_rate), r->channels(), o.format);
    // With --normalize the output waits in a temporary file until its peak is known.
    std::unique_ptr<spool> kept;
    if (o.normalize) kept = std::make_unique<spool>(r->channels());
    render_summary s = r->render(
        song,
        [&](const float* const* ch, int frames) {
            if (kept) kept->write(ch, size_t(frames));
            else wav.write(ch, size_t(frames));
        },
        progress);
    applied_gain = 1.0;
    if (kept) {
        applied_gain = normalize_gain(kept->peak(), normalize_dbfs);
        kept->replay(applied_gain,
                     [&](const float* const* ch, int frames) { wav.write(ch, size_t(frames)); },
                     o.render.block_size);
    }
    wav.finish();
    clipped_samples = wav.clipped();
    if (!o.save_state.empty()) {
        plugin_state state = get_state(*instances.front().p, o.state_kind);
        write_state_file(o.save_state, state);
        note_lines.push_back("State      " + std::string(chunk_kind_name(state.kind)) +
                             " chunk of " + std::to_string(state.chunk.size()) +
                             " bytes saved to " + o.save_state);
    }
    return s;
}

}  // namespace host
