// The user guide (docs/guia.md) shows observation files, console sessions and reports. Each such
// block follows a marker comment that names an example file of examples/ and, for a run, the
// answers typed at the console; these tests run the program on that file with those answers and
// compare the block with what a terminal would show, so the guide cannot drift from the program.
//
// Markers, one line each, directly before the fenced block they check:
//   <!-- verificado: ficheiro; ficheiro: examples/F -->                the file F, whole
//   <!-- verificado: consola; ficheiro: examples/F; respostas: A | B | C -->
//                                       the whole terminal: console, typed answers, error lines
//   <!-- verificado: fim da consola; ficheiro: examples/F; respostas: A | B -->
//                                       the last lines of the terminal, as many as the block has
//   <!-- verificado: relatorio; ficheiro: examples/F; respostas: A | B | C -->  the report file
//   <!-- verificado: linha de comando; ficheiro: examples/F, examples/G; argumentos: F G -v -->
//                                       "$ interseccao F G -v", then standard output and error
//   <!-- verificado: saida; ficheiro: examples/F; argumentos: F --resumo L; saida: L -->
//                                       the file L that the command line writes
// In a dialogue, the example's contents are offered to the run under the first answer's name,
// the file name the user types at the first prompt; on the command line, each example is in
// the current folder under its own name.
#include "support.hpp"

#include "app/command_line.hpp"
#include "app/driver.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <streambuf>
#include <vector>

namespace interseccao::testing {
namespace {

namespace fs = std::filesystem;

const std::string guidePath = "docs/guia.md";

struct Block {
    std::size_t markerLine = 0;        // 1-based line of the marker in the guide
    std::string kind;                  // "ficheiro", "consola", "fim da consola" or "relatorio"
    std::string example;               // path relative to the repository, under examples/
    std::vector<std::string> examples; // every file named, for a command line
    std::vector<std::string> answers;
    bool hasAnswers = false;
    std::vector<std::string> arguments; // of a command line
    bool hasArguments = false;
    std::string output; // the file a "saida" block shows
    std::string text;   // the fenced block's lines, each ending in "\n"
};

struct Guide {
    std::vector<Block> blocks;
    std::vector<std::string> problems; // malformed markers, blocks that never close
    std::string text;
};

std::string trim(std::string_view s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const auto last = s.find_last_not_of(" \t");
    return std::string(s.substr(first, last - first + 1));
}

std::vector<std::string> split(std::string_view s, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = s.find(separator, start);
        parts.push_back(trim(
            s.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start)));
        if (end == std::string_view::npos) return parts;
        start = end + 1;
    }
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) result.push_back(line);
    return result;
}

Guide parseGuide() {
    Guide guide;
    try {
        guide.text = readFile(sourceDir() + "/" + guidePath);
    } catch (const std::exception& error) {
        guide.problems.push_back(error.what());
        return guide;
    }
    const std::vector<std::string> all = lines(guide.text);
    const std::string open = "<!-- verificado:";
    for (std::size_t i = 0; i < all.size(); ++i) {
        const std::string& line = all[i];
        const std::string where = guidePath + ":" + std::to_string(i + 1) + ": ";
        if (!line.starts_with(open)) continue;
        if (!line.ends_with("-->")) {
            guide.problems.push_back(where + "marker not closed on its line");
            continue;
        }
        Block block;
        block.markerLine = i + 1;
        const std::vector<std::string> fields =
            split(std::string_view(line).substr(5, line.size() - 5 - 3), ';');
        bool valid = true;
        for (std::size_t f = 0; f < fields.size(); ++f) {
            const std::size_t colon = fields[f].find(':');
            const std::string key = trim(std::string_view(fields[f]).substr(0, colon));
            const std::string value = colon == std::string::npos
                                          ? ""
                                          : trim(std::string_view(fields[f]).substr(colon + 1));
            if (f == 0 && key == "verificado") {
                block.kind = value;
            } else if (f > 0 && key == "ficheiro") {
                block.examples = split(value, ',');
                block.example = block.examples.front();
            } else if (f > 0 && key == "argumentos") {
                std::istringstream words(value);
                for (std::string word; words >> word;) block.arguments.push_back(word);
                block.hasArguments = true;
            } else if (f > 0 && key == "saida") {
                block.output = value;
            } else if (f > 0 && key == "respostas") {
                block.answers = split(value, '|');
                block.hasAnswers = true;
            } else {
                guide.problems.push_back(where + "unknown field \"" + fields[f] + "\"");
                valid = false;
            }
        }
        const bool isRun =
            block.kind == "consola" || block.kind == "fim da consola" || block.kind == "relatorio";
        const bool isCommand = block.kind == "linha de comando" || block.kind == "saida";
        if (block.kind != "ficheiro" && !isRun && !isCommand) {
            guide.problems.push_back(where + "unknown kind \"" + block.kind + "\"");
            valid = false;
        }
        for (const std::string& example : block.examples)
            if (!example.starts_with("examples/")) {
                guide.problems.push_back(where + "the file must be one of examples/");
                valid = false;
            }
        if (isCommand != block.hasArguments || (block.kind == "saida") == block.output.empty()) {
            guide.problems.push_back(where + "a command line needs its arguments, and a "
                                             "\"saida\" block the file it shows");
            valid = false;
        }
        if (isRun != block.hasAnswers) {
            guide.problems.push_back(
                where + (isRun ? "a run needs its answers" : "a file takes no answers"));
            valid = false;
        }
        if (i + 1 >= all.size() || !all[i + 1].starts_with("```")) {
            guide.problems.push_back(where + "no fenced block right after the marker");
            continue;
        }
        std::size_t j = i + 2;
        for (; j < all.size() && all[j] != "```"; ++j) block.text += all[j] + "\n";
        if (j == all.size()) {
            guide.problems.push_back(where + "the fenced block never closes");
            break;
        }
        if (valid) guide.blocks.push_back(block);
        i = j;
    }
    return guide;
}

