// How the tool's pages tell the user what a Save or Delete did: a message
// box with an OK button, captioned with the program's title (a success may
// name another caption). A refusal without text shows nothing.
//
// GUI thread only.
#ifndef QV_CONFIG_TOOL_TOOL_MESSAGES_H_
#define QV_CONFIG_TOOL_TOOL_MESSAGES_H_

#include <QString>

#include "common/toolreg/device_save.h"

class QWidget;

namespace qvconfig {

inline constexpr char kToolTitle[] = "QVOposConfigTool";

// A box with `text`, the program's title as caption and OK.
void ShowToolMessage(QWidget* parent, const QString& text);

void ShowOutcome(QWidget* parent, const qvtoolreg::SaveOutcome& outcome,
                 const QString& successCaption = QString::fromLatin1(kToolTitle));

}  // namespace qvconfig

#endif  // QV_CONFIG_TOOL_TOOL_MESSAGES_H_
