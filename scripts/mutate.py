#!/usr/bin/env python3
"""Mutation testing: plants one small fault at a time in the code the tests
protect, rebuilds, runs the tests, and reports the faults that no test noticed.

Which tree: the repository this file belongs to (the git top level of
scripts/..), never the current directory; to try it on a clone, run the
clone's own scripts/mutate. It builds in build-mutate/ at that top level
(RelWithDebInfo, as scripts/common.sh's ekr_build configures build/, but
without relinking programs when only a shared library changed), so the normal
build/ is never touched.

What it mutates: the .cpp files under plugins/com.ekr.configuration/ (with
platform/, but not the *_win.cpp files this system does not compile),
framework/ and host/services/, and the function bodies written in the .h files
there (host_service.h, for one). Comments, string and character literals,
preprocessor lines, code in branches this system does not compile, and
statements that only log or assert (qDebug, qCWarning, Q_LOGGING_CATEGORY,
Q_ASSERT, Q_UNUSED ...) are left alone: a fault there changes nothing a test
could see. The faults, one per mutant:
  compare   == <-> !=,  < <-> <=,  > <-> >=
  logic     && <-> ||
  negate    if (x) / while (x)  ->  if (!(x)) / while (!(x))
  constant  true <-> false; integer n -> n+1, 0 -> 1, 1 -> 0; return 0 -> return -1
  delete    a statement that is one call (a write, an emit, a connect, a setEnabled ...)
  swap      two adjacent one-line statements

Per mutant: the file is written, build-mutate/ is rebuilt incrementally (a
mutant that does not compile is reported as "not compiled" and left out of
the totals), and the tests run through ctest with HOME, the XDG folders and
EKR_REGISTRY_ROOT in a fresh temporary folder and QT_QPA_PLATFORM=offscreen,
bench_smoke excluded. The tests run in two waves, those that took under two
seconds in the unmutated run first, and the first failing test ends the run,
so that most mutants are decided in a few seconds. Fates:
  killed     a test failed or crashed
  timed out  the tests took longer than the limit (--timeout; by default three
             times the unmutated run); usually a hang, so the tests did notice
  survived   every test passed: the fault went unnoticed
  equivalent every test passed, and the README's table of equivalent mutants
             lists it (by its key) with the reason no host or user could
             observe the change
The last line of the output is
  mutants: N, killed: K (P%), survived: S, timed out: T
where N counts the compiled mutants that are not listed as equivalent,
N = K + S + T, and P = K / N: a timeout is not counted as killed, and
(K + T) / N is the share the tests detected. The line before it gives the
equivalent ones and the share with them counted as survivors. A listed
mutant that a test kills is reported ("NOT EQUIVALENT"): the list is wrong.
Every mutant has a key, eight hex digits of its description, that stays while
the text of its line does. Every mutant and its fate go to
build-mutate/mutate-report.txt; each survivor is also printed as it is found
("SURVIVED key file:line  change").

The sample (--sample N) is the N candidates with the lowest hash of the seed
and the mutant's own description (its file, the text of its line and the
change), so the same seed and size pick the same mutants for as long as the
sources the mutants come from are unchanged, whatever changes in tests/.

The work tree is left as it was found: after each mutant, and on Ctrl-C,
SIGTERM or an error, the file gets its original bytes and modification time
back (so that build/ is not rebuilt needlessly). build-mutate/ keeps the
unmutated object files aside while a mutant is built and puts them back
afterwards, so the next build only relinks. A run killed outright leaves
build-mutate/mutate-journal.json behind, and the next run repairs the file
and the build from it before anything else.

Options: --sample N, --seed S (default 1), --files GLOB (a path, a folder, or a
pattern matched against the path or the file name; repeatable or
comma-separated; with --sample, the sample is drawn from all files first, so
a file keeps the mutants it has in the whole run), --list (print the candidates, do not run), --timeout S,
-j N (ctest's parallel tests; default: the number of processors).
"""

import argparse
import fnmatch
import hashlib
import json
import os
import queue
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time
from dataclasses import dataclass, field

SOURCE_DIRS = ("plugins/com.ekr.configuration", "framework", "host/services")
BUILD_DIR_NAME = "build-mutate"
EXCLUDED_TESTS = {"bench_smoke"}
QUICK_TEST_SECONDS = 2.0
DEFAULT_SEED = 1
QUIT_SIGNALS = {signal.SIGINT, signal.SIGTERM, signal.SIGHUP}

# Statements that only log or assert. Q_ASSERT is compiled out of this
# build, and a changed log line is nothing a test should have to notice.
QUIET_STATEMENT = re.compile(
    r"\b(?:qC?(?:Debug|Info|Warning|Critical|Fatal)|Q_LOGGING_CATEGORY|Q_DECLARE_LOGGING_CATEGORY"
    r"|Q_ASSERT(?:_X)?|Q_CHECK_PTR|Q_UNUSED|assert|static_assert|Q_DISABLE_COPY\w*)\b")

# Macros whose value this system's compiler knows, for #if branches.
DEFINED_HERE = {"Q_OS_UNIX", "Q_OS_LINUX", "__linux__", "__unix__", "__GNUC__", "Q_CC_GNU",
                "__cplusplus"}
UNDEFINED_HERE = {"Q_OS_WIN", "Q_OS_WIN32", "Q_OS_WIN64", "Q_OS_WINDOWS", "_WIN32", "_WIN64",
                  "_MSC_VER", "Q_CC_MSVC", "Q_OS_MAC", "Q_OS_MACOS", "Q_OS_OSX", "Q_OS_DARWIN",
                  "__APPLE__", "Q_OS_ANDROID", "Q_OS_IOS"}

NOT_A_CALL = {"return", "delete", "throw", "new", "goto", "sizeof", "case", "default", "else",
              "do", "if", "while", "for", "switch", "co_return", "typedef", "using"}
NOT_SWAPPABLE = {"return", "break", "continue", "goto", "case", "default", "if", "else", "for",
                 "while", "do", "switch", "try", "catch", "throw", "using", "typedef",
                 "namespace", "template", "static_assert"}
