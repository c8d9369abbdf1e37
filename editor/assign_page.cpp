#include "editor/assign_page.h"

void assign_page::show(KaveosEditor&, Kaveos&, VSTGUI::CViewContainer&) { views.clear(); }

void assign_page::show_last_controller(int) {}
