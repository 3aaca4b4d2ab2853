#!/usr/bin/env python3
"""Reads the written outputs with real consumers: the report with html5lib,
the cue sheets with cuetools' cueprint and cuebreakpoints, and the split
lists with voltrak-cli's own loader. Checks the golden files and what the
built voltrak-cli writes.

usage: outputs_end_to_end.py --cli PATH --generator PATH --golden DIR GROUP...
"""
import argparse
import glob
import os
import subprocess
import sys
import unittest

import html5lib

import cli_end_to_end as base
from cli_end_to_end import Folder, run

GOLDEN = None
ALL_LISTINGS = "--listings=trackname,title,artist,album,path"
CD_TRACKS = 99


def read_page(path):
    with open(path, "rb") as f:
        return html5lib.parse(f.read(), namespaceHTMLElements=False)


def check_page(test, path, dead_links=()):
    """Every link inside the page reaches an anchor of it."""
    page = read_page(path)
    names = {a.get("name") for a in page.iter("a") if a.get("name") is not None}
    targets = {a.get("href")[1:] for a in page.iter("a")
               if (a.get("href") or "").startswith("#")}
    test.assertIn("TOP", names)
    test.assertEqual(targets - names, set(dead_links), path)
    return page


def cue_facts(path):
    """Track count and image name as cueprint reads them, and the start
    times of tracks 2 and on as cuebreakpoints gives them."""
    printed = subprocess.run(["cueprint", "-d", "%N\n", "-t", "%f\n", path], check=True,
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=60)
    lines = printed.stdout.decode("latin-1").splitlines()
    breaks = subprocess.run(["cuebreakpoints", path], check=True, stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, timeout=60)
    return int(lines[0]), set(lines[1:]), breaks.stdout.decode().split(), printed.stderr


