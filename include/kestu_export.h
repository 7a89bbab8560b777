// KESTU_API marks what libkestu.so exports: the classes, functions and
// variables the headers in this folder declare. Everything else in the engine
// stays hidden inside the library.
#pragma once

#define KESTU_API __attribute__((visibility("default")))
