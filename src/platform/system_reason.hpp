// Why the system refused a file operation, in Portuguese, for the messages of file errors.
#pragma once

#include <string>
#include <system_error>

namespace interseccao::platform {

// The reason of a failed operation in a few words ("sem permissao de escrita", "a pasta nao
// existe"), for the common causes; the system's own text, in parentheses after "erro do
// sistema", for any other. Empty for no error.
std::string systemReason(std::error_code error);

// The reason of the last failed C library call (errno).
std::string lastSystemReason();

} // namespace interseccao::platform
