// The control objects as the test application's pages hold them: a POS
// printer (COPOSPOSPrinter1) and a cash drawer (COPOSCashDrawer), each
// wrapping one stand-in OPOS control object (qvopos::OposDevice), with
// typed calls and the control object's StatusUpdateEvent as a Qt signal.
//
// Methods return the OPOS ResultCode. A call that the control object itself
// rejects (a dispatch failure: unknown member, wrong argument) throws
// CAutomationException with a description, as an ActiveX wrapper raises an
// automation exception; the pages show it in a message box.
//
// A wrapper may hold no control object (it could not be created): Open then
// gives OPOS_E_NOSERVICE (104), every other method OPOS_E_CLOSED (101), and
// properties read 0 or empty, so the pages work on and report it.
//
// GUI thread only: it must have called CoInitialize and pump its apartment
// (CApartmentPump), which is when events arrive.
#ifndef QV_TEST_APP_OPOS_CONTROL_H_
#define QV_TEST_APP_OPOS_CONTROL_H_

#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "control_objects/opos_device.h"

namespace qvtestapp {

class CAutomationException : public std::runtime_error {
 public:
  explicit CAutomationException(const QString& description)
      : std::runtime_error(description.toStdString()), m_description(description) {}
  const QString& description() const { return m_description; }

 private:
  QString m_description;
};

class COposControl : public QObject, private qvopos::OposEventListener {
  Q_OBJECT

 public:
  ~COposControl() override;

  bool HasControlObject() const { return m_device != nullptr; }

  int32_t Open(const QString& deviceName);
  int32_t ClaimDevice(int32_t timeout);
  int32_t ReleaseDevice();
  int32_t Close();
  bool GetDeviceEnabled();
  void SetDeviceEnabled(bool enabled);
  int32_t GetResultCode();
  int32_t GetResultCodeExtended();

  // Any method or property by name.
  int32_t Call(std::u16string_view method, const std::vector<qvopos::OposValue>& args);
  int32_t GetNumber(std::u16string_view property);
  QString GetString(std::u16string_view property);
  void SetNumber(std::u16string_view property, int32_t value);
  void SetString(std::u16string_view property, const QString& value);

 signals:
  // StatusUpdateEvent(Data), on the GUI thread.
  void StatusUpdateEvent(int data);

 protected:
  // Shared ownership keeps the derived class's destructor (OposDevice has
  // no virtual one).
  COposControl(std::shared_ptr<qvopos::OposDevice> device, QObject* parent);
  qvopos::OposDevice* device() const { return m_device.get(); }

 private:
  void OnOposEvent(const qvopos::OposEvent& event) override;
  void Check(HRESULT hr, std::u16string_view member) const;
  void Put(std::u16string_view property, const qvopos::OposValue& value);

  std::shared_ptr<qvopos::OposDevice> m_device;
  int32_t m_resultCode = 101;  // without a control object: the last outcome
};

class COPOSPOSPrinter1 : public COposControl {
  Q_OBJECT

 public:
  // `printer` may be null (no control object).
  explicit COPOSPOSPrinter1(std::unique_ptr<qvopos::PosPrinter> printer, QObject* parent = nullptr);
  // A wrapper around a new control object, or around none when it cannot be
  // created.
  static std::unique_ptr<COPOSPOSPrinter1> Create();

  // The control object for code that drives it directly; null without one.
  qvopos::PosPrinter* printer() const;
};

class COPOSCashDrawer : public COposControl {
  Q_OBJECT

 public:
  explicit COPOSCashDrawer(std::unique_ptr<qvopos::CashDrawer> drawer, QObject* parent = nullptr);
  static std::unique_ptr<COPOSCashDrawer> Create();

  int32_t OpenDrawer() { return Call(u"OpenDrawer", {}); }
};

// UTF-16 text for the control objects and back.
std::u16string ToU16(const QString& text);
QString FromU16(std::u16string_view text);

}  // namespace qvtestapp

#endif  // QV_TEST_APP_OPOS_CONTROL_H_
