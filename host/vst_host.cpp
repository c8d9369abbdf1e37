#include "host/vst_host.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>

namespace host {

namespace {

using entry_fn = AEffect* (*)(audioMasterCallback);

// The plug-in calls back before the host knows its AEffect (from inside its entry), so the
// plug-in being created on this thread is remembered, and known effects are looked up.
thread_local plugin* loading = nullptr;
std::mutex registry_lock;
std::map<AEffect*, plugin*>& registry() {
    static std::map<AEffect*, plugin*> r;
    return r;
}

}  // namespace

std::unique_ptr<plugin> plugin::load(const std::string& path, std::string& error) {
    std::unique_ptr<plugin> p(new plugin);
    p->library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!p->library) {
        const char* why = dlerror();
        error = "cannot load " + path + ": " + (why ? why : "unknown error");
        return nullptr;
    }
    auto entry = reinterpret_cast<entry_fn>(dlsym(p->library, "VSTPluginMain"));
    if (!entry) entry = reinterpret_cast<entry_fn>(dlsym(p->library, "main"));
    if (!entry) {
        error = path + " exports neither VSTPluginMain nor main";
        return nullptr;
    }
    loading = p.get();
    AEffect* fx = entry(&plugin::callback);
    loading = nullptr;
    if (!fx || fx->magic != kEffectMagic) {
        error = path + " did not create a VST effect";
        return nullptr;
    }
    p->fx = fx;
    std::lock_guard<std::mutex> lock(registry_lock);
    registry()[fx] = p.get();
    return p;
}

plugin::~plugin() {
    if (fx) {
        if (resumed) suspend();
        dispatch(effClose);
        std::lock_guard<std::mutex> lock(registry_lock);
        registry().erase(fx);
    }
    if (library) dlclose(library);
}

VstIntPtr plugin::dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                           float opt) {
    return fx ? fx->dispatcher(fx, opcode, index, value, ptr, opt) : 0;
}

VstIntPtr plugin::callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                           void* ptr, float opt) {
    plugin* self = nullptr;
    if (effect) {
        std::lock_guard<std::mutex> lock(registry_lock);
        auto it = registry().find(effect);
        if (it != registry().end()) self = it->second;
    }
    if (!self) self = loading;
    if (opcode == audioMasterVersion) return 2400;
    return self ? self->answer(opcode, index, value, ptr, opt) : 0;
}

VstIntPtr plugin::answer(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    switch (opcode) {
        case audioMasterAutomate:
            automation.emplace_back(index, opt);
            return 0;
        case audioMasterCurrentId:
            return fx ? fx->uniqueID : 0;
        case audioMasterWantMidi:
            wants_midi = true;
            return 1;
        case audioMasterGetTime: {
            if (!time.answer_time) return 0;
            time_info = {};
            time_info.samplePos = time.sample_pos;
            time_info.sampleRate = sample_rate;
            time_info.ppqPos = time.ppq_pos;
            time_info.tempo = time.tempo;
            time_info.barStartPos = time.bar_start_ppq;
            time_info.timeSigNumerator = time.numerator;
            time_info.timeSigDenominator = time.denominator;
            time_info.flags = kVstTempoValid | kVstPpqPosValid | kVstTimeSigValid |
                              kVstBarsValid | (time.playing ? kVstTransportPlaying : 0) |
                              (time.changed ? kVstTransportChanged : 0);
            (void)value;
            return reinterpret_cast<VstIntPtr>(&time_info);
        }
        case audioMasterGetSampleRate:
            return VstIntPtr(sample_rate);
        case audioMasterGetBlockSize:
            return block_size;
        case audioMasterGetCurrentProcessLevel:
            return 0;
        case audioMasterGetVendorString:
            if (ptr) std::strcpy(static_cast<char*>(ptr), "Kaveo");
            return ptr ? 1 : 0;
        case audioMasterGetProductString:
            if (ptr) std::strcpy(static_cast<char*>(ptr), "kaveo-render");
            return ptr ? 1 : 0;
        case audioMasterGetVendorVersion:
            return 1000;
        case audioMasterCanDo: {
            const char* what = static_cast<const char*>(ptr);
            if (!what) return 0;
            for (const char* s : {"sendVstEvents", "sendVstMidiEvent", "sendVstTimeInfo",
                                  "sizeWindow", "supplyIdle"})
                if (std::strcmp(what, s) == 0) return 1;
            return 0;
        }
        case audioMasterIdle:
        case audioMasterUpdateDisplay:
        case audioMasterBeginEdit:
        case audioMasterEndEdit:
        case audioMasterIOChanged:
        case audioMasterNeedIdle:
            return 1;
        default:
            (void)index;
            (void)opt;
            return 0;
    }
}