const Guide& guide() {
    static const Guide parsed = parseGuide();
    return parsed;
}

// Standard input as a terminal delivers it: one typed line at a time, and the terminal echoes
// the line on the screen when the program reads it, after whatever the program wrote before.
class TypedAnswers : public std::streambuf {
public:
    TypedAnswers(std::vector<std::string> answers, std::ostream& screen)
        : answers_(std::move(answers)), screen_(screen) {}

protected:
    int_type underflow() override {
        if (gptr() != nullptr && gptr() < egptr()) return traits_type::to_int_type(*gptr());
        if (next_ == answers_.size()) return traits_type::eof();
        line_ = answers_[next_++] + "\n";
        screen_ << line_;
        setg(line_.data(), line_.data(), line_.data() + line_.size());
        return traits_type::to_int_type(*gptr());
    }

private:
    std::vector<std::string> answers_;
    std::size_t next_ = 0;
    std::string line_;
    std::ostream& screen_;
};

// What the guide shows of program output: LF line ends, and the report's degree sign (the byte
// 0xBA) as the character º in UTF-8.
std::string asShown(const std::string& bytes) {
    std::string shown;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
        if (static_cast<unsigned char>(bytes[i]) == 0xBA) {
            shown += "\xC2\xBA";
            continue;
        }
        shown += bytes[i];
    }
    return shown;
}

struct TerminalRun {
    std::string screen; // console output, echoed answers and error lines, in order
    std::string report;
    bool reportCreated = false;
};

TerminalRun runAtTerminal(const Block& block) {
    MemoryFiles files;
    files.files[block.answers.at(0)] = readFile(sourceDir() + "/" + block.example);
    std::ostringstream screen, errors;
    TypedAnswers typed(block.answers, screen);
    std::istream in(&typed);
    runProgram(in, screen, errors, files);
    TerminalRun run;
    run.screen = asShown(screen.str()) + errors.str();
    run.reportCreated = files.reportCreated();
    run.report = asShown(files.report());
    return run;
}

// A command line run in a folder of its own holding the examples under their own names: the
// terminal ("$ interseccao ..." and what the program prints) and the files it leaves.
struct CommandRun {
    std::string screen;
    std::map<std::string, std::string> outputs;
};

CommandRun runCommand(const Block& block) {
    const fs::path folder =
        fs::temp_directory_path() / ("interseccao-guia-" + std::to_string(block.markerLine));
    fs::remove_all(folder);
    fs::create_directories(folder);
    for (const std::string& example : block.examples)
        writeFile((folder / fs::path(example).filename()).string(),
                  readFile(sourceDir() + "/" + example));
    DiskFiles files(folder);
    std::ostringstream out, errors;
    runCommandLine(block.arguments, out, errors, files);
    CommandRun run;
    run.screen = "$ interseccao";
    for (const std::string& argument : block.arguments) run.screen += " " + argument;
    run.screen += "\n" + asShown(out.str()) + errors.str();
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            run.outputs[entry.path().lexically_relative(folder).generic_string()] =
                asShown(readFile(entry.path().string()));
    fs::remove_all(folder);
    return run;
}

