#include "engine/param.h"

#include "engine/tables.h"

pitchp::pitchp(double x) { init(x); }

void pitchp::cook() {
    // Table index trunc(128·1000·x): note 0 .. 128 in 1/1000-semitone steps.
    cooked = lookup_tables::shared().note_entry(128000.0 * amount());
}
