// The program's own outputs told from observation files by their contents, so that a batch
// can be run again over a pattern that its earlier outputs match.
#pragma once

#include <optional>
#include <string_view>

namespace interseccao {

// What an output of this program is ("um relatorio", "uma lista CSV", ...), recognised by
// how it begins; nothing for any other contents, an observation file's among them.
std::optional<std::string_view> ownOutputKind(std::string_view contents);

// How many first bytes of a file tell whether this program wrote it.
inline constexpr std::size_t ownOutputHead = 4096;

// Whether this program wrote a file that begins with `head`: one of the outputs above, or an
// observation file of a field session (its header's remark ends in sessionMark).
bool writtenByThisProgram(std::string_view head);

inline constexpr std::string_view sessionMark = "(gerado por interseccao)";

} // namespace interseccao
