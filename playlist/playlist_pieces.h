// The playlist's text read in pieces, for speed and memory: a load hands
// each piece to its records as soon as its entries are read, and a list of
// any size is never a second whole copy. The pieces parse as the whole text
// does; PiecesParseAsTheWholeText in the tests sets them against one read.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "support/file_system.h"

namespace voltrak {

// Reads a whole playlist text as pieces of about `pieceSize` bytes, each
// ending where the entries parse, and count, as within the whole text. A
// read that fails gives its error and no text.
uint32_t ReadPlaylistText(FileSystem& files, std::string_view path,
                          std::vector<std::string>* pieces, size_t pieceSize = size_t{1} << 20);

}  // namespace voltrak
