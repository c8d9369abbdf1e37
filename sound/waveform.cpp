#include "sound/waveform.h"

waveform::waveform() { names.fill("(empty)"); }
