#pragma once

// Ends the process with status 1 after writing `message` to standard error
// exactly as given (no line end is added). Releases nothing.
[[noreturn]] void error(const char *message);
