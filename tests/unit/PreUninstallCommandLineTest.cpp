#include "CommandLine.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace orvanta::preuninstall {
namespace {

std::string Narrow(const std::wstring& w) {
  std::string s;
  for (wchar_t c : w) s += (c >= 0x20 && c < 0x7f) ? static_cast<char>(c) : '?';
  return s;
}

// ---------------------------------------------------------------- Unquote

struct TextCase {
  const wchar_t* in;
  const wchar_t* out;
};

class UnquoteTest : public ::testing::TestWithParam<TextCase> {};
TEST_P(UnquoteTest, RemovesOnePairAfterTrimming) {
  EXPECT_EQ(Unquote(GetParam().in), GetParam().out) << Narrow(GetParam().in);
}
INSTANTIATE_TEST_SUITE_P(Table, UnquoteTest,
                         ::testing::Values(TextCase{L"", L""}, TextCase{L"   ", L""}, TextCase{L"abc", L"abc"},
                                           TextCase{L"  abc \t", L"abc"}, TextCase{L"\"abc\"", L"abc"},
                                           TextCase{L"  \"a b\"  ", L"a b"}, TextCase{L"\"\"", L""},
                                           TextCase{L"\"", L"\""}, TextCase{L"\"abc", L"\"abc"},
                                           TextCase{L"abc\"", L"abc\""}, TextCase{L"\"\"x\"\"", L"\"x\""},
                                           TextCase{L"\" padded \"", L" padded "}));

// ---------------------------------------------------------------- NextToken

struct TokenCase {
  const wchar_t* in;
  bool found;
  const wchar_t* argument;
  const wchar_t* rest;
};

class NextTokenTest : public ::testing::TestWithParam<TokenCase> {};
TEST_P(NextTokenTest, SplitsFirstArgument) {
  const auto& c = GetParam();
  const auto token = NextToken(c.in);
  ASSERT_EQ(token.has_value(), c.found) << Narrow(c.in);
  if (token) {
    EXPECT_EQ(token->argument, c.argument) << Narrow(c.in);
    EXPECT_EQ(token->rest, c.rest) << Narrow(c.in);
  }
}
INSTANTIATE_TEST_SUITE_P(
    Table, NextTokenTest,
    ::testing::Values(TokenCase{L"", false, L"", L""}, TokenCase{L"    ", false, L"", L""},
                      TokenCase{L"abc", true, L"abc", L""}, TokenCase{L"  abc  def  ", true, L"abc", L"def"},
                      TokenCase{L"\"a b\" c", true, L"a b", L"c"}, TokenCase{L"\"a b\"c", true, L"a b", L"c"},
                      TokenCase{L"\"a b", false, L"", L""}, TokenCase{L"\"\" x", false, L"", L""},
                      TokenCase{L"\"  \" x", false, L"", L""}, TokenCase{L"\" a \" x", true, L"a", L"x"},
                      // "/" and a quote end an unquoted argument and stay in the rest.
                      TokenCase{L"C:/Windows/x", true, L"C:", L"/Windows/x"},
                      TokenCase{L"abc\"def\"", true, L"abc", L"\"def\""}, TokenCase{L"/x", false, L"", L""},
                      TokenCase{L"a\tb", true, L"a", L"b"},
                      TokenCase{L"C:\\Program Files\\x", true, L"C:\\Program", L"Files\\x"}));

// ------------------------------------------------------------ ArgumentsOf

class ArgumentsOfTest : public ::testing::TestWithParam<TextCase> {};
TEST_P(ArgumentsOfTest, SkipsProgramName) {
  EXPECT_EQ(std::wstring(ArgumentsOf(GetParam().in)), GetParam().out) << Narrow(GetParam().in);
}
INSTANTIATE_TEST_SUITE_P(
    Table, ArgumentsOfTest,
    ::testing::Values(TextCase{L"", L""}, TextCase{L"OrvantaUninst.exe", L""},
                      TextCase{L"OrvantaUninst.exe /u x", L"/u x"},
                      TextCase{L"\"C:\\Program Files\\Orvanta\\OrvantaUninst.exe\"  /u x -n y", L"/u x -n y"},
                      TextCase{L"\"C:\\a b\\u.exe\"/u x", L"/u x"}, TextCase{L"\"unclosed /u x", L""},
                      TextCase{L"u.exe\t\t/U \"q\"", L"/U \"q\""}));

// ---------------------------------------------------- StripEnclosingQuotes

class StripEnclosingQuotesTest : public ::testing::TestWithParam<TextCase> {};
TEST_P(StripEnclosingQuotesTest, StripsOnlyAPairAroundTheWholeCommand) {
  EXPECT_EQ(StripEnclosingQuotes(GetParam().in), GetParam().out) << Narrow(GetParam().in);
}
INSTANTIATE_TEST_SUITE_P(
    Table, StripEnclosingQuotesTest,
    ::testing::Values(
        TextCase{L"", L""}, TextCase{L"\"", L"\""}, TextCase{L"\"\"", L""},
        TextCase{L"C:\\W\\ST6UNST.EXE -n x.log", L"C:\\W\\ST6UNST.EXE -n x.log"},
        // Whole command in one pair, nothing quoted inside.
        TextCase{L"\"C:\\W\\ST6UNST.EXE -n C:\\P\\x.log\"", L"C:\\W\\ST6UNST.EXE -n C:\\P\\x.log"},
        // Whole command in one pair, log path quoted inside.
        TextCase{L"\"C:\\W\\ST6UNST.EXE -n \"C:\\P F\\x.log\"\"", L"C:\\W\\ST6UNST.EXE -n \"C:\\P F\\x.log\""},
        TextCase{L"  \"C:\\W\\ST6UNST.EXE -n \"C:\\P F\\x.log\"\"  ", L"C:\\W\\ST6UNST.EXE -n \"C:\\P F\\x.log\""},
        // Whole command in one pair, both paths quoted inside.
        TextCase{L"\"\"C:\\P F\\ST6UNST.EXE\" -n \"C:\\P F\\x.log\"\"",
                 L"\"C:\\P F\\ST6UNST.EXE\" -n \"C:\\P F\\x.log\""},
        // Quoted removal path ... quoted log path: two arguments, not one pair.
        TextCase{L"\"C:\\W\\ST6UNST.EXE\" -n \"C:\\P F\\x.log\"", L"\"C:\\W\\ST6UNST.EXE\" -n \"C:\\P F\\x.log\""},
        TextCase{L"\"C:\\W\\ST6UNST.EXE\"\t-n \"C:\\P F\\x.log\"", L"\"C:\\W\\ST6UNST.EXE\"\t-n \"C:\\P F\\x.log\""},
        // Does not end with a quote: left alone.
        TextCase{L"\"C:\\W\\ST6UNST.EXE\" -n x.log", L"\"C:\\W\\ST6UNST.EXE\" -n x.log"}));

// ------------------------------------------------- small predicates

struct PredicateCase {
  const wchar_t* in;
  bool expected;
};
class NamesRemovalProgramTest : public ::testing::TestWithParam<PredicateCase> {};
TEST_P(NamesRemovalProgramTest, ComparesLastElevenCharacters) {
  EXPECT_EQ(NamesRemovalProgram(GetParam().in), GetParam().expected) << Narrow(GetParam().in);
}
INSTANTIATE_TEST_SUITE_P(Table, NamesRemovalProgramTest,
                         ::testing::Values(PredicateCase{L"C:\\Windows\\ST6UNST.EXE", true},
                                           PredicateCase{L"st6unst.exe", true}, PredicateCase{L"St6UnSt.ExE", true},
                                           PredicateCase{L"xst6unst.exe", true}, PredicateCase{L"t6unst.exe", false},
                                           PredicateCase{L"", false}, PredicateCase{L"C:\\ST6UNST.EXE ", false},
                                           PredicateCase{L"C:\\Windows\\notepad.exe", false},
                                           PredicateCase{L"C:\\ST6UNST.EXE.bak", false}));

class FileCheckPathTest : public ::testing::TestWithParam<TextCase> {};
TEST_P(FileCheckPathTest, UnquotesAndDropsOneBackslash) {
  EXPECT_EQ(FileCheckPath(GetParam().in), GetParam().out) << Narrow(GetParam().in);
}
INSTANTIATE_TEST_SUITE_P(Table, FileCheckPathTest,
                         ::testing::Values(TextCase{L"C:\\a.log", L"C:\\a.log"}, TextCase{L"C:\\a\\", L"C:\\a"},
                                           TextCase{L"C:\\a\\\\", L"C:\\a\\"}, TextCase{L" \"C:\\a b\\\" ", L"C:\\a b"},
                                           TextCase{L"\\", L""}, TextCase{L"", L""}));

class CutSwitchesTest : public ::testing::TestWithParam<TextCase> {};
TEST_P(CutSwitchesTest, DropsWaitAndForceSwitches) {
  EXPECT_EQ(CutSwitches(GetParam().in), GetParam().out) << Narrow(GetParam().in);
}
INSTANTIATE_TEST_SUITE_P(
    Table, CutSwitchesTest,
    ::testing::Values(TextCase{L" -n \"a.log\" ", L" -n \"a.log\" "}, TextCase{L" -n \"a.log\" -q", L" -n \"a.log\" -q"},
                      TextCase{L" -n \"a.log\" -f", L" -n \"a.log\""}, TextCase{L" -n \"a.log\" -F -q", L" -n \"a.log\""},
                      TextCase{L" -n \"a.log\" -q -W  12", L" -n \"a.log\" -q"},
                      TextCase{L" -n \"a.log\" -w 1 -f", L" -n \"a.log\""},
                      TextCase{L" -n \"a.log\" -f -w 1", L" -n \"a.log\""},
                      TextCase{L" -n \"a.log\" -x -fast", L" -n \"a.log\" -x"},
                      // Inside the log path a " -w" or " -f" is part of a folder name.
                      TextCase{L" -n \"C:\\My -work\\a.log\" ", L" -n \"C:\\My -work\\a.log\" "},
                      TextCase{L" -n \"C:\\Tools -Free\\a.log\" -F", L" -n \"C:\\Tools -Free\\a.log\""},
                      TextCase{L"", L""}, TextCase{L" -w", L""}));

struct HandOverCase {
  const wchar_t* waiting;
  std::uint32_t pid;
  const wchar_t* expected;
};
class HandingOverTest : public ::testing::TestWithParam<HandOverCase> {};
TEST_P(HandingOverTest, AppendsWaitSwitchWithTwoBlanks) {
  EXPECT_EQ(HandingOverParameters(GetParam().waiting, GetParam().pid), GetParam().expected);
}
INSTANTIATE_TEST_SUITE_P(Table, HandingOverTest,
                         ::testing::Values(HandOverCase{L" -n \"a.log\"  -f", 4242, L" -n \"a.log\"  -f -w  4242"},
                                           HandOverCase{L" -f", 0, L" -f -w  0"},
                                           HandOverCase{L"", 4294967295u, L" -w  4294967295"}));

TEST(WaitingParametersTest, AppendsForceSwitch) {
  EXPECT_EQ(WaitingParameters(L" -n \"a.log\" "), L" -n \"a.log\"  -f");
  EXPECT_EQ(WaitingParameters(L""), L" -f");
}

class OwnFileTest : public ::testing::TestWithParam<TextCase> {};
TEST_P(OwnFileTest, AppendsRemoverName) { EXPECT_EQ(OwnFile(GetParam().in), GetParam().out); }
INSTANTIATE_TEST_SUITE_P(Table, OwnFileTest,
                         ::testing::Values(TextCase{L"C:\\Orvanta", L"C:\\Orvanta\\OrvaRmvr.exe"},
                                           TextCase{L"C:\\", L"C:\\OrvaRmvr.exe"}, TextCase{L"", L"\\OrvaRmvr.exe"}));

// ----------------------------------------------------- the whole command

constexpr const wchar_t* kRemoval = L"C:\\Windows\\ST6UNST.EXE";
constexpr const wchar_t* kLog = L"C:\\Program Files\\Orvanta\\ST6UNST.LOG";
constexpr const wchar_t* kLogText = L"CONFIG: Title: \"Orvanta タッチパネル\"\r\nACTION: RegKey: \"x\"\r\n";

struct FakeFiles {
  std::set<std::wstring> readable{kRemoval, kLog, L"C:\\Windows\\notepad.exe", L"C:\\Program Files\\Setup\\ST6UNST.EXE",
                                  L"C:\\Orvanta\\UNSTLOG", L"C:\\My -work\\ST6UNST.LOG", L"C:\\Orvanta\\ST6UNST.LOG",
                                  L"C:\\Orvanta\\nolog.txt"};
  std::map<std::wstring, std::wstring> texts{{kLog, kLogText},
                                             {L"C:\\Orvanta\\UNSTLOG", L"CONFIG: Title: Bare"},
                                             {L"C:\\Orvanta\\ST6UNST.LOG", L"CONFIG: title: Plain\nconfig: TITLE: Last"},
                                             {L"C:\\My -work\\ST6UNST.LOG", L""}};
  std::vector<std::wstring> asked;

