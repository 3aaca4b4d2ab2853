#!/usr/bin/env python3
"""Runs the built voltrak-cli on generated folders and checks what it prints.

usage: cli_end_to_end.py --cli PATH --generator PATH [--windows-cli PATH] [--build DIR]
                         GROUP...
Each GROUP is one test class below; CTest runs them one by one.
"""
import argparse
import json
import os
import pty
import re
import resource
import select
import shutil
import subprocess
import sys
import tempfile
import unittest

CLI = None
GENERATOR = None
WINDOWS_CLI = None
BUILD = None

# The media table: caption, seconds, kilobytes.
MEDIA = [
    ("CDR", 4800, 716800), ("CDRW", 4320, 665600), ("Mini-CDR", 1260, 189440),
    ("Mini-CDRW", 1440, 215040), ("MiniDisc (74 MDLP)", 4440, 0),
    ("MiniDisc (80 MDLP)", 4800, 0), ("MiniDisc (ATRAC LP2 (74))", 8700, 0),
    ("MiniDisc (ATRAC LP2 (80))", 9420, 0), ("MiniDisc (ATRAC LP4 (74))", 18000, 0),
    ("MiniDisc (ATRAC LP4 (80))", 19200, 0), ("DVD-R????", 0, 4911104), ("128m", 0, 131072),
    ("256m", 0, 262144), ("512m", 0, 524288), ("1g", 0, 1048576), ("Days", 86400, 0),
    ("Weeks", 604800, 0),
]


def hms(seconds):
    return "%u:%02u:%02u" % (seconds // 3600, seconds // 60 % 60, seconds % 60)


def windows_name(posix_path):
    """How the program names a POSIX path: Z: is the root."""
    return "Z:" + posix_path.replace("/", "\\")


def run(args, cwd=None, program=None, stdout=subprocess.PIPE, timeout=120):
    command = ([program] if program else [CLI]) + list(args)
    done = subprocess.run(command, cwd=cwd, stdout=stdout, stderr=subprocess.PIPE,
                          timeout=timeout)
    return done.returncode, done.stdout, done.stderr


def tag(title=b"", artist=b"", album=b"", year=b"2001", comment=b"", genre=0):
    def field(text):
        return text[:30].ljust(30, b"\0")
    return b"TAG" + field(title) + field(artist) + field(album) + year[:4].ljust(4, b"\0") + \
        field(comment) + bytes([genre])


class Folder(unittest.TestCase):
    """A scratch folder per test, with helpers to fill it."""

    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="voltrak-cli-test-", dir="/tmp")

    def tearDown(self):
        shutil.rmtree(self.dir, ignore_errors=True)

    def path(self, *parts):
        return os.path.join(self.dir, *parts)

    def write(self, relative, data):
        full = self.path(relative)
        os.makedirs(os.path.dirname(full), exist_ok=True)
        with open(full, "wb") as f:
            f.write(data)
        return full

    def generate(self, sub, *options):
        folder = self.path(sub)
        done = subprocess.run([GENERATOR, folder] + list(options), stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, timeout=120, check=True)
        # "Z:\...\example.m3u: N entries, M missing, S seconds, K KB"
        words = done.stdout.decode().rsplit(": ", 1)[1].split()
        summary = {"entries": int(words[0]), "missing": int(words[2]),
                   "seconds": int(words[4]), "kb": int(words[6])}
        return os.path.join(folder, "example.m3u"), summary

    def json_of(self, *args, cwd=None):
        code, out, err = run(list(args) + ["--json"], cwd=cwd)
        self.assertEqual(code, 0, err)
        return json.loads(out.decode("utf-8")), err

    def timed_list(self, lengths, sizes=None):
        """A playlist of tracks with these play lengths and file sizes (bytes)."""
        lines = [b"#EXTM3U"]
        for i, seconds in enumerate(lengths):
            name = "t%02u.mp3" % i
            self.write(name, b"\0" * (sizes[i] if sizes else 2048))
            lines += [b"#EXTINF:%u,Track %u" % (seconds, i), name.encode()]
        return self.write("mix.m3u", b"\r\n".join(lines) + b"\r\n")


def latin(text):
    """The bytes a JSON text stands for: every character is one byte."""
    return None if text is None else text.encode("latin-1")


