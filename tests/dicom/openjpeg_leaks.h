// Included by the tests and the fuzz targets. OpenJPEG 2.5.0 asserts on some damaged High-Throughput code-blocks; the
// reader returns from that assertion (see jpeg2000_decoder.cpp), leaving the
// few bytes the library had allocated for the code-block. LeakSanitizer is
// told so; every other leak is still reported.
#pragma once

extern "C" const char* __lsan_default_suppressions() { return "leak:libopenjp2.so\n"; }