def starts(lengths):
    """cuebreakpoints' m:ss.ff of every track start after the first."""
    total, result = 0, []
    for seconds in lengths[:-1]:
        total += seconds
        result.append("%u:%02u.00" % (total // 60, total % 60))
    return result


def label_lengths(path):
    """The play lengths a label file gives, in seconds."""
    with open(path, "rb") as f:
        lines = f.read().decode("latin-1").split("\r\n")[1:-1]
    lengths = []
    for line in lines:
        minutes, seconds = line.rsplit("(", 1)[1].rstrip(")").split(":")
        lengths.append(int(minutes) * 60 + int(seconds))
    return lengths


class Golden(unittest.TestCase):
    def test_every_report_parses_and_its_links_reach_anchors(self):
        pages = sorted(glob.glob(os.path.join(GOLDEN, "*.html")))
        self.assertGreaterEqual(len(pages), 3)
        for path in pages:
            with self.subTest(page=os.path.basename(path)):
                check_page(self, path)
        # Names with markup read as text, never as elements.
        page = check_page(self, os.path.join(GOLDEN, "odd-names.html"))
        self.assertEqual(page.find(".//title").text, "rock & roll <mix> playlist information")
        self.assertIsNone(page.find(".//harbour"))
        self.assertIsNone(page.find(".//mix"))
        texts = [a.text for a in page.iter("a")]
        self.assertIn('Amber & Coast - <Harbour> "live"', texts)

    def test_every_cue_sheet_reads_as_its_label_says(self):
        sheets = sorted(glob.glob(os.path.join(GOLDEN, "*.cue")))
        self.assertGreaterEqual(len(sheets), 3)
        for path in sheets:
            with self.subTest(sheet=os.path.basename(path)):
                lengths = label_lengths(path[:-4] + ".lbl")
                count, images, breaks, errors = cue_facts(path)
                self.assertEqual(len(images), 1)
                if len(lengths) <= CD_TRACKS:
                    self.assertEqual(errors, b"")
                    self.assertEqual(count, len(lengths))
                    self.assertEqual(breaks, starts(lengths))
                    continue
                # A CD holds 99 tracks: cuetools reads that many of a longer
                # sheet and says why it stops; the sheet itself holds them all.
                self.assertIn(b"too many tracks", errors)
                self.assertEqual(count, CD_TRACKS)
                self.assertEqual(breaks[:CD_TRACKS - 2], starts(lengths)[:CD_TRACKS - 2])
        self.assertEqual(cue_facts(os.path.join(GOLDEN, "odd-names.cue"))[1],
                         {"rock & roll <mix>.WAV"})


class Written(Folder):
    def test_the_reports_links_reach_the_files(self):
        from urllib.parse import unquote, urljoin, urlparse
        music = "music/Ana Bj\u00f6rk/Fj\u00f6rd/"
        for name in ("01 Song #1.mp3", "02 Song? 100%.mp3"):
            self.write(music + name, b"s" * 3000)
        lists = {"relative": "../%s01 Song #1.mp3\n../%s02 Song? 100%%.mp3\n" % (music, music),
                 "absolute": "%s\n" % self.path(music + "01 Song #1.mp3")}
        for name, text in lists.items():
            playlist = self.write("lists/%s.m3u" % name, text.encode())
            code, _, err = run(["--html", "--quiet", playlist])
            self.assertEqual(code, 0, err)
            report = playlist[:-4] + ".html"
            links = [a.get("href") for a in read_page(report).iter("a")
                     if a.get("target") == "NEW" and not a.get("href").startswith("http")]
            self.assertEqual(len(set(links)), len(text.splitlines()) + 1, links)  # and the list
            for link in links:
                url = urlparse(urljoin("file://" + report, link))
                self.assertEqual((url.scheme.lower(), url.netloc), ("file", ""), link)
                self.assertTrue(os.path.isfile(unquote(url.path)), link)

    def test_names_never_add_lines_to_a_cue_sheet_or_label(self):
        for name in ("evil\r\nTRACK\t02\tAUDIO\r\nINDEX\t01\t99:00:00\r\nREM.m3u",
                     'my "live" set.m3u'):
            with self.subTest(name=name):
                playlist, made = self.make(name)
                code, _, err = run(["--cue", "--label", "--quiet", playlist])
                self.assertEqual(code, 0, err)
                stem = playlist[:-4]
                count, images, _, errors = cue_facts(stem + ".cue")
                self.assertEqual((count, len(images), errors), (made["entries"], 1, b""))
                lines = open(stem + ".lbl", "rb").read().split(b"\r\n")
                self.assertEqual(len(lines), made["entries"] + 2)  # the header, and the end
                self.assertNotIn(b"\n", b"".join(lines))
                self.assertTrue(all(line.startswith(b"  ") or line.startswith(b" ")
                                    for line in lines[1:-1]))

    def make(self, name="party mix & more.m3u"):
        _, made = self.generate("music", "--count=30", "--variant=5", "--letters",
                                "--name=" + name)
        return self.path("music", name), made

    def test_all_four_outputs_read_back(self):
        playlist, made = self.make()
        stem = playlist[:-4]
        code, _, err = run(["--fill=time", "--capacity=10:00", "--split", "--html", "--cue",
                            "--label", ALL_LISTINGS, "--quiet", playlist])
        self.assertEqual(code, 0, err)
        loaded, _ = self.json_of("--fill=time", "--capacity=10:00", "--quiet", playlist)
        tracks = loaded["tracks"]
        self.assertEqual(len(tracks), made["entries"])

        check_page(self, stem + ".html")
        count, images, breaks, errors = cue_facts(stem + ".cue")
        self.assertEqual((count, images, errors), (len(tracks), {"party mix & more.WAV"}, b""))
        self.assertEqual(breaks, starts([t["play_length"] for t in tracks]))
        self.assertEqual(label_lengths(stem + ".lbl"), [t["play_length"] for t in tracks])

        volumes = sorted({t["volume"] for t in tracks})
        self.assertGreater(len(volumes), 1)
        for volume in volumes:
            split = "%s-%03u.M3U" % (stem, volume + 1)
            back, _ = self.json_of("--quiet", split)
            self.assertEqual(
                [(t["extended_info"], t["file_path"]) for t in back["tracks"]],
                [(t["extended_info"], t["file_path"]) for t in tracks if t["volume"] == volume])

    def test_disc_by_disc(self):
        playlist, _ = self.make("mix.m3u")
        code, _, err = run(["--time=10min", "--per-volume", "--cue", "--label",
                            "--copy=" + self.path("burn"), "--quiet", playlist])
        self.assertEqual(code, 0, err)
        doc, _ = self.json_of("--time=10min", "--quiet", playlist)
        self.assertGreater(len(doc["volumes"]), 1)
        for volume in doc["volumes"]:
            number = volume["number"]
            lengths = [t["play_length"] for t in doc["tracks"] if t["volume"] == number - 1]
            stem = self.path("music", "mix-%03u" % number)
            count, images, breaks, errors = cue_facts(stem + ".cue")
            self.assertEqual((count, images, errors), (len(lengths), {"mix-%03u.WAV" % number}, b""))
            self.assertEqual(breaks, starts(lengths))
            with open(stem + ".cue", "rb") as f:
                self.assertEqual(f.read().split(b"\r\n")[:2], [b"REM DISCNUMBER %u" % number,
                                 b"REM TOTALDISCS %u" % len(doc["volumes"])])
            self.assertEqual(label_lengths(stem + ".lbl"), lengths)
            copies = sorted(os.listdir(self.path("burn", "Volume %02u" % number)))
            self.assertEqual([name[:4] for name in copies],
                             ["%03u-" % (i + 1) for i in range(len(lengths))])
        self.assertFalse(os.path.exists(self.path("music", "mix.cue")))

    def test_a_file_that_cannot_be_written_leaves_the_others_and_exits_3(self):
        playlist, _ = self.make("mix.m3u")
        os.mkdir(self.path("music", "mix.html"))  # a folder where the report should go
        code, _, err = run(["--split", "--html", "--cue", "--label", "--quiet", playlist])
        self.assertEqual(code, 3)
        self.assertIn(b"mix.html", err)
        for name in ("mix-001.M3U", "mix.cue", "mix.lbl"):
            self.assertTrue(os.path.isfile(self.path("music", name)), name)

    def test_listings_and_an_empty_list(self):
        playlist, _ = self.make("mix.m3u")
        for option, anchors in (("--listings=path,album", {"ListByAlbum", "ListByPath"}),
                                ("--listings=", set()), ("--quiet", {"List By Title"})):
            with self.subTest(option=option):
                code, _, err = run(["--html", option, playlist])
                self.assertEqual(code, 0, err)
                page = check_page(self, self.path("music", "mix.html"))
                names = {a.get("name") for a in page.iter("a")}
                self.assertEqual(names & {"ListByTrackName", "List By Title", "List By Artist",
                                          "ListByAlbum", "ListByPath"}, anchors)
        code, _, err = run(["--listings=path,colour", playlist])
        self.assertEqual(code, 2)
        self.assertIn(b"colour", err)

        empty = self.write("empty/none.m3u", b"#EXTM3U\r\n")
        code, _, err = run(["--split", "--html", "--cue", "--label", empty])
        self.assertEqual(code, 0, err)
        self.assertEqual(os.listdir(self.path("empty")), ["none.m3u"])


def main():
    global GOLDEN
    parser = argparse.ArgumentParser()
    parser.add_argument("--cli", required=True)
    parser.add_argument("--generator", required=True)
    parser.add_argument("--golden", required=True)
    parser.add_argument("groups", nargs="+")
    options = parser.parse_args()
    base.CLI, base.GENERATOR, GOLDEN = options.cli, options.generator, options.golden
    suite = unittest.TestSuite()
    for group in options.groups:
        suite.addTests(unittest.defaultTestLoader.loadTestsFromName(group, sys.modules[__name__]))
    result = unittest.TextTestRunner(verbosity=2).run(suite)
    return 0 if result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
