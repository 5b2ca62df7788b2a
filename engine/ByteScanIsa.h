#pragma once

// The block-wise passes of ByteScan.h as each instruction set compiles them (the same
// source, ByteScanKernels.inc); ByteScan.cpp chooses among them.

#include "engine/ScanTypes.h"

#include <cstddef>
#include <cstdint>

namespace fendix::engine::scan::avx2 {
#include "engine/ByteScanIsa.inc"
} // namespace fendix::engine::scan::avx2

namespace fendix::engine::scan::sse2 {
#include "engine/ByteScanIsa.inc"
} // namespace fendix::engine::scan::sse2
