// What the page's module exports to JavaScript: the functions of its C API.
#pragma once

#ifdef __EMSCRIPTEN__
#include <emscripten/emscripten.h>
#define QD5_EXPORT EMSCRIPTEN_KEEPALIVE
#else
#define QD5_EXPORT
#endif
