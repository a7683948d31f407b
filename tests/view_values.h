// The eight drawing values as tests build and compare them: a view file's 65
// bytes written by hand, and the values as bit patterns so that NaN and -0.0
// compare exactly.
#ifndef ORVANTA_TESTS_VIEW_VALUES_H
#define ORVANTA_TESTS_VIEW_VALUES_H

#include "options.h"
#include "scratch_files.h"

#include <cstdint>
#include <vector>

Bytes ViewFileBytes(const DrawingValues& values);
std::vector<uint64_t> ValueBits(const DrawingValues& values);

#endif
