#include "playlist/track_record.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "support/byte_search.h"

namespace voltrak {

TextBlock* TextBlock::Make(std::string text) { return new TextBlock(std::move(text)); }

MP3Information::MP3Information(MP3Information&& other) noexcept
    : FileSize(other.FileSize),
      PlayLength(other.PlayLength),
      Volume(other.Volume),
      VolumeTrack(other.VolumeTrack),
      Loaded(other.Loaded),
      LengthFrom(other.LengthFrom),
      block_(std::exchange(other.block_, nullptr)),
      infoOffset_(other.infoOffset_),
      infoSize_(other.infoSize_),
      pathOffset_(other.pathOffset_),
      pathSize_(other.pathSize_),
      nameOffset_(other.nameOffset_),
      flags_(std::exchange(other.flags_, 0)),
      tag_(std::move(other.tag_)) {}

MP3Information& MP3Information::operator=(MP3Information&& other) noexcept {
  if (this != &other) {
    if (block_ != nullptr) block_->Release();
    block_ = std::exchange(other.block_, nullptr);
    infoOffset_ = other.infoOffset_;
    infoSize_ = other.infoSize_;
    pathOffset_ = other.pathOffset_;
    pathSize_ = other.pathSize_;
    nameOffset_ = other.nameOffset_;
    flags_ = std::exchange(other.flags_, 0);
    tag_ = std::move(other.tag_);
    FileSize = other.FileSize;
    PlayLength = other.PlayLength;
    Volume = other.Volume;
    VolumeTrack = other.VolumeTrack;
    Loaded = other.Loaded;
    LengthFrom = other.LengthFrom;
  }
  return *this;
}

MP3Information::~MP3Information() {
  if (block_ != nullptr) block_->Release();
}

namespace {

// Offsets and sizes are 32 bits: a text of 4 GiB or more is as much a text
// the program has no room for as one it could not allocate.
uint32_t Fits(size_t value) {
  if (value > UINT32_MAX) throw std::bad_alloc();
  return static_cast<uint32_t>(value);
}

}  // namespace

void MP3Information::Take(TextBlock* block, std::optional<std::string_view> info,
                          std::optional<std::string_view> path) {
  const std::string_view text = block->Text();
  auto offsetOf = [&](std::string_view part) { return Fits(part.data() - text.data()); };
  uint8_t flags = 0;
  if (info) {
    infoOffset_ = offsetOf(*info);
    infoSize_ = Fits(info->size());
    flags |= kHasInfo;
  }
  if (path) {
    pathOffset_ = offsetOf(*path);
    pathSize_ = Fits(path->size());
    flags |= kHasPath;
  }
  if (block_ != nullptr) block_->Release();
  block_ = block;
  flags_ = flags;
  DeriveTrackName();
}

void MP3Information::SetTexts(std::optional<std::string_view> info,
                              std::optional<std::string_view> path) {
  std::string both;
  both.reserve((info ? info->size() : 0) + (path ? path->size() : 0));
  if (info) both += *info;
  if (path) both += *path;
  TextBlockRef block(std::move(both));
  const std::string_view text = block.Text();
  const size_t infoSize = info ? info->size() : 0;
  std::optional<std::string_view> ownInfo, ownPath;
  if (info) ownInfo = text.substr(0, infoSize);
  if (path) ownPath = text.substr(infoSize);
  (*block).Hold();
  try {
    Take(&*block, ownInfo, ownPath);
  } catch (...) {
    (*block).Release();
    throw;
  }
}

void MP3Information::SetFilePath(std::string_view path) {
  // Both are copied before the old block goes, even a path cut from it.
  SetTexts(ExtendedInfo(), path);
}

void MP3Information::ShareTexts(TextBlock& block, std::optional<std::string_view> info,
                                std::string_view path) {
  block.Hold();
  try {
    Take(&block, info, path);
  } catch (...) {
    block.Release();
    throw;
  }
}

std::optional<std::string_view> MP3Information::TrackName() const {
  if (Has(kNameFromInfo)) return ExtendedInfo()->substr(nameOffset_);
  if (Has(kNameFromPath)) return FilePath()->substr(nameOffset_);
  return std::nullopt;
}

void MP3Information::DeriveTrackName() {
  flags_ &= static_cast<uint8_t>(~(kNameFromInfo | kNameFromPath));
  nameOffset_ = 0;
  if (std::optional<std::string_view> info = ExtendedInfo()) {
    size_t comma = info->find(',');
    if (comma != std::string_view::npos) {
      flags_ |= kNameFromInfo;
      nameOffset_ = static_cast<uint32_t>(comma + 1);
      return;
    }
  }
  std::optional<std::string_view> path = FilePath();
  if (!path) return;
  // Either separator ends a folder: a list written with "/" shows its file
  // names too.
  size_t slash = LastSeparator(*path);
  flags_ |= kNameFromPath;
  nameOffset_ = slash == std::string_view::npos ? 0 : static_cast<uint32_t>(slash + 1);
}

namespace {

// Where each kept part lies in the block.
constexpr size_t kPartOffsets[] = {kTagTitleOffset, kTagArtistOffset, kTagAlbumOffset,
                                   kTagCommentOffset, kTagYearOffset};

size_t FieldLength(const unsigned char* field);

}  // namespace

void MP3Information::SetTag(const Id3v1Block& tag) {
  Id3v1Block normal = tag;
  NormalizeTag(normal);
  if (normal[0] == 0) {
    tag_.reset();  // no "TAG" marker: nothing to keep
    return;
  }
  size_t lengths[kGenre];
  size_t total = kTagHeader;
  for (size_t part = 0; part < kGenre; ++part) {
    const unsigned char* field = normal.data() + kPartOffsets[part];
    lengths[part] = part == kYear ? std::find(field, field + kTagYearLength, 0) - field
                                  : FieldLength(field);
    total += lengths[part];
  }
  std::unique_ptr<char[]> kept(new char[total]);
  char* text = kept.get() + kTagHeader;
  for (size_t part = 0; part < kGenre; ++part) {
    kept[part] = static_cast<char>(lengths[part]);
    std::memcpy(text, normal.data() + kPartOffsets[part], lengths[part]);
    text += lengths[part];
  }
  kept[kGenre] = static_cast<char>(normal[kTagGenreOffset]);
  tag_ = std::move(kept);
}

Id3v1Block MP3Information::Tag() const {
  Id3v1Block block{};
  if (!tag_) return block;
  std::memcpy(block.data(), "TAG", 3);
  for (size_t part = 0; part < kGenre; ++part) {
    const std::string_view text = TagText(static_cast<TagPart>(part));
    std::memcpy(block.data() + kPartOffsets[part], text.data(), text.size());
  }
  block[kTagGenreOffset] = static_cast<unsigned char>(tag_[kGenre]);
  return block;
}

std::string_view MP3Information::TagText(TagPart part) const {
  if (!tag_) return std::string_view();
  size_t at = kTagHeader;
  for (size_t before = 0; before < part; ++before) at += static_cast<unsigned char>(tag_[before]);
  return std::string_view(tag_.get() + at, static_cast<unsigned char>(tag_[part]));
}

namespace {

// The length of a text field of the tag: up to its first NUL, at most 30
// bytes. Looked at sixteen bytes at a time: every tag read is looked at
// four times.
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

void NormalizeTag(Id3v1Block& tag) {
  if (!IsId3v1Tag(tag)) {
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
