#!/usr/bin/env python3
"""Plants the faults listed in tools/mutants.txt one at a time and tells which of them
the tests catch.

For each fault: the file is changed by a literal replacement, only the library (or, for
the shell, the test program) that holds it is rebuilt, the test programs run one after
the other until the first one fails, and the file gets its original text back. A
fault is "caught" when a test program fails (or hangs past the time limit), "missed"
when all pass, and "no-build" when the changed code does not compile.

  python3 tools/mutate.py [--src DIR] [--build DIR] [--suite PREFIX]... [--only ID,...]
                          [--out FILE] [--check]

--src    the source tree to change (default: the repository holding this script)
--build  its configured build directory (default: SRC/build)
--suite  a prefix of test program names in BUILD/bin; give it several times to run
         several suites against the same fault (default: "", the tst_* programs)
--check  only verify that every fault applies to the tree

The quick programs run first and tst_hostile last, so that a fault costs little once
one program has caught it. The caught column names the program and its first failing
test function. After each fault the changed file gets its text back and its targets
are rebuilt (from the compiler cache), so that no fault stays compiled in for the next.
"""
import argparse
import glob
import os
import re
import signal
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ORDER = ["tst_finder", "tst_moduleselect", "tst_host", "tst_plugin", "tst_viewmanager",
         "tst_document", "tst_general", "tst_enable", "tst_rate", "tst_netlist",
         "tst_studio"]
LAST = ["tst_hostile"]


def unescape(text):
    out, i = [], 0
    while i < len(text):
        if text[i] == "\\" and i + 1 < len(text):
            out.append({"n": "\n", "t": "\t", "\\": "\\"}.get(text[i + 1], "\\" + text[i + 1]))
            i += 2
        else:
            out.append(text[i])
            i += 1
    return "".join(out)


def load_mutants(path):
    mutants = []
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n")
            if not line.strip() or line.startswith("#"):
                continue
            ident, file, old, new = line.split("\t")
            mutants.append((ident, file, unescape(old), unescape(new)))
    return mutants


def programs(build, prefix, src):
    found = sorted(os.path.basename(p)[len(prefix):]
                   for p in glob.glob(os.path.join(build, "bin", prefix + "tst_*")))
    if not prefix:
        # A program left in bin/ after its source went is not part of the suite.
        found = [p for p in found if os.path.exists(os.path.join(src, "tests", p + ".cpp"))]
    ordered = [p for p in ORDER if p in found]
    ordered += [p for p in found if p not in ORDER and p not in LAST]
    ordered += [p for p in LAST if p in found]
    return [prefix + p for p in ordered]


def targets(file, suites):
    if file.startswith("host/"):
        return ["vephost"]
    if file.startswith("studio/"):
        return ["studiocore"] + [s + "tst_studio" for s in suites]
    if file.endswith(".h"):
        # Templates and inline functions also end up in the test programs.
        return ["ZELSettingPlugin"] + [p for s in suites for p in programs_cache[s]]
    return ["ZELSettingPlugin"]


def build(build_dir, names):
    result = subprocess.run(["cmake", "--build", build_dir, "-j2", "--target"] + names,
                            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    return result.returncode == 0, result.stderr[-2000:]


def run_suite(build_dir, progs, timeout):
    # The open/close loop for the leak checkers is cut short: it finds leaks, not faults.
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen", QTEST_FUNCTION_TIMEOUT="300000",
               VEP_OPEN_CLOSE_ROUNDS="50")
    for prog in progs:
        try:
            result = subprocess.run([os.path.join(build_dir, "bin", prog)], env=env,
                                    cwd=os.path.join(build_dir, "bin"),
                                    stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                    timeout=timeout)
        except subprocess.TimeoutExpired:
            return "caught", prog + " (timeout)"
        if result.returncode != 0:
            # The first failing test function, so that a flaky failure can be told apart.
            failed = re.search(rb"^(?:FAIL!|QFATAL) *: *(\S+)", result.stdout, re.M)
            return "caught", prog + (" " + failed.group(1).decode() if failed else "")
    return "missed", ""


programs_cache = {}


def main():
    # Killed with SIGTERM, the file being changed still gets its text back (finally).
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    parser = argparse.ArgumentParser()
    parser.add_argument("--src", default=os.path.dirname(HERE))
    parser.add_argument("--build")
    parser.add_argument("--suite", action="append")
    parser.add_argument("--only")
    parser.add_argument("--out")
    parser.add_argument("--check", action="store_true")
    parser.add_argument("--timeout", type=int, default=600)
    args = parser.parse_args()
    build_dir = os.path.abspath(args.build or os.path.join(args.src, "build"))
    suites = args.suite or [""]
    mutants = load_mutants(os.path.join(HERE, "mutants.txt"))
    if args.only:
        wanted = args.only.split(",")
        mutants = [m for m in mutants if m[0] in wanted]

    bad = 0
    for ident, file, old, new in mutants:
        with open(os.path.join(args.src, file), encoding="utf-8") as f:
            count = f.read().count(old)
        if count != 1:
            print(f"{ident}: the text occurs {count} times in {file}")
            bad += 1
    if bad or args.check:
        print(f"{len(mutants) - bad} of {len(mutants)} faults apply")
        return 1 if bad else 0

    for s in suites:
        programs_cache[s] = programs(build_dir, s, args.src)
        print(f"suite '{s}': {' '.join(programs_cache[s])}", flush=True)
    # Start from the unchanged sources: an interrupted run may have left a fault built.
    ok, log = build(build_dir, ["ZELSettingPlugin", "vephost", "studiocore"] +
                    [p for s in suites for p in programs_cache[s]])
    if not ok:
        print("the unchanged tree does not build:\n" + log)
        return 1
    # The unchanged tree must pass, or every fault would count as caught.
    for s in suites:
        verdict, where = run_suite(build_dir, programs_cache[s], args.timeout)
        if verdict != "missed":
            print(f"suite '{s}' fails without any fault: {where}")
            return 1
    out = open(args.out, "a", encoding="utf-8") if args.out else None
    totals = {s: {"caught": 0, "missed": 0, "no-build": 0} for s in suites}
    for ident, file, old, new in mutants:
        path = os.path.join(args.src, file)
        with open(path, encoding="utf-8") as f:
            original = f.read()
        started = time.time()
        try:
            with open(path, "w", encoding="utf-8") as f:
                f.write(original.replace(old, new, 1))
            ok, log = build(build_dir, targets(file, suites))
            results = []
            for s in suites:
                if ok:
                    verdict, where = run_suite(build_dir, programs_cache[s], args.timeout)
                else:
                    verdict, where = "no-build", ""
                totals[s][verdict] += 1
                results.append((s, verdict, where))
        finally:
            with open(path, "w", encoding="utf-8") as f:
                f.write(original)
            # Rebuilt at once, or the next fault would run with this one still compiled in.
            build(build_dir, targets(file, suites))
        line = "\t".join([ident] + [f"{v} {w}".strip() for _, v, w in results])
        print(f"{line}\t({time.time() - started:.0f} s)", flush=True)
        if out:
            out.write(line + "\n")
            out.flush()
    # Leave the libraries built from the unchanged sources.
    build(build_dir, ["ZELSettingPlugin", "vephost", "studiocore"] +
          [p for s in suites for p in programs_cache[s]])
    for s in suites:
        t = totals[s]
        print(f"suite '{s}': caught {t['caught']}, missed {t['missed']}, "
              f"not built {t['no-build']} of {len(mutants)}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
