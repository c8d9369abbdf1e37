#include "engine/voice.h"

#include <cmath>

#include "sound/program.h"

namespace {
constexpr auto relaxed = std::memory_order_relaxed;

int slot_of(int index) { return (index - P_ASSIGN1_SRC) / 3; }
}  // namespace

voice::voice() : unison(0.0), balance(0.5), osc_gain(0.5), gain(0.8), pan(0.5) {
    map[P_UNISON_VOICES] = &unison;
    map[P_UNISON_DETUNE] = &unison_detune;
    map[P_OSC_BALANCE] = &balance;
    map[P_BEND_RANGE] = &bend_range;
    map[P_OSC1_XPOSE] = &osc1.transpose;
    map[P_OSC1_FINE] = &osc1.finetune;
    map[P_OSC1_OFFSET] = &osc1.offset;
    map[P_OSC1_LOOP_BEGIN] = &osc1.loop_begin;
    map[P_OSC1_LOOP_LENGTH] = &osc1.loop_length;
    map[P_OSC1_SPEED] = &osc1.speed;
    map[P_OSC2_XPOSE] = &osc2.transpose;
    map[P_OSC2_FINE] = &osc2.finetune;
    map[P_OSC2_OFFSET] = &osc2.offset;
    map[P_OSC2_LOOP_BEGIN] = &osc2.loop_begin;
    map[P_OSC2_LOOP_LENGTH] = &osc2.loop_length;
    map[P_OSC2_SPEED] = &osc2.speed;
    map[P_FILTER_CUTOFF] = &filter.cutoff;
    map[P_FILTER_RES] = &filter.resonance;
    map[P_FILTER_ENV] = &filter.env_amount;
    map[P_FEG_ATTACK] = &filter.envelope.attack;
    map[P_FEG_DECAY] = &filter.envelope.decay;
    map[P_FEG_SUSTAIN] = &filter.envelope.sustain;
    map[P_FEG_RELEASE] = &filter.envelope.release_time;
    map[P_OSC_GAIN] = &osc_gain;
    map[P_GAIN] = &gain;
    map[P_PAN] = &pan;
    map[P_EG_ATTACK] = &amp.attack;
    map[P_EG_DECAY] = &amp.decay;
    map[P_EG_SUSTAIN] = &amp.sustain;
    map[P_EG_RELEASE] = &amp.release_time;
    map[P_LFO1_FREQ] = &lfos[0].rate_param;
    map[P_LFO2_FREQ] = &lfos[1].rate_param;
    map[P_LFO3_FREQ] = &lfos[2].rate_param;
    for (int k = 0; k < slots; ++k) map[size_t(P_ASSIGN1_AMOUNT + 3 * k)] = &matrix[size_t(k)].amount;

    source_list = {&velocity,      &mod_wheel,  &note_source,   &lfo_out[0],
                   &lfo_out[1],    &lfo_out[2], &filter_eg_out, &amp_eg_out};
    for (size_t k = 0; k < lfos.size(); ++k) lfos[k].output = &lfo_out[k];
    filter.envelope.output = &filter_eg_out;
    // The amplitude envelope steps every sample; its level reaches "Amp EG" lazily, just
    // before the slots read it at a control tick.
    amp.output = nullptr;
    for (auto& v : incoming) v.store(0.0f, relaxed);
    set_sample_rate(44100.0);
}

void voice::set_number(int v) {
    index = v;
    osc_numbers[0] = 1 + 10 * v;
    osc_numbers[1] = 2 + 10 * v;
}

double voice::unison_gain_for(int count) {
    static const double table[6] = {1.0,
                                    std::sqrt(1.0 / 2), std::sqrt(1.0 / 3), std::sqrt(1.0 / 4),
                                    std::sqrt(1.0 / 5), std::sqrt(1.0 / 6)};
    return table[count < 1 ? 0 : count > 6 ? 5 : count - 1];
}

void voice::set_program(const program& p) {
    incoming_sets.store(&p.waves, relaxed);
    for (int i = 0; i < NUM_PARAMS; ++i) setParameter(i, p.params.value(i));
}

