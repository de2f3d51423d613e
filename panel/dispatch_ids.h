// The dispatch ids of the signature component's two faces, as hosts call
// them. Ids 1-6 of the engine and 1-2 of the pad are what the logon module
// relies on; the engine's 7 and 8 are the component's own additions for
// tools that show how close a signature came.
#pragma once

#include "platform/com_interfaces.h"

namespace panel {

// The pad control.
inline constexpr DISPID kDispSignature = 1;  // get: a signature object; put: show one
inline constexpr DISPID kDispClear = 2;      // method: empty the pad

// The engine "Panel.Client.1".
inline constexpr DISPID kDispAddSample = 1;         // method (signature, I4 slot)
inline constexpr DISPID kDispCheckConsistency = 2;  // method -> I4
inline constexpr DISPID kDispGetTemplate = 3;       // method (BSTR* out) -> I4 0
inline constexpr DISPID kDispVerify = 4;            // method (signature) -> I4
inline constexpr DISPID kDispSampleCount = 5;       // get -> I4
inline constexpr DISPID kDispTemplate = 6;          // get -> BSTR; put BSTR
inline constexpr DISPID kDispScore = 7;             // method (signature) -> R8
inline constexpr DISPID kDispThreshold = 8;         // get -> R8

// A signature object (the component's own, for tools and tests).
inline constexpr DISPID kDispPointCount = 1;   // get -> I4
inline constexpr DISPID kDispStrokeCount = 2;  // get -> I4
inline constexpr DISPID kDispDuration = 3;     // get -> I4: ms from first to last point

// The most points a pad keeps of one signature; later input is dropped.
inline constexpr std::size_t kMaxPadPoints = 10000;

}  // namespace panel
