#!/usr/bin/env python3
"""Times whole commands side by side, interleaved: one warm-up run of each (it also fills the page cache), then
RUNS rounds in which every command runs once, the order turned by one each round, so that a change in the
machine's load falls on every side alike. Each command runs through bash, optionally pinned to CPUS with taskset;
PREPARE (untimed) runs before every run, with the NAME of the command to come in BENCH_RUN.

Prints one JSON object: for each NAME, the median wall seconds, the median processor seconds (user + system, the
command's children included) and the largest peak resident set (KiB) of its runs, and the load average of the
machine before and after.

usage: pairs.py [--runs N] [--cpus LIST] [--prepare CMD] NAME=COMMAND...
"""
import argparse
import json
import os
import statistics
import subprocess
import sys
import time


def run(command, cpus):
    argv = ["bash", "-c", command]
    if cpus:
        argv = ["taskset", "-c", cpus] + argv
    start = time.perf_counter()
    child = subprocess.Popen(argv)
    _, status, usage = os.wait4(child.pid, 0)
    wall = time.perf_counter() - start
    child.returncode = os.waitstatus_to_exitcode(status)
    if child.returncode != 0:
        sys.exit(f"failed ({child.returncode}): {command}")
    return wall, usage.ru_utime + usage.ru_stime, usage.ru_maxrss


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--cpus", default="")
    parser.add_argument("--prepare", default="")
    parser.add_argument("commands", nargs="+")
    args = parser.parse_args()
    named = [c.split("=", 1) for c in args.commands]
    load_before = os.getloadavg()[0]
    results = {name: {"wall": [], "cpu": [], "rss": []} for name, _ in named}

    def once(name, command):
        if args.prepare:
            subprocess.run(["bash", "-c", args.prepare], check=True, env=dict(os.environ, BENCH_RUN=name))
        return run(command, args.cpus)

    for name, command in named:
        once(name, command)
    for round_ in range(args.runs):
        for i in range(len(named)):
            name, command = named[(i + round_) % len(named)]
            wall, cpu, rss = once(name, command)
            results[name]["wall"].append(wall)
            results[name]["cpu"].append(cpu)
            results[name]["rss"].append(rss)
    out = {name: {"wall": statistics.median(r["wall"]), "cpu": statistics.median(r["cpu"]), "rss_kib": max(r["rss"])}
           for name, r in results.items()}
    out["load"] = [round(load_before, 2), round(os.getloadavg()[0], 2)]
    print(json.dumps(out))


main()