void voice::setParameter(int i, float value) {
    if (i < 0 || i >= NUM_PARAMS) return;
    incoming[size_t(i)].store(value, relaxed);
    dirty[size_t(i >> 6)].fetch_or(uint64_t(1) << (i & 63), std::memory_order_release);
}

void voice::apply_pending() {
    applied = false;
    const wavetable* s = incoming_sets.load(relaxed);
    if (s != sets) {
        applied = true;
        sets = s;
        osc1.link(s);
        osc2.link(s);
    }
    for (size_t w = 0; w < dirty.size(); ++w) {
        if (dirty[w].load(relaxed) == 0) continue;
        uint64_t bits = dirty[w].exchange(0, std::memory_order_acquire);
        applied = applied || bits != 0;
        while (bits) {
            int b = __builtin_ctzll(bits);
            bits &= bits - 1;
            int i = int(w * 64) + b;
            apply(i, double(incoming[size_t(i)].load(relaxed)));
        }
    }
}

void voice::apply(int i, double x) {
    switch (i) {
        case P_UNISON_VOICES: unison.set(x); return;
        case P_OSC1_WAVE: osc1.choose_wave(x); return;
        case P_OSC2_WAVE: osc2.choose_wave(x); return;
        case P_OSC1_LOOP: osc1.set_loop(x > 0.5); return;
        case P_OSC2_LOOP: osc2.set_loop(x > 0.5); return;
        case P_FILTER_TYPE: filter.set_type(x); return;
        case P_LFO1_SYNC:
        case P_LFO2_SYNC:
        case P_LFO3_SYNC: {
            lfo& l = lfos[size_t((i - P_LFO1_SYNC) / 3)];
            const int m = value_step(x, 3);
            if (m == lfo::tempo_sync && owner) l.tempo = owner->tempo();
            l.set_mode(m);
            return;
        }
        case P_LFO1_SHAPE:
        case P_LFO2_SHAPE:
        case P_LFO3_SHAPE: lfos[size_t((i - P_LFO1_SHAPE) / 3)].set_shape(x); return;
        case P_DELAY_TEMPO: {
            int t = owner ? owner->tempo() : 120;
            for (lfo& l : lfos) l.set_tempo(t);
            osc1.set_tempo(t);
            osc2.set_tempo(t);
            return;
        }
        case P_OSC1_SYNC: osc1.set_tempo_sync(x > 0.499); return;
        case P_OSC2_SYNC: osc2.set_tempo_sync(x > 0.499); return;
        case P_OSC1_PITCHABLE: osc1.set_pitchable(x > 0.499); return;
        case P_OSC2_PITCHABLE: osc2.set_pitchable(x > 0.499); return;
        case P_LFO_COMPAT:
            for (lfo& l : lfos) l.set_compat(value_step(x, 2) == 1);
            return;
        default: break;
    }
    if (i >= P_ASSIGN1_SRC && i <= P_ASSIGN8_AMOUNT) {
        mod_slot& s = matrix[size_t(slot_of(i))];
        switch ((i - P_ASSIGN1_SRC) % 3) {
            case 0:  // source: one of the 8 in menu order
                s.source = source_list[size_t(value_step(x, sources))];
                for (size_t k = 0; k < lfos.size(); ++k) {
                    bool read = false;
                    for (const mod_slot& m : matrix) read = read || m.source == &lfo_out[k];
                    lfos[k].set_read(read);
                }
                return;
            case 1:  // destination: a voice parameter, else the previous one stays
                if (param* h = holder(value_step(x, 128))) s.destination = h;
                return;
            default: break;  // amount: a holder like any other
        }
    }
    if (param* h = holder(i)) {
        if (active)
            h->set_smoothed(x);
        else
            h->set(x);
    }
}

void voice::set_sample_rate(double hz) {
    rate = hz;
    osc1.set_rate(hz);
    osc2.set_rate(hz);
    filter.set_sample_rate(hz);
    amp.set_rate(hz);
    for (lfo& l : lfos) l.set_rate(hz);
    dc.set(biquad::high_pass, 8.0, 1.0, hz);
}

