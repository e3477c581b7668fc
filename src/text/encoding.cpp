// Names as UTF-8, and text for XML.
#include "text/encoding.hpp"

#include <cstdio>

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

} // namespace

std::string toUtf8(std::string_view bytes) {
    std::string text;
    for (std::size_t i = 0; i < bytes.size();) {
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
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "\\U+%04X", static_cast<unsigned>(code));
        text += buffer;
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
