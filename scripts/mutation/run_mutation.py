"""Builds and tests mutants of the program and writes MUTATION.md. Started by
scripts/run-mutation.sh, which installs what it needs; see there for the options.

The repository's own files are only read. Each mutant is written into a copy of the tree inside
build/mutation/work, which is first made identical to a built, unmutated base (source and build
folder) and then built again, so that only what the mutant touches is recompiled.
"""

import argparse
import dataclasses
import datetime
import os
import pathlib
import re
import shutil
import signal
import subprocess
import sys
import time

import mutants

REPO = pathlib.Path(__file__).resolve().parents[2]
AREA = REPO / "build" / "mutation"
WORK = AREA / "work"  # the tree a mutant is built in: src/ and build/
BASE = AREA / "base"  # the same, built from the unmutated sources
LOGS = AREA / "logs"
VERDICTS = REPO / "scripts" / "mutation" / "verdicts.tsv"

# The suites that run the program's code and end within seconds, in the order they are tried:
# the in-process trace tests, the bad-input runs, then the process-level tests (the built
# executable on a simulated machine).
SUITES = (
    ("driverinstaller_tests", []),
    ("reliability_bad_input_tests", []),
    ("driverinstaller_process_tests",
     # Waits out the 5000 ms lock wait twice (about 12 s); the wait it would notice is pinned by
     # a journal test of driverinstaller_tests.
     ["--gtest_filter=-InstallerProcessTest.UninstallWhileAnotherClientHoldsTheLockNamesThatClient"]),
)
TARGETS = [name for name, _ in SUITES]


@dataclasses.dataclass
class Outcome:
    mutant: mutants.Mutant
    ident: str
    status: str = ""  # killed, survived, timeout, no-build
    detail: str = ""  # the failing test, the suite that timed out, or the compiler's first error
    seconds: float = 0.0


def run(command, log, cwd=None, timeout=None, env=None):
    """Runs command with its output appended to log; returns the exit code, or None when it
    ran out of time (its whole process group is then killed)."""
    with open(log, "a") as out:
        out.write("$ " + " ".join(str(c) for c in command) + "\n")
        out.flush()
        process = subprocess.Popen(command, cwd=cwd, stdout=out, stderr=subprocess.STDOUT,
                                   start_new_session=True, env=env)
        try:
            return process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            os.killpg(process.pid, signal.SIGKILL)
            process.wait()
            return None
        except BaseException:
            os.killpg(process.pid, signal.SIGKILL)
            process.wait()
            raise


def sync(source, destination, log):
    destination.mkdir(parents=True, exist_ok=True)
    if run(["rsync", "-a", "--delete", f"{source}/", f"{destination}/"], log) != 0:
        sys.exit(f"copying {source} to {destination} failed; see {log}")


def build_env():
    env = dict(os.environ)
    env["CCACHE_DIR"] = str(AREA / "ccache")
    return env


def build(log):
    return run(["cmake", "--build", str(WORK / "build"), "-j2", "--target", *TARGETS], log,
               env=build_env())


def run_suites(log, time_limit):
    """Runs the suites in order until one fails. Returns (status, detail)."""
    deadline = time.monotonic() + time_limit
    for name, extra in SUITES:
        executable = WORK / "build" / "tests" / name
        before = pathlib.Path(log).stat().st_size
        code = run([executable, "--gtest_brief=1", "--gtest_fail_fast", *extra], log,
                   cwd=WORK / "build" / "tests", timeout=max(1.0, deadline - time.monotonic()))
        if code is None:
            return "timeout", name
        if code != 0:
            with open(log) as text:
                text.seek(before)
                failed = re.findall(r"^\[  FAILED  \] ([^\s,]+)", text.read(), re.M)
            return "killed", f"{name}: {failed[0]}" if failed else f"{name} (exit {code})"
    return "survived", ""


def first_error(log):
    with open(log) as text:
        for line in text:
            if "error:" in line:
                return line.strip().split("/src/", 1)[-1][:160]
    return "(see the build log)"


