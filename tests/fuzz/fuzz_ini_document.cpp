// An INI text and a run of writes, applied both to the text and to the
// document that holds it as sections of lines: after every write both must
// hold the same bytes and answer every key written so far alike.
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "FuzzCheck.h"
#include "profile/ProfileEmulation.h"

namespace {

std::vector<std::string> Split(const std::string& text, char at) {
  std::vector<std::string> parts;
  std::string::size_type start = 0;
  for (;;) {
    const auto next = text.find(at, start);
    parts.push_back(text.substr(start, next == std::string::npos ? std::string::npos : next - start));
    if (next == std::string::npos) return parts;
    start = next + 1;
  }
}

}  // namespace

// The input: the text, then writes separated by zero bytes, each a section,
// a key and a value separated by 0x01.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto parts = Split(TextOf(data, size), '\0');
  std::string text = parts[0];
  profilesim::IniDocument document(text);
  Check(document.Text() == text);
  std::vector<std::pair<std::string, std::string>> keys;
  for (std::size_t i = 1; i < parts.size() && i <= 64; ++i) {
    auto write = Split(parts[i], '\x01');
    write.resize(3);
    text = profilesim::WriteProfileText(text, write[0], write[1], write[2]);
    document.Write(write[0], write[1], write[2]);
    Check(document.Text() == text);
    keys.emplace_back(write[0], write[1]);
    for (const auto& [section, key] : keys) {
      Check(document.Read(section, key, " d ") == profilesim::ReadProfileText(text, section, key, " d "));
    }
  }
  return 0;
}
