#!/usr/bin/env python3
"""P6: recorders forwarding into one local PostgreSQL server.

N recorders (tolvane-cli record --journal --forward), each against its own tolvane-pcdsim
writing 10 records/s of 32 columns, into one throwaway PostgreSQL 15 cluster (Unix socket in
a temporary folder, run as nobody when we are root) for S seconds. Afterwards every journal is
compared with the server: rows lost, rows doubled, the forward lag (server receive time minus
the row's PC time) and the CPU the forwarder threads and the server used per row.
Usage: plant_bench.py BIN_DIR [--seconds S] [--recorders N]
"""
import argparse
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

PG = "/usr/lib/postgresql/15/bin"
COLUMNS = 32
TICK = os.sysconf("SC_CLK_TCK")


def as_server(cmd):
    if os.geteuid() == 0:
        return ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"] + cmd
    return cmd


def check(cmd, **kw):
    done = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                          timeout=120, **kw)
    if done.returncode != 0:
        sys.exit(f"bench: {' '.join(cmd[:3])} failed: {done.stderr}{done.stdout}")
    return done.stdout


def start_cluster(folder, settings):
    """A throwaway cluster in folder/data on a Unix socket in folder, with more settings
    (postgresql.conf lines): its postmaster's PID and the URI to reach it."""
    if os.geteuid() == 0:
        os.chown(folder, 65534, 65534)
    data = os.path.join(folder, "data")
    check(as_server([f"{PG}/initdb", "-D", data, "-U", "postgres", "--auth=trust",
                     "--no-sync", "--locale=C", "-E", "UTF8"]), cwd=folder)
    with open(os.path.join(data, "postgresql.conf"), "a") as f:
        f.write(f"listen_addresses = ''\nunix_socket_directories = '{folder}'\n" + settings)
    check(as_server([f"{PG}/pg_ctl", "start", "-w", "-t", "60", "-D", data, "-l",
                     os.path.join(folder, "server.log")]), cwd=folder)
    with open(os.path.join(data, "postmaster.pid")) as f:
        postmaster = int(f.readline())
    return postmaster, f"postgresql://postgres@/postgres?host={folder}"


def stop_cluster(postmaster):
    """Ends the cluster by its postmaster's PID (0: none) and waits, 10 s at most."""
    if not postmaster:
        return
    try:
        os.kill(postmaster, signal.SIGINT)
        for _ in range(200):
            os.kill(postmaster, 0)
            time.sleep(0.05)
    except ProcessLookupError:
        pass


def project(folder):
    cols = "".join(f"Column{i + 1}={i},Long,0,R {100 + i},800,Signal {i + 1},%d,0\r\n"
                   for i in range(COLUMNS))
    text = ("[Tolvane]\r\nVersion=2\r\nUserBuffer=1\r\n[CONNECTION]\r\nDLL=1\r\nStartReg=4000\r\n"
            "AutoConnect=1\r\nReadInterval=500\r\nMaxRows=500\r\nExportFile=out.xls\r\n"
            "[USER_BUFFER]\r\nTitle=Bench\r\nHeaderKey=BNCH\r\nHeaderType=1\r\nStartReg=R 4000\r\n"
            "RecordInterval=1\r\nRecordChange=0\r\nRecordMemory=0\r\n"
            f"RecordLenght={COLUMNS}\r\nRecordNumber=100\r\nColumn={COLUMNS}\r\n" + cols)
    path = os.path.join(folder, "bench.tlvr")
    with open(path, "w", newline="") as f:
        f.write(text)
    return path


def cpu_seconds(pid, thread=None):
    """utime + stime of a process, or of its threads named `thread`."""
    total = 0
    try:
        if thread is None:
            stats = [f"/proc/{pid}/stat"]
        else:
            stats = []
            for tid in os.listdir(f"/proc/{pid}/task"):
                with open(f"/proc/{pid}/task/{tid}/comm") as f:
                    if f.read().strip() == thread:
                        stats.append(f"/proc/{pid}/task/{tid}/stat")
        for stat in stats:
            with open(stat) as f:
                fields = f.read().rsplit(")", 1)[1].split()
            total += int(fields[11]) + int(fields[12])
    except OSError:
        pass
    return total / TICK


def server_cpu(postmaster):
    """CPU of the postmaster and all its children that live now."""
    total = cpu_seconds(postmaster)
    for pid in os.listdir("/proc"):
        if not pid.isdigit():
            continue
        try:
            with open(f"/proc/{pid}/stat") as f:
                fields = f.read().rsplit(")", 1)[1].split()
        except OSError:
            continue
        if int(fields[1]) == postmaster:
            total += (int(fields[11]) + int(fields[12])) / TICK
    return total


