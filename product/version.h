// The version of the program: the one place that defines it. The C++ code (the About box, the
// window caption, the version check) and the version resource both take it from here, so it is
// plain preprocessor definitions that the resource compiler reads too.
#pragma once

#define ZD_VERSION_MAJOR 1
#define ZD_VERSION_MINOR 0
#define ZD_VERSION_TEXT "1.0"
