"""Checks of the mutation operators on a small piece of code written for them. Run by
scripts/run-mutation.sh before it builds anything: python3 -m unittest test_mutants."""

import itertools
import pathlib
import tempfile
import unittest
from unittest import mock

import mutants
import run_mutation

SAMPLE = r'''#include <vector>  // 1 < 2
// if (commented) { Log(L"no"); } 7 > 3
std::vector<int> Values(const std::uint32_t count) {
    /* Apply(); 5 */
    if (count > 32 &&
        count <= 0x7F) {
        Log(L"Big %ld\n", count);
        LogError(L"x");
    }
    HRESULT hr = pnc->Apply();
    pnc->Apply();
    (*lock)->ReleaseWriteLock();
    Release(pnc);
    return std::vector<int>(count << 2);
}
'''


def of(operator, text=SAMPLE, seed=1):
    return [m for m in mutants.mutants_of_file("sample.cpp", text, seed) if m.operator == operator]


class OperatorTest(unittest.TestCase):
    def test_boundary_moves_only_spaced_relational_operators(self):
        changes = [(m.before, m.after) for m in of("boundary")]
        self.assertEqual(changes, [("if (count > 32 &&", "if (count >= 32 &&"),
                                   ("count <= 0x7F) {", "count < 0x7F) {")])

    def test_negate_wraps_the_whole_condition_across_lines(self):
        (negated,) = of("negate")
        self.assertIn("if (!(count > 32 &&\n        count <= 0x7F)) {", negated.apply(SAMPLE))

    def test_negate_keeps_the_initialiser_of_an_if(self):
        (negated,) = of("negate", "if (const HRESULT hr = Check(); FAILED(hr)) {\n}\n")
        self.assertEqual(negated.after, "if (const HRESULT hr = Check(); !(FAILED(hr))) {")

    def test_drop_call_removes_bare_calls_that_matter_only(self):
        dropped = [m.before for m in of("drop-call")]
        self.assertEqual(dropped, ['Log(L"Big %ld\\n", count);', 'LogError(L"x");',
                                   "pnc->Apply();", "(*lock)->ReleaseWriteLock();"])
        for m in of("drop-call"):
            self.assertNotIn(m.before, m.apply(SAMPLE).replace("HRESULT hr = pnc->Apply();", ""))

    def test_string_char_keeps_escapes_and_format_specifiers(self):
        for seed in range(40):
            for m in of("string-char", seed=seed):
                mutated = m.apply(SAMPLE)
                self.assertEqual(len(mutated), len(SAMPLE))
                self.assertIn("%ld\\n", mutated.split("\n")[6])
                self.assertEqual(sum(a != b for a, b in zip(SAMPLE, mutated)), 1)
        self.assertEqual(len(of("string-char")), 2, "the include line and comments are left alone")

    def test_integer_skips_identifiers_and_keeps_hex(self):
        changes = sorted((m.before, m.after) for m in of("integer"))
        self.assertEqual(changes, [
            ("count <= 0x7F) {", "count <= 0x80) {"),
            ("if (count > 32 &&", "if (count > 33 &&"),
            ("return std::vector<int>(count << 2);", "return std::vector<int>(count << 3);"),
        ])

    def test_swap_logs_swaps_adjacent_log_statements(self):
        (swap,) = of("swap-logs")
        self.assertIn('LogError(L"x");\n        Log(L"Big %ld\\n", count);', swap.apply(SAMPLE))


READER_SAMPLE = r'''#ifdef _WIN32
std::string Native(const std::string& t) { return t.substr(start); }
#else
bool Prefixed(const std::string& text, const std::string& prefix) {
    static const std::regex pattern(R"(hr='(-?[0-9]+)')");
    return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0 &&
           text.find(':', start) != 0 && text.substr(2).empty();
}
#endif
'''

ENGINE_SAMPLE = r'''HRESULT Next(IUnknown** items) {
    PlatformCall call("IEnum::Next");
    if (call.Failing()) {
        return call.Finish(call.FaultResult());
    }
    items[given]->AddRef();
    item->Release();
    Release();
    record.references.push_back(reference);
    detail::WriteLockTaken();
    return call.Finish(S_OK);
}
'''


def changes(operator, text, operators):
    return [(m.before, m.after) for m in mutants.mutants_of_file("x.cpp", text, 1, operators, True)
            if m.operator == operator]


