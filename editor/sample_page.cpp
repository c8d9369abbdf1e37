#include "editor/sample_page.h"

void sample_page::show(KaveosEditor&, Kaveos&, VSTGUI::CViewContainer&) { views.clear(); }

void sample_page::set_scan_fraction(double) {}
