// Field numbers and button ids of the output settings page.
#include "forms/output_settings_form.h"

#include <algorithm>
#include <climits>
#include <cwctype>

#include "resources/resource.h"

namespace qv {

int32_t ParseFieldNumber(const std::wstring& text) {
  size_t i = 0;
  while (i < text.size() && std::iswspace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) negative = text[i++] == L'-';
  int64_t value = 0;
  for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
    value = value * 10 + (text[i] - L'0');
    if (value > static_cast<int64_t>(INT32_MAX) + 1) value = static_cast<int64_t>(INT32_MAX) + 1;
  }
  if (negative) value = -value;
  return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

int ScaleButtonId(int32_t scaleNum) {
  if (scaleNum < 1 || scaleNum > 16 || scaleNum == 8) return 0;
  return IDC_SCALE_BASE + scaleNum;
}

int NamingButtonId(int32_t nameSet) { return nameSet >= 0 && nameSet <= 2 ? IDC_NAME_INPUT + nameSet : IDC_NAME_INPUT; }

}  // namespace qv
