#include "device/signature_command.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <memory>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>

#include "panel/dispatch_ids.h"
#include "platform/clock.h"
#include "platform/com.h"
#include "platform/modules.h"
#include "platform/signature_file.h"
#include "platform/ui/afx/afx_dispatch_driver.h"
#include "platform/ui/window/control_host.h"
#include "platform/ui/window/messages.h"
#include "platform/ui/window/screen.h"
#include "platform/ui/window/window.h"
#include "platform/wstring.h"

namespace pda {
namespace {

constexpr WCHAR kProgId[] = u"Panel.Client.1";
constexpr WCHAR kPadClassId[] = u"{5281D351-DC25-4153-8A45-79705258FF18}";
constexpr WCHAR kLibrary[] = u"\\Windows\\Panel.ocx";
constexpr WCHAR kHostClass[] = u"PdaSignatureHost";

using RegisterProc = HRESULT (*)();

// Registers the component the way the installation does, when the device
// has not done so yet.
bool EnsureRegistered(std::ostream& err) {
  CLSID clsid{};
  if (SUCCEEDED(CLSIDFromProgID(kProgId, &clsid))) return true;
  HMODULE library = LoadLibrary(kLibrary);
  if (library == nullptr) {
    err << "pda: signature: \\Windows\\Panel.ocx does not load\n";
    return false;
  }
  auto registerServer =
      reinterpret_cast<RegisterProc>(GetProcAddress(library, "DllRegisterServer"));
  const bool ok = registerServer != nullptr && registerServer() == S_OK;
  FreeLibrary(library);
  if (!ok) err << "pda: signature: \\Windows\\Panel.ocx does not register\n";
  return ok;
}

// A hidden window holding a pad control that no person sees: the files'
// strokes reach it as the pen messages a stylus would cause.
class HiddenPad {
 public:
  bool Create(std::ostream& err) {
    WNDCLASS windowClass{};
    windowClass.lpfnWndProc = DefWindowProc;
    windowClass.lpszClassName = kHostClass;
    RegisterClass(&windowClass);
    namespace screen = platform::ui::screen;
    host_ = CreateWindowEx(0, kHostClass, u"", WS_POPUP, 0, 0, screen::kWidth, screen::kHeight,
                           nullptr, 0, nullptr, nullptr);
    // The pad as large as the screen: every point of a file lands as written.
    if (host_ != nullptr)
      pad_ = CreateHostedControl(kPadClassId, 0, 0, 0, screen::kWidth, screen::kHeight, host_, 1);
    if (pad_ == nullptr) {
      err << "pda: signature: the signature pad control cannot be created\n";
      return false;
    }
    IDispatch* control = nullptr;
    if (FAILED(GetHostedControl(pad_, &control))) return false;
    control_.AttachDispatch(control);
    return true;
  }
  ~HiddenPad() {
    control_.ReleaseDispatch();
    if (host_ != nullptr) DestroyWindow(host_);
    UnregisterClass(kHostClass, nullptr);
  }

  // Writes the strokes on an empty pad with their timing on the device
  // clock and returns the pad's signature object (a reference for the
  // caller), or null.
  IDispatch* Write(const platform::SignatureStrokes& strokes) {
    control_.InvokeHelper(panel::kDispClear, DISPATCH_METHOD, nullptr);
    const DWORD start = platform::clock::Now();
    for (const platform::SignatureStroke& stroke : strokes.strokes) {
      for (std::size_t i = 0; i < stroke.size(); ++i) {
        Pen(i == 0 ? WM_LBUTTONDOWN : WM_MOUSEMOVE, stroke[i], start);
      }
      if (!stroke.empty()) Pen(WM_LBUTTONUP, stroke.back(), start);
    }
    VariantHolder result;
    if (FAILED(control_.InvokeHelper(panel::kDispSignature, DISPATCH_PROPERTYGET, result.get())) ||
        (*result).vt != VT_DISPATCH || (*result).pdispVal == nullptr)
      return nullptr;
    (*result).pdispVal->AddRef();
    return (*result).pdispVal;
  }

 private:
  void Pen(UINT message, const platform::SignaturePoint& point, DWORD start) {
    const DWORD due = start + point.t;
    const DWORD now = platform::clock::Now();
    if (static_cast<LONG>(due - now) > 0) platform::clock::Advance(due - now);
    const auto x = static_cast<short>(std::lround(point.x));
    const auto y = static_cast<short>(std::lround(point.y));
    SendMessage(pad_, message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON,
                MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)));
  }

  HWND host_ = nullptr;
  HWND pad_ = nullptr;
  COleDispatchDriver control_;
};

// What every command needs: the files read, the component registered, the
// engine and the pad made, on the virtual clock.
class SignatureJob {
 public:
  ~SignatureJob() {
    engine_.ReleaseDispatch();
    pad_.reset();
    CoFreeUnusedLibraries();
    platform::clock::UseReal();
  }

  bool Start(std::ostream& err) {
    platform::clock::UseVirtual(0);
    if (!EnsureRegistered(err)) return false;
    HRESULT hr = S_OK;
    if (!engine_.CreateDispatch(kProgId, &hr)) {
      err << "pda: signature: the engine Panel.Client.1 cannot be created (0x" << std::hex
          << static_cast<DWORD>(hr) << std::dec << ")\n";
      return false;
    }
    pad_ = std::make_unique<HiddenPad>();
    return pad_->Create(err);
  }

  IDispatch* Write(const platform::SignatureStrokes& strokes) { return pad_->Write(strokes); }
  COleDispatchDriver& engine() { return engine_; }