std::string plugin::text_call(VstInt32 opcode, VstInt32 index, size_t cap) {
    // Give what hosts give (the documented size) and keep the result to that size even
    // when a plug-in forgets to terminate it.
    std::vector<char> buffer(cap + 1, '\0');
    dispatch(opcode, index, 0, buffer.data());
    buffer[cap] = '\0';
    return buffer.data();
}

std::string plugin::effect_name() { return text_call(effGetEffectName, 0, kVstMaxEffectNameLen); }
std::string plugin::vendor() { return text_call(effGetVendorString, 0, kVstMaxVendorStrLen); }
std::string plugin::product() { return text_call(effGetProductString, 0, kVstMaxProductStrLen); }
std::string plugin::param_name(int i) { return text_call(effGetParamName, i, kVstMaxParamStrLen); }
std::string plugin::param_label(int i) {
    return text_call(effGetParamLabel, i, kVstMaxParamStrLen);
}
std::string plugin::param_display(int i) {
    return text_call(effGetParamDisplay, i, kVstMaxParamStrLen);
}

std::string plugin::program_name(int index) {
    char buffer[kVstMaxProgNameLen + 1] = {};
    dispatch(effGetProgramNameIndexed, index, -1, buffer);
    buffer[kVstMaxProgNameLen] = '\0';
    return buffer;
}

VstInt32 plugin::can_do(const char* text) {
    return VstInt32(dispatch(effCanDo, 0, 0, const_cast<char*>(text)));
}

void plugin::open(double rate, int block) {
    if (resumed) suspend();  // rate and block size change only while suspended
    sample_rate = rate;
    block_size = block;
    if (!opened) dispatch(effOpen);
    opened = true;
    dispatch(effSetSampleRate, 0, 0, nullptr, float(rate));
    dispatch(effSetBlockSize, 0, block);
}

void plugin::resume() {
    if (resumed) return;
    dispatch(effMainsChanged, 0, 1);
    dispatch(effStartProcess);
    resumed = true;
}

void plugin::suspend() {
    if (!resumed) return;
    dispatch(effStopProcess);
    dispatch(effMainsChanged, 0, 0);
    resumed = false;
}

void plugin::start(double rate, int block) {
    open(rate, block);
    resume();
}

std::string default_plugin_path() {
    char self[PATH_MAX] = {};
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n > 0) {
        std::filesystem::path here = std::filesystem::path(std::string(self, size_t(n))).parent_path();
        for (auto candidate : {here / "kaveo.so", here.parent_path() / "kaveo.so"})
            if (std::filesystem::exists(candidate)) return candidate.string();
        // A system-wide install (PREFIX/bin) keeps its plug-in in PREFIX/lib/vst.
        std::filesystem::path installed = here.parent_path() / "lib" / "vst" / "kaveo.so";
        if (std::filesystem::exists(installed)) return installed.string();
    }
    // Installed copies of this program find the plug-in in the usual per-user folder.
    if (const char* home = std::getenv("HOME")) {
        std::filesystem::path installed = std::filesystem::path(home) / ".vst" / "kaveo.so";
        if (std::filesystem::exists(installed)) return installed.string();
    }
    return "kaveo.so";
}

}  // namespace host
