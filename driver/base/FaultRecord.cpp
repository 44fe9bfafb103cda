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
  RecordFault(record, [where] { return std::string(where) + ": " + CurrentExceptionText(); });
}

}  // namespace orvanta