  Environment Env() {
    Environment env;
    env.fileReadable = [this](const std::wstring& p) {
      asked.push_back(p);
      return readable.count(p) != 0;
    };
    env.readText = [this](const std::wstring& p) -> std::optional<std::wstring> {
      const auto it = texts.find(p);
      if (it == texts.end()) return std::nullopt;
      return it->second;
    };
    return env;
  }
};

struct ParseCase {
  const char* name;
  const wchar_t* arguments;
  bool requested;
  ErrorCode error;
  const wchar_t* removal;
  const wchar_t* log;
  const wchar_t* title;
  const wchar_t* waiting;
};

std::ostream& operator<<(std::ostream& os, const ParseCase& c) { return os << c.name; }

class ParseUninstallCommandTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseUninstallCommandTest, ReadsCommand) {
  const auto& c = GetParam();
  FakeFiles files;
  const UninstallCommand cmd = ParseUninstallCommand(c.arguments, files.Env());
  EXPECT_EQ(cmd.requested, c.requested);
  EXPECT_EQ(static_cast<int>(cmd.error), static_cast<int>(c.error));
  EXPECT_EQ(cmd.removalPath, c.removal);
  EXPECT_EQ(cmd.logPath, c.log);
  EXPECT_EQ(cmd.appTitle, c.title);
  EXPECT_EQ(cmd.waitingParameters, c.waiting);
}

