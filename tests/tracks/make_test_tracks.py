#!/usr/bin/env python3
"""Makes short real MP3 files with Debian's ffmpeg and lame, one of each
kind the track readers meet, and writes tracks.json beside them: each
file's name, the tags it was made with, and the file whose ffprobe length
it should match (itself, or its twin without the tags at its end).

usage: make_test_tracks.py FOLDER
"""
import json
import os
import struct
import subprocess
import sys

TOOLS = ("ffmpeg", "ffprobe", "lame")

# ffmpeg writes a comment as a TXXX frame, which is no comment to players:
# its tags have none; lame's have.
V23 = {"title": "Привет мир", "artist": "Björk Ærø", "album": "Short album",
       "date": "1997", "track": "7/12", "genre": "Trip-Hop"}
V24 = {"title": "Ωmega Café ☕ 𝄞", "artist": "Ünïcödé Artist",
       "album": "An album name well over thirty characters", "date": "2004-05-06",
       "track": "3", "genre": "(17)"}
LAME_TAGS = {"title": "A title that runs past thirty bytes", "artist": "Both Tags",
             "album": "Lame album", "date": "2011", "comment": "short", "track": "9",
             "genre": "Jazz"}
UTF16_TAGS = {"title": "Wide text", "artist": "UTF-16 writer", "album": "", "date": "1999",
              "comment": "", "track": "12", "genre": "Speech"}

# name, seconds, sample rate, channels, how it is encoded, tags, trailing tags
TRACKS = [
    ("cbr_128k.mp3", 4.3, 44100, 2, ("lame", "-b", "128"), None, None),
    ("cbr_320k_48k.mp3", 3.1, 48000, 2, ("lame", "-b", "320", "-t"), None, None),
    ("vbr_xing.mp3", 6.6, 44100, 2, ("lame", "-V", "2"), None, None),
    ("vbr_no_xing.mp3", 5.2, 44100, 2, ("lame", "-V", "2", "-t"), None, None),
    ("mpeg2_22k.mp3", 3.7, 22050, 2, ("lame", "-b", "64"), None, None),
    ("mpeg2_16k_vbr_mono.mp3", 4.6, 16000, 1, ("lame", "-V", "5"), None, None),
    ("mpeg25_8k.mp3", 5.4, 8000, 2, ("lame", "-b", "16", "-t"), None, None),
    ("mpeg25_11k_mono.mp3", 2.4, 11025, 1, ("lame", "-b", "24"), None, None),
    ("mono_64k.mp3", 3.4, 44100, 1, ("lame", "-b", "64", "-t"), None, None),
    ("layer2_48k.mp3", 4.1, 48000, 2, ("ffmpeg", "-c:a", "mp2", "-b:a", "192k", "-f", "mp2"),
     None, None),
    ("id3v23_only.mp3", 3.5, 44100, 2, ("ffmpeg", "-id3v2_version", "3"), V23, None),
    ("id3v24_only.mp3", 4.5, 44100, 2, ("ffmpeg", "-id3v2_version", "4"), V24, None),
    ("both_tags.mp3", 2.6, 44100, 2, ("lame", "-b", "96", "--add-id3v2"), LAME_TAGS, None),
    ("utf16_tag.mp3", 2.2, 32000, 2, ("lame", "-b", "80", "--id3v2-only", "--id3v2-utf16"),
     UTF16_TAGS, None),
    ("big_tag.mp3", 3.3, 44100, 2, ("ffmpeg", "-id3v2_version", "3", "picture"), V23, None),
    ("trailing_tags.mp3", 5.8, 44100, 2, ("lame", "-b", "64", "-t"), None,
     "ape lyrics id3v1"),
]


def run(command):
    done = subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, timeout=120)
    if done.returncode != 0:
        sys.exit("%s failed: %s" % (" ".join(command), done.stderr.decode(errors="replace")))


