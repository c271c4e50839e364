// Buffered text input for the readers: decodes UTF-8 (BOM optional) and UTF-16 (BOM, or
// guessed from NUL bytes) to UTF-8, and hands out lines or delimited pieces without copying.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace trakvia::engine {

class TextSource {
public:
    // Fills the buffer with up to `size` bytes and returns how many it wrote; 0 means the end.
    using ByteReader = std::function<std::size_t(char* buffer, std::size_t size)>;

    explicit TextSource(ByteReader read_bytes);
    // Reads `bytes` (not copied; they must outlive the source), at most `max_read` at a time.
    static TextSource from_memory(std::string_view bytes, std::size_t max_read = SIZE_MAX);

    // The next line without its terminator (LF, CRLF or a bare CR). The view stays valid
    // until the next call. False at the end of the input.
    bool next_line(std::string_view& line);

    // Text up to (not including) `delim`, which is consumed. At the end of the input returns
    // the rest without a delimiter; false only when nothing is left.
    bool read_until(char delim, std::string_view& piece);

    // The input's size when known (a file's), for estimating how much is still to come.
    void set_expected_size(std::uint64_t bytes) { expected_size_ = bytes; }
    std::uint64_t expected_size() const { return expected_size_; }
    // Roughly the bytes handed out so far: read minus still buffered (exact for UTF-8).
    std::uint64_t bytes_consumed() const {
        const std::uint64_t buffered = text_.size() - pos_ + raw_.size();
        return bytes_read_ > buffered ? bytes_read_ - buffered : 0;
    }

private:
    enum class Encoding { unknown, utf8, utf16le, utf16be };

    bool fill();  // appends decoded text to text_; false when the input is exhausted
    bool read_utf8_in_place();
    void detect_encoding();
    void decode_utf16(const char* data, std::size_t size);
    void append_code_point(std::uint32_t cp);
    // Index in text_ of the first '\r' at or after pos_, text_.size() when there is none.
    // Found once per buffer rather than once per line: most files hold no CR at all.
    std::size_t next_cr();

    ByteReader read_bytes_;
    std::string read_buffer_;
    std::string raw_;       // bytes not yet decoded (the first few, or an odd UTF-16 byte)
    std::string text_;      // decoded UTF-8; [pos_, size) not yet consumed
    // Bytes asked of the reader per UTF-8 read: starts small and doubles while the reader fills
    // it, so a short input (or a reader that hands out little at a time) does not pay for
    // clearing a large buffer on every read.
    std::size_t utf8_request_ = 4096;
    std::size_t pos_ = 0;
    std::uint64_t bytes_read_ = 0;     // taken from the reader so far (before decoding)
    std::uint64_t expected_size_ = 0;  // 0: unknown
    Encoding encoding_ = Encoding::unknown;
    std::uint32_t high_surrogate_ = 0;
    bool eof_ = false;
    bool skip_lf_ = false;  // a CR ended the last line at a buffer edge
    std::size_t next_cr_ = 0;
    bool next_cr_known_ = false;
};

}  // namespace trakvia::engine
