"""Mutants of C++ sources, made mechanically by a few operators that each model a mistake a
developer makes: a relational operator moved across its boundary, a condition negated, one call of
those that matter dropped, one character of a string literal changed, an integer constant changed,
two adjacent log statements swapped; for the log reader also a parsing offset or a compared length
moved by one, and for the network configuration engine a journal or ledger entry dropped and a
reference count moved by one.

The choice is deterministic: the same sources, seed and limit give the same mutants.
"""

import dataclasses
import random
import re

OPERATORS = ("boundary", "negate", "drop-call", "string-char", "integer", "swap-logs")
# Each area's operators: the common ones first, in the same order, so that an area's draw of them
# does not depend on the operators added for another area.
AREA_OPERATORS = {
    "program": OPERATORS,
    "reader": OPERATORS + ("offset",),
    "engine": OPERATORS + ("drop-entry", "refcount"),
}

# Calls whose loss a reader would not see in the code's shape: releases, the end of COM use,
# the last error's reset, commits, the lock's hand-back, the install wait and the trace.
CALLS_THAT_MATTER = frozenset(
    ["ReleaseRef", "CoUninitialize", "SetLastError", "Apply", "ReleaseWriteLock", "Sleep", "Log",
     "LogError"])
LOG_CALLS = frozenset(["Log", "LogError"])
# The engine's own records of what happened: the ledger's counts (the write lock taken and given,
# CoTaskMem blocks handed out and freed) and the journal's lines.
ENTRY_CALLS = frozenset(["Record", "WriteLockTaken", "WriteLockGiven", "CoTaskMemAllocated",
                         "CoTaskMemFreed"])


@dataclasses.dataclass(frozen=True)
class Mutant:
    operator: str
    path: str  # relative to the repository
    start: int  # the edit: text[start:end] becomes replacement
    end: int
    replacement: str
    line: int  # 1-based line of the edit's start
    before: str  # the changed code as written, on one line
    after: str  # the same after the change
    key: str = ""  # stable name of the mutant across runs (file, operator, change, occurrence)

    def apply(self, text):
        return text[:self.start] + self.replacement + text[self.end:]


def blank(text):
    """The text with comments, string and character literals and preprocessor lines replaced by
    spaces (line ends kept, so offsets and lines still match), and the spans of the string
    literals, each from its opening to after its closing quote."""
    out = list(text)
    strings = []
    n = len(text)
    i = 0
    line_start = True

    def clear(a, b):
        for k in range(a, b):
            if out[k] != "\n":
                out[k] = " "

    while i < n:
        c = text[i]
        if c == "\n":
            line_start = True
            i += 1
            continue
        if line_start and c in " \t":
            i += 1
            continue
        if line_start and c == "#":
            j = i
            while j < n and (text[j] != "\n" or text[j - 1] == "\\"):
                j += 1
            clear(i, j)
            i = j
            continue
        line_start = False
        if text.startswith("//", i):
            j = text.find("\n", i)
            j = n if j < 0 else j
            clear(i, j)
            i = j
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
            clear(i, j)
            i = j
        elif c == '"' and i > 0 and text[i - 1] == "R":
            # A raw string literal (a pattern, mostly): blanked, but left out of the literals
            # whose characters are changed.
            delimiter = text[i + 1:text.index("(", i)]
            j = text.index(")" + delimiter + '"', i) + len(delimiter) + 2
            clear(i, j)
            i = j
        elif c in "\"'":
            j = i + 1
            while j < n and text[j] != c:
                j += 2 if text[j] == "\\" else 1
            j += 1
            if c == '"':
                strings.append((i, j))
            clear(i, j)
            i = j
        else:
            i += 1
    return "".join(out), strings


def matching_paren(code, open_at):
    depth = 0
    for k in range(open_at, len(code)):
        if code[k] == "(":
            depth += 1
        elif code[k] == ")":
            depth -= 1
            if depth == 0:
                return k
    raise ValueError("unbalanced parentheses")


