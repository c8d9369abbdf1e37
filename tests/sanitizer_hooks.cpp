// Leak reports the test binaries should not raise: fontconfig (reached through Cairo's
// text) keeps its caches until the process ends.
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
