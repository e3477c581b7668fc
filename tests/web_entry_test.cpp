// The web page's entry: a whole run in a folder, a command line or the dialogue, gives what the
// program gives there, and leaves the working folder as it found it.
#include "app/web_entry.hpp"
#include "support.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace interseccao::testing {
namespace {

namespace fs = std::filesystem;

struct EntryRun {
    int status;
    std::string console, errors;
};

EntryRun runEntry(const std::string& folder, const std::string& arguments,
                  const std::string& answers) {
    EntryRun run;
    run.status = interseccao_run(folder.c_str(), arguments.data(), arguments.size(), answers.data(),
                                 answers.size());
    run.console.assign(interseccao_output(1), interseccao_output_length(1));
    run.errors.assign(interseccao_output(2), interseccao_output_length(2));
    return run;
}

TEST(WebEntry, RunsTheDialogueAndTheCommandLineInItsFolder) {
    TemporaryFolder work("web-entry");
    const std::string example = readFile(sourceDir() + "/examples/exemplo.txt");
    writeFile(work.path() / "exemplo.txt", example);
    writeFile(work.path() / "gc.txt", readFile(sourceDir() + "/examples/levantamento-gc.txt"));
    const std::string expectedConsole =
        readFile(sourceDir() + "/tests/examples/exemplo/expected-console.txt");
    const fs::path before = fs::current_path();
    using namespace std::string_literals;
    struct Case {
        const char* what;
        std::string arguments, answers;
        int status;
        std::string console, errors, leaves;
    };
    const Case cases[] = {
        {"the dialogue", "", "exemplo.txt\nrelatorio.txt\nS\n", 0, expectedConsole, "",
         "relatorio.txt"},
        {"one argument", "gc.txt\0"s, "", 0,
         "gc.txt: TORRE M = 48732.422 P = 187654.305 C = 212.477 -> gc-relatorio.txt\n", "",
         "gc-relatorio.txt"},
        {"arguments with spaces and an unended last one", "gc.txt\0--sem-cota\0-o\0com espaco.txt"s,
         "", 0, "", "", "com espaco.txt"},
        {"a missing file", "nenhum.txt\0"s, "", 2, "", "nenhum.txt", ""},
        {"a stop", "exemplo.txt\0"s, "", 1, "", "exemplo.txt: Stop - Program terminated.",
         "exemplo-relatorio.txt"},
        {"the dialogue without answers", "", "", 2, "", "terminou antes do nome", ""},
    };
    for (const Case& c : cases) {
        const EntryRun run = runEntry(work.path().string(), c.arguments, c.answers);
        EXPECT_EQ(run.status, c.status) << c.what;
        if (!c.console.empty()) {
            EXPECT_EQ(run.console, c.console) << c.what;
        }
        EXPECT_NE(run.errors.find(c.errors), std::string::npos) << c.what << ": " << run.errors;
        if (!c.leaves.empty()) {
            EXPECT_TRUE(fs::exists(work.path() / c.leaves)) << c.what;
        }
        EXPECT_EQ(fs::current_path(), before) << c.what;
    }
    const EntryRun missing = runEntry((work.path() / "nenhuma").string(), "exemplo.txt\0"s, "");
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.errors.find("nao existe"), std::string::npos) << missing.errors;
}

} // namespace
} // namespace interseccao::testing