def prepare_base(log, time_limit):
    """Copies the repository's sources into the work tree, builds them and checks that the
    suites pass, then keeps the whole tree as the base every mutant starts from."""
    shutil.rmtree(WORK, ignore_errors=True)
    (WORK / "src").mkdir(parents=True)
    if run(["rsync", "-a", "--exclude=/build/", "--exclude=/.git", f"{REPO}/",
            f"{WORK / 'src'}/"], log) != 0:
        sys.exit(f"copying the sources failed; see {log}")
    configure = ["cmake", "-S", str(WORK / "src"), "-B", str(WORK / "build"),
                 "-DCMAKE_BUILD_TYPE=Debug", "-DCMAKE_CXX_COMPILER=g++",
                 "-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"]
    if run(configure, log, env=build_env()) != 0 or build(log) != 0:
        sys.exit(f"the unmutated program does not build; see {log}")
    started = time.monotonic()
    status, detail = run_suites(log, time_limit)
    if status != "survived":
        sys.exit(f"the suites do not pass on the unmutated program ({status} {detail}); see {log}")
    sync(WORK, BASE, log)
    return time.monotonic() - started


def test_mutant(outcome, time_limit):
    log = LOGS / f"{outcome.ident}.log"
    log.unlink(missing_ok=True)
    started = time.monotonic()
    sync(BASE, WORK, log)
    target = WORK / "src" / outcome.mutant.path
    text = target.read_text()
    target.write_text(outcome.mutant.apply(text))
    if build(log) != 0:
        outcome.status, outcome.detail = "no-build", first_error(log)
    else:
        outcome.status, outcome.detail = run_suites(log, time_limit)
    outcome.seconds = time.monotonic() - started


def read_verdicts():
    """{mutant key: (kind, text)}: "equivalent" with the argument, "killed-by" with the test
    added for it, or "killed-under-wine" with the test of the Windows build that fails on it (the
    run builds only for Linux, so such a mutant is tried by hand in the windows preset)."""
    verdicts = {}
    if VERDICTS.exists():
        for line in VERDICTS.read_text().splitlines():
            if not line.strip() or line.startswith("#"):
                continue
            key, kind, text = line.split("\t")
            verdicts[key] = (kind, text)
    return verdicts


