// KESTU_COMPANION_API marks what libkestu_companion.so exports: the classes
// and functions the headers in this folder declare.
#pragma once

#define KESTU_COMPANION_API __attribute__((visibility("default")))
