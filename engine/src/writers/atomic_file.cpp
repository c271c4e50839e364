// write_file_atomically: fill a temporary file beside the target, then rename it over.
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ostream>
#include <utility>
#include <random>
#include <system_error>

#include "trakvia/engine/writers.hpp"
#include "writers/exclusive_file.hpp"

namespace trakvia::engine {
namespace fs = std::filesystem;
namespace {

// A name in the target's folder for the temporary file: ".<name>.<16 hex digits>.tmp".
fs::path temp_name(const fs::path& target) {
    static std::atomic<std::uint64_t> counter{0};
    static const std::uint64_t seed = [] {
        std::random_device rd;
        return (std::uint64_t(rd()) << 32) ^ rd() ^
               std::uint64_t(std::chrono::steady_clock::now().time_since_epoch().count());
    }();
    // splitmix64 of seed + counter: distinct per call, unpredictable across processes.
    std::uint64_t z = seed + 0x9E3779B97F4A7C15ull * (++counter);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    static constexpr char hex[] = "0123456789abcdef";
    std::string tag(16, '0');
    for (int i = 15; i >= 0; --i, z >>= 4) tag[std::size_t(i)] = hex[z & 15];
    fs::path name = fs::path(".") += target.filename();
    name += "." + tag + ".tmp";
    return target.parent_path() / name;
}

[[noreturn]] void throw_write_error(const char* what, const fs::path& path, int errno_value) {
    throw fs::filesystem_error(what, path, std::error_code(errno_value ? errno_value : EIO, std::generic_category()));
}

// A new temporary file beside `target`, created exclusively: a name that something (a file, a
// planted link) took meanwhile is passed over, never opened.
std::FILE* create_temp_beside(const fs::path& target, fs::path& temp) {
    for (int attempt = 0;; ++attempt) {
        temp = temp_name(target);
        errno = 0;
        if (std::FILE* file = writers::create_exclusive(temp)) return file;
        if (errno != EEXIST || attempt >= 100) throw_write_error("Çıktı dosyası oluşturulamadı", temp, errno);
    }
}

}  // namespace

void write_file_atomically(const fs::path& target, const std::function<void(std::ostream&)>& fill) {
    fs::path temp;
    std::FILE* file = create_temp_beside(target, temp);
    try {
        writers::FileOutBuffer buffer(file);
        std::ostream out(&buffer);
        // errno of a failed write inside fill() (ENOSPC, EFBIG...) is what the user should see.
        errno = 0;
        fill(out);
        if (!out) throw_write_error("Çıktı dosyası yazılamadı", target, errno);
        out.flush();
        if (!out) throw_write_error("Çıktı dosyası yazılamadı", target, errno);
        std::FILE* closing = std::exchange(file, nullptr);
        if (std::fclose(closing) != 0) throw_write_error("Çıktı dosyası kapatılamadı", target, errno);
        fs::rename(temp, target);
    } catch (...) {
        if (file != nullptr) std::fclose(file);
        std::error_code ignored;
        fs::remove(temp, ignored);
        throw;
    }
}

}  // namespace trakvia::engine