 private:
  COleDispatchDriver engine_;
  std::unique_ptr<HiddenPad> pad_;
};

struct DispatchRelease {
  void operator()(IDispatch* object) const {
    if (object != nullptr) object->Release();
  }
};
using DispatchPtr = std::unique_ptr<IDispatch, DispatchRelease>;

std::optional<std::vector<platform::SignatureStrokes>> ReadAll(
    const std::vector<std::filesystem::path>& files, std::ostream& err) {
  std::vector<platform::SignatureStrokes> all;
  bool ok = true;
  for (const auto& file : files) {
    platform::SignatureStrokes strokes;
    std::string error;
    if (!platform::ReadSignatureFile(file, &strokes, &error)) {
      err << "pda: signature: " << error << '\n';
      ok = false;
    }
    all.push_back(std::move(strokes));
  }
  if (!ok) return std::nullopt;
  return all;
}

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.4f", value);
  return text;
}

double R8(const VariantHolder& value) {
  return (*value).vt == VT_R8 ? (*value).dblVal : 0;
}

}  // namespace

int SignatureEnroll(const std::vector<std::filesystem::path>& files, std::ostream& out,
                    std::ostream& err) {
  if (files.size() < kMinimumEnrollmentFiles) {
    err << "pda: signature enroll: give at least " << kMinimumEnrollmentFiles
        << " signature files, one per sample\n";
    return kExitSignatureUnreadable;
  }
  const auto samples = ReadAll(files, err);
  if (!samples) return kExitSignatureUnreadable;
  SignatureJob job;
  if (!job.Start(err)) return kExitSignatureUnreadable;
  for (std::size_t i = 0; i < samples->size(); ++i) {
    DispatchPtr signature(job.Write((*samples)[i]));
    if (!signature ||
        FAILED(job.engine().InvokeHelper(panel::kDispAddSample, DISPATCH_METHOD, nullptr,
                                         {VariantDispatch(signature.get()), VariantI4(-1)}))) {
      err << "pda: signature enroll: " << files[i].string() << ": the engine refused the sample\n";
      return kExitSignatureUnreadable;
    }
  }
  VariantHolder check;
  job.engine().InvokeHelper(panel::kDispCheckConsistency, DISPATCH_METHOD, check.get());
  if ((*check).vt != VT_I4) {
    err << "pda: signature enroll: the engine gave no consistency result\n";
    return kExitSignatureUnreadable;
  }
  if ((*check).lVal != -1) {
    out << "inconsistent " << (*check).lVal + 1 << '\n';
    return kExitSignatureInconsistent;
  }
  BSTR text = nullptr;
  job.engine().InvokeHelper(panel::kDispGetTemplate, DISPATCH_METHOD, nullptr,
                            {VariantBstrOut(&text)});
  const std::u16string reference(text == nullptr ? u"" : std::u16string(text, SysStringLen(text)));
  SysFreeString(text);
  if (reference.empty()) {
    err << "pda: signature enroll: the engine gave no template\n";
    return kExitSignatureUnreadable;
  }
  out << platform::ToUtf8(reference) << '\n';
  return 0;
}

int SignatureVerify(const std::filesystem::path& templateFile,
                    const std::vector<std::filesystem::path>& files, std::ostream& out,
                    std::ostream& err) {
  std::ifstream in(templateFile, std::ios::binary);
  std::ostringstream bytes;
  if (in) bytes << in.rdbuf();
  if (!in.is_open() || in.bad()) {
    err << "pda: signature verify: " << templateFile.string() << ": cannot be read\n";
    return kExitSignatureUnreadable;
  }
  std::string text = bytes.str();
  // The template as enroll printed it: one line.
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();

  SignatureJob job;
  if (!job.Start(err)) return kExitSignatureUnreadable;
  const std::u16string reference = platform::FromUtf8(text);
  BSTR value = SysAllocStringLen(reference.data(), static_cast<UINT>(reference.size()));
  const HRESULT put = job.engine().InvokeHelper(panel::kDispTemplate, DISPATCH_PROPERTYPUT, nullptr,
                                                {VariantBstr(value)});
  SysFreeString(value);
  if (FAILED(put)) {
    err << "pda: signature verify: " << templateFile.string()
        << ": the engine does not accept this template\n";
    return kExitSignatureUnreadable;
  }
  VariantHolder threshold;
  job.engine().InvokeHelper(panel::kDispThreshold, DISPATCH_PROPERTYGET, threshold.get());
  out << "threshold " << Number(R8(threshold)) << '\n';

  int status = 0;
  for (const auto& file : files) {
    platform::SignatureStrokes strokes;
    std::string error;
    if (!platform::ReadSignatureFile(file, &strokes, &error)) {
      err << "pda: signature: " << error << '\n';
      status = kExitSignatureUnreadable;
      continue;
    }
    DispatchPtr signature(job.Write(strokes));
    VariantHolder match;
    VariantHolder score;
    job.engine().InvokeHelper(panel::kDispVerify, DISPATCH_METHOD, match.get(),
                              {VariantDispatch(signature.get())});
    job.engine().InvokeHelper(panel::kDispScore, DISPATCH_METHOD, score.get(),
                              {VariantDispatch(signature.get())});
    const bool matched = (*match).vt == VT_I4 && (*match).lVal != 0;
    out << file.string() << (matched ? " match " : " reject ") << Number(R8(score)) << '\n';
  }
  return status;
}

}  // namespace pda
