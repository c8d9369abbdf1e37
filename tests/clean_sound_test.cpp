// Clean sound: no steps at control ticks, no clicks where voices start, are stolen or end.
// The detectors (click_detect.h) are first shown to catch the faults they look for, on
// sound made here; then every factory program is played the ways that used to click.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "click_detect.h"
#include "embedded_bank.h"
#include "kaveos_fixture.h"
#include "signal_measure.h"
#include "sound/bank.h"

namespace {

constexpr double rate = 44100.0;
constexpr double buzz_limit_db = -60.0;  // tick-locked steps against the level

double period_of(double note) { return rate / (440.0 * std::pow(2.0, (note - 69.0) / 12.0)); }

// ---- the detectors on sound made here

// A sine at C6 under the 2.5 ms linear attack, with a gain that is either held for 32
// samples at a time (rising by x2.2, x2.3, x1.9 and x1.4 at samples 32 to 128, as notes
// used to start) or moves linearly between the same values.
std::vector<float> onset(bool stepped) {
    const double steps[] = {1.0, 2.2, 2.2 * 2.3, 2.2 * 2.3 * 1.9, 2.2 * 2.3 * 1.9 * 1.4};
    std::vector<float> x(4096);
    for (size_t n = 0; n < x.size(); ++n) {
        const size_t t = n / 32;
        double g = steps[std::min<size_t>(t, 4)] / steps[4];
        if (!stepped && t < 4) g = (steps[t] + (steps[t + 1] - steps[t]) * double(n % 32) / 32.0) / steps[4];
        const double attack = std::min(double(n) / 110.25, 1.0);
        x[n] = float(0.4 * attack * g * std::sin(2.0 * M_PI * 1046.5 * double(n) / rate));
    }
    return x;
}

// A 220 Hz sine under a 5 Hz tremolo of +-6 dB, the gain cooked every 32 samples and held
// or ramped between.
std::vector<float> tremolo(bool stepped) {
    std::vector<float> x(22050);
    auto gain = [](size_t n) { return std::exp2(std::sin(2.0 * M_PI * 5.0 * double(n) / rate)); };
    for (size_t n = 0; n < x.size(); ++n) {
        const size_t tick = n / 32 * 32;
        const double g = stepped ? gain(tick) : gain(tick) + (gain(tick + 32) - gain(tick)) * double(n - tick) / 32.0;
        x[n] = float(0.2 * g * std::sin(2.0 * M_PI * 220.0 * double(n) / rate));
    }
    return x;
}

TEST(CleanSoundDetectors, CatchTheOnsetStaircaseTickBuzzAndCuts) {
    EXPECT_GE(clicks::find(onset(true), {period_of(84)}).size(), 2u);
    EXPECT_TRUE(clicks::find(onset(false), {period_of(84)}).empty());
    EXPECT_GT(clicks::tick_buzz_db(tremolo(true), 0, 22050), buzz_limit_db + 10.0);
    EXPECT_LT(clicks::tick_buzz_db(tremolo(false), 0, 22050), buzz_limit_db);
    EXPECT_TRUE(clicks::find(tremolo(false), {period_of(57)}).empty());

    // A bright, naive saw at 55 Hz has a full-size edge every period: no click. Cut off in
    // the middle of its ramp, it ends with one.
    std::vector<float> saw(20000);
    const double p = rate / 55.0;
    for (size_t n = 0; n < saw.size(); ++n) saw[n] = float(0.5 * (std::fmod(double(n), p) / p - 0.5));
    EXPECT_TRUE(clicks::find(saw, {p}).empty());
    for (size_t n = 10000 + size_t(p / 3); n < saw.size(); ++n) saw[n] = 0.0f;
    EXPECT_EQ(clicks::find(saw, {p}).size(), 1u);
}

// ---- the instrument

void load(test::instrument& in, bank& b, int index) {
    program p = b.get_program(index);
    p.waves.set_play_rate(in.fx->sample_rate());
    in.fx->set_wavetable(p.waves);
    for (int i = 0; i < NUM_PARAMS; ++i) in.fx->setParameter(i, p.params.value(i));
}

// Factory program 0 with OSC1 on "Sin", balance to OSC1, no filter and the shortest amp
// attack, C6 at velocity 100: its onset is no brighter than its steady tone. Its filter
// envelope takes the gain up some 20 dB over the first four control ticks; held for 32
// samples at a time that was a staircase whose first 512 samples had 33 dB more energy
// above 8 kHz (as a part of the whole) than the steady tone.
double share_above_8k_db(const std::vector<float>& x, size_t from) {
    std::vector<double> seg(x.begin() + long(from), x.begin() + long(from + 512));
    const std::vector<double> s = measure::spectrum(seg, 512);
    double high = 0.0, all = 0.0;
    for (size_t k = 1; k < s.size(); ++k) {
        all += s[k] * s[k];
        if (double(k) * rate / 512.0 > 8000.0) high += s[k] * s[k];
    }
    return 10.0 * std::log10(high / all);
}

TEST(CleanSound, ANoteStartsWithoutAStaircase) {
    test::instrument in;
    ASSERT_TRUE(in.fx->loadBank(test::embedded_bank_file()));
    in.fx->setProgram(0);
    in.choose(P_OSC1_WAVE, 5, 6);
    in.set(P_OSC_BALANCE, 0.0f);
    in.choose(P_FILTER_TYPE, 0, 7);
    in.set(P_EG_ATTACK, 0.0f);
    in.render(512);
    in.note_on(84, 100);
    const std::vector<float> x = in.render(8192).left;
    const double onset = share_above_8k_db(x, 0), steady = share_above_8k_db(x, 4096);
    EXPECT_LT(onset, steady + 10.0) << "onset " << onset << " dB, steady " << steady << " dB";
    EXPECT_TRUE(clicks::find(x, {period_of(84)}).empty());
}

// 32 voices release: voice 0 a loud C7, the others a soft C4. A 33rd note takes voice 0
// from them: its C7 is gone 3 ms later and went without a jump (cut in one sample, it
// would step by about half the level).
TEST(CleanSound, AStolenVoiceFadesOutWithinThreeMilliseconds) {
    test::instrument in;
    test::plain_patch(in, 5);  // "Sin"
    in.set(P_GAIN, 0.2f);      // -40.8 dB, and up to +33 dB more with the velocity
    in.choose(P_ASSIGN1_SRC, 0, 8);
    in.choose(P_ASSIGN1_DEST, P_GAIN, 128);
    in.set(P_ASSIGN1_AMOUNT, 0.75f);
    in.set(P_EG_RELEASE, 1.0f);  // 2 s
    in.note_on(96, 127);
    for (int k = 0; k < 31; ++k) in.note_on(60, 1);
    in.render(2048);
    in.note_off(96);
    in.note_off(60);
    test::instrument::block out = in.render(2560);
    const size_t at = out.left.size() + 200;
    in.note_on(72, 1, 200);
    in.render_into(out, 4096);
    ASSERT_EQ(in.active_voices(), 32);
    EXPECT_EQ(in.fx->pool_voice(0).note, 72);
    const std::vector<double> s = measure::to_double(out.left);
    const double hz = rate / period_of(96);
    const double before = measure::amplitude_at(s, hz, rate, at - 2000, at);
    const size_t gone = at + size_t(0.003 * rate) + 1;
    EXPECT_GT(before, 0.05);
    EXPECT_LT(measure::amplitude_at(s, hz, rate, gone, gone + 2000), 0.01 * before);
    EXPECT_TRUE(clicks::find(out.left, {period_of(96), period_of(60), period_of(72)}).empty());
}

// One way of playing: notes (key, start and length in samples) rendered with room for
// their releases, and where the held part to look at for buzz lies.
struct playing {
    const char* name;
    std::vector<std::array<int, 3>> notes;
    int length;
    int held_from = 0, held_to = 0;
    int check_from = 0;  // where clicks are looked for
};

std::vector<playing> ways_of_playing(int key) {
    std::vector<playing> ways;
    ways.push_back({"held", {{key, 0, 26000}}, 40000, 6000, 26000});
    playing repeated{"repeated", {}, 30000};
    for (int k = 0; k < 5; ++k) repeated.notes.push_back({key, 3000 * k + 100 * k, 2500});
    ways.push_back(repeated);
    ways.push_back({"legato overlap", {{key, 0, 12000}, {key + 7, 9000, 12000}}, 40000});
    // 36 keys at once (four are dropped), let go, and 12 more while they release: those
    // take releasing voices.
    // Only what follows the first chord is looked at: its 32 notes starting at one sample
    // pile up their waveforms' first edges, which the single notes above already cover.
    playing chord{"chord past 32", {}, 40000, 0, 0, 8500};
    for (int k = 0; k < 36; ++k) chord.notes.push_back({key - 18 + k, 0, 8000});
    for (int k = 0; k < 12; ++k) chord.notes.push_back({key - 6 + k, 9000 + 37 * k, 8000});
    ways.push_back(chord);
    return ways;
}

// Renders a way of playing in 512-sample blocks, events at their sample inside a block.
// The periods of every oscillator that sounds, gathered after each block (as the engine
// has them: transposed, detuned, gliding), each kept once to within half a percent.
void gather_periods(const test::instrument& in, std::vector<double>& periods) {
    for (int v = 0; v < Kaveos::MAX_VOICES; ++v) {
        const voice& s = in.fx->pool_voice(v);
        if (!s.active) continue;
        for (const oscillator* o : {&s.osc1, &s.osc2}) {
            if (!o->active) continue;
            bool known = false;
            for (double p : periods) known = known || std::fabs(p / o->period - 1.0) < 0.005;
            if (!known) periods.push_back(o->period);
        }
    }
}

test::instrument::block play(test::instrument& in, const playing& w, std::vector<double>& periods) {
    struct event {
        int at, key;
        bool on;
    };
    std::vector<event> events;
    for (const auto& n : w.notes) {
        events.push_back({n[1], n[0], true});
        events.push_back({n[1] + n[2], n[0], false});
    }
    std::stable_sort(events.begin(), events.end(), [](const event& a, const event& b) { return a.at < b.at; });
    test::instrument::block out;
    size_t next = 0;
    for (int at = 0; at < w.length; at += 512) {
        for (; next < events.size() && events[next].at < at + 512; ++next) {
            const event& e = events[next];
            if (e.on)
                in.note_on(e.key, 100, e.at - at);
            else
                in.note_off(e.key, e.at - at);
        }
        in.render_into(out, std::min(512, w.length - at));
        gather_periods(in, periods);
    }
    return out;
}

TEST(CleanSound, FactoryProgramsPlayWithoutClicksOrBuzz) {
    bank b;
    ASSERT_TRUE(b.load(test::embedded_bank_file()));
    ASSERT_EQ(b.nprogs(), 128);
    int found = 0;
    for (int i = 0; i < 128; ++i) {
        const std::string name = b.program_name(i);
        const bool drums = i >= 120;
        const int key = drums ? 48 : i >= 84 && i < 98 ? 36 : 60;  // basses on C2
        for (const playing& w : ways_of_playing(key)) {
            test::instrument in;
            load(in, b, i);
            std::vector<double> periods;
            test::instrument::block out = play(in, w, periods);
            for (const auto* ch : {&out.left, &out.right}) {
                std::vector<size_t> at;
                if (!drums)
                    for (size_t k : clicks::find(*ch, periods))
                        if (k >= size_t(w.check_from)) at.push_back(k);
                double buzz = w.held_to > 0 ? clicks::tick_buzz_db(*ch, size_t(w.held_from), size_t(w.held_to)) : -200.0;
                if (!at.empty() || buzz > buzz_limit_db) {
                    ++found;
                    std::printf("%3d %-24s %-15s clicks %zu (first at %zu)  buzz %.1f dB\n", i, name.c_str(),
                                w.name, at.size(), at.empty() ? size_t(0) : at[0], buzz);
                    break;
                }
            }
        }
    }
    EXPECT_EQ(found, 0);
}

}  // namespace
