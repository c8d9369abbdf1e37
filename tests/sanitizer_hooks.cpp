// Leak reports the test binaries should not raise: fontconfig (reached through Cairo's
// text) keeps its caches until the process ends, and amsynth leaks a little when it is
// loaded and unloaded; neither is ours to find.
extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n"
           "leak:amsynth_vst.so\n";
}
