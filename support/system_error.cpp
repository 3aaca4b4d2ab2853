#include "support/system_error.h"

#include <cstdio>

namespace voltrak {

std::string SystemErrorCaption(uint32_t code, unsigned line, std::string_view sourceFile) {
  size_t cut = sourceFile.find_last_of("/\\");
  if (cut != std::string_view::npos) sourceFile.remove_prefix(cut + 1);
  // The reporting routine's buffer holds 4096 bytes.
  char caption[4096];
  std::snprintf(caption, sizeof caption, "Error %u lookup from line %u of %.*s.", code, line,
                static_cast<int>(sourceFile.size()), sourceFile.data());
  return caption;
}

}  // namespace voltrak
