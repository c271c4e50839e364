// Progress and cancellation of one import: the caller's two callables and the byte count.
#pragma once

#include "pyglue/function.hpp"
#include "pyglue/values.hpp"

namespace trakvia::mediadesk {

namespace nb = nanobind;

// Thrown when the caller's cancel() answers true; the import removes its part files and
// returns what it had completed.
struct ImportCancelled {};

class CopyProgress {
public:
    // `progress(done_bytes, total_bytes)` and `cancel()`; None for either means none.
    CopyProgress(nb::object progress, nb::object cancel) : progress_(std::move(progress)), cancel_(std::move(cancel)) {}

    void set_total(long long total) {
        total_ = total;
        report();
    }

    // Throws ImportCancelled when the caller asks to stop.
    void check() const {
        if (!cancel_.is_none() && pyglue::is_true(cancel_())) {
            throw ImportCancelled{};
        }
    }

    // `bytes` more were copied (or found already copied).
    void advance(long long bytes) {
        done_ += bytes;
        report();
    }

private:
    void report() const {
        if (!progress_.is_none()) {
            progress_(done_, total_);
        }
    }

    nb::object progress_;
    nb::object cancel_;
    long long done_ = 0;
    long long total_ = 0;
};

}  // namespace trakvia::mediadesk
