// The common errno values in Portuguese.
#include "platform/system_reason.hpp"

#include <cerrno>

namespace interseccao::platform {

std::string systemReason(std::error_code error) {
    if (!error) return {};
    if (error.category() == std::generic_category() || error.category() == std::system_category()) {
        switch (static_cast<std::errc>(error.default_error_condition().value())) {
        case std::errc::permission_denied:
        case std::errc::operation_not_permitted: return "sem permissao";
        case std::errc::no_such_file_or_directory: return "o ficheiro ou a pasta nao existe";
        case std::errc::not_a_directory: return "uma parte do caminho nao e uma pasta";
        case std::errc::is_a_directory: return "e uma pasta";
        case std::errc::read_only_file_system: return "o disco so permite leitura";
        case std::errc::no_space_on_device: return "o disco esta cheio";
        case std::errc::filename_too_long: return "o nome e demasiado comprido";
        case std::errc::file_exists: return "ja existe um ficheiro com esse nome";
        case std::errc::too_many_files_open: return "demasiados ficheiros abertos";
        case std::errc::device_or_resource_busy: return "o ficheiro esta em uso";
        default: break;
        }
    }
    return "erro do sistema (" + error.message() + ")";
}

std::string lastSystemReason() {
    return systemReason(std::error_code(errno, std::generic_category()));
}

} // namespace interseccao::platform
