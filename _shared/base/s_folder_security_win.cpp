// The product's reading of a folder's owner and access list: what Windows reports.
#include "s_folder_rights_win.h"

namespace folder_rights {

std::string SecurityText(const std::string& path) {
  return SystemSecurityText(path);
}

}  // namespace folder_rights
