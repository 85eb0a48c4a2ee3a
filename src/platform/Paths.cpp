#include "platform/Host.h"

namespace lumivane {

std::u16string FolderOf(const std::u16string& path) {
  size_t slash = path.find_last_of(u"\\/");
  if (slash == std::u16string::npos) return {};
  std::u16string folder = path.substr(0, slash);
  while (!folder.empty() && (folder.back() == u'\\' || folder.back() == u'/'))
    folder.pop_back();
  return folder;
}

} // namespace lumivane
