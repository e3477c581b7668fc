// Encodings: the one place where names change from the bytes of the observation file to UTF-8,
// and where text is made safe for XML.
#pragma once

#include <string>
#include <string_view>

namespace interseccao {

// A name's bytes as UTF-8: bytes that already form UTF-8 are kept, any other byte is taken
// as Latin-1, the encoding of the reports.
std::string toUtf8(std::string_view bytes);

// UTF-8 text made safe for XML character data and attribute values: the five special
// characters as entities, and control characters, which XML forbids, as '?'.
std::string xmlEscaped(std::string_view utf8);

} // namespace interseccao
