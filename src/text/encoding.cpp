// Names as UTF-8, and text for XML.
#include "text/encoding.hpp"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace interseccao {

namespace {

// The length of the UTF-8 sequence that starts at `i`, or 0 when none does.
std::size_t utf8SequenceLength(std::string_view s, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char lead = byte(i);
    std::size_t length = 0;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4;
    if (length == 0 || i + length > s.size()) return 0;
    for (std::size_t k = 1; k < length; ++k)
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
    // Overlong forms, surrogates and code points beyond U+10FFFF are not UTF-8.
    if (lead == 0xE0 && byte(i + 1) < 0xA0) return 0;
    if (lead == 0xED && byte(i + 1) > 0x9F) return 0;
    if (lead == 0xF0 && byte(i + 1) < 0x90) return 0;
    if (lead == 0xF4 && byte(i + 1) > 0x8F) return 0;
    return length;
}

// The bytes of the character at `i`: its UTF-8 sequence, or one byte.
std::size_t characterLength(std::string_view s, std::size_t i, TextEncoding encoding) {
    if (encoding == TextEncoding::Latin1) return 1;
    const std::size_t length = utf8SequenceLength(s, i);
    return length == 0 ? 1 : length;
}

} // namespace

TextEncoding detectEncoding(std::string_view contents) {
    if (contents.starts_with("\xEF\xBB\xBF")) return TextEncoding::Utf8;
    bool beyondAscii = false;
    for (std::size_t i = 0; i < contents.size();) {
        // Eight ASCII bytes at a time, as most of a file is.
        std::uint64_t eight = 0;
        if (i + sizeof eight <= contents.size()) {
            std::memcpy(&eight, contents.data() + i, sizeof eight);
            if ((eight & 0x8080808080808080u) == 0) {
                i += sizeof eight;
                continue;
            }
        }
        if (static_cast<unsigned char>(contents[i]) < 0x80) {
            ++i;
            continue;
        }
        const std::size_t length = utf8SequenceLength(contents, i);
        if (length == 0) return TextEncoding::Latin1;
        beyondAscii = true;
        i += length;
    }
    return beyondAscii ? TextEncoding::Utf8 : TextEncoding::Latin1;
}

bool isWideText(std::string_view contents) {
    for (std::string_view mark : {std::string_view("\xFF\xFE"), std::string_view("\xFE\xFF"),
                                  std::string_view("\0\0\xFE\xFF", 4)})
        if (contents.starts_with(mark)) return true;
    // Without a mark: a text of ASCII characters in two or four bytes each has a NUL in at
    // least every other byte of its beginning, and
    // a character in every fourth.
    const std::string_view first = contents.substr(0, std::min<std::size_t>(contents.size(), 64));
    if (first.size() < 4) return false;
    std::size_t nulls = 0;
    for (const char c : first) nulls += c == '\0' ? 1 : 0;
    // Characters between the NULs: a file of NULs alone is no text of any width.
    return nulls * 2 >= first.size() && (first.size() - nulls) * 4 >= first.size();
}

std::size_t characterCount(std::string_view text, TextEncoding encoding) {
    if (encoding == TextEncoding::Latin1) return text.size();
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); i += characterLength(text, i, encoding)) ++count;
    return count;
}

std::size_t prefixLength(std::string_view text, std::size_t characters, TextEncoding encoding) {
    if (encoding == TextEncoding::Latin1) return std::min(text.size(), characters);
    std::size_t i = 0;
    for (std::size_t count = 0; i < text.size() && count < characters; ++count)
        i += characterLength(text, i, encoding);
    return i;
}

namespace {

// `prefix` and the code in upper-case hexadecimal digits, at least `digits` of them.
std::string hexEscape(std::string_view prefix, char32_t code, std::size_t digits) {
    static constexpr char hexDigits[] = "0123456789ABCDEF";
    std::string hex;
    for (auto rest = static_cast<std::uint32_t>(code); rest != 0 || hex.size() < digits; rest >>= 4)
        hex.insert(hex.begin(), hexDigits[rest & 0xF]);
    return std::string(prefix) + hex;
}

} // namespace

std::string escapedControls(std::string_view text) {
    std::string shown;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F) {
            shown += c;
            continue;
        }
        shown += hexEscape("\\x", byte, 2);
    }
    return shown;
}

namespace {

std::size_t asciiLength(std::string_view bytes) {
    std::size_t ascii = 0;
    while (ascii < bytes.size() && static_cast<unsigned char>(bytes[ascii]) < 0x80) ++ascii;
    return ascii;
}

} // namespace

bool isAscii(std::string_view bytes) { return asciiLength(bytes) == bytes.size(); }

std::string toUtf8(std::string_view bytes) {
    // The ASCII that leads the text (most often all of it) is the same in UTF-8.
    const std::size_t ascii = asciiLength(bytes);
    std::string text(bytes.substr(0, ascii));
    for (std::size_t i = ascii; i < bytes.size();) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c < 0x80) {
            text += bytes[i++];
        } else if (const std::size_t length = utf8SequenceLength(bytes, i); length > 0) {
            text.append(bytes.substr(i, length));
            i += length;
        } else {
            text += static_cast<char>(0xC0 | (c >> 6));
            text += static_cast<char>(0x80 | (c & 0x3F));
            ++i;
        }
    }
    return text;
}

std::string xmlEscaped(std::string_view utf8) {
    std::string escaped;
    for (const char c : utf8) {
        switch (c) {
        case '<': escaped += "&lt;"; break;
        case '>': escaped += "&gt;"; break;
        case '&': escaped += "&amp;"; break;
        case '"': escaped += "&quot;"; break;
        case '\'': escaped += "&apos;"; break;
        default: escaped += static_cast<unsigned char>(c) < 0x20 ? '?' : c; break;
        }
    }
    return escaped;
}

bool plainForXml(std::string_view bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte >= 0x20 && byte < 0x80 && c != '<' && c != '>' && c != '&' && c != '"' &&
               c != '\'';
    });
}

std::string dxfText(std::string_view utf8) {
    std::string text;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        if (lead < 0x80) {
            text += lead < 0x20 ? std::string("?") : lead == '%' ? "%%%" : std::string(1, utf8[i]);
            ++i;
            continue;
        }
        const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        char32_t code = lead & (0x3F >> (length - 1));
        for (std::size_t k = 1; k < length && i + k < utf8.size(); ++k)
            code = code << 6 | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        i += length;
        if (code >= 0xA0 && code <= 0xFF) {
            text += static_cast<char>(code);
            continue;
        }
        text += hexEscape("\\U+", code, 4);
    }
    return text;
}

std::string latin1FromUserText(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    std::string text;
    text.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        const std::size_t length = c < 0x80 ? 1 : utf8SequenceLength(bytes, i);
        if (length == 0) return std::string(bytes); // not UTF-8: Latin-1 as it stands
        if (length == 1)
            text += bytes[i];
        else if (length == 2 && c <= 0xC3)
            text += static_cast<char>(((c & 0x1F) << 6) | (bytes[i + 1] & 0x3F));
        else
            text += '?';
        i += length;
    }
    return text;
}

} // namespace interseccao
