// Module entry of trakvia.converter: binds each area in turn.
#include "bindings.hpp"

NB_MODULE(converter, m) {
    using namespace trakvia::converter;
    m.doc() = "DJI telemetri (SRT) ve GPX dosyalarını GPS izlerine dönüştüren motor.";
    bind_errors(m);
    bind_options(m);
    bind_convert(m);
    bind_track(m);
    bind_samples(m);
    bind_choices(m);
    bind_output_names(m);
    bind_report_lines(m);
}
