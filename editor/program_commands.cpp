#include "editor/program_commands.h"

#include <filesystem>
#include <functional>
#include <system_error>

#include "editor/kaveos_editor.h"
#include "editor/timbre_page.h"
#include "plugin/kaveos.h"
#include "toolkit/cframe.h"
#include "toolkit/cmodal.h"
#include "toolkit/file_dialog.h"
#include "toolkit/utf8.h"

namespace fs = std::filesystem;
using VSTGUI::file_dialog_request;

namespace editor_commands {

namespace {

void message(KaveosEditor& ed, const char* text) { VSTGUI::showMessageBox(ed.getFrame(), error_caption, text); }

// Whatever a command meets, the host never sees it.
void guarded(KaveosEditor& ed, const std::function<void()>& work) {
    try {
        work();
    } catch (...) {
        message(ed, msg_command_failed);
    }
}

file_dialog_request request(KaveosEditor& ed, bool save, const char* title, const char* kind, const char* pattern) {
    file_dialog_request r;
    r.save = save;
    r.title = title;
    r.filters = {{"All", "*.*"}, {kind, pattern}};
    r.selected_filter = 1;
    if (VSTGUI::CFrame* f = ed.getFrame()) r.parent_window = f->getSystemWindow();
    return r;
}

// Runs the dialog; done gets the chosen path (nothing happens on cancel).
void choose_file(KaveosEditor& ed, const file_dialog_request& r, std::function<void(const std::string&)> done) {
    // Asked as hosts expect; the dialog is ours whatever the answer.
    (void)ed.fx().canHostDo("openFileSelector");
    VSTGUI::runFileDialog(ed.getFrame(), r, [&ed, done](const std::string& path) {
        if (!path.empty()) guarded(ed, [&] { done(path); });
    });
}

std::string file_name(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The dialog asked before replacing the file the user chose; a name that gained its
// extension since may name another file, which is asked about here.
void save_as(KaveosEditor& ed, const std::string& chosen, const char* extension,
             std::function<void(const std::string&)> write) {
    const std::string path = with_default_extension(chosen, extension);
    std::error_code ec;
    if (path != chosen && fs::exists(path, ec)) {
        std::string question = "\"";
        question.append(file_name(path)).append("\" already exists. Replace it?");
        VSTGUI::showQuestionBox(ed.getFrame(), replace_caption, question, [&ed, path, write](bool ok) {
            if (ok) guarded(ed, [&] { write(path); });
        });
        return;
    }
    write(path);
}

bool same_file(const fs::path& a, const fs::path& b) {
    if (a.empty() || b.empty()) return false;
    std::error_code ec;
    if (fs::equivalent(a, b, ec)) return true;
    return fs::weakly_canonical(a, ec) == fs::weakly_canonical(b, ec);
}

// The host lists program names and shows the current one: tell it they changed.
void host_should_look(KaveosEditor& ed) { ed.fx().updateDisplay(); }

void refresh_names(KaveosEditor& ed) { ed.timbre().fill_program_names(ed.fx()); }

void program_file_command(KaveosEditor& ed, bool save) {
    auto r = save ? request(ed, true, "Export program", "Kaveos Program (.kvp)", "*.kvp")
                  : request(ed, false, "Import program", "Kaveos Program (.kvp)", "*.kvp");
    choose_file(ed, r, [&ed, save](const std::string& chosen) {
        if (!save) {
            if (!ed.fx().import_program(chosen)) {
                message(ed, msg_import_failed);
                return;
            }
            refresh_names(ed);
            host_should_look(ed);
            return;
        }
        save_as(ed, chosen, ".kvp", [&ed](const std::string& path) {
            if (!ed.fx().export_program(path)) message(ed, msg_export_failed);
        });
    });
}

void bank_file_command(KaveosEditor& ed, bool create) {
    auto r = create ? request(ed, true, "Create new bank", "Kaveos Bank (.kvb)", "*.kvb")
                    : request(ed, false, "Set active bank", "Kaveos Bank (.kvb)", "*.kvb");
    choose_file(ed, r, [&ed, create](const std::string& chosen) {
        if (!create) {
            if (!ed.fx().loadBank(chosen)) {
                message(ed, msg_bank_load_failed);
                return;
            }
            host_should_look(ed);
            return;
        }
        // The active bank holds the programs being played: a new bank never replaces it.
        if (same_file(with_default_extension(chosen, ".kvb"), ed.fx().active_bank().path())) {
            message(ed, msg_active_bank);
            return;
        }
        save_as(ed, chosen, ".kvb", [&ed](const std::string& path) {
            if (same_file(path, ed.fx().active_bank().path())) {
                message(ed, msg_active_bank);
                return;
            }
            if (!ed.fx().createEmptyBank(path)) {
                message(ed, msg_bank_create_failed);
                return;
            }
            host_should_look(ed);
        });
    });
}

}  // namespace

std::string with_default_extension(const std::string& path, const char* extension) {
    return file_name(path).find('.') == std::string::npos ? path + extension : path;
}

bool run_program_command(KaveosEditor& ed, long tag) {
    Kaveos& fx = ed.fx();
    guarded(ed, [&] {
        switch (tag) {
            case import_program: program_file_command(ed, false); break;
            case export_program: program_file_command(ed, true); break;
            case copy_program: fx.copy_current_program(); break;
            case store_program:
                if (!fx.store_current_program()) message(ed, msg_store_failed);
                break;
            case paste_program:
                if (fx.has_clipboard()) {
                    fx.paste_current_program();
                    host_should_look(ed);
                }
                break;
            case reset_program:
                fx.reset_current_program();
                host_should_look(ed);
                break;
            default: break;
        }
    });
    return tag >= import_program && tag <= reset_program && tag != program_name;
}

bool run_bank_command(KaveosEditor& ed, long tag) {
    Kaveos& fx = ed.fx();
    guarded(ed, [&] {
        switch (tag) {
            case set_active_bank: bank_file_command(ed, false); break;
            case create_new_bank: bank_file_command(ed, true); break;
            case make_default_bank: {
                std::error_code ec;
                const fs::path& file = fx.active_bank().path();
                if (file.empty() || !fs::is_regular_file(file, ec))
                    message(ed, msg_no_bank_file);
                else if (!fx.set_default_bank())
                    message(ed, msg_default_failed);
                break;
            }
            default: break;
        }
    });
    return tag >= set_active_bank && tag <= make_default_bank;
}

void rename_program(KaveosEditor& ed, int program, const std::string& name) {
    guarded(ed, [&] {
        Kaveos& fx = ed.fx();
        if (program != fx.getProgram()) {
            message(ed, msg_rename_failed);
            return;
        }
        fx.rename_program(program, std::string(VSTGUI::utf8_first_chars(name, timbre_page::name_chars)));
        host_should_look(ed);
    });
}

void step_program(KaveosEditor& ed, int direction) {
    const int last = Kaveos::num_programs - 1;
    int now = ed.fx().getProgram();
    int next = direction > 0 ? (now >= last ? 0 : now + 1) : (now <= 0 ? last : now - 1);
    select_program(ed, next);
}

void select_program(KaveosEditor& ed, long index) {
    guarded(ed, [&] {
        long i = index < 0 ? 0 : index > Kaveos::num_programs - 1 ? Kaveos::num_programs - 1 : index;
        ed.fx().setProgram(VstInt32(i));
        host_should_look(ed);
    });
}

}  // namespace editor_commands
