#include "CommandLine.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <utility>
#include <string>
#include <vector>

namespace orvanta::preuninstall {
namespace {

std::string Narrow(const std::wstring& w) {
  std::string s;
  for (wchar_t c : w) s += (c >= 0x20 && c < 0x7f) ? static_cast<char>(c) : '?';
  return s;
}

struct TextCase {
  const wchar_t* in;
  const wchar_t* out;
};

// Runs a text function over a table of inputs and expected outputs.
template <typename F>
void ExpectTexts(F f, std::initializer_list<TextCase> cases) {
  for (const TextCase& c : cases) EXPECT_EQ(f(c.in), c.out) << Narrow(c.in);
}

TEST(CommandLineTexts, UnquoteRemovesOnePairAfterTrimming) {
  ExpectTexts(Unquote, {{L"", L""}, {L"   ", L""}, {L"abc", L"abc"}, {L"  abc \t", L"abc"}, {L"\"abc\"", L"abc"},
                        {L"  \"a b\"  ", L"a b"}, {L"\"\"", L""}, {L"\"", L"\""}, {L"\"abc", L"\"abc"},
                        {L"abc\"", L"abc\""}, {L"\"\"x\"\"", L"\"x\""}, {L"\" padded \"", L" padded "}});
}

struct TokenCase {
  const wchar_t* in;
  bool found;
  const wchar_t* argument;
  const wchar_t* rest;
};

TEST(CommandLineTexts, NextTokenSplitsTheFirstArgument) {
  const TokenCase cases[] = {
      {L"", false, L"", L""}, {L"    ", false, L"", L""}, {L"abc", true, L"abc", L""},
      {L"  abc  def  ", true, L"abc", L"def"}, {L"\"a b\" c", true, L"a b", L"c"}, {L"\"a b\"c", true, L"a b", L"c"},
      {L"\"a b", false, L"", L""}, {L"\"\" x", false, L"", L""}, {L"\"  \" x", false, L"", L""},
      {L"\" a \" x", true, L"a", L"x"},
      // "/" and a quote end an unquoted argument and stay in the rest.
      {L"C:/Windows/x", true, L"C:", L"/Windows/x"}, {L"abc\"def\"", true, L"abc", L"\"def\""},
      {L"/x", false, L"", L""}, {L"a\tb", true, L"a", L"b"},
      {L"C:\\Program Files\\x", true, L"C:\\Program", L"Files\\x"}};
  for (const TokenCase& c : cases) {
    const auto token = NextToken(c.in);
    ASSERT_EQ(token.has_value(), c.found) << Narrow(c.in);
    if (!token) continue;
    EXPECT_EQ(token->argument, c.argument) << Narrow(c.in);
    EXPECT_EQ(token->rest, c.rest) << Narrow(c.in);
  }
}

TEST(CommandLineTexts, ArgumentsOfSkipsTheProgramName) {
  ExpectTexts([](std::wstring_view t) { return std::wstring(ArgumentsOf(t)); }, {{L"", L""}, {L"OrvantaUninst.exe", L""},
                      {L"OrvantaUninst.exe /u x", L"/u x"},
                      {L"\"C:\\Program Files\\Orvanta\\OrvantaUninst.exe\"  /u x -n y", L"/u x -n y"},
                      {L"\"C:\\a b\\u.exe\"/u x", L"/u x"}, {L"\"unclosed /u x", L""},
                      {L"u.exe\t\t/U \"q\"", L"/U \"q\""}});
}

TEST(CommandLineTexts, StripEnclosingQuotesOnlyAroundTheWholeCommand) {
  ExpectTexts(StripEnclosingQuotes, {{L"", L""}, {L"\"", L"\""}, {L"\"\"", L""},
        {L"C:\\W\\ST6UNST.EXE -n x.log", L"C:\\W\\ST6UNST.EXE -n x.log"},
        // Whole command in one pair, nothing quoted inside.
        {L"\"C:\\W\\ST6UNST.EXE -n C:\\P\\x.log\"", L"C:\\W\\ST6UNST.EXE -n C:\\P\\x.log"},
        // Whole command in one pair, log path quoted inside.
        {L"\"C:\\W\\ST6UNST.EXE -n \"C:\\P F\\x.log\"\"", L"C:\\W\\ST6UNST.EXE -n \"C:\\P F\\x.log\""},
        {L"  \"C:\\W\\ST6UNST.EXE -n \"C:\\P F\\x.log\"\"  ", L"C:\\W\\ST6UNST.EXE -n \"C:\\P F\\x.log\""},
        // Whole command in one pair, both paths quoted inside.
        {L"\"\"C:\\P F\\ST6UNST.EXE\" -n \"C:\\P F\\x.log\"\"",
                 L"\"C:\\P F\\ST6UNST.EXE\" -n \"C:\\P F\\x.log\""},
        // Quoted removal path ... quoted log path: two arguments, not one pair.
        {L"\"C:\\W\\ST6UNST.EXE\" -n \"C:\\P F\\x.log\"", L"\"C:\\W\\ST6UNST.EXE\" -n \"C:\\P F\\x.log\""},
        {L"\"C:\\W\\ST6UNST.EXE\"\t-n \"C:\\P F\\x.log\"", L"\"C:\\W\\ST6UNST.EXE\"\t-n \"C:\\P F\\x.log\""},
        // Does not end with a quote: left alone.
        {L"\"C:\\W\\ST6UNST.EXE\" -n x.log", L"\"C:\\W\\ST6UNST.EXE\" -n x.log"}});
}

TEST(CommandLineTexts, NamesRemovalProgramComparesTheLastElevenCharacters) {
  for (const auto& [in, expected] : {std::pair<const wchar_t*, bool>{L"C:\\Windows\\ST6UNST.EXE", true},
                                     {L"st6unst.exe", true}, {L"St6UnSt.ExE", true}, {L"xst6unst.exe", true},
                                     {L"t6unst.exe", false}, {L"", false}, {L"C:\\ST6UNST.EXE ", false},
                                     {L"C:\\Windows\\notepad.exe", false}, {L"C:\\ST6UNST.EXE.bak", false}}) {
    EXPECT_EQ(NamesRemovalProgram(in), expected) << Narrow(in);
  }
}

TEST(CommandLineTexts, FileCheckPathUnquotesAndDropsOneBackslash) {
  ExpectTexts(FileCheckPath, {{L"C:\\a.log", L"C:\\a.log"}, {L"C:\\a\\", L"C:\\a"}, {L"C:\\a\\\\", L"C:\\a\\"},
                              {L" \"C:\\a b\\\" ", L"C:\\a b"}, {L"\\", L""}, {L"", L""}});
}

TEST(CommandLineTexts, OwnFileIsTheModulePathAsRegistrationsWriteIt) {
  ExpectTexts(OwnFile, {{L"C:\\Program Files\\Orvanta\\OrvantaUninst.exe", L"C:\\Program Files\\Orvanta\\OrvantaUninst.exe"},
                        {L"D:\\Old\\OrvaRmvr.exe", L"D:\\Old\\OrvaRmvr.exe"},
                        {L"\\\\?\\C:\\削除ソフト\\OrvantaUninst.exe", L"C:\\削除ソフト\\OrvantaUninst.exe"},
                        {L"\\\\?\\unc\\server\\share\\OrvantaUninst.exe", L"\\\\server\\share\\OrvantaUninst.exe"},
                        {L"\\\\server\\share\\OrvantaUninst.exe", L"\\\\server\\share\\OrvantaUninst.exe"}, {L"", L""}});
}

TEST(CommandLineTexts, CutSwitchesDropsWaitAndForceSwitches) {
  ExpectTexts(CutSwitches, {{L" -n \"a.log\" ", L" -n \"a.log\" "}, {L" -n \"a.log\" -q", L" -n \"a.log\" -q"},
                      {L" -n \"a.log\" -f", L" -n \"a.log\""}, {L" -n \"a.log\" -F -q", L" -n \"a.log\""},
                      {L" -n \"a.log\" -q -W  12", L" -n \"a.log\" -q"}, {L" -n \"a.log\" -w 1 -f", L" -n \"a.log\""},
                      {L" -n \"a.log\" -f -w 1", L" -n \"a.log\""}, {L" -n \"a.log\" -x -fast", L" -n \"a.log\" -x"},
                      // Inside the log path a " -w" or " -f" is part of a folder name.
                      {L" -n \"C:\\My -work\\a.log\" ", L" -n \"C:\\My -work\\a.log\" "},
                      {L" -n \"C:\\Tools -Free\\a.log\" -F", L" -n \"C:\\Tools -Free\\a.log\""},
                      {L"", L""}, {L" -w", L""}});
}

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

constexpr ErrorCode kOk = ErrorCode::None;
#define LOGQ L"\"C:\\Program Files\\Orvanta\\ST6UNST.LOG\""
#define TITLE L"Orvanta タッチパネル"

TEST(ParseUninstallCommandChecks, ReadsTheCommand) {
  const struct {
    const char* name;
    const wchar_t* arguments;
    bool requested;
    ErrorCode error;
    const wchar_t *removal, *log, *title, *waiting;
  } cases[] = {
      {"Empty", L"", false, kOk, L"", L"", L"", L""},
      {"SlashUWithoutBlank", L"/u", false, kOk, L"", L"", L"", L""},
      {"SlashUTab", L"/u\tC:\\Windows\\ST6UNST.EXE -n " LOGQ, false, kOk, L"", L"", L"", L""},
      {"OtherSwitch", L"/uninstall C:\\Windows\\ST6UNST.EXE", false, kOk, L"", L"", L"", L""},
      {"Typical", L"/u C:\\Windows\\ST6UNST.EXE -n " LOGQ, true, kOk, kRemoval, kLog, TITLE, L" -n " LOGQ L"  -f"},
      {"UpperCaseSwitches", L"/U C:\\Windows\\ST6UNST.EXE -N " LOGQ, true, kOk, kRemoval, kLog, TITLE,
       L" -n " LOGQ L"  -f"},
      {"TextBeforeSwitchIgnored", L"junk -x /u C:\\Windows\\ST6UNST.EXE -n " LOGQ, true, kOk, kRemoval, kLog, TITLE,
       L" -n " LOGQ L"  -f"},
      // Regression: both paths quoted used to lose the log path's closing quote (611).
      {"QuotedRemovalAndQuotedLog", L"/u \"C:\\Windows\\ST6UNST.EXE\" -n " LOGQ, true, kOk, kRemoval, kLog, TITLE,
       L" -n " LOGQ L"  -f"},
      {"WholeCommandQuotedWithQuotedLog", L"/u \"C:\\Windows\\ST6UNST.EXE -n " LOGQ L"\"", true, kOk, kRemoval, kLog,
       TITLE, L" -n " LOGQ L"  -f"},
      {"QuotedRemovalWithBlanks", L"/u \"C:\\Program Files\\Setup\\ST6UNST.EXE\" -n " LOGQ L" -q", true, kOk,
       L"C:\\Program Files\\Setup\\ST6UNST.EXE", kLog, TITLE, L" -n " LOGQ L" -q -f"},
      {"UnquotedLog", L"/u C:\\Windows\\ST6UNST.EXE -n C:\\Orvanta\\ST6UNST.LOG", true, kOk, kRemoval,
       L"C:\\Orvanta\\ST6UNST.LOG", L"Last", L" -n \"C:\\Orvanta\\ST6UNST.LOG\"  -f"},
      {"RemovalNotSt6unst", L"/u C:\\Windows\\notepad.exe -n " LOGQ, true, ErrorCode::FileNotFound,
       L"C:\\Windows\\notepad.exe", L"", L"", L""},
      {"RemovalMissing", L"/u C:\\Temp\\ST6UNST.EXE -n " LOGQ, true, ErrorCode::FileNotFound,
       L"C:\\Temp\\ST6UNST.EXE", L"", L"", L""},
      {"NothingAfterSwitch", L"/u ", true, ErrorCode::FileNotFound, L"", L"", L"", L""},
      {"MissingDashN", L"/u C:\\Windows\\ST6UNST.EXE " LOGQ, true, ErrorCode::CommandIncomplete, kRemoval, L"", L"",
       L""},
      {"DashNAtEnd", L"/u C:\\Windows\\ST6UNST.EXE -n ", true, ErrorCode::CommandIncomplete, kRemoval, L"", L"", L""},
      {"LogMissingShowsLogPath", L"/u C:\\Windows\\ST6UNST.EXE -n \"C:\\Gone\\ST6UNST.LOG\"", true,
       ErrorCode::LogMissing, kRemoval, L"C:\\Gone\\ST6UNST.LOG", L"C:\\Gone\\ST6UNST.LOG", L""},
      {"LogWithoutDot", L"/u C:\\Windows\\ST6UNST.EXE -n C:\\Orvanta\\UNSTLOG", true, ErrorCode::LogMissing, kRemoval,
       L"C:\\Orvanta\\UNSTLOG", L"Bare", L""},
      {"LogWithoutTitle", L"/u C:\\Windows\\ST6UNST.EXE -n \"C:\\My -work\\ST6UNST.LOG\"", true, kOk, kRemoval,
       L"C:\\My -work\\ST6UNST.LOG", L"", L" -n \"C:\\My -work\\ST6UNST.LOG\"  -f"},
      {"LogUnreadableText", L"/u C:\\Windows\\ST6UNST.EXE -n C:\\Orvanta\\nolog.txt", true, kOk, kRemoval,
       L"C:\\Orvanta\\nolog.txt", L"", L" -n \"C:\\Orvanta\\nolog.txt\"  -f"},
      {"WaitSwitchCut", L"/u C:\\Windows\\ST6UNST.EXE -n " LOGQ L" -x -W  99", true, kOk, kRemoval, kLog, TITLE,
       L" -n " LOGQ L" -x -f"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeFiles files;
    const UninstallCommand cmd = ParseUninstallCommand(c.arguments, files.Env());
    EXPECT_EQ(cmd.requested, c.requested);
    EXPECT_EQ(static_cast<int>(cmd.error), static_cast<int>(c.error));
    EXPECT_EQ(cmd.removalPath, c.removal);
    EXPECT_EQ(cmd.logPath, c.log);
    EXPECT_EQ(cmd.appTitle, c.title);
    EXPECT_EQ(cmd.waitingParameters, c.waiting);
  }
}

TEST(ParseUninstallCommandChecks, AsksForTheFilesAsWrittenAndNoLogWhenRemovalRefused) {
  FakeFiles files;
  EXPECT_EQ(ParseUninstallCommand(L"/u \"C:\\Windows\\ST6UNST.EXE\" -n " LOGQ, files.Env()).error, ErrorCode::None);
  EXPECT_EQ(ParseUninstallCommand(L"/u C:\\Windows\\notepad.exe -n " LOGQ, files.Env()).error, ErrorCode::FileNotFound);
  EXPECT_EQ(files.asked, (std::vector<std::wstring>{kRemoval, kLog, L"C:\\Windows\\notepad.exe"}));
}

// Paths longer than any Windows path are refused before any file is touched;
// titles are cut so a message box never gets an unbounded text.
TEST(ParseUninstallCommandChecks, OverlongPathsAreRefusedAndTitlesCut) {
  const auto path = [](std::size_t length, const std::wstring& suffix) {
    return L"C:\\" + std::wstring(length - 3 - suffix.size(), L'a') + suffix;
  };
  const struct {
    const char* name;
    std::size_t removalLength, logLength;
    ErrorCode error;
  } cases[] = {{"both at the limit", kMaxPathLength, kMaxPathLength, ErrorCode::None},
               {"removal over the limit", kMaxPathLength + 1, 300, ErrorCode::FileNotFound},
               {"log over the limit", 300, kMaxPathLength + 1, ErrorCode::LogMissing},
               {"huge", 200000, 200000, ErrorCode::FileNotFound}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::wstring log = path(c.logLength, L"\\ST6UNST.LOG");
    Environment env;
    std::vector<std::size_t> askedLengths;
    env.fileReadable = [&](const std::wstring& p) {
      askedLengths.push_back(p.size());
      return true;
    };
    env.readText = [&](const std::wstring&) -> std::optional<std::wstring> {
      return L"CONFIG: Title: " + std::wstring(5000, L'T');
    };
    const auto cmd =
        ParseUninstallCommand(L"/u \"" + path(c.removalLength, L"\\ST6UNST.EXE") + L"\" -n \"" + log + L"\"", env);
    EXPECT_EQ(cmd.error, c.error);
    for (std::size_t n : askedLengths) EXPECT_LE(n, kMaxPathLength);
    EXPECT_LE(cmd.appTitle.size(), kMaxTitleLength);
    if (c.error == ErrorCode::None) EXPECT_EQ(cmd.appTitle, std::wstring(kMaxTitleLength, L'T'));
    if (c.error == ErrorCode::LogMissing) EXPECT_EQ(cmd.appTitle, log.substr(0, kMaxTitleLength));
  }
}

}  // namespace
}  // namespace orvanta::preuninstall
