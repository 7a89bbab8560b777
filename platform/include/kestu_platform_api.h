// KESTU_PLATFORM_API marks what libkestu_platform.so exports: the functions
// and variables the headers in this folder declare. The platform's own
// folders stay hidden inside the library.
#pragma once

#define KESTU_PLATFORM_API __attribute__((visibility("default")))
