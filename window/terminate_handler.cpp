// What trasvidora.exe does on an exception nothing catches: it ends at once.
//
// The program catches every exception it expects, so this runs only on a fault in the program
// itself. libstdc++'s own handler would write the exception's demangled type to the standard
// error stream, which a windowed program does not have, and it brings the whole demangler into
// the executable (about 50 KB). Defining the handler here keeps that out: the library's default
// terminate handler refers to this function and the linker takes this definition.

#include <cstdlib>

namespace __gnu_cxx {

void __verbose_terminate_handler() {
  std::abort();
}

}  // namespace __gnu_cxx
