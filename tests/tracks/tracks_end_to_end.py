#!/usr/bin/env python3
"""The track readers on real files: makes them with ffmpeg and lame
(make_test_tracks.py), measures them with measure_tracks, and compares each
length with ffprobe's (within a second) and each tag with the texts it was
made with. Without ffmpeg, ffprobe or lame it says so and passes.

The same files are then loaded by voltrak-cli as an untimed list: each
length and title must be what the readers gave.

usage: tracks_end_to_end.py --measure PATH [--cli PATH]
"""
import argparse
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import make_test_tracks  # noqa: E402

# The genre bytes of the names the tracks are made with.
GENRES = {"Trip-Hop": 27, "(17)": 17, "Jazz": 8, "Speech": 101}


def field(text, length):
    """A text as the block holds it: ISO-8859-1, '?' for the rest, cut."""
    return text.encode("latin-1", "replace")[:length].decode("latin-1")


def expected_block(tags):
    comment = field(tags.get("comment", ""), 30)
    track = int(re.match(r"\d*", tags.get("track", "")).group() or 0)
    return {"title": field(tags.get("title", ""), 30), "artist": field(tags.get("artist", ""), 30),
            "album": field(tags.get("album", ""), 30), "year": field(tags.get("date", ""), 4),
            "comment": comment,
            "track": track if 1 <= track <= 255 and len(comment) <= 28 else None,
            "genre": GENRES.get(tags.get("genre"), 255)}


def ffprobe_seconds(path):
    done = subprocess.run(["ffprobe", "-v", "error", "-show_entries", "format=duration",
                           "-of", "csv=p=0", path], check=True, stdout=subprocess.PIPE,
                          stderr=subprocess.DEVNULL, timeout=60)
    return float(done.stdout)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--measure", required=True)
    parser.add_argument("--cli")
    args = parser.parse_args()
    missing = [tool for tool in make_test_tracks.TOOLS if shutil.which(tool) is None]
    if missing:
        print("tracks_RealFiles skipped: %s not installed (tools/common.sh installs them)"
              % ", ".join(missing))
        return 0

    failures = []
    with tempfile.TemporaryDirectory(prefix="voltrak-tracks-") as folder:
        tracks = make_test_tracks.make_tracks(folder)
        done = subprocess.run([args.measure] + [t["file"] for t in tracks], check=True,
                              stdout=subprocess.PIPE, timeout=60)
        measured = {m["file"]: m for m in map(json.loads, done.stdout.decode().splitlines())}
        print("%-26s %9s %9s %7s" % ("file", "measured", "ffprobe", "off by"))
        for track in tracks:
            name = os.path.basename(track["file"])
            found = measured[track["file"]]
            reference = ffprobe_seconds(track["reference"])
            seconds = found["seconds"]
            off = None if seconds is None else seconds - reference
            print("%-26s %9s %9.3f %7s" % (name, seconds, reference,
                                          "-" if off is None else "%+.3f" % off))
            if off is None or abs(off) > 1:
                failures.append("%s: measured %s s, ffprobe %.3f s" % (name, seconds, reference))
            tags = track["tags"]
            want_v2 = expected_block(tags) if track["id3v2"] else None
            # The one file with an ID3v1 tag and no others has it appended here.
            want_v1 = expected_block(tags or {"title": "Trailing"}) if track["id3v1"] else None
            for kind, want in (("id3v2", want_v2), ("id3v1", want_v1)):
                if found[kind] != want:
                    failures.append("%s: %s read as %s, made as %s" % (name, kind, found[kind], want))
        if args.cli:
            # The load's own reads: one open for both ends of each file.
            listed = os.path.join(folder, "untimed.m3u")
            with open(listed, "w") as f:
                f.write("".join(os.path.basename(t["file"]) + "\n" for t in tracks))
            done = subprocess.run([args.cli, "--json", listed], check=True,
                                  stdout=subprocess.PIPE, timeout=60)
            loaded = json.loads(done.stdout.decode("utf-8"))["tracks"]
            for track, entry in zip(tracks, loaded):
                found = measured[track["file"]]
                want = (found["seconds"] or 0, "measured" if found["seconds"] is not None
                        else "none")
                if (entry["play_length"], entry["length_source"]) != want:
                    failures.append("%s: loaded as %s s (%s), measured %s" % (
                        entry["file_path"], entry["play_length"], entry["length_source"], want))
    for failure in failures:
        print("FAILED " + failure)
    print("tracks: %d files, %d faults" % (len(tracks), len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
