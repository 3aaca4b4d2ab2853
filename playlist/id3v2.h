// ID3v2 tags at the start of a track file: the bytes they take, and their
// texts made into the ID3v1 block the program reads and shows.
//
// A file with both kinds of tag keeps its ID3v1 tag: the caller asks for
// this block only when the file's last 128 bytes hold none.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "playlist/track_record.h"

namespace voltrak {

// "ID3", the version, the flags and the size: what a tag starts with.
inline constexpr size_t kId3v2HeaderSize = 10;

// The bytes the ID3v2 tag at the start of `head` takes in the file: its
// header, its body and, for a 2.4 tag that says so, its footer. None when
// `head` does not start with a whole tag header ("ID3", a version and
// revision below 255, a size of four 7-bit bytes).
std::optional<uint64_t> Id3v2TagSize(std::string_view head);

// The ID3v1 block holding the texts of the ID3v2 (2.2, 2.3 or 2.4) tag at
// the start of `head`: title, artist, album, year, comment, track number
// (ID3v1.1 form, where the comment leaves room) and genre (255 when none
// names one of the ID3v1 list). Texts are in ISO-8859-1, a character
// without a byte of its own as '?', each cut at its field's length.
//
// `head` may end before the tag does: the frames wholly inside it count.
// Writers put the texts first and pictures last, so the 4 KiB a caller
// reads at the file's start for the audio (kAudioHeadSize) holds them in
// all but odd files; Id3v2TagSize says how much more there is. None when there is no tag of those versions, or none of its frames gives
// one of the fields.
std::optional<Id3v1Block> Id3v1FromId3v2(std::string_view head);

}  // namespace voltrak