constexpr ErrorCode kOk = ErrorCode::None;
#define LOGQ L"\"C:\\Program Files\\Orvanta\\ST6UNST.LOG\""
#define TITLE L"Orvanta タッチパネル"

INSTANTIATE_TEST_SUITE_P(
    Table, ParseUninstallCommandTest,
    ::testing::Values(
        ParseCase{"Empty", L"", false, kOk, L"", L"", L"", L""},
        ParseCase{"DoubleClickNoArguments", L"   ", false, kOk, L"", L"", L"", L""},
        ParseCase{"SlashUWithoutBlank", L"/u", false, kOk, L"", L"", L"", L""},
        ParseCase{"SlashUTab", L"/u\tC:\\Windows\\ST6UNST.EXE -n " LOGQ, false, kOk, L"", L"", L"", L""},
        ParseCase{"OtherSwitch", L"/uninstall C:\\Windows\\ST6UNST.EXE", false, kOk, L"", L"", L"", L""},
        ParseCase{"Typical", L"/u C:\\Windows\\ST6UNST.EXE -n " LOGQ, true, kOk, kRemoval, kLog, TITLE,
                  L" -n " LOGQ L"  -f"},
        ParseCase{"UpperCaseSwitches", L"/U C:\\Windows\\ST6UNST.EXE -N " LOGQ, true, kOk, kRemoval, kLog, TITLE,
                  L" -n " LOGQ L"  -f"},
        ParseCase{"TextBeforeSwitchIgnored", L"junk -x /u C:\\Windows\\ST6UNST.EXE -n " LOGQ, true, kOk, kRemoval,
                  kLog, TITLE, L" -n " LOGQ L"  -f"},
        // Regression: both paths quoted used to lose the log path's closing quote (611).
        ParseCase{"QuotedRemovalAndQuotedLog", L"/u \"C:\\Windows\\ST6UNST.EXE\" -n " LOGQ, true, kOk, kRemoval, kLog,
                  TITLE, L" -n " LOGQ L"  -f"},
        ParseCase{"QuotedRemovalAndQuotedLogMoreBlanks", L"/u   \"C:\\Windows\\ST6UNST.EXE\"   -n   " LOGQ L"   ",
                  true, kOk, kRemoval, kLog, TITLE, L" -n " LOGQ L"  -f"},
        ParseCase{"WholeCommandQuotedWithQuotedLog", L"/u \"C:\\Windows\\ST6UNST.EXE -n " LOGQ L"\"", true, kOk,
                  kRemoval, kLog, TITLE, L" -n " LOGQ L"  -f"},
        ParseCase{"WholeCommandQuotedBothInnerQuoted", L"/u \"\"C:\\Windows\\ST6UNST.EXE\" -n " LOGQ L"\"", true, kOk,
                  kRemoval, kLog, TITLE, L" -n " LOGQ L"  -f"},
        ParseCase{"WholeCommandQuotedNothingInside", L"/u \"C:\\Windows\\ST6UNST.EXE -n C:\\Orvanta\\ST6UNST.LOG\"",
                  true, kOk, kRemoval, L"C:\\Orvanta\\ST6UNST.LOG", L"Last",
                  L" -n \"C:\\Orvanta\\ST6UNST.LOG\"  -f"},
        ParseCase{"QuotedRemovalWithBlanks", L"/u \"C:\\Program Files\\Setup\\ST6UNST.EXE\" -n " LOGQ L" -q", true, kOk,
                  L"C:\\Program Files\\Setup\\ST6UNST.EXE", kLog, TITLE, L" -n " LOGQ L" -q -f"},
        ParseCase{"UnquotedLog", L"/u C:\\Windows\\ST6UNST.EXE -n C:\\Orvanta\\ST6UNST.LOG", true, kOk, kRemoval,
                  L"C:\\Orvanta\\ST6UNST.LOG", L"Last", L" -n \"C:\\Orvanta\\ST6UNST.LOG\"  -f"},
        ParseCase{"RemovalNotSt6unst", L"/u C:\\Windows\\notepad.exe -n " LOGQ, true, ErrorCode::FileNotFound,
                  L"C:\\Windows\\notepad.exe", L"", L"", L""},
        ParseCase{"RemovalMissing", L"/u C:\\Temp\\ST6UNST.EXE -n " LOGQ, true, ErrorCode::FileNotFound,
                  L"C:\\Temp\\ST6UNST.EXE", L"", L"", L""},
        ParseCase{"NothingAfterSwitch", L"/u ", true, ErrorCode::FileNotFound, L"", L"", L"", L""},
        ParseCase{"UnclosedRemovalQuote", L"/u \"C:\\Windows\\ST6UNST.EXE -n x.log", true, ErrorCode::FileNotFound,
                  L"", L"", L"", L""},
        ParseCase{"MissingDashN", L"/u C:\\Windows\\ST6UNST.EXE " LOGQ, true, ErrorCode::CommandIncomplete, kRemoval,
                  L"", L"", L""},
        ParseCase{"DashNAtEnd", L"/u C:\\Windows\\ST6UNST.EXE -n ", true, ErrorCode::CommandIncomplete, kRemoval, L"",
                  L"", L""},
        ParseCase{"DashNEmptyQuotes", L"/u C:\\Windows\\ST6UNST.EXE -n \"\"", true, ErrorCode::CommandIncomplete,
                  kRemoval, L"", L"", L""},
        ParseCase{"DashNUnclosedLog", L"/u C:\\Windows\\ST6UNST.EXE -n \"C:\\x.log", true,
                  ErrorCode::CommandIncomplete, kRemoval, L"", L"", L""},
        ParseCase{"LogMissingShowsLogPath", L"/u C:\\Windows\\ST6UNST.EXE -n \"C:\\Gone\\ST6UNST.LOG\"", true,
                  ErrorCode::LogMissing, kRemoval, L"C:\\Gone\\ST6UNST.LOG", L"C:\\Gone\\ST6UNST.LOG", L""},
        ParseCase{"LogWithoutDot", L"/u C:\\Windows\\ST6UNST.EXE -n C:\\Orvanta\\UNSTLOG", true, ErrorCode::LogMissing,
                  kRemoval, L"C:\\Orvanta\\UNSTLOG", L"Bare", L""},
        ParseCase{"LogWithoutTitle", L"/u C:\\Windows\\ST6UNST.EXE -n \"C:\\My -work\\ST6UNST.LOG\"", true, kOk,
                  kRemoval, L"C:\\My -work\\ST6UNST.LOG", L"", L" -n \"C:\\My -work\\ST6UNST.LOG\"  -f"},
        ParseCase{"LogUnreadableText", L"/u C:\\Windows\\ST6UNST.EXE -n C:\\Orvanta\\nolog.txt", true, kOk, kRemoval,
                  L"C:\\Orvanta\\nolog.txt", L"", L" -n \"C:\\Orvanta\\nolog.txt\"  -f"},
        ParseCase{"ForceSwitchCut", L"/u C:\\Windows\\ST6UNST.EXE -n " LOGQ L" -F -q", true, kOk, kRemoval, kLog,
                  TITLE, L" -n " LOGQ L" -f"},
        ParseCase{"WaitSwitchCut", L"/u C:\\Windows\\ST6UNST.EXE -n " LOGQ L" -x -W  99", true, kOk, kRemoval, kLog,
                  TITLE, L" -n " LOGQ L" -x -f"},
        ParseCase{"ForceThenWaitCut", L"/u C:\\Windows\\ST6UNST.EXE -n " LOGQ L" -f -w 5", true, kOk, kRemoval, kLog,
                  TITLE, L" -n " LOGQ L" -f"}),
    [](const ::testing::TestParamInfo<ParseCase>& info) { return std::string(info.param.name); });

