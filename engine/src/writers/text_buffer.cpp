// Locale-free number, time and text formatting for the track writers.
#include "writers/text_buffer.hpp"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace trakvia::engine::writers {
namespace {

constexpr double kPow10[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};
constexpr std::uint64_t kIntPow10[] = {1,      10,      100,      1000,      10000,
                                       100000, 1000000, 10000000, 100000000, 1000000000};
// Below 2^53 a scaled value is an exact integer after rounding; beyond it use to_chars.
constexpr double kExactLimit = 9.0e15;

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// Length of the valid UTF-8 sequence starting at s[i], or 0 if it is malformed
// (overlong forms, surrogates and code points above U+10FFFF count as malformed).
std::size_t utf8_sequence_length(std::string_view s, std::size_t i) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    std::size_t len;
    std::uint32_t cp;
    if (b0 >= 0xC2 && b0 <= 0xDF) { len = 2; cp = b0 & 0x1F; }
    else if (b0 >= 0xE0 && b0 <= 0xEF) { len = 3; cp = b0 & 0x0F; }
    else if (b0 >= 0xF0 && b0 <= 0xF4) { len = 4; cp = b0 & 0x07; }
    else return 0;
    if (i + len > s.size()) return 0;
    for (std::size_t k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF))) return 0;
    if (cp >= 0xD800 && cp <= 0xDFFF) return 0;
    if (cp == 0xFFFE || cp == 0xFFFF) return 0;  // not characters in XML; harmless to drop in JSON
    return len;
}

// Walks UTF-8 text: ASCII bytes go to `ascii`, valid multi-byte sequences are copied,
// malformed bytes become U+FFFD so the output file stays valid UTF-8.
template <class AsciiFn>
void escape_utf8(std::string& out, std::string_view s, AsciiFn ascii) {
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            ascii(out, char(c));
            ++i;
            continue;
        }
        const std::size_t len = utf8_sequence_length(s, i);
        if (len == 0) {
            out.append(kReplacement);
            ++i;
        } else {
            out.append(s.substr(i, len));
            i += len;
        }
    }
}

}  // namespace

CivilTime civil_time(std::int64_t ms) {
    // Days from civil, inverted (H. Hinnant's algorithm), with floor division for times
    // before 1970.
    std::int64_t days = ms / 86400000;
    std::int64_t rest = ms % 86400000;
    if (rest < 0) { rest += 86400000; --days; }
    const std::int64_t z = days + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const int day = int(doy - (153 * mp + 2) / 5 + 1);
    const int month = int(mp < 10 ? mp + 3 : mp - 9);
    const std::int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    const int msec_of_day = int(rest);
    return CivilTime{year, month, day, msec_of_day / 3600000, msec_of_day / 60000 % 60,
                     msec_of_day / 1000 % 60, msec_of_day % 1000};
}

TextBuffer::TextBuffer(std::ostream& out, std::size_t chunk) : out_(out), chunk_(chunk) {
    buf_.reserve(chunk + 4096);
}

void TextBuffer::flush() {
    if (!buf_.empty()) out_.write(buf_.data(), std::streamsize(buf_.size()));
    buf_.clear();
}

void TextBuffer::fixed(double value, int decimals) {
    char tmp[400];
    const double scaled = value * kPow10[decimals];
    if (std::isfinite(scaled) && std::fabs(scaled) < kExactLimit) {
        const long long n = std::llround(scaled);
        std::uint64_t u = n < 0 ? std::uint64_t(-n) : std::uint64_t(n);
        if (n < 0) buf_.push_back('-');
        const std::uint64_t unit = kIntPow10[decimals];
        auto r = std::to_chars(tmp, tmp + sizeof tmp, u / unit);
        buf_.append(tmp, r.ptr);
        if (decimals > 0) {
            buf_.push_back('.');
            digits(std::int64_t(u % unit), decimals);
        }
        return;
    }
    auto r = std::to_chars(tmp, tmp + sizeof tmp, value, std::chars_format::fixed, decimals);
    buf_.append(tmp, r.ptr);
}

void TextBuffer::signed_padded(double value, int width, int decimals) {
    const std::size_t start = buf_.size();
    fixed(value, decimals);
    const bool negative = buf_[start] == '-';
    if (!negative) buf_.insert(buf_.begin() + std::ptrdiff_t(start), '+');
    const std::size_t int_begin = start + 1;
    std::size_t int_len = 0;
    while (int_begin + int_len < buf_.size() && buf_[int_begin + int_len] != '.') ++int_len;
    if (int_len < std::size_t(width))
        buf_.insert(int_begin, std::size_t(width) - int_len, '0');
}

void TextBuffer::integer(std::int64_t value) {
    char tmp[24];
    auto r = std::to_chars(tmp, tmp + sizeof tmp, value);
    buf_.append(tmp, r.ptr);
}

void TextBuffer::digits(std::int64_t value, int width) {
    char tmp[24];
    auto r = std::to_chars(tmp, tmp + sizeof tmp, value);
    const auto len = int(r.ptr - tmp);
    if (len < width) buf_.append(std::size_t(width - len), '0');
    buf_.append(tmp, r.ptr);
}

void TextBuffer::iso_time(std::int64_t ms, bool utc) {
    const CivilTime t = civil_time(ms);
    digits(t.year, 4);
    buf_.push_back('-');
    digits(t.month, 2);
    buf_.push_back('-');
    digits(t.day, 2);
    buf_.push_back('T');
    digits(t.hour, 2);
    buf_.push_back(':');
    digits(t.minute, 2);
    buf_.push_back(':');
    digits(t.second, 2);
    buf_.push_back('.');
    digits(t.millisecond, 3);
    if (utc) buf_.push_back('Z');
}

void TextBuffer::xml_text(std::string_view s) {
    escape_utf8(buf_, s, [](std::string& out, char c) {
        switch (c) {
            case '&': out.append("&amp;"); return;
            case '<': out.append("&lt;"); return;
            case '>': out.append("&gt;"); return;
            case '"': out.append("&quot;"); return;
            case '\'': out.append("&apos;"); return;
            case '\t': out.append("&#9;"); return;
            case '\n': out.append("&#10;"); return;
            case '\r': out.append("&#13;"); return;
            default: break;
        }
        // Other control characters cannot appear in XML 1.0, not even as references.
        if (static_cast<unsigned char>(c) < 0x20) out.append(kReplacement);
        else out.push_back(c);
    });
}

void TextBuffer::json_string(std::string_view s) {
    buf_.push_back('"');
    escape_utf8(buf_, s, [](std::string& out, char c) {
        switch (c) {
            case '"': out.append("\\\""); return;
            case '\\': out.append("\\\\"); return;
            case '\n': out.append("\\n"); return;
            case '\r': out.append("\\r"); return;
            case '\t': out.append("\\t"); return;
            case '\b': out.append("\\b"); return;
            case '\f': out.append("\\f"); return;
            default: break;
        }
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20) {
            static constexpr char hex[] = "0123456789abcdef";
            out.append("\\u00");
            out.push_back(hex[u >> 4]);
            out.push_back(hex[u & 15]);
        } else {
            out.push_back(c);
        }
    });
    buf_.push_back('"');
}

int integer_digits(double value, int decimals) {
    const double rounded = std::fabs(value) * kPow10[decimals];
    double whole = std::floor(std::round(rounded) / kPow10[decimals]);  // as llround in fixed()
    int n = 1;
    while (whole >= 10.0) {
        whole /= 10.0;
        ++n;
    }
    return n;
}

}  // namespace trakvia::engine::writers
