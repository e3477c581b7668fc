// Nothing lost: the command line refuses, before it writes anything, every output that would
// destroy a file it did not write, and it never leaves an output that looks complete when it
// is not, whatever happens to the run.
#include "support.hpp"

#include "app/command_line.hpp"
#include "results/own_outputs.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace interseccao::testing {
namespace {

namespace fs = std::filesystem;

std::string survey() { return readFile(sourceDir() + "/examples/levantamento-gc.txt"); }

std::map<std::string, std::string> folderContents(const fs::path& folder) {
    std::map<std::string, std::string> contents;
    for (const auto& entry : fs::directory_iterator(folder))
        contents[entry.path().filename().string()] =
            entry.is_regular_file() ? readFile(entry.path()) : std::string("<not a file>");
    return contents;
}

struct CommandRun {
    int status = 0;
    std::string out, err;
};

CommandRun runIn(const fs::path& folder, const std::vector<std::string>& arguments) {
    DiskFiles files(folder);
    std::ostringstream out, err;
    const int status = runCommandLine(arguments, out, err, files);
    return {status, out.str(), err.str()};
}

// A folder as the case prepares it: obra1.txt and obra2.txt, and whatever `prepare` adds.
struct RefusalCase {
    const char* name;
    const char* arguments;
    // Links, FIFOs, files of others; may be null. False when this system's file access cannot
    // make what the case needs (Node's, in the WebAssembly build, makes no hard link or FIFO).
    bool (*prepare)(const fs::path& folder);
    const char* said; // in the message on standard error
};

void PrintTo(const RefusalCase& c, std::ostream* out) { *out << c.name; }

class Refused : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(Refused, BeforeAnythingIsWritten) {
    const RefusalCase& c = GetParam();
    TemporaryFolder work(std::string("refused-") + c.name);
    writeFile(work.path() / "obra1.txt", survey());
    writeFile(work.path() / "obra2.txt", survey());
    std::error_code error;
    if (c.prepare != nullptr) {
#ifdef _WIN32
        GTEST_SKIP() << "links and FIFOs as POSIX makes them";
#else
        if (!c.prepare(work.path()))
            GTEST_SKIP() << "this system's file access cannot make what the case needs";
#endif
    }
    const auto before = folderContents(work.path());
    std::vector<std::string> arguments;
    std::istringstream words(c.arguments);
    for (std::string word; words >> word;) arguments.push_back(word);
    const CommandRun run = runIn(work.path(), arguments);
    EXPECT_EQ(run.status, 2) << run.err;
    EXPECT_NE(run.err.find(c.said), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(folderContents(work.path()), before);
}

// A FIFO at `path`, where this system's file access makes one.
bool madeFifo([[maybe_unused]] const fs::path& path) {
#ifndef _WIN32
    return ::mkfifo(path.c_str(), 0600) == 0 && fs::is_fifo(path);
#else
    return false;
#endif
}

// What the cases prepare; on Windows the cases that need them are skipped.
bool hardLinkedLists(const fs::path& folder) {
    writeFile(folder / "r.csv", "ficheiro,ponto,M,P,\r\n");
    std::error_code error;
    fs::create_hard_link(folder / "r.csv", folder / "j.json", error);
    return !error;
}
bool danglingLink(const fs::path& folder) {
    fs::create_symlink("r.csv", folder / "j.json");
    return true;
}
bool linkToTheList(const fs::path& folder) {
    fs::create_symlink("r.csv", folder / "l.txt");
    return true;
}
bool fifoOutput(const fs::path& folder) { return madeFifo(folder / "r.csv"); }
bool othersFile(const fs::path& folder) {
    writeFile(folder / "r.csv", "contas da obra\n");
    return true;
}
bool foreignReport(const fs::path& folder) {
    writeFile(folder / "obra1-relatorio.txt", "notas do topografo\n");
    return true;
}

// clang-format off
// Each case: its name, the arguments (split at blanks), what it prepares, what the error says.
const RefusalCase refusals[] = {
    {"empty_list_name", "--resumo= obra1.txt obra2.txt", nullptr,
     "o valor de --resumo esta vazio"},
    {"empty_json_name", "--json= obra1.txt obra2.txt", nullptr,
     "o valor de --json esta vazio"},
    {"empty_report_name", "--relatorio= obra1.txt", nullptr,
     "o valor de --relatorio esta vazio"},
    {"list_name_forgotten", "--resumo obra1.txt obra2.txt", nullptr,
     "obra1.txt ja existe e nao foi escrito por este programa"},
    {"list_over_a_file_of_others", "obra1.txt --resumo r.csv", othersFile,
     "r.csv ja existe e nao foi escrito por este programa"},
    {"report_over_a_file_of_others", "obra1.txt", foreignReport,
     "obra1-relatorio.txt ja existe e nao foi escrito por este programa"},
    {"hard_links_of_one_file", "obra1.txt --resumo r.csv --json j.json", hardLinkedLists,
     "dois ficheiros de output teriam o mesmo nome"},
    {"dangling_link_to_another_output", "obra1.txt --resumo r.csv --json j.json", danglingLink,
     "dois ficheiros de output teriam o mesmo nome"},
    {"report_through_a_link_to_the_list", "obra1.txt -o l.txt --resumo r.csv", linkToTheList,
     "dois ficheiros de output teriam o mesmo nome"},
    {"fifo_as_an_output", "obra1.txt --resumo r.csv", fifoOutput,
     "r.csv nao e um ficheiro regular"},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Outputs, Refused, ::testing::ValuesIn(refusals),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(NothingLost, AFieldSessionRunsAgainOverItsOwnOutputs) {
    TemporaryFolder work("session-again");
    for (const char* name : {"pontos.csv", "registo.gsi"})
        writeFile(work.path() / name, readFile(sourceDir() + "/examples/sessao/" + name));
    const std::vector<std::string> arguments{
        "registo.gsi", "--pontos", "pontos.csv", "--precisao", "1",     "--resumo",  "r.csv",
        "--desenho",   "--json",   "s.json",     "--dxf",      "s.dxf", "--geojson", "s.geojson"};
    ASSERT_EQ(runIn(work.path(), arguments).status, 0);
    const auto first = folderContents(work.path());
    const CommandRun again = runIn(work.path(), arguments);
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(folderContents(work.path()), first);
}

TEST(NothingLost, AListThatCannotBeCreatedSaysWhyAndTheRestIsWritten) {
    TemporaryFolder work("list-in-no-folder");
    writeFile(work.path() / "obra.txt", survey());
    const CommandRun run = runIn(work.path(), {"obra.txt", "--resumo", "nao-existe/r.csv"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "Erro no ficheiro nao-existe/r.csv: nao foi possivel criar o ficheiro de "
                       "output (o ficheiro ou a pasta nao existe)\n");
    EXPECT_TRUE(fs::exists(work.path() / "obra-relatorio.txt"));
    for (const auto& [name, contents] : folderContents(work.path()))
        EXPECT_FALSE(name.starts_with(".interseccao-")) << name;
}

TEST(NothingLost, ReplaceAllowsWritingOverAFileOfOthers) {
    TemporaryFolder work("replace");
    writeFile(work.path() / "obra.txt", survey());
    writeFile(work.path() / "obra-relatorio.txt", "notas do topografo\n");
    const CommandRun run = runIn(work.path(), {"--substituir", "obra.txt"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(writtenByThisProgram(readFile(work.path() / "obra-relatorio.txt")));
    // Once written by the program, a second run needs no --substituir.
    EXPECT_EQ(runIn(work.path(), {"obra.txt"}).status, 0);
}

TEST(NothingLost, NonRegularInputsAreRefusedWithoutWaiting) {
#ifdef _WIN32
    GTEST_SKIP() << "FIFOs and /dev/stdin as POSIX makes them";
#else
    TemporaryFolder work("fifo-input");
    if (!madeFifo(work.path() / "obra.txt"))
        GTEST_SKIP() << "this system's file access makes no FIFO";
    for (const std::string& input :
         std::vector<std::string>{(work.path() / "obra.txt").string(), "/dev/null"}) {
        const CommandRun run = runIn(work.path(), {input});
        EXPECT_EQ(run.status, 2);
        EXPECT_NE(run.err.find("nao e um ficheiro regular"), std::string::npos) << run.err;
    }
    EXPECT_EQ(folderContents(work.path()).size(), 1U);
    EXPECT_FALSE(fs::exists("/dev/null-relatorio.txt"));
#endif
}

// /dev/stdin as a file redirected into the program is a regular file, but its outputs would
// be named after it in /dev: every such name of another file is refused.
TEST(NothingLost, ASystemNameOfAnotherFileIsRefused) {
#ifdef _WIN32
    GTEST_SKIP() << "/dev/fd and /proc as POSIX systems have them";
#else
    TemporaryFolder work("system-name");
    writeFile(work.path() / "obra.txt", survey());
    const int descriptor = ::open((work.path() / "obra.txt").c_str(), O_RDONLY);
    ASSERT_GE(descriptor, 0);
    const std::string number = std::to_string(descriptor);
    // /dev/stdin is the test's own standard input here, not a file: these two stand for it.
    for (const std::string& input : {"/dev/fd/" + number, "/proc/self/fd/" + number}) {
        const CommandRun run = runIn(work.path(), {input});
        EXPECT_EQ(run.status, 2) << input;
        EXPECT_NE(run.err.find("e um nome do sistema para outro ficheiro"), std::string::npos)
            << run.err;
        EXPECT_FALSE(fs::exists(input + "-relatorio.txt")) << input;
    }
    ::close(descriptor);
    EXPECT_EQ(folderContents(work.path()).size(), 1U);
#endif
}

// In one run, each system name is told among the names of other folders, whatever came
// before it: the plain files are computed, the system's names refused.
TEST(NothingLost, SystemNamesAreToldAmongOtherNamesOfARun) {
#ifdef _WIN32
    GTEST_SKIP() << "/dev/fd and /proc as POSIX systems have them";
#else
    TemporaryFolder work("system-names-in-a-run");
    fs::create_directory(work.path() / "sub");
    std::vector<int> descriptors;
    for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt", "sub/e.txt"}) {
        writeFile(work.path() / name, survey());
        descriptors.push_back(::open((work.path() / name).c_str(), O_RDONLY));
        ASSERT_GE(descriptors.back(), 0);
    }
    const auto fd = [&](std::size_t i) { return std::to_string(descriptors[i]); };
    const std::vector<std::string> systemNames = {"/dev/fd/" + fd(1), "/proc/self/fd/" + fd(2),
                                                  "/dev/fd/../fd/" + fd(3)};
    const CommandRun run = runIn(
        work.path(), {"a.txt", systemNames[0], systemNames[1], "sub/../sub/e.txt", systemNames[2]});
    for (const int descriptor : descriptors) ::close(descriptor);
    EXPECT_EQ(run.status, 2) << run.err;
    for (const std::string& name : systemNames) {
        EXPECT_NE(run.err.find(name + ": e um nome do sistema para outro ficheiro"),
                  std::string::npos)
            << run.err;
        EXPECT_FALSE(fs::exists(name + "-relatorio.txt")) << name;
    }
    EXPECT_TRUE(fs::exists(work.path() / "a-relatorio.txt"));
    EXPECT_TRUE(fs::exists(work.path() / "sub/e-relatorio.txt"));
    EXPECT_NE(run.out.find("a.txt:"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("sub/../sub/e.txt:"), std::string::npos) << run.out;
#endif
}

TEST(NothingLost, APlantedLinkIsReplacedNotFollowed) {
#ifdef _WIN32
    GTEST_SKIP() << "symbolic links as POSIX makes them";
#else
    TemporaryFolder work("planted");
    writeFile(work.path() / "obra.txt", survey());
    writeFile(work.path() / "segredo.txt", "de outro utilizador\n");
    fs::create_symlink("segredo.txt", work.path() / "obra-relatorio.txt");
    // Without --substituir the file behind the link is refused; with it, the link is replaced.
    EXPECT_EQ(runIn(work.path(), {"obra.txt"}).status, 2);
    EXPECT_EQ(runIn(work.path(), {"--substituir", "obra.txt"}).status, 0);
    EXPECT_EQ(readFile(work.path() / "segredo.txt"), "de outro utilizador\n");
    EXPECT_FALSE(fs::is_symlink(work.path() / "obra-relatorio.txt"));
#endif
}

TEST(NothingLost, AnOutputNotMadeAgainIsRemoved) {
    TemporaryFolder work("stale");
    writeFile(work.path() / "obra.txt", survey());
    ASSERT_EQ(runIn(work.path(), {"--analise", "--desenho", "obra.txt"}).status, 0);
    ASSERT_TRUE(fs::exists(work.path() / "obra-analise.txt"));
    // The file changed into one that stops before the adjustment: no analysis.
    writeFile(work.path() / "obra.txt",
              readFile(sourceDir() + "/tests/cases/two-stations-example/obs.txt"));
    EXPECT_EQ(runIn(work.path(), {"--analise", "--desenho", "obra.txt"}).status, 1);
    EXPECT_TRUE(fs::exists(work.path() / "obra-relatorio.txt"));
    EXPECT_FALSE(fs::exists(work.path() / "obra-analise.txt"));
    // One that cannot be read at all: no report either.
    writeFile(work.path() / "obra.txt", "gc 0.001\n");
    EXPECT_EQ(runIn(work.path(), {"obra.txt"}).status, 2);
    EXPECT_FALSE(fs::exists(work.path() / "obra-relatorio.txt"));
}

TEST(NothingLost, AReportCutByTheZenithRecordsSaysSo) {
    TemporaryFolder work("zenith-cut");
    writeFile(work.path() / "obra.txt",
              readFile(sourceDir() + "/tests/cases/count-zenith-records-2000000000/obs.txt"));
    const CommandRun run =
        runIn(work.path(), {"obra.txt", "--resumo", "r.csv", "--json", "j.json"});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("Erro no ficheiro obra.txt, linha 17"), std::string::npos) << run.err;
    EXPECT_NE(readFile(work.path() / "r.csv").find("(o relatorio ficou incompleto)"),
              std::string::npos);
    const auto json = nlohmann::json::parse(readFile(work.path() / "j.json"));
    EXPECT_EQ(json["ficheiros"][0]["relatorio_incompleto"], true) << json.dump(1);
    EXPECT_TRUE(fs::exists(work.path() / "obra-relatorio.txt"));
}

TEST(NothingLost, NamesAFormulaWouldTakeAreTextInTheListButExactInTheJson) {
    TemporaryFolder work("formulas");
    std::string text = survey();
    const std::size_t second = text.find('\n') + 1;
    for (const std::string& name :
         std::vector<std::string>{"=1+2", "@SUM(1)", "+1", "-1", "=cmd|x"}) {
        text.replace(second, text.find(' ', second) - second, name);
        writeFile(work.path() / "=HYPERLINK(1).txt", text);
        const CommandRun run = runIn(work.path(), {"=HYPERLINK(1).txt", "--resumo", "r.csv",
                                                   "--resumo-pt", "p.csv", "--json", "j.json"});
        ASSERT_EQ(run.status, 0) << run.err;
        const std::string row = readFile(work.path() / "r.csv");
        EXPECT_NE(row.find("\r\n'=HYPERLINK(1).txt,'" + name + ","), std::string::npos) << row;
        EXPECT_NE(readFile(work.path() / "p.csv").find(";'" + name + ";"), std::string::npos);
        const auto json = nlohmann::json::parse(readFile(work.path() / "j.json"));
        EXPECT_EQ(json["ficheiros"][0]["ficheiro"], "=HYPERLINK(1).txt");
        EXPECT_NE(json.dump().find("\"" + name + "\""), std::string::npos) << name;
    }
}

struct HeadCase {
    const char* name;
    std::string head;
    bool own;
};

TEST(NothingLost, OwnOutputsAreToldByTheirContents) {
    const HeadCase cases[] = {
        {"session observation file",
         "gc 0.001 5   registo de GSI-16: reg.gsi (gerado por interseccao)\nP 3\n", true},
        {"session file with CR LF", "gr 0.001 5   registo de X: a b (gerado por interseccao)\r\n",
         true},
        {"observation file", "gc 0.001 5\nP 3\n", false},
        {"mark on a later line", "gc 0.001 5\n  registo de X: (gerado por interseccao)\n", false},
        {"coordinate list", "ficheiro,ponto,M,P,C\r\n", true},
        {"session list", "ponto,estado,M,P,C,precisao_M\r\n", true},
        {"session drawing",
         "<?xml version=\"1.0\"?>\n<svg>\n<text x=\"14\" y=\"16\">Sessao: registo.gsi</text>",
         true},
        {"another drawing", "<?xml version=\"1.0\"?>\n<svg>\n<text>Planta</text>", false},
        {"notes", "notas\n", false},
        {"empty", "", false},
    };
    for (const HeadCase& c : cases) EXPECT_EQ(writtenByThisProgram(c.head), c.own) << c.name;
}

} // namespace
} // namespace interseccao::testing
