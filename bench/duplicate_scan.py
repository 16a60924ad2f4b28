#!/usr/bin/env python3
"""Generates a duplicate-scan tree, times twk (under Wine), jdupes and rdfind
over it with a warm cache, checks that all find the same groups among files of
at least 10 MiB (twk's from `scan -v`, every copy with its kept copy), prints a
Markdown table and deletes the tree."""

import argparse
import os
import random
import re
import resource
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

MIB = 1024 * 1024
MIN_SIZE = 10 * MIB


def write_repeated(path, size, block):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        left = size
        while left > 0:
            part = block[: min(len(block), left)]
            f.write(part)
            left -= len(part)


def patched_copy(src, dst, offset):
    shutil.copyfile(src, dst)
    with open(dst, "r+b") as f:
        f.seek(offset)
        byte = f.read(1)
        f.seek(offset)
        f.write(bytes([byte[0] ^ 0xFF]))


def make_groups(root, rng, groups, directories):
    """Groups of identical files given as (copies, MiB), spread over directories."""
    for n, (copies, mib) in enumerate(groups):
        block = rng.randbytes(MIB)
        for c in range(copies):
            write_repeated(os.path.join(root, f"dir{(n + c) % directories}", f"group{n}_{c}.bin"), mib * MIB + n, block)


