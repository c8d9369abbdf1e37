// The parameter path of the instrument, driven as the host and the editor drive it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "editor/kaveos_editor.h"
#include "kaveos_fixture.h"
#include "vst/vst_text.h"

namespace {

// Records what the editor is told.
struct spy_editor : KaveosEditor {
    explicit spy_editor(Kaveos* fx) : KaveosEditor(fx) {}
    void setParameter(int index, float value) override { told.emplace_back(index, value); }
    std::vector<std::pair<int, float>> told;
};

struct Params : ::testing::Test {
    test::instrument inst;
    Kaveos& fx = *inst.fx;
    spy_editor* ui = new spy_editor(inst.fx.get());  // replaces the stock editor
};

TEST_F(Params, AcceptanceBounds) {
    fx.setParameter(P_FILTER_TYPE, 1.0f);
    EXPECT_EQ(fx.getParameter(P_FILTER_TYPE), 1.0f);
    char text[32];
    fx.display_function(P_FILTER_TYPE)(fx.getParameter(P_FILTER_TYPE), text, sizeof text);
    EXPECT_STREQ(text, "AnaLP");
    EXPECT_EQ(value_to_choice(fx.getParameter(P_FILTER_TYPE), 7), 6);

    fx.setParameter(P_FILTER_CUTOFF, 0.3f);
    ui->told.clear();
    for (float bad : {1.5f, -0.5f, 1.0000002f, -1e-8f, std::numeric_limits<float>::quiet_NaN(),
                      std::numeric_limits<float>::infinity()}) {
        fx.setParameter(P_FILTER_CUTOFF, bad);
        EXPECT_EQ(fx.getParameter(P_FILTER_CUTOFF), 0.3f) << bad;
    }
    // The editor still hears the stored value after every refused one.
    ASSERT_EQ(ui->told.size(), 6u);
    for (auto [i, v] : ui->told) {
        EXPECT_EQ(i, P_FILTER_CUTOFF);
        EXPECT_EQ(v, 0.3f);
    }
    fx.setParameter(P_FILTER_CUTOFF, -1e-10f);
    EXPECT_EQ(fx.getParameter(P_FILTER_CUTOFF), -1e-10f);
}

TEST_F(Params, IndicesOutsideTheTable) {
    timbre before = fx.current().params;
    ui->told.clear();
    for (int i : {-1, 87, 1000, std::numeric_limits<int>::min()}) {
        fx.setParameter(i, 0.5f);
        EXPECT_EQ(fx.getParameter(i), 0.0f);
        char text[vst::kTextScratch] = "junk";
        fx.getParameterName(i, text);
        EXPECT_STREQ(text, "");
    }
    EXPECT_EQ(fx.current().params, before);
    EXPECT_TRUE(ui->told.empty());
}

TEST_F(Params, NamesLabelsAndDisplay) {
    char text[vst::kTextScratch];
    fx.getParameterName(0, text);
    EXPECT_STREQ(text, "xyz");
    fx.getParameterLabel(P_FILTER_RES, text);
    EXPECT_STREQ(text, "Res/Q");
    for (int i = 0; i < NUM_PARAMS; ++i) {
        std::strcpy(text, "junk");
        fx.getParameterDisplay(i, text);
        EXPECT_STREQ(text, "");
    }
    EXPECT_STREQ(Kaveos::param_long_name(P_DELAY_WET), "Delay wet out");
}

TEST_F(Params, EffectLevelSwitches) {
    const effect_switches& e = fx.switches();
    fx.setParameter(P_LEGATO, 0.75f);
    EXPECT_TRUE(e.legato);
    fx.setParameter(P_TEMPO_SOURCE, 0.4999f);
    EXPECT_FALSE(e.host_tempo);
    fx.setParameter(P_TEMPO_SOURCE, 0.5f);
    EXPECT_TRUE(e.host_tempo);
    fx.setParameter(P_LFO2_SYNC, 0.5f);
    EXPECT_EQ(e.lfo_sync[1], 1);
    fx.setParameter(P_LFO3_SYNC, 1.0f);
    EXPECT_EQ(e.lfo_sync[2], 2);
    fx.setParameter(P_DELAY_ON, 0.75f);
    EXPECT_TRUE(e.delay_on);
    fx.setParameter(P_DELAY_ON, 0.25f);
    EXPECT_FALSE(e.delay_on);
    fx.setParameter(P_DELAY_TYPE, 0.75f);
    EXPECT_TRUE(e.delay_cross);
    fx.setParameter(P_DELAY_FILTER_TYPE, 1.0f);
    EXPECT_EQ(e.delay_filter_mode, 2);
    fx.setParameter(P_DELAY_FILTER_TYPE, 0.5f);
    EXPECT_EQ(e.delay_filter_mode, 1);
    fx.setParameter(P_OSC2_SYNC, 0.75f);
    EXPECT_TRUE(e.osc_sync[1]);
    EXPECT_FALSE(e.osc_sync[0]);
    fx.setParameter(P_DELAY_TEMPO, 1.0f);
    EXPECT_EQ(e.plug_tempo(), 199);
}

TEST_F(Params, DisplayLookupFollowsSyncSwitches) {
    EXPECT_EQ(fx.display_function(P_DELAY_LENGTH), display_delay_length);
    fx.setParameter(P_DELAY_SYNC, 0.75f);
    EXPECT_EQ(fx.display_function(P_DELAY_LENGTH), display_blank);

    fx.setParameter(P_LFO2_SYNC, 0.5f);  // Tempo
    EXPECT_EQ(fx.display_function(P_LFO2_FREQ), display_sync_beats_15);
    EXPECT_EQ(fx.display_function(P_LFO1_FREQ), display_lfo_rate);
    fx.setParameter(P_LFO2_SYNC, 0.9f);  // Note
    EXPECT_EQ(fx.display_function(P_LFO2_FREQ), display_lfo_rate);

    fx.setParameter(P_OSC1_SYNC, 0.75f);
    EXPECT_EQ(fx.display_function(P_OSC1_SPEED), display_sync_beats_23);
    EXPECT_EQ(fx.display_function(P_OSC2_SPEED), display_percent_200);
}

TEST_F(Params, TempoQuery) {
    fx.setParameter(P_TEMPO_SOURCE, 0.25f);  // Plug
    inst.host.time.tempo = 90.0;
    EXPECT_EQ(fx.tempo(), 132);
    fx.setParameter(P_TEMPO_SOURCE, 0.75f);  // Host
    inst.host.time.tempo = 140.7;
    EXPECT_EQ(fx.tempo(), 140);
    inst.host.time.flags = kVstPpqPosValid;  // no tempo in the answer
    EXPECT_EQ(fx.tempo(), 132);
    inst.host.time.flags = kVstTempoValid;
    inst.host.answer_time = false;
    EXPECT_EQ(fx.tempo(), 132);
}

TEST_F(Params, ConstructionPushesEveryValueToTheHost) {
    // The program selected while the object is built reaches the host as automation.
    ASSERT_GE(inst.host.automation.size(), size_t(NUM_PARAMS));
    for (int i = 0; i < NUM_PARAMS; ++i) {
        EXPECT_EQ(inst.host.automation[size_t(i)].first, i);
        EXPECT_EQ(inst.host.automation[size_t(i)].second, fresh_value(i));
    }
}

TEST_F(Params, SampleRateMustBePositiveAndFinite) {
    fx.setSampleRate(48000.0f);
    EXPECT_EQ(fx.sample_rate(), 48000.0);
    for (float bad : {0.0f, -44100.0f, std::numeric_limits<float>::quiet_NaN(),
                      std::numeric_limits<float>::infinity()}) {
        fx.setSampleRate(bad);
        EXPECT_EQ(fx.sample_rate(), 48000.0);
    }
    inst.dispatch(effSetBlockSizeAndSampleRate, 0, 256, nullptr, 96000.0f);
    EXPECT_EQ(fx.sample_rate(), 48000.0);
    inst.dispatch(effSetSampleRate, 0, 0, nullptr, 96000.0f);
    EXPECT_EQ(fx.sample_rate(), 96000.0);
}

TEST_F(Params, ResumeAsksForMidi) {
    inst.dispatch(effMainsChanged, 0, 1);
    EXPECT_EQ(inst.host.want_midi_calls, 1);
    inst.dispatch(effMainsChanged, 0, 0);
    EXPECT_EQ(inst.host.want_midi_calls, 1);
}

}  // namespace

