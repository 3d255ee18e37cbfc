// stb_image compiled into the fuzz target, so that the decoder carries the
// fuzzer's coverage and sanitizer instrumentation. Its definitions take
// precedence over the shared library's.
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>
