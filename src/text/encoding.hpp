// Encodings: the one place where names change from the bytes of the observation file to UTF-8,
// and where text is made safe for XML.
#pragma once

#include <string>
#include <string_view>

namespace interseccao {

// How the bytes of an observation file, and so of its names and its report, are read.
enum class TextEncoding {
    Latin1, // one byte a character; plain ASCII too
    Utf8,   // a byte-order mark, or bytes beyond ASCII that are all valid UTF-8
};

// The encoding of a file's contents: UTF-8 when it starts with a UTF-8 byte-order mark, or
// when it holds bytes beyond ASCII and they all form valid UTF-8; Latin-1 otherwise.
TextEncoding detectEncoding(std::string_view contents);

// Whether the contents are UTF-16 or UTF-32 rather than a one-byte text: a byte-order mark of
// one of them, or NUL bytes in half or more of its first 64 bytes and other bytes in a
// quarter or more.
bool isWideText(std::string_view contents);

// The characters of a text: its bytes in Latin-1, its UTF-8 sequences in UTF-8 (a byte that
// starts none counts as one).
std::size_t characterCount(std::string_view text, TextEncoding encoding);

// The bytes of the first `characters` characters of a text, never ending inside one.
std::size_t prefixLength(std::string_view text, std::size_t characters, TextEncoding encoding);

// A text for the console or standard error: control characters (and DEL) as \xHH, a
// backslash as itself; everything else byte for byte.
std::string escapedControls(std::string_view text);

// A name's bytes as UTF-8: bytes that already form UTF-8 are kept, any other byte is taken
// as Latin-1, the encoding of the reports.
std::string toUtf8(std::string_view bytes);

// Whether the bytes are ASCII: toUtf8(bytes) is bytes.
bool isAscii(std::string_view bytes);

// Text read from a user's file as the observation file holds names (Latin-1): a byte-order
// mark taken off; valid UTF-8 made Latin-1, a character beyond Latin-1 as '?'; any other
// text taken as Latin-1 already.
std::string latin1FromUserText(std::string_view bytes);

// UTF-8 text made safe for XML character data and attribute values: the five special
// characters as entities, and control characters, which XML forbids, as '?'.
std::string xmlEscaped(std::string_view utf8);

// Whether the bytes are ASCII that XML takes as they are: xmlEscaped(toUtf8(bytes)) is bytes.
bool plainForXml(std::string_view bytes);

// UTF-8 text as a string of a DXF drawing in its code page, ANSI_1252: Latin-1's letters as
// their byte (the same in that code page), any other character beyond ASCII as \U+XXXX, which
// every reader takes whatever its code page; control characters as '?', and '%' as "%%%" so
// that no name turns into one of the "%%" control codes.
std::string dxfText(std::string_view utf8);

} // namespace interseccao
