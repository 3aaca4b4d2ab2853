#include "playlist/mp3_frames.h"

#include <algorithm>

#include "playlist/id3v2.h"

namespace voltrak {
namespace {

// Kilobits per second by MPEG-1 or not, layer and index; 0 is free format.
constexpr uint16_t kBitrates[2][3][15] = {
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}}};

// MPEG-1's rates; MPEG-2 halves them and MPEG-2.5 quarters them.
constexpr uint32_t kSampleRates[3] = {44100, 48000, 32000};

// Three frames in a row are no accident; random bytes pass as one often.
constexpr uint32_t kConfirmFrames = 3;

uint32_t ByteAt(std::string_view bytes, size_t at) { return static_cast<unsigned char>(bytes[at]); }

uint32_t BigEndian32(std::string_view bytes, size_t at) {
  return ByteAt(bytes, at) << 24 | ByteAt(bytes, at + 1) << 16 | ByteAt(bytes, at + 2) << 8 |
         ByteAt(bytes, at + 3);
}

uint32_t LittleEndian32(std::string_view bytes, size_t at) {
  return ByteAt(bytes, at) | ByteAt(bytes, at + 1) << 8 | ByteAt(bytes, at + 2) << 16 |
         ByteAt(bytes, at + 3) << 24;
}

uint32_t FrameLengthOf(const Mp3FrameHeader& header, uint32_t bitrate, uint32_t padding) {
  if (header.Layer == 1) return (12 * bitrate / header.SampleRate + padding) * 4;
  return header.SamplesPerFrame / 8 * bitrate / header.SampleRate + padding;
}

// Frames that belong to one stream: the same version, layer, sample rate
// and number of channels; the bitrate may change from frame to frame.
bool SameStream(const Mp3FrameHeader& a, const Mp3FrameHeader& b) {
  return a.Version == b.Version && a.Layer == b.Layer && a.SampleRate == b.SampleRate &&
         a.Mono == b.Mono;
}

// Seconds to the nearest, halves up; none past 32 bits.
std::optional<uint32_t> Rounded(uint64_t numerator, uint64_t denominator) {
  const uint64_t seconds =
      numerator / denominator + (numerator % denominator >= (denominator + 1) / 2);
  if (seconds > UINT32_MAX) return std::nullopt;
  return static_cast<uint32_t>(seconds);
}

// What the frames from a candidate first frame on show.
struct FrameRun {
  bool Confirmed = false;
  uint32_t Frames = 0;   // in a row, within the bytes read
  uint64_t KbpsSum = 0;  // of those frames, the first left out when it is a
                         // frame count's and others follow
};

FrameRun RunFrom(std::string_view audio, size_t first, const Mp3FrameHeader& header,
                 bool wholeAudio) {
  FrameRun run;
  run.Frames = 1;
  run.KbpsSum = header.Bitrate / 1000;
  size_t next = first + header.FrameLength;
  while (true) {
    if (next + 4 > audio.size()) {
      // The bytes end before a third frame. Right at the audio start, where
      // a frame is expected, two frames that agree are enough, and so is
      // one that ends exactly where the file's audio does; anywhere else
      // random bytes would pass too often.
      if (run.Frames < kConfirmFrames && first == 0) {
        run.Confirmed = run.Frames >= 2 || (wholeAudio && next == audio.size());
      }
      return run;
    }
    const std::optional<Mp3FrameHeader> following = ReadFrameHeader(BigEndian32(audio, next));
    if (!following || !SameStream(*following, header)) return run;
    if (++run.Frames == kConfirmFrames) run.Confirmed = true;
    run.KbpsSum += following->Bitrate / 1000;
    next += following->FrameLength;
  }
}

// The frame count a Xing, Info or VBRI header in the frame at `first`
// gives; 0 for none, and whether there is such a header at all.
uint32_t FrameCountOf(std::string_view audio, size_t first, const Mp3FrameHeader& header,
                      bool& counting) {
  const std::string_view frame = audio.substr(first, header.FrameLength);
  const size_t sideInformation =
      header.Version == MpegVersion::kMpeg1 ? (header.Mono ? 17 : 32) : (header.Mono ? 9 : 17);
  // Some writers leave the CRC out of the reckoning.
  for (size_t crc : {header.Protected ? 2 : 0, 0}) {
    const size_t at = 4 + crc + sideInformation;
    if (at + 8 > frame.size()) break;
    const std::string_view marker = frame.substr(at, 4);
    if (marker != "Xing" && marker != "Info") continue;
    counting = true;
    const bool hasFrames = (BigEndian32(frame, at + 4) & 1) != 0;
    return hasFrames && at + 12 <= frame.size() ? BigEndian32(frame, at + 8) : 0;
  }
  // VBRI: version, delay, quality, bytes, then the frames.
  if (36 + 18 <= frame.size() && frame.substr(36, 4) == "VBRI") {
    counting = true;
    return BigEndian32(frame, 36 + 14);
  }
  return 0;
}

}  // namespace

