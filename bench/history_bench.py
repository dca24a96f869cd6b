#!/usr/bin/env python3
"""P7: the full view of a journal of a million records with 8 traces, from SQLite and from
PostgreSQL, against drawing the same points once they are at hand.

The journal is made once (history_redraw_bench --make-journal), and the same rows once in a
throwaway PostgreSQL 15 cluster (started as plant_bench.py starts one), before anything is
timed.
Without postgresql-15 only the SQLite side runs.
Usage: history_bench.py BIN_DIR [--repetitions N]
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile

import plant_bench

# As history_redraw_bench fills its journal: 8 traces, a status row every 50,000.
FILL_SQL = """
INSERT INTO tolvane.sources (name, held) VALUES ('million', 1000000);
INSERT INTO tolvane.buffers SELECT id, 1, '', '', 0 FROM tolvane.sources WHERE name = 'million';
INSERT INTO tolvane.columns SELECT s.id, 1, p, p, 'Trace ' || p, 1000, 5, 'd'
    FROM tolvane.sources s, generate_series(0, 7) p WHERE s.name = 'million';
SELECT tolvane.add_partition(timestamptz 'epoch' + (1765000000000 + d * 86400000)
    * interval '1 millisecond') FROM generate_series(0, 2) d;
INSERT INTO tolvane.rows (source_id, seq, time, buffer_id, kind, record_number, status, pc_date,
        pc_time, texts, numbers, raw_values, raw, comment)
    SELECT s.id, i, timestamptz 'epoch' + (1765000000000 + i * 100) * interval '1 millisecond',
        1, CASE WHEN i % 50000 = 0 THEN 'status' ELSE 'record' END, i, 'Run', '', '', '{}',
        ARRAY(SELECT CASE WHEN i % 50000 <> 0 THEN 500 + 400 * sin(i / (3000.0 + 100 * c))
            + (i * 7919 + c) % 97 END FROM generate_series(0, 7) c), '{}', '', ''
    FROM tolvane.sources s, generate_series(1::bigint, 1000000) i WHERE s.name = 'million';
SELECT tolvane.summarise(id, 1000000) FROM tolvane.sources WHERE name = 'million';
ANALYZE;
"""

NAMES = ("FullViewFromJournal", "FullViewFromPlant", "DrawDecimatedPoints")


def run(bindir, reps, benchmark):
    """Per benchmark name its real times (ns); FullViewFromPlant only with a cluster."""
    bench = os.path.join(bindir, "history_redraw_bench")
    cli = os.path.join(bindir, "tolvane-cli")
    folder = tempfile.mkdtemp(prefix="tolvane-p7-")
    os.chmod(folder, 0o755)
    journal = os.path.join(folder, "million.db")
    postmaster = 0
    env = dict(os.environ, TOLVANE_BENCH_JOURNAL=journal)
    try:
        made = subprocess.run([bench, "--make-journal", journal], stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, text=True, timeout=900)
        if made.returncode != 0:
            sys.exit(f"bench: the journal could not be made: {made.stderr}")
        names = [NAMES[0], NAMES[2]]
        if os.path.exists(f"{plant_bench.PG}/initdb"):
            postmaster, uri = plant_bench.start_cluster(folder, "fsync = off\n")
            plant_bench.check([cli, "plant", "init", uri])
            # The same rows as the journal's, made in the server: forwarding a million rows
            # takes minutes. The summaries come from the function put_rows calls.
            done = subprocess.run(["/usr/bin/psql", "-X", "-q", "-v", "ON_ERROR_STOP=1", "-h",
                                   folder, "-U", "postgres", "-d", "postgres", "-c", FILL_SQL],
                                  stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                                  timeout=1800)
            if done.returncode != 0:
                sys.exit(f"bench: the plant source could not be made: {done.stderr}")
            env["TOLVANE_BENCH_PLANT_URI"] = uri
            names.insert(1, NAMES[1])
        os.environ.update(env)
        return benchmark(bench, "(" + "|".join(names) + ")", reps, 0.2, "real_time")
    finally:
        plant_bench.stop_cluster(postmaster)
        shutil.rmtree(folder, ignore_errors=True)
