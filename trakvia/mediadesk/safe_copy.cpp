// Content comparison, the chunked copy into a part file, and publishing under the real name.
#include "safe_copy.hpp"

#include "no_replace_rename.hpp"

#include "plain_file.hpp"
#include "pyglue_names.hpp"
#include "part_files.hpp"

#include <cstring>

namespace trakvia::mediadesk {

namespace {

constexpr Py_ssize_t kChunk = 1 << 20;  // small enough to answer a cancel well within a second

// A file object of the module's `open`, closed when it goes out of scope. A failing close
// during unwinding is dropped so that the error that caused the unwinding survives.
class OpenFile {
public:
    OpenFile(const pyglue::Globals& g, nb::handle path) : file_(g["open"](path, "rb", 0)) {}
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
    ~OpenFile() {
        try {
            file_.attr("close")();
        } catch (...) {
        }
    }
    nb::object& get() { return file_; }

private:
    nb::object file_;
};

// Reads up to one chunk; a short read is not the end, only an empty one is.
nb::bytes read_chunk(OpenFile& f) { return nb::borrow<nb::bytes>(f.get().attr("read")(kChunk)); }

bool same_bytes(const pyglue::Globals& g, nb::handle a, nb::handle b, const CopyProgress& progress) {
    OpenFile fa(g, a);
    OpenFile fb(g, b);
    for (;;) {
        progress.check();
        nb::bytes ca = read_chunk(fa);
        nb::bytes cb = read_chunk(fb);
        if (ca.size() != cb.size() || std::memcmp(ca.c_str(), cb.c_str(), ca.size()) != 0) {
            return false;
        }
        if (ca.size() == 0) {
            return true;
        }
    }
}

// The descriptor of the part file being written, closed once.
class PartDescriptor {
public:
    PartDescriptor(const pyglue::Globals& g, nb::object fd) : g_(g), fd_(std::move(fd)) {}
    PartDescriptor(const PartDescriptor&) = delete;
    PartDescriptor& operator=(const PartDescriptor&) = delete;
    ~PartDescriptor() {
        if (open_) {
            try {
                g_["os"].attr("close")(fd_);
            } catch (...) {
            }
        }
    }
    const nb::object& fd() const { return fd_; }
    void close() {
        open_ = false;
        g_["os"].attr("close")(fd_);
    }

private:
    const pyglue::Globals& g_;
    nb::object fd_;
    bool open_ = true;
};

void copy_bytes(const pyglue::Globals& g, nb::handle src, const PartDescriptor& part, CopyProgress& progress) {
    nb::object os = g["os"];
    OpenFile in(g, src);
    nb::object buffer = checked(PyByteArray_FromStringAndSize(nullptr, kChunk));
    nb::object view = checked(PyMemoryView_FromObject(buffer.ptr()));
    nb::object readinto = in.get().attr("readinto");
    nb::object write = os.attr("write");
    for (;;) {
        progress.check();
        const Py_ssize_t n = nb::cast<Py_ssize_t>(readinto(buffer));
        if (n == 0) {
            return;
        }
        for (Py_ssize_t done = 0; done < n;) {
            nb::object piece = checked(PySequence_GetSlice(view.ptr(), done, n));
            done += nb::cast<Py_ssize_t>(write(part.fd(), piece));
        }
        progress.advance(n);
    }
}

}  // namespace

bool same_file_contents(const pyglue::Globals& g, nb::handle src, nb::handle dst, const CopyProgress& progress) {
    if (!is_plain_file(g, dst)) {
        return false;
    }
    nb::object os = g["os"];
    nb::object st_src = os.attr("stat")(src);
    nb::object st_dst = os.attr("stat")(dst);
    if (is_true(os.attr("path").attr("samestat")(st_src, st_dst))) {
        return false;  // the card's own file under a second name is no copy of it
    }
    if (!st_src.attr("st_size").equal(st_dst.attr("st_size"))) {
        return false;
    }
    return same_bytes(g, src, dst, progress);
}

nb::object copy_to_part_file(const pyglue::Globals& g, nb::handle src, nb::handle folder, nb::handle name,
                             CopyProgress& progress) {
    auto [part, fd] = create_part_file(g, folder, name);
    try {
        PartDescriptor out(g, fd);
        copy_bytes(g, src, out, progress);
        // Flushed before it gets its real name: the card may be formatted right after the import.
        g["os"].attr("fsync")(out.fd());
        out.close();
        g["shutil"].attr("copystat")(src, part);
    } catch (...) {
        discard_part(g, part);
        throw;
    }
    return part;
}

void discard_part(const pyglue::Globals& g, nb::handle part) {
    try {
        nb::object os = g["os"];
        if (is_true(os.attr("path").attr("lexists")(part))) {
            os.attr("remove")(part);
        }
    } catch (const nb::python_error& e) {
        if (!e.matches(PyExc_OSError)) {
            throw;
        }
    }
}

bool publish(const pyglue::Globals& g, nb::handle part, nb::handle dst, Published& out) {
    nb::object os = g["os"];
    out.part = nb::borrow(part);
    out.dst = nb::borrow(dst);
    try {
        os.attr("link")(part, dst);
        out.linked = true;
        return true;
    } catch (const nb::python_error& e) {
        if (e.matches(PyExc_FileExistsError)) {
            return false;
        }
        if (!e.matches(PyExc_OSError)) {
            throw;
        }
    }
    // No hard links here (FAT, exFAT cards and drives).
    if (!rename_no_replace(g, part, dst)) {
        return false;
    }
    out.linked = false;
    return true;
}

void unpublish(const pyglue::Globals& g, const Published& p) {
    nb::object os = g["os"];
    if (p.linked) {
        // Only our own second name goes; anything else under dst by now is not ours to remove.
        if (is_true(os.attr("path").attr("samefile")(p.part, p.dst))) {
            os.attr("remove")(p.dst);
        }
    } else {
        os.attr("rename")(p.dst, p.part);
    }
}

}  // namespace trakvia::mediadesk
