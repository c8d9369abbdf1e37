// MIDI intake and voice allocation. processEvents only queues; the render call plays the
// queue at the start of its block under the engine lock, so a note's deltaFrames still
// places it inside that block.
#include <cmath>

#include "editor/kaveos_editor.h"
#include "plugin/kaveos.h"

VstInt32 Kaveos::processEvents(VstEvents* events) {
    if (!events) return 1;
    for (VstInt32 i = 0; i < events->numEvents; ++i) {
        const VstEvent* e = events->events[i];
        if (!e || e->type != kVstMidiType) continue;
        const auto* m = reinterpret_cast<const VstMidiEvent*>(e);
        midi_event q;
        q.delta = m->deltaFrames;
        q.status = uint8_t(m->midiData[0]);
        q.data1 = uint8_t(m->midiData[1]);
        q.data2 = uint8_t(m->midiData[2]);
        pending_events.push(q);  // a full queue (thousands in one block) drops the rest
    }
    return 1;
}

void Kaveos::play_events(int frames) {
    pending_events.drain([&](const midi_event& e) { play_event(e, frames); });
}

void Kaveos::play_event(const midi_event& e, int frames) {
    const int status = e.status & 0xF0;
    const int d1 = e.data1 & 0x7F;
    const int d2 = e.data2 & 0x7F;
    // Hosts sometimes send offsets outside the block; they play at its edge.
    const int delta = e.delta < 0 ? 0 : e.delta >= frames ? frames - 1 : e.delta;
    switch (status) {
        case 0x90:
            if (d2 > 0)
                note_on(d1, d2, delta);
            else
                note_off(d1, delta);
            break;
        case 0x80: note_off(d1, delta); break;
        case 0xB0: controller(d1, d2); break;
        case 0xE0: {
            const double bend = double(d2 * 128 + d1) / 16384.0;
            for (voice& v : voice_store) v.set_bend(bend);
            break;
        }
        default: break;  // program change, aftertouch, system messages
    }
}

void Kaveos::note_on(int n, int velocity, int delta) {
    if (effect.legato.load(std::memory_order_relaxed)) {
        // Legato: the held voice glides to the new note instead of a new voice starting.
        // Only played voices count; their unison children follow them.
        for (voice* v : voices) {
            if (v->active && !v->releasing && !v->is_child) {
                double x = double(effect.porta_speed.load(std::memory_order_relaxed));
                x = x < 0.0 ? 0.0 : x > 1.0 ? 1.0 : x;
                const double seconds = 1.9975 * x * x + 0.0025;
                v->glide_to(n, std::trunc(seconds * engine_rate));
                return;
            }
        }
    }
    voice* target = free_voice();
    if (!target) {
        // Steal the lowest releasing voice. Unison children are not taken from under
        // their parents: they end with them. The old note fades out off the pool from the
        // new note's sample while a spare voice in its place plays the new one (only when
        // no spare is left does it stop in one sample).
        for (int slot = 0; slot < MAX_VOICES; ++slot) {
            voice* v = voices[size_t(slot)];
            if (v->active && v->releasing && !v->is_child) {
                target = retire(*v, delta) ? voices[size_t(slot)] : v;
                break;
            }
        }
    }
    if (target) target->start(n, 0.0, 0, velocity, delta);
}

void Kaveos::note_off(int n, int delta) {
    // The release starts at the event's own sample. Unison children are released with
    // their parent there; released now, they would only be marked early.
    for (voice* v : voices)
        if (v->active && v->note == n && !v->is_child) v->release_at(delta);
}

void Kaveos::controller(int c, int x) {
    if (c == 123 || c == 126) {  // all notes off, mono on: silence at once
        for (voice& v : voice_store) v.stop();
        return;
    }
    if (c == 1) {  // the modulation wheel is a matrix source, never an assignment
        for (voice& v : voice_store) v.set_mod_wheel(double(x) / 127.0);
        return;
    }
    if (c != last_cc.load(std::memory_order_relaxed)) {
        last_cc.store(c, std::memory_order_relaxed);
        // Called on the audio thread: the editor only notes the number and shows
        // "Last CC received: %d" at its next idle.
        if (ui()) ui()->show_last_controller(c);
    }
    const int index = controller_to_param(c);
    if (index >= 0) setParameterAutomated(index, float(x) / 127.0f);
}

voice* Kaveos::free_voice() {
    for (voice* v : voices)
        if (!v->active) return v;
    return nullptr;
}

int Kaveos::pool_slot(const voice* v) const {
    for (int slot = 0; slot < MAX_VOICES; ++slot)
        if (voices[size_t(slot)] == v) return slot;
    return -1;
}

bool Kaveos::replace_in_pool(int slot) {
    for (voice*& spare : off_pool) {
        if (spare->active || spare->sounding()) continue;
        voice* leaving = voices[size_t(slot)];
        spare->take_lfo_phases(*leaving);
        spare->set_number(slot);
        voices[size_t(slot)] = spare;
        spare = leaving;
        return true;
    }
    return false;
}

bool Kaveos::retire(voice& v, int delta) {
    // The played voice and the children it still renders leave together.
    std::array<int, 1 + voice::max_children> slots{};
    int count = 0;
    slots[size_t(count++)] = pool_slot(&v);
    for (voice* c : v.children) {
        if (!c) break;
        if (c->active && c->is_child && c->parent == &v) slots[size_t(count++)] = pool_slot(c);
    }
    int spares = 0;
    for (const voice* s : off_pool) spares += !s->active && !s->sounding();
    if (spares < count) return false;
    for (int k = 0; k < count; ++k)
        if (slots[size_t(k)] < 0) return false;
    for (int k = 0; k < count; ++k) replace_in_pool(slots[size_t(k)]);
    v.fade_out(delta);
    return true;
}

double Kaveos::song_position() {
    if (!effect.host_tempo.load(std::memory_order_relaxed)) return -1.0;
    VstTimeInfo* t = getTimeInfo(kVstPpqPosValid);
    if (!t) return -1.0;  // the host gives no time info: tempo-synced LFOs keep their phase
    if ((t->flags & kVstPpqPosValid) && std::isfinite(t->ppqPos)) return t->ppqPos;
    return -1.0;
}