void voice::start(int n, double t, int role, int v, int d) {
    apply_pending();
    start_delay = d > 0 ? d : 0;
    release_delay = -1;
    dc.reset();
    note = n;
    note_source.set((double(n) - 48.0) / 36.0);
    velocity.set(double(v) / 127.0);
    detune = t;
    counter = 0;
    active = true;
    releasing = false;
    filter.reset();
    filter_eg_out.set(0.0);
    amp_eg_out.set(0.0);
    amp.trigger();
    const int count = unison.count();
    unison_gain = unison_gain_for(count);
    fade_left = 0;
    fade_delay = -1;
    tail_check = false;
    first_tick = true;
    hold_ramps();

    // Children still sounding from this voice's previous note end here, so a stolen voice
    // never leaves orphans that nobody renders or frees.
    for (voice*& c : children) {
        if (c && c->parent == this && c->is_child && c->active) c->stop();
        c = nullptr;
    }
    if (role < 0) {
        is_child = true;
    } else {
        is_child = false;
        parent = nullptr;
        const double spread = unison_detune.value + unison_detune.mod;
        for (int q = 1; q <= max_children; ++q) {
            if (q >= count || !owner) break;
            voice* c = owner->free_voice();
            if (!c) continue;
            children[size_t(q - 1)] = c;
            c->parent = this;
            c->start(n, spread * 0.64 * q / count + t, -1, v, d);
        }
    }

    const int bpm = owner ? owner->tempo() : 120;
    for (lfo& l : lfos) l.set_tempo(bpm);
    osc1.set_tempo(bpm);
    osc2.set_tempo(bpm);
    osc1.start(n + t);
    osc2.start(n + t);

    const double pos = owner ? owner->song_position() : -1.0;
    for (lfo& l : lfos) {
        double phase = -1.0;
        if (l.mode == lfo::tempo_sync && pos > -0.5) {
            double cycles = pos / lfo::beats_for(l.rate_param.value);
            phase = cycles - std::floor(cycles);
        } else if (l.mode == lfo::note_sync) {
            phase = l.note_phase();
        }
        l.restart(phase);
    }
}

void voice::release() {
    releasing = true;
    amp.release();
    feg& f = filter.envelope;
    f.stage = eg::release_stage;
    f.counter = 0.0;
    f.length = f.rate * f.release_time.cooked * 0.03125;
    f.step = (0.0 - f.level) / f.length;
    for (voice* c : children) {
        if (!c) break;
        c->release();
    }
}

void voice::release_at(int delta) {
    if (delta <= 0) {
        release();
        return;
    }
    // Counted as releasing from now on, so allocation in this block sees it as the
    // note-off's sender meant it (free to steal, not held for legato).
    releasing = true;
    if (release_delay < 0 || delta < release_delay) release_delay = delta;
}

void voice::stop() {
    active = false;
    release_delay = -1;
    fade_left = 0;
    fade_delay = -1;
    tail_check = false;
    for (voice* c : children) {
        if (!c) break;
        c->stop();
    }
}

int voice::fade_samples() const {
    const int n = int(0.003 * rate);
    return n < 1 ? 1 : n;
}

void voice::fade_out(int delta) {
    if (!active || fade_left > 0) return;
    if (delta > 0) {
        if (fade_delay < 0 || delta < fade_delay) fade_delay = delta;
        return;
    }
    fade_delay = -1;
    fade_left = fade_samples();
}

void voice::take_lfo_phases(const voice& other) {
    for (size_t k = 0; k < lfos.size(); ++k) {
        const lfo& o = other.lfos[k];
        lfo& l = lfos[k];
        if (l.mode != lfo::free_running || o.row != l.row) continue;
        l.index = o.index;
        l.frac = o.frac;
        l.prev = o.prev;
        l.value = o.value;
        if (l.table.length > 0 && l.index >= l.table.length) l.index %= l.table.length;
    }
}

void voice::glide_to(int n, double g) {
    note = n;
    const double ticks = g * 0.0625;
    osc1.glide(n + detune, ticks);
    osc2.glide(n + detune, ticks);
    for (voice* c : children) {
        if (!c) break;
        c->glide_to(n, g);
    }
}

void voice::free_with_children() {
    active = false;
    releasing = false;
    for (voice* c : children) {
        if (!c) break;
        c->active = false;
        c->releasing = false;
    }
}
