#include "test_app/opos_control.h"

#include <utility>

namespace qvtestapp {
namespace {

constexpr int32_t kOposEClosed = 101;     // OPOS_E_CLOSED
constexpr int32_t kOposENoService = 104;  // OPOS_E_NOSERVICE

}  // namespace

std::u16string ToU16(const QString& text) {
  return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()),
                        static_cast<size_t>(text.size()));
}

QString FromU16(std::u16string_view text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

COposControl::COposControl(std::shared_ptr<qvopos::OposDevice> device, QObject* parent)
    : QObject(parent), m_device(std::move(device)) {
  if (m_device) m_device->AddListener(this);
}

COposControl::~COposControl() {
  if (m_device) m_device->RemoveListener(this);
}

void COposControl::OnOposEvent(const qvopos::OposEvent& event) {
  if (event.dispid == qvcontrols::kDispidStatusUpdateEvent) emit StatusUpdateEvent(event.number);
}

void COposControl::Check(HRESULT hr, std::u16string_view member) const {
  if (SUCCEEDED(hr)) return;
  throw CAutomationException(
      QStringLiteral("%1: the control object rejected the call (HRESULT 0x%2).")
          .arg(FromU16(member))
          .arg(static_cast<uint32_t>(hr), 8, 16, QLatin1Char('0')));
}

int32_t COposControl::Call(std::u16string_view method, const std::vector<qvopos::OposValue>& args) {
  if (!m_device) {
    m_resultCode = method == u"Open" ? kOposENoService : kOposEClosed;
    return m_resultCode;
  }
  const qvopos::CallResult result = m_device->Call(method, args);
  Check(result.hr, method);
  return result.resultCode;
}

int32_t COposControl::GetNumber(std::u16string_view property) {
  if (!m_device) return 0;
  qvopos::OposValue value;
  Check(m_device->Get(property, &value), property);
  const int32_t* number = std::get_if<int32_t>(&value);
  return number != nullptr ? *number : 0;
}

QString COposControl::GetString(std::u16string_view property) {
  if (!m_device) return {};
  qvopos::OposValue value;
  Check(m_device->Get(property, &value), property);
  const std::u16string* text = std::get_if<std::u16string>(&value);
  return text != nullptr ? FromU16(*text) : QString();
}

void COposControl::Put(std::u16string_view property, const qvopos::OposValue& value) {
  if (!m_device) {
    m_resultCode = kOposEClosed;
    return;
  }
  Check(m_device->Set(property, value), property);
}

void COposControl::SetNumber(std::u16string_view property, int32_t value) { Put(property, value); }

void COposControl::SetString(std::u16string_view property, const QString& value) {
  Put(property, ToU16(value));
}

int32_t COposControl::Open(const QString& deviceName) { return Call(u"Open", {ToU16(deviceName)}); }
int32_t COposControl::ClaimDevice(int32_t timeout) { return Call(u"ClaimDevice", {timeout}); }
int32_t COposControl::ReleaseDevice() { return Call(u"ReleaseDevice", {}); }
int32_t COposControl::Close() { return Call(u"Close", {}); }
bool COposControl::GetDeviceEnabled() { return GetNumber(u"DeviceEnabled") != 0; }
void COposControl::SetDeviceEnabled(bool enabled) { SetNumber(u"DeviceEnabled", enabled ? 1 : 0); }

int32_t COposControl::GetResultCode() { return m_device ? GetNumber(u"ResultCode") : m_resultCode; }

int32_t COposControl::GetResultCodeExtended() { return GetNumber(u"ResultCodeExtended"); }

COPOSPOSPrinter1::COPOSPOSPrinter1(std::unique_ptr<qvopos::PosPrinter> printer, QObject* parent)
    : COposControl(std::shared_ptr<qvopos::PosPrinter>(std::move(printer)), parent) {}

std::unique_ptr<COPOSPOSPrinter1> COPOSPOSPrinter1::Create() {
  auto printer = std::make_unique<qvopos::PosPrinter>();
  if (printer->Dispatch() == nullptr) printer.reset();
  return std::make_unique<COPOSPOSPrinter1>(std::move(printer));
}

qvopos::PosPrinter* COPOSPOSPrinter1::printer() const {
  return static_cast<qvopos::PosPrinter*>(device());
}

COPOSCashDrawer::COPOSCashDrawer(std::unique_ptr<qvopos::CashDrawer> drawer, QObject* parent)
    : COposControl(std::shared_ptr<qvopos::CashDrawer>(std::move(drawer)), parent) {}

std::unique_ptr<COPOSCashDrawer> COPOSCashDrawer::Create() {
  auto drawer = std::make_unique<qvopos::CashDrawer>();
  if (drawer->Dispatch() == nullptr) drawer.reset();
  return std::make_unique<COPOSCashDrawer>(std::move(drawer));
}

}  // namespace qvtestapp
