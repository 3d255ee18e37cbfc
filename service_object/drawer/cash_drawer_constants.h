// The published OPOS constants of the CashDrawer device class that the cash
// drawer service object uses, by their published names. The property indexes
// common to every device class are in printer/printer_constants.h.
#ifndef QV_SERVICE_OBJECT_DRAWER_CASH_DRAWER_CONSTANTS_H_
#define QV_SERVICE_OBJECT_DRAWER_CASH_DRAWER_CONSTANTS_H_

#include <cstdint>

// Status-update values.
constexpr int32_t CASH_SUE_DRAWERCLOSED = 0;
constexpr int32_t CASH_SUE_DRAWEROPEN = 1;

// Property indexes of the CashDrawer class.
constexpr int32_t PIDXCash_DrawerOpened = 1001;
constexpr int32_t PIDXCash_CapStatus = 1501;
constexpr int32_t PIDXCash_CapStatusMultiDrawerDetect = 1502;

#endif  // QV_SERVICE_OBJECT_DRAWER_CASH_DRAWER_CONSTANTS_H_