def run(bindir, seconds=120, recorders=16):
    cli = os.path.join(bindir, "tolvane-cli")
    pcdsim = os.path.join(bindir, "tolvane-pcdsim")
    folder = tempfile.mkdtemp(prefix="tolvane-p6-")
    os.chmod(folder, 0o755)
    procs = []
    postmaster = 0
    try:
        postmaster, uri = start_cluster(folder, "max_connections = 60\n")
        check([cli, "plant", "init", uri])
        tlvr = project(folder)
        check([cli, "compile", tlvr])
        source = tlvr[:-5] + ".tlvs"
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
        ports = []
        for i in range(recorders):
            waves = []
            for c in range(0, COLUMNS, 4):
                waves += ["--set", f"wave R {100 + c} ramp 0 {1000 + c} {700 + 13 * i}"]
            p = subprocess.Popen([pcdsim, "--udp", "127.0.0.1:0", "--trace", source] + waves,
                                 stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
            procs.append(p)
            m = re.match(r"udp \S+:(\d+)", p.stdout.readline().strip())
            if not m:
                sys.exit("bench: tolvane-pcdsim did not start")
            ports.append(m.group(1))
        cpu_server0 = server_cpu(postmaster)
        recs = []
        for i in range(recorders):
            journal = os.path.join(folder, f"j{i}.db")
            r = subprocess.Popen([cli, "record", tlvr, "--connect", f"udp:127.0.0.1:{ports[i]}",
                                  "--seconds", str(seconds), "--journal", journal,
                                  "--forward", uri, "--source", f"pcd {i + 1}"],
                                 stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True,
                                 env=env)
            recs.append((r, journal))
        # Just before the recorders end: the forwarders' CPU while they still run.
        time.sleep(max(1, seconds - 1.5))
        cpu_forward = sum(cpu_seconds(r.pid, "forward") for r, _ in recs)
        cpu_server = server_cpu(postmaster) - cpu_server0
        errors = []
        for r, _ in recs:
            try:
                _, err = r.communicate(timeout=seconds + 60)
            except subprocess.TimeoutExpired:
                r.kill()
                err = "did not end"
            if r.returncode != 0 or "forward:" in err:
                errors.append(err.strip())
        lost = doubled = rows = 0
        for i, (_, journal) in enumerate(recs):
            info = check([cli, "journal", journal, "info"])
            local = int(re.search(r"Rows: (\d+)", info).group(1))
            held = check(["/usr/bin/psql", "-X", "-A", "-t", "-F", " ", "-h",
                          folder, "-U", "postgres", "-d", "postgres", "-c",
                          "SELECT count(*), count(DISTINCT seq) FROM tolvane.rows r JOIN "
                          f"tolvane.sources s ON s.id = r.source_id WHERE s.name = 'pcd {i + 1}'"]
                         ).split()
            count, distinct = int(held[0]), int(held[1])
            rows += local
            lost += max(0, local - distinct)
            doubled += count - distinct
        lag = check(["/usr/bin/psql", "-X", "-A", "-t", "-F", " ", "-h", folder, "-U", "postgres",
                     "-d", "postgres", "-c",
                     "SELECT percentile_cont(0.99) WITHIN GROUP (ORDER BY extract(epoch FROM "
                     "received - time)), max(extract(epoch FROM received - time)) "
                     "FROM tolvane.rows"]).split()
        return {"rows": rows, "lost": lost, "doubled": doubled, "lag_p99": float(lag[0]),
                "lag_max": float(lag[1]), "cpu_forward": cpu_forward, "cpu_server": cpu_server,
                "seconds": seconds, "recorders": recorders, "errors": errors}
    finally:
        for p in procs:
            p.kill()
            p.wait()
        stop_cluster(postmaster)
        shutil.rmtree(folder, ignore_errors=True)


def line(r):
    per_row = lambda s: f"{s / max(1, r['rows']) * 1e6:.0f} us"
    ok = r["lost"] == 0 and r["doubled"] == 0 and r["lag_p99"] < 1 and not r["errors"]
    text = (f"P6 plant: {r['recorders']} recorders x {r['seconds']} s, {r['rows']} rows, "
            f"{r['lost']} lost, {r['doubled']} doubled, forward lag p99 {r['lag_p99']:.3f} s "
            f"(max {r['lag_max']:.3f} s), CPU per row: forwarders {per_row(r['cpu_forward'])}, "
            f"server {per_row(r['cpu_server'])} (goal 0 lost, 0 doubled, p99 < 1 s)")
    for e in r["errors"]:
        text += f"\n  recorder: {e}"
    return text, ok


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("bindir")
    parser.add_argument("--seconds", type=int, default=120)
    parser.add_argument("--recorders", type=int, default=16)
    args = parser.parse_args()
    text, ok = line(run(args.bindir, args.seconds, args.recorders))
    print(f"{text} {'ok' if ok else 'NOT MET'}")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
