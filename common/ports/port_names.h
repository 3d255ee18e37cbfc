// Tests on port names as the spooler and the serial enumeration write them.
// Names are NUL-terminated UTF-16; a null name counts as empty. Results are
// 1 or 0. Pure functions, any thread; C linkage so the tools export them
// under their plain names.
#ifndef QV_COMMON_PORTS_PORT_NAMES_H_
#define QV_COMMON_PORTS_PORT_NAMES_H_

#include <cstdint>

#include "common/ports/ser_info.h"

extern "C" {

// 1 when the name starts with "COM" in any case and ends with a colon (a
// spooler port name such as "COM1:"). A name shorter than three characters
// gives 0.
int32_t isCOM(const char16_t* name);

// The same test with "LPT".
int32_t isLPT(const char16_t* name);

// 0 unless isCOM holds. With a null list 1; otherwise 1 when the port name
// of some node occurs anywhere in `name` (plain case-sensitive substring:
// "COM1" occurs in "COM10:", an empty port name occurs in every name).
int32_t isPhysicalCOM(const char16_t* name, const SSerInfo* list);

// 1 for the units '0' to '9' (passed widened to 32 bits), else 0.
int32_t wcharIsDigit(int32_t unit);

}  // extern "C"

#endif  // QV_COMMON_PORTS_PORT_NAMES_H_
