#include "panel/pad_control.h"

#include <algorithm>

#include "panel/dispatch_ids.h"
#include "panel/signature_object.h"
#include "platform/kernel.h"
#include "platform/signature_file.h"
#include "platform/ui/gfx/gdi.h"
#include "platform/ui/window/control_host.h"
#include "platform/ui/window/window_dc.h"

namespace panel {
namespace {

bool g_classRegistered = false;

constexpr COLORREF kInk = RGB(0, 0, 128);
constexpr COLORREF kFrame = RGB(128, 128, 128);
constexpr int kInkWidth = 2;

POINT PointOf(LPARAM lParam) {
  return {static_cast<short>(LOWORD(static_cast<DWORD>(lParam))),
          static_cast<short>(HIWORD(static_cast<DWORD>(lParam)))};
}

}  // namespace

HWND PadControl::CreateWindowFor(HWND parent, UINT id, DWORD style, const RECT& place) {
  if (!g_classRegistered) {
    WNDCLASS windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.lpszClassName = platform::kSignaturePadClass;
    if (RegisterClass(&windowClass) == 0) return nullptr;
    g_classRegistered = true;
  }
  PadControl* pad = new PadControl();
  // The window takes the creator's reference and drops it when destroyed.
  HWND window =
      CreateWindowEx(0, platform::kSignaturePadClass, u"", style | WS_CHILD, place.left, place.top,
                     place.right - place.left, place.bottom - place.top, parent, id, nullptr, pad);
  if (window == nullptr && pad->m_hWnd == nullptr) pad->Release();
  return window;
}

void PadControl::UnregisterWindowClass() {
  if (!g_classRegistered) return;
  UnregisterClass(platform::kSignaturePadClass, nullptr);
  g_classRegistered = false;
}

LRESULT PadControl::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* pad = reinterpret_cast<PadControl*>(GetWindowLong(window, GWL_USERDATA));
  if (message == WM_CREATE) {
    pad = static_cast<PadControl*>(reinterpret_cast<CREATESTRUCT*>(lParam)->lpCreateParams);
    pad->m_hWnd = window;
    SetWindowLong(window, GWL_USERDATA, reinterpret_cast<LONG_PTR>(pad));
    return 0;
  }
  if (pad == nullptr) return DefWindowProc(window, message, wParam, lParam);
  switch (message) {
    case WM_GETCONTROLDISPATCH:
      if (lParam == 0) return FALSE;
      pad->AddRef();
      *reinterpret_cast<IDispatch**>(lParam) = pad;
      return TRUE;
    case WM_LBUTTONDOWN:
      pad->PenDown(PointOf(lParam));
      return 0;
    case WM_MOUSEMOVE:
      if (wParam & MK_LBUTTON) pad->PenMove(PointOf(lParam));
      return 0;
    case WM_LBUTTONUP:
      pad->PenUp(PointOf(lParam));
      return 0;
    case WM_PAINT:
      pad->Paint();
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_NCDESTROY:
      SetWindowLong(window, GWL_USERDATA, 0);
      pad->m_hWnd = nullptr;
      pad->Release();
      return 0;
    default:
      return DefWindowProc(window, message, wParam, lParam);
  }
}

void PadControl::PenDown(POINT at) {
  if (m_penDown) PenUp(at);
  if (m_points >= kMaxPadPoints) return;
  SetCapture(m_hWnd);
  m_penDown = true;
  if (m_signature.strokes.empty()) m_firstTick = GetTickCount();
  m_signature.strokes.emplace_back();
  AddPoint(at);
}

void PadControl::PenMove(POINT at) {
  if (m_penDown) AddPoint(at);
}

void PadControl::PenUp(POINT at) {
  if (!m_penDown) return;
  AddPoint(at);
  m_penDown = false;
  if (GetCapture() == m_hWnd) ReleaseCapture();
}

