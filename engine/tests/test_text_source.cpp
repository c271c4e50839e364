// Text input: the same lines whatever the read sizes, line ends and encoding.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "text_source.hpp"

namespace trakvia::engine {
namespace {

std::vector<std::string> lines_of(const std::string& bytes, std::size_t chunk) {
    TextSource source = TextSource::from_memory(bytes, chunk);
    std::vector<std::string> out;
    std::string_view line;
    while (source.next_line(line)) out.emplace_back(line);
    return out;
}

std::string utf16le(const std::u16string& text, bool bom) {
    std::string out = bom ? "\xFF\xFE" : "";
    for (char16_t u : text) {
        out += char(u & 0xFF);
        out += char(u >> 8);
    }
    return out;
}

TEST(TextSource, LinesDoNotDependOnReadSizes) {
    const std::vector<std::string> expected{"1", "", "İstanbul ğüşöç 😀", "last"};
    const std::string inputs[] = {
        "1\r\n\r\nİstanbul ğüşöç 😀\r\nlast",
        "\xEF\xBB\xBF" "1\n\nİstanbul ğüşöç 😀\nlast\n",
        "1\r\rİstanbul ğüşöç 😀\rlast\r",
        utf16le(u"1\r\n\r\nİstanbul ğüşöç 😀\r\nlast", true),
        utf16le(u"1\n\nİstanbul ğüşöç 😀\nlast", false),
    };
    for (const std::string& input : inputs) {
        for (std::size_t chunk : {1u, 2u, 3u, 5u, 4096u}) {
            EXPECT_EQ(lines_of(input, chunk), expected) << "chunk " << chunk;
        }
    }
}

// Lines split the plain way: CRLF, CR or LF end a line; no empty line after the last end.
std::vector<std::string> reference_lines(const std::string& text) {
    std::vector<std::string> out;
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') {
            line += text[i];
            continue;
        }
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        out.push_back(std::move(line));
        line.clear();
    }
    if (!line.empty()) out.push_back(line);
    return out;
}

TEST(TextSource, RandomLineEndsSplitLikeTheReference) {
    // Files with no CR, a few, or CR everywhere, cut into reads of every size.
    std::mt19937 rng(3);
    for (const char* alphabet : {"abcdefgh\n", "abcdefgh\n\r", "a\r\n", "abcdefghijklmnopqrstuvwxyz\r"}) {
        const std::string letters(alphabet);
        for (int n = 0; n < 60; ++n) {
            std::string text = "x";  // a first byte that cannot look like UTF-16
            const int length = int(rng() % 600);
            for (int k = 0; k < length; ++k) text += letters[rng() % letters.size()];
            for (std::size_t chunk : {1u, 2u, 7u, 64u, 4096u})
                ASSERT_EQ(lines_of(text, chunk), reference_lines(text)) << "chunk " << chunk << ": " << text;
        }
    }
}

TEST(TextSource, BrokenUtf16EndsWithAReplacementCharacter) {
    std::string odd = utf16le(u"ab", true) + "c";  // one byte short of a code unit
    EXPECT_EQ(lines_of(odd, 1), (std::vector<std::string>{"ab\xEF\xBF\xBD"}));
    std::string lone = utf16le(u"a", true) + "\x3D\xD8";  // a high surrogate with nothing after it
    EXPECT_EQ(lines_of(lone, 3), (std::vector<std::string>{"a\xEF\xBF\xBD"}));
}

TEST(TextSource, ReadUntilSplitsAcrossReads) {
    const std::string xml = "<a x='1'>text<!-- c --></a>";
    for (std::size_t chunk : {1u, 2u, 7u, 4096u}) {
        TextSource source = TextSource::from_memory(xml, chunk);
        std::vector<std::string> pieces;
        std::string_view piece;
        while (source.read_until('<', piece)) {
            pieces.emplace_back(piece);
            if (!source.read_until('>', piece)) break;
            pieces.emplace_back(piece);
        }
        EXPECT_EQ(pieces, (std::vector<std::string>{"", "a x='1'", "text", "!-- c --", "", "/a"})) << chunk;
    }
}

TEST(TextSource, AFileWithoutLineEndsIsReadInBoundedParts) {
    const std::string blob(9u << 20, 'x');
    TextSource source = TextSource::from_memory(blob);
    std::string_view line;
    std::size_t total = 0, parts = 0;
    while (source.next_line(line)) {
        EXPECT_LE(line.size(), 5u << 20);
        total += line.size();
        ++parts;
    }
    EXPECT_EQ(total, blob.size());
    EXPECT_GE(parts, 2u);
}

}  // namespace
}  // namespace trakvia::engine
