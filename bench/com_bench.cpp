// Speed of the dispatch helper and of event delivery.
//
// BM_InvokeTwoLongs / BM_InvokeLongAndString: IDispatch::Invoke of a method
// with two arguments (like SetPropertyNumber and SetPropertyString) through
// the dispatch helper's table. Target: under 1 us.
//
// BM_StatusUpdateLatency: from QueueEvent of a status-update record to the
// control object's SOStatusUpdate running on the queue's worker (queue,
// worker wake-up, sink, Invoke). Each iteration's latency is measured by the
// clock read in the callback; the reported time is that latency and the
// counters give the median and the 99th percentile in microseconds.
// Target: median under 50 us.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include <benchmark/benchmark.h>

#include "platform/com/bstr.h"
#include "platform/com/dispatch.h"
#include "platform/com/variant.h"
#include "service_object/core/event_queue.h"
#include "service_object/core/event_sink.h"

namespace {

using Clock = std::chrono::steady_clock;

// A minimal control object: SOStatusUpdate stores the time it ran.
class CBenchControlObject final : public IDispatch {
 public:
  HRESULT QueryInterface(REFIID, void** ppv) override {
    *ppv = this;
    return S_OK;
  }
  ULONG AddRef() override { return 2; }
  ULONG Release() override { return 1; }
  HRESULT GetTypeInfoCount(UINT* n) override {
    return qvplatform::DispatchTable::GetTypeInfoCount(n);
  }
  HRESULT GetTypeInfo(UINT i, LCID l, ITypeInfo** p) override {
    return qvplatform::DispatchTable::GetTypeInfo(i, l, p);
  }
  HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override {
    return Table().GetIDsOfNames(riid, names, count, lcid, ids);
  }
  HRESULT Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                 EXCEPINFO* excep, UINT* argErr) override {
    return Table().Invoke(this, id, riid, lcid, flags, params, result, excep, argErr);
  }

  HRESULT SOStatusUpdate(LONG data) {
    arrived.store(Clock::now().time_since_epoch().count(), std::memory_order_relaxed);
    last.store(data, std::memory_order_release);
    return S_OK;
  }
  HRESULT SetPropertyNumber(LONG index, LONG number) {
    sum += index + number;
    return S_OK;
  }
  HRESULT SetPropertyString(LONG index, BSTR text) {
    sum += index + static_cast<LONG>(SysStringLen(text));
    return S_OK;
  }

  std::atomic<Clock::rep> arrived{0};
  std::atomic<LONG> last{-1};
  LONG sum = 0;

 private:
  static const qvplatform::DispatchTable& Table() {
    using C = CBenchControlObject;
    static const qvplatform::DispMember kMembers[] = {
        qvplatform::DispMethod<&C::SOStatusUpdate>(u"SOStatusUpdate", 14, {VT_I4}),
        qvplatform::DispMethod<&C::SetPropertyNumber>(u"SetPropertyNumber", 3, {VT_I4, VT_I4}),
        qvplatform::DispMethod<&C::SetPropertyString>(u"SetPropertyString", 5, {VT_I4, VT_BSTR}),
    };
    static const qvplatform::DispatchTable table(kMembers);
    return table;
  }
};

void BM_InvokeTwoLongs(benchmark::State& state) {
  CBenchControlObject object;
  IDispatch* dispatch = &object;
  VARIANT args[2];
  VariantInit(&args[0]);
  VariantInit(&args[1]);
  args[0].vt = VT_I4;  // Number (the last argument comes first)
  args[0].lVal = 7;
  args[1].vt = VT_I4;  // PropIndex
  args[1].lVal = 101;
  DISPPARAMS params{args, nullptr, 2, 0};
  for (auto _ : state) {
    HRESULT hr = dispatch->Invoke(3, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                                  nullptr, nullptr, nullptr);
    benchmark::DoNotOptimize(hr);
  }
  benchmark::DoNotOptimize(object.sum);
}
BENCHMARK(BM_InvokeTwoLongs);

void BM_InvokeLongAndString(benchmark::State& state) {
  CBenchControlObject object;
  IDispatch* dispatch = &object;
  qvplatform::Bstr text(u"\x1b|cAThank you for shopping");
  VARIANT args[2];
  VariantInit(&args[0]);
  VariantInit(&args[1]);
  args[0].vt = VT_BSTR;
  args[0].bstrVal = text.get();
  args[1].vt = VT_I4;
  args[1].lVal = 2;
  DISPPARAMS params{args, nullptr, 2, 0};
  for (auto _ : state) {
    HRESULT hr = dispatch->Invoke(5, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                                  nullptr, nullptr, nullptr);
    benchmark::DoNotOptimize(hr);
  }
  benchmark::DoNotOptimize(object.sum);
}
BENCHMARK(BM_InvokeLongAndString);

struct Delivery {
  CEventSink* sink;
  static void Callback(void* context, const CDeviceEvent& record) {
    static_cast<Delivery*>(context)->sink->FireStatusUpdateEvent(record.ReadStatusUpdateEvent());
  }
};

void BM_StatusUpdateLatency(benchmark::State& state) {
  CBenchControlObject control;
  CEventSink sink;
  sink.Attach(&control);
  Delivery delivery{&sink};
  CEventQueue queue;
  queue.SetCallback(&delivery, &Delivery::Callback);
  queue.SetAllowableEvents(kEventAllKinds);
  queue.SetEnabledEvents(28);
  std::vector<double> latencies_us;
  LONG value = 0;
  for (auto _ : state) {
    ++value;
    Clock::time_point start = Clock::now();
    queue.QueueEvent(CDeviceEvent::StatusUpdate(value));
    while (control.last.load(std::memory_order_acquire) != value) std::this_thread::yield();
    Clock::time_point arrived(Clock::duration(control.arrived.load(std::memory_order_relaxed)));
    std::chrono::duration<double> latency = arrived - start;
    state.SetIterationTime(latency.count());
    latencies_us.push_back(latency.count() * 1e6);
  }
  if (!latencies_us.empty()) {
    std::sort(latencies_us.begin(), latencies_us.end());
    state.counters["median_us"] = latencies_us[latencies_us.size() / 2];
    state.counters["p99_us"] = latencies_us[latencies_us.size() * 99 / 100];
  }
}
BENCHMARK(BM_StatusUpdateLatency)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace
