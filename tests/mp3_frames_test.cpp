#include <gtest/gtest.h>

#include <random>
#include <string>

#include "playlist/mp3_frames.h"

namespace voltrak {
namespace {

using namespace std::string_literals;

// Version bits 3 (MPEG-1), 2 (MPEG-2) or 0 (MPEG-2.5); no CRC.
uint32_t Word(uint32_t version, uint32_t layer, uint32_t bitrate, uint32_t rate,
              uint32_t padding = 0, bool mono = false) {
  return 0xFFE10000u | version << 19 | (4 - layer) << 17 | bitrate << 12 | rate << 10 |
         padding << 9 | (mono ? 3u : 0u) << 6;
}

std::string Bytes(uint32_t w) { return {char(w >> 24), char(w >> 16), char(w >> 8), char(w)}; }

std::string Frames(uint32_t word, size_t count) {
  std::string frame = Bytes(word), frames;
  frame.resize(ReadFrameHeader(word)->FrameLength);
  while (count-- > 0) frames += frame;
  return frames;
}

// `frames` with `marker`, flags and a frame count at `at` of the first.
std::string Counted(std::string frames, size_t at, std::string_view marker, uint32_t count,
                    uint32_t flags = 1) {
  return frames.replace(at, 12, std::string(marker) + Bytes(flags) + Bytes(count));
}

TEST(ReadFrameHeader, TablesOfEachVersionAndLayer) {
  using V = MpegVersion;
  const std::tuple<uint32_t, V, int, uint32_t, uint32_t, uint32_t, uint32_t> cases[] = {
      // word, version, layer, bitrate, sample rate, samples, length
      {Word(3, 3, 9, 0), V::kMpeg1, 3, 128000, 44100, 1152, 417},
      {Word(3, 3, 9, 0, 1), V::kMpeg1, 3, 128000, 44100, 1152, 418},
      {Word(3, 1, 14, 2), V::kMpeg1, 1, 448000, 32000, 384, 672},
      {Word(3, 1, 1, 0, 1), V::kMpeg1, 1, 32000, 44100, 384, 36},
      {Word(3, 2, 14, 2), V::kMpeg1, 2, 384000, 32000, 1152, 1728},
      {Word(2, 2, 14, 2), V::kMpeg2, 2, 160000, 16000, 1152, 1440},
      {Word(0, 2, 14, 2), V::kMpeg25, 2, 160000, 8000, 1152, 2880},
      {Word(2, 3, 8, 0), V::kMpeg2, 3, 64000, 22050, 576, 208},
      {Word(0, 3, 1, 2), V::kMpeg25, 3, 8000, 8000, 576, 72},
      {Word(0, 3, 2, 1, 1), V::kMpeg25, 3, 16000, 12000, 576, 97},
      {Word(2, 1, 1, 1), V::kMpeg2, 1, 32000, 24000, 384, 64},
  };
  for (const auto& c : cases) {
    const std::optional<Mp3FrameHeader> h = ReadFrameHeader(std::get<0>(c));
    ASSERT_TRUE(h) << std::hex << std::get<0>(c);
    EXPECT_EQ(std::make_tuple(std::get<0>(c), h->Version, int{h->Layer}, h->Bitrate, h->SampleRate,
                              h->SamplesPerFrame, h->FrameLength), c);
  }
  EXPECT_TRUE(ReadFrameHeader(0xFFFA9064)->Protected);
  EXPECT_TRUE(ReadFrameHeader(Word(3, 3, 9, 0, 0, true))->Mono);
  // No sync, reserved version, layer, bitrate and rate, free format, reserved emphasis.
  const uint32_t cbr = Word(3, 3, 9, 0);
  for (uint32_t word : {0xFFDB9064u, Word(1, 3, 9, 0), cbr & ~0x60000u, Word(3, 3, 15, 0),
                        Word(3, 3, 9, 3), Word(3, 3, 0, 0), cbr | 2}) {
    EXPECT_FALSE(ReadFrameHeader(word)) << std::hex << word;
  }
}

TEST(AudioStartOf, SkipsEveryTagItSees) {
  const std::string tag = "ID3\3\0\0\0\0\0\x14"s + std::string(20, '\xFF');
  const std::string footed = "ID3\4\0\x10\0\0\x07\x68"s;  // 1000 bytes and a footer
  const std::tuple<std::string, uint64_t, std::optional<uint64_t>> cases[] = {
      {Bytes(Word(3, 3, 9, 0)), 100, 0}, {tag, 100, 30}, {footed, 5000, 1020},
      {tag + tag + "ID3\3", 100, 60}, {tag + footed, 5000, 1050}, {"ID3\3\0\0\0\0\x80\0"s, 100, 0},
      {tag, 29, std::nullopt}, {footed, 1019, std::nullopt}};
  for (const auto& [head, size, start] : cases) EXPECT_EQ(AudioStartOf(head, size), start) << head;
}

TEST(Mp3PlayLength, CountsEstimatesAndTheTagsAtTheEnd) {
  const uint32_t cbr = Word(3, 3, 9, 0);  // 16,000 bytes a second, 417 a frame
  const std::string head = Frames(cbr, 10), id3v1 = "TAG" + std::string(125, 'x');
  // 1,032 bytes with the footer, and a header.
  const std::string ape = "APETAGEX\xD0\x07\0\0\x08\x04\0\0\1\0\0\0\0\0\0\x80"s + std::string(8, 0);
  const std::string vbr = Frames(Word(3, 3, 5, 0), 1) + Frames(Word(3, 3, 11, 0), 1);  // 64, 192k
  const std::string crc = Frames(cbr & ~0x10000u, 10);
  auto xing = [&](uint32_t word, size_t at, uint32_t count) {
    return Counted(Frames(word, 10), at, "Xing", count);
  };
  const std::tuple<const char*, std::string, uint64_t, uint64_t, std::string,
                   std::optional<uint32_t>> cases[] = {
      // what, audio, its start, file size, tail, seconds
      {"7.5 s rounds up", head, 0, 120000, "", 8},
      {"below it down", head, 0, 119999, "", 7},
      {"after a tag", head, 5000, 124999, "", 7},
      {"ID3v1 off", head, 0, 119999 + 128, id3v1, 7},
      {"APEv2 with header", head, 0, 119999 + 1064 + 128, ape + id3v1, 7},
      {"Lyrics3v2", head, 0, 119999 + 16015 + 128, "016000LYRICS200" + id3v1, 7},
      {"ID3v2.4 footer", head, 0, 119999 + 1020, "3DI\4\0\x10\0\0\x07\x68"s, 7},
      {"a tag over the audio stays", head, 0, 24000, "099999LYRICS200", 2},
      {"Xing, MPEG-1 stereo", xing(cbr, 36, 2000), 0, 417000, "", 52},
      {"Info", Counted(head, 36, "Info", 2000), 0, 417000, "", 52},
      {"after a CRC", Counted(crc, 38, "Xing", 2000), 0, 417000, "", 52},
      {"CRC left out", Counted(crc, 36, "Xing", 2000), 0, 417000, "", 52},
      {"Xing, MPEG-1 mono", xing(Word(3, 3, 9, 0, 0, true), 21, 2000), 0, 417000, "", 52},
      {"Xing, MPEG-2 stereo", xing(Word(2, 3, 8, 0), 21, 2000), 0, 208000, "", 52},
      {"Xing, MPEG-2 mono", xing(Word(2, 3, 8, 0, 0, true), 13, 2000), 0, 208000, "", 52},
      {"VBRI", std::string(head).replace(36, 18, "VBRI" + std::string(10, '\0') + Bytes(2000)), 0,
       417000, "", 52},
      {"count 0, the rest at 128", Counted(Frames(Word(3, 3, 5, 0), 1) + head, 36, "Xing", 0), 0,
       417000, "", 26},
      {"count 2^32-1", xing(cbr, 36, 0xFFFFFFFF), 0, 417000, "", 26},
      {"count beyond the bytes", xing(cbr, 36, 4010), 0, 417000, "", 26},
      {"no count flag", Counted(head, 36, "Xing", 2000, 0), 0, 417000, "", 26},
      {"mean bitrate", vbr + vbr + vbr, 0, 120000, "", 8},
      {"mono and stereo", vbr + Frames(Word(3, 3, 5, 0, 0, true), 1) + vbr, 0, 120000, "", {}},
      {"a sync not confirmed", Bytes(cbr) + std::string(46, '\0') + head, 0, 120050, "", 8},
      {"one frame, all the audio", head.substr(0, 417), 0, 417, "", 0},
      {"a frame and a byte", head.substr(0, 418), 0, 418, "", {}},
      {"two frames and a part", head.substr(0, 836), 0, 836, "", 0},
      {"the same further on", std::string(50, '\0') + head.substr(0, 836), 0, 886, "", {}},
      {"buffer longer than the file", head, 0, 500, "", 0},
      {"start past the end", head, 501, 500, "", {}},
      {"2^32 s and more", head, 0, uint64_t{1} << 60, "", {}},
      {"free format", "\xFF\xFB\x00\x64"s + std::string(4092, '\0'), 0, 4096, "", {}},
  };
  for (const auto& [what, audio, start, size, tail, seconds] : cases) {
    EXPECT_EQ(Mp3PlayLength(audio, start, size, tail), seconds) << what;
  }
}

TEST(Mp3PlayLength, RandomBytesGiveNoLength) {
  std::mt19937 random(11);
  std::string bytes(kAudioHeadSize, '\0');
  for (int round = 0; round < 500; ++round) {
    for (char& c : bytes) c = static_cast<char>(random());
    // Every other round with a sync byte every four bytes.
    for (size_t i = 0; round % 2 == 1 && i < bytes.size(); i += 4) bytes[i] = '\xFF';
    EXPECT_FALSE(Mp3PlayLength(bytes, 0, 1 << 20, {})) << round;
  }
}

}  // namespace
}  // namespace voltrak
