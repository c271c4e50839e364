// Locale-free number, time and text formatting for the track writers.
#include "writers/text_buffer.hpp"

#include "writers/fixed_point.hpp"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "civil_time.hpp"

namespace trakvia::engine::writers {
namespace {

using fixed_point::put_unsigned;
using fixed_point::kPow10;
using fixed_point::put_exact_digits;
using fixed_point::put_fixed;


constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

char* put(char* p, std::string_view text) {
    std::memcpy(p, text.data(), text.size());
    return p + text.size();
}

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

// Walks UTF-8 text into `p`: ASCII bytes go to `ascii`, valid multi-byte sequences are
// copied, malformed bytes become U+FFFD so the output file stays valid UTF-8. `p` needs room
// for 6 characters per input byte.
template <class AsciiFn>
char* escape_utf8(char* p, std::string_view s, AsciiFn ascii) {
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            p = ascii(p, char(c));
            ++i;
            continue;
        }
        const std::size_t len = utf8_sequence_length(s, i);
        if (len == 0) {
            p = put(p, kReplacement);
            ++i;
        } else {
            p = put(p, s.substr(i, len));
            i += len;
        }
    }
    return p;
}


}  // namespace

char* fixed_point::put_fixed_general(char* p, double value, int decimals) {
    return std::to_chars(p, p + 400, value, std::chars_format::fixed, decimals).ptr;
}

CivilTime civil_time(std::int64_t ms) {
    const DayAndTime split = split_day(ms);
    const CivilDate date = civil_from_days(split.day);
    const int msec_of_day = int(split.ms_of_day);
    return CivilTime{date.year, int(date.month), int(date.day), msec_of_day / 3600000, msec_of_day / 60000 % 60,
                     msec_of_day / 1000 % 60, msec_of_day % 1000};
}

TextBuffer::TextBuffer(std::ostream& out, std::size_t chunk)
    : out_(out), data_(new char[chunk + 65536]), capacity_(chunk + 65536), chunk_(chunk),
      cached_day_(INT64_MIN), cached_date_{} {}

void TextBuffer::grow(std::size_t n) {
    const std::size_t capacity = std::max(2 * capacity_, size_ + n);
    std::unique_ptr<char[]> data(new char[capacity]);
    std::memcpy(data.get(), data_.get(), size_);
    data_ = std::move(data);
    capacity_ = capacity;
}

void TextBuffer::flush() {
    if (size_) out_.write(data_.get(), std::streamsize(size_));
    size_ = 0;
}

void TextBuffer::signed_padded(double value, int width, int decimals) {
    char tmp[400];
    const char* end = put_fixed(tmp, value, decimals);
    const char* digits_begin = tmp[0] == '-' ? tmp + 1 : tmp;
    const char* point = std::find(digits_begin, end, '.');
    const int int_len = int(point - digits_begin);
    char* p = room(std::size_t(end - tmp) + std::size_t(std::max(width, 0)) + 1);
    *p++ = tmp[0] == '-' ? '-' : '+';
    for (int i = int_len; i < width; ++i) *p++ = '0';
    commit(put(p, std::string_view(digits_begin, std::size_t(end - digits_begin))));
}

void TextBuffer::integer(std::int64_t value) {
    char* p = room(24);
    commit(std::to_chars(p, p + 24, value).ptr);
}

void TextBuffer::digits(std::int64_t value, int width) {
    if (value < 0) {
        *room(1) = '-';
        ++size_;
        value = -value;
    }
    commit(put_unsigned(room(24 + std::size_t(std::max(width, 0))), std::uint64_t(value), width));
}

void TextBuffer::iso_time(std::int64_t ms, bool utc, char separator) {
    const auto [day, rest] = split_day(ms);
    if (day != cached_day_) {
        const CivilTime t = civil_time(ms);
        if (t.year < 0 || t.year > 9999) {
            // Outside four-digit years: printed as is, never cached.
            digits(t.year, 4);
            char* p = room(8);
            *p++ = '-';
            p = put_unsigned(p, std::uint64_t(t.month), 2);
            *p++ = '-';
            commit(put_unsigned(p, std::uint64_t(t.day), 2));
        } else {
            char* d = put_unsigned(cached_date_, std::uint64_t(t.year), 4);
            *d++ = '-';
            d = put_unsigned(d, std::uint64_t(t.month), 2);
            *d++ = '-';
            put_unsigned(d, std::uint64_t(t.day), 2);
            cached_day_ = day;
        }
    }
    char* p = room(40);
    if (cached_day_ == day) p = put(p, std::string_view(cached_date_, 10));
    const auto ms_of_day = std::uint64_t(rest);
    *p++ = separator;
    put_exact_digits<2>(p, ms_of_day / 3600000);
    p[2] = ':';
    put_exact_digits<2>(p + 3, ms_of_day / 60000 % 60);
    p[5] = ':';
    put_exact_digits<2>(p + 6, ms_of_day / 1000 % 60);
    p[8] = '.';
    put_exact_digits<3>(p + 9, ms_of_day % 1000);
    p += 12;
    if (utc) *p++ = 'Z';
    commit(p);
}

void TextBuffer::xml_text(std::string_view s) {
    commit(escape_utf8(room(6 * s.size()), s, [](char* p, char c) {
        switch (c) {
            case '&': return put(p, "&amp;");
            case '<': return put(p, "&lt;");
            case '>': return put(p, "&gt;");
            case '"': return put(p, "&quot;");
            case '\'': return put(p, "&apos;");
            case '\t': return put(p, "&#9;");
            case '\n': return put(p, "&#10;");
            case '\r': return put(p, "&#13;");
            default: break;
        }
        // Other control characters cannot appear in XML 1.0, not even as references.
        if (static_cast<unsigned char>(c) < 0x20) return put(p, kReplacement);
        *p = c;
        return p + 1;
    }));
}

void TextBuffer::json_string(std::string_view s) {
    char* p = room(6 * s.size() + 2);
    *p++ = '"';
    p = escape_utf8(p, s, [](char* p, char c) {
        switch (c) {
            case '"': return put(p, "\\\"");
            case '\\': return put(p, "\\\\");
            case '\n': return put(p, "\\n");
            case '\r': return put(p, "\\r");
            case '\t': return put(p, "\\t");
            case '\b': return put(p, "\\b");
            case '\f': return put(p, "\\f");
            default: break;
        }
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20) {
            static constexpr char hex[] = "0123456789abcdef";
            p = put(p, "\\u00");
            *p++ = hex[u >> 4];
            *p++ = hex[u & 15];
            return p;
        }
        *p = c;
        return p + 1;
    });
    *p++ = '"';
    commit(p);
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
