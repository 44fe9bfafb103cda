#pragma once
// The PenPlus stand-in's log as the tests read it (PenPlusSim.cpp describes
// it): one event a line, its counter stamp, the event and its details,
// separated by tabs.
#include <cstddef>
#include <sstream>
#include <string>
#include <vector>

#include "wincommon/Files.h"

namespace penplus {

// Each line's fields after the stamp: the event, then its details. A missing
// log is an empty one.
using Log = std::vector<std::vector<std::string>>;

inline Log ReadLog(const std::wstring& path) {
  Log out;
  std::istringstream lines(path.empty() ? std::string() : wincommon::ReadFileBytes(path));
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    std::istringstream in(line);
    std::string field;
    std::getline(in, field, '\t');
    out.emplace_back();
    while (std::getline(in, field, '\t')) out.back().push_back(field);
  }
  return out;
}

inline std::size_t CountEvents(const Log& log, const std::string& event) {
  std::size_t n = 0;
  for (const auto& e : log) n += !e.empty() && e[0] == event;
  return n;
}

// The presses in order: their captions (field 1), or the control ids of the
// buttons pressed (field 2), which tell apart buttons of one caption.
inline std::vector<std::string> Presses(const Log& log, std::size_t field = 1) {
  std::vector<std::string> out;
  for (const auto& e : log) {
    if (e.size() >= 3 && e[0] == "press") out.push_back(e[field]);
  }
  return out;
}

}  // namespace penplus
