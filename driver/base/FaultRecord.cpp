#include "FaultRecord.h"

#include <exception>

namespace orvanta {

std::string CurrentExceptionText() {
  try {
    throw;
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "an exception of unknown type";
  }
}

void RecordCurrentException(const FaultRecord& record, const char* where) noexcept {
  if (!record) return;
  try {
    record(std::string(where) + ": " + CurrentExceptionText());
  } catch (...) {
    // Out of memory for the text, or the record itself failed: nothing left
    // that could tell anyone.
  }
}

}  // namespace orvanta
