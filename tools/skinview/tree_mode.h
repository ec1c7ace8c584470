#pragma once
// `skinview tree` and `skinview png`: build a skin in a hidden window with the
// real builder and window base, lay it out once, then print the control tree
// or write the painted client area as a PNG.

namespace skinview {

// args: what follows "tree" / "png". Return the process exit code.
int RunTree(int argc, wchar_t** args);
int RunPng(int argc, wchar_t** args);

}  // namespace skinview