def top_level_semicolon(code, open_at, close):
    """The last ';' between the parentheses at open_at and close outside inner brackets."""
    depth = 0
    found = None
    for k in range(open_at + 1, close):
        if code[k] in "([{":
            depth += 1
        elif code[k] in ")]}":
            depth -= 1
        elif code[k] == ";" and depth == 0:
            found = k
    return found


def one_line(snippet):
    return " ".join(snippet.split())


def line_of(text, offset):
    return text.count("\n", 0, offset) + 1


def line_text(text, offset):
    start = text.rfind("\n", 0, offset) + 1
    end = text.find("\n", offset)
    return text[start:len(text) if end < 0 else end]


# A statement that is nothing but a call: "Name(...);", "object->Name(...);",
# "(*object)->Name(...);". The group is the called name.
CALL_STATEMENT = re.compile(r"(?:(?:\(\*\w+\)|\w+)(?:->|\.))*(?:::)?(\w+)\s*\(")


def call_statements(code, pattern=CALL_STATEMENT):
    """(start, end, name) of each statement that is a bare call, end just past its ';'."""
    found = []
    for opener in re.finditer(r"[;{}]\s*", code):
        start = opener.end()
        match = pattern.match(code, start)
        if not match:
            continue
        close = matching_paren(code, match.end() - 1)
        semicolon = close + 1
        while semicolon < len(code) and code[semicolon] in " \t\n":
            semicolon += 1
        if semicolon < len(code) and code[semicolon] == ";":
            found.append((start, semicolon + 1, match.group(1)))
    return found


FORMAT_SPEC = re.compile(r"%[-+ #0]*\d*(?:\.\d+)?(?:hh|h|ll|l|L|z|j|t)?[a-zA-Z%]")
ESCAPE = re.compile(r"\\(?:[0-7]{1,3}|x[0-9A-Fa-f]+|.)")


def changeable_positions(body):
    """Offsets in a literal's body whose character can change without breaking the literal or a
    format specifier: letters, digits, blanks and plain punctuation."""
    fixed = set()
    for pattern in (FORMAT_SPEC, ESCAPE):
        for match in pattern.finditer(body):
            fixed.update(range(match.start(), match.end()))
    return [k for k, ch in enumerate(body)
            if k not in fixed and (ch.isalnum() or ch in " .,:;!?'()[]<>=/_-*|")]


def changed_char(ch):
    if ch.isdigit():
        return str((int(ch) + 1) % 10)
    if "a" <= ch <= "z":
        return chr((ord(ch) - ord("a") + 1) % 26 + ord("a"))
    if "A" <= ch <= "Z":
        return chr((ord(ch) - ord("A") + 1) % 26 + ord("A"))
    if ch.isalpha():
        return "x"
    return "_" if ch == " " else "#"


# A statement that is nothing but a call, its callee possibly named through namespaces
# ("detail::Record(...);"): the engine's entries and references.
QUALIFIED_CALL_STATEMENT = re.compile(
    r"(?:(?:\(\*\w+\)|\w+(?:\[\w+\])?)(?:->|\.))*(?:::)?(?:\w+::)*(\w+)\s*\(")
# The calls that count an object's or a component's references.
REFERENCE_CALLS = frozenset(["AddRef", "Release"])
# Methods of std::string whose first argument is an offset into the text.
OFFSET_FIRST = ("substr", "erase", "compare")
# Methods whose second argument is the offset a search starts from.
OFFSET_SECOND = ("find", "rfind", "find_first_of", "find_first_not_of")
INTEGER_LITERAL = re.compile(r"\s*(?:0[xX][0-9A-Fa-f]+|[0-9]+)[uUlL]*\s*")


def arguments(code, open_at):
    """(start, end) of each top-level argument of the call whose '(' is at open_at, spaces
    trimmed."""
    close = matching_paren(code, open_at)
    spans = []
    depth = 0
    start = open_at + 1
    for k in range(open_at + 1, close + 1):
        ch = code[k]
        if ch in "([{":
            depth += 1
        elif ch in ")]}" and depth > 0:
            depth -= 1
        elif (ch == "," and depth == 0) or k == close:
            a, b = start, k
            while a < b and code[a] in " \t\n":
                a += 1
            while b > a and code[b - 1] in " \t\n":
                b -= 1
            # A literal alone is blank in code: its span is kept whole.
            spans.append((a, b) if b > a else (start, k))
            start = k + 1
    return spans


