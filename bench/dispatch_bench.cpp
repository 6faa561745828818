// Cost of the script-facing path: object creation and late-bound calls.
// Run: cmake -B build -DTESSALOOM_BUILD_BENCHMARKS=ON && cmake --build build
//      && build/bench/tessaloom_bench
#include <benchmark/benchmark.h>

#include <string>

#include "tessaloom/tessaloom.h"

namespace {

using namespace tessaloom;

ComPtr<IDispatch> NewObject() {
  ComPtr<IClassFactory> factory;
  DllGetClassObject(CLSID_GraphGenerator, IID_IClassFactory, factory.out());
  ComPtr<IDispatch> object;
  factory->CreateInstance(nullptr, IID_IDispatch, object.out());
  return object;
}

DISPID IdOf(IDispatch* object, std::u16string name) {
  OLECHAR* names[] = {name.data()};
  DISPID id = DISPID_UNKNOWN;
  object->GetIDsOfNames(GUID_NULL, names, 1, 0, &id);
  return id;
}

void BM_CreateObject(benchmark::State& state) {
  for (auto _ : state) {
    ComPtr<IDispatch> object = NewObject();
    benchmark::DoNotOptimize(object.get());
  }
}
BENCHMARK(BM_CreateObject);

void BM_GetIDsOfNames(benchmark::State& state) {
  ComPtr<IDispatch> object = NewObject();
  for (auto _ : state) benchmark::DoNotOptimize(IdOf(object.get(), u"addcolor"));
}
BENCHMARK(BM_GetIDsOfNames);

// 256 AddData calls as a script makes them: a text label and a double value
// that Invoke coerces to float.
void BM_FillSingleSetThroughInvoke(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    ComPtr<IDispatch> object = NewObject();
    const DISPID add = IdOf(object.get(), u"AddData");
    state.ResumeTiming();
    for (int i = 0; i < 256; ++i) {
      VARIANT args[2];
      args[0].vt = VT_R8;
      args[0].dblVal = i * 1.5;
      Variant label(std::u16string_view(u"Label"));
      args[1] = *label.get();
      DISPPARAMS params{args, nullptr, 2, 0};
      object->Invoke(add, GUID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
    }
  }
  state.SetItemsProcessed(state.iterations() * 256);
}
BENCHMARK(BM_FillSingleSetThroughInvoke);

void BM_ReadErrorReason(benchmark::State& state) {
  ComPtr<IDispatch> object = NewObject();
  const DISPID id = IdOf(object.get(), u"ErrorReason");
  for (auto _ : state) {
    Variant result;
    DISPPARAMS none;
    object->Invoke(id, GUID_NULL, 0, DISPATCH_PROPERTYGET, &none, result.get(), nullptr, nullptr);
    benchmark::DoNotOptimize(result->bstrVal);
  }
}
BENCHMARK(BM_ReadErrorReason);

}  // namespace