NOT_A_DECLARATION = {"return", "delete", "throw", "goto", "new", "emit", "Q_EMIT", "case",
                     "else", "using", "typedef"}
KIND_ORDER = ("compare", "logic", "negate", "constant", "delete", "swap")

COMPARE_FLIP = {"==": "!=", "!=": "==", "<": "<=", "<=": "<", ">": ">=", ">=": ">"}
CALL_STATEMENT = re.compile(
    r"^(?:(?:emit|Q_EMIT)\s+)?(?:::)?[A-Za-z_]\w*(?:\s*<[^;]*?>)?"
    r"(?:\s*(?:\(\)|(?:::|\.|->)\s*[A-Za-z_]\w*(?:\s*<[^;]*?>)?))*\s*\(\)\s*;$")
DECLARATION = re.compile(
    r"^(?:(?:const|static|constexpr|unsigned|signed|volatile|struct|class)\s+)*"
    r"(?:::)?[A-Za-z_][\w:]*(?:\s*<[^;]*?>)?(?:\s*(?:const\b|\*|&))*\s*(?<=[\s*&>])"
    r"([A-Za-z_]\w*)\s*(?:=(?!=)|\(|\{|;|\[)")


# ---------------------------------------------------------------- the sources

def mask_code(text):
    """The text with comments blanked and the insides of string and character
    literals replaced by \\x01, newlines kept, so that offsets stay valid and
    no pattern can match inside a literal."""
    out = list(text)
    n = len(text)

    def fill(start, end, char):
        for k in range(start, end):
            if out[k] != "\n":
                out[k] = char

    i = 0
    while i < n:
        c = text[i]
        if text.startswith("//", i):
            end = text.find("\n", i)
            end = n if end < 0 else end
            fill(i, end, " ")
            i = end
        elif text.startswith("/*", i):
            end = text.find("*/", i + 2)
            end = n if end < 0 else end + 2
            fill(i, end, " ")
            i = end
        elif c == '"':
            prefix = re.search(r"\w*$", text[max(0, i - 3):i]).group(0)
            if prefix.endswith("R") and prefix in ("R", "LR", "uR", "UR", "u8R"):
                open_paren = text.find("(", i + 1)
                delimiter = text[i + 1:open_paren]
                end = text.find(")" + delimiter + '"', open_paren)
                end = n - 1 if end < 0 else end + len(delimiter) + 1
            else:
                end = i + 1
                while end < n and text[end] not in '"\n':
                    end += 2 if text[end] == "\\" else 1
            fill(i + 1, min(end, n), "\x01")
            i = end + 1
        elif c == "'":
            run = re.search(r"[\w']*$", text[max(0, i - 40):i]).group(0)
            if run[:1].isdigit():  # a digit separator, 100'000
                i += 1
                continue
            end = i + 1
            while end < n and text[end] not in "'\n":
                end += 2 if text[end] == "\\" else 1
            fill(i + 1, min(end, n), "\x01")
            i = end + 1
        else:
            i += 1
    return "".join(out)


def evaluate_condition(expression):
    """True, False, or None when this system's value is not known."""
    def defined(match):
        name = match.group(1)
        if name in DEFINED_HERE:
            return " 1 "
        if name in UNDEFINED_HERE:
            return " 0 "
        raise LookupError(name)

    try:
        expression = re.sub(r"\bdefined\s*\(?\s*(\w+)\s*\)?", defined, expression)
    except LookupError:
        return None
    if re.search(r"[A-Za-z_]", expression):
        return None
    expression = expression.replace("&&", " and ").replace("||", " or ")
    expression = re.sub(r"!(?!=)", " not ", expression)
    try:
        return bool(eval(expression, {"__builtins__": {}}, {}))  # digits and operators only
    except Exception:
        return None


def blank_preprocessor(code):
    """Blanks directive lines and the lines of branches this system does not
    compile; returns the code."""
    lines = code.split("\n")
    branches = []  # [parent active, a branch taken for certain, this branch active]
    continuing = False
    for index, line in enumerate(lines):
        active = branches[-1][2] if branches else True
        stripped = line.strip()
        if continuing or stripped.startswith("#"):
            if not continuing:
                directive = re.match(r"#\s*(\w*)\s*(.*)", stripped)
                word, rest = directive.group(1), directive.group(2)
                if word in ("if", "ifdef", "ifndef"):
                    if word == "ifdef":
                        rest = "defined(%s)" % rest
                    elif word == "ifndef":
                        rest = "!defined(%s)" % rest
                    value = evaluate_condition(rest)
                    branches.append([active, value is True, active and value is not False])
                elif word == "elif" and branches:
                    entry = branches[-1]
                    value = None if entry[1] else evaluate_condition(rest)
                    entry[2] = entry[0] and not entry[1] and value is not False
                    entry[1] = entry[1] or value is True
                elif word == "else" and branches:
                    entry = branches[-1]
                    entry[2] = entry[0] and not entry[1]
                elif word == "endif" and branches:
                    branches.pop()
            continuing = line.rstrip().endswith("\\")
            lines[index] = " " * len(line)
        elif not active:
            lines[index] = " " * len(line)
    return "\n".join(lines)


def matching_bracket(code, start, step):
    """Index of the bracket that pairs with the one at start, searching forward
    (step 1, from an opening bracket) or backward (step -1, from a closing
    one); -1 if there is none."""
    opening, closing = ("([{", ")]}") if step > 0 else (")]}", "([{")
    depth = 0
    for k in range(start, len(code) if step > 0 else -1, step):
        if code[k] in opening:
            depth += 1
        elif code[k] in closing:
            depth -= 1
            if depth == 0:
                return k
    return -1


def matching_close(code, start):
    return matching_bracket(code, start, 1)


def matching_open(code, close):
    return matching_bracket(code, close, -1)


def previous_significant(code, index):
    k = index - 1
    while k >= 0 and code[k].isspace():
        k -= 1
    return k


def word_before(code, index):
    """The identifier that ends at index (inclusive)."""
    start = index
    while start >= 0 and (code[start].isalnum() or code[start] == "_"):
        start -= 1
    return code[start + 1:index + 1]


