// What the output settings page computes from its fields and shows in its buttons, without windows: the
// number read from a field, the size sample, and the buttons that stand for a scale and a naming rule.
// Portable: the page calls it, the unit tests check it on every platform.
#pragma once

#include <cstdint>
#include <string>

namespace qv {

// The result of the size sample: `sample` pixels decoded at `scaleNum`/8, i.e. (sample × scaleNum + 7) / 8
// with division truncating toward zero. Computed in 64 bits so that any stored ScaleNum is safe.
inline int64_t SizeSampleResult(int32_t sample, int32_t scaleNum) {
  return (static_cast<int64_t>(sample) * scaleNum + 7) / 8;
}

// The number at the start of `text` (an optional sign, then decimal digits, leading blanks skipped),
// saturated to the 32-bit range; 0 when there are no digits.
int32_t ParseFieldNumber(const std::wstring& text);

// Id of the scale button that shows `scaleNum` (1151-1166), or 0 when no button stands for it
// (8/8 and anything outside 1-16).
int ScaleButtonId(int32_t scaleNum);

// Id of the naming button that shows `nameSet`: 1171 + nameSet for 0-2; 1171 for any other value,
// which the naming rules treat as 0.
int NamingButtonId(int32_t nameSet);

}  // namespace qv
