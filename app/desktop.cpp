// The desktop branch of main(): single-instance guard, Qt application, workspace folder, main
// window, screenshot mode.
#include "desktop.hpp"

#include "cli.hpp"

#include <string>

namespace trakvia::app {

namespace {

using namespace nb::literals;

// `from <module_name> import <name>`: the interpreter's import, then the attribute; a missing
// name raises ImportError("cannot import name ...") as the statement does.
nb::object import_name(const pyglue::Globals& g, const char* module_name, const char* name) {
    nb::list fromlist;
    fromlist.append(nb::str(name));
    nb::object module = checked(
        PyImport_ImportModuleLevel(module_name, g.dict().ptr(), nullptr, fromlist.ptr(), 0));
    PyObject* value = PyObject_GetAttrString(module.ptr(), name);
    if (value == nullptr) {
        if (!PyErr_ExceptionMatches(PyExc_AttributeError)) {
            throw nb::python_error();
        }
        PyErr_Clear();
        nb::object message = checked(PyUnicode_FromFormat("cannot import name '%s' from '%s'", name, module_name));
        PyErr_SetImportError(message.ptr(), nb::str(module_name).ptr(), nullptr);
        throw nb::python_error();
    }
    return nb::steal(value);
}

// Calls `obj.<method>(value)` only when the object has that method (older Qt versions lack some).
void call_if_present(nb::handle obj, const char* method, nb::handle value) {
    if (nb::hasattr(obj, method)) {
        obj.attr(method)(value);
    }
}

// The workspace folder handed to the main window: ~/Desktop/trakvia_app when it already exists
// and is writable (never created), else the program folder, else ~/Trakvia_Calisma_Alani
// (created with its parents).
nb::object choose_workspace(const pyglue::Globals& g) {
    nb::object os = g["os"];
    nb::object desktop_proj = os_path(g, "expanduser")("~/Desktop/trakvia_app");
    if (is_true(os_path(g, "isdir")(desktop_proj)) && is_true(os.attr("access")(desktop_proj, os.attr("W_OK")))) {
        return desktop_proj;
    }
    nb::object base_dir = g["_EXE_DIR"];
    if (!is_true(os.attr("access")(base_dir, os.attr("W_OK")))) {
        base_dir = os_path(g, "join")(os_path(g, "expanduser")("~"), "Trakvia_Calisma_Alani");
        os.attr("makedirs")(base_dir, "exist_ok"_a = true);
    }
    return base_dir;
}

// Grabs the whole window and saves it as `name` in `shot_dir`; the save result is ignored.
void save_grab(const pyglue::Globals& g, nb::handle win, nb::handle shot_dir, nb::handle name) {
    win.attr("grab")().attr("save")(os_path(g, "join")(shot_dir, name));
}

// The three theme images taken while the second tab is shown: (entry of cmb_hud_theme, file).
constexpr struct {
    int entry;
    const char* file;
} kThemeShots[] = {
    {1, "tab_2_theme_f1.png"},
    {2, "tab_2_theme_garmin.png"},
    {5, "tab_2_theme_clean_white.png"},
};

// _capture_all_tabs(): the state it shares with main() (app, win, shot_dir) arrives as
// keyword-only defaults, so the timer calls it without arguments.
nb::object capture_all_tabs_body(const pyglue::Globals& g, const std::vector<nb::object>& params) {
    nb::handle app = params[0];
    nb::handle win = params[1];
    nb::handle shot_dir = params[2];

    nb::object worker = g["getattr"](win, "_preview_worker", nb::none());
    if (!worker.is_none() && is_true(worker.attr("isRunning")())) {
        worker.attr("wait")(3000);
        app.attr("processEvents")();
    }

    nb::object tabs = win.attr("tabs");
    const long count = nb::cast<long>(tabs.attr("count")());
    for (long idx = 0; idx < count; ++idx) {
        tabs.attr("setCurrentIndex")(idx);
        app.attr("processEvents")();
        save_grab(g, win, shot_dir, nb::str(("tab_" + std::to_string(idx + 1) + ".png").c_str()));
        if (idx == 1) {
            nb::object themes = win.attr("cmb_hud_theme");
            for (const auto& shot : kThemeShots) {
                themes.attr("setCurrentIndex")(shot.entry);
                app.attr("processEvents")();
                save_grab(g, win, shot_dir, nb::str(shot.file));
            }
            themes.attr("setCurrentIndex")(0);
            app.attr("processEvents")();
        }
    }
    win.attr("close")();
    app.attr("quit")();
    return nb::none();
}

nb::object make_capture_routine(const pyglue::Globals& g, nb::handle app, nb::handle win, nb::handle shot_dir) {
    nb::object module = checked(PyImport_GetModule(g["__name__"].ptr()));
    pyglue::FunctionSpec spec;
    spec.name = "_capture_all_tabs";
    spec.qualname = "main.<locals>._capture_all_tabs";
    spec.doc = "Sekmelerin ve HUD temalarının ekran görüntülerini kaydeder, sonra pencereyi kapatır.";
    spec.params = {
        {"app", "", nb::borrow(app), pyglue::ParamKind::keyword_only},
        {"win", "", nb::borrow(win), pyglue::ParamKind::keyword_only},
        {"shot_dir", "", nb::borrow(shot_dir), pyglue::ParamKind::keyword_only},
    };
    spec.body = capture_all_tabs_body;
    return pyglue::make_function(module, std::move(spec));
}

// The launcher's single-instance guard (built-in module _trakvia_launcher), claimed when the
// desktop is about to open: false when another copy's desktop is open; its window has then been
// brought forward. Commands never ask, so they run beside an open desktop. Started without the
// launcher, there is no guard.
bool desktop_guard_passed() {
    PyObject* guard = PyImport_ImportModule("_trakvia_launcher");
    if (guard == nullptr) {
        if (!PyErr_ExceptionMatches(PyExc_ModuleNotFoundError)) {
            throw nb::python_error();
        }
        PyErr_Clear();
        return true;
    }
    return is_true(nb::steal(guard).attr("claim_desktop")());
}

// Qt message handler while the application object is made. Qt ends the process with abort()
// when it cannot reach a display (no DISPLAY, a display that does not answer, no platform
// plugin): a crash instead of a message. Its fatal message becomes a Turkish explanation and
// exit code 1; other messages are printed as Qt prints them.
nb::object report_qt_message(const pyglue::Globals& g, const std::vector<nb::object>& params) {
    const nb::object& mode = params[0];
    const nb::object& context = params[1];
    const nb::object& message = params[2];
    const nb::object& fatal = params[3];
    nb::object err = g["sys"].attr("stderr");
    if (!mode.equal(fatal)) {
        nb::object category = context.attr("category");
        const bool named = is_true(category) && !category.equal(nb::str("default"));
        try {  // an error escaping a Qt message handler would end the program
            g["print"](named ? (Line() << category << ": " << message).text() : nb::str(message),
                       "file"_a = err);
        } catch (const nb::python_error&) {
        }
        return nb::none();
    }
    const nb::str text =
        (Line() << "Hata: Masaüstü penceresi açılamadı: ekran bulunamadı ya da ekrana "
                   "bağlanılamadı.\n  Qt: "
                << message.attr("splitlines")()[0]
                << "\n  Komutlar ekransız da çalışır (list, convert, import, cleanup, play).")
            .text();
    // Whatever fails while telling the user, the process must still end with 1, not abort.
    try {
        g["print"](text, "file"_a = err);
        g["sys"].attr("stdout").attr("flush")();
        err.attr("flush")();
    } catch (const nb::python_error&) {
    }
    if (nb::str("win32").equal(g["sys"].attr("platform"))) {
        try {  // a GUI program started from Explorer has no stderr to read
            nb::object user32 = checked(PyImport_ImportModule("ctypes")).attr("windll").attr("user32");
            user32.attr("MessageBoxW")(0, text, "Trakvia", 0x10);
        } catch (const nb::python_error&) {
        }
    }
    g["os"].attr("_exit")(1);  // Qt aborts the process once this handler returns
    return nb::none();
}

nb::object make_message_handler(const pyglue::Globals& g, nb::handle fatal) {
    nb::object module = checked(PyImport_GetModule(g["__name__"].ptr()));
    pyglue::FunctionSpec spec;
    spec.name = "_report_qt_message";
    spec.params = {
        {"mode", "", nb::object()},
        {"context", "", nb::object()},
        {"message", "", nb::object()},
        {"fatal", "", nb::borrow(fatal), pyglue::ParamKind::keyword_only},
    };
    spec.body = report_qt_message;
    return pyglue::make_function(module, std::move(spec));
}

// QApplication(argv) with report_qt_message installed while it connects to the display.
nb::object make_application(const pyglue::Globals& g, nb::handle QApplication) {
    nb::object install = import_name(g, "PyQt5.QtCore", "qInstallMessageHandler");
    nb::object fatal = import_name(g, "PyQt5.QtCore", "QtFatalMsg");
    nb::object previous = install(make_message_handler(g, fatal));
    nb::object app;
    try {
        app = QApplication(g["sys"].attr("argv"));
    } catch (...) {
        install(previous);
        throw;
    }
    install(previous);
    return app;
}

}  // namespace

nb::object run_desktop(const pyglue::Globals& g, nb::handle args) {
    if (!desktop_guard_passed()) {
        return nb::int_(0);
    }
    nb::object QApplication = import_name(g, "PyQt5.QtWidgets", "QApplication");
    nb::object QFont = import_name(g, "PyQt5.QtGui", "QFont");
    nb::object QTimer = import_name(g, "PyQt5.QtCore", "QTimer");
    nb::object TrakviaMainWindow = import_name(g, "trakvia.ui", "TrakviaMainWindow");
    nb::object create_trakvia_icon = import_name(g, "trakvia.ui", "create_trakvia_icon");

    nb::object app = make_application(g, QApplication);
    app.attr("setApplicationName")("trakvia-app");
    call_if_present(app, "setApplicationDisplayName", g["R27_APP_NAME_TR"]);
    call_if_present(app, "setDesktopFileName", nb::str("trakvia-app"));
    app.attr("setApplicationVersion")(g["R27_APP_VERSION"]);
    app.attr("setWindowIcon")(create_trakvia_icon());
    app.attr("setFont")(QFont("Roboto", 10, QFont.attr("Bold")));

    nb::object base_dir = choose_workspace(g);
    nb::object win = TrakviaMainWindow("base_dir"_a = base_dir);
    win.attr("setWindowIcon")(create_trakvia_icon());
    win.attr("show")();

    nb::object screenshot_dir = args.attr("screenshot_dir");
    if (is_true(screenshot_dir)) {
        nb::object shot_dir = os_path(g, "abspath")(screenshot_dir);
        g["os"].attr("makedirs")(shot_dir, "exist_ok"_a = true);
        QTimer.attr("singleShot")(800, make_capture_routine(g, app, win, shot_dir));
    }
    return app.attr("exec_")();
}

}  // namespace trakvia::app