def statement_end(code, start):
    """Index just past the ';' that ends the statement starting at start, or
    -1 when it is not a simple statement (a block, or the end of a list)."""
    depth = 0
    for k in range(start, len(code)):
        c = code[k]
        if c in "([{":
            if c == "{" and depth == 0:
                return -1
            depth += 1
        elif c in ")]}":
            depth -= 1
            if depth < 0:
                return -1
        elif c == ";" and depth == 0:
            return k + 1
    return -1


def collapse_groups(text):
    """Empties every parenthesised group: f(a, g(b)).h(c) -> f().h()."""
    out, depth = [], 0
    for c in text:
        if c == "(":
            if depth == 0:
                out.append("(")
            depth += 1
        elif c == ")":
            depth -= 1
            if depth == 0:
                out.append(")")
        elif depth == 0:
            out.append(c)
    return "".join(out)


def inert_declaration(statement):
    """A declaration whose initial value comes from no call: 'T x;', 'T* p =
    nullptr;', 'bool done = false;'."""
    value = re.search(r"(?:=(?!=)\s*(.*?)|\{\s*\}|\(\s*\))?\s*;$", " ".join(statement.split()))
    return bool(value) and (value.group(1) is None or bool(
        re.fullmatch(r"nullptr|true|false|-?\d+|[A-Za-z_][\w:]*|\{\s*\}", value.group(1))))


def independent_assignments(first, second):
    """Two assignments without calls to two different variables, neither
    reading the other's: swapping them changes nothing."""
    targets = []
    for statement in (first, second):
        assignment = re.fullmatch(r"\s*([\w.\->\[\]*]+?)\s*=(?!=)([^=(]*);\s*", statement)
        if not assignment:
            return False
        targets.append(re.findall(r"[A-Za-z_]\w*", assignment.group(1))[-1])
    return (not re.search(r"\b%s\b" % targets[0], second)
            and not re.search(r"\b%s\b" % targets[1], first))


def condensed(text, limit=60):
    text = " ".join(text.split())
    return text if len(text) <= limit else text[:limit - 3] + "..."


@dataclass
class Mutant:
    path: str
    line: int
    kind: str
    edits: tuple  # ((start, end, replacement), ...) on the original text
    change: str
    identity: str = ""
    fate: str = ""
    detail: str = ""
    build_seconds: float = 0.0
    test_seconds: float = 0.0

    def where(self):
        return "%s:%d" % (self.path, self.line)

    def key(self):
        """A short name that stays while the mutated line's text does."""
        return hashlib.sha256(self.identity.encode()).hexdigest()[:8]

    def apply(self, text):
        for start, end, replacement in sorted(self.edits, reverse=True):
            text = text[:start] + replacement + text[end:]
        return text


@dataclass
class SourceFile:
    path: str  # relative to the repository
    text: str
    code: str = ""
    header: bool = False
    function_bodies: list = field(default_factory=list)
    quiet: bytearray = field(default_factory=bytearray)
    line_starts: list = field(default_factory=list)

    def line_of(self, offset):
        low, high = 0, len(self.line_starts) - 1
        while low < high:
            middle = (low + high + 1) // 2
            if self.line_starts[middle] <= offset:
                low = middle
            else:
                high = middle - 1
        return low + 1

    def in_function(self, offset):
        return any(start < offset < end for start, end in self.function_bodies)

    def allowed(self, *offsets):
        return all(not self.quiet[o] and (not self.header or self.in_function(o))
                   for o in offsets)


def analyse(path, text):
    source = SourceFile(path=path, text=text, header=path.endswith(".h"))
    code = blank_preprocessor(mask_code(text))
    source.code = code
    source.line_starts = [0] + [m.end() for m in re.finditer("\n", text)]

    # Function bodies: a brace after ')', after a trailing const, override or
    # noexcept, or after the ']' of a lambda; class, namespace, enum and
    # initialiser braces are not.
    stack = []
    for i, c in enumerate(code):
        if c == "{":
            if any(kind == "function" for _, kind in stack):
                kind = "block"
            else:
                k = previous_significant(code, i)
                if k >= 0 and code[k] in ")]":
                    kind = "function"
                elif k >= 0 and word_before(code, k) in ("const", "override", "final",
                                                         "noexcept", "mutable"):
                    kind = "function"
                else:
                    kind = "other"
            stack.append((i, kind))
        elif c == "}" and stack:
            start, kind = stack.pop()
            if kind == "function":
                source.function_bodies.append((start, i))

    # Statements that only log or assert, and conditions that only guard such
    # a statement.
    quiet = bytearray(len(text) + 1)
    for m in QUIET_STATEMENT.finditer(code):
        end = k = m.end()
        while k < len(code) and code[k].isspace():
            k += 1
        if k < len(code) and code[k] == "(":
            close = matching_close(code, k)
            end = k = (close + 1) if close >= 0 else len(code)
            while k < len(code) and code[k].isspace():
                k += 1
        if k < len(code) and code[k] == ";":
            end = k + 1
        elif k < len(code) and (code.startswith("<<", k) or code[k] == "."):
            stop = statement_end(code, k)
            end = stop if stop > 0 else end
        quiet[m.start():end] = b"\x01" * (end - m.start())
    for m in re.finditer(r"\b(?:if|while)\s*\(", code):
        close = matching_close(code, m.end() - 1)
        if close < 0:
            continue
        body = close + 1
        while body < len(code) and code[body].isspace():
            body += 1
        if body >= len(code):
            continue
        only_quiet = bool(quiet[body])
        if code[body] == "{":
            end = matching_close(code, body)
            only_quiet = end > 0 and all(code[k].isspace() or quiet[k]
                                         for k in range(body + 1, end))
        if only_quiet:
            quiet[m.start():close + 1] = b"\x01" * (close + 1 - m.start())
    source.quiet = quiet
    return source


