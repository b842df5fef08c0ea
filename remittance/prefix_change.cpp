#include "prefix_change.h"

#include <string_view>

namespace remittance {
namespace {

constexpr std::string_view kTag = "<MsgId>";
constexpr std::string_view kCollectionPrefix = "PRE";
constexpr std::string_view kFinancingPrefix = "FSDD";

}  // namespace

bool changeMessageIdPrefix(Document& document) {
  const std::string_view text = document.text();
  const std::size_t tag = text.find(kTag);
  if (tag == std::string_view::npos) return false;

  const std::size_t prefix = tag + kTag.size();
  if (text.substr(prefix, kCollectionPrefix.size()) != kCollectionPrefix) return false;

  document.replace(prefix, kCollectionPrefix.size(), kFinancingPrefix);
  return true;
}

}  // namespace remittance
