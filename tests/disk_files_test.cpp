// Files on disk as the batch reads them: an observation file whose head was read for the check
// of the program's own outputs is then read whole, every byte of it, at every size; and a name
// designates the same file however it is spelt.
#include "support.hpp"

#include "model/errors.hpp"
#include "platform/files.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace interseccao::testing {
namespace {

namespace fs = std::filesystem;

// Bytes that differ from one place to the next, so that a piece out of place shows.
std::string contentsOfSize(std::size_t size) {
    std::string text;
    for (std::size_t i = 0; text.size() < size; ++i)
        text += std::to_string(i) + (i % 9 ? " " : "\n");
    text.resize(size);
    return text;
}

TEST(DiskFiles, AnObservationFileIsReadWholeAfterItsHead) {
    TemporaryFolder work("kept-observations");
    constexpr std::size_t limit = DiskFiles::keptFileLimit;
    DiskFiles files(work.path());
    for (const std::size_t head : {std::size_t{4096}, std::size_t{10}})
        for (const std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{100}, limit - 1,
                                       limit, limit + 1, 3 * limit, std::size_t{70000}}) {
            const std::string name = "obs-" + std::to_string(head) + "-" + std::to_string(size);
            const std::string contents = contentsOfSize(size);
            writeFile(work.path() / name, contents);
            EXPECT_EQ(files.readObservationHead(name, head), contents.substr(0, head)) << name;
            EXPECT_EQ(files.readHead(name, head), contents.substr(0, head)) << name;
            EXPECT_EQ(files.readObservationFile(name), contents) << name;
            // Read again, it is the file on disk as it is now.
            writeFile(work.path() / name, contents + "fim\n");
            EXPECT_EQ(files.readObservationFile(name), contents + "fim\n") << name;
        }
    constexpr std::size_t head = 4096;
    // What cannot be read has no head; reading it is then the error it always was.
    EXPECT_EQ(files.readObservationHead("nada.txt", head), "");
    EXPECT_THROW(files.readObservationFile("nada.txt"), RunError);
    fs::create_directory(work.path() / "pasta");
    EXPECT_EQ(files.readObservationHead("pasta", head), "");
    EXPECT_THROW(files.readObservationFile("pasta"), RunError);
}

TEST(DiskFiles, ANameIsTheFileItDesignatesHoweverSpelt) {
#ifdef _WIN32
    GTEST_SKIP() << "symbolic links as POSIX makes them";
#else
    TemporaryFolder work("identities");
    writeFile(work.path() / "obra.txt", "dados\n");
    fs::create_directory(work.path() / "sub");
    fs::create_symlink("obra.txt", work.path() / "ligacao.txt");
    fs::create_symlink("sub", work.path() / "ligacao-pasta");
    fs::create_symlink("futuro.txt", work.path() / "pendente.txt");
    DiskFiles files(work.path());
    const auto same = [&](const std::string& a, const std::string& b) {
        return files.identify(a).sameAs(files.identify(b));
    };
    using Kind = platform::FileIdentity::Kind;
    EXPECT_EQ(files.identify("obra.txt").kind, Kind::Regular);
    EXPECT_EQ(files.identify("obra.txt").size, 6U);
    for (const char* spelling : {"ligacao.txt", "./obra.txt", "sub/../obra.txt",
                                 "nao-existe/../obra.txt", "sub//../obra.txt"})
        EXPECT_TRUE(same(spelling, "obra.txt")) << spelling;
    EXPECT_EQ(files.identify("sub").kind, Kind::Other);
    EXPECT_EQ(files.identify("ligacao-pasta").kind, Kind::Other);
    EXPECT_TRUE(same("ligacao-pasta", "sub"));
    // A missing file is where it would be made: a dangling link, where its target would be.
    EXPECT_EQ(files.identify("futuro.txt").kind, Kind::Missing);
    EXPECT_TRUE(same("pendente.txt", "futuro.txt"));
    EXPECT_TRUE(same("sub/../futuro.txt", "futuro.txt"));
    EXPECT_TRUE(same("ligacao-pasta/novo.txt", "sub/novo.txt"));
    EXPECT_FALSE(same("novo.txt", "sub/novo.txt"));
    EXPECT_FALSE(same("futuro.txt", "obra.txt"));
#endif
}

} // namespace
} // namespace interseccao::testing
