// The program's icon: a receipt printer drawn in code (no image files to
// install), used for the main window and the about box. GUI thread only.
#ifndef QV_CONFIG_TOOL_PROGRAM_ICON_H_
#define QV_CONFIG_TOOL_PROGRAM_ICON_H_

#include <QIcon>

namespace qvconfig {

QIcon ProgramIcon();

}  // namespace qvconfig

#endif  // QV_CONFIG_TOOL_PROGRAM_ICON_H_
