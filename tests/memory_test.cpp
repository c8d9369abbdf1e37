// One instance of the plug-in, loaded as a host loads it and playing, in a process of its
// own: its peak resident memory.
#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "host/vst_host.h"

extern char** environ;

namespace {

// Runs only in the child the test below starts.
TEST(MemoryChild, LoadsOneInstanceAndPlays) {
    if (!std::getenv("KAVEO_MEMORY_CHILD")) GTEST_SKIP() << "runs inside Memory.OneInstance";
    std::string error;
    auto p = host::plugin::load(KAVEO_PLUGIN_PATH, error);
    ASSERT_TRUE(p) << error;
    p->start(44100.0, 512);
    AEffect* e = p->effect();
    std::vector<VstMidiEvent> midi(32);
    std::vector<char> storage(sizeof(VstEvents) + 32 * sizeof(VstEvent*));
    auto* list = reinterpret_cast<VstEvents*>(storage.data());
    list->numEvents = 32;
    for (int k = 0; k < 32; ++k) {
        midi[size_t(k)] = VstMidiEvent{};
        midi[size_t(k)].type = kVstMidiType;
        midi[size_t(k)].byteSize = sizeof(VstMidiEvent);
        midi[size_t(k)].midiData[0] = char(0x90);
        midi[size_t(k)].midiData[1] = char(40 + k);
        midi[size_t(k)].midiData[2] = 100;
        list->events[k] = reinterpret_cast<VstEvent*>(&midi[size_t(k)]);
    }
    e->setParameter(e, 73, 0.75f);  // delay on
    p->dispatch(effProcessEvents, 0, 0, list);
    std::vector<float> l(512), r(512);
    float* outs[2] = {l.data(), r.data()};
    for (int b = 0; b < 200; ++b) e->processReplacing(e, nullptr, outs, 512);
}

TEST(Memory, OneInstanceStaysUnder40MegabytesResident) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "sanitizer shadow memory is not the plug-in's";
#endif
    std::string self = "/proc/self/exe";
    std::vector<std::string> args = {"kaveo_tests", "--gtest_filter=MemoryChild.*"};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> env_strings = {"KAVEO_MEMORY_CHILD=1"};
    for (char** e = environ; *e; ++e) env_strings.emplace_back(*e);
    std::vector<char*> envp;
    for (auto& s : env_strings) envp.push_back(s.data());
    envp.push_back(nullptr);
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, self.c_str(), nullptr, nullptr, argv.data(), envp.data()), 0);
    int status = 0;
    rusage usage{};
    ASSERT_EQ(wait4(pid, &status, 0, &usage), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    const double megabytes = double(usage.ru_maxrss) / 1024.0;  // ru_maxrss is in KiB
    RecordProperty("peak_resident_mb", std::to_string(megabytes));
    EXPECT_LT(megabytes, 40.0);
}

}  // namespace
