#include "remittance_names.h"

#include <algorithm>

namespace remittance {
namespace {

constexpr std::wstring_view kExtension = L".xml";
constexpr std::wstring_view kNotInNames = L"\\/:*?\"<>|";

wchar_t lowerAscii(wchar_t c) {
  return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

bool isAllowedInNames(wchar_t c) {
  return c >= 0x20 && kNotInNames.find(c) == std::wstring_view::npos;
}

}  // namespace

bool isRemittanceName(std::wstring_view name) {
  if (name.size() <= kExtension.size()) return false;
  const std::wstring_view extension = name.substr(name.size() - kExtension.size());
  return std::equal(extension.begin(), extension.end(), kExtension.begin(),
                    [](wchar_t a, wchar_t b) { return lowerAscii(a) == b; }) &&
         std::all_of(name.begin(), name.end(), isAllowedInNames);
}

}  // namespace remittance
