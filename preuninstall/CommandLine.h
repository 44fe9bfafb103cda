#pragma once
// Reading of the pre-uninstall command line (placeholder until the program lands).
