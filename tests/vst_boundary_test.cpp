// The plug-in as a host meets it: loaded from kaveo.so, reached only through AEffect.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "host/vst_host.h"

namespace {

using entry_fn = AEffect* (*)(audioMasterCallback);

struct Boundary : ::testing::Test {
    std::unique_ptr<host::plugin> p;
    AEffect* fx = nullptr;
    void SetUp() override {
        std::string error;
        p = host::plugin::load(KAVEO_PLUGIN_PATH, error);
        ASSERT_TRUE(p) << error;
        fx = p->effect();
        p->start(44100.0, 512);
    }
};

// A host buffer of `size` bytes with guard bytes on both sides.
struct guarded {
    static constexpr size_t guard = 64;
    std::vector<char> bytes;
    size_t size;
    explicit guarded(size_t n) : bytes(n + 2 * guard, '\x5A'), size(n) {}
    char* data() { return bytes.data() + guard; }
    bool intact() const {
        for (size_t i = 0; i < guard; ++i)
            if (bytes[i] != '\x5A' || bytes[guard + size + i] != '\x5A') return false;
        return true;
    }
    // The text, known to end inside the buffer.
    std::string text() const {
        const char* d = bytes.data() + guard;
        size_t n = strnlen(d, size);
        EXPECT_LT(n, size) << "not terminated inside the buffer";
        return std::string(d, n);
    }
};

TEST(Entry, ExportsOnlyTheTwoEntries) {
    void* lib = dlopen(KAVEO_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_TRUE(lib);
    EXPECT_TRUE(dlsym(lib, "VSTPluginMain"));
    EXPECT_TRUE(dlsym(lib, "main"));
    EXPECT_FALSE(dlsym(lib, "_ZN6KaveosC1EPFlP7AEffectiilPvfE"));
    dlclose(lib);
}

TEST(Entry, HostVersionZeroGivesNoEffect) {
    void* lib = dlopen(KAVEO_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_TRUE(lib);
    auto entry = reinterpret_cast<entry_fn>(dlsym(lib, "main"));
    ASSERT_TRUE(entry);
    audioMasterCallback version_zero = [](AEffect*, VstInt32, VstInt32, VstIntPtr, void*,
                                          float) -> VstIntPtr { return 0; };
    EXPECT_EQ(entry(version_zero), nullptr);
    EXPECT_EQ(entry(nullptr), nullptr);
    dlclose(lib);
}

TEST_F(Boundary, Identity) {
    EXPECT_EQ(fx->magic, kEffectMagic);
    EXPECT_EQ(fx->uniqueID, 0x734B6176);
    EXPECT_EQ(fx->version, 1);
    EXPECT_EQ(fx->numPrograms, 128);
    EXPECT_EQ(fx->numParams, 87);
    EXPECT_EQ(fx->numInputs, 0);
    EXPECT_EQ(fx->numOutputs, 2);
    EXPECT_EQ(fx->flags, 0x131);
    EXPECT_EQ(fx->initialDelay, 0);
    EXPECT_EQ(fx->ioRatio, 1.0f);
    EXPECT_EQ(p->effect_name(), "Kaveo");
    EXPECT_EQ(p->product(), "Kaveo");
    EXPECT_EQ(p->vendor(), "Solvanter");
    EXPECT_EQ(p->dispatch(effGetVendorVersion), 1000);
    EXPECT_EQ(p->dispatch(effGetPlugCategory), kPlugCategSynth);
    EXPECT_EQ(p->dispatch(effGetVstVersion), 2300);
    EXPECT_EQ(p->param_name(8), "Xpose");
}

TEST_F(Boundary, CapabilitiesAndPins) {
    EXPECT_EQ(p->can_do("receiveVstEvents"), 1);
    EXPECT_EQ(p->can_do("receiveVstMidiEvent"), 1);
    EXPECT_EQ(p->can_do("midiProgramNames"), 1);
    EXPECT_EQ(p->can_do("sendVstEvents"), -1);
    EXPECT_EQ(p->can_do(""), -1);
    EXPECT_EQ(p->dispatch(effCanDo, 0, 0, nullptr), 0);

    for (int pin = 0; pin < 2; ++pin) {
        VstPinProperties props;
        std::memset(&props, 0x5A, sizeof props);
        EXPECT_EQ(p->dispatch(effGetOutputProperties, pin, 0, &props), 1);
        EXPECT_STREQ(props.label, pin == 0 ? "Kav 1" : "Kav 2");
        EXPECT_EQ(props.flags, kVstPinIsActive | kVstPinIsStereo);
    }
    VstPinProperties untouched{};
    EXPECT_EQ(p->dispatch(effGetOutputProperties, 2, 0, &untouched), 0);
    EXPECT_EQ(p->dispatch(effGetOutputProperties, -1, 0, &untouched), 0);
    EXPECT_EQ(untouched.label[0], 0);
}

TEST_F(Boundary, MidiProgramNamesAndKeys) {
    MidiProgramName rec;
    std::memset(&rec, 0x33, sizeof rec);
    rec.thisProgramIndex = 5;
    rec.midiProgram = 7;
    rec.parentCategoryIndex = 3;
    EXPECT_EQ(p->dispatch(effGetMidiProgramName, 9, 0, &rec), 1);
    EXPECT_STREQ(rec.name, "(empty)");
    EXPECT_EQ(rec.midiBankMsb, -1);
    EXPECT_EQ(rec.midiBankLsb, -1);
    EXPECT_EQ(rec.reserved, 0);
    EXPECT_EQ(rec.flags, 0);
    EXPECT_EQ(rec.midiProgram, 7);  // left as the host gave them
    EXPECT_EQ(rec.parentCategoryIndex, 3);
    EXPECT_EQ(p->dispatch(effGetMidiProgramName, 0, 0, &rec), 128);

    MidiProgramName out_of_range;
    std::memset(&out_of_range, 0x33, sizeof out_of_range);
    out_of_range.thisProgramIndex = 128;
    MidiProgramName copy = out_of_range;
    EXPECT_EQ(p->dispatch(effGetMidiProgramName, 0, 0, &out_of_range), 0);
    EXPECT_EQ(std::memcmp(&copy, &out_of_range, sizeof copy), 0);

    EXPECT_EQ(p->dispatch(effGetCurrentMidiProgram, 0, 0, &rec), 0);
    EXPECT_EQ(p->dispatch(effGetCurrentMidiProgram, 15, 0, &rec), 0);
    EXPECT_EQ(p->dispatch(effGetCurrentMidiProgram, 16, 0, &rec), -1);
    EXPECT_EQ(p->dispatch(effGetCurrentMidiProgram, 0, 0, nullptr), -1);

    MidiProgramCategory cat;
    std::memset(&cat, 0x33, sizeof cat);
    EXPECT_EQ(p->dispatch(effGetMidiProgramCategory, 0, 0, &cat), 0);
    EXPECT_EQ(cat.parentCategoryIndex, -1);
    EXPECT_EQ(cat.flags, 0);
    EXPECT_STREQ(cat.name, "");

    MidiKeyName key;
    std::memset(&key, 0x33, sizeof key);
    EXPECT_EQ(p->dispatch(effGetMidiKeyName, 0, 0, &key), 0);
    EXPECT_STREQ(key.keyName, "");
    EXPECT_EQ(key.reserved, 0);
    EXPECT_EQ(key.flags, 0);
}

TEST_F(Boundary, ProgramNamesByIndex) {
    // The names depend on the bank the library starts with (the factory bank when it
    // carries one); what a host relies on does not.
    guarded name(kVstMaxProgNameLen), current(kVstMaxProgNameLen);
    EXPECT_EQ(p->dispatch(effGetProgram), 0);
    EXPECT_EQ(p->dispatch(effGetProgramNameIndexed, 0, -1, name.data()), 1);  // the current one
    p->dispatch(effGetProgramName, 0, 0, current.data());
    EXPECT_EQ(name.text(), current.text());
    EXPECT_EQ(p->dispatch(effGetProgramNameIndexed, 127, -1, name.data()), 1);
    EXPECT_TRUE(name.intact());
    std::strcpy(name.data(), "keep");
    EXPECT_EQ(p->dispatch(effGetProgramNameIndexed, 128, -1, name.data()), 0);
    EXPECT_EQ(p->dispatch(effGetProgramNameIndexed, -1, -1, name.data()), 0);
    EXPECT_EQ(name.text(), "keep");
    EXPECT_TRUE(name.intact());
}

TEST_F(Boundary, NoCallWritesPastAHostBuffer) {
    // A program name far longer than the host's 24 bytes comes back cut to 23 characters.
    std::string long_name(300, 'n');
    p->dispatch(effSetProgramName, 0, 0, long_name.data());
    guarded prog(kVstMaxProgNameLen);
    p->dispatch(effGetProgramName, 0, 0, prog.data());
    EXPECT_EQ(prog.text(), std::string(23, 'n'));
    EXPECT_TRUE(prog.intact());
    guarded indexed(kVstMaxProgNameLen);
    p->dispatch(effGetProgramNameIndexed, 0, -1, indexed.data());
    EXPECT_EQ(indexed.text(), std::string(23, 'n'));
    EXPECT_TRUE(indexed.intact());

    for (VstInt32 op : {effGetParamName, effGetParamLabel, effGetParamDisplay})
        for (int i = -2; i < 90; ++i) {
            guarded t(kVstMaxParamStrLen);
            p->dispatch(op, i, 0, t.data());
            EXPECT_LE(t.text().size(), 7u);
            EXPECT_TRUE(t.intact()) << op << " " << i;
        }
    for (auto [op, cap] : {std::pair{effGetEffectName, kVstMaxEffectNameLen},
                           std::pair{effGetVendorString, kVstMaxVendorStrLen},
                           std::pair{effGetProductString, kVstMaxProductStrLen}}) {
        guarded t(cap);
        EXPECT_EQ(p->dispatch(op, 0, 0, t.data()), 1);
        EXPECT_FALSE(t.text().empty());
        EXPECT_TRUE(t.intact());
    }
    // Null buffers are refused, not written.
    for (VstInt32 op : {effGetProgramName, effGetParamName, effGetEffectName, effGetVendorString,
                        effGetProgramNameIndexed, effGetOutputProperties, effGetMidiProgramName,
                        effGetMidiKeyName, effGetMidiProgramCategory, effProcessEvents,
                        effGetChunk, effSetChunk, effSetProgramName, effEditGetRect})
        p->dispatch(op, 0, 0, nullptr);
}

TEST_F(Boundary, StateChunksThroughTheLibrary) {
    fx->setParameter(fx, 26, 0.25f);
    for (VstIntPtr preset : {1, 0}) {
        void* data = nullptr;
        VstIntPtr n = p->dispatch(effGetChunk, VstInt32(preset), 0, &data);
        ASSERT_GT(n, 0);
        ASSERT_TRUE(data);
        std::vector<char> copy(static_cast<char*>(data), static_cast<char*>(data) + n);
        fx->setParameter(fx, 26, 0.75f);
        EXPECT_EQ(p->dispatch(effSetChunk, VstInt32(preset), VstIntPtr(copy.size()), copy.data()), 1);
        EXPECT_EQ(fx->getParameter(fx, 26), 0.25f);
    }
    char junk[3] = {1, 2, 3};
    EXPECT_EQ(p->dispatch(effSetChunk, 1, 3, junk), 0);
    EXPECT_EQ(fx->getParameter(fx, 26), 0.25f);
}

TEST_F(Boundary, ParametersThroughTheRecord) {
    fx->setParameter(fx, 26, 0.25f);
    EXPECT_EQ(fx->getParameter(fx, 26), 0.25f);
    fx->setParameter(fx, 26, 2.0f);
    EXPECT_EQ(fx->getParameter(fx, 26), 0.25f);
    fx->setParameter(fx, 87, 0.5f);
    EXPECT_EQ(fx->getParameter(fx, 87), 0.0f);
    EXPECT_EQ(fx->getParameter(fx, -5), 0.0f);
    EXPECT_EQ(p->dispatch(effCanBeAutomated, 26), 1);
}

TEST_F(Boundary, EditorRectAndHostQuirks) {
    ERect* r = nullptr;
    EXPECT_EQ(p->dispatch(effEditGetRect, 0, 0, &r), 1);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->right - r->left, 640);
    EXPECT_EQ(r->bottom - r->top, 599);
    // Some hosts close an editor they never opened, or open twice.
    p->dispatch(effEditClose);
    p->dispatch(effOpen);
    p->dispatch(effOpen);
}

TEST_F(Boundary, RendersSilenceAndOverwrites) {
    std::vector<float> left(512, 0.7f), right(512, -0.7f);
    float* outs[2] = {left.data(), right.data()};
    fx->processReplacing(fx, nullptr, outs, 512);
    for (int i = 0; i < 512; ++i) {
        EXPECT_EQ(left[size_t(i)], 0.0f);
        EXPECT_EQ(right[size_t(i)], 0.0f);
    }
    fx->processReplacing(fx, nullptr, outs, 0);
    fx->processReplacing(fx, nullptr, outs, -4);
}

}  // namespace
