// CEventSink: holds the control object's IDispatch (without a reference, as
// the control object outlives the service object's use of it) and the
// dispids of its five callbacks, and fires SOData, SOStatusUpdate and
// SOOutputComplete.
//
// Attach resolves "SOData", "SODirectIO", "SOError", "SOStatusUpdate" and
// "SOOutputComplete" in that order, one GetIDsOfNames call each (IID_NULL,
// locale 0x800); a name that does not resolve keeps dispid 0, and the call
// is then still made with dispid 0. Each Fire operation invokes its dispid
// as a method with one VT_I4 argument (IID_NULL, locale 0x400) and discards
// the result; a failing HRESULT raises OposEventError "Error firing Data
// event.", "Error firing StatusUpdate event." or "Error firing
// OutputComplete event.". Without a control object a Fire does nothing.
// SOError and SODirectIO are resolved but never called.
//
// Threads: Attach runs on the object's thread; the Fire operations on the
// event worker or the object's thread. The pointer and dispids are read
// under a small lock; no lock is held while calling the control object.
#ifndef QV_SERVICE_OBJECT_CORE_EVENT_SINK_H_
#define QV_SERVICE_OBJECT_CORE_EVENT_SINK_H_

#include <cstdint>
#include <mutex>

#include "platform/com/interfaces.h"

class CEventSink {
 public:
  CEventSink() = default;
  CEventSink(const CEventSink&) = delete;
  CEventSink& operator=(const CEventSink&) = delete;

  void Attach(IDispatch* dispatch);

  void FireDataEvent(int32_t status);
  void FireStatusUpdateEvent(int32_t status);
  void FireOutputCompleteEvent(int32_t outputId);

  IDispatch* GetDispatch() const;
  DISPID GetDataDispid() const;
  DISPID GetDirectIODispid() const;
  DISPID GetErrorDispid() const;
  DISPID GetStatusUpdateDispid() const;
  DISPID GetOutputCompleteDispid() const;

 private:
  void Fire(DISPID CEventSink::*dispid, int32_t value, const char* failure);

  mutable std::mutex m_mutex;
  IDispatch* m_pDispatch = nullptr;
  DISPID m_dispidData = 0;
  DISPID m_dispidDirectIO = 0;
  DISPID m_dispidError = 0;
  DISPID m_dispidStatusUpdate = 0;
  DISPID m_dispidOutputComplete = 0;
};

#endif  // QV_SERVICE_OBJECT_CORE_EVENT_SINK_H_
