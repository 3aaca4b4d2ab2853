// The frame reader and the play length on any bytes. The header is checked
// against the tables written out plainly here; the length of any file is
// never more than its bytes hold at the lowest bitrate, and does not change
// with bytes beyond the head; and a stream built here from one header, with
// or without a frame count and a tag of random bytes before it, measures
// what its frames say.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "playlist/mp3_frames.h"

namespace {

using voltrak::MpegVersion;

struct Expected {
  bool Valid = false;
  MpegVersion Version{};
  uint32_t Layer = 0, Bitrate = 0, Rate = 0, Samples = 0, Length = 0;
};

// The tables as printed, in kilobits per second, index 1 to 14.
constexpr uint32_t kMpeg1Layer2[] = {32,  48,  56,  64,  80,  96,  112,
                                     128, 160, 192, 224, 256, 320, 384};
constexpr uint32_t kMpeg1Layer3[] = {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
constexpr uint32_t kMpeg2Layer1[] = {32,  48,  56,  64,  80,  96,  112,
                                     128, 144, 160, 176, 192, 224, 256};
constexpr uint32_t kMpeg2Layer23[] = {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};

Expected Reference(uint32_t word, uint32_t bitrateIndex) {
  Expected e;
  const uint32_t versionBits = word >> 19 & 3, layerBits = word >> 17 & 3,
                 rateBits = word >> 10 & 3;
  if ((word & 0xFFE00000u) != 0xFFE00000u || versionBits == 1 || layerBits == 0 ||
      bitrateIndex == 0 || bitrateIndex == 15 || rateBits == 3 || (word & 3) == 2) {
    return e;
  }
  e.Valid = true;
  e.Layer = layerBits == 3 ? 1 : layerBits == 2 ? 2 : 3;
  uint32_t rate = rateBits == 0 ? 44100 : rateBits == 1 ? 48000 : 32000;
  if (versionBits == 3) {
    e.Version = MpegVersion::kMpeg1;
    e.Bitrate = e.Layer == 1   ? 32 * bitrateIndex
                : e.Layer == 2 ? kMpeg1Layer2[bitrateIndex - 1]
                               : kMpeg1Layer3[bitrateIndex - 1];
  } else {
    e.Version = versionBits == 2 ? MpegVersion::kMpeg2 : MpegVersion::kMpeg25;
    rate /= versionBits == 2 ? 2 : 4;
    e.Bitrate = e.Layer == 1 ? kMpeg2Layer1[bitrateIndex - 1] : kMpeg2Layer23[bitrateIndex - 1];
  }
  e.Bitrate *= 1000;
  e.Rate = rate;
  e.Samples = e.Layer == 1 ? 384 : (e.Layer == 3 && versionBits != 3) ? 576 : 1152;
  const uint32_t padding = word >> 9 & 1;
  // A Layer I slot is four bytes; the others' one.
  e.Length = e.Layer == 1 ? (12 * e.Bitrate / rate + padding) * 4
                          : e.Samples / 8 * e.Bitrate / rate + padding;
  return e;
}

Expected Reference(uint32_t word) { return Reference(word, word >> 12 & 15); }

void CheckHeader(uint32_t word) {
  const std::optional<voltrak::Mp3FrameHeader> read = voltrak::ReadFrameHeader(word);
  const Expected e = Reference(word);
  CHECK(read.has_value() == e.Valid);
  if (!read) return;
  CHECK(read->Version == e.Version && read->Layer == e.Layer && read->Bitrate == e.Bitrate &&
        read->SampleRate == e.Rate && read->SamplesPerFrame == e.Samples &&
        read->FrameLength == e.Length);
  CHECK(read->Mono == ((word >> 6 & 3) == 3) && read->Protected == ((word >> 16 & 1) == 0));
}

// The most seconds a byte can hold: a frame at the lowest bitrate, over
// every version, layer and sample rate.
double MostSecondsPerByte() {
  double most = 0;
  for (uint32_t head = 0; head < 64; ++head) {
    const uint32_t word =
        0xFFE00000u | (head & 3) << 19 | (head >> 2 & 3) << 17 | (head >> 4) << 10;
    const Expected e = Reference(word, 1);
    if (e.Valid) most = std::max(most, double(e.Samples) / e.Rate / e.Length);
  }
  return most;
}

std::optional<uint32_t> Measure(const std::string& file, uint64_t fileSize) {
  const std::optional<uint64_t> start = voltrak::AudioStartOf(file, fileSize);
  if (!start) return std::nullopt;
  CHECK(*start <= fileSize);
  // Exact copies, so that a read past either end is the sanitizer's.
  const std::vector<char> audio(file.begin() + std::min<uint64_t>(*start, file.size()), file.end());
  const size_t tailSize = std::min(file.size(), voltrak::kFileTailSize);
  const std::vector<char> tail(file.end() - static_cast<std::ptrdiff_t>(tailSize), file.end());
  const std::string_view tailView(tail.data(), tail.size());
  const std::optional<uint32_t> seconds = voltrak::Mp3PlayLength(
      std::string_view(audio.data(), audio.size()), *start, fileSize, tailView);
  static const double kMost = MostSecondsPerByte();
  if (seconds) CHECK(*seconds <= double(fileSize) * kMost + 1);
  // What lies past the head is never looked at.
  if (audio.size() > voltrak::kAudioHeadSize) {
    const std::vector<char> head(audio.begin(), audio.begin() + voltrak::kAudioHeadSize);
    CHECK(voltrak::Mp3PlayLength(std::string_view(head.data(), head.size()), *start, fileSize,
                                 tailView) == seconds);
  }
  return seconds;
}

uint64_t Rounded(uint64_t numerator, uint64_t denominator) {
  return (2 * numerator + denominator) / (2 * denominator);
}

// A stream of `frames` frames of one header with a tag before it, and
// perhaps a Xing count in the first frame.
void CheckBuiltStream(FuzzedDataProvider& input) {
  const uint32_t word = input.ConsumeIntegral<uint32_t>() | 0xFFE10000u;  // sync, no CRC
  const Expected e = Reference(word);
  if (!e.Valid) return;
  const uint64_t frames = input.ConsumeIntegralInRange<uint64_t>(1, 40);
  const bool counted = input.ConsumeBool();
  const uint32_t count = input.ConsumeIntegral<uint32_t>();
  std::string tag = input.ConsumeRandomLengthString(3000);

  std::string frame(e.Length, '\0');
  for (int i = 0; i < 4; ++i) frame[i] = static_cast<char>(word >> (24 - 8 * i));
  std::string stream;
  for (uint64_t i = 0; i < frames; ++i) stream += frame;
  const bool mono = (word >> 6 & 3) == 3;
  const size_t xing = 4 + (e.Version == MpegVersion::kMpeg1 ? (mono ? 17 : 32) : (mono ? 9 : 17));
  const uint64_t bytes = stream.size();
  uint64_t expected = Rounded(bytes * 8, e.Bitrate);
  if (counted && xing + 12 <= e.Length) {
    const std::string marker =
        std::string("Xing\0\0\0\1", 8) +
        std::string{char(count >> 24), char(count >> 16), char(count >> 8), char(count)};
    stream.replace(xing, 12, marker.data(), 12);
    const uint64_t lowestLength = Reference(word & ~0x200u, 1).Length;
    if (count >= 1 && count <= bytes / lowestLength) {
      expected = Rounded(uint64_t{count} * e.Samples, e.Rate);
    }
  }
  const size_t size = tag.size();
  const char header[] = {'I',
                         'D',
                         '3',
                         3,
                         0,
                         0,
                         char(size >> 21 & 127),
                         char(size >> 14 & 127),
                         char(size >> 7 & 127),
                         char(size & 127)};
  const std::string file = std::string(header, 10) + tag + stream;
  CHECK(voltrak::AudioStartOf(file, file.size()) == 10 + size);
  CHECK(Measure(file, file.size()) == expected);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string file(reinterpret_cast<const char*>(data), size);
  for (size_t at = 0; at + 4 <= std::min<size_t>(size, 64); ++at) {
    CheckHeader(uint32_t{data[at]} << 24 | uint32_t{data[at + 1]} << 16 |
                uint32_t{data[at + 2]} << 8 | data[at + 3]);
  }
  Measure(file, file.size());
  // The same bytes as the start and end of a longer file.
  if (size > 0) Measure(file, file.size() + (uint64_t{1} << (data[size - 1] % 48)));
  FuzzedDataProvider input(data, size);
  CheckBuiltStream(input);
  return 0;
}
