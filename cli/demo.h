// `qvopos demo [--keep DIR]`: the package end to end on a machine without a
// printer. It starts a virtual receipt printer in this process on a free
// loopback address (TCP port 9100, which the network interface always uses),
// makes a fresh prefix (DIR with --keep, else a new directory under $TMPDIR)
// and points QV_OPOS_ROOT at it, registers libQVSO.so and the control
// objects, sets the trace level, adds printer "DemoPrinter" and drawer
// "DemoDrawer" on the network interface, prints the sample receipt through
// the control objects (text, a transaction, a sideways barcode), cuts,
// opens the drawer and waits until the drawer reports itself open and, once
// the virtual printer's drawer has been shut again, closed. Finally it says where the
// byte stream, the command listing, the trace file and receipt.png (the
// receipt as the virtual printer rendered it) are; the prefix is left in
// place for reading them. A receipt that cannot be drawn (fonts missing) is
// said so, and is no failure of the demo.
//
// Exit 0 when every step worked, 1 with the failing step otherwise. Main
// thread.
#ifndef QV_CLI_DEMO_H_
#define QV_CLI_DEMO_H_

#include "cli/cli_util.h"

namespace qvcli {

int RunDemo(Args args);

}  // namespace qvcli

#endif  // QV_CLI_DEMO_H_
