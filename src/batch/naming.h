// Output names: from the input name, the Exif date taken or a serial number, with prefix, suffix, the
// ".jpg" extension and a "+n" suffix when the name is taken.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/exif_reader.h"
#include "engine/params.h"

namespace qv {

enum class NamingRule { kInputName, kExifDate, kSerial };

constexpr int kMaxCollisionSuffix = 9999;

// 1 = date rule, 2 = serial rule, anything else the input-name rule. Chosen once per run or listing.
NamingRule SelectNamingRule(int32_t nameSet);

// True when `date` is a date-time text that may enter a file name: 19 characters "YYYY:MM:DD HH:MM:SS"
// whose 14 date and time positions are ASCII digits, NUL-terminated within the 20 bytes. Anything else
// (a crafted file can store any bytes) counts as no date.
bool IsUsableExifDate(const ExifDateTime& date);

struct NameSource {
  std::wstring inputName;      // last component of the input path, extension included
  int32_t fileIndex = 0;       // 0-based count of inputs already handled
  const ExifDateTime* date = nullptr;
  bool dateFound = false;
};

// The bare output name.
std::wstring MakeOutputName(NamingRule rule, const ConversionParams& params, const NameSource& source);

// The output folder and the bare output name joined with one separator.
std::wstring MakeOutputPath(NamingRule rule, const ConversionParams& params, const NameSource& source,
                            const std::wstring& outputFolder);

// Leaves `path` alone when its name is free in its folder (IsNameTaken: nothing there, not even a
// dangling link, and no name equal to it but for letter case); otherwise replaces it by the first free
// "<path without .jpg>+n.jpg", n = 1..9999. False when all are taken.
bool ResolveCollisionOnDisk(std::wstring& path);

// The same on a bare name against `names` (empty entries are free slots), case ignored.
bool ResolveCollisionInList(std::wstring& name, const std::vector<std::wstring>& names);

}  // namespace qv
