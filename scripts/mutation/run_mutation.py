"""Builds and tests mutants of one area of the project (the program, the log reader or the
network configuration engine) and writes MUTATION.md from the latest run of each area. Started by
scripts/run-mutation.sh, which installs what it needs; see there for the options.

The repository's sources are only read. Each mutant is written into a copy of the tree inside
build/mutation/work, which is first made identical to a built, unmutated base (source and build
folder) and then built again, so that only what the mutant touches is recompiled. An area's full
run is kept in scripts/mutation/results, in the repository, so that a run of one area on a fresh
checkout writes the report with the others' latest runs still in it.
"""

import argparse
import dataclasses
import datetime
import json
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
# Each area's latest full run, which MUTATION.md is written from: committed, as MUTATION.md is.
RESULTS = REPO / "scripts" / "mutation" / "results"
VERDICTS = REPO / "scripts" / "mutation" / "verdicts.tsv"

# Waits out the 5000 ms lock wait twice (about 12 s); the wait it would notice is pinned by a
# journal test of driverinstaller_tests.
WITHOUT_LOCK_WAIT = [
    "--gtest_filter=-InstallerProcessTest.UninstallWhileAnotherClientHoldsTheLockNamesThatClient"]


@dataclasses.dataclass(frozen=True)
class Area:
    name: str
    title: str  # as the report names it
    prefix: str  # of its mutants' names: M001, R001, E001
    sources: tuple  # folders and files, relative to the repository
    # The suites that can reach the area's code and end within seconds, in the order they are
    # tried, each with its extra arguments and what the report says of it.
    suites: tuple
    left_out: str  # what the report says of the suites not run

    def files(self):
        found = {}
        for source in self.sources:
            place = REPO / source
            for p in sorted(place.rglob("*")) if place.is_dir() else [place]:
                if p.suffix in (".cpp", ".h"):
                    found[str(p.relative_to(REPO))] = p.read_text()
        return found

    def operators(self):
        return mutants.AREA_OPERATORS[self.name]

    def targets(self):
        return [name for name, _, _ in self.suites]


PROGRAM_SUITES = (
    ("driverinstaller_tests", [],
     "the in-process trace tests, which compare whole logs, results, journals and the ledger "
     "(about 3 s)"),
    ("reliability_bad_input_tests", [], "the built program run on bad input (about 3 s)"),
    ("driverinstaller_process_tests", WITHOUT_LOCK_WAIT,
     "the built program run as a process on a simulated machine (about 3 s), without its lock "
     "contention test, which waits out the 5000 ms lock wait twice (about 12 s) and whose one "
     "distinct catch, the wait's length, is pinned by a journal test of `driverinstaller_tests`"),
)

AREAS = {
    "program": Area(
        "program", "The program (`DriverInstaller/`)", "M", ("DriverInstaller",), PROGRAM_SUITES,
        "the simulated platform's own suites (they do not contain the program), the call-site "
        "sweep (one to three minutes a run: it fails every platform call of whole runs), the "
        "concurrent and killed runs (timing-driven, tens of seconds), valgrind, fuzzing and the "
        "Wine tests (the Windows build)."),
    "reader": Area(
        "reader", "The log reader (`LogReader/`)", "R", ("LogReader",),
        (("driverinstaller_log_tests", [],
          "the reader's parts on crafted lines and files: lines, runs, results, summaries and "
          "reports"),
         ("driverinstaller_log_process_tests", [],
          "the reader run as a process on logs the program wrote on a fresh simulated machine")),
        "every suite that does not run the reader (none of them contains its code) and the Wine "
        "tests of the Windows build. The reader's Windows-only code (`#ifdef _WIN32`) is not "
        "mutated: the Linux build does not compile it."),
    "engine": Area(
        "engine", "The network configuration engine (`simwin/netcfg/`, "
        "`simwin/machine/netcfg_store.cpp`, `simwin/machine/write_lock.cpp`)", "E",
        ("simwin/netcfg", "simwin/machine/netcfg_store.cpp", "simwin/machine/write_lock.cpp"),
        (("simwin_netcfg_tests", [],
          "the engine's own tests: the documented answers of the INetCfg family, the write lock, "
          "references, installs, fault rules, the interfaces' layout, the store's format"),
         ) + PROGRAM_SUITES,
        "the platform's other suites (they do not reach the engine), the call-site sweep, the "
        "concurrent and killed runs, valgrind, fuzzing and the Wine tests (a mutant that survives "
        "every suite here is tried by hand against the Windows build's engine tests under Wine, "
        "as `killed-under-wine` verdicts record)."),
}
ORDER = ("program", "reader", "engine")