class Usage(Folder):
    def test_help_and_version(self):
        code, out, _ = run(["--help"])
        self.assertEqual(code, 0)
        for option in ("--paths", "--drive", "--fill", "--medium", "--capacity", "--reserve",
                       "--reserved-split", "--max-volumes", "--list", "--json", "--text", "--progress",
                       "--quiet", "--version", "--measure, --no-measure", "--id3v2, --no-id3v2",
                       "Weeks (10080mins,0mb)"):
            self.assertIn(option.encode(), out)
        # What the numbers mean, and what the defaults are.
        text = b" ".join(out.split())
        for said in (b"--fill=MODE time (default)", b"a bare number is KB",
                     b"700k is 700 MB", b"1:20:00 and 80:00 are 80 minutes",
                     b"volumes 1 to N+1 at most, the last holding all the rest",
                     b"valid UTF-8 is written as that text", b"Latin-1",
                     b"A PLAYLIST of - is read from standard input"):
            self.assertIn(said, text)
        code, out, _ = run(["--version"])
        self.assertEqual(code, 0)
        self.assertRegex(out.decode(), r"^voltrak-cli \d+\.\d+\.\d+\n$")

    def test_bad_usage_names_the_option_or_value(self):
        playlist = self.timed_list([100])
        # The messages themselves are checked in-process; here, that bad usage
        # stops before anything is loaded or printed.
        cases = [
            ([], b"no playlist"),
            (["--fill=split", playlist], b"--fill: 'split'"),
            (["--medium=Floppy", playlist], b"--medium: 'Floppy'"),
            (["--colour", playlist], b"--colour"),
            ([playlist, "--capacity"], b"--capacity needs a value"),
            (["--capacity=k", playlist], b"--capacity: 'k' holds no number"),
            (["--reserve=", playlist], b"--reserve: '' holds no number"),
            (["--measure=yes", playlist], b"--measure takes no value"),
        ]
        for args, named in cases:
            with self.subTest(args=args):
                code, out, err = run(args)
                self.assertEqual(code, 2)
                self.assertEqual(out, b"")
                self.assertIn(named, err)

    def test_a_wrong_medium_lists_the_valid_ones(self):
        code, out, err = run(["--medium=DVD", self.timed_list([100])])
        self.assertEqual((code, out), (2, b""))
        lines = err.decode().splitlines()
        self.assertEqual(lines[0], "voltrak-cli: --medium: 'DVD' is not a medium; give its row, "
                                   "its caption or its text:")
        self.assertEqual(lines[1:-1], ["%4u  %s (%umins,%umb)" % (row, c, s // 60, kb // 1024)
                                       for row, (c, s, kb) in enumerate(MEDIA)])
        self.assertEqual(lines[-1], "Try 'voltrak-cli --help' for more information.")

    def test_a_playlist_that_cannot_be_opened(self):
        # One line in the GNU form, naming the playlist as it was given.
        self.write("music/a.mp3", b"a" * 2048)
        cases = [(self.path("nope.m3u"), "No such file or directory"),
                 ("nope.m3u", "No such file or directory"),
                 ("music/a.mp3/x.m3u", "No such file or directory"),
                 ("music", "Is a directory")]
        for name, reason in cases:
            with self.subTest(name=name):
                code, out, err = run(["--json", name], cwd=self.dir)
                self.assertEqual((code, out), (1, b""))
                self.assertEqual(err.decode(), "voltrak-cli: %s: cannot open the playlist: %s\n"
                                 % (name, reason))

    def test_load_errors_alone_warn_and_keep_exit_code_zero(self):
        self.write("mix.m3u", b"gone.mp3\r\nalso gone.mp3\r\n")
        code, _, err = run([self.path("mix.m3u")])
        self.assertEqual(code, 0)
        self.assertEqual(err.decode(), "voltrak-cli: warning: 2 of 2 tracks could not be read; "
                         "first: %s: No such file or directory\n" % self.path("gone.mp3"))

    @unittest.skipUnless(os.path.exists("/dev/full"), "needs /dev/full")
    def test_output_that_cannot_be_written(self):
        playlist = self.timed_list([100, 200])
        for args in ([playlist], ["--json", playlist], ["--list", playlist], ["--help"]):
            with self.subTest(args=args), open("/dev/full", "wb") as full:
                code, _, _ = run(args, stdout=full)
                self.assertEqual(code, 3)


class Loading(Folder):
    def test_generated_folder_with_missing_files_and_odd_lines(self):
        playlist, made = self.generate("gen", "--count=60", "--missing=25", "--untagged=20",
                                       "--noinfo=20", "--ends=mixed", "--paths=mixed",
                                       "--letters")
        doc, err = self.json_of("--fill=none", "--quiet", playlist)
        self.assertEqual(err, b"")
        totals = doc["totals"]
        self.assertEqual(totals, {"tracks": made["entries"], "seconds": made["seconds"],
                                  "kb": made["kb"], "load_errors": made["missing"]})
        self.assertEqual(doc["readouts"]["1013"], str(made["kb"]))
        self.assertEqual(doc["title"], "example.m3u")
        folder = windows_name(self.path("gen"))
        for i, track in enumerate(doc["tracks"]):
            self.assertEqual(track["index"], i)
            self.assertEqual((track["volume"], track["volume_track"]), (0, i))
            path = track["file_path"]
            full = path if path[1:2] == ":" else ("Z:" + path if path.startswith("\\")
                                                   else folder + "\\" + path)
            on_disk = os.path.exists(full[2:].replace("\\", "/"))
            self.assertEqual(track["loaded"], on_disk, path)
            if not on_disk:
                self.assertEqual(track["file_size_kb"], 0)
                self.assertEqual(track["tag"], {"title": "", "artist": "", "album": "",
                                                "comment": "", "year": "", "genre": 0})
            if track["extended_info"] is None:
                self.assertEqual(track["play_length"], 0)
                self.assertEqual(track["track_name"], path.rsplit("\\", 1)[-1])
            else:
                self.assertEqual(track["track_name"], track["extended_info"].split(",", 1)[1])
            if track["tag"]["title"]:
                self.assertEqual(track["tag"]["comment"], "made by Voltrak")
                self.assertEqual(track["tag"]["year"], "2001")
                self.assertEqual(track["tag"]["genre"], 12)

    def test_odd_lines_read_as_the_format_says(self):
        self.write("a.mp3", b"x" * 3000 + tag(b"Title", b"Artist", year=b"19\0\0", genre=7))
        self.write("sub/b.mp3", b"y" * 1023)
        self.write("mix.m3u",
                   b"#EXTM3U\n\n\r\na.mp3\r\n"                  # header with LF only
                   b"#EXTINF:0245,First\r#EXTINF:-1,Second\r\r\nsub\\b.mp3\n"
                   b"#EXTINF: 245,Blank\nsub/b.mp3\r\n"
                   b"#EXTINF:12\r\n\\nowhere\\c.mp3\r\n"
                   b"#EXTINF:99,Trailing\r\n")
        doc, _ = self.json_of(self.path("mix.m3u"))
        tracks = doc["tracks"]
        self.assertEqual([t["file_path"] for t in tracks],
                         ["a.mp3", "sub\\b.mp3", "sub/b.mp3", "\\nowhere\\c.mp3"])
        self.assertEqual([t["extended_info"] for t in tracks],
                         ["#EXTM3U", "#EXTINF:-1,Second", "#EXTINF: 245,Blank", "#EXTINF:12"])
        self.assertEqual([t["track_name"] for t in tracks],
                         ["a.mp3", "Second", "Blank", "c.mp3"])
        self.assertEqual([t["play_length"] for t in tracks], [0, 0, 0, 12])
        self.assertEqual([t["loaded"] for t in tracks], [True, True, True, False])
        self.assertEqual([t["file_size_kb"] for t in tracks], [3, 0, 0, 0])
        self.assertEqual(tracks[0]["tag"], {"title": "Title", "artist": "Artist", "album": "",
                                            "comment": "", "year": "19", "genre": 7})
        self.assertEqual(doc["totals"], {"tracks": 4, "seconds": 12, "kb": 3, "load_errors": 1})

    def test_repaired_paths_stay_in_memory(self):
        playlist, _ = self.generate("gen", "--count=12", "--paths=mixed", "--missing=20")
        before = open(playlist, "rb").read()
        doc, err = self.json_of("--paths=absolute", playlist)
        # Made whole in the user's style, POSIX paths of the files; a drive
        # path the list held whole stays as it was written.
        folders = (self.path("gen") + "/", windows_name(self.path("gen")) + "\\")
        for track in doc["tracks"]:
            self.assertTrue(track["file_path"].startswith(folders), track["file_path"])
            if track["extended_info"] is None:
                self.assertEqual(track["track_name"], os.path.basename(
                    track["file_path"].replace("\\", "/")))
        self.assertEqual(err.decode(), "voltrak-cli: %s: path changed; the playlist file is left "
                         "as it was\n" % playlist)
        self.assertEqual(open(playlist, "rb").read(), before)

        # Paths on the playlist's drive lose it; paths from the root share no
        # beginning with the playlist's name and stay.
        doc, err = self.json_of("--paths=relative", playlist)
        for track in doc["tracks"]:
            self.assertFalse(track["file_path"].startswith("Z:"), track["file_path"])
        self.assertIn(b": path changed;", err)

        # Nothing to repair: no question.
        absolute, _ = self.generate("abs", "--count=3", "--paths=absolute")
        _, err = self.json_of("--paths=absolute", absolute)
        self.assertEqual(err, b"")

    def test_warnings_name_each_missing_file(self):
        self.write("here.mp3", b"z" * 2048)
        self.write("mix.m3u", b"gone.mp3\r\nhere.mp3\r\nlost.mp3\r\n")
        code, _, err = run(["--warn-load-errors", "mix.m3u"], cwd=self.dir)
        self.assertEqual(code, 0)
        self.assertEqual(err.decode(),
                         "voltrak-cli: %s: cannot open the track file: No such file or directory\n"
                         "voltrak-cli: %s: cannot open the track file: No such file or directory\n"
                         "voltrak-cli: mix.m3u: 2 of the files could not be opened\n"
                         % (self.path("gone.mp3"), self.path("lost.mp3")))

    def test_non_ascii_bytes_pass_through_unchanged(self):
        playlist, _ = self.generate("gen", "--count=40", "--high-bytes")
        doc, _ = self.json_of(playlist)
        raw = open(playlist, "rb").read()
        infos = [line for line in raw.replace(b"\r", b"\n").split(b"\n")
                 if line.startswith(b"#EXTINF")]
        self.assertEqual([latin(t["extended_info"]) for t in doc["tracks"]], infos)
        self.assertTrue(any(b"\xe9" in info for info in infos))
        titles = [latin(t["tag"]["title"]) for t in doc["tracks"]]
        self.assertTrue(any(b"\xbb" in title for title in titles))

        # A name of bytes that are no UTF-8 opens as written; --list prints it raw.
        self.write(os.fsdecode(b"caf\xe9.mp3"), b"m" * 4096)
        self.write("mix.m3u", b"#EXTINF:61,Na\xefve \x80\xff\r\ncaf\xe9.mp3\r\n")
        doc, _ = self.json_of(self.path("mix.m3u"))
        track = doc["tracks"][0]
        self.assertEqual(track["file_path"], "caf\u00e9.mp3")
        self.assertEqual(track["track_name"], "Na\u00efve \u0080\u00ff")
        self.assertTrue(track["loaded"])
        _, out, _ = run(["--list", self.path("mix.m3u")])
        self.assertEqual(out, b"  1  1   1  1:01        4 Na\xefve \x80\xff\n")

    def test_utf8_texts_are_written_as_they_are(self):
        name = "caf\u00e9/\u00e9t\u00e9.mp3"
        self.write(name, b"m" * 4096)
        self.write("mix.m3u", b"#EXTINF:61,Bj\xc3\xb6rk \xe2\x80\x93 J\xc3\xb3ga \xf0\x9f\x8e\xb5\n" +
                   name.encode() + b"\n#EXTINF:2,Caf\xc3\xa9 or Caf\xe9\n" + name.encode() + b"\n")
        code, out, _ = run(["--json", self.path("mix.m3u")])
        self.assertEqual(code, 0)
        self.assertIn(b"J\xc3\xb3ga", out)  # as it stands, not escaped
        tracks = json.loads(out.decode("utf-8"))["tracks"]
        self.assertEqual(tracks[0]["track_name"], "Bj\u00f6rk \u2013 J\u00f3ga \U0001f3b5")
        self.assertEqual(tracks[0]["file_path"], name)
        self.assertTrue(tracks[0]["loaded"])
        # One byte that is no UTF-8: that whole text reads as Latin-1, byte for byte.
        self.assertEqual(latin(tracks[1]["track_name"]), b"Caf\xc3\xa9 or Caf\xe9")

    def test_playlist_named_from_the_current_folder(self):
        self.timed_list([60, 70])
        os.makedirs(self.path("elsewhere"))
        by_name, _ = self.json_of("mix.m3u", cwd=self.dir)
        by_dots, _ = self.json_of("../elsewhere/.././mix.m3u", cwd=self.path("elsewhere"))
        by_full, _ = self.json_of(self.path("mix.m3u"))
        self.assertEqual(by_name, by_full)
        self.assertEqual(by_dots, by_full)
        self.assertEqual(by_full["totals"]["load_errors"], 0)
        # With --paths=absolute the playlist's folder shows no trace of the dots.
        doc, _ = self.json_of("--paths=absolute", "../elsewhere/../mix.m3u",
                              cwd=self.path("elsewhere"))
        self.assertEqual(doc["tracks"][0]["file_path"], self.path("t00.mp3"))


    def test_a_linux_players_list_from_standard_input(self):
        # Absolute paths and LF as a Linux player writes them, a byte-order
        # mark and a player's own option lines between #EXTINF: and the path.
        self.write("music/a.mp3", b"a" * 3072)
        self.write("music/sub/b.mp3", b"b" * 2048)
        text = ("\ufeff#EXTM3U\n#EXTINF:215,Band - Alpha\n#EXTVLCOPT:start-time=5\n"
                "#EXTALB:1999 Hits\n%s\n#EXTINF:-1,Radio\n#EXTVLCOPT:network-caching=1000\n"
                "music/sub/b.mp3\n#EXTINF:100,Gone\n/nowhere/gone.mp3\n"
                % self.path("music", "a.mp3")).encode("utf-8")
        self.write("mix.m3u", text)
        by_name, err = self.json_of("mix.m3u", "--quiet", cwd=self.dir)
        self.assertEqual(err, b"")
        tracks = by_name["tracks"]
        self.assertEqual([(t["track_name"], t["play_length"], t["loaded"]) for t in tracks],
                         [("Band - Alpha", 215, True), ("Radio", 0, True), ("Gone", 100, False)])
        self.assertEqual(tracks[0]["file_path"], self.path("music", "a.mp3"))
        self.assertEqual(by_name["totals"]["seconds"], 315)
        # The same text piped in, its relative entries found from the current folder.
        done = subprocess.run([CLI, "--json", "-"], input=text, cwd=self.dir,
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=120)
        self.assertEqual(done.returncode, 0, done.stderr)
        piped = json.loads(done.stdout.decode("utf-8"))
        self.assertEqual(piped["tracks"], tracks)
        self.assertEqual(piped["title"], "- - (1/1)  0:05:15/ 1:20:00")
        done = subprocess.run([CLI, "-"], input=b"", stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, timeout=120)
        self.assertEqual((done.returncode, done.stderr),
                         (0, b"voltrak-cli: -: the playlist has no entries\n"))

    def test_running_out_of_memory_is_no_plan(self):
        with open(CLI, "rb") as program:
            if b"__asan" in program.read():
                self.skipTest("the sanitizers want more memory than the limit")
        playlist = self.path("huge.m3u")
        with open(playlist, "wb") as f:
            f.truncate(3 << 30)  # sparse: no room on the disk is used
        limit = lambda: resource.setrlimit(resource.RLIMIT_AS, (1 << 30, 1 << 30))
        done = subprocess.run([CLI, playlist], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                              preexec_fn=limit, timeout=120)
        self.assertEqual((done.returncode, done.stdout), (1, b""))
        self.assertEqual(done.stderr.decode(), "voltrak-cli: %s: cannot load the playlist: "
                         "Cannot allocate memory\n" % playlist)


class Planning(Folder):
    def plan(self, lengths, *options, sizes=None):
        doc, _ = self.json_of(self.timed_list(lengths, sizes), *options)
        return doc, [(t["volume"], t["volume_track"]) for t in doc["tracks"]]

    def test_time_mode_fills_in_order(self):
        doc, volumes = self.plan([2000, 2000, 800, 100], "--fill=time")
        self.assertEqual(volumes, [(0, 0), (0, 1), (1, 0), (1, 1)])
        self.assertEqual(doc["title"], "mix.m3u - (2/2)  1:21:40/ 1:20:00")
        self.assertEqual(doc["readouts"], {"1005": "1:21:40", "1007": "1:20:00",
                                           "1008": "0:00:00", "1013": "8",
                                           "play_list": "1:21:40", "medium": "1:20:00",
                                           "reserve_first": "0:00:00", "total_kb": "8"})
        self.assertEqual(doc["volumes"], [
            {"number": 1, "tracks": 2, "seconds": 4000, "kb": 4, "overfull": False},
            {"number": 2, "tracks": 2, "seconds": 900, "kb": 4, "overfull": False}])
        self.assertEqual(doc["settings"], {
            "fill": "time", "medium_row": 0, "medium_caption": "CDR", "capacity_seconds": 4800,
            "capacity_kb": 716800, "reserve_seconds": 0, "reserve_kb": 0,
            "reserved_split": False, "max_volumes": 0})

    def test_time_is_the_default(self):
        playlist = self.timed_list([2000, 2000, 800, 100])
        self.assertEqual(run([playlist]), run(["--fill=time", playlist]))
        doc, _ = self.json_of("--fill=none", playlist)
        self.assertEqual(doc["settings"]["fill"], "none")
        self.assertEqual(doc["volumes"], [{"number": 1, "tracks": 4, "seconds": 4900, "kb": 8,
                                           "overfull": False}])

    def test_units_of_capacities_and_reserves(self):
        cases = [("time", "1:20:00", "1:20:00"), ("time", "80:00", "1:20:00"),
                 ("time", "90", "0:01:30"), ("size", "700k", "716800"), ("size", "1m", "1048576"),
                 ("size", "650", "650")]
        for fill, text, shown in cases:
            with self.subTest(fill=fill, text=text):
                doc, _ = self.plan([100], "--fill=" + fill, "--capacity=" + text,
                                   "--reserve=" + text)
                self.assertEqual((doc["readouts"]["medium"], doc["readouts"]["reserve_first"]),
                                 (shown, shown))
        doc, _ = self.plan([100], "--fill=size", "--capacity=700k", "--reserve=+100")
        self.assertEqual((doc["settings"]["capacity_kb"], doc["settings"]["reserve_kb"]),
                         (716800, 100))

    def test_sizes_and_lengths_in_the_units_people_use(self):
        playlist = self.timed_list([100])
        cases = [("--size=700MB", 683593), ("--size=4.7GB", 4589843), ("--size=700MiB", 716800),
                 ("--size=1G", 1048576), ("--size=650000000", 634765), ("--size=1.5 tb", 1464843750),
                 ("--time=80min", 4800), ("--time=1:20:00", 4800), ("--time=80:00", 4800),
                 ("--time=4800s", 4800), ("--time=1h 20m", 4800), ("--time=1.5h", 5400)]
        for option, value in cases:
            with self.subTest(option=option):
                settings = self.json_of(option, playlist)[0]["settings"]
                fill = option[2:6]
                key = "capacity_kb" if fill == "size" else "capacity_seconds"
                self.assertEqual((settings["fill"], settings[key]), (fill, value))
        # Not a size or length, past 32 bits (the window would wrap it), two fill modes.
        for args in (["--size=700XB"], ["--time=1:75:00"], ["--size=4TiB"], ["--time=50000d"],
                     ["--capacity=99999999999"], ["--reserve=-1:00"], ["--size=1G", "--time=1h"],
                     ["--fill=none", "--time=1h"]):
            with self.subTest(args=args):
                code, out, err = run(args + [playlist])
                self.assertEqual((code, out), (2, b""), err)

    def test_reserve_and_reserved_split(self):
        doc, volumes = self.plan([2000, 2000, 800, 100], "--fill=time", "--reserve=1:00:00")
        self.assertEqual(volumes, [(1, 0), (1, 1), (2, 0), (2, 1)])
        self.assertEqual(doc["title"], "mix.m3u - (3/2)  1:21:40/ 1:20:00")
        self.assertEqual(doc["readouts"]["1008"], "1:00:00")
        _, volumes = self.plan([3000, 1000, 2000, 500], "--fill=time", "--reserved-split")
        self.assertEqual(volumes, [(0, 0), (0, 1), (1, 0), (1, 1)])
        # Relative reserves count from the value typed before.
        doc, _ = self.plan([10], "--fill=time", "--reserve=10:00", "--reserve=-1:00",
                           "--reserve=+0:30")
        self.assertEqual(doc["readouts"]["1008"], "0:09:30")

    def test_capacity_expressions(self):
        cases = [("+5:00", "1:25:00"), ("-5:00", "1:15:00"), ("5:00", "0:05:00"),
                 ("74:00+6:00", "1:20:00"), ("1.5", "0:01:05")]
        for text, shown in cases:
            with self.subTest(capacity=text):
                doc, _ = self.plan([100], "--fill=time", "--capacity=" + text)
                self.assertEqual(doc["readouts"]["1007"], shown)
        # Relative to the medium chosen, wherever the options stand.
        doc, _ = self.plan([100], "--capacity=+1:00", "--medium=Mini-CDR", "--fill=time")
        self.assertEqual(doc["readouts"]["1007"], hms(1260 + 60))
        doc, _ = self.plan([100], "--fill=size", "--capacity=-50k")
        self.assertEqual(doc["readouts"]["1007"], str(716800 - 51200))
        # A capacity of 5 minutes splits three 2-minute tracks 2 + 1.
        _, volumes = self.plan([120, 120, 120], "--fill=time", "--capacity=5:00")
        self.assertEqual(volumes, [(0, 0), (0, 1), (1, 0)])
        # With no splitting the typed text changes nothing.
        doc, volumes = self.plan([120, 120], "--fill=none", "--capacity=1", "--reserve=1")
        self.assertEqual(volumes, [(0, 0), (0, 1)])
        self.assertEqual(doc["readouts"], {"1005": "", "1007": "", "1008": "", "1013": "4",
                                           "play_list": "", "medium": "", "reserve_first": "",
                                           "total_kb": "4"})

    def test_size_mode(self):
        kb = 1024
        _, volumes = self.plan([1, 1, 1, 1], "--fill=size", "--capacity=10",
                               sizes=[4 * kb, 5 * kb + 1023, 1 * kb, 3 * kb])
        # 4 fits (space 6), 5 fits (1 left), 1 does not fit exactly, opens volume 1.
        self.assertEqual(volumes, [(0, 0), (0, 1), (1, 0), (1, 1)])
        doc, _ = self.plan([1], "--fill=size", sizes=[3 * kb])
        self.assertEqual(doc["title"], "mix.m3u - (1) 3 716800")

    def test_volume_cap(self):
        _, volumes = self.plan([100] * 5, "--fill=time", "--capacity=150", "--max-volumes=1")
        self.assertEqual(volumes, [(0, 0), (1, 0), (1, 0), (1, 0), (1, 0)])
        _, out, _ = run(["--list", "--fill=time", "--capacity=150", "--max-volumes=1",
                         self.path("mix.m3u")])
        self.assertEqual([line.split()[:3] for line in out.decode().splitlines()],
                         [["1", "1", "1"], ["2", "2", "1"], ["3", "2", "2"], ["4", "2", "3"],
                          ["5", "2", "4"]])

    def test_every_medium_by_row_caption_and_text(self):
        playlist = self.timed_list([600, 700], sizes=[2048, 3072])
        for row, (caption, seconds, kb) in enumerate(MEDIA):
            listed = "%s (%umins,%umb)" % (caption, seconds // 60, kb // 1024)
            for fill in ("time", "size"):
                with self.subTest(row=row, fill=fill):
                    by_row, _ = self.json_of("--fill=" + fill, "--medium=%d" % row, playlist)
                    by_caption, _ = self.json_of("--fill=" + fill, "--medium=" + caption.lower(),
                                                 playlist)
                    by_text, _ = self.json_of("--fill=" + fill, "--medium=" + listed, playlist)
                    self.assertEqual(by_row, by_caption)
                    self.assertEqual(by_row, by_text)
                    self.assertEqual((by_row["settings"]["medium_row"],
                                      by_row["settings"]["medium_caption"]), (row, caption))
                    shown = hms(seconds) if fill == "time" else str(kb)
                    self.assertEqual(by_row["readouts"]["1007"], shown)
                    if (seconds if fill == "time" else kb) == 0:
                        # No capacity of that kind: every track its own volume.
                        self.assertEqual(by_row["title"], "mix.m3u")
                        self.assertEqual([t["volume"] for t in by_row["tracks"]], [1, 2])


class Warnings(Folder):
    """What may make a plan wrong is said on standard error and carried in
    the JSON; with --strict the run ends after the plan with 1, writing
    nothing."""

    def test_each_warning_is_said_carried_and_made_fatal_by_strict(self):
        self.timed_list([3000, 6000, 100, 200])
        playlist = self.write("mix.m3u", open(self.path("mix.m3u"), "rb").read() + b"gone.mp3\r\n")
        medium = ", more than the medium holds (1:20:00)"
        cases = [
            ([], {"unread": "1 of 5 tracks could not be read; first: %s: No such file or directory"
                            % self.path("gone.mp3"),
                  "oversize": "track 2 (Track 1) takes 1:40:00" + medium}),
            (["--max-volumes=1"], {"overfull": "volume 2 holds 1:45:00" + medium +
                                   " (--max-volumes puts the rest of the list into it)"}),
            (["--medium=DVD-R????"], {"no_capacity": "the capacity is 0 seconds, so every track "
                                      "takes a volume of its own; choose a medium that holds "
                                      "time, or give --time"}),
            (["--capacity=2m"], {"capacity_unit": "--capacity=2m is 2097152 seconds (582:32:32) "
                                 "in a time plan, as k, m, g and t multiply by 1024; write a "
                                 "length as 10:00, or give the capacity with --time"}),
        ]
        for options, said in cases:
            with self.subTest(options=options):
                code, out, err = run(options + ["--json", playlist])
                self.assertEqual(code, 0, err)
                warnings = {w["kind"]: w["text"] for w in json.loads(out)["warnings"]}
                lines = err.decode().splitlines()
                self.assertEqual(len(lines), len(warnings))
                for kind, text in said.items():
                    self.assertEqual(warnings.get(kind), text)
                    self.assertIn("voltrak-cli: warning: " + text, lines)
                code, out, err = run(options + ["--strict", "--quiet", "--cue", playlist])
                self.assertEqual((code, err), (1, b""))
                self.assertTrue(out.startswith(b"mix.m3u"), out)
                self.assertFalse(os.path.exists(self.path("mix.cue")))
        doc, _ = self.json_of("--quiet", playlist)
        self.assertEqual([t["oversize"] for t in doc["tracks"]], [False, True, False, False, False])
        self.assertEqual([v["overfull"] for v in doc["volumes"]], [False, True, False])
        self.assertEqual(run(["--strict", "--cue", self.timed_list([100, 200])])[:1], (0,))
        self.assertTrue(os.path.exists(self.path("mix.cue")))


class Output(Folder):
    def test_default_output_and_list(self):
        playlist = self.timed_list([2000, 2000, 800, 100], sizes=[2048, 2048, 3072, 1024])
        code, out, err = run(["--fill=time", "--medium=0", playlist])
        self.assertEqual((code, err), (0, b""))
        self.assertEqual(out.decode(),
                         "mix.m3u - (2/2)  1:21:40/ 1:20:00\n"
                         "Play List:   1:21:40\n"
                         "Medium:      1:20:00\n"
                         "Reserve 1st: 0:00:00\n"
                         "Total KB:    8\n"
                         "Volume  Tracks       Time          KB\n"
                         "     1       2    1:06:40           4\n"
                         "     2       2    0:15:00           4\n")
        code, out, _ = run(["--list", "--fill=time", playlist])
        self.assertEqual(out.decode(),
                         "  1  1   1 33:20        2 Track 0\n"
                         "  2  1   2 33:20        2 Track 1\n"
                         "  3  2   1 13:20        3 Track 2\n"
                         "  4  2   2  1:40        1 Track 3\n")
        # The clipboard's text: entries without a folder stand without a folder line.
        code, out, _ = run(["--text", playlist])
        self.assertEqual(out, b"mix\r\nTotal tracks: 4\r\nTotal time:  1:21:40\r\n"
                              b"Average time: 20:25\r\n  1 Track 0\t33:20\r\n  2 Track 1\t33:20\r\n"
                              b"  3 Track 2\t13:20\r\n  4 Track 3\t1:40\r\n\r\n\r\n")
        code, out, _ = run(["--text=grouped", playlist])
        self.assertEqual(out, b"t00.mp3\r\nt01.mp3\r\nt02.mp3\r\nt03.mp3\r\n")

    def test_empty_playlist(self):
        self.write("empty.m3u", b"#EXTM3U\r\n#EXTINF:10,no path follows\r\n")
        code, out, err = run(["empty.m3u"], cwd=self.dir)
        self.assertEqual(code, 0)
        self.assertEqual(err, b"voltrak-cli: empty.m3u: the playlist has no entries\n")
        self.assertEqual(out.decode().splitlines()[0], "Voltrak - by the Voltrak team")
        doc, _ = self.json_of(self.path("empty.m3u"))
        self.assertEqual(doc["tracks"], [])
        self.assertEqual(doc["totals"], {"tracks": 0, "seconds": 0, "kb": 0, "load_errors": 0})

    def test_progress_bar_on_request_only(self):
        playlist, _ = self.generate("gen", "--count=30")
        _, _, err = run(["--progress", playlist])
        self.assertIn(b"Loading \"example.m3u\" [", err)
        self.assertIn(b"30/30", err)
        _, _, err = run([playlist])  # standard error is no terminal here
        self.assertEqual(err, b"")
        _, _, err = run(["--progress", "--quiet", playlist])
        self.assertEqual(err, b"")


def tree(folder):
    """Every name under `folder` with its size and time (folders: None)."""
    found = {}
    for top, folders, files in os.walk(folder):
        for name in folders + files:
            path = os.path.join(top, name)
            found[path] = None if name in folders else (os.path.getsize(path),
                                                         os.stat(path).st_mtime_ns)
    return found


class FileLines(Folder):
    """--dry-run names every file a run would write and writes none;
    --verbose names every file it writes: the same, in the past tense."""

    def test_a_dry_run_names_what_the_run_then_does(self):
        playlist, _ = self.generate("gen", "--count=12", "--paths=mixed")
        args = ["--paths=absolute", "--rewrite", "--time=20min", "--split", "--html", "--cue",
                "--label", "--per-volume", "--copy=" + self.path("burn", "new"), "--quiet", playlist]
        before = tree(self.dir)
        code, dry, _ = run(["--dry-run"] + args)
        self.assertEqual(code, 0)
        self.assertEqual(tree(self.dir), before)
        code, done, err = run(["--verbose"] + args)
        self.assertEqual(code, 0, err)
        tense = {"would write": "wrote", "would copy": "copied", "would make folder": "made folder",
                 "would back up": "backed up"}
        said = [line for line in dry.decode().splitlines() if line.startswith("would ")]
        for future, past in tense.items():
            said = [past + line[len(future):] if line.startswith(future + " ") else line
                    for line in said]
        lines = [line for line in done.decode().splitlines() if line.startswith(
            tuple(tense.values()))]
        stamp = lambda lines: [re.sub(r"-\d{14}\.", "-STAMP.", line) for line in lines]
        self.assertEqual(stamp(said), stamp(lines))
        self.assertEqual(len([line for line in lines if line.startswith("copied ")]), 12)
        # Every name that is new is said, and every name said is there.
        named = {re.match(r"(?:wrote|made folder|copied .* ->|backed up .* as) (.*)", line)[1]
                 for line in lines}
        self.assertEqual(set(tree(self.dir)) - set(before), named - {playlist})


class Drives(Folder):
    def test_other_drive_letters_come_from_the_option(self):
        self.write("music/a.mp3", b"a" * 2048)
        self.write("lists/mix.m3u", b"D:\\a.mp3\r\nd:\\A.MP3\r\n\\\\server\\share\\a.mp3\r\n")
        doc, _ = self.json_of(self.path("lists", "mix.m3u"))
        self.assertEqual([t["loaded"] for t in doc["tracks"]], [False, False, False])
        doc, _ = self.json_of("--drive=D=" + self.path("music"), self.path("lists", "mix.m3u"))
        # Names are found whatever their case, as on Windows; shares never open.
        self.assertEqual([t["loaded"] for t in doc["tracks"]], [True, True, False])
        self.assertEqual(doc["totals"]["load_errors"], 1)

    def test_a_playlist_inside_a_mapped_folder_is_on_that_drive(self):
        self.write("music/sub/a.mp3", b"a" * 2048)
        self.write("music/sub/mix.m3u", b"a.mp3\r\n\\sub\\a.mp3\r\n")
        # A relative folder counts from the current one.
        doc, _ = self.json_of("--paths=absolute", "--drive=m=music",
                              self.path("music", "sub", "mix.m3u"), cwd=self.dir)
        self.assertEqual([t["file_path"] for t in doc["tracks"]],
                         [self.path("music", "sub", "a.mp3")] * 2)
        self.assertEqual(doc["totals"]["load_errors"], 0)

    def test_drive_z_can_be_moved(self):
        self.write("root/a.mp3", b"a" * 2048)
        self.write("mix.m3u", b"Z:\\a.mp3\r\n")
        doc, _ = self.json_of(self.path("mix.m3u"))
        self.assertFalse(doc["tracks"][0]["loaded"])
        # Z: no longer the root: the playlist itself must be named by a drive.
        self.write("root/mix.m3u", b"Z:\\a.mp3\r\n")
        doc, _ = self.json_of("--drive=Z=" + self.path("root"), "Z:\\mix.m3u")
        self.assertTrue(doc["tracks"][0]["loaded"])
        code, _, err = run(["--drive=Z=" + self.path("root"), "Y:\\mix.m3u"])
        self.assertEqual(code, 1)
        self.assertEqual(err, b"voltrak-cli: Y:\\mix.m3u: cannot open the playlist: "
                         b"No such file or directory\n")


class Rewrite(Folder):
    """Duplicates and the rewrite of the playlist file."""

    def dup_list(self):
        for name in ("a.mp3", "b.mp3"):
            self.write(name, b"x" * 3072)
        return self.write("mix.m3u", b"#EXTM3U\r\na.mp3\r\nb.mp3\r\na.mp3\r\n")

    def test_keep_first_and_keep_last(self):
        playlist = self.dup_list()
        for mode, kept in (("keep-first", [0, 1]), ("keep-last", [1, 2]), ("keep-all", [0, 1, 2])):
            doc, err = self.json_of("--duplicates=" + mode, playlist)
            names = ["a.mp3", "b.mp3", "a.mp3"]
            self.assertEqual([t["file_path"] for t in doc["tracks"]], [names[i] for i in kept])
            self.assertEqual(doc["totals"]["kb"], 3 * len(kept))
            self.assertEqual(doc["rewritten"], False)
            if mode == "keep-all":
                self.assertIsNone(doc["pending_message"])
            else:
                self.assertEqual(doc["pending_message"], "Duplicates removed.")
                self.assertIn(b"duplicates removed; the playlist file is left as it was", err)

    def test_query_asks_on_the_terminal_only(self):
        import pty
        playlist = self.dup_list()
        code, _, err = run(["--duplicates=query", playlist])
        self.assertEqual(code, 2)
        self.assertIn(b"needs a terminal", err)
        master, slave = pty.openpty()
        os.write(master, b"x\n2\n")
        done = subprocess.run([CLI, "--duplicates=query", "--json", playlist], stdin=slave,
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=60)
        os.close(slave)
        os.close(master)
        self.assertEqual(done.returncode, 0, done.stderr)
        shown = done.stderr.decode()
        self.assertIn("Duplicate 2\n  File Name             a.mp3\n", shown)
        self.assertIn("  Playlist Entry        3\n", shown)
        self.assertEqual(shown.count("stop checking (s)?"), 2, shown)  # "x" is asked again
        doc = json.loads(done.stdout.decode())
        self.assertEqual([t["file_path"] for t in doc["tracks"]], ["a.mp3", "b.mp3"])

    def test_rewrite_backs_up_writes_and_reloads(self):
        playlist = self.dup_list()
        before = open(playlist, "rb").read()
        doc, err = self.json_of("--paths=absolute", "--duplicates=keep-first", "--rewrite", playlist)
        self.assertEqual(doc["pending_message"], "Duplicates removed and paths changed.")
        self.assertTrue(doc["rewritten"])
        backups = [n for n in os.listdir(self.dir) if n.startswith("mix-") and n.endswith(".m3u")]
        self.assertEqual(len(backups), 1, os.listdir(self.dir))
        self.assertEqual(open(self.path(backups[0]), "rb").read(), before)
        self.assertEqual(open(playlist, "rb").read(),
                         ("#EXTM3U\r\n%s\r\n%s\r\n" % (self.path("a.mp3"),
                                                         self.path("b.mp3"))).encode())
        self.assertIn(("the old playlist is kept as %s\n" % self.path(backups[0])).encode(), err)
        self.assertEqual(sorted(os.listdir(self.dir)), sorted(["a.mp3", "b.mp3", "mix.m3u", backups[0]]))

    def test_a_refused_rewrite_keeps_the_file(self):
        playlist = self.dup_list()
        before = open(playlist, "rb").read()
        code, _, _ = run(["--rewrite", "-"])
        self.assertEqual(code, 2)
        if subprocess.run(["chattr", "+i", self.dir], stderr=subprocess.DEVNULL).returncode != 0:
            self.skipTest("no immutable folders here")
        try:
            code, _, err = run(["--duplicates=keep-first", "--rewrite", playlist])
        finally:
            subprocess.run(["chattr", "-i", self.dir])
        self.assertEqual(code, 3, err)
        self.assertIn(b"cannot write the new playlist; the old one is kept", err)
        self.assertEqual(open(playlist, "rb").read(), before)
        self.assertEqual(sorted(os.listdir(self.dir)), ["a.mp3", "b.mp3", "mix.m3u"])


class Copy(Folder):
    """--copy: numbered copies, and a refusal when they cannot fit."""

    def listed(self):
        self.write("music/07 - Song.mp3", b"s" * 5000)
        self.write("music/b.mp3", b"b" * 3000)
        return self.write("mix.m3u", b"#EXTM3U\r\n#EXTINF:10,Band - Hit: Remix?\r\n"
                          b"music\\\\07 - Song.mp3\r\nmusic\\\\b.mp3\r\n")

    def test_copies_in_list_order_under_numbered_names(self):
        playlist = self.listed()
        os.utime(self.path("music/b.mp3"), (1000000000, 1100000000))
        code, _, err = run(["--copy=" + self.path("out"), "--quiet", playlist])
        self.assertEqual(code, 0, err)
        # A name from the file name loses its full stop, as every name by information.
        self.assertEqual(sorted(os.listdir(self.path("out"))),
                         ["001-Band - Hit Remix.mp3", "002-bmp3.mp3"])
        self.assertEqual(open(self.path("out/001-Band - Hit Remix.mp3"), "rb").read(), b"s" * 5000)
        self.assertEqual(int(os.stat(self.path("out/002-bmp3.mp3")).st_mtime), 1100000000)
        code, _, err = run(["--copy=" + self.path("byfile"), "--copy-name=file", playlist])
        self.assertEqual(code, 0, err)
        self.assertEqual(sorted(os.listdir(self.path("byfile"))), ["001-Song.mp3", "002-b.mp3"])

    def test_refused_when_the_folder_is_too_small(self):
        playlist = self.listed()
        self.write("big.mp3", b"\0" * (2 << 20))
        self.write("mix.m3u", open(playlist, "rb").read() + b"big.mp3\r\n")
        small = self.path("small")
        os.makedirs(small)
        if subprocess.run(["mount", "-t", "tmpfs", "-o", "size=1m", "tmpfs", small],
                          stderr=subprocess.DEVNULL).returncode != 0:
            self.skipTest("cannot mount a small file system here")
        try:
            code, _, err = run(["--copy=" + small, playlist])
            self.assertEqual(code, 3)
            self.assertIn(b"not enough free space", err)
            self.assertEqual(os.listdir(small), [])
            # Forced, the copies that fit are made and the one that does not is named.
            code, _, err = run(["--copy=" + small, "--force", playlist])
            self.assertEqual(code, 3)
            self.assertIn(b"cannot write the copy", err)
            self.assertEqual(sorted(os.listdir(small)), ["001-Band - Hit Remix.mp3", "002-bmp3.mp3"])
        finally:
            subprocess.run(["umount", small])


class NothingLost(Folder):
    """The user's files survive whatever names reach them: no copy onto its
    own source, no output over the playlist, no link followed, no list cut
    short by a read error."""

    def test_a_copy_onto_its_own_source_is_skipped(self):
        song = b"S" * 5000
        # Each: the playlist's text, extra options, the copy folder, the source.
        def absolute():
            self.write("burn/001-Song A.mp3", song)
            return (b"#EXTINF:1,Song A\r\n" + self.path("burn/001-Song A.mp3").encode(), [],
                    self.path("burn"), "burn/001-Song A.mp3")

        def linked_folder():
            self.write("music/001-a.mp3", song)
            os.symlink(self.path("music"), self.path("link"))
            return b"music\\001-a.mp3", ["--copy-name=file"], self.path("link"), "music/001-a.mp3"

        def dotted():
            self.write("001-a.mp3", song)
            return b".\\001-a.mp3", ["--copy-name=file"], self.dir, "001-a.mp3"

        def hard_link():
            self.write("in/a.mp3", song)
            os.makedirs(self.path("out"))
            os.link(self.path("in/a.mp3"), self.path("out/001-a.mp3"))
            return b"in\\a.mp3", ["--copy-name=file"], self.path("out"), "in/a.mp3"

        for arrange in (absolute, linked_folder, dotted, hard_link):
            with self.subTest(arrange.__name__):
                shutil.rmtree(self.dir)
                os.makedirs(self.dir)
                text, options, folder, source = arrange()
                playlist = self.write("mix.m3u", b"#EXTM3U\r\n" + text + b"\r\n")
                code, _, err = run(["--copy=" + folder, "--quiet"] + options + [playlist])
                self.assertEqual((code, err), (0, b""))
                self.assertEqual(open(self.path(source), "rb").read(), song)

    def test_a_read_error_is_no_end_of_the_list(self):
        code, out, err = run(["/proc/self/mem"])
        self.assertEqual((code, out), (1, b""))
        self.assertIn(b"cannot read the playlist: Input/output error", err)

    def test_no_output_is_written_over_the_playlist(self):
        self.write("a.mp3", b"a" * 2000)
        for option, name in (("--cue", "list.cue"), ("--label", "list.lbl"), ("--html", "list.html")):
            playlist = self.write(name, b"#EXTM3U\r\n#EXTINF:5,A\r\na.mp3\r\n")
            code, _, err = run([option, "--quiet", playlist])
            self.assertEqual(code, 3, err)
            self.assertIn(b"not written: it is the playlist itself", err)
            self.assertEqual(open(playlist, "rb").read(), b"#EXTM3U\r\n#EXTINF:5,A\r\na.mp3\r\n")

    def test_texts_from_files_reach_a_terminal_harmlessly(self):
        evil = b"\x1b]0;PWNED\x07\x1b[2J"
        self.write("a.mp3", b"a" * 2000)
        playlist = self.write("mix.m3u", b"#EXTINF:5," + evil + b"\r\na.mp3\r\n"
                              b"#EXTINF:5," + evil + b"\r\na.mp3\r\n")
        master, slave = pty.openpty()
        os.write(master, b"b\n")
        done = subprocess.run([CLI, "--list", "--duplicates=query", playlist], stdin=slave,
                              stdout=slave, stderr=subprocess.PIPE, timeout=60)
        os.close(slave)
        shown = b""
        while True:
            ready, _, _ = select.select([master], [], [], 0.5)
            if not ready:
                break
            try:
                shown += os.read(master, 65536)
            except OSError:
                break
        os.close(master)
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertIn(b"\\x1b]0;PWNED\\x07\\x1b[2J", shown)
        self.assertIn(b"\\x1b]0;PWNED", done.stderr)  # the question shows the entries too
        self.assertNotIn(b"\x1b", shown + done.stderr)

    def test_an_entry_is_named_as_the_playlist_holds_it(self):
        self.write("t1.mp3", b"a" * 2000)
        playlist = self.write("mix.m3u", b"t1.mp3\0junk\r\n")
        code, _, err = run(["--warn-load-errors", playlist])
        self.assertEqual(code, 0, err)
        self.assertIn(("%s\\x00junk: cannot open the track file: Invalid argument\n"
                       % self.path("t1.mp3")).encode(), err)

    def test_a_planted_link_is_never_written_through(self):
        self.write("a.mp3", b"a" * 2000)
        playlist = self.write("mix.m3u", b"a.mp3\r\n")
        elsewhere = self.write("elsewhere", b"mine")
        os.symlink(elsewhere, playlist + ".new.tmp")
        os.symlink(elsewhere, self.path("mix.cue"))
        code, _, err = run(["--paths=absolute", "--rewrite", "--cue", "--quiet", playlist])
        self.assertEqual(code, 0, err)
        self.assertEqual(open(elsewhere, "rb").read(), b"mine")
        self.assertFalse(os.path.islink(playlist))
        self.assertFalse(os.path.islink(self.path("mix.cue")))
        self.assertIn(b"INDEX 01 00:00:00", open(self.path("mix.cue"), "rb").read())


class NativePaths(Folder):
    """A collection in music/Artist/Album/NN Title.mp3 and a list of "/"
    paths beside it, as find and other players write them: everything the
    program writes back is in the user's style, and read back by real
    consumers."""

    def collection(self):
        for name in ("01 Song #1.mp3", "02 Song #2.mp3"):
            self.write("music/Ana Bj\u00f6rk/Fj\u00f6rd/" + name, b"s" * 3000)
        return self.write("lists/mix.m3u",
                          "#EXTINF:60,Ana - One\n../music/Ana Bj\u00f6rk/Fj\u00f6rd/01 Song #1.mp3\n"
                          "../music/Ana Bj\u00f6rk/Fj\u00f6rd/02 Song #2.mp3\n".encode())

    def test_names_copies_and_grouped_text_follow_the_slashes(self):
        playlist = self.collection()
        doc, _ = self.json_of(playlist)
        self.assertEqual([t["track_name"] for t in doc["tracks"]], ["Ana - One", "02 Song #2.mp3"])
        code, _, err = run(["--copy=" + self.path("out"), "--copy-name=file", "--quiet", playlist])
        self.assertEqual(code, 0, err)
        self.assertEqual(sorted(os.listdir(self.path("out"))),
                         ["001-Song #1.mp3", "002-Song #2.mp3"])
        code, out, _ = run(["--text=grouped", playlist])
        self.assertEqual(out.split(b"\r\n")[:3], [
            "../music/Ana Bj\u00f6rk/Fj\u00f6rd".encode(), b"01 Song #1.mp3", b"02 Song #2.mp3"])

    def test_a_rewritten_list_names_files_that_exist(self):
        playlist = self.collection()
        code, _, err = run(["--paths=absolute", "--rewrite", "--quiet", playlist])
        self.assertEqual(code, 0, err)
        lines = [l for l in open(playlist, "rb").read().decode().split("\r\n")
                 if l and not l.startswith("#")]
        self.assertEqual(len(lines), 2)
        for line in lines:
            self.assertTrue(line.startswith(self.path("music")), line)
            self.assertTrue(os.path.isfile(line), line)
        # And back, for a list beside the music: relative to it, with "/".
        moved = self.path("music", "mix.m3u")
        os.rename(playlist, moved)
        code, _, err = run(["--paths=relative", "--rewrite", "--quiet", moved])
        self.assertEqual(code, 0, err)
        self.assertEqual([l for l in open(moved, "rb").read().decode().split("\r\n")
                          if l and not l.startswith("#")], [
            "Ana Bj\u00f6rk/Fj\u00f6rd/01 Song #1.mp3", "Ana Bj\u00f6rk/Fj\u00f6rd/02 Song #2.mp3"])

    def test_standard_input_needs_a_name_for_what_goes_beside_it(self):
        playlist = self.collection()
        text = open(playlist, "rb").read()
        for option in ("--split", "--html", "--cue", "--label", "--rewrite"):
            done = subprocess.run([CLI, option, "-"], input=text, stdout=subprocess.PIPE,
                                  stderr=subprocess.PIPE, cwd=self.dir, timeout=60)
            self.assertEqual(done.returncode, 2, option)
            self.assertIn(b"--name=PATH", done.stderr)
        self.assertEqual(sorted(os.listdir(self.dir)), ["lists", "music"])
        done = subprocess.run([CLI, "--split", "--cue", "--name=" + self.path("lists", "piped.m3u"),
                               "-"], input=text, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                              timeout=60)
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertTrue(os.path.isfile(self.path("lists", "piped-001.M3U")))
        self.assertIn(b"FILE piped.WAV WAVE", open(self.path("lists", "piped.cue"), "rb").read())
        done = subprocess.run([CLI, "--copy=" + self.path("out"), "--quiet", "-"], input=text,
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                              cwd=self.path("lists"), timeout=60)
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertEqual(len(os.listdir(self.path("out"))), 2)

    def test_the_copy_folder_is_made_or_refused_once(self):
        playlist = self.collection()
        deep = self.path("a", "b", "c")
        code, _, err = run(["--copy=" + deep, "--quiet", playlist])
        self.assertEqual((code, err), (0, b""))
        self.assertEqual(len(os.listdir(deep)), 2)
        plain = self.write("plain", b"x")
        code, _, err = run(["--copy=" + plain, "--quiet", playlist])
        self.assertEqual(code, 3)
        self.assertEqual(err, ("voltrak-cli: %s: cannot copy the tracks: Not a directory\n"
                               % plain).encode())


class Install(Folder):
    """cmake --install into a scratch prefix: the program, its manual page as
    man shows it, and its bash completion."""

    def test_the_program_its_manual_and_completion(self):
        done = subprocess.run(["cmake", "--install", BUILD, "--prefix", self.dir],
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=120)
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertEqual(run(["--version"], program=self.path("bin", "voltrak-cli")),
                         run(["--version"]))
        env = dict(os.environ, LC_ALL="C", MANWIDTH="80", PATH=self.path("bin") + ":" +
                   os.environ["PATH"])
        page = subprocess.run(["man", "-P", "cat", "-l", self.path("share/man/man1/voltrak-cli.1")],
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=env, timeout=60)
        self.assertEqual((page.returncode, page.stderr), (0, b""))
        text = b" ".join(page.stdout.split())
        for said in (b"voltrak-cli - plan an M3U playlist", b"--per-volume", b"--size=SIZE",
                     b"--dry-run", b"--strict", b"Exit status: 0 done"):
            self.assertIn(said, text)
        script = ("source %s; complete -p voltrak-cli; _voltrak_cli voltrak-cli; "
                  "echo \"${COMPREPLY[*]}\"" %
                  self.path("share/bash-completion/completions/voltrak-cli"))
        for words, expected in (("voltrak-cli --per", "--per-volume"),
                                ("voltrak-cli --fill = s", "size"),
                                ("voltrak-cli --dry", "--dry-run")):
            words = words.split()
            shell = subprocess.run(["bash", "-c", "COMP_WORDS=(%s); COMP_CWORD=%d; %s" % (
                " ".join(words), len(words) - 1, script)], stdout=subprocess.PIPE, env=env,
                timeout=60)
            self.assertEqual(shell.stdout.decode().splitlines()[-1], expected)


class Scale(Folder):
    """The largest lists users keep, through every output; run under the
    sanitizers, where a slip past a buffer's end is caught. No timing."""

    def setUp(self):
        # A hundred thousand small files are quickest made in memory.
        shm = "/dev/shm" if os.path.isdir("/dev/shm") else "/tmp"
        self.dir = tempfile.mkdtemp(prefix="voltrak-cli-scale-", dir=shm)

    def test_hundred_thousand_entries_through_every_output(self):
        playlist, made = self.generate("big", "--count=100000", "--letters", "--missing=2",
                                       "--noinfo=5", "--untagged=5", "--ends=mixed",
                                       "--high-bytes", "--bytes=1100-3000")
        slow = 1800
        code, out, err = run(["--json", "--duplicates=keep-first", "--fill=size", "--medium=128m",
                              "--split", "--html", "--listings=trackname,title,artist,album,path",
                              "--cue", "--label", playlist], timeout=slow)
        self.assertEqual(code, 0, err[:2000])
        doc = json.loads(out.decode("utf-8"))
        tracks = doc["tracks"]
        self.assertEqual(len(tracks), made["entries"])
        self.assertEqual(doc["totals"]["load_errors"], made["missing"])
        self.assertGreater(len(doc["volumes"]), 1)
        # The split lists read back to the planned entries, volume by volume.
        listed = []
        for volume in doc["volumes"]:
            name = self.path("big", "example-%03u.M3U" % volume["number"])
            with open(name, "rb") as f:
                paths = [line for line in f.read().split(b"\r\n")
                         if line and not line.startswith(b"#")]
            self.assertEqual(len(paths), volume["tracks"], name)
            listed += paths
        self.assertEqual(listed, [latin(t["file_path"]) for t in tracks])
        for written in ("example.html", "example.cue", "example.lbl"):
            self.assertGreater(os.path.getsize(self.path("big", written)), 0, written)
        code, out, err = run(["--text=grouped", playlist], timeout=slow)
        self.assertEqual(code, 0, err[:2000])
        self.assertEqual(out.count(b".mp3\r\n"), made["entries"])
        # Every file that is there is copied; each missing one is named.
        code, _, err = run(["--copy=" + self.path("copies"), "--quiet", playlist], timeout=slow)
        self.assertEqual(code, 3, err[:2000])
        self.assertEqual(err.count(b"\n"), made["missing"], err[:2000])
        self.assertEqual(len(os.listdir(self.path("copies"))), made["entries"] - made["missing"])


class SameAsWindows(Folder):
    """The Windows program under Wine prints the same bytes as the native one,
    but for the paths a repair makes, which each writes in its system's style:
    there the JSON is compared with each repaired path read as a file name."""

    def test_same_output_under_wine(self):
        self.assertTrue(WINDOWS_CLI, "--windows-cli not given")
        self.generate("gen", "--count=80", "--missing=15", "--untagged=15", "--noinfo=15",
                      "--ends=mixed", "--paths=mixed", "--letters", "--high-bytes",
                      "--variant=3")
        self.write("gen/odd.m3u", b"#EXTM3U\n\n#EXTINF:0245,Caf\xe9\r#EXTINF:12\r\n"
                   b"\\\\srv\\share\\a.mp3\r\nD:\\nowhere.mp3\r\n#EXTINF:1,x\r\n")
        # A Linux player's list: a byte-order mark, its own lines, absolute paths, UTF-8.
        self.write("gen/tracks/linux.mp3", b"l" * 5000)
        self.write("gen/linux.m3u", b"\xef\xbb\xbf#EXTM3U\n#EXTINF:200,J\xc3\xb3ga\n"
                   b"#EXTVLCOPT:start-time=3\n" + self.path("gen/tracks/linux.mp3").encode() +
                   b"\n#EXTINF:30,Gone\n/nowhere/gone.mp3\n")
        cwd = self.path("gen")
        cases = [
            ["--json", "example.m3u"],
            ["--json", "--paths=absolute", "--fill=time", "--medium=CDRW", "--reserve=10:00",
             "example.m3u"],
            ["--json", "--paths=relative", "--fill=size", "--capacity=20", "--max-volumes=3",
             "../gen/example.m3u"],
            ["--list", "--fill=time", "--capacity=30:00", "--reserved-split", "example.m3u"],
            ["--fill=time", "example.m3u"],
            ["--json", "odd.m3u"],
            ["--json", "--paths=absolute", "linux.m3u"],
        ]
        def files_named(output):
            """Each track's file, as a path a repair may write in either style."""
            doc = json.loads(output.decode("utf-8"))
            for track in doc["tracks"]:
                path = track.pop("file_path").replace("\\", "/")
                if path[1:3] == ":/":
                    path = path[2:]
                track["file"] = os.path.normpath(os.path.join(cwd, path))
                track.pop("track_name")
            doc.pop("pending_message")
            return doc

        # Each system names the first track that could not be read, and why, in its own words.
        first_unread = lambda output: re.sub(rb'; first: [^"]*"', b'"', output)
        for args in cases:
            with self.subTest(args=args):
                native = run(args, cwd=cwd)
                windows = run([WINDOWS_CLI] + args, cwd=cwd, program="wine")
                self.assertEqual(native[0], 0, native[2])
                self.assertEqual(windows[0], 0, windows[2])
                native, windows = first_unread(native[1]), first_unread(windows[1])
                if any(a.startswith("--paths=") for a in args):
                    self.assertEqual(files_named(windows), files_named(native))
                else:
                    self.assertEqual(windows, native)


def main():
    global CLI, GENERATOR, WINDOWS_CLI, BUILD
    parser = argparse.ArgumentParser()
    parser.add_argument("--cli", required=True)
    parser.add_argument("--generator", required=True)
    parser.add_argument("--windows-cli")
    parser.add_argument("--build")
    parser.add_argument("groups", nargs="+")
    options = parser.parse_args()
    CLI, GENERATOR, WINDOWS_CLI, BUILD = (options.cli, options.generator, options.windows_cli,
                                          options.build)
    suite = unittest.TestSuite()
    loader = unittest.defaultTestLoader
    for group in options.groups:
        suite.addTests(loader.loadTestsFromName(group, sys.modules[__name__]))
    result = unittest.TextTestRunner(verbosity=2).run(suite)
    return 0 if result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
