// collect_conversion_inputs: the telemetry files a batch conversion reads from a file or folder.
#include "functions.hpp"
#include "namespace.hpp"
#include "pyglue/imports.hpp"

namespace trakvia::mediadesk {

namespace {

// Takes the output folder out of a walk's sub-folder list, so that tracks written by an earlier
// run into a folder inside the input are not read back as inputs and converted again.
void skip_output_folder(const pyglue::Globals& g, nb::handle root, nb::handle subfolders, nb::handle output_dir) {
    nb::object path = os_path(g);
    nb::object target = path.attr("normcase")(output_dir);
    const Py_ssize_t count = PyObject_Size(subfolders.ptr());
    if (count < 0) {
        throw nb::python_error();
    }
    for (Py_ssize_t i = count; i-- > 0;) {
        nb::object name = checked(PySequence_GetItem(subfolders.ptr(), i));
        if (path.attr("normcase")(path.attr("join")(root, name)).equal(target) &&
            PySequence_DelItem(subfolders.ptr(), i) < 0) {
            throw nb::python_error();
        }
    }
}

// A file input as it is; a folder input resolved to its media folders (all of them on a card) and
// each walked top-down, names sorted within each folder and kept when their lower-cased ending is
// one of `extensions` and they are no tracks this program wrote (an earlier run's outputs are not
// read back as inputs, so a re-run gives the same files).
nb::object collect_conversion_inputs(const pyglue::Globals& g, const std::vector<nb::object>& args) {
    const nb::object& input_path = args[0];
    const nb::object& output_dir = args[1];
    const nb::object& extensions = args[2];
    nb::object path = os_path(g);
    nb::list inputs;
    if (is_true(path.attr("isfile")(input_path))) {
        inputs.append(input_path);
        return inputs;
    }
    if (!is_true(path.attr("isdir")(input_path))) {
        return inputs;
    }
    nb::object written_by_trakvia = pyglue::import_name(g, "converter", "written_by_trakvia", 1);
    for (nb::handle media_dir : nb::iter(g["resolve_dji_directories"](input_path))) {
        for (nb::handle entry : nb::iter(g["os"].attr("walk")(media_dir))) {
            nb::object root = entry[0];
            skip_output_folder(g, root, entry[1], output_dir);
            for (nb::handle name : nb::iter(g["sorted"](entry[2]))) {
                if (!is_true(name.attr("lower")().attr("endswith")(extensions))) {
                    continue;
                }
                nb::object file = path.attr("join")(root, name);
                if (!is_true(written_by_trakvia(file))) {
                    inputs.append(file);
                }
            }
        }
    }
    return inputs;
}

}  // namespace

pyglue::FunctionSpec collect_conversion_inputs_spec() {
    return function_spec("collect_conversion_inputs",
                         {param("input_path", "str"), param("output_dir", "str"), param("extensions", "Tuple[str, ...]")},
                         "List[str]", collect_conversion_inputs,
                         "Dönüştürülecek telemetri dosyaları: dosya girdisi kendisi; klasör girdisinin medya klasörleri "
                         "gezilir, çıktı klasörü ve programın daha önce yazdığı izler atlanır, uzantısı `extensions` "
                         "içinde olanlar alınır.");
}

}  // namespace trakvia::mediadesk