namespace {

// The text the editor shows for a value, and what the sound does with it, are one reading
// for every step of every stepped parameter: at a step's start as hosts and controllers
// send it (k/n as a float), in its middle as the editor stores it, and at 1.0, which is
// the last entry of every table.
struct stepped {
    int index;
    int n;  // choices
    // What the engine made of the value, as the text would name it.
    std::string (*heard)(const Kaveos& fx);
};

std::string engine_wave(const Kaveos& fx) {
    static const char* names[] = {"UserA", "UserB", "Saw", "Squ", "Tri", "Sin"};
    const oscillator& o = fx.pool_voice(0).osc1;
    if (o.row == 0) return o.set == &fx.current().waves.waves[0] ? "UserA" : "UserB";
    return o.row >= 8 && o.row <= 11 ? names[o.row - 6] : "row " + std::to_string(o.row);
}
std::string engine_shape(const Kaveos& fx) {
    static const char* names[] = {"Saw", "Squ", "Tri", "Sin", "UpSqu", "S&H"};
    int r = fx.pool_voice(0).lfos[0].row;
    return r >= 8 && r <= 13 ? names[r - 8] : "row " + std::to_string(r);
}
std::string engine_filter(const Kaveos& fx) {
    static const char* names[] = {"None", "LP12", "LP24", "HPF", "BPF", "AnaLP"};
    return names[fx.pool_voice(0).filter.type()];
}
std::string engine_unison(const Kaveos& fx) { return std::to_string(fx.pool_voice(0).unison.count()); }
std::string engine_bend(const Kaveos& fx) { return std::to_string(fx.pool_voice(0).bend_range.semitones()); }
std::string engine_transpose(const Kaveos& fx) {
    char t[16];
    std::snprintf(t, sizeof t, "%+d", int(fx.pool_voice(0).osc1.transpose.get()));
    return t;
}
std::string engine_sync(const Kaveos& fx) {
    static const char* names[] = {"Off", "Tempo", "Note"};
    return names[fx.pool_voice(0).lfos[0].mode];
}
std::string engine_delay_filter(const Kaveos& fx) {
    static const char* names[] = {"None", "LP", "HP"};
    return names[fx.switches().delay_filter_mode.load()];
}
std::string engine_tempo(const Kaveos& fx) { return std::to_string(const_cast<Kaveos&>(fx).tempo()); }
std::string engine_lfo_beats(const Kaveos& fx) {
    double b = lfo::beats_for(fx.pool_voice(0).lfos[0].rate_param.value);
    return b >= 1.0 ? std::to_string(int(b)) : "";
}

}  // namespace

