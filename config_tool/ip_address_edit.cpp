#include "config_tool/ip_address_edit.h"

#include <QStringList>
#include <QValidator>

#include "common/toolreg/port_choices.h"

namespace qvconfig {
namespace {

constexpr int kFields = 4;

// Accepts what can still become an address; Acceptable once all four
// fields hold a number.
class CAddressValidator : public QValidator {
 public:
  using QValidator::QValidator;

  State validate(QString& input, int& /*pos*/) const override {
    const QStringList fields = input.split(u'.');
    if (fields.size() > kFields) return Invalid;
    bool complete = fields.size() == kFields;
    for (const QString& field : fields) {
      if (field.size() > 3) return Invalid;
      for (QChar c : field) {
        if (c < u'0' || c > u'9') return Invalid;
      }
      if (field.isEmpty()) {
        complete = false;
      } else if (field.toInt() > 255) {
        return Invalid;
      }
    }
    return complete ? Acceptable : Intermediate;
  }
};

}  // namespace

CIpAddressEdit::CIpAddressEdit(QWidget* parent) : QLineEdit(parent) {
  setValidator(new CAddressValidator(this));
  setPlaceholderText(QStringLiteral("0.0.0.0"));
}

void CIpAddressEdit::SetAddressText(const QString& text) {
  setText(qvtoolreg::IsDottedQuad(text.toStdU16String()) ? text : QString());
}

uint32_t CIpAddressEdit::Address() const {
  const QStringList fields = text().split(u'.');
  uint32_t address = 0;
  for (int i = 0; i < kFields; ++i) {
    const uint32_t value = i < fields.size() ? fields[i].toUInt() : 0;  // blank: 0
    address = (address << 8) | (value & 0xFF);
  }
  return address;
}

QString CIpAddressEdit::AddressText() const {
  const uint32_t address = Address();
  return QString::asprintf(
      "%d.%d.%d.%d", static_cast<int>(address >> 24), static_cast<int>((address >> 16) & 0xFF),
      static_cast<int>((address >> 8) & 0xFF), static_cast<int>(address & 0xFF));
}

}  // namespace qvconfig
