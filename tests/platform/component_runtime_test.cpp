// The component runtime with the device's own Panel.ocx: finding a class by
// program id, creating objects through the library's class object,
// reference counts that decide when the library may go, calls by dispatch
// id that refuse what they do not understand, and the pad control hosted
// in a window; freeing the component libraries that agree to go.
#include <gtest/gtest.h>

#include "panel/dispatch_ids.h"
#include "platform/clock.h"
#include "platform/com.h"
#include "platform/faults.h"
#include "platform/kernel.h"
#include "platform/modules.h"
#include "platform/ui/afx/afx_dispatch_driver.h"
#include "platform/ui/window/control_host.h"
#include "platform/ui/window/messages.h"
#include "platform/ui/window/window.h"
#include "store/os_password_api.h"
#include "tests/support/store_fixture.h"
#include "tests/support/temp_device.h"

namespace {

using testing_support::StoreTest;

constexpr WCHAR kLibrary[] = u"\\Windows\\Panel.ocx";
constexpr WCHAR kClassText[] = u"{5281D351-DC25-4153-8A45-79705258FF18}";
constexpr CLSID kClass = {
    0x5281D351, 0xDC25, 0x4153, {0x8A, 0x45, 0x79, 0x70, 0x52, 0x58, 0xFF, 0x18}};

// Someone else's automation object: the engine must refuse it as a
// signature.
class ForeignObject final : public IDispatch {
 public:
  HRESULT QueryInterface(REFIID iid, void** object) override {
    if (iid != IID_IUnknown && iid != IID_IDispatch) {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    *object = this;
    AddRef();
    return S_OK;
  }
  ULONG AddRef() override { return ++refs; }
  ULONG Release() override { return --refs; }
  HRESULT GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return DISP_E_MEMBERNOTFOUND;
  }
  ULONG refs = 1;
};

class ComponentRuntimeTest : public StoreTest {
 protected:
  void TearDown() override {
    CoFreeUnusedLibraries();
    StoreTest::TearDown();
  }
  static bool Loaded() { return GetModuleHandle(kLibrary) != nullptr; }
  // An object of `clsid` into engine_, as the module asks for one.
  HRESULT Create(const CLSID& clsid, IUnknown* outer = nullptr, REFIID iid = IID_IDispatch) {
    return CoCreateInstance(clsid, outer, CLSCTX_INPROC_SERVER, iid,
                            reinterpret_cast<void**>(&engine_));
  }
  static LONG I4(COleDispatchDriver& object, DISPID member, WORD flags) {
    VariantHolder result;
    EXPECT_EQ(object.InvokeHelper(member, flags, result.get()), S_OK);
    return (*result).vt == VT_I4 ? (*result).lVal : -12345;
  }
  IDispatch* engine_ = nullptr;
};

TEST_F(ComponentRuntimeTest, ClassIdsReadAndWriteInTheirBracedFormAndRefuseAnythingElse) {
  CLSID clsid{};
  ASSERT_EQ(CLSIDFromString(u"{5281d351-dc25-4153-8a45-79705258ff18}", &clsid), S_OK);
  EXPECT_EQ(clsid, kClass);
  WCHAR text[kGuidTextLength + 1];
  EXPECT_EQ(StringFromGUID2(kClass, text, kGuidTextLength + 1), kGuidTextLength + 1);
  EXPECT_EQ(std::u16string(text), kClassText);
  EXPECT_EQ(StringFromGUID2(kClass, text, kGuidTextLength), 0);
  for (LPCWSTR bad :
       {u"", u"5281D351-DC25-4153-8A45-79705258FF18", u"{5281D351-DC25-4153-8A45-79705258FF1}",
        u"{5281D351-DC25-4153-8A45-79705258FF18}x", u"{5281D351+DC25-4153-8A45-79705258FF18}",
        u"{5281D35G-DC25-4153-8A45-79705258FF18}"}) {
    EXPECT_EQ(CLSIDFromString(bad, &clsid), CO_E_CLASSSTRING) << std::string(bad, bad + 3);
  }
}

TEST_F(ComponentRuntimeTest, ObjectsOfARegisteredClassAreFoundByProgramId) {
  CLSID clsid{};
  EXPECT_EQ(CLSIDFromProgID(u"Panel.Client.1", &clsid), CO_E_CLASSSTRING);
  EXPECT_EQ(Create(kClass), REGDB_E_CLASSNOTREG);
  EXPECT_EQ(engine_, nullptr);

  ASSERT_TRUE(RegisterSignatureControl(kLibrary));
  ASSERT_EQ(CLSIDFromProgID(u"Panel.Client.1", &clsid), S_OK);
  EXPECT_EQ(clsid, kClass);
  EXPECT_EQ(CLSIDFromProgID(u"Panel.Client.2", &clsid), CO_E_CLASSSTRING);
  const CLSID unknown = {1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
  EXPECT_EQ(Create(unknown), REGDB_E_CLASSNOTREG);

  // The class object refuses aggregation and interfaces it does not have.
  IUnknown* outer = reinterpret_cast<IUnknown*>(&clsid);
  EXPECT_EQ(Create(kClass, outer), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(Create(kClass, nullptr, IID_IControlFactory), E_NOINTERFACE);

  // Creation can be made to fail; nothing is left behind.
  {
    platform::faults::Scope faults;
    platform::faults::Fail("CoCreateInstance", ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_TRUE(FAILED(Create(kClass)));
    EXPECT_EQ(engine_, nullptr);
  }

  // Registering again is harmless; unregistered (twice, harmless too) the
  // class and its program id are gone and the library is not left loaded.
  ASSERT_TRUE(RegisterSignatureControl(kLibrary));
  ASSERT_TRUE(UnregisterSignatureControl(kLibrary));
  EXPECT_TRUE(UnregisterSignatureControl(kLibrary));
  EXPECT_EQ(CLSIDFromProgID(u"Panel.Client.1", &clsid), CO_E_CLASSSTRING);
  EXPECT_EQ(Create(kClass), REGDB_E_CLASSNOTREG);
  EXPECT_FALSE(Loaded());
}

TEST_F(ComponentRuntimeTest, TheLibraryStaysWhileAnyOfItsObjectsLives) {
  ASSERT_TRUE(RegisterSignatureControl(kLibrary));
  ASSERT_EQ(Create(kClass), S_OK);
  EXPECT_EQ(engine_->AddRef(), 2u);
  IUnknown* identity = nullptr;
  ASSERT_EQ(engine_->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
  EXPECT_EQ(identity->Release(), 2u);
  EXPECT_EQ(engine_->Release(), 1u);
  CoFreeUnusedLibraries();
  EXPECT_TRUE(Loaded());
  EXPECT_EQ(engine_->Release(), 0u);
  CoFreeUnusedLibraries();
  EXPECT_FALSE(Loaded());
}

TEST_F(ComponentRuntimeTest, TheEngineRefusesForeignSignaturesAndUnknownMembers) {
  ASSERT_TRUE(RegisterSignatureControl(kLibrary));
  COleDispatchDriver engine;
  ASSERT_TRUE(engine.CreateDispatch(u"Panel.Client.1"));
  ForeignObject foreign;
  EXPECT_EQ(engine.InvokeHelper(panel::kDispAddSample, DISPATCH_METHOD, nullptr,
                                {VariantDispatch(&foreign), VariantI4(-1)}),
            DISP_E_TYPEMISMATCH);
  EXPECT_EQ(
      engine.InvokeHelper(panel::kDispVerify, DISPATCH_METHOD, nullptr, {VariantDispatch(nullptr)}),
      DISP_E_TYPEMISMATCH);
  EXPECT_EQ(engine.InvokeHelper(panel::kDispAddSample, DISPATCH_METHOD, nullptr, {VariantI4(-1)}),
            DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(engine.InvokeHelper(99, DISPATCH_METHOD, nullptr), DISP_E_MEMBERNOTFOUND);
  // SampleCount is a property, not a method.
  EXPECT_EQ(engine.InvokeHelper(panel::kDispSampleCount, DISPATCH_METHOD, nullptr),
            DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(I4(engine, panel::kDispSampleCount, DISPATCH_PROPERTYGET), 0);
  BSTR garbage = SysAllocString(u"not a template");
  EXPECT_EQ(engine.InvokeHelper(panel::kDispTemplate, DISPATCH_PROPERTYPUT, nullptr,
                                {VariantBstr(garbage)}),
            E_INVALIDARG);
  SysFreeString(garbage);
  // No template before five samples.
  BSTR out = nullptr;
  EXPECT_EQ(engine.InvokeHelper(panel::kDispGetTemplate, DISPATCH_METHOD, nullptr,
                                {VariantBstrOut(&out)}),
            S_OK);
  EXPECT_EQ(SysStringLen(out), 0u);
  SysFreeString(out);
  EXPECT_EQ(foreign.refs, 1u);
}

TEST_F(ComponentRuntimeTest, AHostedPadTakesStrokesWithTheirTimesAndKeepsABoundedNumber) {
  ASSERT_TRUE(RegisterSignatureControl(kLibrary));
  platform::clock::UseVirtual(1000);
  HWND parent =
      CreateWindowEx(0, u"STATIC", u"", WS_POPUP, 0, 0, 240, 320, nullptr, 0, nullptr, nullptr);
  ASSERT_NE(parent, nullptr);
  EXPECT_EQ(
      CreateHostedControl(u"{00000000-0000-0000-0000-000000000001}", 0, 0, 0, 10, 10, parent, 7),
      nullptr);
  HWND pad = CreateHostedControl(kClassText, 0, 10, 10, 200, 100, parent, 7);
  ASSERT_NE(pad, nullptr);
  IDispatch* control = nullptr;
  EXPECT_EQ(GetHostedControl(parent, &control), E_NOINTERFACE);
  ASSERT_EQ(GetHostedControl(pad, &control), S_OK);
  COleDispatchDriver driver;
  driver.AttachDispatch(control);

  auto pen = [&](UINT message, int x, int y) {
    SendMessage(pad, message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON,
                MAKELPARAM(WORD(x), WORD(y)));
  };
  auto signature = [&](DISPID member) {
    VariantHolder value;
    EXPECT_EQ(driver.InvokeHelper(panel::kDispSignature, DISPATCH_PROPERTYGET, value.get()), S_OK);
    COleDispatchDriver object;
    (*value).pdispVal->AddRef();
    object.AttachDispatch((*value).pdispVal);
    return I4(object, member, DISPATCH_PROPERTYGET);
  };
  pen(WM_LBUTTONDOWN, 5, 5);
  platform::clock::Advance(40);
  pen(WM_MOUSEMOVE, 50, 20);
  platform::clock::Advance(40);
  pen(WM_LBUTTONUP, 90, 30);
  // A move without the pen down is no ink.
  pen(WM_MOUSEMOVE, 10, 90);
  platform::clock::Advance(300);
  pen(WM_LBUTTONDOWN, 20, 80);
  pen(WM_LBUTTONUP, 20, 80);
  EXPECT_EQ(signature(panel::kDispStrokeCount), 2);
  EXPECT_EQ(signature(panel::kDispPointCount), 4);
  EXPECT_EQ(signature(panel::kDispDuration), 380);

  EXPECT_EQ(driver.InvokeHelper(panel::kDispClear, DISPATCH_METHOD, nullptr), S_OK);
  EXPECT_EQ(signature(panel::kDispPointCount), 0);
  pen(WM_LBUTTONDOWN, 0, 0);
  for (int i = 1; i < 12000; ++i) pen(WM_MOUSEMOVE, i % 200, (i / 200) % 100);
  pen(WM_LBUTTONUP, 3, 3);
  EXPECT_EQ(signature(panel::kDispPointCount), int(panel::kMaxPadPoints));

  driver.ReleaseDispatch();
  DestroyWindow(parent);
  CoFreeUnusedLibraries();
  EXPECT_FALSE(Loaded());
  platform::clock::UseReal();
}

TEST(ComRuntime, FreeUnusedLibrariesUnloadsThoseThatAgree) {
  testing_support::TempDevice device(false);
  testing_support::InstallFixture("fixture_signature.ocx", u"\\Windows\\Panel.ocx");
  testing_support::InstallFixture("fixture_module.dll", u"\\Windows\\Busy.dll");
  testing_support::InstallFixture("fixture_noentry.ocx", u"\\Windows\\NoEntry.ocx");
  HMODULE idle = platform::com::LoadComponentLibrary(u"Panel.ocx");
  HMODULE busy = platform::com::LoadComponentLibrary(u"Busy.dll");
  HMODULE silent = platform::com::LoadComponentLibrary(u"NoEntry.ocx");
  ASSERT_NE(idle, nullptr);
  ASSERT_NE(busy, nullptr);
  ASSERT_NE(silent, nullptr);
  // The caller's own reference survives the runtime's.
  HMODULE held = LoadLibrary(u"Panel.ocx");
  EXPECT_EQ(held, idle);

  SetLastError(ERROR_ACCESS_DENIED);
  CoFreeUnusedLibraries();
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_EQ(GetModuleHandle(u"Panel.ocx"), idle);
  EXPECT_EQ(GetModuleHandle(u"Busy.dll"), busy);  // DllCanUnloadNow says S_FALSE
  EXPECT_EQ(GetModuleHandle(u"NoEntry.ocx"), silent);

  FreeLibrary(held);
  EXPECT_EQ(GetModuleHandle(u"Panel.ocx"), nullptr);
  CoFreeUnusedLibraries();  // nothing left to drop for it
  EXPECT_EQ(GetModuleHandle(u"Busy.dll"), busy);

  // Without another reference, the runtime's was the last.
  ASSERT_NE(platform::com::LoadComponentLibrary(u"Panel.ocx"), nullptr);
  CoFreeUnusedLibraries();
  EXPECT_EQ(GetModuleHandle(u"Panel.ocx"), nullptr);
}

}  // namespace
