// The caption under which the window and the command line report a system
// error code, so that both name the reporting place alike.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace voltrak {

// "Error %u lookup from line %u of %s." with the file name cut to its last
// part, so that the build's folders never show.
std::string SystemErrorCaption(uint32_t code, unsigned line, std::string_view sourceFile);

}  // namespace voltrak
