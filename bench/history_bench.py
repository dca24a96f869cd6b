#!/usr/bin/env python3
"""P7: the full view of a journal of a million records with 8 traces, from SQLite and from
PostgreSQL, against drawing the same points once they are at hand.

The journal is made once (history_redraw_bench --make-journal) and forwarded once into a
throwaway PostgreSQL 15 cluster (as plant_bench.py starts one) before anything is timed.
Without postgresql-15 only the SQLite side runs.
Usage: history_bench.py BIN_DIR [--repetitions N]
"""
import argparse
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

import plant_bench

NAMES = ("FullViewFromJournal", "FullViewFromPlant", "DrawDecimatedPoints")


def run(bindir, reps, benchmark):
    """Per benchmark name its real times (ns); FullViewFromPlant only with a cluster."""
    bench = os.path.join(bindir, "history_redraw_bench")
    cli = os.path.join(bindir, "tolvane-cli")
    folder = tempfile.mkdtemp(prefix="tolvane-p7-")
    os.chmod(folder, 0o755)
    journal = os.path.join(folder, "million.db")
    data = os.path.join(folder, "data")
    postmaster = 0
    env = dict(os.environ, TOLVANE_BENCH_JOURNAL=journal)
    try:
        made = subprocess.run([bench, "--make-journal", journal], stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, text=True, timeout=900)
        if made.returncode != 0:
            sys.exit(f"bench: the journal could not be made: {made.stderr}")
        names = [NAMES[0], NAMES[2]]
        if os.path.exists(f"{plant_bench.PG}/initdb"):
            if os.geteuid() == 0:
                os.chown(folder, 65534, 65534)
            plant_bench.check(plant_bench.as_server(
                [f"{plant_bench.PG}/initdb", "-D", data, "-U", "postgres", "--auth=trust",
                 "--no-sync", "--locale=C", "-E", "UTF8"]), cwd=folder)
            with open(os.path.join(data, "postgresql.conf"), "a") as f:
                f.write(f"listen_addresses = ''\nunix_socket_directories = '{folder}'\n"
                        "fsync = off\n")
            plant_bench.check(plant_bench.as_server(
                [f"{plant_bench.PG}/pg_ctl", "start", "-w", "-t", "60", "-D", data, "-l",
                 os.path.join(folder, "server.log")]), cwd=folder)
            with open(os.path.join(data, "postmaster.pid")) as f:
                postmaster = int(f.readline())
            uri = f"postgresql://postgres@/postgres?host={folder}"
            plant_bench.check([cli, "plant", "init", uri])
            done = subprocess.run([cli, "journal", journal, "forward", uri, "--source",
                                   "million"], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                  text=True, timeout=1800)
            if done.returncode != 0:
                sys.exit(f"bench: forwarding the journal failed: {done.stderr}")
            env["TOLVANE_BENCH_PLANT_URI"] = uri
            names.insert(1, NAMES[1])
        os.environ.update(env)
        return benchmark(bench, "(" + "|".join(names) + ")", reps, 0.2, "real_time")
    finally:
        if postmaster:
            try:
                os.kill(postmaster, signal.SIGINT)
                for _ in range(200):
                    os.kill(postmaster, 0)
                    time.sleep(0.05)
            except ProcessLookupError:
                pass
        shutil.rmtree(folder, ignore_errors=True)
