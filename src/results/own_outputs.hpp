// The program's own outputs told from observation files by their contents, so that a batch
// can be run again over a pattern that its earlier outputs match.
#pragma once

#include <optional>
#include <string_view>

namespace interseccao {

// What an output of this program is ("um relatorio", "uma lista CSV", ...), recognised by
// how it begins; nothing for any other contents, an observation file's among them.
std::optional<std::string_view> ownOutputKind(std::string_view contents);

} // namespace interseccao
