#pragma once
// FNTD2XX.dll, the D2XX-style panel library, loaded by name at first use.
#include "serial/D2xxApi.h"

namespace orvanta::win {

// Loads FNTD2XX.dll from the driver's folder or the system folder (nowhere
// else) and fills the call table with its entry points. Returns null while the
// library is missing, so that the next open tries again (a library installed
// later is then found).
[[nodiscard]] const D2xxApi* LoadD2xxLibrary();

}  // namespace orvanta::win