void PadControl::AddPoint(POINT at) {
  if (m_points >= kMaxPadPoints) return;
  RECT client{};
  GetClientRect(m_hWnd, &client);
  const float x = float(std::clamp<LONG>(at.x, 0, std::max<LONG>(client.right - 1, 0)));
  const float y = float(std::clamp<LONG>(at.y, 0, std::max<LONG>(client.bottom - 1, 0)));
  PenStroke& stroke = m_signature.strokes.back();
  // A pen resting in place adds nothing but time.
  if (!stroke.empty() && stroke.back().x == x && stroke.back().y == y) return;
  const PenPoint point{x, y, GetTickCount() - m_firstTick};
  RECT dirty{LONG(x) - kInkWidth, LONG(y) - kInkWidth, LONG(x) + kInkWidth + 1,
             LONG(y) + kInkWidth + 1};
  if (!stroke.empty()) {
    dirty.left = std::min(dirty.left, LONG(stroke.back().x) - kInkWidth);
    dirty.top = std::min(dirty.top, LONG(stroke.back().y) - kInkWidth);
    dirty.right = std::max(dirty.right, LONG(stroke.back().x) + kInkWidth + 1);
    dirty.bottom = std::max(dirty.bottom, LONG(stroke.back().y) + kInkWidth + 1);
  }
  stroke.push_back(point);
  ++m_points;
  InvalidateRect(m_hWnd, &dirty, FALSE);
}

void PadControl::Clear() {
  m_signature.strokes.clear();
  m_points = 0;
  m_penDown = false;
  if (GetCapture() == m_hWnd) ReleaseCapture();
  InvalidateRect(m_hWnd, nullptr, TRUE);
}

void PadControl::Paint() {
  PAINTSTRUCT paint{};
  HDC dc = BeginPaint(m_hWnd, &paint);
  RECT client{};
  GetClientRect(m_hWnd, &client);
  FillRect(dc, &client, reinterpret_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  HBRUSH frame = CreateSolidBrush(kFrame);
  FrameRect(dc, &client, frame);
  DeleteObject(frame);
  HPEN ink = CreatePen(PS_SOLID, kInkWidth, kInk);
  HGDIOBJ oldPen = SelectObject(dc, ink);
  std::vector<POINT> line;
  for (const PenStroke& stroke : m_signature.strokes) {
    line.clear();
    for (const PenPoint& p : stroke) line.push_back({LONG(p.x), LONG(p.y)});
    // A dot is a stroke of one point: drawn as a short line so it shows.
    if (line.size() == 1) line.push_back({line[0].x + 1, line[0].y});
    Polyline(dc, line.data(), int(line.size()));
  }
  SelectObject(dc, oldPen);
  DeleteObject(ink);
  EndPaint(m_hWnd, &paint);
}

HRESULT PadControl::Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS* params,
                           VARIANT* result, EXCEPINFO*, UINT*) {
  const Arguments args(params);
  if (member == kDispSignature && (flags & DISPATCH_PROPERTYGET)) {
    if (result == nullptr) return E_POINTER;
    VariantInit(result);
    result->vt = VT_DISPATCH;
    result->pdispVal = new SignatureObject(m_signature);
    return S_OK;
  }
  if (member == kDispSignature && (flags & DISPATCH_PROPERTYPUT)) {
    const VARIANT* value = args.Arg(0);
    if (value == nullptr || args.Count() != 1) return DISP_E_BADPARAMCOUNT;
    if (value->vt != VT_DISPATCH) return DISP_E_TYPEMISMATCH;
    IDispatch* holder = nullptr;
    const Signature* signature = SignatureObject::From(value->pdispVal, &holder);
    if (signature == nullptr) return DISP_E_TYPEMISMATCH;
    Clear();
    m_signature = *signature;
    holder->Release();
    for (const PenStroke& stroke : m_signature.strokes) m_points += stroke.size();
    InvalidateRect(m_hWnd, nullptr, TRUE);
    return S_OK;
  }
  if (member == kDispClear && (flags & DISPATCH_METHOD)) {
    if (args.Count() != 0) return DISP_E_BADPARAMCOUNT;
    Clear();
    return S_OK;
  }
  return DISP_E_MEMBERNOTFOUND;
}

}  // namespace panel
