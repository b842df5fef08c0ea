#include "remittance_folder.h"

#include <algorithm>

#include "folder_listing.h"

namespace remittance {
namespace {

bool hasXmlExtension(const std::filesystem::path& name) {
  const auto& text = name.native();
  constexpr std::size_t kLength = 4;  // ".xml"
  if (text.size() <= kLength) return false;
  const auto lower = [](auto c) { return (c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c; };
  const auto tail = text.substr(text.size() - kLength);
  return tail[0] == '.' && lower(tail[1]) == 'x' && lower(tail[2]) == 'm' && lower(tail[3]) == 'l';
}

}  // namespace

std::filesystem::path remittanceFolder() {
  return executableFolder() / "remesas" / "";
}

std::vector<std::filesystem::path> listRemittances(const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> names = listVisibleRegularFiles(folder);
  std::erase_if(names, [](const auto& name) { return !hasXmlExtension(name); });
  std::sort(names.begin(), names.end(), lessIgnoringCase);
  return names;
}

}  // namespace remittance
