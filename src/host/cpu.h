#pragma once

namespace host {

// The processor's MMX feature bit: bit 23 of the standard feature flags
// (CPUID function 1, EDX). Always set on x86-64; in the browser set where
// WebAssembly SIMD carries the packed forms; 0 elsewhere.
bool CpuHasMmx();

}  // namespace host