@dataclasses.dataclass
class Outcome:
    mutant: mutants.Mutant
    ident: str
    status: str = ""  # killed, survived, timeout, no-build
    detail: str = ""  # the failing test, the suite that timed out, or the compiler's first error
    seconds: float = 0.0  # printed as the run goes; not kept
    # The outcome of a run with --only after the full run: a survivor tried again once a test
    # was added for it.
    rerun: bool = False


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


def build(log, area):
    return run(["cmake", "--build", str(WORK / "build"), "-j2", "--target", *area.targets()], log,
               env=build_env())


def run_suites(log, time_limit, area):
    """Runs the area's suites in order until one fails. Returns (status, detail)."""
    deadline = time.monotonic() + time_limit
    for name, extra, _ in area.suites:
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


def prepare_base(log, time_limit, area):
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
    if run(configure, log, env=build_env()) != 0 or build(log, area) != 0:
        sys.exit(f"the unmutated sources do not build; see {log}")
    started = time.monotonic()
    status, detail = run_suites(log, time_limit, area)
    if status != "survived":
        sys.exit(f"the suites do not pass on the unmutated sources ({status} {detail}); see {log}")
    sync(WORK, BASE, log)
    return time.monotonic() - started


def test_mutant(outcome, time_limit, area):
    log = LOGS / f"{outcome.ident}.log"
    log.unlink(missing_ok=True)
    started = time.monotonic()
    sync(BASE, WORK, log)
    target = WORK / "src" / outcome.mutant.path
    text = target.read_text()
    target.write_text(outcome.mutant.apply(text))
    if build(log, area) != 0:
        outcome.status, outcome.detail = "no-build", first_error(log)
    else:
        outcome.status, outcome.detail = run_suites(log, time_limit, area)
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


def outcome_row(o):
    """The row of the table of every mutant of a run."""
    return mutant_row(o, ("survived, then " if o.rerun else "") + o.status +
                      (f": {o.detail}" if o.status in ("killed", "timeout") else ""))


def git(*arguments):
    return subprocess.run(["git", "-C", str(REPO), *arguments], capture_output=True,
                          text=True).stdout.strip()


def source_state(area):
    """The commit the run's sources come from, and whether the area's sources or the tests had
    uncommitted changes (read when the run copies them)."""
    return (git("rev-parse", "--short", "HEAD"),
            bool(git("status", "--porcelain", "--", *area.sources, "tests")))


def save_results(area, outcomes, args, base_seconds, started_at, state):
    """Keeps a full run of the area, which the report is written from with the other areas'."""
    record = {
        "seed": args.seed, "limit": args.limit, "timeout": args.timeout,
        "base_seconds": round(base_seconds, 1),
        "started_at": started_at.isoformat(timespec="minutes"),
        "commit": state[0],
        "dirty": state[1],
        "outcomes": outcomes,
    }
    write_results(area.name, record)


@dataclasses.dataclass(frozen=True)
class Recorded:
    """A mutant as a kept run holds it: what the report shows of it, and the key its verdict and
    a later run with --only find it by. Where the edit was made is not kept: only a new run
    applies mutants, and it makes them afresh."""
    operator: str
    path: str
    line: int
    before: str
    after: str
    key: str


RECORDED = [field.name for field in dataclasses.fields(Recorded)]


def write_results(name, record):
    """Writes the area's run, one line for each mutant's outcome, so that a new run's changes
    read as changed lines."""
    fields = [f" {json.dumps(k)}: {json.dumps(v)}" for k, v in record.items() if k != "outcomes"]
    outcomes = [json.dumps({"ident": o.ident, "status": o.status, "detail": o.detail,
                            "rerun": o.rerun, **{f: getattr(o.mutant, f) for f in RECORDED}},
                           ensure_ascii=False) for o in record["outcomes"]]
    fields.append(' "outcomes": [\n  ' + ",\n  ".join(outcomes) + "\n ]")
    RESULTS.mkdir(parents=True, exist_ok=True)
    (RESULTS / f"{name}.json").write_text("{\n" + ",\n".join(fields) + "\n}\n", encoding="utf-8")


