#include "host/cpu.h"

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

namespace host {

bool CpuHasMmx() {
#if defined(__i386__) || defined(__x86_64__)
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return false;
  return (edx >> 23) & 1;
#elif defined(__EMSCRIPTEN__) && defined(__wasm_simd128__)
  // In the browser WebAssembly's 128-bit operations carry the packed forms
  // (the SSE2 intrinsics compile to them), so they stand in for the bit.
  return true;
#else
  return false;
#endif
}

}  // namespace host
