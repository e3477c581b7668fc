// Windows names as the program receives them: typed bytes in UTF-8 or in a code page become the
// UTF-16 names that Windows opens.
#include "platform/paths.hpp"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>

#include <string>
#include <tuple>

namespace interseccao::platform {
namespace {

struct Widening {
    std::string description;
    std::string bytes;
    unsigned codePage;
    std::wstring expected;
};

void PrintTo(const Widening& w, std::ostream* out) { *out << w.description; }

class Widen : public ::testing::TestWithParam<Widening> {};

TEST_P(Widen, GivesTheLettersTyped) {
    EXPECT_EQ(widen(GetParam().bytes, GetParam().codePage), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Names, Widen,
    ::testing::Values(Widening{"ascii", "obs.txt", 850, L"obs.txt"},
                      Widening{"empty", "", 1252, L""},
                      Widening{"utf8_whatever_the_code_page", "medi\xc3\xa7\xc3\xa3o", 850,
                               L"medição"},
                      Widening{"code_page_850", "medi\x87\xc6o", 850, L"medição"},
                      Widening{"code_page_1252", "medi\xe7\xe3o", 1252, L"medição"},
                      Widening{"utf8_lead_without_continuation", "a\xc3(", 1252, L"aÃ("},
                      Widening{"utf8_continuation_alone", "\xa7.txt", 1252, L"§.txt"}),
    [](const auto& info) { return info.param.description; });

TEST(Utf8, RoundTripsEveryPortugueseLetter) {
    const std::wstring letters = L"áàâãçéêíóôõúÁÀÂÃÇÉÊÍÓÔÕÚºª";
    const std::string bytes = wideToUtf8(letters);
    EXPECT_EQ(bytes.size(), 2 * letters.size());
    EXPECT_EQ(widen(bytes, 437), letters);
}

TEST(FilePath, FollowsTheConsoleCodePageOrTheSystemOne) {
    const UINT console = GetConsoleCP();
    const UINT page = console != 0 ? console : GetACP();
    std::string ce(2, '\0');
    wchar_t cedilla = L'ç';
    char fallback = '?';
    BOOL lost = FALSE;
    ASSERT_EQ(WideCharToMultiByte(page, 0, &cedilla, 1, ce.data(), 2, &fallback, &lost), 1);
    if (lost) GTEST_SKIP() << "code page " << page << " has no c cedilla";
    ce.resize(1);
    EXPECT_EQ(filePath("a" + ce + ".txt").wstring(), L"aç.txt");
}

} // namespace
} // namespace interseccao::platform
#endif