def shown(before, after, width=48):
    """The part of a changed line around the change, before and after."""
    start = 0
    while start < min(len(before), len(after)) and before[start] == after[start]:
        start += 1
    end = 0
    while end < min(len(before), len(after)) - start and before[-1 - end] == after[-1 - end]:
        end += 1

    def cut(text):
        a = max(0, start - width // 2)
        b = min(len(text), len(text) - end + width // 2)
        piece = text[a:b].replace("|", "\\|")
        return ("…" if a > 0 else "") + piece + ("…" if b < len(text) else "")

    return cut(before), cut(after)


def code(text):
    return "`` " + text + " ``" if text else ""


def mutant_row(o, last_column):
    """A report table's row for one mutant: its name, place and change, then last_column."""
    before, after = shown(o.mutant.before, o.mutant.after)
    return (f"| {o.ident} {o.mutant.operator} | {o.mutant.path}:{o.mutant.line} | "
            f"{code(before)} → {code(after)} | {last_column} |")


def write_report(outcomes, args, base_seconds, started_at):
    verdicts = read_verdicts()
    counted = [o for o in outcomes if o.status != "no-build"]
    def survivors_judged(kind):
        return [o for o in counted if o.status == "survived"
                and verdicts.get(o.mutant.key, ("",))[0] == kind]

    equivalent = survivors_judged("equivalent")
    under_wine = survivors_judged("killed-under-wine")
    killed = [o for o in counted if o.status == "killed"]
    timeouts = [o for o in counted if o.status == "timeout"]
    survivors = [o for o in counted if o.status == "survived"]
    no_build = [o for o in outcomes if o.status == "no-build"]
    judged = len(counted) - len(equivalent)
    caught = len(killed) + len(timeouts) + len(under_wine)
    rate = 100.0 * caught / judged if judged else 0.0
    commit = subprocess.run(["git", "-C", str(REPO), "rev-parse", "--short", "HEAD"],
                            capture_output=True, text=True).stdout.strip()
    dirty = subprocess.run(["git", "-C", str(REPO), "status", "--porcelain", "--", "DriverInstaller",
                            "tests", "simwin"], capture_output=True, text=True).stdout.strip()
    lines = [
        "# Mutation testing",
        "",
        "How well the tests catch plausible mistakes in the program (`DriverInstaller/`): each "
        "mutant is the program with one small mistake made mechanically, built on its own and run "
        "against the tests. A mutant is *killed* when a test fails on it. This file is written by "
        f"`bash scripts/run-mutation.sh` (this run: `--seed {args.seed} --limit {args.limit}`); "
        "the arguments for equivalent mutants and the tests added for earlier survivors are kept in "
        "`scripts/mutation/verdicts.tsv`.",
        "",
        f"Run of {started_at:%Y-%m-%d %H:%M} on commit {commit}"
        + (" with uncommitted changes" if dirty else "") + f", {len(outcomes)} mutants.",
        "",
        "## Result",
        "",
        "| | Mutants |",
        "|---|---|",
        f"| generated | {len(outcomes)} |",
        f"| did not compile (not counted) | {len(no_build)} |",
        f"| killed by a failing test | {len(killed)} |",
        f"| killed by running out of time | {len(timeouts)} |",
        f"| survived the Linux suites, killed by a test of the Windows build under Wine (below) "
        f"| {len(under_wine)} |",
        f"| survived, equivalent (argued below) | {len(equivalent)} |",
        f"| survived, not equivalent | {len(survivors) - len(equivalent) - len(under_wine)} |",
        "",
        f"**Kill rate: {caught} of {judged} non-equivalent mutants, {rate:.1f}%.**",
        "",
        "| Operator | Mutants | Killed | Survived | Did not compile |",
        "|---|---|---|---|---|",
    ]
    for op in mutants.OPERATORS:
        mine = [o for o in outcomes if o.mutant.operator == op]
        lines.append(
            f"| {op} | {len(mine)} | "
            f"{sum(o.status in ('killed', 'timeout') or o in under_wine for o in mine)} | "
            f"{sum(o.status == 'survived' and o not in under_wine for o in mine)} | "
            f"{sum(o.status == 'no-build' for o in mine)} |")
    lines += [
        "",
        "## Survivors",
        "",
    ]
    if survivors:
        lines += ["| Mutant | Place | Change | Verdict |", "|---|---|---|---|"]
        for o in survivors:
            kind, text = verdicts.get(o.mutant.key, ("not judged", "no verdict recorded yet"))
            text = text.replace("|", "\\|")
            lines.append(mutant_row(o, f"**{kind}**: {text}"))
    else:
        lines.append("None.")
    earlier = [(key, text) for key, (kind, text) in verdicts.items() if kind == "killed-by"]
    if earlier:
        by_key = {o.mutant.key: o for o in outcomes}
        lines += [
            "",
            "## Survivors of earlier runs and the tests that now kill them",
            "",
            "| Place and change | Killed by | In this run |",
            "|---|---|---|",
        ]
        for key, text in earlier:
            path, op, before, after = key.split("|")[:4]
            before, after = shown(before, after)
            here = by_key.get(key)
            status = f"{here.ident}: {here.status}" if here else "not drawn"
            lines.append(f"| {path} {op}: {code(before)} → {code(after)} | "
                         f"{text.replace('|', chr(92) + '|')} | {status} |")
    if timeouts:
        lines += [
            "",
            "## Killed by running out of time",
            "",
            "A suite that runs past its limit fails under CTest too (its `--timeout`), so a mutant "
            "that makes a suite hang would fail the test run.",
            "",
            "| Mutant | Place | Change | Suite |",
            "|---|---|---|---|",
        ]
        lines += [mutant_row(o, o.detail) for o in timeouts]
    if no_build:
        lines += ["", "## Did not compile (not counted)", "",
                  "| Mutant | Place | Change | Compiler |", "|---|---|---|---|"]
        lines += [mutant_row(o, code(o.detail)) for o in no_build]
    lines += [
        "",
        "## How the mutants are made and run",
        "",
        "Operators, each modelling a real mistake (`scripts/mutation/mutants.py`):",
        "",
        "- **boundary**: a relational operator moved across its boundary (`<` ↔ `<=`, `>` ↔ `>=`);",
        "- **negate**: the condition of an `if` or `while` negated;",
        "- **drop-call**: one statement that is a bare call of " +
        ", ".join(f"`{c}`" for c in sorted(mutants.CALLS_THAT_MATTER)) + " removed;",
        "- **string-char**: one character of a string literal changed (never an escape or a "
        "format specifier);",
        "- **integer**: an integer constant increased by one;",
        "- **swap-logs**: two adjacent `Log`/`LogError` statements swapped.",
        "",
        "Every candidate of every operator is listed in a fixed order; the seed shuffles each "
        "operator's list and the mutants are drawn from the operators in turn up to the limit, so "
        "that the same sources, seed and limit give the same mutants.",
        "",
        "Each mutant is written into a copy of the tree in `build/mutation/work`, which is first "
        "made identical (rsync) to a base copy built from the unmutated sources, so that every "
        "mutant is built from the same clean state, in a tree of its own, and only what it touches "
        "is recompiled; the base is built through ccache. The repository's own sources are only read, so an "
        "interrupted run leaves them as they were.",
        "",
        "The tests run on each mutant are the suites that run the program's code and end within "
        "seconds, in this order, stopping at the first that fails:",
        "",
        "- `driverinstaller_tests`: the in-process trace tests, which compare whole logs, "
        "results, journals and the ledger (about 3 s);",
        "- `reliability_bad_input_tests`: the built program run on bad input (about 3 s);",
        "- `driverinstaller_process_tests`: the built program run as a process on a simulated "
        "machine (about 3 s), without its lock contention test, which waits out the 5000 ms lock "
        "wait twice (about 12 s) and whose one distinct catch, the wait's length, is pinned by a "
        "journal test of `driverinstaller_tests`.",
        "",
        "Left out: the simulated platform's own suites (they do not contain the program), the "
        "call-site sweep (one to three minutes a run: it fails every platform call of whole runs), the "
        "concurrent and killed runs (timing-driven, tens of seconds), valgrind, fuzzing and the "
        "Wine tests (the Windows build).",
        "",
        f"Time limit per mutant's tests: {args.timeout:.0f} s (the unmutated program's tests took "
        f"{base_seconds:.1f} s).",
        "",
        "## Every mutant",
        "",
        "| Mutant | Place | Change | Outcome |",
        "|---|---|---|---|",
    ]
    lines += [mutant_row(o, o.status + (f": {o.detail}" if o.status in ("killed", "timeout")
                                        else "")) for o in outcomes]
    (REPO / "MUTATION.md").write_text("\n".join(lines) + "\n")


def program_sources():
    return {str(p.relative_to(REPO)): p.read_text()
            for p in sorted((REPO / "DriverInstaller").rglob("*"))
            if p.suffix in (".cpp", ".h")}


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--seed", type=int, default=12)
    parser.add_argument("--limit", type=int, default=80)
    parser.add_argument("--timeout", type=float, default=120.0,
                        help="seconds for one mutant's tests")
    parser.add_argument("--only", default="",
                        help="comma-separated mutant ids (M003,M017): run these alone and leave "
                             "MUTATION.md as it is")
    parser.add_argument("--list", action="store_true", help="list the mutants and stop")
    args = parser.parse_args()

    started_at = datetime.datetime.now()
    selected = mutants.select(mutants.generate(program_sources(), args.seed), args.limit,
                              args.seed)
    outcomes = [Outcome(m, f"M{i:03d}") for i, m in enumerate(selected, 1)]
    if args.list:
        for o in outcomes:
            print(f"{o.ident} {o.mutant.operator:11} {o.mutant.path}:{o.mutant.line}  "
                  f"{o.mutant.before[:70]}  =>  {o.mutant.after[:70]}")
        return
    if args.only:
        wanted = set(args.only.split(","))
        outcomes = [o for o in outcomes if o.ident in wanted]

    LOGS.mkdir(parents=True, exist_ok=True)
    print(f"building the unmutated program in {WORK} ...", flush=True)
    base_seconds = prepare_base(LOGS / "base.log", args.timeout)
    try:
        for o in outcomes:
            test_mutant(o, args.timeout)
            print(f"{o.ident} {o.status:9} {o.seconds:5.0f} s  {o.mutant.operator:11} "
                  f"{o.mutant.path}:{o.mutant.line}  {o.detail}", flush=True)
    finally:
        # The work tree goes back to the unmutated base.
        sync(BASE, WORK, LOGS / "base.log")
    if not args.only:
        write_report(outcomes, args, base_seconds, started_at)
        print("MUTATION.md regenerated")
    survivors = [o for o in outcomes if o.status == "survived"]
    print(f"{len(outcomes)} mutants: {sum(o.status == 'killed' for o in outcomes)} killed, "
          f"{sum(o.status == 'timeout' for o in outcomes)} timed out, {len(survivors)} survived, "
          f"{sum(o.status == 'no-build' for o in outcomes)} did not compile")
    for o in survivors:
        print(f"  survivor {o.ident}: {o.mutant.key}")


if __name__ == "__main__":
    main()