TEST(ParseUninstallCommandChecks, AsksForTheFilesAsWritten) {
  FakeFiles files;
  const auto cmd = ParseUninstallCommand(L"/u \"C:\\Windows\\ST6UNST.EXE\" -n " LOGQ, files.Env());
  ASSERT_EQ(cmd.error, ErrorCode::None);
  EXPECT_EQ(files.asked, (std::vector<std::wstring>{kRemoval, kLog}));
}

TEST(ParseUninstallCommandChecks, NoLogCheckWhenRemovalRefused) {
  FakeFiles files;
  const auto cmd = ParseUninstallCommand(L"/u C:\\Windows\\notepad.exe -n " LOGQ, files.Env());
  EXPECT_EQ(cmd.error, ErrorCode::FileNotFound);
  EXPECT_EQ(files.asked, (std::vector<std::wstring>{L"C:\\Windows\\notepad.exe"}));
}

// Paths longer than any Windows path are refused before any file is touched;
// titles are cut so a message box never gets an unbounded text.
struct OverlongCase {
  const char* name;
  std::size_t removalLength;
  std::size_t logLength;
  ErrorCode error;
};
std::ostream& operator<<(std::ostream& os, const OverlongCase& c) { return os << c.name; }
class OverlongTest : public ::testing::TestWithParam<OverlongCase> {};

