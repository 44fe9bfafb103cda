#pragma once
// The rules of Windows' ANSI profile functions that the driver relies on, as
// cases: what a read gives back, and what reads give back after a write. The
// native tests run them against the emulation (ProfileEmulation.h), a Wine
// test against GetPrivateProfileStringA and WritePrivateProfileStringA under
// code page 932, so that the emulation cannot drift from the real functions.
// Every text is bytes of code page 932: ゾ is 83 5D (its second byte a "]"),
// ソ 83 5C and 表 95 5C (a "\"), ア 83 41 and ヂ 83 61 (second bytes that
// are letters, "A" and "a").
#include <string>
#include <vector>

namespace profilesim {

struct ProfileReadCase {
  const char* name;
  bool exists;       // false: there is no file
  std::string file;  // its bytes
  std::string section, key, def;
  std::string expected;
};

// One read after a write: section, key, what it gives back (the default is
// "d").
struct ProfileLookup {
  std::string section, key, expected;
};

struct ProfileWriteCase {
  const char* name;
  bool exists;
  std::string before;
  std::string section, key, value;
  std::vector<ProfileLookup> after;
};

// Values cut to 254 characters, from a 255-character buffer; the
// characters of the A functions are bytes (ア is two).
inline const std::string kLongValue(300, 'v');
inline const std::string kLongJapaneseValue = [] {
  std::string text;
  for (int i = 0; i < 200; ++i) text += "\x83\x41";
  return text;
}();

inline const std::vector<ProfileReadCase>& ProfileReadCases() {
  static const std::vector<ProfileReadCase> cases = {
      {"LfOnlyNamesInOtherCase", true, "[mAIN]\nkEY=value", "Main", "Key", "d", "value"},
      {"BlanksAroundNamesAndValue", true, "  [ Main ]  \r\n  Key  =  a b  \t\r\n", "Main", "Key", "d", "a b"},
      {"UnclosedBracketIsNoSection", true, "[Main\r\nKey=v\r\n[Main]\r\nKey=w\r\n", "Main", "Key", "d", "w"},
      {"SectionNameRunsToTheLastBracket", true, "[Ma]in]\r\nKey=v\r\n", "Ma]in", "Key", "d", "v"},
      {"QuotesKeepInnerBlanks", true, "[Main]\r\nKey= \" x \" \r\n", "Main", "Key", "d", " x "},
      {"SingleQuotes", true, "[Main]\r\nKey='v'\r\n", "Main", "Key", "d", "v"},
      {"OnePairOnly", true, "[Main]\r\nKey=\"\"v\"\"\r\n", "Main", "Key", "d", "\"v\""},
      {"MismatchedQuotes", true, "[Main]\r\nKey=\"v'\r\n", "Main", "Key", "d", "\"v'"},
      {"EmptyValueIsNotMissing", true, "[Main]\r\nKey=\r\n", "Main", "Key", "d", ""},
      {"EqualsInValue", true, "[Main]\r\nKey=a=b\r\n", "Main", "Key", "d", "a=b"},
      {"KeyOfTheNextSection", true, "[Main]\r\n[Other]\r\nKey=v\r\n", "Main", "Key", "d", "d"},
      {"LineWithoutEquals", true, "[Main]\r\nKey\r\n", "Main", "Key", "d", "d"},
      {"FirstDuplicateKeyWins", true, "[Main]\r\nKey=1\r\nKey=2\r\n", "Main", "Key", "d", "1"},
      {"FirstDuplicateSectionWins", true, "[Main]\r\nA=1\r\n[Main]\r\nKey=2\r\n", "Main", "Key", "d", "d"},
      {"MissingFile", false, "", "Main", "Key", "-1", "-1"},
      {"MissingSection", true, "[Other]\r\nKey=v\r\n", "Main", "Key", "d", "d"},
      {"DefaultTrailingBlanksStripped", true, "", "Main", "Key", "  d  ", "  d"},
      {"ValueCutTo254", true, "[Main]\r\nKey=\"" + kLongValue + "\"", "Main", "Key", "", kLongValue.substr(0, 254)},
      {"DefaultCutTo254", true, "", "Main", "Key", kLongValue, kLongValue.substr(0, 254)},
      {"JapaneseValueCutTo254Bytes", true, "[S]\r\nKey=" + kLongJapaneseValue + "\r\n", "S", "Key", "d",
       kLongJapaneseValue.substr(0, 254)},
      {"SectionEndingInTheSecondByteBracket", true, "[\x83\x5D]\r\nKey=1\r\n", "\x83\x5D", "Key", "d", "1"},
      {"KeysDifferingInASecondByteLetterA", true, "[S]\r\n\x83\x61=2\r\n\x83\x41=1\r\n", "S", "\x83\x41", "d", "1"},
      {"KeysDifferingInASecondByteLetterDi", true, "[S]\r\n\x83\x41=1\r\n\x83\x61=2\r\n", "S", "\x83\x61", "d", "2"},
      {"SecondByteBackslashesInNamesAndValue", true, "[\x83\x5C]\r\n\x95\x5C=\x83\x5C\x95\x5C\r\n", "\x83\x5C",
       "\x95\x5C", "d", "\x83\x5C\x95\x5C"},
      {"JapaneseValueInQuotes", true, "[S]\r\nPath=\"C:\\\x83\x5C\\\x95\x5C.exe\"\r\n", "S", "path", "d",
       "C:\\\x83\x5C\\\x95\x5C.exe"},
  };
  return cases;
}

inline const std::vector<ProfileWriteCase>& ProfileWriteCases() {
  static const std::vector<ProfileWriteCase> cases = {
      {"CreatesFile", false, "", "Main", "Key", "v", {{"Main", "Key", "v"}}},
      {"ReplacesInAnySpellingOfTheNames", true, "[MAIN]\nkey = old \nB=2\n", "Main", "Key", "v",
       {{"main", "KEY", "v"}, {"Main", "B", "2"}}},
      {"AddsAKeyToItsSection", true, "[Main]\r\nA=1\r\n\r\n[Other]\r\nB=2\r\n", "Main", "Key", "v",
       {{"Main", "A", "1"}, {"Main", "Key", "v"}, {"Other", "B", "2"}, {"Other", "Key", "d"}}},
      {"AddsAKeyAfterAnUnterminatedLastLine", true, "[Main]\r\nA=1", "Main", "Key", "v",
       {{"Main", "A", "1"}, {"Main", "Key", "v"}}},
      {"AddsASectionAfterAnUnterminatedLastLine", true, "[Main]\r\nA=1", "Other", "Key", "v",
       {{"Main", "A", "1"}, {"Main", "Key", "d"}, {"Other", "Key", "v"}}},
      {"ReplacesTheFirstOfDuplicateKeys", true, "[Main]\r\nKey=1\r\nKey=2\r\n", "Main", "Key", "v",
       {{"Main", "Key", "v"}}},
      {"QuotedValueReadsBackBare", true, "", "Main", "Path", "\" C:\\a b\\x.exe \"",
       {{"Main", "Path", " C:\\a b\\x.exe "}}},
      {"JapaneseNamesByCharacters", true, "[\x83\x5D]\r\n\x83\x41=1\r\n\x83\x61=2\r\n", "\x83\x5D", "\x83\x61", "3",
       {{"\x83\x5D", "\x83\x41", "1"}, {"\x83\x5D", "\x83\x61", "3"}}},
  };
  return cases;
}

}  // namespace profilesim
