// Output naming rules.
#include "batch/naming.h"

#include <functional>

#include "platform/directory.h"
#include "platform/system_folders.h"

namespace qv {

NamingRule SelectNamingRule(int32_t nameSet) {
  if (nameSet == 1) return NamingRule::kExifDate;
  if (nameSet == 2) return NamingRule::kSerial;
  return NamingRule::kInputName;
}

bool IsUsableExifDate(const ExifDateTime& date) {
  // The 14 digit positions of "YYYY:MM:DD HH:MM:SS"; the separators never enter a name.
  static const int kDigits[] = {0, 1, 2, 3, 5, 6, 8, 9, 11, 12, 14, 15, 17, 18};
  for (int i = 0; i < 19; ++i)
    if (date.text[i] == '\0') return false;
  if (date.text[19] != '\0') return false;
  for (int p : kDigits)
    if (date.text[p] < '0' || date.text[p] > '9') return false;
  return true;
}

namespace {

std::wstring DateBase(const ExifDateTime& date) {
  // Characters 1-4, 6-7, 9-10, "_", 12-13, 15-16, 18-19 (1-based): 2010:05:16 14:03:59 -> 20100516_140359.
  static const int kPositions[] = {0, 1, 2, 3, 5, 6, 8, 9, -1, 11, 12, 14, 15, 17, 18};
  std::wstring base;
  for (int p : kPositions) base += p < 0 ? L'_' : static_cast<wchar_t>(date.text[p]);
  return base;
}

std::wstring SerialBase(const ConversionParams& params, int32_t fileIndex) {
  const int64_t number = static_cast<int64_t>(params.StartNum) + fileIndex;
  std::wstring digits = std::to_wstring(number < 0 ? -number : number);
  std::wstring text = number < 0 ? L"-" + digits : digits;
  if (static_cast<int64_t>(text.size()) < params.DigitNum)
    text.insert(0, static_cast<size_t>(params.DigitNum) - text.size(), L'0');
  return text;
}

std::wstring WithoutExtension(const std::wstring& name) {
  const size_t dot = name.rfind(L'.');
  return dot == std::wstring::npos ? name : name.substr(0, dot);
}

// Finds the first free "<stem>+n.jpg" for a taken "<stem>.jpg".
bool ResolveCollision(std::wstring& candidate, const std::function<bool(const std::wstring&)>& taken) {
  if (!taken(candidate)) return true;
  const std::wstring stem = WithoutExtension(candidate) + L"+";
  for (int n = 1; n <= kMaxCollisionSuffix; ++n) {
    std::wstring next = stem + std::to_wstring(n) + L".jpg";
    if (!taken(next)) {
      candidate = std::move(next);
      return true;
    }
  }
  return false;
}

}  // namespace

std::wstring MakeOutputName(NamingRule rule, const ConversionParams& params, const NameSource& source) {
  std::wstring base;
  if (rule == NamingRule::kExifDate && source.dateFound && source.date != nullptr && IsUsableExifDate(*source.date))
    base = DateBase(*source.date);
  else if (rule == NamingRule::kSerial)
    base = SerialBase(params, source.fileIndex);
  else
    base = WithoutExtension(source.inputName);
  std::wstring name = params.TopAdd == 1 ? params.TopStr : std::wstring();
  name += base;
  if (params.EndAdd == 1) name += params.EndStr;
  name += L".jpg";
  return name;
}

std::wstring MakeOutputPath(NamingRule rule, const ConversionParams& params, const NameSource& source,
                            const std::wstring& outputFolder) {
  return JoinPath(outputFolder, MakeOutputName(rule, params, source));
}

bool ResolveCollisionOnDisk(std::wstring& path) {
  return ResolveCollision(path, [](const std::wstring& p) { return IsNameTaken(p); });
}

bool ResolveCollisionInList(std::wstring& name, const std::vector<std::wstring>& names) {
  return ResolveCollision(name, [&names](const std::wstring& candidate) {
    for (const std::wstring& entry : names)
      if (!entry.empty() && NamesEqualIgnoringCase(entry, candidate)) return true;
    return false;
  });
}

}  // namespace qv
