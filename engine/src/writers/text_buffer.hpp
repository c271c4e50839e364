// The output buffer the track writers format into: numbers, times and escaped text, locale-free.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>

#include "writers/fixed_point.hpp"

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
    explicit TextBuffer(std::ostream& out, std::size_t chunk = std::size_t(1) << 20);
    TextBuffer(const TextBuffer&) = delete;
    TextBuffer& operator=(const TextBuffer&) = delete;

    TextBuffer& operator<<(std::string_view text) {
        std::memcpy(room(text.size()), text.data(), text.size());
        size_ += text.size();
        return *this;
    }
    TextBuffer& operator<<(char c) {
        *room(1) = c;
        ++size_;
        return *this;
    }

    // `value` with exactly `decimals` (0-9) digits after the point; no exponent, no "-0".
    void fixed(double value, int decimals) { commit(fixed_point::put_fixed(room(400), value, decimals)); }
    // Like fixed(), with a leading sign always and the integer part zero-padded to `width`.
    void signed_padded(double value, int width, int decimals);
    void integer(std::int64_t value);
    // `value` zero-padded to `width` digits (non-negative values).
    void digits(std::int64_t value, int width);
    // 2024-05-01T07:00:00.000 plus "Z" when `utc`; `separator` replaces the "T".
    void iso_time(std::int64_t ms_since_epoch, bool utc, char separator = 'T');

    // Element text or attribute value for XML 1.0; quotes are escaped too.
    void xml_text(std::string_view utf8);
    // A JSON string literal with its quotes.
    void json_string(std::string_view utf8);

    // The text collected since the last hand-over, from `pos` on (e.g. for a checksum).
    std::size_t size() const { return size_; }
    std::string_view view_from(std::size_t pos) const {
        return std::string_view(data_.get() + pos, size_ - pos);
    }

    // Hands the text over once a chunk is full; call between records.
    void flush_if_full() {
        if (size_ >= chunk_) flush();
    }
    void flush();

private:
    // Space for `n` more characters at the end; grows rather than flushing, so a record
    // being built (an NMEA sentence before its checksum) stays in one piece.
    char* room(std::size_t n) {
        if (capacity_ - size_ < n) grow(n);
        return data_.get() + size_;
    }
    void grow(std::size_t n);
    void commit(const char* end) { size_ = std::size_t(end - data_.get()); }

    std::ostream& out_;
    std::unique_ptr<char[]> data_;
    std::size_t size_ = 0;
    std::size_t capacity_;
    std::size_t chunk_;
    // The calendar date of the last day iso_time() printed: tracks stay within a day or two.
    std::int64_t cached_day_;
    char cached_date_[10];
};

// Digits before the point of `value` once rounded to `decimals` (at least 1).
int integer_digits(double value, int decimals);

}  // namespace trakvia::engine::writers
