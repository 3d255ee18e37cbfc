#include "platform/com/runtime.h"

#include <string>

#include "gtest/gtest.h"
#include "platform/apartment/message_queue.h"
#include "platform/com/guid.h"
#include "platform/com/variant.h"
#include "platform/registry/registry.h"
#include "test_support/temp_prefix.h"

namespace {

constexpr CLSID kClsid = {
    0x6A1C2F00, 0x1D2B, 0x4C3D, {0x8E, 0x4F, 0x50, 0x61, 0x72, 0x83, 0x94, 0xA5}};

void SetDefault(const std::u16string& path, const std::u16string& value) {
  qvplatform::RegKey key;
  ASSERT_EQ(
      RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), KEY_ALL_ACCESS, key.receive(), nullptr),
      ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExW(key.get(), nullptr, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                           static_cast<DWORD>((value.size() + 1) * sizeof(char16_t))),
            ERROR_SUCCESS);
}

std::u16string Wide(const std::string& s) { return std::u16string(s.begin(), s.end()); }

std::u16string ServerKey(REFCLSID clsid) {
  return u"CLSID\\" + qvplatform::GuidToString(clsid) + u"\\InprocServer32";
}

class ComRuntimeTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr))); }
  void TearDown() override {
    CoUninitialize();
    CoFreeUnusedLibraries();
  }
  void RegisterServer() { SetDefault(ServerKey(kClsid), Wide(QV_COM_TEST_SERVER)); }

  TempPrefix prefix_;
};

TEST(ComInitTest, InitialisingMakesTheThreadAnApartment) {
  EXPECT_FALSE(qvplatform::IsComInitialized());
  void* ppv = reinterpret_cast<void*>(1);
  EXPECT_EQ(CoCreateInstance(kClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, &ppv),
            CO_E_NOTINITIALIZED);
  EXPECT_EQ(ppv, nullptr);
  EXPECT_EQ(CoInitialize(nullptr), S_OK);
  EXPECT_TRUE(qvplatform::HasMessageQueue());
  EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_FALSE);
  CoUninitialize();
  EXPECT_TRUE(qvplatform::IsComInitialized());
  CoUninitialize();
  EXPECT_FALSE(qvplatform::IsComInitialized());
}

TEST_F(ComRuntimeTest, CreatesAnObjectFromTheRegisteredLibraryAndUnloadsIt) {
  RegisterServer();
  IDispatch* object = nullptr;
  ASSERT_EQ(CoCreateInstance(kClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                             reinterpret_cast<void**>(&object)),
            S_OK);
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(qvplatform::LoadedServerLibraryCount(), 1u);

  LPOLESTR name = const_cast<LPOLESTR>(u"multiply");
  DISPID id = 0;
  ASSERT_EQ(object->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_SYSTEM_DEFAULT, &id), S_OK);
  VARIANT args[2];
  VariantInit(&args[0]);
  VariantInit(&args[1]);
  args[0].vt = VT_I4;
  args[0].lVal = 6;
  args[1].vt = VT_I4;
  args[1].lVal = 7;
  DISPPARAMS params{args, nullptr, 2, 0};
  qvplatform::Variant result;
  ASSERT_EQ(object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                           result.get(), nullptr, nullptr),
            S_OK);
  EXPECT_EQ(result->lVal, 42);

  // A second object comes from the cached library.
  IUnknown* second = nullptr;
  ASSERT_EQ(CoCreateInstance(kClsid, nullptr, CLSCTX_ALL, IID_IUnknown,
                             reinterpret_cast<void**>(&second)),
            S_OK);
  EXPECT_EQ(qvplatform::LoadedServerLibraryCount(), 1u);

  CoFreeUnusedLibraries();
  EXPECT_EQ(qvplatform::LoadedServerLibraryCount(), 1u) << "objects are alive";
  object->Release();
  CoFreeUnusedLibraries();
  EXPECT_EQ(qvplatform::LoadedServerLibraryCount(), 1u) << "one object is alive";
  second->Release();
  CoFreeUnusedLibraries();
  EXPECT_EQ(qvplatform::LoadedServerLibraryCount(), 0u);

  // It loads again on demand.
  ASSERT_EQ(CoCreateInstance(kClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                             reinterpret_cast<void**>(&object)),
            S_OK);
  object->Release();
}