def make_near_set(root, rng, size):
    """Same size, differing only in the first, middle or last byte; one true copy."""
    base = os.path.join(root, "near", "base.bin")
    write_repeated(base, size, rng.randbytes(MIB))
    shutil.copyfile(base, os.path.join(root, "near", "copy.bin"))
    for name, offset in (("first", 0), ("middle", size // 2), ("last", size - 1)):
        patched_copy(base, os.path.join(root, "near", f"{name}.bin"), offset)


def make_small_files(root, rng, count, directories):
    for n in range(count):
        data = rng.randbytes(rng.randint(1, 8) * 1024) if n % 10 else b"small duplicate %d" % (n % 7)
        path = os.path.join(root, "small", f"s{n % directories}", f"f{n}.dat")
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)


def make_tree(root, rng):
    """Large groups of 2-4 copies, near misses, the 10 MiB boundary, a hidden
    directory and thousands of small files."""
    make_groups(root, rng, [(3, 24), (2, 40), (4, 16), (2, 32), (3, 12)], 4)
    block = rng.randbytes(MIB)
    for c in range(2):
        write_repeated(os.path.join(root, ".hidden", f"pair{c}.bin"), 20 * MIB, block)
    make_near_set(root, rng, 48 * MIB)
    for name, size in (("below", MIN_SIZE - 1), ("exact", MIN_SIZE)):
        block = rng.randbytes(MIB)
        for c in range(2):
            write_repeated(os.path.join(root, "boundary", f"{name}{c}.bin"), size, block)
    for n in range(5):
        write_repeated(os.path.join(root, "unique", f"u{n}.bin"), (11 + n) * MIB, rng.randbytes(MIB))
    make_small_files(root, rng, 3000, 30)


def make_large_tree(root, rng):
    """About 2 GiB in files of at least 10 MiB: twelve groups of 2-4 copies,
    an original, a copy and three files of its size that differ from it in
    the first, middle or last byte, and 5000 small files."""
    sizes = [10, 12, 16, 20, 24, 32, 40, 48, 56, 64, 80, 96]
    make_groups(root, rng, [(2 + n % 3, mib) for n, mib in enumerate(sizes)], 6)
    make_near_set(root, rng, 64 * MIB)
    make_small_files(root, rng, 5000, 50)


def measure_here(command, stats_file, output_file):
    """Runs in a fresh process per measurement, so the figures belong to one
    tool: wall time, CPU time, bytes read (rchar of the reaped process tree,
    which Linux adds to the waiting parent's own count) and peak resident
    memory of the largest process of the tree."""
    def rchar():
        with open("/proc/self/io") as f:
            return int(re.search(r"rchar: (\d+)", f.read()).group(1))
    before = rchar()
    start = time.monotonic()
    # Files, not pipes, on all three streams: a Wine service started on the
    # program's behalf would keep an inherited pipe open for good, and with
    # every stream redirected twk needs no console of its own.
    with open(output_file, "wb") as out, tempfile.TemporaryFile() as empty:
        status = subprocess.run(command, stdin=empty, stdout=out, stderr=out).returncode
    wall = time.monotonic() - start
    read = rchar() - before
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    with open(stats_file, "w") as f:
        f.write(f"{wall} {read} {usage.ru_maxrss} {usage.ru_utime + usage.ru_stime}\n")
    return status


def measure(command, cwd=None):
    with tempfile.TemporaryDirectory() as scratch:
        stats, output = os.path.join(scratch, "stats"), os.path.join(scratch, "output")
        subprocess.run([sys.executable, os.path.abspath(__file__), "--measure", stats, output, "--", *command],
                       cwd=cwd, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        with open(stats) as f:
            wall, read, peak_kib, cpu = f.read().split()
        with open(output, "rb") as f:
            text = f.read().decode("utf-8", "replace")
    return float(wall), int(read), int(peak_kib), text, float(cpu)


def windows_path(unix_path):
    return "Z:" + unix_path.replace("/", "\\")


def unix_path(win_path):
    return win_path[2:].replace("\\", "/")


def twk_groups(output):
    """Every group of `scan -v`, as the sorted paths of its copies and its kept
    copy, and the wasted space (the removable copies' sizes)."""
    text = output.replace("\r", "\n")
    groups, copy = {}, None
    for line in text.split("\n"):
        item = re.match(r"^  \[[\d.]+ (?:B|KB|MB|GB)\] (.*)$", line)
        kept = re.match(r"^      kept: (.*) \(group (\d+)\)$", line)
        if item:
            copy = unix_path(item.group(1))
        elif kept and copy:
            groups.setdefault(int(kept.group(2)), {unix_path(kept.group(1))}).add(copy)
    size = re.search(r"Total size: ([\d.]+) (B|KB|MB|GB)", text)
    scale = {"B": 1, "KB": 1024, "MB": MIB, "GB": 1024 * MIB}[size.group(2)]
    return sorted(sorted(g) for g in groups.values()), float(size.group(1)) * scale


def jdupes_groups(output):
    return [block.split("\n") for block in output.strip().split("\n\n") if block.strip()]


def rdfind_groups(results_file):
    by_id = {}
    with open(results_file) as f:
        for line in f:
            if line.startswith("#") or not line.strip():
                continue
            fields = line.rstrip("\n").split(" ", 7)
            by_id.setdefault(abs(int(fields[1])), []).append(fields[7])
    return [paths for paths in by_id.values() if len(paths) > 1]


def large(groups):
    """Groups among files of at least 10 MiB, as sets of paths."""
    return sorted(sorted(g) for g in groups if os.path.getsize(g[0]) >= MIN_SIZE)


def run_side_by_side(tools, runs):
    """Each round runs every tool in turn, so that all of them meet the same
    load; the first round only warms the cache and is not counted."""
    samples = {name: [] for name, _, _ in tools}
    for round_number in range(runs + 1):
        for name, command, cwd in tools:
            sample = measure(command, cwd)
            if round_number:
                samples[name].append(sample)
    results = {}
    for name, _, _ in tools:
        got = samples[name]
        results[name] = {"name": name, "wall": statistics.median(s[0] for s in got),
                         "cpu": statistics.median(s[4] for s in got), "read": got[-1][1],
                         "peak": max(s[2] for s in got), "output": got[-1][3], "walls": [s[0] for s in got]}
    return results


def main():
    if len(sys.argv) > 4 and sys.argv[1] == "--measure":
        return measure_here(sys.argv[5:], sys.argv[2], sys.argv[3])
    parser = argparse.ArgumentParser()
    parser.add_argument("--twk", required=True)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--keep", action="store_true", help="do not delete the tree")
    parser.add_argument("--large", action="store_true", help="the 2 GiB tree instead of the medium one")
    args = parser.parse_args()

    base = tempfile.mkdtemp(prefix="twk-bench-dup-", dir="/tmp")
    root = os.path.join(base, "tree")
    try:
        (make_large_tree if args.large else make_tree)(root, random.Random(5))
        total = sum(os.path.getsize(os.path.join(d, f)) for d, _, fs in os.walk(root) for f in fs)
        files = sum(len(fs) for _, _, fs in os.walk(root))
        print(f"tree: {files} files, {total / MIB:.0f} MiB", file=sys.stderr)

        results = run_side_by_side([
            # Only the duplicate finder runs: the others would scan the bench prefix's
            # temporary and cache folders, work the other two tools never do.
            ("twk (Wine)", ["wine", args.twk, "--no-gui", "scan", "-v", "--modules=duplicate_finder",
                            "--dup-path=" + windows_path(root)], None),
            ("jdupes -r", ["jdupes", "-r", root], None),
            ("rdfind -dryrun true", ["rdfind", "-dryrun", "true", root], base)], args.runs)
        twk, jd, rd = results["twk (Wine)"], results["jdupes -r"], results["rdfind -dryrun true"]

        expected = large(jdupes_groups(jd["output"]))
        rdfind_found = large(rdfind_groups(os.path.join(base, "results.txt")))
        twk_found, wasted = twk_groups(twk["output"])
        twk_ok = twk_found == expected
        print(f"groups >= 10 MiB: jdupes {len(expected)}, rdfind {len(rdfind_found)} "
              f"(same: {rdfind_found == expected}), twk {len(twk_found)} (same: {twk_ok})", file=sys.stderr)

        print("| tool | wall time (s) | CPU time (s) | bytes read (MiB) | wasted space (MiB) | peak memory (MiB) |")
        print("|---|---|---|---|---|---|")
        for tool, wasted_text in ((twk, f"{wasted / MIB:.0f}"), (jd, "not reported"), (rd, "not reported")):
            print(f"| {tool['name']} | {tool['wall']:.2f} | {tool['cpu']:.2f} | {tool['read'] / MIB:.0f} | {wasted_text} "
                  f"| {tool['peak'] / 1024:.1f} |")
        print(f"\nmedians of {args.runs} warm runs; load average {os.getloadavg()[0]:.2f} on {os.cpu_count()} CPUs")
        print(f"\ntwk / jdupes wall time: {twk['wall'] / jd['wall']:.2f}x")
        for tool in (twk, jd):
            print(f"{tool['name']} rounds: " + ", ".join(f"{w:.2f}" for w in tool["walls"]))
        return 0 if twk_ok and rdfind_found == expected else 1
    finally:
        if not args.keep:
            shutil.rmtree(base, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
