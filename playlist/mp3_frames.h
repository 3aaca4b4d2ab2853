// The play length of an MP3 file measured from a few of its bytes: MPEG-1,
// 2 and 2.5 audio, Layers I, II and III.
//
// What a caller reads, and why:
//  - kAudioHeadSize bytes at the file's start. AudioStartOf finds there
//    where the audio starts, after the ID3v2 tags at the front; the frames
//    are never looked for inside a tag, where a picture may hold anything.
//  - kAudioHeadSize bytes at the audio start, when the first read does not
//    already hold them (a tag longer than that read, or one that takes
//    much of it). Three frames in a row confirm the first one, and the
//    mean bitrate of the frames there gives a length when the file has no
//    frame count; the largest frames are 2,880 bytes, the usual ones 418.
//  - kFileTailSize bytes at the file's end (the whole file when shorter),
//    for the tags there, which are no audio: ID3v1 (128 bytes) last, then
//    APEv2 (a 32-byte footer), Lyrics3v2 ("LYRICS200" after a 6-digit size)
//    or an appended ID3v2.4 tag ("3DI" footer) before it. A tag is taken
//    off while its footer lies in the tail: one behind a tag longer than
//    the tail counts as audio, a few KiB at most, under a second.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace voltrak {

inline constexpr size_t kAudioHeadSize = 4096;
inline constexpr size_t kFileTailSize = 256;

enum class MpegVersion : uint8_t { kMpeg1, kMpeg2, kMpeg25 };

// One frame header as its four bytes say.
struct Mp3FrameHeader {
  MpegVersion Version;
  uint8_t Layer;             // 1, 2 or 3
  bool Mono;                 // one channel; the side information is shorter
  bool Protected;            // a 16-bit CRC follows the header
  uint32_t Bitrate;          // bits per second
  uint32_t SampleRate;       // samples per second
  uint32_t SamplesPerFrame;  // per channel
  uint32_t FrameLength;      // bytes, header and padding included
};

// The header the four bytes `word` (first byte highest) make; none for a
// missing sync, a reserved version, layer, bitrate, sample rate or
// emphasis, or free format (a bitrate given by no table).
std::optional<Mp3FrameHeader> ReadFrameHeader(uint32_t word);

// Where the audio starts: after the ID3v2 tag at the start of `head`, and
// after each further tag right behind it whose header `head` holds. 0 for
// a file that starts with none; none when a tag claims more than the
// file's `fileSize` bytes.
std::optional<uint64_t> AudioStartOf(std::string_view head, uint64_t fileSize);

// Where the audio ends: `fileSize` less the tags at the file's end that
// `tail`, the file's last bytes, shows (see above). Never before `audioStart`.
uint64_t AudioEndOf(std::string_view tail, uint64_t fileSize, uint64_t audioStart);

// The play length in whole seconds, to the nearest, of the file of
// `fileSize` bytes whose audio starts at `audioStart` (AudioStartOf) with
// the bytes `audio` (kAudioHeadSize, or fewer at the file's end; more are
// not looked at), and whose last bytes are `tail`.
//
// The first frame is the first one that the next two confirm; at the
// audio start, a frame that the next confirms before the bytes end, or
// that the audio ends with, is taken too. Its Xing, Info or VBRI frame
// count gives the length; without one, or with one the bytes cannot hold,
// the audio's bytes at the mean bitrate of the frames read. None when no
// frame is confirmed or the length passes 2^32 - 1 seconds.
std::optional<uint32_t> Mp3PlayLength(std::string_view audio, uint64_t audioStart,
                                      uint64_t fileSize, std::string_view tail);

}  // namespace voltrak