TEST_F(ComRuntimeTest, ClassObjectAndFailuresOfTheServer) {
  RegisterServer();
  IClassFactory* factory = nullptr;
  ASSERT_EQ(CoGetClassObject(kClsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                             reinterpret_cast<void**>(&factory)),
            S_OK);
  void* ppv = nullptr;
  // The server refuses aggregation before touching the outer object.
  EXPECT_EQ(factory->CreateInstance(reinterpret_cast<IUnknown*>(factory), IID_IUnknown, &ppv),
            CLASS_E_NOAGGREGATION);
  // A held server lock keeps the library loaded.
  factory->LockServer(1);
  factory->Release();
  CoFreeUnusedLibraries();
  EXPECT_EQ(qvplatform::LoadedServerLibraryCount(), 1u);
  ASSERT_EQ(CoGetClassObject(kClsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                             reinterpret_cast<void**>(&factory)),
            S_OK);
  factory->LockServer(0);
  factory->Release();
  CoFreeUnusedLibraries();
  EXPECT_EQ(qvplatform::LoadedServerLibraryCount(), 0u);

  void* object = reinterpret_cast<void*>(1);
  EXPECT_EQ(CoCreateInstance(kClsid, nullptr, CLSCTX_INPROC_SERVER, IID_ITypeLib, &object),
            E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
}

TEST_F(ComRuntimeTest, RegistrationFailures) {
  constexpr CLSID kOther = {
      0x11111111, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55}};
  void* object = nullptr;
  EXPECT_EQ(CoCreateInstance(kOther, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object),
            REGDB_E_CLASSNOTREG);
  SetDefault(ServerKey(kOther), u"/nonexistent/libnothing.so");
  EXPECT_EQ(CoCreateInstance(kOther, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object),
            CO_E_DLLNOTFOUND);
  SetDefault(ServerKey(kOther), u"libm.so.6");
  EXPECT_EQ(CoCreateInstance(kOther, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object),
            CO_E_ERRORINDLL);
  // The right library asked for a class it does not serve.
  SetDefault(ServerKey(kOther), Wide(QV_COM_TEST_SERVER));
  EXPECT_EQ(CoCreateInstance(kOther, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object),
            CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(CoCreateInstance(kClsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IUnknown, &object),
            REGDB_E_CLASSNOTREG);
  EXPECT_EQ(object, nullptr);
}

TEST_F(ComRuntimeTest, ProgIdsResolveDirectlyAndThroughCurVer) {
  SetDefault(u"QV.Test.Thing.1\\CLSID", qvplatform::GuidToString(kClsid));
  SetDefault(u"QV.Test.Thing\\CurVer", u"QV.Test.Thing.1");
  SetDefault(u"QV.Test.Broken\\CLSID", u"not a guid");
  CLSID clsid{};
  ASSERT_EQ(CLSIDFromProgID(u"QV.Test.Thing.1", &clsid), S_OK);
  EXPECT_TRUE(IsEqualGUID(clsid, kClsid));
  clsid = GUID_NULL;
  ASSERT_EQ(CLSIDFromProgID(u"qv.test.THING", &clsid), S_OK);
  EXPECT_TRUE(IsEqualGUID(clsid, kClsid));
  EXPECT_EQ(CLSIDFromProgID(u"QV.Test.Missing", &clsid), CO_E_CLASSSTRING);
  EXPECT_EQ(CLSIDFromProgID(u"QV.Test.Broken", &clsid), CO_E_CLASSSTRING);
  EXPECT_EQ(CLSIDFromProgID(u"", &clsid), CO_E_CLASSSTRING);
  EXPECT_EQ(CLSIDFromProgID(nullptr, &clsid), E_INVALIDARG);
}

}  // namespace
