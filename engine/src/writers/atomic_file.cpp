// write_file_atomically: fill a temporary file beside the target, then rename it over.
#include <atomic>
#include <cerrno>
#include <chrono>
#include <fstream>
#include <random>
#include <system_error>

#include "trakvia/engine/writers.hpp"

namespace trakvia::engine {
namespace fs = std::filesystem;
namespace {

// A name in the target's folder that no file has yet: ".<name>.<16 hex digits>.tmp".
fs::path unique_temp_path(const fs::path& target) {
    static std::atomic<std::uint64_t> counter{0};
    static const std::uint64_t seed = [] {
        std::random_device rd;
        return (std::uint64_t(rd()) << 32) ^ rd() ^
               std::uint64_t(std::chrono::steady_clock::now().time_since_epoch().count());
    }();
    const fs::path folder = target.parent_path();
    for (;;) {
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
        fs::path candidate = folder / name;
        std::error_code ec;
        if (!fs::exists(candidate, ec)) return candidate;
    }
}

[[noreturn]] void throw_write_error(const char* what, const fs::path& path, int errno_value) {
    throw fs::filesystem_error(what, path, std::error_code(errno_value ? errno_value : EIO, std::generic_category()));
}

}  // namespace

void write_file_atomically(const fs::path& target, const std::function<void(std::ostream&)>& fill) {
    const fs::path temp = unique_temp_path(target);
    std::ofstream out;
    errno = 0;
    out.open(temp, std::ios::binary | std::ios::trunc);
    if (!out) throw_write_error("Çıktı dosyası oluşturulamadı", temp, errno);
    try {
        // errno of a failed write inside fill() (ENOSPC, EFBIG...) is what the user should see.
        errno = 0;
        fill(out);
        if (!out) throw_write_error("Çıktı dosyası yazılamadı", target, errno);
        out.flush();
        if (!out) throw_write_error("Çıktı dosyası yazılamadı", target, errno);
        out.close();
        if (out.fail()) throw_write_error("Çıktı dosyası kapatılamadı", target, errno);
        fs::rename(temp, target);
    } catch (...) {
        if (out.is_open()) out.close();
        std::error_code ignored;
        fs::remove(temp, ignored);
        throw;
    }
}

}  // namespace trakvia::engine
