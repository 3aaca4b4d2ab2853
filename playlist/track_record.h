// One playlist entry and the store of all entries.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/path_shape.h"

namespace voltrak {

// The ID3v1 block: the last 128 bytes of a track file.
using Id3v1Block = std::array<unsigned char, 128>;

// Byte offsets and lengths of the ID3v1 fields.
enum : size_t {
  kTagMarkerOffset = 0,
  kTagTitleOffset = 3,
  kTagArtistOffset = 33,
  kTagAlbumOffset = 63,
  kTagYearOffset = 93,
  kTagCommentOffset = 97,
  kTagGenreOffset = 127,
  kTagTextLength = 30,
  kTagYearLength = 4,
};

// Text that records hold parts of: a piece of the playlist file as it was
// read, or one record's own texts. Every record holding a part counts, and
// the block goes with the last of them; records live on one thread, so the
// count needs no lock. Held this way, a list's texts cost no copy and no
// allocation of their own per entry.
class TextBlock {
 public:
  // A new block holding `text`, counted once for the caller (see Ref).
  static TextBlock* Make(std::string text);
  std::string_view Text() const { return text_; }
  void Hold() { ++holders_; }
  void Release() {
    if (--holders_ == 0) delete this;
  }

 private:
  explicit TextBlock(std::string text) : text_(std::move(text)) {}
  std::string text_;
  uint32_t holders_ = 1;
};

// One count of a TextBlock, let go when this goes.
class TextBlockRef {
 public:
  explicit TextBlockRef(std::string text) : block_(TextBlock::Make(std::move(text))) {}
  ~TextBlockRef() { block_->Release(); }
  TextBlockRef(const TextBlockRef&) = delete;
  TextBlockRef& operator=(const TextBlockRef&) = delete;
  TextBlock& operator*() const { return *block_; }
  std::string_view Text() const { return block_->Text(); }

 private:
  TextBlock* block_;
};

// Where a record's play length came from: its "#EXTINF:" line, the audio
// of its file, or nowhere (0 seconds).
enum class LengthSource : uint8_t { kNone, kExtinf, kMeasured };

// A playlist entry. Move-only: its texts and tag have exactly one holder
// among the records, and a moved-from record keeps nothing. The display
// name is derived again by every setter, so it always follows the texts.
class MP3Information {
 public:
  MP3Information() = default;
  MP3Information(MP3Information&& other) noexcept;
  MP3Information& operator=(MP3Information&& other) noexcept;
  MP3Information(const MP3Information&) = delete;
  MP3Information& operator=(const MP3Information&) = delete;
  ~MP3Information();

  uint32_t FileSize = 0;     // kilobytes, rounded down
  uint32_t PlayLength = 0;   // seconds
  uint32_t Volume = 0;       // 0-based, set by planning
  uint32_t VolumeTrack = 0;  // 0-based position in the volume
  int32_t Loaded = 0;        // 1 when the file was opened during the load
  LengthSource LengthFrom = LengthSource::kNone;

  // The "#" line before the path and the path line, without line ends.
  std::optional<std::string_view> ExtendedInfo() const {
    return Has(kHasInfo) ? std::optional<std::string_view>(Text(infoOffset_, infoSize_))
                         : std::nullopt;
  }
  std::optional<std::string_view> FilePath() const {
    return Has(kHasPath) ? std::optional<std::string_view>(Text(pathOffset_, pathSize_))
                         : std::nullopt;
  }
  // Both texts as the record's own copies. May throw std::bad_alloc, which
  // leaves the record as it was.
  void SetTexts(std::optional<std::string_view> info, std::optional<std::string_view> path);
  // A new path, the extended information kept.
  void SetFilePath(std::string_view path);
  // Both texts as parts of `block`, which this record then holds too: the
  // load's way, without a copy.
  void ShareTexts(TextBlock& block, std::optional<std::string_view> info, std::string_view path);

  // The display name, always a tail of ExtendedInfo or FilePath.
  std::optional<std::string_view> TrackName() const;

  // Takes `tag` as read from the end of the file and normalises it; a block
  // that is no tag keeps nothing. Only what readers see is kept: the texts,
  // the year and the genre, in a few dozen bytes rather than 128. May throw
  // std::bad_alloc.
  void SetTag(const Id3v1Block& tag);
  // The tag as a block again: "TAG", each field's text with NULs after it,
  // the year and the genre; all zero for a file without one.
  Id3v1Block Tag() const;

  // The four text fields of the tag, each bounded at 30 bytes.
  std::string_view TagTitle() const { return TagText(kTitle); }
  std::string_view TagArtist() const { return TagText(kArtist); }
  std::string_view TagAlbum() const { return TagText(kAlbum); }
  std::string_view TagComment() const { return TagText(kComment); }
  // The year's four bytes up to the first NUL.
  std::string_view TagYear() const { return TagText(kYear); }
  uint8_t TagGenre() const { return tag_ ? static_cast<uint8_t>(tag_[kGenre]) : 0; }

 private:
  enum : uint8_t { kHasInfo = 1, kHasPath = 2, kNameFromInfo = 4, kNameFromPath = 8 };
  bool Has(uint8_t flag) const { return (flags_ & flag) != 0; }
  std::string_view Text(uint32_t offset, uint32_t size) const {
    return block_->Text().substr(offset, size);
  }
  // The kept tag: the lengths of the title, artist, album, comment and year,
  // the genre, then those five texts one after another.
  enum TagPart : size_t { kTitle, kArtist, kAlbum, kComment, kYear, kGenre, kTagHeader };
  std::string_view TagText(TagPart part) const;
  void DeriveTrackName();
  // Holds `block` (already counted) in place of the old one.
  void Take(TextBlock* block, std::optional<std::string_view> info,
            std::optional<std::string_view> path);

  TextBlock* block_ = nullptr;  // holds both texts
  uint32_t infoOffset_ = 0, infoSize_ = 0, pathOffset_ = 0, pathSize_ = 0;
  uint32_t nameOffset_ = 0;
  uint8_t flags_ = 0;
  std::unique_ptr<char[]> tag_;  // only where a tag was found
};

// A record's display name and path as texts, empty when it has none.
inline std::string_view ShownName(const MP3Information& record) {
  return record.TrackName().value_or(std::string_view());
}
inline std::string_view PathText(const MP3Information& record) {
  return record.FilePath().value_or(std::string_view());
}

// Whether a file's last 128 bytes are an ID3v1 tag: they start with "TAG".
inline bool IsId3v1Tag(const Id3v1Block& block) {
  return block[0] == 'T' && block[1] == 'A' && block[2] == 'G';
}

// Trims the four text fields of an ID3v1 block in place, or zeroes a block
// that is no tag.
void NormalizeTag(Id3v1Block& tag);

// The one store of the program's entries, in playlist order.
struct Playlist {
  std::vector<MP3Information> Tracks;
  uint32_t TotalSeconds = 0;  // set by a load only; wraps modulo 2^32
  uint32_t TotalKB = 0;
  uint32_t LoadErrors = 0;

  uint32_t TrackCount() const { return static_cast<uint32_t>(Tracks.size()); }
  // Destroys every record and the array and sets the totals to 0: the one
  // way to empty the store, so no total outlives the list it described.
  void Reset() noexcept;
};

// The position of an entry together with its record: what the program sorts,
// so that the playlist keeps its own order.
struct EntryRef {
  uint32_t Index;
  const MP3Information* Record;
};

}  // namespace voltrak
