// The parameter path: every change from the host, the editor, a controller or a program
// load comes through setParameter.
#include <cmath>

#include "editor/kaveos_editor.h"
#include "plugin/kaveos.h"
#include "vst/vst_text.h"

namespace {
bool valid_index(VstInt32 index) { return index >= 0 && index < NUM_PARAMS; }
}  // namespace

void Kaveos::setParameter(VstInt32 index, float value) {
    // Indices from the host are not trusted: outside the table nothing changes.
    if (!valid_index(index)) return;
    // Compared in double: as floats the upper bound would round to 1 and refuse 1.0.
    if (double(value) > -1e-9 && double(value) < 1.0000000001) {
        current_program.params.set_value(index, value);
        apply_effect_switch(index, value);
        // Every voice hears every accepted change, sounding or not; it only publishes
        // the value here and applies it on the audio thread.
        for (voice& v : voice_store) v.setParameter(index, value);
    }
    // The editor hears the stored value, so it redraws the old one after a rejected value.
    notify_editor(index, current_program.params.value(index));
}

float Kaveos::getParameter(VstInt32 index) {
    return valid_index(index) ? current_program.params.value(index) : 0.0f;
}

void Kaveos::getParameterName(VstInt32 index, char* text) {
    vst::copy_text(text, valid_index(index) ? param_info(index).short_name : "", vst::kTextScratch);
}

// The label is the short name again, not a unit: hosts have always shown it that way.
void Kaveos::getParameterLabel(VstInt32 index, char* label) { getParameterName(index, label); }

// Hosts get no value text; the editor shows the values.
void Kaveos::getParameterDisplay(VstInt32 /*index*/, char* text) { text[0] = '\0'; }

void Kaveos::apply_effect_switch(int index, float value) {
    auto& e = effect;
    constexpr auto relaxed = std::memory_order_relaxed;
    switch (index) {
        case P_LEGATO: e.legato.store(value > 0.5f, relaxed); break;
        case P_PORTA_SPEED: e.porta_speed.store(value, relaxed); break;
        case P_TEMPO_SOURCE: e.host_tempo.store(value > 0.4999f, relaxed); break;
        case P_LFO1_SYNC: e.lfo_sync[0].store(value_to_choice(value, 3), relaxed); break;
        case P_LFO2_SYNC: e.lfo_sync[1].store(value_to_choice(value, 3), relaxed); break;
        case P_LFO3_SYNC: e.lfo_sync[2].store(value_to_choice(value, 3), relaxed); break;
        case P_DELAY_ON:
            e.delay_on.store(value > 0.5f, relaxed);
            // Switching off silences the lines, so switching on again starts clean.
            if (!(value > 0.5f)) e.delay_clear_request.store(true, relaxed);
            break;
        case P_DELAY_TYPE: e.delay_cross.store(value > 0.5f, relaxed); break;
        case P_DELAY_SYNC: e.delay_sync.store(value > 0.4999f, relaxed); break;
        case P_DELAY_FILTER_TYPE: {
            e.delay_filter_mode.store(value_step(value, 3), relaxed);
            e.delay_filter_generation.fetch_add(1, relaxed);
            break;
        }
        case P_DELAY_TEMPO: e.delay_tempo.store(value, relaxed); break;
        case P_DELAY_LENGTH: e.delay_length.store(value, relaxed); break;
        case P_DELAY_WET: e.delay_wet.store(value, relaxed); break;
        case P_DELAY_FEEDBACK: e.delay_feedback.store(value, relaxed); break;
        case P_DELAY_CUTOFF:
            e.delay_cutoff.store(value, relaxed);
            e.delay_filter_generation.fetch_add(1, relaxed);
            break;
        case P_OSC1_SYNC: e.osc_sync[0].store(value > 0.4999f, relaxed); break;
        case P_OSC2_SYNC: e.osc_sync[1].store(value > 0.4999f, relaxed); break;
        default: break;
    }
}

void Kaveos::notify_editor(int index, float value) {
    if (ui()) ui()->setParameter(index, value);
}

display_fn Kaveos::display_function(int index) const {
    constexpr auto relaxed = std::memory_order_relaxed;
    switch (index) {
        case P_DELAY_LENGTH:
            if (effect.delay_sync.load(relaxed)) return display_blank;
            break;
        case P_LFO1_FREQ:
        case P_LFO2_FREQ:
        case P_LFO3_FREQ:
            if (effect.lfo_sync[size_t((index - P_LFO1_FREQ) / 3)].load(relaxed) == 1)
                return display_sync_beats_15;
            break;
        case P_OSC1_SPEED:
            if (effect.osc_sync[0].load(relaxed)) return display_sync_beats_23;
            break;
        case P_OSC2_SPEED:
            if (effect.osc_sync[1].load(relaxed)) return display_sync_beats_23;
            break;
        default: break;
    }
    return param_info(index).display;
}

int Kaveos::tempo() {
    if (effect.host_tempo.load(std::memory_order_relaxed)) {
        if (VstTimeInfo* t = getTimeInfo(kVstTempoValid); t && (t->flags & kVstTempoValid))
            if (std::isfinite(t->tempo) && t->tempo > 0.0 && t->tempo < 10000.0)
                return int(t->tempo);
    }
    return effect.plug_tempo();
}
