// The network dialog's IP address control: one edit that takes an IPv4
// address in dotted decimal, four fields of 0 to 255. Typing is checked as it
// happens: more than four fields, more than three digits in a field, a value
// over 255 or anything but digits and points cannot be entered. A field left
// blank counts as 0, as in an address control, so the control always has an
// address.
//
// GUI thread only.
#ifndef QV_CONFIG_TOOL_IP_ADDRESS_EDIT_H_
#define QV_CONFIG_TOOL_IP_ADDRESS_EDIT_H_

#include <QLineEdit>
#include <QString>
#include <cstdint>

namespace qvconfig {

class CIpAddressEdit : public QLineEdit {
  Q_OBJECT

 public:
  explicit CIpAddressEdit(QWidget* parent = nullptr);

  // Shows `text` when it is an address in dotted decimal; otherwise the
  // control is left blank (0.0.0.0).
  void SetAddressText(const QString& text);

  // The address, highest byte first.
  uint32_t Address() const;
  // The address as "%d.%d.%d.%d", highest byte first.
  QString AddressText() const;
};

}  // namespace qvconfig

#endif  // QV_CONFIG_TOOL_IP_ADDRESS_EDIT_H_