def source(folder, seconds, rate, channels):
    """A chirp with a little noise, so that VBR frames differ."""
    path = os.path.join(folder, "source-%d-%d-%s.wav" % (rate, channels, seconds))
    wave = "0.4*sin(2*PI*(150+400*t)*t)+0.05*(random(0)-0.5)"
    run(["ffmpeg", "-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i",
         "aevalsrc=%s:s=%d:d=%s" % ("|".join([wave] * channels), rate, seconds),
         "-c:a", "pcm_s16le", path])
    return path


def picture(folder):
    """A PNG of noise, about 100 KB: it does not compress."""
    path = os.path.join(folder, "cover.png")
    run(["ffmpeg", "-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i",
         "nullsrc=s=184x184,geq=random(1)*255:random(2)*255:random(3)*255",
         "-frames:v", "1", path])
    return path


LAME_FLAGS = {"title": "--tt", "artist": "--ta", "album": "--tl", "date": "--ty",
              "comment": "--tc", "track": "--tn", "genre": "--tg"}


def encode(folder, wav, path, how, tags):
    if how[0] == "lame":
        command = ["lame", "--quiet", "--noreplaygain", *how[1:]]
        for key, value in (tags or {}).items():
            if value:
                command += [LAME_FLAGS[key], value]
        run(command + [wav, path])
        return
    options = [option for option in how[1:] if option != "picture"]
    command = ["ffmpeg", "-nostdin", "-v", "error", "-y", "-i", wav]
    if "picture" in how:
        command += ["-i", picture(folder), "-map", "0", "-map", "1", "-c:v", "copy",
                    "-metadata:s:v", "comment=Cover (front)"]
    if "-c:a" not in options:
        options = ["-c:a", "libmp3lame", "-b:a", "128k"] + options
    for key, value in (tags or {}).items():
        command += ["-metadata", "%s=%s" % (key, value)]
    if "-f" not in options:
        options += ["-write_id3v1", "0", "-f", "mp3"]
    run(command + options + [path])


def trailing_tags(path):
    """An APEv2 tag with header and footer (its item about 20 KB, over a
    second at 64 kbps), a short Lyrics3v2 tag and an ID3v1 tag, in the
    order other programs leave them."""
    item = b"x" * 20000
    items = struct.pack("<II", len(item), 0) + b"Cover Art (Front)\0" + item
    size = len(items) + 32

    def ape(flags):
        return b"APETAGEX" + struct.pack("<IIII", 2000, size, 1, flags) + bytes(8)

    lyrics = b"LYRICSBEGIN" + b"IND00002" + b"10" + b"LYR00005" + b"la la"
    id3v1 = b"TAG" + b"Trailing".ljust(30, b"\0") + bytes(94) + bytes([255])
    with open(path, "ab") as f:
        f.write(ape(0xA0000000) + items + ape(0x80000000))
        f.write(lyrics + b"%06d" % len(lyrics) + b"LYRICS200")
        f.write(id3v1)


def make_tracks(folder):
    """Makes every track in `folder`; returns what tracks.json holds."""
    made = []
    for name, seconds, rate, channels, how, tags, trailing in TRACKS:
        wav = source(folder, seconds, rate, channels)
        path = os.path.join(folder, name)
        encode(folder, wav, path, how, tags)
        reference = path
        if trailing:
            reference = os.path.join(folder, "untagged-" + name)
            with open(path, "rb") as f, open(reference, "wb") as twin:
                twin.write(f.read())
            trailing_tags(path)
        made.append({"file": path, "reference": reference, "tags": tags,
                     "id3v2": bool(tags) and "--id3v1-only" not in how,
                     "id3v1": how[0] == "lame" and bool(tags) and "--id3v2-only" not in how
                     or bool(trailing),
                     "trailing": trailing})
        os.remove(wav)
    with open(os.path.join(folder, "tracks.json"), "w") as f:
        json.dump(made, f, indent=1, ensure_ascii=False)
    return made


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    os.makedirs(sys.argv[1], exist_ok=True)
    for track in make_tracks(sys.argv[1]):
        print(track["file"])
