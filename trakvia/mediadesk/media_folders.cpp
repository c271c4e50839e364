// Which folders of an SD card hold its media: resolve_dji_directory (the card's first media
// folder) and resolve_dji_directories (every media folder of the card, which the scan walks).
#include "functions.hpp"
#include "namespace.hpp"

namespace trakvia::mediadesk {

namespace {

nb::object resolve_dji_directory(const pyglue::Globals& g, const std::vector<nb::object>& args) {
    nb::object path = os_path(g);
    nb::object norm = path.attr("abspath")(args[0]);
    if (!is_true(path.attr("isdir")(norm))) {
        return norm;
    }
    nb::object join = path.attr("join");
    const nb::object candidates[] = {
        join(norm, "DCIM", "DJI_001"),
        join(norm, "DCIM", "100MEDIA"),
        join(norm, "DCIM", "100GOPRO"),
        join(norm, "DCIM"),
    };
    for (const nb::object& candidate : candidates) {
        if (!is_true(path.attr("isdir")(candidate))) {
            continue;
        }
        if (path.attr("basename")(candidate).equal(nb::str("DCIM"))) {
            nb::list names = nb::borrow<nb::list>(g["sorted"](g["os"].attr("listdir")(candidate)));
            for (nb::handle name : names) {
                nb::object upper = name.attr("upper")();
                if (!is_true(upper.attr("startswith")("DJI_")) && !is_true(upper.attr("startswith")("100"))) {
                    continue;
                }
                nb::object full = join(candidate, name);
                if (is_true(path.attr("isdir")(full))) {
                    return full;
                }
            }
        }
        return candidate;
    }
    return norm;
}

bool is_ascii_digit(Py_UCS4 c) { return c >= '0' && c <= '9'; }

// A camera-file-system folder name: three digits from 100 to 999 and five letters, digits or
// underscores (100MEDIA, 101MEDIA, 102_PANA). Devices open the next number when one is full.
bool is_numbered_media_folder(nb::handle name) {
    if (PyUnicode_GetLength(name.ptr()) != 8) {
        return false;
    }
    for (Py_ssize_t i = 0; i < 8; ++i) {
        const Py_UCS4 c = PyUnicode_ReadChar(name.ptr(), i);
        const bool ok = i < 3 ? is_ascii_digit(c) && (i > 0 || c != '0')
                              : is_ascii_digit(c) || c == '_' || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        if (!ok) {
            return false;
        }
    }
    return true;
}

// The names resolve_dji_directory picks a media folder by (DJI_..., 100...), and the further
// numbered folders that follow 100MEDIA on a full card.
bool is_media_folder_name(nb::handle name) {
    nb::object upper = name.attr("upper")();
    return is_true(upper.attr("startswith")("DJI_")) || is_true(upper.attr("startswith")("100")) ||
           is_numbered_media_folder(name);
}

// Whether `folder` is one of `folders` (the same folder by device and inode, so a case variant
// on a case-insensitive file system or a link to it counts once).
bool already_listed(const pyglue::Globals& g, const nb::list& folders, nb::handle folder) {
    nb::object os = g["os"];
    try {
        nb::object st = os.attr("stat")(folder);
        for (nb::handle known : folders) {
            if (is_true(os.attr("path").attr("samestat")(os.attr("stat")(known), st))) {
                return true;
            }
        }
    } catch (const nb::python_error& e) {
        if (!e.matches(PyExc_OSError)) {
            throw;
        }
        return true;  // gone or unreadable since it was listed: nothing to walk there
    }
    return false;
}

// Every media folder of a card, the one resolve_dji_directory picks first and then the other
// media folders of the card's DCIM in name order; only for a card root (a folder holding DCIM)
// whose first media folder lies directly in DCIM. Any other folder is its own single media
// folder (DCIM itself, given or picked, is walked whole, so it covers its media folders). A path
// that does not lead to a folder gives an empty list.
nb::object resolve_dji_directories(const pyglue::Globals& g, const std::vector<nb::object>& args) {
    nb::object path = os_path(g);
    nb::object first = g["resolve_dji_directory"](args[0]);
    nb::list folders;
    if (!is_true(path.attr("isdir")(first))) {
        return folders;
    }
    folders.append(first);
    nb::object dcim = path.attr("join")(path.attr("abspath")(args[0]), "DCIM");
    if (!path.attr("dirname")(first).equal(dcim)) {
        return folders;
    }
    for (nb::handle name : g["sorted"](g["os"].attr("listdir")(dcim))) {
        if (!is_media_folder_name(name)) {
            continue;
        }
        nb::object full = path.attr("join")(dcim, name);
        if (is_true(path.attr("isdir")(full)) && !already_listed(g, folders, full)) {
            folders.append(full);
        }
    }
    return folders;
}

}  // namespace

pyglue::FunctionSpec resolve_dji_directory_spec() {
    return function_spec(
        "resolve_dji_directory", {param("path", "str")}, "str", resolve_dji_directory,
        "SD kart veya klasör verildiğinde DCIM/DJI_001 ya da DCIM/100MEDIA alt klasörünü otomatik çözümler.");
}

pyglue::FunctionSpec resolve_dji_directories_spec() {
    return function_spec(
        "resolve_dji_directories", {param("path", "str")}, "List[str]", resolve_dji_directories,
        "SD kartın tüm medya klasörlerini verir: önce resolve_dji_directory'nin seçtiği klasör, sonra "
        "DCIM altındaki diğer medya klasörleri (DJI_002, 101MEDIA ...) ad sırasıyla. Kart kökü olmayan bir "
        "klasör kendi başına tek medya klasörüdür; klasör olmayan bir yol boş liste verir.");
}

}  // namespace trakvia::mediadesk