def record_reruns(area, rerun):
    """Puts the outcomes of a run with --only into the area's full run, in place of the same
    mutants' earlier outcomes (the same key: the same change to the same sources)."""
    record = load_results(area.name)
    if record is None:
        return 0
    by_key = {o.mutant.key: o for o in rerun if o.status != "no-build"}
    replaced = 0
    for k, o in enumerate(record["outcomes"]):
        again = by_key.get(o.mutant.key)
        if again is not None and again.ident == o.ident:
            record["outcomes"][k] = dataclasses.replace(again, rerun=True)
            replaced += 1
    write_results(area.name, record)
    return replaced


def load_results(name):
    path = RESULTS / f"{name}.json"
    if not path.exists():
        return None
    record = json.loads(path.read_text(encoding="utf-8"))
    record["outcomes"] = [Outcome(Recorded(**{f: o[f] for f in RECORDED}), o["ident"], o["status"],
                                  o["detail"], rerun=o["rerun"])
                          for o in record["outcomes"]]
    return record


def tally(outcomes, verdicts):
    """The counts of one area's run."""
    counted = [o for o in outcomes if o.status != "no-build"]

    def survivors_judged(kind):
        return [o for o in counted if o.status == "survived"
                and verdicts.get(o.mutant.key, ("",))[0] == kind]

    t = {
        "counted": counted,
        "equivalent": survivors_judged("equivalent"),
        "under_wine": survivors_judged("killed-under-wine"),
        "killed": [o for o in counted if o.status == "killed" and not o.rerun],
        "killed_rerun": [o for o in counted if o.status == "killed" and o.rerun],
        "timeouts": [o for o in counted if o.status == "timeout"],
        "survivors": [o for o in counted if o.status == "survived"],
        "no_build": [o for o in outcomes if o.status == "no-build"],
    }
    t["judged"] = len(counted) - len(t["equivalent"])
    t["caught"] = (len(t["killed"]) + len(t["killed_rerun"]) + len(t["timeouts"]) +
                   len(t["under_wine"]))
    t["rate"] = 100.0 * t["caught"] / t["judged"] if t["judged"] else 0.0
    return t


