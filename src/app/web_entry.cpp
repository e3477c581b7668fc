// The web page's entry: the command line and the dialogue as main runs them, on the page's
// files, with the console and the errors kept as bytes.
#include "app/web_entry.hpp"
#include "app/command_line.hpp"
#include "app/driver.hpp"
#include "platform/files.hpp"

#include <filesystem>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

std::string console, errors;

std::vector<std::string> splitArguments(std::string_view bytes) {
    std::vector<std::string> arguments;
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\0');
        arguments.emplace_back(bytes.substr(0, end));
        bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
    }
    return arguments;
}

} // namespace

extern "C" {

int interseccao_run(const char* folder, const char* arguments, std::size_t argumentsLength,
                    const char* answers, std::size_t answersLength) {
    using namespace interseccao;
    std::error_code error;
    const std::filesystem::path before = std::filesystem::current_path(error);
    std::filesystem::current_path(folder, error);
    std::ostringstream out, err;
    int status = 2;
    if (error) {
        err << "Erro: a pasta " << folder << " nao existe\n";
    } else {
        DiskFiles files;
        const std::vector<std::string> list =
            splitArguments(std::string_view(arguments, argumentsLength));
        std::istringstream in(std::string(answers, answersLength));
        status =
            list.empty() ? runProgram(in, out, err, files) : runCommandLine(list, out, err, files);
        std::filesystem::current_path(before, error);
    }
    console = out.str();
    errors = err.str();
    return status;
}

const char* interseccao_output(int stream) { return (stream == 2 ? errors : console).data(); }

std::size_t interseccao_output_length(int stream) {
    return (stream == 2 ? errors : console).size();
}
}
