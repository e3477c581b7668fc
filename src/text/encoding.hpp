// Encodings: the one place where names change from the bytes of the observation file to UTF-8,
// and where text is made safe for XML.
#pragma once

#include <string>
#include <string_view>

namespace interseccao {

// A name's bytes as UTF-8: bytes that already form UTF-8 are kept, any other byte is taken
// as Latin-1, the encoding of the reports.
std::string toUtf8(std::string_view bytes);

// Text read from a user's file as the observation file holds names (Latin-1): a byte-order
// mark taken off; valid UTF-8 made Latin-1, a character beyond Latin-1 as '?'; any other
// text taken as Latin-1 already.
std::string latin1FromUserText(std::string_view bytes);

// UTF-8 text made safe for XML character data and attribute values: the five special
// characters as entities, and control characters, which XML forbids, as '?'.
std::string xmlEscaped(std::string_view utf8);

// UTF-8 text as a string of a DXF drawing in its code page, ANSI_1252: Latin-1's letters as
// their byte (the same in that code page), any other character beyond ASCII as \U+XXXX, which
// every reader takes whatever its code page; control characters as '?', and '%' as "%%%" so
// that no name turns into one of the "%%" control codes.
std::string dxfText(std::string_view utf8);

} // namespace interseccao