def statement_context(code, start):
    """How the statement that starts at start stands: 'block' (in a block or
    after a label), 'unbraced' (the lone body of an if, else, for or while),
    or None when start does not begin a statement."""
    k = previous_significant(code, start)
    if k < 0:
        return None
    c = code[k]
    if c in ";{}":
        return "block"
    if c == ")":
        opening = matching_open(code, k)
        if opening > 0:
            before = previous_significant(code, opening)
            if before >= 0 and word_before(code, before) in ("if", "while", "for"):
                return "unbraced"
        return None
    if c == ":" and (k == 0 or code[k - 1] != ":"):
        line_start = code.rfind("\n", 0, k) + 1
        label = code[line_start:k].strip()
        if re.fullmatch(r"case\b.*|default|public|protected|private|[A-Za-z_]\w*", label):
            return "block"
        return None
    if (c.isalnum() or c == "_") and word_before(code, k) in ("else", "do"):
        return "unbraced"
    return None


def find_mutants(source):
    text, code = source.text, source.code
    found = []

    def add(kind, start, edits, change):
        found.append(Mutant(path=source.path, line=source.line_of(start), kind=kind,
                            edits=tuple(edits), change=change))

    # Comparisons: == and != wherever they stand, the others only between
    # blanks, which keeps template brackets, shifts and -> out.
    for m in re.finditer(r"(?<![=!<>])(==|!=)(?!=)|(?<=\s)(<=|>=|<|>)(?=\s)", code):
        operator = m.group(0)
        declared_operator = code[max(0, m.start() - 12):m.start()].rstrip().endswith("operator")
        if declared_operator or not source.allowed(m.start()):
            continue
        add("compare", m.start(), [(m.start(), m.end(), COMPARE_FLIP[operator])],
            "'%s' -> '%s'" % (operator, COMPARE_FLIP[operator]))

    for m in re.finditer(r"(?<=\s)(&&|\|\|)(?=\s)", code):
        if source.allowed(m.start()):
            other = "||" if m.group(0) == "&&" else "&&"
            add("logic", m.start(), [(m.start(), m.end(), other)],
                "'%s' -> '%s'" % (m.group(0), other))

    for m in re.finditer(r"\b(if|while)\s*\(", code):
        opening = m.end() - 1
        close = matching_close(code, opening)
        if close < 0 or not source.in_function(m.start()) or not source.allowed(m.start()):
            continue
        condition = code[opening + 1:close]
        top = collapse_groups(condition)
        if ";" in top or re.search(r"(?<![=!<>])=(?!=)", top):
            continue  # a declaration or an assignment in the condition
        shown = condensed(text[opening + 1:close], 40)
        add("negate", m.start(), [(opening + 1, opening + 1, "!("), (close, close, ")")],
            "'%s (%s)' -> '%s (!(%s))'" % (m.group(1), shown, m.group(1), shown))

    for m in re.finditer(r"\b(true|false)\b", code):
        if source.allowed(m.start()):
            other = "false" if m.group(1) == "true" else "true"
            add("constant", m.start(), [(m.start(), m.end(), other)],
                "'%s' -> '%s'" % (m.group(1), other))

    for m in re.finditer(r"(?<![\w.'])(0[xX][0-9a-fA-F']+|\d[\d']*)([uUlL]*)(?![\w.'])", code):
        if not source.allowed(m.start()):
            continue
        digits = m.group(1).replace("'", "")
        if digits[:2] in ("0x", "0X"):
            value, form = int(digits, 16), "0x%X"
        elif len(digits) > 1 and digits[0] == "0":
            value, form = int(digits, 8), "0%o"
        else:
            value, form = int(digits), "%d"
        line_start = code.rfind("\n", 0, m.start()) + 1
        returned = (re.search(r"\breturn\s*$", code[line_start:m.start()])
                    and re.match(r"\s*;", code[m.end():]))
        if value == 0 and returned:
            replacement = "-1"
        elif value in (0, 1):
            replacement = form % (1 - value)
        else:
            replacement = form % (value + 1)
        replacement += m.group(2)
        sign = "-" if code[m.start() - 1] == "-" else ""
        before = ("return " if returned else "") + sign + m.group(0)
        after = ("return " if returned else "") + sign + replacement
        add("constant", m.start(), [(m.start(), m.end(), replacement)],
            "'%s' -> '%s'" % (before, after))

    # Statements that start a line: calls to delete, and pairs to swap.
    simple = []  # (start, end) of the one-line statements in a block
    for line_start in source.line_starts:
        start = line_start
        while start < len(code) and code[start] in " \t":
            start += 1
        if start >= len(code) or not (code[start].isalpha() or code[start] == "_"):
            continue
        if not source.in_function(start) or not source.allowed(start):
            continue
        context = statement_context(code, start)
        if not context:
            continue
        end = statement_end(code, start)
        if end < 0:
            continue
        statement = code[start:end]
        first_word = re.match(r"\w+", statement).group(0)
        reduced = " ".join(collapse_groups(statement).split())
        if first_word not in NOT_A_CALL and CALL_STATEMENT.match(reduced):
            add("delete", start, [(start, end, "" if context == "block" else "{}")],
                "deleted '%s'" % condensed(text[start:end]))
        line_end = code.find("\n", end)
        rest_of_line = code[end:line_end if line_end >= 0 else len(code)]
        if (context == "block" and "\n" not in statement and not rest_of_line.strip()
                and first_word not in NOT_SWAPPABLE):
            simple.append((start, end))

    for (start1, end1), (start2, end2) in zip(simple, simple[1:]):
        if previous_significant(code, start2) != end1 - 1:
            continue  # not adjacent
        first, second = code[start1:end1], code[start2:end2]
        if " ".join(first.split()) == " ".join(second.split()):
            continue
        declared = []
        for statement in (first, second):
            d = DECLARATION.match(" ".join(statement.split()))
            ok = d and re.match(r"\w+", statement).group(0) not in NOT_A_DECLARATION
            declared.append(d.group(1) if ok else None)
        if declared[0] and declared[1]:
            continue  # two declarations: the order rarely matters
        if (declared[0] and re.search(r"\b%s\b" % declared[0], second)) or (
                declared[1] and re.search(r"\b%s\b" % declared[1], first)):
            continue  # the other statement uses the name: it would not compile
        if any(name and inert_declaration(statement)
               for name, statement in zip(declared, (first, second))):
            continue  # a local that starts empty or plain: the order cannot matter
        if independent_assignments(first, second):
            continue
        add("swap", start1,
            [(start1, end1, text[start2:end2]), (start2, end2, text[start1:end1])],
            "swapped '%s' <-> '%s'" % (condensed(text[start1:end1], 35),
                                       condensed(text[start2:end2], 35)))

    # One mutant per distinct change, each with an identity that names its
    # line by text rather than by number.
    lines = text.split("\n")
    seen_texts = {}
    occurrence = []
    for line in lines:
        key = line.strip()
        occurrence.append(seen_texts.get(key, 0))
        seen_texts[key] = seen_texts.get(key, 0) + 1
    unique, seen = [], set()
    for mutant in found:
        if mutant.edits in seen:
            continue
        seen.add(mutant.edits)
        line_text = lines[mutant.line - 1]
        column = mutant.edits[0][0] - source.line_starts[mutant.line - 1]
        column -= len(line_text) - len(line_text.lstrip())
        mutant.identity = "\0".join([mutant.path, mutant.kind, line_text.strip(),
                                     str(occurrence[mutant.line - 1]), str(column), mutant.change])
        unique.append(mutant)
    unique.sort(key=lambda m: (m.edits[0][0], KIND_ORDER.index(m.kind), m.change))
    return unique


