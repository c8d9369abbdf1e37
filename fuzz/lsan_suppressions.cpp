// FFTW keeps its planner and the plans made for the analysis for the life of the process
// (another plug-in in the same host may share them, so nobody tears them down); the leak
// checker sees them only as unreachable blocks at exit.
extern "C" const char* __lsan_default_suppressions() { return "leak:fftw_malloc_plain\n"; }
