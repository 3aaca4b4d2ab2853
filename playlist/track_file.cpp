#include "playlist/track_file.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <string>

#include "playlist/id3v2.h"
#include "playlist/mp3_frames.h"

namespace voltrak {
namespace {

// `size` bytes of `file` from `offset` on, or fewer at its end.
std::string ReadPart(InputFile& file, uint64_t offset, size_t size) {
  std::string bytes(size, '\0');
  size_t got = 0;
  if (file.ReadAt(offset, bytes.data(), bytes.size(), &got) != kErrorSuccess) got = 0;
  bytes.resize(got);
  return bytes;
}

// `last` (the file's last 128 bytes, if it has as many) as the file's tag
// when it is one; else, when asked, the texts of an ID3v2 tag at the start
// of the head `readHead()` gives, read only then.
template <typename ReadHead>
std::optional<Id3v1Block> TagOf(const std::optional<Id3v1Block>& last,
                                const TrackFileReading& reading, ReadHead readHead) {
  if (last && IsId3v1Tag(*last)) return last;
  if (!reading.ReadId3v2) return std::nullopt;
  return Id3v1FromId3v2(readHead());
}

// The size, the tag, and the play length from the audio: a few KiB from the
// file's start and its last bytes, read once the file is open.
void ReadWholeTrack(TrackFileFacts& facts, std::string_view fullPath, FileSystem& files,
                    const TrackFileReading& reading) {
  char headBytes[kAudioHeadSize], tailBytes[kFileTailSize];
  size_t headRead = 0, tailRead = 0;
  facts.Error = files.ReadEnds(fullPath, &facts.Size, headBytes, sizeof headBytes, &headRead,
                               tailBytes, sizeof tailBytes, &tailRead);
  if (facts.Error != kErrorSuccess) return;
  const uint64_t size = facts.Size;
  const std::string_view head(headBytes, headRead), tail(tailBytes, tailRead);
  std::optional<Id3v1Block> last;
  if (tail.size() >= sizeof(Id3v1Block)) {
    last.emplace();
    std::copy(tail.end() - static_cast<std::ptrdiff_t>(last->size()), tail.end(), last->begin());
  }
  facts.Tag = TagOf(last, reading, [&] { return head; });
  if (std::optional<uint64_t> start = AudioStartOf(head, size)) {
    std::string_view audio = head.substr(static_cast<size_t>(std::min<uint64_t>(*start, head.size())));
    // A tag that takes most of the first read, or more: the audio's own
    // first bytes, once more. Half of it holds three frames of most files.
    std::string more;
    if (audio.size() < kAudioHeadSize / 2 && *start + audio.size() < size) {
      uint32_t ignored = 0;
      if (std::unique_ptr<InputFile> file = files.Open(fullPath, &ignored)) {
        more = ReadPart(*file, *start, kAudioHeadSize);
        audio = more;
      }
    }
    facts.MeasuredLength = Mp3PlayLength(audio, *start, size, tail);
  }
}

}  // namespace

TrackFileFacts ReadTrackFile(std::string_view fullPath, uint32_t listedLength, FileSystem& files,
                             const TrackFileReading& reading) {
  TrackFileFacts facts;
  if (fullPath.size() > kMaxPathLength) {
    facts.Error = kErrorFilenameTooLong;
    return facts;
  }
  // An entry the list gives no length: the file's head is wanted anyway.
  if (listedLength == 0 && reading.MeasureUntimed) {
    ReadWholeTrack(facts, fullPath, files, reading);
    return facts;
  }
  // Otherwise the one read of the tail a timed list has always cost.
  size_t tailRead = 0;
  std::optional<Id3v1Block> last(std::in_place);
  facts.Error = files.ReadTail(fullPath, &facts.Size, last->data(), last->size(), &tailRead);
  if (facts.Error != kErrorSuccess) return facts;
  // A file too short to hold a tag has none.
  if (tailRead != last->size()) last.reset();
  // Only a file without an ID3v1 tag is opened again, for its ID3v2 tag.
  facts.Tag = TagOf(last, reading, [&] {
    uint32_t ignored = 0;
    std::unique_ptr<InputFile> file;
    if (facts.Size > kId3v2HeaderSize) file = files.Open(fullPath, &ignored);
    return file ? ReadPart(*file, 0, kAudioHeadSize) : std::string();
  });
  return facts;
}

void ApplyTrackFile(const TrackFileFacts& facts, MP3Information& record) {
  if (facts.Error != kErrorSuccess) return;
  if (facts.Tag) record.SetTag(*facts.Tag);
  if (facts.MeasuredLength) {
    record.PlayLength = *facts.MeasuredLength;
    record.LengthFrom = LengthSource::kMeasured;
  }
  record.FileSize = static_cast<uint32_t>(facts.Size) / 1024u;  // the low 32 bits, as the system gives them
  record.Loaded = 1;
}

}  // namespace voltrak