def source_files(root):
    paths = []
    for top in SOURCE_DIRS:
        for folder, folders, files in os.walk(os.path.join(root, top)):
            folders[:] = sorted(f for f in folders if not f.startswith("."))
            for name in files:
                if name.endswith((".cpp", ".h")) and not name.endswith(("_win.cpp", "_win.h")):
                    paths.append(os.path.relpath(os.path.join(folder, name), root))
    return sorted(paths)


def matches(path, patterns):
    if not patterns:
        return True
    name = os.path.basename(path)
    for pattern in patterns:
        pattern = pattern.strip().rstrip("/")
        if (fnmatch.fnmatchcase(path, pattern) or fnmatch.fnmatchcase(name, pattern)
                or path.startswith(pattern + "/")):
            return True
    return False


def sample(mutants, size, seed):
    def rank(mutant):
        return hashlib.sha256(("%s\0%s" % (seed, mutant.identity)).encode()).hexdigest()

    chosen = set(id(m) for m in sorted(mutants, key=rank)[:size])
    return [m for m in mutants if id(m) in chosen]


# ----------------------------------------------------- the build and the tests

class Interrupted(Exception):
    pass


def say(message):
    print(message, flush=True)


class Session:
    def __init__(self, root, jobs):
        self.root = root
        self.build = os.path.join(root, BUILD_DIR_NAME)
        self.jobs = jobs
        self.stash = os.path.join(self.build, "mutate-stash")
        self.journal = os.path.join(self.build, "mutate-journal.json")
        self.original_copy = os.path.join(self.build, "mutate-original")
        self.build_log = os.path.join(self.build, "mutate-build.log")
        self.child_file = os.path.join(self.build, "mutate-child.pid")
        self.dependents = {}
        self.waves = []
        self.durations = {}

    # Child processes run in a session of their own, so that Ctrl-C reaches
    # only this script, which then ends them all, tests' helpers included.
    def start(self, command, **options):
        process = subprocess.Popen(command, cwd=self.build, start_new_session=True, **options)
        with open(self.child_file, "w") as f:
            f.write(str(process.pid))
        return process

    def run(self, command, log_path):
        with open(log_path, "w") as log:
            process = self.start(command, stdout=log, stderr=subprocess.STDOUT)
            try:
                return process.wait()
            finally:
                self.end(process)

    def end(self, process):
        # The whole group, also when its leader is gone: a test killed
        # half-way may leave helpers behind (a PulseAudio server, a child).
        try:
            os.killpg(process.pid, signal.SIGKILL)
        except (ProcessLookupError, PermissionError):
            pass
        process.wait()
        if os.path.exists(self.child_file):
            os.unlink(self.child_file)

    def configure_and_build(self):
        # As ekr_build configures build/, except that programs are not
        # relinked when only a shared library they load changed: a mutant
        # changes no exported symbol, and the framework's 27 dependents
        # would otherwise be relinked twice per framework mutant.
        os.makedirs(self.build, exist_ok=True)
        cache = os.path.join(self.build, "CMakeCache.txt")
        configured = False
        if os.path.exists(cache):
            with open(cache, errors="replace") as f:
                configured = "CMAKE_LINK_DEPENDS_NO_SHARED:BOOL=ON" in f.read()
        if not configured:
            say("Configuring %s" % self.build)
            status = self.run(["cmake", "-S", self.root, "-B", self.build,
                               "-DCMAKE_BUILD_TYPE=RelWithDebInfo",
                               "-DCMAKE_LINK_DEPENDS_NO_SHARED:BOOL=ON"], self.build_log)
            if status != 0:
                raise SystemExit("cmake could not configure %s; see %s" % (self.build,
                                                                          self.build_log))
        return self.rebuild()

    def rebuild(self):
        return self.run(["cmake", "--build", self.build, "-j%d" % (os.cpu_count() or 1)],
                        self.build_log) == 0

    def index_dependencies(self):
        """Which object files each source file of the repository goes into,
        from the compiler's dependency files."""
        self.dependents = {}
        root = os.path.realpath(self.root) + os.sep
        for folder, folders, files in os.walk(self.build):
            folders[:] = [f for f in folders if f != "mutate-stash"]
            for name in files:
                if not name.endswith(".o.d"):
                    continue
                depfile = os.path.join(folder, name)
                with open(depfile, errors="replace") as f:
                    content = f.read().replace("\\\n", " ")
                _, _, deps = content.partition(": ")
                for dep in deps.split():
                    dep = os.path.normpath(dep)
                    if dep.startswith(root):
                        self.dependents.setdefault(os.path.relpath(dep, root), set()).add(
                            depfile[:-2])

    def objects_of(self, path):
        return sorted(self.dependents.get(path, ()))

    # ------------------------------------------------------------------ tests

    def environment(self, scratch):
        env = dict(os.environ)
        env.update(HOME=os.path.join(scratch, "home"),
                   XDG_CONFIG_HOME=os.path.join(scratch, "config"),
                   XDG_DATA_HOME=os.path.join(scratch, "data"),
                   XDG_CACHE_HOME=os.path.join(scratch, "cache"),
                   XDG_RUNTIME_DIR=os.path.join(scratch, "runtime"),
                   EKR_REGISTRY_ROOT=os.path.join(scratch, "registry"),
                   QT_QPA_PLATFORM="offscreen", QTEST_DISABLE_STACK_DUMP="1")
        for name in ("HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME",
                     "EKR_REGISTRY_ROOT"):
            os.makedirs(env[name], exist_ok=True)
        os.makedirs(env["XDG_RUNTIME_DIR"], mode=0o700, exist_ok=True)
        return env

    def test_names(self):
        listing = subprocess.run(["ctest", "--show-only=json-v1"], cwd=self.build,
                                 capture_output=True, text=True, check=True).stdout
        return [t["name"] for t in json.loads(listing)["tests"]
                if t["name"] not in EXCLUDED_TESTS]

    def ctest(self, names, limit, env, stop_at_failure=True, transcript=None):
        """Runs the named tests; returns (outcome, test) with outcome 'passed',
        'failed' or 'timeout', as soon as the first test fails."""
        command = ["ctest", "-j%d" % self.jobs, "--timeout", str(max(1, int(limit + 1))),
                   "-R", "^(%s)$" % "|".join(re.escape(n) for n in names)]
        if stop_at_failure:
            command.append("--stop-on-failure")
        process = self.start(command, env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                             text=True, errors="replace")
        lines = queue.Queue()

        def read():
            for line in process.stdout:
                lines.put(line)
            lines.put(None)

        threading.Thread(target=read, daemon=True).start()
        deadline = time.monotonic() + limit
        outcome = ("passed", "")
        try:
            while True:
                remaining = deadline - time.monotonic()
                if remaining <= 0:
                    return ("timeout", "")
                try:
                    line = lines.get(timeout=remaining)
                except queue.Empty:
                    return ("timeout", "")
                if line is None:
                    break
                if transcript is not None:
                    transcript.append(line)
                result = re.match(r"\s*\d+/\d+\s+Test\s+#\d+:\s+(\S+)\s+\.*\s*(.*?)\s+([\d.]+)\s+sec",
                                  line)
                if not result:
                    continue
                name, status, seconds = result.groups()
                self.durations[name] = float(seconds)
                if status == "Passed":
                    continue
                outcome = ("timeout" if "Timeout" in status else "failed", name)
                if stop_at_failure:
                    return outcome
            status = process.wait()
            if outcome[0] == "passed" and status != 0:
                outcome = ("failed", "ctest exit status %d" % status)
            return outcome
        finally:
            self.end(process)

    def measure(self):
        """Runs every test once, unmutated; sets the waves; returns the time."""
        names = self.test_names()
        if not names:
            raise SystemExit("ctest knows no tests in %s" % self.build)
        scratch = tempfile.mkdtemp(prefix="ekr-mutate-")
        transcript = []
        try:
            started = time.monotonic()
            outcome, test = self.ctest(names, 3600, self.environment(scratch),
                                       stop_at_failure=False, transcript=transcript)
            seconds = time.monotonic() - started
        finally:
            shutil.rmtree(scratch, ignore_errors=True)
        if outcome != "passed":
            sys.stdout.write("".join(transcript[-40:]))
            raise SystemExit("The unmutated tests do not pass (%s %s); fix that first."
                             % (test, outcome))
        quick = [n for n in names if self.durations.get(n, 0) < QUICK_TEST_SECONDS]
        slow = [n for n in names if n not in quick]
        self.waves = [wave for wave in (quick, slow) if wave]
        return seconds

    def test(self, limit):
        scratch = tempfile.mkdtemp(prefix="ekr-mutate-")
        try:
            env = self.environment(scratch)
            started = time.monotonic()
            for wave in self.waves:
                remaining = limit - (time.monotonic() - started)
                if remaining <= 0:
                    return ("timed out", "")
                outcome, test = self.ctest(wave, remaining, env)
                if outcome == "failed":
                    return ("killed", test)
                if outcome == "timeout":
                    return ("timed out", test)
            return ("survived", "")
        finally:
            shutil.rmtree(scratch, ignore_errors=True)

    # -------------------------------------------- mutating and restoring

    def write_journal(self, entry):
        temporary = self.journal + ".tmp"
        with open(temporary, "w") as f:
            json.dump(entry, f)
            f.flush()
            os.fsync(f.fileno())
        os.replace(temporary, self.journal)

    def plant(self, mutant, original):
        """Writes the mutant and sets the unmutated objects aside; returns
        what restore() needs. Nothing of it can be interrupted."""
        signal.pthread_sigmask(signal.SIG_BLOCK, QUIT_SIGNALS)
        try:
            return self._plant(mutant, original)
        finally:
            signal.pthread_sigmask(signal.SIG_UNBLOCK, QUIT_SIGNALS)

    def _plant(self, mutant, original):
        path = os.path.join(self.root, mutant.path)
        status = os.stat(path)
        mutated = mutant.apply(original.decode("utf-8", "surrogateescape")).encode(
            "utf-8", "surrogateescape")
        os.makedirs(self.stash, exist_ok=True)
        moved = []
        for number, obj in enumerate(self.objects_of(mutant.path)):
            for suffix in ("", ".d"):
                if os.path.exists(obj + suffix):
                    moved.append((obj + suffix, os.path.join(self.stash, "%d.o%s" % (number,
                                                                                  suffix))))
        with open(self.original_copy, "wb") as f:
            f.write(original)
        entry = {"path": mutant.path, "atime_ns": status.st_atime_ns,
                 "mtime_ns": status.st_mtime_ns,
                 "original_sha256": hashlib.sha256(original).hexdigest(),
                 "mutant_sha256": hashlib.sha256(mutated).hexdigest(), "stash": moved}
        self.write_journal(entry)
        for obj, kept in moved:
            os.replace(obj, kept)
        with open(path, "wb") as f:
            f.write(mutated)
        return entry

    def restore(self, entry):
        """Puts the file and the objects back; nothing of it can be interrupted."""
        signal.pthread_sigmask(signal.SIG_BLOCK, QUIT_SIGNALS)
        try:
            path = os.path.join(self.root, entry["path"])
            with open(path, "rb") as f:
                current = hashlib.sha256(f.read()).hexdigest()
            if current == entry["mutant_sha256"]:
                with open(self.original_copy, "rb") as f:
                    original = f.read()
                with open(path, "wb") as f:
                    f.write(original)
                os.utime(path, ns=(entry["atime_ns"], entry["mtime_ns"]))
            elif current == entry["original_sha256"]:
                os.utime(path, ns=(entry["atime_ns"], entry["mtime_ns"]))
            else:
                say("WARNING: %s was changed by someone else during the run; left as it is"
                    % entry["path"])
            # The unmutated objects come back newer than everything built from
            # the mutant, so the next build relinks them instead of compiling.
            for obj, kept in entry["stash"]:
                if os.path.exists(kept):
                    if os.path.exists(obj):
                        os.unlink(obj)
                    os.replace(kept, obj)
                    os.utime(obj)
            os.unlink(self.journal)
        finally:
            signal.pthread_sigmask(signal.SIG_UNBLOCK, QUIT_SIGNALS)

    def recover(self):
        """Repairs what a run that was killed outright left behind: its build
        or tests still running, a mutated file, objects set aside."""
        if os.path.exists(self.child_file):
            with open(self.child_file) as f:
                group = int(f.read().strip() or 0)
            try:  # only if it still is that child: a build or ctest in build-mutate/
                if group and os.path.realpath("/proc/%d/cwd" % group) == os.path.realpath(
                        self.build):
                    os.killpg(group, signal.SIGKILL)
            except OSError:
                pass
            os.unlink(self.child_file)
        if os.path.exists(self.journal):
            with open(self.journal) as f:
                entry = json.load(f)
            say("Repairing %s after an interrupted run" % entry["path"])
            self.restore(entry)