class AreaOperatorTest(unittest.TestCase):
    def test_offset_moves_parsing_offsets_and_compared_lengths_outside_windows_only_code(self):
        self.assertEqual([after for _, after in changes("offset", READER_SAMPLE,
                                                          mutants.AREA_OPERATORS["reader"])], [
            "return text.size() >= prefix.size() && text.compare(0, (prefix.size()) - 1, prefix)"
            " == 0 &&",
            "text.find(':', (start) + 1) != 0 && text.substr(2).empty();",
            "return text.size() >= (prefix.size()) + 1 && text.compare(0, prefix.size(), prefix)"
            " == 0 &&",
        ])
        # The pattern (a raw literal) is not a literal whose characters change.
        self.assertEqual(changes("string-char", READER_SAMPLE, mutants.OPERATORS), [])

    def test_drop_entry_drops_journal_lines_and_ledger_counts(self):
        self.assertEqual(changes("drop-entry", ENGINE_SAMPLE, mutants.AREA_OPERATORS["engine"]), [
            ("detail::WriteLockTaken();", "(removed)"),
            ("return call.Finish(call.FaultResult());", "return (call.FaultResult());"),
            ("return call.Finish(S_OK);", "return (S_OK);"),
        ])

    def test_refcount_moves_interface_and_component_references_by_one(self):
        self.assertEqual(changes("refcount", ENGINE_SAMPLE, mutants.AREA_OPERATORS["engine"]), [
            ("items[given]->AddRef();", "(removed)"),
            ("items[given]->AddRef();", "items[given]->AddRef(); items[given]->AddRef();"),
            ("item->Release();", "(removed)"),
            ("record.references.push_back(reference);", "(removed)"),
        ])

    def test_the_program_keeps_its_operators(self):
        operators = {m.operator for m in mutants.mutants_of_file("x.cpp", ENGINE_SAMPLE, 1)}
        self.assertEqual(operators, {"negate", "string-char"})


class SelectionTest(unittest.TestCase):
    def test_the_same_seed_gives_the_same_mutants_and_every_operator_is_drawn(self):
        files = {"a.cpp": SAMPLE, "b.cpp": SAMPLE.replace("Values", "Other")}
        candidates = mutants.generate(files, 3)
        first = mutants.select(candidates, 9, 3)
        self.assertEqual(first, mutants.select(mutants.generate(files, 3), 9, 3))
        self.assertEqual(len(first), 9)
        self.assertEqual({m.operator for m in first}, set(mutants.OPERATORS))
        self.assertNotEqual([m.key for m in first],
                            [m.key for m in mutants.select(candidates, 9, 4)])

    def test_keys_are_unique_even_for_identical_lines(self):
        candidates = mutants.generate({"a.cpp": SAMPLE + SAMPLE.replace("Values", "V2")}, 1)
        self.assertEqual(len({m.key for m in candidates}), len(candidates))


class ResultsTest(unittest.TestCase):
    def test_a_kept_run_read_back_writes_the_same_report(self):
        selected = mutants.select(mutants.generate({"a.cpp": SAMPLE + SAMPLE}, 1), 9, 1)
        shapes = [("killed", "suite: Test.Name", False), ("survived", "", False),
                  ("killed", "suite: Test.Added", True), ("timeout", "suite", False),
                  ("no-build", "a.cpp:3:1: error: ‘x’ | was not declared", False)]
        outcomes = [run_mutation.Outcome(m, f"M{i:03d}", status, detail, 3.5, rerun)
                    for (i, m), (status, detail, rerun) in zip(enumerate(selected, 1),
                                                               itertools.cycle(shapes))]
        record = {"seed": 1, "limit": 9, "timeout": 240.0, "base_seconds": 12.3,
                  "started_at": "2026-01-02T03:04", "commit": "abc1234", "dirty": True,
                  "outcomes": outcomes}
        # A survivor judged by its key, so that a key lost or changed shows in the report.
        survivor = next(o for o in outcomes if o.status == "survived")
        verdicts = {survivor.mutant.key: ("equivalent", "it cannot be told apart")}
        area = run_mutation.AREAS["program"]
        with tempfile.TemporaryDirectory() as folder, \
                mock.patch.object(run_mutation, "RESULTS", pathlib.Path(folder)):
            run_mutation.write_results("program", record)
            kept = run_mutation.load_results("program")
        self.assertEqual(run_mutation.area_section(area, kept, verdicts)[0],
                         run_mutation.area_section(area, record, verdicts)[0])
        self.assertEqual([run_mutation.outcome_row(o) for o in kept["outcomes"]],
                         [run_mutation.outcome_row(o) for o in outcomes])


if __name__ == "__main__":
    unittest.main()
