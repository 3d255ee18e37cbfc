#include "control_objects/opos_device.h"

#include "platform/apartment/message_queue.h"
#include "platform/com/bstr.h"
#include "platform/com/runtime.h"
#include "platform/com/variant.h"

namespace qvopos {
namespace {

using qvcontrols::ArgType;

// Owns the variants of one call.
struct Args {
  std::vector<VARIANT> items;  // declared order
  std::vector<LONG> longs;
  std::vector<BSTR> texts;
  explicit Args(size_t n) : longs(n, 0), texts(n, nullptr) {}
  ~Args() {
    for (VARIANT& v : items) VariantClear(&v);
    for (BSTR text : texts) SysFreeString(text);
  }
};

VARIANT ValueVariant(const OposValue& value) {
  VARIANT v;
  VariantInit(&v);
  if (const int32_t* number = std::get_if<int32_t>(&value)) {
    v.vt = VT_I4;
    v.lVal = *number;
  } else {
    v.vt = VT_BSTR;
    v.bstrVal = qvplatform::AllocBstr(std::get<std::u16string>(value));
  }
  return v;
}

bool ToValue(const VARIANT* v, OposValue* value) {
  qvplatform::Variant converted;
  if (v->vt == VT_BSTR || v->vt == (VT_BYREF | VT_BSTR)) {
    if (FAILED(VariantChangeType(converted.get(), v, 0, VT_BSTR))) return false;
    *value = std::u16string(qvplatform::BstrView(converted->bstrVal));
    return true;
  }
  if (FAILED(VariantChangeType(converted.get(), v, 0, VT_I4))) return false;
  *value = static_cast<int32_t>(converted->lVal);
  return true;
}

std::u16string DecimalText(int32_t number) {
  std::string narrow = std::to_string(number);
  return std::u16string(narrow.begin(), narrow.end());
}

HRESULT IdOf(IDispatch* object, std::u16string_view name, DISPID* dispid) {
  std::u16string text(name);
  LPOLESTR names[] = {text.data()};
  return object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, dispid);
}

}  // namespace

Apartment::Apartment() : m_initialized(SUCCEEDED(CoInitialize(nullptr))) {}

Apartment::~Apartment() {
  if (m_initialized) CoUninitialize();
}

void Apartment::Pump(int64_t milliseconds) {
  qvplatform::PumpUntil([] { return false; }, milliseconds);
}

bool Apartment::PumpUntil(const std::function<bool()>& done, int64_t milliseconds) {
  return qvplatform::PumpUntil(done, milliseconds);
}

OposDevice::OposDevice(qvcontrols::DeviceClass deviceClass)
    : m_deviceClass(deviceClass), m_object(qvcontrols::CControlObject::Create(deviceClass)) {}

OposDevice::~OposDevice() {
  if (m_object != nullptr) m_object->Release();
}

int32_t OposDevice::Open(std::u16string_view deviceName) {
  return Call(u"Open", {std::u16string(deviceName)}).resultCode;
}
int32_t OposDevice::Close() { return Call(u"Close", {}).resultCode; }
int32_t OposDevice::ClaimDevice(int32_t timeout) {
  return Call(u"ClaimDevice", {timeout}).resultCode;
}
int32_t OposDevice::ReleaseDevice() { return Call(u"ReleaseDevice", {}).resultCode; }
int32_t OposDevice::CheckHealth(int32_t level) { return Call(u"CheckHealth", {level}).resultCode; }

int32_t OposDevice::SetDeviceEnabled(bool enabled) {
  Set(u"DeviceEnabled", enabled ? 1 : 0);
  return ResultCode();
}
bool OposDevice::DeviceEnabled() { return GetNumber(u"DeviceEnabled") != 0; }
int32_t OposDevice::ResultCode() { return GetNumber(u"ResultCode"); }
int32_t OposDevice::ResultCodeExtended() { return GetNumber(u"ResultCodeExtended"); }
int32_t OposDevice::State() { return GetNumber(u"State"); }
int32_t OposDevice::OpenResult() { return GetNumber(u"OpenResult"); }

