// One playlist entry and the store of all entries.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

// A playlist entry. Move-only: the two texts have exactly one owner, and a
// moved-from record keeps nothing.
class MP3Information {
 public:
  MP3Information() = default;
  MP3Information(MP3Information&& other) noexcept;
  MP3Information& operator=(MP3Information&& other) noexcept;
  MP3Information(const MP3Information&) = delete;
  MP3Information& operator=(const MP3Information&) = delete;
  ~MP3Information() = default;

  std::optional<std::string> ExtendedInfo;  // the "#" line before the path, no line end
  std::optional<std::string> FilePath;      // the path line, no line end
  uint32_t FileSize = 0;                    // kilobytes, rounded down
  uint32_t PlayLength = 0;                  // seconds
  uint32_t Volume = 0;                      // 0-based, set by planning
  uint32_t VolumeTrack = 0;                 // 0-based position in the volume
  int32_t Loaded = 0;                       // 1 when the file was opened during the load
  Id3v1Block Tag{};                         // normalised, or all zero

  // The display name, always a tail of ExtendedInfo or FilePath. Held as an
  // offset rather than a view: a short string's bytes move with the string.
  std::optional<std::string_view> TrackName() const;

  // Sets the display name from the current texts; call after changing either.
  void DeriveTrackName();
  // Takes the record out of the display (duplicate removal marks it so).
  void ClearTrackName() { nameSource_ = NameSource::kNone; }

  // The four text fields of the tag, each bounded at 30 bytes.
  std::string_view TagTitle() const { return TagText(kTagTitleOffset); }
  std::string_view TagArtist() const { return TagText(kTagArtistOffset); }
  std::string_view TagAlbum() const { return TagText(kTagAlbumOffset); }
  std::string_view TagComment() const { return TagText(kTagCommentOffset); }
  // The year's four bytes up to the first NUL.
  std::string_view TagYear() const;
  uint8_t TagGenre() const { return Tag[kTagGenreOffset]; }

 private:
  enum class NameSource : uint8_t { kNone, kExtendedInfo, kFilePath };
  std::string_view TagText(size_t offset) const;

  NameSource nameSource_ = NameSource::kNone;
  uint32_t nameOffset_ = 0;
};

// The file-name part of a Windows path: after its last backslash, or all of
// it when there is none.
std::string_view FileNamePart(std::string_view path);

// The file name's extension, from its last full stop on, or nothing when
// the file name has none (a full stop in a folder name does not count).
std::string_view ExtensionPart(std::string_view path);

// A record's display name and path as texts, empty when it has none.
inline std::string_view ShownName(const MP3Information& record) {
  return record.TrackName().value_or(std::string_view());
}
inline std::string_view PathText(const MP3Information& record) {
  return record.FilePath ? std::string_view(*record.FilePath) : std::string_view();
}

// Trims the four text fields of an ID3v1 block in place, or zeroes a block
// that does not start with "TAG".
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
