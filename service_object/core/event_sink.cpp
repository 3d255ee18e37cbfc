#include "service_object/core/event_sink.h"

#include "platform/com/variant.h"
#include "service_object/core/errors.h"

namespace {

// One name, one call; 0 when it does not resolve.
DISPID Resolve(IDispatch* dispatch, const char16_t* name) {
  if (dispatch == nullptr) return 0;
  LPOLESTR names[1] = {const_cast<LPOLESTR>(name)};
  DISPID id = 0;
  if (FAILED(dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, &id))) return 0;
  return id;
}

}  // namespace

void CEventSink::Attach(IDispatch* dispatch) {
  DISPID data = Resolve(dispatch, u"SOData");
  DISPID directIO = Resolve(dispatch, u"SODirectIO");
  DISPID error = Resolve(dispatch, u"SOError");
  DISPID statusUpdate = Resolve(dispatch, u"SOStatusUpdate");
  DISPID outputComplete = Resolve(dispatch, u"SOOutputComplete");
  std::lock_guard<std::mutex> lock(m_mutex);
  m_pDispatch = dispatch;
  m_dispidData = data;
  m_dispidDirectIO = directIO;
  m_dispidError = error;
  m_dispidStatusUpdate = statusUpdate;
  m_dispidOutputComplete = outputComplete;
}

void CEventSink::Fire(DISPID CEventSink::*dispid, int32_t value, const char* failure) {
  IDispatch* dispatch;
  DISPID id;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    dispatch = m_pDispatch;
    id = this->*dispid;
  }
  if (dispatch == nullptr) return;
  VARIANT argument;
  VariantInit(&argument);
  argument.vt = VT_I4;
  argument.lVal = value;
  DISPPARAMS params{&argument, nullptr, 1, 0};
  qvplatform::Variant result;
  HRESULT hr = dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                                result.get(), nullptr, nullptr);
  if (FAILED(hr)) throw OposEventError(failure);
}

void CEventSink::FireDataEvent(int32_t status) {
  Fire(&CEventSink::m_dispidData, status, "Error firing Data event.");
}

void CEventSink::FireStatusUpdateEvent(int32_t status) {
  Fire(&CEventSink::m_dispidStatusUpdate, status, "Error firing StatusUpdate event.");
}

void CEventSink::FireOutputCompleteEvent(int32_t outputId) {
  Fire(&CEventSink::m_dispidOutputComplete, outputId, "Error firing OutputComplete event.");
}

IDispatch* CEventSink::GetDispatch() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_pDispatch;
}
DISPID CEventSink::GetDataDispid() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_dispidData;
}
DISPID CEventSink::GetDirectIODispid() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_dispidDirectIO;
}
DISPID CEventSink::GetErrorDispid() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_dispidError;
}
DISPID CEventSink::GetStatusUpdateDispid() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_dispidStatusUpdate;
}
DISPID CEventSink::GetOutputCompleteDispid() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_dispidOutputComplete;
}
