#pragma once
// Shared harness of the end-to-end tests under Wine (filled in below).
