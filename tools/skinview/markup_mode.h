#pragma once
// `skinview markup FILE` and `skinview markup --zip ZIP ENTRY`.

namespace skinview {

// args: what follows "markup". Returns the process exit code.
int RunMarkup(int argc, wchar_t** args);

}  // namespace skinview
