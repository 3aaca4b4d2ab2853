#include "playlist/track_record.h"

#include <cstring>
#include <utility>

#include "support/byte_search.h"

namespace voltrak {

MP3Information::MP3Information(MP3Information&& other) noexcept
    : ExtendedInfo(std::exchange(other.ExtendedInfo, std::nullopt)),
      FilePath(std::exchange(other.FilePath, std::nullopt)),
      FileSize(other.FileSize),
      PlayLength(other.PlayLength),
      Volume(other.Volume),
      VolumeTrack(other.VolumeTrack),
      Loaded(other.Loaded),
      Tag(other.Tag),
      nameSource_(std::exchange(other.nameSource_, NameSource::kNone)),
      nameOffset_(std::exchange(other.nameOffset_, 0)) {}

MP3Information& MP3Information::operator=(MP3Information&& other) noexcept {
  if (this != &other) {
    FilePath = std::exchange(other.FilePath, std::nullopt);
    ExtendedInfo = std::exchange(other.ExtendedInfo, std::nullopt);
    FileSize = other.FileSize;
    PlayLength = other.PlayLength;
    Volume = other.Volume;
    VolumeTrack = other.VolumeTrack;
    Loaded = other.Loaded;
    Tag = other.Tag;
    nameSource_ = std::exchange(other.nameSource_, NameSource::kNone);
    nameOffset_ = std::exchange(other.nameOffset_, 0);
  }
  return *this;
}

std::optional<std::string_view> MP3Information::TrackName() const {
  switch (nameSource_) {
    case NameSource::kExtendedInfo:
      return std::string_view(*ExtendedInfo).substr(nameOffset_);
    case NameSource::kFilePath:
      return std::string_view(*FilePath).substr(nameOffset_);
    case NameSource::kNone:
      break;
  }
  return std::nullopt;
}

void MP3Information::DeriveTrackName() {
  if (ExtendedInfo) {
    size_t comma = ExtendedInfo->find(',');
    if (comma != std::string::npos) {
      nameSource_ = NameSource::kExtendedInfo;
      nameOffset_ = static_cast<uint32_t>(comma + 1);
      return;
    }
  }
  if (!FilePath) {
    nameSource_ = NameSource::kNone;
    nameOffset_ = 0;
    return;
  }
  // Only the backslash separates folders: a path with forward slashes is
  // shown whole.
  size_t slash = FilePath->rfind('\\');
  nameSource_ = NameSource::kFilePath;
  nameOffset_ = slash == std::string::npos ? 0 : static_cast<uint32_t>(slash + 1);
}

namespace {

// The length of a text field of the tag: up to its first NUL, at most 30
// bytes. Looked at sixteen bytes at a time: every listing and --json asks
// it four times a track.
size_t FieldLength(const unsigned char* field) {
  static_assert(kTagTextLength <= 32 && kTagTextLength > 16, "two looks cover a field");
  const char* text = reinterpret_cast<const char*>(field);
  if (const unsigned first = EitherByteMask(text, 0, 0); first != 0) return LowestBit(first);
  // The second look overlaps the first, so that neither leaves the field.
  const size_t back = kTagTextLength - 16;
  const unsigned second = EitherByteMask(text + back, 0, 0);
  return second != 0 ? back + LowestBit(second) : kTagTextLength;
}

}  // namespace

std::string_view MP3Information::TagText(size_t offset) const {
  return std::string_view(reinterpret_cast<const char*>(Tag.data() + offset),
                          FieldLength(Tag.data() + offset));
}

std::string_view MP3Information::TagYear() const {
  const char* field = reinterpret_cast<const char*>(Tag.data() + kTagYearOffset);
  const void* nul = std::memchr(field, 0, kTagYearLength);
  size_t length = nul ? static_cast<size_t>(static_cast<const char*>(nul) - field) : kTagYearLength;
  return std::string_view(field, length);
}

std::string_view ExtensionPart(std::string_view path) {
  std::string_view name = FileNamePart(path);
  size_t dot = name.rfind('.');
  return dot == std::string_view::npos ? std::string_view() : name.substr(dot);
}

std::string_view FileNamePart(std::string_view path) {
  size_t slash = path.rfind('\\');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

void NormalizeTag(Id3v1Block& tag) {
  if (tag[0] != 'T' || tag[1] != 'A' || tag[2] != 'G') {
    tag.fill(0);
    return;
  }
  for (size_t offset : {kTagArtistOffset, kTagAlbumOffset, kTagTitleOffset, kTagCommentOffset}) {
    // The text ends at its first NUL, then its trailing spaces go.
    unsigned char* const field = tag.data() + offset;
    size_t end = FieldLength(field);
    while (end > 0 && field[end - 1] == ' ') --end;
    if (end < kTagTextLength) field[end] = 0;
  }
}

void Playlist::Reset() noexcept {
  std::vector<MP3Information>().swap(Tracks);
  TotalSeconds = 0;
  TotalKB = 0;
  LoadErrors = 0;
}

}  // namespace voltrak