# ------------------------------------------------------------------ the run

def parse_arguments():
    parser = argparse.ArgumentParser(
        prog="scripts/mutate",
        description="Plants one small fault at a time in the code the tests protect and "
                    "reports which faults the tests miss.")
    parser.add_argument("--sample", type=int, metavar="N",
                        help="run N candidates picked by the seed instead of all")
    parser.add_argument("--seed", default=str(DEFAULT_SEED), metavar="S",
                        help="the seed of the sample (default %d)" % DEFAULT_SEED)
    parser.add_argument("--files", action="append", default=[], metavar="GLOB",
                        help="only files whose path or name matches; a folder takes its "
                             "files; repeatable, or comma-separated")
    parser.add_argument("--list", action="store_true",
                        help="print the candidate mutants and stop")
    parser.add_argument("--timeout", type=float, metavar="S",
                        help="seconds the tests of one mutant may take (default: three times "
                             "the unmutated run)")
    parser.add_argument("-j", type=int, default=os.cpu_count() or 1, dest="jobs", metavar="N",
                        help="tests ctest runs at once (default: the number of processors)")
    return parser.parse_args()


def repository_root():
    here = os.path.dirname(os.path.realpath(__file__))
    result = subprocess.run(["git", "-C", here, "rev-parse", "--show-toplevel"],
                            capture_output=True, text=True)
    if result.returncode != 0:
        raise SystemExit("%s is not inside a git work tree" % here)
    return os.path.realpath(result.stdout.strip())