def area_section(area, record, verdicts):
    outcomes = record["outcomes"]
    t = tally(outcomes, verdicts)
    lines = [
        f"## {area.title}",
        "",
        f"Run of {record['started_at'].replace('T', ' ')} on commit {record['commit']}"
        + (" with uncommitted changes" if record["dirty"] else "")
        + f": `--area {area.name} --seed {record['seed']} --limit {record['limit']}`, "
        f"{len(outcomes)} mutants.",
        "",
        "| | Mutants |",
        "|---|---|",
        f"| generated | {len(outcomes)} |",
        f"| did not compile (not counted) | {len(t['no_build'])} |",
        f"| killed by a failing test | {len(t['killed'])} |",
        f"| survived, then killed by a test added for it (run again with `--only`, below) "
        f"| {len(t['killed_rerun'])} |",
        f"| killed by running out of time | {len(t['timeouts'])} |",
        f"| survived the Linux suites, killed by a test of the Windows build under Wine (below) "
        f"| {len(t['under_wine'])} |",
        f"| survived, equivalent (argued below) | {len(t['equivalent'])} |",
        f"| survived, not equivalent "
        f"| {len(t['survivors']) - len(t['equivalent']) - len(t['under_wine'])} |",
        "",
        f"**Kill rate: {t['caught']} of {t['judged']} non-equivalent mutants, {t['rate']:.1f}%.**",
        "",
        "| Operator | Mutants | Killed | Survived | Did not compile |",
        "|---|---|---|---|---|",
    ]
    for op in area.operators():
        mine = [o for o in outcomes if o.mutant.operator == op]
        lines.append(
            f"| {op} | {len(mine)} | "
            f"{sum(o.status in ('killed', 'timeout') or o in t['under_wine'] for o in mine)} | "
            f"{sum(o.status == 'survived' and o not in t['under_wine'] for o in mine)} | "
            f"{sum(o.status == 'no-build' for o in mine)} |")
    lines += ["", "### Survivors", ""]
    survivors = [o for o in outcomes if o in t["survivors"] or o in t["killed_rerun"]]
    if survivors:
        lines += ["| Mutant | Place | Change | Verdict |", "|---|---|---|---|"]
        for o in survivors:
            kind, text = verdicts.get(o.mutant.key, ("not judged", "no verdict recorded yet"))
            text = text.replace("|", "\\|")
            shown_again = f" Run again: killed by {o.detail}." if o in t["killed_rerun"] else ""
            lines.append(mutant_row(o, f"**{kind}**: {text}{shown_again}"))
    else:
        lines.append("None.")
    mine = set(area.files())
    earlier = [(key, text) for key, (kind, text) in verdicts.items()
               if kind == "killed-by" and key.split("|")[0] in mine]
    if earlier:
        by_key = {o.mutant.key: o for o in outcomes}
        lines += [
            "",
            "### Survivors of earlier runs and the tests that now kill them",
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
    if t["timeouts"]:
        lines += [
            "",
            "### Killed by running out of time",
            "",
            "A suite that runs past its limit fails under CTest too (its `--timeout`), so a mutant "
            "that makes a suite hang would fail the test run.",
            "",
            "| Mutant | Place | Change | Suite |",
            "|---|---|---|---|",
        ]
        lines += [mutant_row(o, o.detail) for o in t["timeouts"]]
    if t["no_build"]:
        lines += ["", "### Did not compile (not counted)", "",
                  "| Mutant | Place | Change | Compiler |", "|---|---|---|---|"]
        lines += [mutant_row(o, code(o.detail)) for o in t["no_build"]]
    lines += [
        "",
        "### The suites run on each mutant",
        "",
        "In this order, stopping at the first that fails:",
        "",
    ]
    lines += [f"- `{name}`: {said};" for name, _, said in area.suites]
    lines[-1] = lines[-1][:-1] + "."
    lines += [
        "",
        "Left out: " + area.left_out,
        "",
        f"Time limit per mutant's tests: {record['timeout']:.0f} s (the unmutated sources' tests "
        f"took {record['base_seconds']:.1f} s).",
    ]
    return lines, t


OPERATOR_TEXTS = [
    ("boundary", "a relational operator moved across its boundary (`<` ↔ `<=`, `>` ↔ `>=`)"),
    ("negate", "the condition of an `if` or `while` negated"),
    ("drop-call", "one statement that is a bare call of "
     + ", ".join(f"`{c}`" for c in sorted(mutants.CALLS_THAT_MATTER)) + " removed"),
    ("string-char", "one character of a string literal changed (never an escape or a format "
     "specifier; raw literals, the reader's patterns, are left alone)"),
    ("integer", "an integer constant increased by one"),
    ("swap-logs", "two adjacent `Log`/`LogError` statements swapped"),
    ("offset", "(the reader) a parsing boundary moved by one: the offset a `substr`, `erase` or "
     "`compare` starts at or a search starts from increased by one, the length of a prefix "
     "`compare` checks decreased by one, or the bound a text's `size()`/`length()` is compared "
     "with increased by one"),
    ("drop-entry", "(the engine) a journal or ledger entry dropped: a call's journal line "
     "(`call.Finish(x)` becomes `(x)`) or one statement that is a bare call of "
     + ", ".join(f"`{c}`" for c in sorted(mutants.ENTRY_CALLS)) + " removed"),
    ("refcount", "(the engine) a reference count moved by one: an `AddRef` removed or made "
     "twice, a `->Release()` removed, or a component's reference not added "
     "(`references.push_back`)"),
]


def write_report():
    verdicts = read_verdicts()
    records = {name: load_results(name) for name in ORDER}
    ran = [name for name in ORDER if records[name] is not None]
    sections = []
    summary = ["| Area | Mutants | Non-equivalent | Killed | Kill rate |", "|---|---|---|---|---|"]
    total = 0
    for name in ran:
        lines, t = area_section(AREAS[name], records[name], verdicts)
        sections += [""] + lines
        total += len(records[name]["outcomes"])
        summary.append(f"| {AREAS[name].title} | {len(records[name]['outcomes'])} | "
                       f"{t['judged']} | {t['caught']} | {t['rate']:.1f}% |")
    missing = [name for name in ORDER if records[name] is None]
    lines = [
        "# Mutation testing",
        "",
        "How well the tests catch plausible mistakes in three areas: the program "
        "(`DriverInstaller/`), the log reader (`LogReader/`) and the network configuration engine "
        "that the simulated platform runs the program on (`simwin/netcfg/` and the store and lock "
        "it keeps). Each mutant is one area's code with one small mistake made mechanically, built "
        "on its own and run against the tests that can reach that code. A mutant is *killed* when "
        "a test fails on it. This file is written by `bash scripts/run-mutation.sh --area NAME` "
        "from the latest full run of each area (each area's run is named in its section); the "
        "arguments for equivalent mutants and the tests added for earlier survivors are kept in "
        "`scripts/mutation/verdicts.tsv`.",
        "",
        f"{total} mutants in all.",
        "",
    ] + summary
    if missing:
        lines += ["", "Not run yet: " + ", ".join(f"`{m}`" for m in missing) + "."]
    lines += sections
    lines += [
        "",
        "## How the mutants are made and run",
        "",
        "Operators, each modelling a real mistake (`scripts/mutation/mutants.py`); every area has "
        "the first six, the reader and the engine one or two of their own:",
        "",
    ]
    lines += [f"- **{op}**: {text};" for op, text in OPERATOR_TEXTS]
    lines[-1] = lines[-1][:-1] + "."
    lines += [
        "",
        "Every candidate of every operator of the area is listed in a fixed order; the seed "
        "shuffles each operator's list and the mutants are drawn from the operators in turn up to "
        "the limit, so that the same sources, seed and limit give the same mutants.",
        "",
        "Each mutant is written into a copy of the tree in `build/mutation/work`, which is first "
        "made identical (rsync) to a base copy built from the unmutated sources, so that every "
        "mutant is built from the same clean state, in a tree of its own, and only what it touches "
        "is recompiled; the base is built through ccache. The repository's own sources are only "
        "read, so an interrupted run leaves them as they were.",
    ]
    for name in ran:
        outcomes = records[name]["outcomes"]
        lines += [
            "",
            f"## Every mutant: {AREAS[name].title}",
            "",
            "| Mutant | Place | Change | Outcome |",
            "|---|---|---|---|",
        ]
        lines += [outcome_row(o) for o in outcomes]
    (REPO / "MUTATION.md").write_text("\n".join(lines) + "\n")


def run_area(area, args):
    started_at = datetime.datetime.now()
    selected = mutants.select(
        mutants.generate(area.files(), args.seed, area.operators(),
                         skip_windows_only=area.name != "program"),
        args.limit, args.seed, area.operators())
    outcomes = [Outcome(m, f"{area.prefix}{i:03d}") for i, m in enumerate(selected, 1)]
    if args.list:
        for o in outcomes:
            print(f"{o.ident} {o.mutant.operator:11} {o.mutant.path}:{o.mutant.line}  "
                  f"{o.mutant.before[:70]}  =>  {o.mutant.after[:70]}")
        return
    if args.only:
        wanted = set(args.only.split(","))
        outcomes = [o for o in outcomes if o.ident in wanted]
        if not outcomes:
            return

    LOGS.mkdir(parents=True, exist_ok=True)
    print(f"{area.name}: building the unmutated sources in {WORK} ...", flush=True)
    state = source_state(area)
    base_seconds = prepare_base(LOGS / f"base-{area.name}.log", args.timeout, area)
    try:
        for o in outcomes:
            test_mutant(o, args.timeout, area)
            print(f"{o.ident} {o.status:9} {o.seconds:5.0f} s  {o.mutant.operator:11} "
                  f"{o.mutant.path}:{o.mutant.line}  {o.detail}", flush=True)
    finally:
        # The work tree goes back to the unmutated base.
        sync(BASE, WORK, LOGS / f"base-{area.name}.log")
    if not args.only:
        save_results(area, outcomes, args, base_seconds, started_at, state)
    else:
        print(f"{area.name}: {record_reruns(area, outcomes)} outcomes put into the full run")
    survivors = [o for o in outcomes if o.status == "survived"]
    print(f"{area.name}: {len(outcomes)} mutants: "
          f"{sum(o.status == 'killed' for o in outcomes)} killed, "
          f"{sum(o.status == 'timeout' for o in outcomes)} timed out, {len(survivors)} survived, "
          f"{sum(o.status == 'no-build' for o in outcomes)} did not compile")
    for o in survivors:
        print(f"  survivor {o.ident}: {o.mutant.key}")


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--area", choices=ORDER + ("all",), default="program")
    parser.add_argument("--seed", type=int, default=12)
    parser.add_argument("--limit", type=int, default=80, help="mutants of each area")
    parser.add_argument("--timeout", type=float, default=120.0,
                        help="seconds for one mutant's tests")
    parser.add_argument("--only", default="",
                        help="comma-separated mutant ids (M003,E017): run these alone, after "
                             "tests were added for them, and put their outcomes into the area's "
                             "full run")
    parser.add_argument("--list", action="store_true", help="list the mutants and stop")
    args = parser.parse_args()

    for name in ORDER if args.area == "all" else (args.area,):
        run_area(AREAS[name], args)
    if not args.list:
        write_report()
        print("MUTATION.md regenerated")


if __name__ == "__main__":
    main()
