// Buffered, decoding text input.
#include "text_source.hpp"

#include <algorithm>
#include <cstring>
#include <memory>

namespace trakvia::engine {

namespace {
constexpr std::size_t kChunk = 1u << 18;
// A line or piece longer than this is handed out in parts, so a file without line ends
// (a video given by mistake) cannot make the buffer grow with the file.
constexpr std::size_t kMaxPiece = 1u << 22;
}

TextSource::TextSource(ByteReader read_bytes) : read_bytes_(std::move(read_bytes)) {}

TextSource TextSource::from_memory(std::string_view bytes, std::size_t max_read) {
    auto offset = std::make_shared<std::size_t>(0);
    return TextSource([bytes, offset, max_read](char* buffer, std::size_t size) {
        std::size_t n = std::min({size, max_read, bytes.size() - *offset});
        std::memcpy(buffer, bytes.data() + *offset, n);
        *offset += n;
        return n;
    });
}

void TextSource::detect_encoding() {
    const auto* b = reinterpret_cast<const unsigned char*>(raw_.data());
    std::size_t n = raw_.size();
    if (n >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) {
        raw_.erase(0, 3);
        encoding_ = Encoding::utf8;
    } else if (n >= 2 && b[0] == 0xFF && b[1] == 0xFE) {
        raw_.erase(0, 2);
        encoding_ = Encoding::utf16le;
    } else if (n >= 2 && b[0] == 0xFE && b[1] == 0xFF) {
        raw_.erase(0, 2);
        encoding_ = Encoding::utf16be;
    } else if (n >= 4 && b[0] != 0 && b[1] == 0 && b[2] != 0 && b[3] == 0) {
        encoding_ = Encoding::utf16le;  // re-saved without a BOM: "1\0\n\0"
    } else if (n >= 4 && b[0] == 0 && b[1] != 0 && b[2] == 0 && b[3] != 0) {
        encoding_ = Encoding::utf16be;
    } else {
        encoding_ = Encoding::utf8;
    }
}

void TextSource::append_code_point(std::uint32_t cp) {
    if (cp < 0x80) {
        text_.push_back(char(cp));
    } else if (cp < 0x800) {
        text_.push_back(char(0xC0 | (cp >> 6)));
        text_.push_back(char(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        text_.push_back(char(0xE0 | (cp >> 12)));
        text_.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
        text_.push_back(char(0x80 | (cp & 0x3F)));
    } else {
        text_.push_back(char(0xF0 | (cp >> 18)));
        text_.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
        text_.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
        text_.push_back(char(0x80 | (cp & 0x3F)));
    }
}

void TextSource::decode_utf16(const char* data, std::size_t size) {
    const bool le = encoding_ == Encoding::utf16le;
    std::size_t i = 0;
    for (; i + 1 < size; i += 2) {
        auto lo = static_cast<unsigned char>(data[le ? i : i + 1]);
        auto hi = static_cast<unsigned char>(data[le ? i + 1 : i]);
        std::uint32_t unit = (std::uint32_t(hi) << 8) | lo;
        if (unit >= 0xD800 && unit < 0xDC00) {
            if (high_surrogate_) append_code_point(0xFFFD);
            high_surrogate_ = unit;
            continue;
        }
        if (unit >= 0xDC00 && unit < 0xE000) {
            if (high_surrogate_) {
                append_code_point(0x10000 + ((high_surrogate_ - 0xD800) << 10) + (unit - 0xDC00));
                high_surrogate_ = 0;
            } else {
                append_code_point(0xFFFD);
            }
            continue;
        }
        if (high_surrogate_) {
            append_code_point(0xFFFD);
            high_surrogate_ = 0;
        }
        if (unit == 0xFEFF) continue;  // a BOM left inside joined files
        append_code_point(unit);
    }
    raw_.assign(data + i, size - i);
}

std::size_t TextSource::next_cr() {
    if (!next_cr_known_ || next_cr_ < pos_) {
        const void* cr = std::memchr(text_.data() + pos_, '\r', text_.size() - pos_);
        next_cr_ = cr ? std::size_t(static_cast<const char*>(cr) - text_.data()) : text_.size();
        next_cr_known_ = true;
    }
    return next_cr_;
}

bool TextSource::read_utf8_in_place() {
    // UTF-8 needs no decoding: the bytes go straight behind the unread text, saving a copy.
    const std::size_t kept = text_.size();
    const std::size_t request = utf8_request_;
    text_.resize(kept + request);
    std::size_t n = 0;
    try {
        n = read_bytes_(text_.data() + kept, request);
    } catch (...) {
        text_.resize(kept);
        throw;
    }
    text_.resize(kept + n);
    if (n == request && utf8_request_ < kChunk) utf8_request_ *= 2;
    bytes_read_ += n;
    if (n == 0) eof_ = true;
    return n > 0;
}

bool TextSource::fill() {
    if (eof_) return false;
    next_cr_known_ = false;  // the text moves and grows
    // Drop what was consumed before adding more.
    if (pos_ > 0) {
        text_.erase(0, pos_);
        pos_ = 0;
    }
    if (encoding_ == Encoding::utf8 && raw_.empty()) return read_utf8_in_place();
    if (read_buffer_.size() < kChunk) read_buffer_.resize(kChunk);
    const std::size_t n = read_bytes_(read_buffer_.data(), kChunk);
    bytes_read_ += n;
    if (n == 0) eof_ = true;
    raw_.append(read_buffer_.data(), n);
    if (encoding_ == Encoding::unknown) {
        if (raw_.size() < 4 && !eof_) return true;  // too little to judge; read more first
        detect_encoding();
    }
    if (encoding_ == Encoding::utf8) {
        text_.append(raw_);
        raw_.clear();
    } else {
        std::string pending;
        pending.swap(raw_);
        decode_utf16(pending.data(), pending.size());  // leaves an odd byte in raw_
        if (eof_ && (!raw_.empty() || high_surrogate_)) {
            append_code_point(0xFFFD);  // an odd byte or a lone surrogate at the very end
            raw_.clear();
            high_surrogate_ = 0;
        }
    }
    return !eof_ || !text_.empty();
}

bool TextSource::next_line(std::string_view& line) {
    std::size_t searched = 0;  // bytes after pos_ known to hold no line end
    for (;;) {
        if (skip_lf_ && pos_ < text_.size()) {
            if (text_[pos_] == '\n') ++pos_;
            skip_lf_ = false;
        }
        const char* begin = text_.data() + pos_;
        std::size_t avail = text_.size() - pos_;
        const void* lf = std::memchr(begin + searched, '\n', avail - searched);
        std::size_t scan = lf ? std::size_t(static_cast<const char*>(lf) - begin) : avail;
        const std::size_t cr = next_cr() - pos_;
        if (cr < scan) {
            std::size_t len = cr;
            line = std::string_view(begin, len);
            pos_ += len + 1;
            if (pos_ < text_.size()) {
                if (text_[pos_] == '\n') ++pos_;
            } else {
                skip_lf_ = true;
            }
            return true;
        }
        if (lf) {
            line = std::string_view(begin, scan);
            pos_ += scan + 1;
            return true;
        }
        searched = avail;  // fill() moves the unread text to the front, so this stays valid
        if (avail >= kMaxPiece || !fill()) {
            if (pos_ >= text_.size()) return false;
            line = std::string_view(text_.data() + pos_, text_.size() - pos_);
            pos_ = text_.size();
            return true;
        }
    }
}

bool TextSource::read_until(char delim, std::string_view& piece) {
    std::size_t searched = 0;  // bytes after pos_ already known to hold no delimiter
    for (;;) {
        const char* begin = text_.data() + pos_;
        std::size_t avail = text_.size() - pos_;
        const void* hit = std::memchr(begin + searched, delim, avail - searched);
        if (hit) {
            std::size_t len = std::size_t(static_cast<const char*>(hit) - begin);
            piece = std::string_view(begin, len);
            pos_ += len + 1;
            return true;
        }
        searched = avail;  // fill() moves the unread text to the front, so this stays valid
        if (avail >= kMaxPiece || !fill()) {
            if (pos_ >= text_.size()) return false;
            piece = std::string_view(text_.data() + pos_, text_.size() - pos_);
            pos_ = text_.size();
            return true;
        }
    }
}

}  // namespace trakvia::engine
