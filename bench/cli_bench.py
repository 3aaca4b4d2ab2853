#!/usr/bin/python3
"""voltrak-cli's load and plan, plain and with --json, on generated
playlists, against the bare system-call floor (each file opened relative
to the playlist's folder) and against a python3-mutagen script that reads each
file's ID3v1 tag.

usage: cli_bench.py [--build DIR] [--rounds N] [--cpu] [--cold] [ENTRIES ...]
DIR is an optimized native build tree (default build/native, which the
test command builds as RelWithDebInfo); ENTRIES default to
10000 and 100000. Playlists go to /tmp/voltrak-cli-bench-ENTRIES and are
made once. Times are the best of N runs (5), each a fresh process, the CLI
timed whole and the floor over its loop alone, with the median of each
round's own ratio beside the best ("paired"); peak memory is the largest
resident size of one run of either form. With --cpu, times are processor
time (user and system) instead of wall time, which other work on a shared
machine disturbs less.

Then the read-ahead: the floor's calls spread over 2 to 64 threads (the
best of them is the parallel floor), and voltrak-cli reading ahead (as
it does by default) and on one thread (VOLTRAK_READ_THREADS=1), as ratios
to the one-thread floor, warm and, with --cold, cold: the page cache is
dropped before every run, which needs root (said and skipped otherwise).
"""
import argparse
import json
import os
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))


def read_tags_with_mutagen(playlist):
    """What a user might script instead: every listed file's ID3v1 tag."""
    from mutagen.id3 import ID3, ID3NoHeaderError
    folder = os.path.dirname(playlist)
    tags = []
    with open(playlist, "rb") as f:
        lines = f.read().replace(b"\r", b"\n").split(b"\n")
    for line in lines:
        if not line or line.startswith(b"#"):
            continue
        name = os.fsdecode(line)
        if name[1:2] == ":":
            path = name[2:].replace("\\", "/")
        elif name.startswith("\\"):
            path = name.replace("\\", "/")
        else:
            path = os.path.join(folder, name.replace("\\", "/"))
        entry = {"path": name}
        try:
            tag = ID3(path)
            entry.update({key: str(tag[frame]) for key, frame in
                          (("title", "TIT2"), ("artist", "TPE1"), ("album", "TALB"))
                          if frame in tag})
        except (ID3NoHeaderError, OSError):
            pass
        tags.append(entry)
    json.dump(tags, sys.stdout)


CPU = False


def timed(command, env=None):
    """Wall (or processor) time and peak resident kilobytes of one run,
    output discarded."""
    with open(os.devnull, "wb") as sink:
        start = time.perf_counter()
        child = subprocess.Popen(command, stdout=sink, env=env)
        _, status, usage = os.wait4(child.pid, 0)
        took = time.perf_counter() - start
    child.returncode = os.waitstatus_to_exitcode(status)
    if child.returncode != 0:
        sys.exit("failed (%d): %s" % (child.returncode, " ".join(command)))
    if CPU:
        took = usage.ru_utime + usage.ru_stime
    return took, usage.ru_maxrss


def best_of(command, rounds):
    runs = [timed(command) for _ in range(rounds)]
    return min(t for t, _ in runs), max(m for _, m in runs)


def prepare(generator, entries):
    folder = "/tmp/voltrak-cli-bench-%d" % entries
    playlist = os.path.join(folder, "example.m3u")
    if not os.path.exists(playlist):
        print("generating %d entries in %s ..." % (entries, folder), file=sys.stderr)
        subprocess.run([generator, folder, "--count=%d" % entries, "--paths=mixed",
                        "--bytes=600-3000"], check=True, stdout=subprocess.DEVNULL)
    return playlist


def drop_caches():
    """Empties the page cache; False where this may not (not root)."""
    try:
        os.sync()
        with open("/proc/sys/vm/drop_caches", "w") as f:
            f.write("3\n")
        return True
    except OSError:
        return False


FLOOR_THREADS = (2, 4, 8, 16, 32, 64)


