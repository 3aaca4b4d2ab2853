#include "playlist/playlist_pieces.h"

#include <algorithm>
#include <memory>
#include <new>

#include "playlist/m3u_format.h"

namespace voltrak {
namespace {

// Where a piece of playlist text may end so that it parses, and counts, as
// the same bytes do within the whole text: at the start of a line whose
// line before is a path line, so that no "#" line waits for the next entry,
// and not the first line of `text`, which may start with the byte-order
// mark that the parse takes off before it looks for "#"; and where what
// follows cannot be taken for the byte-order mark or the header that the
// parse takes off the start of a text. npos when there is no such place
// after `from`: the places up to it were looked at before, when the text
// ended there, and the verdict on them stands.
size_t PieceEnd(std::string_view text, size_t from) {
  auto isLineEnd = [](char c) { return c == '\r' || c == '\n'; };
  size_t cut = text.size();
  while (cut > from && !isLineEnd(text[cut - 1])) --cut;
  while (cut > from) {
    size_t lineEnd = cut;
    while (lineEnd > 0 && isLineEnd(text[lineEnd - 1])) --lineEnd;
    size_t lineStart = lineEnd;
    while (lineStart > 0 && !isLineEnd(text[lineStart - 1])) --lineStart;
    if (lineStart > 0 && text[lineStart] != '#' && !CouldStartAsTextStarts(text.substr(cut))) {
      return cut;
    }
    cut = lineStart;
  }
  return std::string_view::npos;
}

// Beyond the byte-order mark and the header, what follows a place to cut
// no longer changes whether it is one.
constexpr size_t kVerdictMargin = 16;

}  // namespace

uint32_t ReadPlaylistText(FileSystem& files, std::string_view path,
                          std::vector<std::string>* pieces, size_t pieceSize) {
  pieceSize = std::max<size_t>(pieceSize, 1);
  uint32_t error = kErrorSuccess;
  std::unique_ptr<InputFile> file = files.Open(path, &error);
  if (!file) return error;
  try {
    std::string piece;
    size_t searched = 0;
    uint64_t total = 0;
    for (;;) {
      // No more room than the file is said to need, and a little over to
      // see its end: most lists are small, and their loads many.
      const uint64_t left = file->Size() > total ? file->Size() - total : 0;
      const size_t want =
          static_cast<size_t>(std::min<uint64_t>(pieceSize, std::max<uint64_t>(left + 1, 4096)));
      const size_t filled = piece.size();
      piece.resize(filled + want);
      size_t got = 0;
      error = file->Read(piece.data() + filled, want, &got);
      piece.resize(filled + got);
      total += got;
      // A read that fails is no end of the text: a list cut short there and
      // written back would lose the rest for good.
      if (error != kErrorSuccess) {
        pieces->clear();
        return error;
      }
      if (got == 0) break;
      if (piece.size() < pieceSize) continue;
      const size_t end = PieceEnd(piece, searched);
      if (end == std::string_view::npos) {
        // One long entry: read on, and look only at what comes, or a text
        // without a place to cut would be searched again from its start at
        // every read. Near the old end what follows decides, so look again.
        searched = piece.size() - std::min(piece.size(), kVerdictMargin);
        continue;
      }
      searched = 0;
      std::string rest = piece.substr(end);
      piece.resize(end);
      pieces->push_back(std::move(piece));
      piece = std::move(rest);
    }
    if (!piece.empty()) pieces->push_back(std::move(piece));
  } catch (const std::bad_alloc&) {
    pieces->clear();
    return kErrorNotEnoughMemory;
  }
  return kErrorSuccess;
}

}  // namespace voltrak
