// The published OPOS constants that both device classes use, by their
// published names. Device-class constants (PTR_*, CASH_*) live with the
// device classes.
#ifndef QV_SERVICE_OBJECT_CORE_OPOS_CONSTANTS_H_
#define QV_SERVICE_OBJECT_CORE_OPOS_CONSTANTS_H_

#include <cstdint>

// State.
constexpr int32_t OPOS_S_CLOSED = 1;
constexpr int32_t OPOS_S_IDLE = 2;
constexpr int32_t OPOS_S_BUSY = 3;
constexpr int32_t OPOS_S_ERROR = 4;

// ResultCode.
constexpr int32_t OPOS_SUCCESS = 0;
constexpr int32_t OPOS_E_CLOSED = 101;
constexpr int32_t OPOS_E_CLAIMED = 102;
constexpr int32_t OPOS_E_NOTCLAIMED = 103;
constexpr int32_t OPOS_E_NOSERVICE = 104;
constexpr int32_t OPOS_E_DISABLED = 105;
constexpr int32_t OPOS_E_ILLEGAL = 106;
constexpr int32_t OPOS_E_NOHARDWARE = 107;
constexpr int32_t OPOS_E_OFFLINE = 108;
constexpr int32_t OPOS_E_NOEXIST = 109;
constexpr int32_t OPOS_E_EXISTS = 110;
constexpr int32_t OPOS_E_FAILURE = 111;
constexpr int32_t OPOS_E_TIMEOUT = 112;
constexpr int32_t OPOS_E_BUSY = 113;
constexpr int32_t OPOS_E_EXTENDED = 114;

// Open results.
constexpr int32_t OPOS_OR_ALREADYOPEN = 301;
constexpr int32_t OPOS_OR_REGBADNAME = 302;
constexpr int32_t OPOS_OR_REGPROGID = 303;
constexpr int32_t OPOS_OR_CREATE = 304;
constexpr int32_t OPOS_OR_BADIF = 305;
constexpr int32_t OPOS_OR_FAILEDOPEN = 306;
constexpr int32_t OPOS_OR_BADVERSION = 307;
constexpr int32_t OPOS_ORS_NOPORT = 401;
constexpr int32_t OPOS_ORS_NOTSUPPORTED = 402;
constexpr int32_t OPOS_ORS_CONFIG = 403;
constexpr int32_t OPOS_ORS_SPECIFIC = 450;

// Claim time-out.
constexpr int32_t OPOS_FOREVER = -1;

// PowerNotify.
constexpr int32_t OPOS_PN_DISABLED = 0;
constexpr int32_t OPOS_PN_ENABLED = 1;

// BinaryConversion.
constexpr int32_t OPOS_BC_NONE = 0;
constexpr int32_t OPOS_BC_NIBBLE = 1;
constexpr int32_t OPOS_BC_DECIMAL = 2;

// CheckHealth levels.
constexpr int32_t OPOS_CH_INTERNAL = 1;
constexpr int32_t OPOS_CH_EXTERNAL = 2;
constexpr int32_t OPOS_CH_INTERACTIVE = 3;

#endif  // QV_SERVICE_OBJECT_CORE_OPOS_CONSTANTS_H_