CallResult OposDevice::Call(std::u16string_view method, const std::vector<OposValue>& args) {
  CallResult result;
  const qvcontrols::MethodDef* def = qvcontrols::FindMethod(m_deviceClass, method);
  if (m_object == nullptr) {
    result.hr = E_UNEXPECTED;
    return result;
  }
  DISPID dispid = 0;
  if (def == nullptr || FAILED(IdOf(m_object, method, &dispid))) {
    result.hr = DISP_E_UNKNOWNNAME;
    return result;
  }
  const size_t count = def->params.size();
  if (args.size() > count) {
    result.hr = DISP_E_BADPARAMCOUNT;
    return result;
  }
  Args call(count);
  for (size_t i = 0; i < count; ++i) {
    ArgType type = def->params[i].type;
    VARIANT v;
    VariantInit(&v);
    if (type == ArgType::kLongRef) {
      if (i < args.size()) {
        qvplatform::Variant given;
        *given.get() = ValueVariant(args[i]);
        qvplatform::Variant converted;
        if (FAILED(VariantChangeType(converted.get(), given.get(), 0, VT_I4))) {
          result.hr = DISP_E_TYPEMISMATCH;
          return result;
        }
        call.longs[i] = converted->lVal;
      }
      v.vt = VT_BYREF | VT_I4;
      v.plVal = &call.longs[i];
    } else if (type == ArgType::kStringRef) {
      std::u16string text;
      if (i < args.size()) {
        if (const auto* s = std::get_if<std::u16string>(&args[i])) {
          text = *s;
        } else {
          text = DecimalText(std::get<int32_t>(args[i]));
        }
      }
      call.texts[i] = qvplatform::AllocBstr(text);
      v.vt = VT_BYREF | VT_BSTR;
      v.pbstrVal = &call.texts[i];
    } else if (i < args.size()) {
      v = ValueVariant(args[i]);
    } else {
      result.hr = DISP_E_BADPARAMCOUNT;
      return result;
    }
    call.items.push_back(v);
  }
  std::vector<VARIANT> reversed(call.items.rbegin(), call.items.rend());
  DISPPARAMS params = {reversed.empty() ? nullptr : reversed.data(), nullptr,
                       static_cast<UINT>(reversed.size()), 0};
  qvplatform::Variant rc;
  result.hr = m_object->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                               rc.get(), nullptr, nullptr);
  if (FAILED(result.hr)) return result;
  OposValue code;
  if (ToValue(rc.get(), &code) && std::holds_alternative<int32_t>(code)) {
    result.resultCode = std::get<int32_t>(code);
  }
  for (size_t i = 0; i < count; ++i) {
    ArgType type = def->params[i].type;
    if (type == ArgType::kLongRef) {
      result.outputs.emplace_back(def->params[i].name, static_cast<int32_t>(call.longs[i]));
    } else if (type == ArgType::kStringRef) {
      result.outputs.emplace_back(def->params[i].name,
                                  std::u16string(qvplatform::BstrView(call.texts[i])));
    }
  }
  return result;
}

HRESULT OposDevice::Get(std::u16string_view property, OposValue* value) {
  if (m_object == nullptr) return E_UNEXPECTED;
  DISPID dispid = 0;
  HRESULT hr = IdOf(m_object, property, &dispid);
  if (FAILED(hr)) return hr;
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  qvplatform::Variant result;
  hr = m_object->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none,
                        result.get(), nullptr, nullptr);
  if (FAILED(hr)) return hr;
  return ToValue(result.get(), value) ? S_OK : DISP_E_TYPEMISMATCH;
}

int32_t OposDevice::GetNumber(std::u16string_view property) {
  OposValue value;
  if (FAILED(Get(property, &value))) return 0;
  const int32_t* number = std::get_if<int32_t>(&value);
  return number == nullptr ? 0 : *number;
}

std::u16string OposDevice::GetString(std::u16string_view property) {
  OposValue value;
  if (FAILED(Get(property, &value))) return {};
  const std::u16string* text = std::get_if<std::u16string>(&value);
  return text == nullptr ? std::u16string() : *text;
}

HRESULT OposDevice::Set(std::u16string_view property, const OposValue& value) {
  if (m_object == nullptr) return E_UNEXPECTED;
  DISPID dispid = 0;
  HRESULT hr = IdOf(m_object, property, &dispid);
  if (FAILED(hr)) return hr;
  VARIANT arg = ValueVariant(value);
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS params = {&arg, &named, 1, 1};
  hr = m_object->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params,
                        nullptr, nullptr, nullptr);
  VariantClear(&arg);
  return hr;
}

void OposDevice::AddListener(OposEventListener* listener) {
  if (m_object != nullptr) m_object->AddListener(listener);
}

void OposDevice::RemoveListener(OposEventListener* listener) {
  if (m_object != nullptr) m_object->RemoveListener(listener);
}

int32_t PosPrinter::PrintNormal(int32_t station, std::u16string_view data) {
  return CallLongs(u"PrintNormal", {station, std::u16string(data)});
}
int32_t PosPrinter::PrintImmediate(int32_t station, std::u16string_view data) {
  return CallLongs(u"PrintImmediate", {station, std::u16string(data)});
}
int32_t PosPrinter::CutPaper(int32_t percentage) { return CallLongs(u"CutPaper", {percentage}); }
int32_t PosPrinter::PrintBarCode(int32_t station, std::u16string_view data, int32_t symbology,
                                 int32_t height, int32_t width, int32_t alignment,
                                 int32_t textPosition) {
  return CallLongs(u"PrintBarCode", {station, std::u16string(data), symbology, height, width,
                                     alignment, textPosition});
}
int32_t PosPrinter::PrintBitmap(int32_t station, std::u16string_view fileName, int32_t width,
                                int32_t alignment) {
  return CallLongs(u"PrintBitmap", {station, std::u16string(fileName), width, alignment});
}
int32_t PosPrinter::TransactionPrint(int32_t station, int32_t control) {
  return CallLongs(u"TransactionPrint", {station, control});
}
int32_t PosPrinter::RotatePrint(int32_t station, int32_t rotation) {
  return CallLongs(u"RotatePrint", {station, rotation});
}
int32_t PosPrinter::ClearOutput() { return CallLongs(u"ClearOutput", {}); }

int32_t CashDrawer::OpenDrawer() { return CallLongs(u"OpenDrawer", {}); }
bool CashDrawer::DrawerOpened() { return GetNumber(u"DrawerOpened") != 0; }

}  // namespace qvopos