TEST_F(Params, StepsReadTheSameInTextAndSound) {
    fx.setParameter(P_TEMPO_SOURCE, 0.25f);  // the plug tempo
    const stepped cases[] = {
        {P_OSC1_WAVE, 6, engine_wave},       {P_LFO1_SHAPE, 6, engine_shape},
        {P_FILTER_TYPE, 7, engine_filter},   {P_UNISON_VOICES, 6, engine_unison},
        {P_BEND_RANGE, 12, engine_bend},     {P_OSC1_XPOSE, 49, engine_transpose},
        {P_LFO1_SYNC, 3, engine_sync},       {P_DELAY_FILTER_TYPE, 3, engine_delay_filter},
        {P_DELAY_TEMPO, 127, engine_tempo},  // every controller value, x/127
        {P_LFO1_FREQ, 15, engine_lfo_beats},  // shown in beats while LFO1 follows the tempo
    };
    int checked = 0;
    for (const stepped& c : cases) {
        fx.setParameter(P_LFO1_SYNC, c.index == P_LFO1_SYNC ? 0.0f : choice_to_value(1, 3));
        for (int k = 0; k <= c.n; ++k) {
            for (float x : {float(k) / float(c.n), k < c.n ? choice_to_value(k, c.n) : 1.0f}) {
                fx.setParameter(c.index, x);
                inst.render(32);  // free voices take the value at their next block
                char text[64];
                fx.display_function(c.index)(x, text, sizeof text);
                EXPECT_EQ(c.heard(fx), text) << "parameter " << c.index << " at " << x;
                ++checked;
            }
        }
    }
    EXPECT_EQ(checked, 488);
    // The fresh delay tempo still shows and plays 132, controller 42 at 48 gives 120.
    fx.setParameter(P_DELAY_TEMPO, 0.47244096f);
    EXPECT_EQ(fx.tempo(), 132);
    fx.setParameter(P_DELAY_TEMPO, 48.0f / 127.0f);
    char text[16];
    display_delay_tempo(48.0f / 127.0f, text, sizeof text);
    EXPECT_EQ(fx.tempo(), 120);
    EXPECT_STREQ(text, "120");
}
