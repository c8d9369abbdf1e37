#include "tools/factory/program_summary.h"

#include <cmath>
#include <cstdio>
#include <set>

#include "tools/factory/factory_values.h"

namespace factory {

namespace {

std::string label(int index) {
    switch (index) {
    case P_OSC_BALANCE: return "Bal";
    case P_OSC1_XPOSE: return "Xpose1";
    case P_OSC2_XPOSE: return "Xpose2";
    case P_OSC1_FINE: return "Pitch1";
    case P_OSC2_FINE: return "Pitch2";
    case P_OSC1_OFFSET: return "Offset1";
    case P_OSC2_OFFSET: return "Offset2";
    case P_OSC1_LOOP_BEGIN: return "LoopBeg1";
    case P_OSC1_SPEED: return "Speed1";
    case P_OSC2_SPEED: return "Speed2";
    case P_FILTER_CUTOFF: return "Cutoff";
    case P_FILTER_RES: return "Res";
    case P_FILTER_ENV: return "FiltEnv";
    case P_FEG_DECAY: return "FEGDecay";
    case P_OSC_GAIN: return "OscGain";
    case P_GAIN: return "Gain";
    case P_PAN: return "Pan";
    case P_EG_ATTACK: return "Attack";
    case P_EG_DECAY: return "Decay";
    case P_EG_RELEASE: return "Release";
    case P_LFO1_FREQ: return "LFO1Rate";
    case P_LFO2_FREQ: return "LFO2Rate";
    case P_LFO3_FREQ: return "LFO3Rate";
    case P_UNISON_DETUNE: return "Detune";
    }
    if (index >= P_ASSIGN1_AMOUNT && index <= P_ASSIGN8_AMOUNT && (index - P_ASSIGN1_AMOUNT) % 3 == 0)
        return std::string("Mod").append(std::to_string((index - P_ASSIGN1_AMOUNT) / 3 + 1));
    return std::string("P").append(std::to_string(index));
}

const char* source_names[8] = {"Vel", "Wheel", "Note", "LFO1", "LFO2", "LFO3", "FEG", "AEG"};
const char* wave_names[6] = {"UserA", "UserB", "Saw", "Squ", "Tri", "Sin"};
const char* filter_names[6] = {"", "LP12", "LP24", "HPF", "BPF", "AnaLP"};
const char* shape_names[6] = {"Saw", "Squ", "Tri", "Sin", "UpSqu", "S&H"};

std::string osc(const factory_program& p, int n) {
    const values& v = p.values;
    int w = value_to_choice(v[n == 1 ? P_OSC1_WAVE : P_OSC2_WAVE], 6);
    std::string s = std::string("OSC").append(std::to_string(n)).append(" ");
    if (w < 2) {
        const factory_set& set = p.sets[size_t(w)];
        s += set.name + "(" + std::to_string(set.slots.size()) + ")";
    } else {
        s += wave_names[w];
    }
    int xp = value_to_choice(v[n == 1 ? P_OSC1_XPOSE : P_OSC2_XPOSE], 49) - 24;
    if (xp != 0) s.append(xp > 0 ? "+" : "").append(std::to_string(xp));
    if (n == 1 && v[P_OSC1_SYNC] > 0.5f) {
        char b[32];
        std::snprintf(b, sizeof b, " sync %g beats", beats_of(v[P_OSC1_SPEED]));
        s += b;
    } else if (v[n == 1 ? P_OSC1_LOOP : P_OSC2_LOOP] > 0.5f) {
        s += " loop";
    }
    float speed = v[n == 1 ? P_OSC1_SPEED : P_OSC2_SPEED];
    if (w < 2 && speed != 0.5f && !(n == 1 && v[P_OSC1_SYNC] > 0.5f))
        s.append(" speed ").append(std::to_string(int(std::lround(200.0 * speed)))).append("%");
    return s;
}

}  // namespace

std::string summary(const factory_program& p) {
    const values& v = p.values;
    std::string s;
    auto add = [&s](const std::string& part) { s += (s.empty() ? "" : "; ") + part; };
    float bal = v[P_OSC_BALANCE];
    bool osc2_matrix = false;
    for (int k = 0; k < 8; ++k) {
        int dest = value_to_choice(v[size_t(P_ASSIGN1_DEST + 3 * k)], 128);
        if (dest == P_OSC_BALANCE && v[size_t(P_ASSIGN1_AMOUNT + 3 * k)] != 0.5f) osc2_matrix = true;
    }
    if (bal < 0.995f) add(osc(p, 1));
    if (bal > 0.005f || osc2_matrix) add(osc(p, 2));
    int f = value_to_choice(v[P_FILTER_TYPE], 7);
    if (f > 0) {
        std::string part = filter_names[std::min(f, 5)];
        if (v[P_FILTER_RES] > 0.3f) part += " res";
        if (v[P_FILTER_ENV] != 0.5f) part += " +env";
        add(part);
    }
    // A slot at no depth still counts when another slot opens it (the wheel on a vibrato).
    std::set<int> opened;
    for (int k = 0; k < 8; ++k) {
        int dest = value_to_choice(v[size_t(P_ASSIGN1_DEST + 3 * k)], 128);
        if (v[size_t(P_ASSIGN1_AMOUNT + 3 * k)] != 0.5f && dest >= P_ASSIGN1_AMOUNT &&
            dest <= P_ASSIGN8_AMOUNT && (dest - P_ASSIGN1_AMOUNT) % 3 == 0)
            opened.insert((dest - P_ASSIGN1_AMOUNT) / 3);
    }
    for (int k = 0; k < 8; ++k) {
        int src = value_to_choice(v[size_t(P_ASSIGN1_SRC + 3 * k)], 8);
        int dest = value_to_choice(v[size_t(P_ASSIGN1_DEST + 3 * k)], 128);
        float amount = v[size_t(P_ASSIGN1_AMOUNT + 3 * k)];
        if (dest == 0 || (amount == 0.5f && !opened.count(k))) continue;
        std::string part = std::string(source_names[src]);
        if (src >= 3 && src <= 5) {
            int n = src - 3;
            char b[32];
            std::snprintf(b, sizeof b, "(%s %.1fHz)",
                          shape_names[std::min(value_to_choice(v[size_t(P_LFO1_SHAPE + 3 * n)], 6), 5)],
                          0.05 * std::pow(2.0, 10.644 * v[size_t(P_LFO1_FREQ + 3 * n)]));
            part += b;
        }
        add(part + ">" + label(dest));
    }
    int uni = value_to_choice(v[P_UNISON_VOICES], 6) + 1;
    if (uni > 1) add("unison " + std::to_string(uni));
    if (v[P_LEGATO] > 0.5f) add("legato+porta");
    if (v[P_DELAY_ON] > 0.5f) {
        std::string part = v[P_DELAY_TYPE] > 0.5f ? "cross delay" : "delay";
        if (v[P_DELAY_SYNC] > 0.5f) part += " synced";
        int df = value_to_choice(v[P_DELAY_FILTER_TYPE], 3);
        if (df == 1) part += " LP";
        if (df == 2) part += " HP";
        add(part);
    }
    return s;
}

}  // namespace factory