std::optional<Mp3FrameHeader> ReadFrameHeader(uint32_t word) {
  const uint32_t version = word >> 19 & 3, layer = word >> 17 & 3, bitrateIndex = word >> 12 & 15,
                 rateIndex = word >> 10 & 3;
  if (word >> 21 != 0x7FF || version == 1 || layer == 0 || bitrateIndex == 0 ||
      bitrateIndex == 15 || rateIndex == 3 || (word & 3) == 2) {
    return std::nullopt;
  }
  Mp3FrameHeader header{};
  header.Version = version == 3   ? MpegVersion::kMpeg1
                   : version == 2 ? MpegVersion::kMpeg2
                                  : MpegVersion::kMpeg25;
  header.Layer = static_cast<uint8_t>(4 - layer);
  header.Mono = (word >> 6 & 3) == 3;
  header.Protected = (word >> 16 & 1) == 0;
  const bool mpeg1 = header.Version == MpegVersion::kMpeg1;
  header.Bitrate = kBitrates[mpeg1 ? 0 : 1][header.Layer - 1][bitrateIndex] * 1000u;
  header.SampleRate = kSampleRates[rateIndex] >> (mpeg1 ? 0 : version == 2 ? 1 : 2);
  header.SamplesPerFrame = header.Layer == 1 ? 384 : header.Layer == 3 && !mpeg1 ? 576 : 1152;
  header.FrameLength = FrameLengthOf(header, header.Bitrate, word >> 9 & 1);
  return header;
}

std::optional<uint64_t> AudioStartOf(std::string_view head, uint64_t fileSize) {
  uint64_t start = 0;
  while (start < head.size()) {
    const std::optional<uint64_t> tag = Id3v2TagSize(head.substr(static_cast<size_t>(start)));
    if (!tag) break;
    start += *tag;
    if (start > fileSize) return std::nullopt;
  }
  return start;
}

uint64_t AudioEndOf(std::string_view tail, uint64_t fileSize, uint64_t audioStart) {
  if (audioStart >= fileSize) return audioStart;
  if (tail.size() > fileSize) tail.remove_prefix(tail.size() - static_cast<size_t>(fileSize));
  const uint64_t tailStart = fileSize - tail.size();
  uint64_t end = fileSize;
  // The `length` bytes before the end, when the tail holds them and they
  // are not before the audio.
  auto before = [&](size_t length) {
    return end - audioStart >= length && end - length >= tailStart
               ? tail.substr(static_cast<size_t>(end - length - tailStart), length)
               : std::string_view();
  };
  // Takes off a tag of `length` bytes, if it lies after the audio start.
  auto takeOff = [&](uint64_t length) {
    if (length > end - audioStart) return false;
    end -= length;
    return true;
  };
  if (before(128).substr(0, 3) == "TAG") end -= 128;
  while (true) {
    if (const std::string_view footer = before(32); footer.substr(0, 8) == "APETAGEX") {
      // The size counts the items and the footer; a header may come first.
      const uint64_t size = LittleEndian32(footer, 12);
      const bool header = (LittleEndian32(footer, 20) & 0x80000000u) != 0;
      if (size >= 32 && takeOff(size + (header ? 32 : 0))) continue;
    }
    if (const std::string_view end15 = before(15);
        end15.size() == 15 && end15.substr(6) == "LYRICS200" &&
        std::all_of(end15.begin(), end15.begin() + 6,
                    [](char c) { return c >= '0' && c <= '9'; })) {
      // The size counts from "LYRICSBEGIN" to the size itself.
      uint64_t size = 0;
      for (size_t i = 0; i < 6; ++i) size = size * 10 + static_cast<uint64_t>(end15[i] - '0');
      if (takeOff(size + 15)) continue;
    }
    if (const std::string_view footer = before(10); footer.substr(0, 3) == "3DI") {
      std::string header(footer);
      header.replace(0, 3, "ID3");
      const std::optional<uint64_t> size = Id3v2TagSize(header);
      if (size && ByteAt(footer, 3) == 4 && takeOff(*size)) continue;
    }
    return end;
  }
}

std::optional<uint32_t> Mp3PlayLength(std::string_view audio, uint64_t audioStart,
                                      uint64_t fileSize, std::string_view tail) {
  if (audioStart > fileSize) return std::nullopt;
  const uint64_t audioBytes = AudioEndOf(tail, fileSize, audioStart) - audioStart;
  audio = audio.substr(0, static_cast<size_t>(std::min<uint64_t>(
                              std::min(audio.size(), kAudioHeadSize), audioBytes)));
  const bool wholeAudio = audio.size() == audioBytes;
  for (size_t first = 0; first + 4 <= audio.size(); ++first) {
    if (ByteAt(audio, first) != 0xFF) continue;
    const std::optional<Mp3FrameHeader> header = ReadFrameHeader(BigEndian32(audio, first));
    if (!header) continue;
    FrameRun run = RunFrom(audio, first, *header, wholeAudio);
    if (!run.Confirmed) continue;

    const uint64_t bytes = audioBytes - first;
    bool counting = false;
    const uint32_t frames = FrameCountOf(audio, first, *header, counting);
    // No stream holds more frames than its bytes do at the lowest bitrate.
    const uint32_t lowest =
        kBitrates[header->Version == MpegVersion::kMpeg1 ? 0 : 1][header->Layer - 1][1] * 1000u;
    const uint64_t mostFrames = bytes / FrameLengthOf(*header, lowest, 0);
    if (frames > 0 && frames <= mostFrames) {
      return Rounded(uint64_t{frames} * header->SamplesPerFrame, header->SampleRate);
    }
    // The frame that holds a count is often not at the stream's bitrate.
    if (counting && run.Frames > 1) {
      run.KbpsSum -= header->Bitrate / 1000;
      --run.Frames;
    }
    // Past this, the length is over 2^32 seconds at any bitrate.
    if (bytes >> 50 != 0) return std::nullopt;
    return Rounded(bytes * 8 * run.Frames, run.KbpsSum * 1000);
  }
  return std::nullopt;
}

}  // namespace voltrak