def operand_end(code, start):
    """Where the operand that begins at start ends: at the first '&&', '||', '?', ':', ',', ';'
    or closing bracket outside brackets."""
    depth = 0
    k = start
    while k < len(code):
        ch = code[k]
        if ch in "([{":
            depth += 1
        elif ch in ")]}":
            if depth == 0:
                break
            depth -= 1
        elif depth == 0 and (ch in "?:,;" or code.startswith("&&", k) or code.startswith("||", k)):
            break
        k += 1
    while k > start and code[k - 1] in " \t\n":
        k -= 1
    return k


def windows_only_lines(text):
    """The lines that only the Windows build compiles: inside #ifdef _WIN32 (up to its #else or
    #endif) and after the #else of #ifndef _WIN32."""
    lines = set()
    stack = []  # for each open #if: its kind, and whether its current branch is Windows-only
    for number, line in enumerate(text.split("\n"), 1):
        words = line.strip()[1:].split() if line.strip().startswith("#") else []
        name = words[1] if len(words) > 1 else ""
        if words and words[0] in ("if", "ifdef", "ifndef"):
            kind = {"ifdef": "windows", "ifndef": "not-windows"}.get(words[0], "other")
            kind = kind if name == "_WIN32" else "other"
            stack.append([kind, kind == "windows"])
        elif words and words[0] in ("else", "elif") and stack:
            stack[-1][1] = stack[-1][0] == "not-windows" and words[0] == "else"
        elif words and words[0] == "endif" and stack:
            stack.pop()
        elif not words and any(windows for _, windows in stack):
            lines.add(number)
    return lines


