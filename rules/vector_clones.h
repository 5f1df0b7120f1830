#pragma once
// Marks a function to be built twice, for AVX2 and for any x86-64 processor; the loader picks
// one before main runs. Sanitizer builds define LUMICOMB_NO_TARGET_CLONES and get the one plain
// build, because the picking runs before ThreadSanitizer has set itself up and crashes it.
#ifdef LUMICOMB_NO_TARGET_CLONES
#define LUMICOMB_VECTOR_CLONES
#else
#define LUMICOMB_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#endif