std::wstring PathOfLength(std::size_t length, const std::wstring& suffix) {
  return L"C:\\" + std::wstring(length - 3 - suffix.size(), L'a') + suffix;
}

TEST_P(OverlongTest, RefusesOrCuts) {
  const auto& c = GetParam();
  const std::wstring removal = PathOfLength(c.removalLength, L"\\ST6UNST.EXE");
  const std::wstring log = PathOfLength(c.logLength, L"\\ST6UNST.LOG");
  Environment env;
  std::vector<std::size_t> askedLengths;
  env.fileReadable = [&](const std::wstring& p) {
    askedLengths.push_back(p.size());
    return true;
  };
  env.readText = [&](const std::wstring&) -> std::optional<std::wstring> {
    return L"CONFIG: Title: " + std::wstring(5000, L'T');
  };
  const auto cmd = ParseUninstallCommand(L"/u \"" + removal + L"\" -n \"" + log + L"\"", env);
  EXPECT_EQ(cmd.error, c.error);
  for (std::size_t n : askedLengths) EXPECT_LE(n, kMaxPathLength);
  EXPECT_LE(cmd.appTitle.size(), kMaxTitleLength);
  if (c.error == ErrorCode::None) EXPECT_EQ(cmd.appTitle, std::wstring(kMaxTitleLength, L'T'));
  if (c.error == ErrorCode::LogMissing) EXPECT_EQ(cmd.appTitle, log.substr(0, kMaxTitleLength));
}
INSTANTIATE_TEST_SUITE_P(Table, OverlongTest,
                         ::testing::Values(OverlongCase{"BothAtLimit", kMaxPathLength, kMaxPathLength, ErrorCode::None},
                                           OverlongCase{"RemovalOverLimit", kMaxPathLength + 1, 300,
                                                        ErrorCode::FileNotFound},
                                           OverlongCase{"LogOverLimit", 300, kMaxPathLength + 1, ErrorCode::LogMissing},
                                           OverlongCase{"Huge", 200000, 200000, ErrorCode::FileNotFound}),
                         [](const ::testing::TestParamInfo<OverlongCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace orvanta::preuninstall
