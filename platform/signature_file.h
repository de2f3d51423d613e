// Signature files: handwriting kept as text, for pda and the scripted user
// to write on the signature pad. UTF-8; blank lines and lines starting with
// '#' are ignored; every other line is one stroke, a blank-separated list
// of points "x,y,t": x and y in pad pixels (decimals allowed), t in
// milliseconds since the first point of the signature, never decreasing.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/windef.h"

namespace platform {

// The signature pad's window class: the component registers it, the
// scripted user looks for it on the dialog on top.
inline constexpr WCHAR kSignaturePadClass[] = u"SignaturePad";

struct SignaturePoint {
  double x = 0;
  double y = 0;
  std::uint32_t t = 0;
};
using SignatureStroke = std::vector<SignaturePoint>;

struct SignatureStrokes {
  std::vector<SignatureStroke> strokes;
  std::size_t PointCount() const;
};

// Coordinates beyond this (either sign) are refused as malformed: no pad
// is that large, and the number must stay exact when made an integer.
inline constexpr double kMaxSignatureCoordinate = 100000;
// Larger files are refused unread.
inline constexpr std::uintmax_t kMaxSignatureFileBytes = 4 * 1024 * 1024;

// Reads `text`; false with "NAME:LINE: reason" (or "NAME: reason") in
// *error for a malformed point, a decreasing time or no point at all.
bool ParseSignatureText(std::string_view text, std::string_view name, SignatureStrokes* strokes,
                        std::string* error);
// The same for a file (its name in the messages); a file that can't be
// read is refused with the reason.
bool ReadSignatureFile(const std::filesystem::path& file, SignatureStrokes* strokes,
                       std::string* error);

}  // namespace platform