def read_ahead(cli, floor, playlist, rounds, cold):
    """The one-thread floor, the best parallel floor, and voltrak-cli with
    and without read-ahead; the best of `rounds` each, taking turns."""
    def before():
        if cold:
            drop_caches()
    best = {}

    def note(name, took):
        best[name] = min(best.get(name, 1e9), took)
    peaks = {}
    one_thread = dict(os.environ, VOLTRAK_READ_THREADS="1")
    for _ in range(rounds):
        for threads in (1,) + FLOOR_THREADS:
            before()
            out = subprocess.run([floor, playlist, "1", str(threads)], check=True,
                                 stdout=subprocess.PIPE).stdout.split()
            note("floor %d" % threads, float(out[2 if CPU else 0]))
        for name, command, env in (("cli", [cli, playlist], None),
                                   ("json", [cli, "--json", playlist], None),
                                   ("cli, 1 thread", [cli, playlist], one_thread)):
            before()
            took, used = timed(command, env)
            note(name, took)
            peaks[name] = max(peaks.get(name, 0), used)
    floor1 = best["floor 1"]
    threads = min(FLOOR_THREADS, key=lambda t: best["floor %d" % t])
    parallel = best["floor %d" % threads]
    print("  %s: floor %.3f s on one thread, %.3f s on %d (%.2fx)" % (
        "cold" if cold else "warm", floor1, parallel, threads, parallel / floor1))
    for name in ("cli", "json", "cli, 1 thread"):
        print("    %-14s %8.3f s  %5.2fx the one-thread floor  %5.2fx the parallel floor"
              "  peak %.1f MiB" % (name, best[name], best[name] / floor1, best[name] / parallel,
                                   peaks[name] / 1024.0))


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "--mutagen":
        read_tags_with_mutagen(sys.argv[2])
        return 0
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default=os.path.join(HERE, "..", "build", "native"))
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--cpu", action="store_true")
    parser.add_argument("--cold", action="store_true")
    parser.add_argument("entries", type=int, nargs="*", default=[10000, 100000])
    options = parser.parse_args()
    global CPU
    CPU = options.cpu
    cli = os.path.join(options.build, "cli", "voltrak-cli")
    floor = os.path.join(options.build, "bench", "cli_floor")
    generator = os.path.join(options.build, "make_example_playlist")

    print("%-8s %8s %8s %7s %7s %8s %7s %7s %9s %10s %11s" % (
        "entries", "floor s", "cli s", "ratio", "paired", "json s", "ratio", "paired",
        "peak MiB", "mutagen s", "mutagen/json"))
    for entries in options.entries:
        playlist = prepare(generator, entries)
        timed([cli, "--json", playlist])  # warm the cache
        # Every side runs as fresh processes, one pass each, taking turns so
        # that the machine's drift touches them alike; the best of each counts.
        # On a shared machine that drift can outlast many rounds, so each
        # round's own ratios are kept too, and their median printed.
        plain_time, json_time, peak, floor_time = 1e9, 1e9, 0, 1e9
        plain_ratios, json_ratios = [], []
        for _ in range(options.rounds):
            floor_out = subprocess.run([floor, playlist, "1"], check=True,
                                       stdout=subprocess.PIPE).stdout.split()
            floor_round = float(floor_out[2 if CPU else 0])
            floor_time = min(floor_time, floor_round)
            took, used = timed([cli, playlist])
            plain_time, peak = min(plain_time, took), max(peak, used)
            plain_ratios.append(took / floor_round)
            took, used = timed([cli, "--json", playlist])
            json_time, peak = min(json_time, took), max(peak, used)
            json_ratios.append(took / floor_round)
        mutagen_time, _ = timed(["/usr/bin/python3", os.path.abspath(__file__),
                                 "--mutagen", playlist])
        print("%-8d %8.3f %8.3f %6.2fx %6.2fx %8.3f %6.2fx %6.2fx %9.1f %10.2f %10.1fx" % (
            entries, floor_time, plain_time, plain_time / floor_time,
            statistics.median(plain_ratios), json_time, json_time / floor_time,
            statistics.median(json_ratios), peak / 1024.0, mutagen_time,
            mutagen_time / json_time))
    print("targets at 100000 entries: cli within 1.15x of the floor, --json within 1.25x, "
          "peak under 40 MiB; mutagen/json at least 10x")
    print("read-ahead:")
    cold = options.cold
    if cold and not drop_caches():
        print("  cold: the page cache cannot be dropped here (root only): skipped")
        cold = False
    for entries in options.entries:
        playlist = prepare(generator, entries)
        print(" %d entries" % entries)
        read_ahead(cli, floor, playlist, options.rounds, False)
        if cold:
            read_ahead(cli, floor, playlist, max(1, options.rounds // 3), True)
    print("targets at 100000 entries: warm at most 0.75x the one-thread floor, cold at most "
          "0.25x (and within 1.3x the parallel floor); peak no higher than on one thread")
    return 0


if __name__ == "__main__":
    sys.exit(main())
