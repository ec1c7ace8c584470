// libstdc++'s default terminate handler writes the uncaught exception's
// demangled type name to stderr before it aborts. A GUI program has no stderr
// to show it on, yet that handler brings the whole demangler (some 50 KB) into
// the program. Defined here, in an object linked ahead of the runtime, it keeps
// the runtime's own from being linked: std::terminate still ends the process
// with abort(), as before, only without the unseen message.
#include <cstdlib>
#include <exception>

#if defined(__GLIBCXX__)
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx
#endif
