// Each folder of tests/win is its own program; the driver fixture lives with
// the driver tests and is compiled into this program from there.
#include "driver/DriverTestSupport.cpp"
