// cleanup_dji_files: deletes the LRF, SRT or video files of matching file sets, or lists them.
#include "functions.hpp"
#include "namespace.hpp"

namespace trakvia::mediadesk {

namespace {

// A date filter that no rule can read filters nothing when listing, but here it would widen a
// deletion to the whole card; so cleanup refuses it before anything is touched.
void check_date_filter(const pyglue::Globals& g, nb::handle date_filter) {
    nb::object expr = stripped_text(date_filter);
    if (means_no_filter(expr) || !g["_RE_DATE_EXACT"].attr("match")(expr).is_none() ||
        !g["_RE_AGE_FILTER"].attr("match")(expr).is_none()) {
        return;
    }
    nb::object msg =
        nb::str("Geçersiz tarih/yaş filtresi: '{}'. Örnek: <1d, >2w, 2024-05-01 ya da ALL")
            .attr("format")(expr);
    PyErr_SetObject(PyExc_ValueError, msg.ptr());
    throw nb::python_error();
}

nb::object cleanup_dji_files(const pyglue::Globals& g, const std::vector<nb::object>& args) {
    const nb::object& dir_path = args[0];
    const nb::object& target_type = args[1];
    const nb::object& date_filter = args[2];
    const nb::object& index_filter = args[3];
    const nb::object& dry_run_arg = args[4];
    const nb::object& on_skip = args[5];

    check_date_filter(g, date_filter);
    nb::object sets = g["list_dji_files"](dir_path, nb::arg("date_filter") = date_filter,
                                          nb::arg("index_filter") = index_filter);
    nb::list deleted_files;
    nb::object freed_bytes = nb::int_(0);

    nb::object t_type = target_type.attr("lower")().attr("strip")();
    if (!PyUnicode_Check(t_type.ptr())) {
        PyErr_Format(PyExc_TypeError, "target type must be str, not %s",
                     Py_TYPE(t_type.ptr())->tp_name);
        throw nb::python_error();
    }
    const bool all = t_type.equal(nb::str("all"));
    const bool lrf = all || t_type.equal(nb::str("lrf"));
    const bool srt = all || t_type.equal(nb::str("srt"));
    const bool video = all || t_type.equal(nb::str("video"));
    const bool dry_run = is_true(dry_run_arg);

    nb::object os = g["os"];
    for (nb::handle s : sets) {
        nb::list candidates;
        if (lrf) {
            candidates.attr("extend")(s.attr("lrf_files"));
        }
        if (srt) {
            candidates.attr("extend")(s.attr("srt_files"));
        }
        if (video) {
            candidates.attr("extend")(s.attr("video_files"));
        }
        for (nb::handle fp : candidates) {
            if (!is_true(os.attr("path").attr("exists")(fp))) {
                continue;
            }
            try {
                nb::object sz = os.attr("path").attr("getsize")(fp);
                if (!dry_run) {
                    os.attr("remove")(fp);
                }
                deleted_files.append(fp);
                freed_bytes = checked(PyNumber_Add(freed_bytes.ptr(), sz.ptr()));
            } catch (const nb::python_error& e) {
                if (!e.matches(PyExc_OSError)) {
                    throw;
                }
                // Skipped, and the caller told: a failure must not pass for a clean card.
                if (!on_skip.is_none()) {
                    on_skip(fp, nb::borrow(e.value()));
                }
            }
        }
    }
    return nb::make_tuple(g["len"](deleted_files), freed_bytes, deleted_files);
}

}  // namespace

pyglue::FunctionSpec cleanup_dji_files_spec() {
    pyglue::FunctionSpec spec;
    spec.name = "cleanup_dji_files";
    spec.params = {
        {"dir_path", "str", nb::object()},
        {"target_type", "str", nb::str("lrf")},
        {"date_filter", "str", nb::str("")},
        {"index_filter", "str", nb::str("")},
        {"dry_run", "bool", nb::borrow(Py_False)},
        {"on_skip", "Optional[Callable[[str, OSError], None]]", nb::none(), pyglue::ParamKind::keyword_only},
    };
    spec.return_annotation = "Tuple[int, int, List[str]]";
    spec.body = cleanup_dji_files;
    spec.doc = "on_skip: verilirse, ölçülemeyen ya da silinemeyen (atlanan) her dosya için on_skip(yol, hata) çağrılır.";
    return spec;
}

}  // namespace trakvia::mediadesk
