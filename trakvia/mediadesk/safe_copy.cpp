// Content comparison and the temporary-name copy behind import_dji_files.
#include "safe_copy.hpp"

#include "namespace.hpp"

#include <cstring>
#include <string>

namespace trakvia::mediadesk {

namespace {

constexpr Py_ssize_t kCompareChunk = 1 << 20;

// A file object opened with the module's `open`, closed when it goes out of scope. A failing
// close during unwinding is dropped so that the error that caused the unwinding survives.
class OpenFile {
public:
    OpenFile(const pyglue::Globals& g, nb::handle path) : file_(g["open"](path, "rb")) {}
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
    ~OpenFile() {
        try {
            file_.attr("close")();
        } catch (...) {
        }
    }
    nb::bytes read() { return nb::borrow<nb::bytes>(file_.attr("read")(kCompareChunk)); }

private:
    nb::object file_;
};

bool same_bytes(const pyglue::Globals& g, nb::handle a, nb::handle b) {
    OpenFile fa(g, a);
    OpenFile fb(g, b);
    for (;;) {
        nb::bytes ca = fa.read();
        nb::bytes cb = fb.read();
        if (ca.size() != cb.size() || std::memcmp(ca.c_str(), cb.c_str(), ca.size()) != 0) {
            return false;
        }
        if (ca.size() == 0) {
            return true;
        }
    }
}

// Removes a temporary file if it is there; a failure to remove it is not worth more than the
// error already on its way.
void discard_temp(const pyglue::Globals& g, nb::handle tmp) {
    try {
        nb::object os = g["os"];
        if (is_true(os.attr("path").attr("lexists")(tmp))) {
            os.attr("remove")(tmp);
        }
    } catch (const nb::python_error& e) {
        if (!e.matches(PyExc_OSError)) {
            throw;
        }
    }
}

// Moves the finished temporary file under `dst` unless something is there already. A hard link
// fails atomically on an existing name; file systems without links (FAT, exFAT) fall back to a
// rename after an existence test.
CopyOutcome publish(const pyglue::Globals& g, nb::handle tmp, nb::handle dst) {
    nb::object os = g["os"];
    bool linked = false;
    try {
        os.attr("link")(tmp, dst);
        linked = true;
    } catch (const nb::python_error& e) {
        if (e.matches(PyExc_FileExistsError)) {
            return CopyOutcome::name_taken;
        }
        if (!e.matches(PyExc_OSError)) {
            throw;
        }
    }
    if (linked) {
        discard_temp(g, tmp);  // the copy is complete under `dst` whatever happens to the link
        return CopyOutcome::written;
    }
    if (is_true(os.attr("path").attr("lexists")(dst))) {
        return CopyOutcome::name_taken;
    }
    try {
        os.attr("rename")(tmp, dst);  // refuses an existing name on Windows
    } catch (const nb::python_error& e) {
        if (e.matches(PyExc_FileExistsError)) {
            return CopyOutcome::name_taken;
        }
        throw;
    }
    return CopyOutcome::written;
}

}  // namespace

bool same_file_contents(const pyglue::Globals& g, nb::handle src, nb::handle dst) {
    nb::object os = g["os"];
    if (!is_true(os.attr("path").attr("isfile")(dst))) {
        return false;
    }
    nb::object st_src = os.attr("stat")(src);
    nb::object st_dst = os.attr("stat")(dst);
    if (!st_src.attr("st_size").equal(st_dst.attr("st_size"))) {
        return false;
    }
    return same_bytes(g, src, dst);
}

CopyOutcome copy_to_new_file(const pyglue::Globals& g, nb::handle src, nb::handle dst) {
    nb::object os = g["os"];
    nb::object path = os.attr("path");
    nb::str tmp_name = concat(concat(nb::str("."), path.attr("basename")(dst)),
                              "." + std::to_string(nb::cast<long long>(os.attr("getpid")())) +
                                  ".trakvia-part");
    nb::object tmp = path.attr("join")(path.attr("dirname")(dst), tmp_name);
    try {
        g["shutil"].attr("copy2")(src, tmp);
        CopyOutcome outcome = publish(g, tmp, dst);
        if (outcome == CopyOutcome::name_taken) {
            discard_temp(g, tmp);
        }
        return outcome;
    } catch (...) {
        discard_temp(g, tmp);
        throw;
    }
}

}  // namespace trakvia::mediadesk