def mutants_of_file(path, text, seed, operators=OPERATORS, skip_windows_only=False):
    code, strings = blank(text)
    found = []

    def add(operator, start, end, replacement, before=None, after=None):
        if operator not in operators:
            return
        mutated = text[:start] + replacement + text[end:]
        if before is None:
            before = one_line(text[start:end]) if operator in ("drop-call", "swap-logs") else \
                line_text(text, start).strip()
        if after is not None:
            pass
        elif operator == "drop-call":
            after = "(removed)"
        elif operator == "swap-logs":
            after = one_line(replacement)
        else:
            after = line_text(mutated, start).strip()
        found.append(Mutant(operator, path, start, end, replacement, line_of(text, start),
                            before, after))

    for match in re.finditer(r"(?<= )(<=|>=|<|>)(?= )", code):
        op = match.group(1)
        other = {"<": "<=", "<=": "<", ">": ">=", ">=": ">"}[op]
        add("boundary", match.start(), match.end(), other)

    for match in re.finditer(r"\b(?:if|while)\s*\(", code):
        open_at = match.end() - 1
        close = matching_paren(code, open_at)
        # An if with an initialiser ("if (init; condition)") keeps it and negates the condition.
        semicolon = top_level_semicolon(code, open_at, close)
        if semicolon is None:
            add("negate", open_at, close + 1, "(!(" + text[open_at + 1:close] + "))")
        else:
            add("negate", open_at, close + 1, text[open_at:semicolon + 1] + " !(" +
                text[semicolon + 1:close].strip() + "))")

    statements = call_statements(code)
    for start, end, name in statements:
        if name in CALLS_THAT_MATTER:
            add("drop-call", start, end, "")

    logs = [s for s in statements if s[2] in LOG_CALLS]
    for first, second in zip(logs, logs[1:]):
        if code[first[1]:second[0]].strip() == "":
            gap = text[first[1]:second[0]]
            add("swap-logs", first[0], second[1],
                text[second[0]:second[1]] + gap + text[first[0]:first[1]])

    for start, end in strings:
        body_start = start + 1
        positions = changeable_positions(text[body_start:end - 1])
        if not positions:
            continue
        k = body_start + random.Random(f"{seed}:{path}:{start}").choice(positions)
        add("string-char", k, k + 1, changed_char(text[k]))

    for match in re.finditer(r"(?<![\w.])(0[xX][0-9A-Fa-f]+|[0-9]+)([uUlL]*)(?![\w.])", code):
        digits = match.group(1)
        if digits[:2].lower() == "0x":
            value = int(digits, 16) + 1
            width = len(digits) - 2
            new = digits[:2] + format(value, f"0{width}{'X' if digits[2:].isupper() else 'x'}")
        else:
            new = str(int(digits) + 1)
        add("integer", match.start(1), match.end(1), new)

    if "offset" in operators:
        for match in re.finditer(r"\.(\w+)\s*\(", code):
            method = match.group(1)
            args = arguments(code, match.end() - 1)
            moved = []
            if method in OFFSET_FIRST and args:
                moved.append(args[0])
            if method in OFFSET_SECOND and len(args) == 2:
                moved.append(args[1])
            for start, end in moved:
                if not INTEGER_LITERAL.fullmatch(code[start:end]):
                    add("offset", start, end, "(" + text[start:end] + ") + 1")
            if method == "compare" and len(args) >= 3:
                # The length of the prefix compared, one character short.
                start, end = args[1]
                add("offset", start, end, "(" + text[start:end] + ") - 1")
        # A length compared with a bound: the bound moved by one.
        for match in re.finditer(r"(?:\.size|\.length)\(\)\s+(==|!=|<=|>=|<|>)\s+", code):
            start = match.end()
            end = operand_end(code, start)
            if end > start:
                add("offset", start, end, "(" + text[start:end] + ") + 1")

    qualified = call_statements(code, QUALIFIED_CALL_STATEMENT)
    if "drop-entry" in operators:
        for start, end, name in qualified:
            if name in ENTRY_CALLS:
                add("drop-entry", start, end, "", before=one_line(text[start:end]),
                    after="(removed)")
        # The call's journal line (and a rule's success result) dropped: call.Finish(x) -> (x).
        for match in re.finditer(r"\b\w+\.Finish\s*\(", code):
            open_at = match.end() - 1
            close = matching_paren(code, open_at)
            add("drop-entry", match.start(), close + 1, "(" + text[open_at + 1:close] + ")")

    if "refcount" in operators:
        for start, end, name in qualified:
            statement = text[start:end]
            # Through a pointer: an interface's reference, not the lock's own Release.
            if name in REFERENCE_CALLS and ("->" in statement or name == "AddRef"):
                add("refcount", start, end, "", before=one_line(statement), after="(removed)")
            if name == "AddRef":
                add("refcount", start, end, statement + " " + statement,
                    before=one_line(statement), after=one_line(statement + " " + statement))
            if name == "push_back" and re.search(r"\breferences\s*(?:\.|->)\s*push_back",
                                                 code[start:end]):
                add("refcount", start, end, "", before=one_line(statement), after="(removed)")

    if skip_windows_only:
        windows = windows_only_lines(text)
        found = [m for m in found if m.line not in windows]
    return found


def generate(files, seed, operators=OPERATORS, skip_windows_only=False):
    """Every candidate mutant of files ({path: text}), each with its stable key, in a fixed
    order."""
    candidates = []
    for path in sorted(files):
        candidates.extend(mutants_of_file(path, files[path], seed, operators, skip_windows_only))
    seen = {}
    keyed = []
    for m in candidates:
        base = f"{m.path}|{m.operator}|{m.before}|{m.after}"
        seen[base] = seen.get(base, 0) + 1
        key = base if seen[base] == 1 else f"{base}|#{seen[base]}"
        keyed.append(dataclasses.replace(m, key=key))
    return keyed


def select(candidates, limit, seed, operators=OPERATORS):
    """At most limit mutants, taken in turn from each operator's candidates in an order the seed
    shuffles, so that every operator is represented; sorted by place."""
    rng = random.Random(seed)
    queues = {}
    for op in operators:
        mine = [m for m in candidates if m.operator == op]
        rng.shuffle(mine)
        queues[op] = mine
    chosen = []
    while len(chosen) < limit and any(queues.values()):
        for op in operators:
            if queues[op] and len(chosen) < limit:
                chosen.append(queues[op].pop(0))
    return sorted(chosen, key=lambda m: (m.path, m.start, m.operator))