EQUIVALENT_ROW = re.compile(r"^\|\s*`([0-9a-f]{8})`\s*\|")


def equivalent_keys(root):
    """The keys of the mutants the README lists as equivalent: rows of its
    table that start with a key in backquotes."""
    try:
        with open(os.path.join(root, "README.md"), encoding="utf-8") as f:
            return {m.group(1) for m in map(EQUIVALENT_ROW.match, f) if m}
    except OSError:
        return set()


def summary(mutants):
    ran = [m for m in mutants if m.fate in ("killed", "survived", "timed out")]
    killed = sum(m.fate == "killed" for m in ran)
    survived = sum(m.fate == "survived" for m in ran)
    timed_out = sum(m.fate == "timed out" for m in ran)
    share = 100.0 * killed / len(ran) if ran else 0.0
    return "mutants: %d, killed: %d (%.1f%%), survived: %d, timed out: %d" % (
        len(ran), killed, share, survived, timed_out)


def write_report(session, mutants, header, footer):
    path = os.path.join(session.build, "mutate-report.txt")
    with open(path, "w") as f:
        f.write("\n".join(header) + "\n\n")
        for m in mutants:
            fate = m.fate or "not run"
            times = ""
            if m.fate in ("killed", "survived", "timed out", "not compiled", "equivalent"):
                times = "  (build %.1f s, tests %.1f s)" % (m.build_seconds, m.test_seconds)
            detail = "  [%s]" % m.detail if m.detail else ""
            f.write("%-12s %s %s  %s%s%s\n" % (fate, m.key(), m.where(), m.change, detail, times))
        f.write("\n" + "\n".join(footer) + "\n")
    return path


