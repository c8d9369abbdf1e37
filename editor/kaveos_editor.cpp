#include "editor/kaveos_editor.h"

#include "plugin/kaveos.h"

KaveosEditor::KaveosEditor(Kaveos* fx) : AEffEditor(fx) {
    rect = {0, 0, height, width};
}
