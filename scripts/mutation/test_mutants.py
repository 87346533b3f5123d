"""Checks of the mutation operators on a small piece of code written for them. Run by
scripts/run-mutation.sh before it builds anything: python3 -m unittest test_mutants."""

import unittest

import mutants

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


if __name__ == "__main__":
    unittest.main()
