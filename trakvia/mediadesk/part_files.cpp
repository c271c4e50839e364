// Part files of the import: names, exclusive creation, removal of a killed run's leftovers.
#include "part_files.hpp"

#include "namespace.hpp"
#include "process_liveness.hpp"

#include <string>

namespace trakvia::mediadesk {

namespace {

constexpr Py_ssize_t kNameLimit = 255;  // bytes (ext4, XFS) or UTF-16 units (NTFS, exFAT)
constexpr int kAttempts = 100;
const char* const kPartEnding = ".trakvia-part";
// ".<name>.<pid>.<8 hex>.trakvia-part"; the hex part is missing in names of older versions.
const char* const kPartPattern = R"(\..*\.([0-9]+)(?:\.[0-9a-f]{8})?\.trakvia-part)";

// Length of `name` as the file system stores it, in bytes (UTF-8 or the POSIX bytes).
Py_ssize_t encoded_length(const pyglue::Globals& g, nb::handle name) {
    return nb::len(g["os"].attr("fsencode")(name));
}

// os.open flags for a new file that must not exist yet and must not be reached through a link.
nb::object exclusive_flags(const pyglue::Globals& g) {
    nb::object os = g["os"];
    nb::object flags = os.attr("O_WRONLY") | os.attr("O_CREAT") | os.attr("O_EXCL");
    for (const char* optional : {"O_NOFOLLOW", "O_BINARY", "O_CLOEXEC", "O_NOINHERIT"}) {
        if (nb::hasattr(os, optional)) {
            flags = flags | os.attr(optional);
        }
    }
    return flags;
}

}  // namespace

std::pair<nb::object, nb::object> create_part_file(const pyglue::Globals& g, nb::handle folder, nb::handle name) {
    nb::object os = g["os"];
    const nb::object flags = exclusive_flags(g);
    const std::string pid = std::to_string(nb::cast<long long>(os.attr("getpid")()));
    for (int attempt = 0;; ++attempt) {
        const nb::str tag = nb::borrow<nb::str>(os.attr("urandom")(4).attr("hex")());
        nb::object tail = concat(concat(nb::str(("." + pid + ".").c_str()), tag), kPartEnding);
        // A 249-byte card name plus the tail would pass the limit: shorten the copy of the name.
        nb::object shown = nb::borrow(name);
        const Py_ssize_t room = kNameLimit - 1 - encoded_length(g, tail);
        while (encoded_length(g, shown) > room) {
            shown = shown[nb::slice(nb::none(), nb::int_(-1), nb::none())];
        }
        nb::object path = os.attr("path").attr("join")(folder, concat(concat(nb::str("."), shown), tail));
        try {
            nb::object fd = os.attr("open")(path, flags, 0600);
            return {path, fd};
        } catch (const nb::python_error& e) {
            if (!e.matches(PyExc_FileExistsError) || attempt + 1 >= kAttempts) {
                throw;
            }
        }
    }
}

void remove_stale_part_files(const pyglue::Globals& g, nb::handle folder) {
    nb::object os = g["os"];
    nb::object pattern = g["re"].attr("compile")(kPartPattern, g["re"].attr("DOTALL"));
    const long long own_pid = nb::cast<long long>(os.attr("getpid")());
    for (nb::handle name : os.attr("listdir")(folder)) {
        nb::object m = pattern.attr("fullmatch")(name);
        if (m.is_none()) {
            continue;
        }
        nb::object pid_text = m.attr("group")(1);
        // Longer than any process id: no process owns it.
        const long long pid = nb::len(pid_text) > 12 ? -1 : nb::cast<long long>(g["int"](pid_text));
        if (pid == own_pid || process_is_running(pid)) {
            continue;  // a copy in progress, here or in another import
        }
        nb::object path = os.attr("path").attr("join")(folder, name);
        if (!is_plain_file(g, path)) {
            continue;
        }
        try {
            os.attr("remove")(path);
        } catch (const nb::python_error& e) {
            if (!e.matches(PyExc_OSError)) {
                throw;
            }
        }
    }
}

}  // namespace trakvia::mediadesk