def main():
    arguments = parse_arguments()
    root = repository_root()
    patterns = [p for option in arguments.files for p in option.split(",") if p.strip()]

    paths = source_files(root)
    chosen_paths = [p for p in paths if matches(p, patterns)]
    for pattern in patterns:
        if not any(matches(p, [pattern]) for p in paths):
            raise SystemExit("--files %s matches none of the mutated sources" % pattern)
    session = Session(root, arguments.jobs)
    session.recover()
    equivalents = equivalent_keys(root)
    originals, mutants = {}, []
    for path in paths:
        with open(os.path.join(root, path), "rb") as f:
            originals[path] = f.read()
        mutants += find_mutants(analyse(path, originals[path].decode("utf-8",
                                                                      "surrogateescape")))
    candidates = sum(m.path in chosen_paths for m in mutants)
    # The sample is drawn from every file before --files narrows it, so that
    # "--sample 150 --files X" re-runs exactly the whole sample's mutants in X.
    if arguments.sample is not None:
        mutants = sample(mutants, arguments.sample, arguments.seed)
    mutants = [m for m in mutants if m.path in chosen_paths]

    if arguments.list:
        signal.signal(signal.SIGPIPE, signal.SIG_DFL)  # as in: scripts/mutate --list | head
        for m in mutants:
            say("%s %s  %-8s %s" % (m.key(), m.where(), m.kind, m.change))
        kinds = ", ".join("%s %d" % (k, sum(m.kind == k for m in mutants)) for k in KIND_ORDER)
        say("%d of %d candidate mutants in %d files (%s)" % (len(mutants), candidates,
                                                             len(chosen_paths), kinds))
        return 0

    def terminate(signum, frame):
        for quit_signal in QUIT_SIGNALS:  # let the clean-up finish
            signal.signal(quit_signal, signal.SIG_IGN)
        raise Interrupted(signal.Signals(signum).name)

    for quit_signal in QUIT_SIGNALS:
        signal.signal(quit_signal, terminate)

    header = ["Mutation run of %s, %s" % (root, time.strftime("%Y-%m-%d %H:%M:%S")),
              "files: %s" % (", ".join(patterns) if patterns else "all"),
              "mutants: %d of %d candidates (seed %s)" % (len(mutants), candidates,
                                                          arguments.seed)]
    footer = []
    started = time.monotonic()
    interrupted = None
    try:
        say("Building %s" % session.build)
        if not session.configure_and_build():
            raise SystemExit("The unmutated sources do not build; see %s" % session.build_log)
        session.index_dependencies()
        say("Running the unmutated tests")
        baseline = session.measure()
        limit = arguments.timeout or max(10.0, 3 * baseline)
        waves = "; then ".join(", ".join(w) for w in session.waves)
        header += ["unmutated tests: %.1f s; limit per mutant: %.0f s; order: %s"
                   % (baseline, limit, waves)]
        say("Unmutated tests pass in %.1f s; limit per mutant %.0f s; %d mutants to run"
            % (baseline, limit, len(mutants)))

        for number, mutant in enumerate(mutants, 1):
            path = os.path.join(root, mutant.path)
            with open(path, "rb") as f:
                if f.read() != originals[mutant.path]:
                    mutant.fate, mutant.detail = "skipped", "the file changed during the run"
                    say("[%d/%d] skipped, %s changed during the run" % (number, len(mutants),
                                                                       mutant.path))
                    continue
            if not session.objects_of(mutant.path):
                mutant.fate, mutant.detail = "not built", "no object file is built from it"
                say("[%d/%d] not built: nothing is compiled from %s" % (number, len(mutants),
                                                                       mutant.path))
                continue
            entry = session.plant(mutant, originals[mutant.path])
            try:
                clock = time.monotonic()
                compiled = session.rebuild()
                mutant.build_seconds = time.monotonic() - clock
                if compiled:
                    clock = time.monotonic()
                    mutant.fate, mutant.detail = session.test(limit)
                    mutant.test_seconds = time.monotonic() - clock
                else:
                    mutant.fate = "not compiled"
            finally:
                session.restore(entry)
            if mutant.fate == "survived" and mutant.key() in equivalents:
                mutant.fate = "equivalent"
            by = " by %s" % mutant.detail if mutant.detail else ""
            say("[%d/%d] %-12s build %5.1f s, tests %5.1f s  %s  %s%s" % (
                number, len(mutants), mutant.fate, mutant.build_seconds, mutant.test_seconds,
                mutant.where(), mutant.change, by))
            if mutant.fate == "survived":
                say("SURVIVED %s %s  %s" % (mutant.key(), mutant.where(), mutant.change))
            elif mutant.fate != "equivalent" and mutant.key() in equivalents:
                mutant.detail += " - listed as equivalent in the README, but the tests see it"
                say("NOT EQUIVALENT %s %s: the README lists it, the tests see it"
                    % (mutant.key(), mutant.where()))
    except Interrupted as signal_name:
        interrupted = str(signal_name)
    finally:
        # Whatever stopped the run, and wherever between writing the journal
        # and restoring: the file and the build are put back.
        session.recover()

    ran = [m for m in mutants
           if m.fate in ("killed", "survived", "timed out", "not compiled", "equivalent")]
    elapsed = time.monotonic() - started
    if ran:
        per_mutant = sum(m.build_seconds + m.test_seconds for m in ran) / len(ran)
        footer.append("%d mutants run in %.0f s, %.1f s each on average (build and tests)"
                      % (len(ran), elapsed, per_mutant))
    not_compiled = sum(m.fate == "not compiled" for m in mutants)
    if not_compiled:
        footer.append("not compiled: %d (left out of the totals)" % not_compiled)
    if interrupted:
        footer.append("interrupted (%s) after %d of %d mutants; the sources are restored"
                      % (interrupted, len(ran), len(mutants)))
    equivalent = sum(m.fate == "equivalent" for m in mutants)
    if equivalent:
        counted = [m for m in mutants if m.fate in ("killed", "survived", "timed out")]
        killed = sum(m.fate == "killed" for m in counted)
        footer.append("equivalent: %d, left out of the totals (listed in the README); with them, "
                      "killed %d of %d (%.1f%%)" % (equivalent, killed, len(counted) + equivalent,
                                                    100.0 * killed / (len(counted) + equivalent)))
    footer.append(summary(mutants))
    if os.path.isdir(session.build):
        report = write_report(session, mutants, header, footer)
        say("Report: %s" % report)
    for line in footer:
        say(line)
    return 130 if interrupted else 0


if __name__ == "__main__":
    sys.exit(main())