// The last `count` lines of a text whose lines end in "\n".
std::string lastLines(const std::string& text, std::size_t count) {
    if (count == 0) return {};
    std::size_t end = text.size();
    if (end > 0 && text[end - 1] == '\n') --end;
    for (std::size_t seen = 0; end > 0; --end)
        if (text[end - 1] == '\n' && ++seen == count) return text.substr(end);
    return text;
}

void PrintTo(const Block& block, std::ostream* out) {
    *out << guidePath << ":" << block.markerLine << " (" << block.kind << ", " << block.example
         << ")";
}

TEST(Guide, MarkersAreWellFormed) {
    for (const std::string& problem : guide().problems) ADD_FAILURE() << problem;
}

TEST(Guide, ShowsEveryKindOfBlock) {
    std::set<std::string> kinds;
    for (const Block& block : guide().blocks) kinds.insert(block.kind);
    EXPECT_EQ(kinds, (std::set<std::string>{"ficheiro", "consola", "fim da consola", "relatorio",
                                            "linha de comando", "saida"}));
}

// An example that the guide never names is one nobody will find.
TEST(Guide, NamesEveryExampleFile) {
    const fs::path root(sourceDir());
    for (const auto& entry : fs::recursive_directory_iterator(root / "examples")) {
        if (!entry.is_regular_file()) continue;
        const std::string relative = fs::relative(entry.path(), root / "examples").generic_string();
        EXPECT_TRUE(guide().text.find(relative) != std::string::npos)
            << "examples/" << relative << " is not named in " << guidePath;
    }
}

// What the guide should show in a block, from the program's actual output.
std::string actualText(const Block& block) {
    if (block.kind == "ficheiro") return readFile(sourceDir() + "/" + block.example);
    if (block.kind == "linha de comando") return runCommand(block).screen;
    if (block.kind == "saida") {
        const CommandRun run = runCommand(block);
        const auto found = run.outputs.find(block.output);
        return found == run.outputs.end() ? std::string("(sem ficheiro)\n") : found->second;
    }
    const TerminalRun run = runAtTerminal(block);
    if (block.kind == "consola") return run.screen;
    if (block.kind == "fim da consola")
        return lastLines(run.screen, static_cast<std::size_t>(
                                         std::count(block.text.begin(), block.text.end(), '\n')));
    return run.report;
}

class GuideBlock : public ::testing::TestWithParam<Block> {};

TEST_P(GuideBlock, MatchesTheProgram) {
    const Block& block = GetParam();
    ASSERT_FALSE(block.text.empty()) << "empty block";
    if (block.kind == "relatorio") {
        ASSERT_TRUE(runAtTerminal(block).reportCreated) << "the run creates no report";
    }
    if (block.kind == "saida")
        EXPECT_TRUE(sameList(block.output, actualText(block), block.text));
    else
        EXPECT_EQ(block.text, actualText(block));
}

// INTERSECCAO_UPDATE_GUIDE=1 rewrites every checked block of the guide from the current program
// (a "fim da consola" block keeps its number of lines); review every changed line before
// committing the guide.
TEST(Guide, UpdateFromProgram) {
    if (std::getenv("INTERSECCAO_UPDATE_GUIDE") == nullptr)
        GTEST_SKIP() << "set INTERSECCAO_UPDATE_GUIDE=1 to rewrite the guide";
    ASSERT_TRUE(guide().problems.empty());
    const std::vector<std::string> all = lines(guide().text);
    std::string updated;
    std::size_t next = 0; // index in `all` of the next line to copy
    for (const Block& block : guide().blocks) {
        for (; next <= block.markerLine; ++next)
            updated += all[next] + "\n"; // through the opening fence
        updated += actualText(block);
        while (all[next] != "```") ++next;
    }
    for (; next < all.size(); ++next) updated += all[next] + "\n";
    writeFile(sourceDir() + "/" + guidePath, updated);
    GTEST_SKIP() << "guide rewritten";
}

INSTANTIATE_TEST_SUITE_P(Guia, GuideBlock, ::testing::ValuesIn(guide().blocks),
                         [](const ::testing::TestParamInfo<Block>& info) {
                             std::string name = "line" + std::to_string(info.param.markerLine) +
                                                "_" + info.param.kind + "_" +
                                                fs::path(info.param.example).stem().string();
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

} // namespace
} // namespace interseccao::testing
