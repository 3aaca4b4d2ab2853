#!/usr/bin/python3
"""voltrak-cli --copy against cp -r --preserve=timestamps of the same files.

usage: copy_bench.py [--build DIR] [--rounds N] [--megabytes M] [--files F]
Makes F files of M/F MB each (default 1024 MB in 64 files, some large, some
small) under /tmp/voltrak-copy-bench once, then copies them with both,
interleaved, N rounds (3), into fresh folders on the same file system,
and prints the best time of each, their ratio and voltrak-cli's peak
resident memory, which must not grow with the files' sizes.
"""
import argparse
import os
import resource
import shutil
import subprocess
import time


def make_source(folder, megabytes, files):
    marker = os.path.join(folder, "list.m3u")
    if os.path.exists(marker):
        return marker
    os.makedirs(os.path.join(folder, "tracks"), exist_ok=True)
    lines = ["#EXTM3U"]
    # Half the bytes in one large file, the rest shared by the others.
    sizes = [megabytes // 2] + [max(1, (megabytes - megabytes // 2) // max(1, files - 1))] * (files - 1)
    block = os.urandom(1 << 20)
    for i, size in enumerate(sizes):
        name = "%03u Track.mp3" % i
        with open(os.path.join(folder, "tracks", name), "wb") as f:
            for _ in range(size):
                f.write(block)
        lines += ["#EXTINF:200,Artist - Track %u" % i, "tracks\\" + name]
    with open(marker, "w") as f:
        f.write("\r\n".join(lines) + "\r\n")
    return marker


def timed(command):
    before = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
    start = time.perf_counter()
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL)
    took = time.perf_counter() - start
    return took, max(before, resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default="build/native")
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--megabytes", type=int, default=1024)
    parser.add_argument("--files", type=int, default=64)
    options = parser.parse_args()
    cli = os.path.join(options.build, "cli", "voltrak-cli")
    base = "/tmp/voltrak-copy-bench"
    playlist = make_source(os.path.join(base, "source"), options.megabytes, options.files)
    best = {"voltrak-cli": 1e9, "cp": 1e9}
    peak = 0
    for round_ in range(options.rounds):
        for name in ("voltrak-cli", "cp"):
            target = os.path.join(base, "%s-%u" % (name, round_))
            shutil.rmtree(target, ignore_errors=True)
            if name == "cp":
                command = ["cp", "-r", "--preserve=timestamps",
                           os.path.join(base, "source", "tracks"), target]
            else:
                command = [cli, "--quiet", "--copy=" + target, "--copy-name=file",
                           "--no-strip-numbers", playlist]
            subprocess.run(["sync"])
            took, maxrss = timed(command)
            best[name] = min(best[name], took)
            if name == "voltrak-cli":
                peak = max(peak, maxrss)
            shutil.rmtree(target, ignore_errors=True)
    print("%u MB in %u files: voltrak-cli %.2f s, cp %.2f s, ratio %.2fx; voltrak-cli peak %.1f MB"
          % (options.megabytes, options.files, best["voltrak-cli"], best["cp"],
             best["voltrak-cli"] / best["cp"], peak / 1024.0))


if __name__ == "__main__":
    main()
