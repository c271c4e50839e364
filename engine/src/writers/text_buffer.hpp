// The output buffer the track writers format into: numbers, times and escaped text, locale-free.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>

namespace trakvia::engine::writers {

// Decimals used across formats.
inline constexpr int kDegreeDecimals = 7;  // ~1 cm; DJI SRT positions carry 6
inline constexpr int kMetreDecimals = 3;   // altitudes as the devices report them
inline constexpr int kSpeedDecimals = 2;   // m/s

// A moment split into calendar fields (proleptic Gregorian, from ms since 1970-01-01T00:00).
struct CivilTime {
    std::int64_t year;
    int month, day, hour, minute, second, millisecond;
};
CivilTime civil_time(std::int64_t ms_since_epoch);

// Collects formatted text and hands it to the stream in large chunks. Every number goes
// through std::to_chars or integer arithmetic, so the C and C++ locales never matter.
class TextBuffer {
public:
    explicit TextBuffer(std::ostream& out, std::size_t chunk = std::size_t(1) << 18);
    TextBuffer(const TextBuffer&) = delete;
    TextBuffer& operator=(const TextBuffer&) = delete;

    TextBuffer& operator<<(std::string_view text) { buf_.append(text); return *this; }
    TextBuffer& operator<<(char c) { buf_.push_back(c); return *this; }

    // `value` with exactly `decimals` (0-9) digits after the point; no exponent, no "-0".
    void fixed(double value, int decimals);
    // Like fixed(), with a leading sign always and the integer part zero-padded to `width`.
    void signed_padded(double value, int width, int decimals);
    void integer(std::int64_t value);
    // `value` zero-padded to `width` digits (non-negative values).
    void digits(std::int64_t value, int width);
    // 2024-05-01T07:00:00.000 plus "Z" when `utc`.
    void iso_time(std::int64_t ms_since_epoch, bool utc);

    // Element text or attribute value for XML 1.0; quotes are escaped too.
    void xml_text(std::string_view utf8);
    // A JSON string literal with its quotes.
    void json_string(std::string_view utf8);

    // The text collected since the last hand-over, from `pos` on (e.g. for a checksum).
    std::size_t size() const { return buf_.size(); }
    std::string_view view_from(std::size_t pos) const { return std::string_view(buf_).substr(pos); }

    // Hands the text over once a chunk is full; call between records.
    void flush_if_full() {
        if (buf_.size() >= chunk_) flush();
    }
    void flush();

private:
    std::ostream& out_;
    std::string buf_;
    std::size_t chunk_;
};

// Digits before the point of `value` once rounded to `decimals` (at least 1).
int integer_digits(double value, int decimals);

}  // namespace trakvia::engine::writers
