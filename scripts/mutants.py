#!/usr/bin/env python3
"""One-line mutants of our sources, each built and tested alone.

Started through scripts/mutants.sh; see README.md, "Mutants". Each mutant is
one realistic fault on one line (a relational or equality operator, && for ||,
a number one off, a time unit, a dropped call or return-value check, true for
false). A deterministic sample of them is applied one at a time, the test
programs of the folders concerned are rebuilt and run, and the file is put
back. The original of a mutated file is kept under the git folder until it is
back in place, so no interruption leaves a mutant in the tree.
"""

import argparse
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time
from dataclasses import dataclass

SOURCE_SUFFIXES = (".cpp", ".hpp", ".h", ".cc")
# Unit tests of each folder's code; services/<x>/ has <x>_services_tests.
FOLDER_TESTS = {
    "watcher": ["watcher_tests"],
    "watcher/shipping": ["watcher_shipping_tests"],
    "logreader": ["log_reader_tests"],
    "logger": ["logger_tests"],
    "stripper": ["stripper_tests"],
    "plotter": ["plotter_tests"],
}
# The order kinds are drawn in, one of each in turn.
KINDS = ["relational", "equality", "logical", "off-by-one", "unit", "dropped call",
         "dropped check", "boolean"]
# A number written for a time or size unit, and the slips made with it.
UNIT_SLIPS = {
    "1000": ["1000000", "1"],
    "1000000": ["1000", "1000000000"],
    "1000000000": ["1000000"],
    "60": ["3600", "1"],
    "3600": ["60", "86400"],
    "86400": ["3600"],
    "1024": ["1000"],
}
KEYWORDS = {"return", "if", "while", "for", "switch", "sizeof", "static_assert", "case", "else",
            "do", "delete", "throw", "new", "co_return", "alignas", "decltype", "catch"}
SIGNALS = (signal.SIGINT, signal.SIGTERM, signal.SIGHUP)


class Stopped(Exception):
    pass


def say(text):
    print("mutants: " + text, file=sys.stderr, flush=True)


def fail(text, status=2):
    say(text)
    sys.exit(status)


def run(args, cwd=None, capture=True):
    return subprocess.run(args, cwd=cwd, text=True, stdout=subprocess.PIPE if capture else None,
                          stderr=subprocess.STDOUT if capture else None)


# ---------------------------------------------------------------- the tree --

def repo_root():
    got = run(["git", "rev-parse", "--show-toplevel"])
    if got.returncode != 0:
        fail("not inside a git work tree")
    return got.stdout.strip()


def backup_folder(root):
    got = run(["git", "rev-parse", "--git-path", "mutants-backup"], cwd=root)
    return os.path.join(root, got.stdout.strip())


def read_bytes(path):
    with open(path, "rb") as f:
        return f.read()


def write_in_place(path, data):
    """Replaces the file whole (written beside it, then renamed): an
    interruption leaves either the old or the new text, never half of one.
    The new time stamp makes ninja rebuild from it."""
    folder = os.path.dirname(path)
    fd, temporary = tempfile.mkstemp(dir=folder, prefix=".mutants-")
    try:
        with os.fdopen(fd, "wb") as f:
            f.write(data)
        shutil.copymode(path, temporary)
        os.replace(temporary, path)
    except BaseException:
        if os.path.exists(temporary):
            os.unlink(temporary)
        raise


class Backup:
    """The original of the one file a mutant is in, kept until it is back."""

    def __init__(self, root):
        self.root = root
        self.folder = backup_folder(root)

    def exists(self):
        return os.path.isdir(self.folder)

    def save(self, relative, original, mutant):
        staging = self.folder + ".new"
        shutil.rmtree(staging, ignore_errors=True)
        os.makedirs(staging)
        for name, data in (("original", original), ("mutant", mutant),
                           ("path", relative.encode())):
            with open(os.path.join(staging, name), "wb") as f:
                f.write(data)
                f.flush()
                os.fsync(f.fileno())
        os.replace(staging, self.folder)

    def restore(self, quiet=False):
        """Puts a saved original back. False (and nothing touched) when the
        file holds neither the original nor the mutant: someone edited it."""
        if not self.exists():
            return True
        relative = read_bytes(os.path.join(self.folder, "path")).decode()
        original = read_bytes(os.path.join(self.folder, "original"))
        mutant = read_bytes(os.path.join(self.folder, "mutant"))
        path = os.path.join(self.root, relative)
        now = read_bytes(path) if os.path.exists(path) else None
        if now is not None and now not in (original, mutant):
            say(f"{relative} holds neither its saved original nor the mutant; compare it with "
                f"{self.folder}/original and remove that folder when done")
            return False
        if now != original:
            write_in_place(path, original)
            if not quiet:
                say(f"put {relative} back from {self.folder}")
        shutil.rmtree(self.folder)
        return True


# ------------------------------------------------------------- the source --

def code_mask(text):
    """The text with comments, string and character literals and
    preprocessor lines blanked (line ends kept): what mutants may touch."""
    out = list(text)
    i, n = 0, len(text)
    line_start = True
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
            # A preprocessor line, with its continuations.
            while i < n and text[i] != "\n":
                if text[i] == "\\" and i + 1 < n and text[i + 1] == "\n":
                    out[i] = " "
                    i += 2
                    continue
                out[i] = " "
                i += 1
            continue
        line_start = False
        if text.startswith("//", i):
            while i < n and text[i] != "\n":
                out[i] = " "
                i += 1
            continue
        if text.startswith("/*", i):
            end = text.find("*/", i + 2)
            end = n if end < 0 else end + 2
            for j in range(i, end):
                if text[j] != "\n":
                    out[j] = " "
            i = end
            continue
        raw = re.match(r'(?:u8|u|U|L)?R"([^()\\\s]{0,16})\(', text[i:i + 24])
        if raw and (i == 0 or not (text[i - 1].isalnum() or text[i - 1] == "_")):
            close = ")" + raw.group(1) + '"'
            end = text.find(close, i + raw.end())
            end = n if end < 0 else end + len(close)
            for j in range(i, end):
                if text[j] != "\n":
                    out[j] = " "
            i = end
            continue
        if c == "'" and i > 0 and text[i - 1].isalnum() and i + 1 < n and text[i + 1].isalnum():
            i += 1  # a digit separator, 1'000
            continue
        if c in "\"'":
            j = i + 1
            while j < n and text[j] != c and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            end = min(j + 1, n)
            for k in range(i, end):
                out[k] = " "
            i = end
            continue
        i += 1
    return "".join(out)


@dataclass
class Mutant:
    path: str    # relative to the repository
    line: int    # 1-based
    kind: str
    before: str  # the whole line
    after: str

    def report(self):
        return f"{self.path}:{self.line}: {self.before.strip()} -> {self.after.strip() or ';'}"


def operand_end(code, start):
    """End of the operand starting at `start` (after && or ||): where its
    expression closes at depth 0; None when it runs past the line."""
    depth = 0
    i = start
    while i < len(code):
        c = code[i]
        if c in "([{":
            depth += 1
        elif c in ")]}":
            if depth == 0:
                return i
            depth -= 1
        elif depth == 0 and (c in ";,?" or code.startswith(" && ", i) or
                             code.startswith(" || ", i)):
            return i
        i += 1
    return None


def closing_paren(code, open_at):
    depth = 0
    for i in range(open_at, len(code)):
        if code[i] == "(":
            depth += 1
        elif code[i] == ")":
            depth -= 1
            if depth == 0:
                return i
    return None


CALL = re.compile(r"[A-Za-z_]\w*\s*\(")


def has_call(code):
    return any(m.group(0).rstrip("( ") not in KEYWORDS for m in CALL.finditer(code))


def is_call(code):
    """Whether the expression is one call (negated or not): `!Sync(fd)`."""
    text = code.strip()
    m = re.match(r"!?\s*(?:[A-Za-z_]\w*(?:::|\.|->))*([A-Za-z_]\w*)\(", text)
    return bool(m) and m.group(1) not in KEYWORDS and \
        closing_paren(text, m.end() - 1) == len(text) - 1


def line_mutants(code, line):
    """(kind, new line) for one line; `code` is its masked twin."""
    found = []

    def swap(start, end, new, kind):
        found.append((kind, line[:start] + new + line[end:]))

    for m in re.finditer(r" (<=|>=|<|>) ", code):
        if "template" in code or "operator" in code:
            break
        new = {"<": "<=", "<=": "<", ">": ">=", ">=": ">"}[m.group(1)]
        swap(m.start(1), m.end(1), new, "relational")
    for m in re.finditer(r" (==|!=) ", code):
        if "operator" in code:
            break
        swap(m.start(1), m.end(1), "!=" if m.group(1) == "==" else "==", "equality")
    for m in re.finditer(r" (&&|\|\|) ", code):
        swap(m.start(1), m.end(1), "||" if m.group(1) == "&&" else "&&", "logical")
        # The right operand dropped, when it is a call: `written && Sync(fd)`.
        end = operand_end(code, m.end())
        if end is not None and is_call(code[m.end():end]):
            swap(m.start(), end, "", "dropped call")
    for m in re.finditer(r"(?<![\w.'])(\d+)([uUlL]*)(?![\w.'])", code):
        digits = m.group(1)
        if len(digits) > 1 and digits.startswith("0"):
            continue  # octal
        # An array's size in its declaration: one more or less is harmless.
        declared = re.search(r"(\w+)\s+\**\w+\[$", code[:m.start()])
        if declared and declared.group(1) not in KEYWORDS:
            continue
        n = int(digits)
        for new in [n + 1] + ([n - 1] if n > 0 else []):
            swap(m.start(1), m.end(1), str(new), "off-by-one")
        for new in UNIT_SLIPS.get(digits, []):
            swap(m.start(1), m.end(1), new, "unit")
    for m in re.finditer(r"\b(true|false)\b", code):
        swap(m.start(), m.end(), "false" if m.group(1) == "true" else "true", "boolean")
    # A return value no longer looked at: the call is made, the check not.
    for m in re.finditer(r"\bif \(", code):
        open_at = m.end() - 1
        close = closing_paren(code, open_at)
        if close is None or not has_call(code[open_at + 1:close]):
            continue
        swap(open_at + 1, close, "(" + line[open_at + 1:close] + ") && false", "dropped check")
    # A call statement left out.
    statement = re.match(r"(\s*)((?:[A-Za-z_]\w*(?:::|\.|->))*([A-Za-z_]\w*))\(", code)
    if statement and statement.group(3) not in KEYWORDS and code.rstrip().endswith(");"):
        close = closing_paren(code, statement.end() - 1)
        if close is not None and code[close + 1:].strip() == ";":
            found.append(("dropped call", statement.group(1) + ";\n"))
    return found


def statement_starts(code_lines, index):
    """Whether a statement may begin on this line: the code before ends one."""
    for j in range(index - 1, -1, -1):
        text = code_lines[j].strip()
        if text:
            return text[-1] in ";{}:" or text.endswith("else")
    return True


def file_mutants(root, relative):
    text = read_bytes(os.path.join(root, relative)).decode("utf-8", "replace")
    lines = text.splitlines(keepends=True)
    code_lines = code_mask(text).splitlines(keepends=True)
    mutants = []
    seen = set()
    for index, (line, code) in enumerate(zip(lines, code_lines)):
        if not code.strip() or "static_assert" in code:
            continue
        for kind, after in line_mutants(code, line):
            if kind == "dropped call" and after.strip() == ";" and \
                    not statement_starts(code_lines, index):
                continue
            key = (index, after)
            if after != line and key not in seen:
                seen.add(key)
                mutants.append(Mutant(relative, index + 1, kind, line.rstrip("\n"),
                                      after.rstrip("\n")))
    return mutants


def apply(root, mutant):
    path = os.path.join(root, mutant.path)
    original = read_bytes(path)
    lines = original.decode("utf-8", "replace").splitlines(keepends=True)
    ending = lines[mutant.line - 1][len(mutant.before):]
    lines[mutant.line - 1] = mutant.after + ending
    return original, "".join(lines).encode("utf-8")


def sample_order(mutants, seed):
    """Every mutant once, in the order they are drawn: the kinds in turn,
    each kind's mutants in an order fixed by the seed."""
    by_kind = {kind: [m for m in mutants if m.kind == kind] for kind in KINDS}
    for kind, group in by_kind.items():
        random.Random(f"{seed}:{kind}").shuffle(group)
    order = []
    while any(by_kind.values()):
        for kind in KINDS:
            if by_kind[kind]:
                order.append(by_kind[kind].pop(0))
    return order


# ----------------------------------------------------------- the choosing --

def source_files(root, names, since):
    """The files to mutate, relative to the repository, and the unit-test
    programs their folders have."""
    chosen = []
    if names:
        for name in names:
            full = os.path.abspath(name)
            if not full.startswith(root + os.sep):
                fail(f"{name} is outside the repository")
            if os.path.isdir(full):
                # A folder stands for the sources directly in it.
                chosen += [os.path.join(full, f) for f in sorted(os.listdir(full))
                           if os.path.isfile(os.path.join(full, f))]
            elif os.path.isfile(full):
                chosen.append(full)
            else:
                fail(f"no such file or folder: {name}")
        chosen = [os.path.relpath(f, root) for f in chosen]
    else:
        base = run(["git", "merge-base", since, "HEAD"], cwd=root)
        if base.returncode != 0:
            fail(f"cannot find where HEAD left {since}: give --since REV or name the files")
        changed = run(["git", "diff", "--name-only", "--diff-filter=AMR", base.stdout.strip()],
                      cwd=root)
        chosen = sorted(changed.stdout.split())
    files = []
    for relative in chosen:
        name = os.path.basename(relative)
        folder = os.path.dirname(relative)
        if not name.endswith(SOURCE_SUFFIXES) or re.search(r"_test\.\w+$", name):
            continue
        if folder.split("/")[0] in ("tests", "fuzz", "bench", "build") or \
                re.search(r"_win32\.\w+$", name):
            continue
        if os.path.exists(os.path.join(root, relative)) and relative not in files:
            files.append(relative)
    return sorted(files)


def tests_of(folder):
    if folder in FOLDER_TESTS:
        return FOLDER_TESTS[folder]
    parts = folder.split("/")
    if len(parts) == 2 and parts[0] == "services":
        return [parts[1] + "_services_tests"]
    return None


def built_from(build, targets):
    """Every file the targets are built from, headers included (as the
    compiler's dependency files recorded them), by real path."""
    def real(name):
        return os.path.realpath(name if os.path.isabs(name) else os.path.join(build, name))

    inputs = run(["ninja", "-t", "inputs"] + targets, cwd=build).stdout.split()
    files = {real(name) for name in inputs}
    objects = [name for name in inputs if name.endswith((".o", ".obj"))]
    if objects:
        deps = run(["ninja", "-t", "deps"] + objects, cwd=build).stdout
        files |= {real(line.strip()) for line in deps.splitlines() if line.startswith("    ")}
    return files


def executable(build, target):
    got = run(["ninja", "-C", build, "-t", "query", target])
    lines = got.stdout.splitlines()
    for i, line in enumerate(lines):
        if line.strip() == "input: phony" and i + 1 < len(lines):
            return os.path.join(build, lines[i + 1].strip())
    return None


# --------------------------------------------------------------- the runs --

class Runner:
    def __init__(self, root, build, timeout):
        self.root = root
        self.build = build
        self.timeout = timeout
        self.child = None

    def start(self, args, log):
        # A session of its own: a time-out or a stop ends all it started.
        self.child = subprocess.Popen(args, cwd=self.build, stdout=log, stderr=subprocess.STDOUT,
                                      stdin=subprocess.DEVNULL, start_new_session=True)
        return self.child

    def call(self, args, log_name):
        """Runs to its end in a session of its own; the exit status."""
        with open(os.path.join(self.build, log_name), "w") as log:
            status = self.start(args, log).wait()
        self.end_child()
        return status

    def end_child(self):
        if self.child and self.child.poll() is None:
            try:
                os.killpg(self.child.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            self.child.wait()
        self.child = None

    def tests(self, commands):
        """'passed', 'failed' or 'time-out'; every command runs within the
        one time-out. Their output goes to the log through a pipe: a test
        may care that its standard output is no ordinary file."""
        deadline = time.monotonic() + self.timeout
        with open(os.path.join(self.build, "mutants-test.log"), "wb") as log:
            for command in commands:
                child = self.start(command, subprocess.PIPE)
                copier = threading.Thread(target=shutil.copyfileobj, args=(child.stdout, log),
                                          daemon=True)
                copier.start()
                try:
                    status = child.wait(timeout=max(0.1, deadline - time.monotonic()))
                except subprocess.TimeoutExpired:
                    self.end_child()
                    return "time-out"
                finally:
                    # What the program left running may keep the pipe open.
                    copier.join(timeout=1)
                self.end_child()
                if status != 0:
                    return "failed"
        return "passed"


def blocked_signals():
    return signal.pthread_sigmask(signal.SIG_BLOCK, SIGNALS)


def main():
    parser = argparse.ArgumentParser(
        prog="scripts/mutants.sh",
        description="Applies a deterministic sample of one-line mutants to the given source "
                    "files (or folders: the files directly in them), one at a time, and runs "
                    "the unit tests of their folders against each.")
    parser.add_argument("files", nargs="*", help="source files or folders (default: the files "
                        "changed since --since)")
    parser.add_argument("-n", type=int, default=20, help="mutants to test (default 20)")
    parser.add_argument("--since", default="main", help="without files: those changed since "
                        "HEAD left this revision, uncommitted changes included (default main)")
    parser.add_argument("--build", default=None, help="the build folder (default build/)")
    parser.add_argument("--all", action="store_true", help="build everything and run the whole "
                        "CTest suite instead of the folders' unit tests")
    parser.add_argument("--seed", default="1", help="another seed draws another sample")
    parser.add_argument("--timeout", type=float, default=None, help="seconds for one mutant's "
                        "tests (default: 5 times the unmutated run, at least 30)")
    parser.add_argument("--list", action="store_true", help="print the sample, run nothing")
    parser.add_argument("--restore", action="store_true", help="only put back a file an "
                        "interrupted run left mutated")
    options = parser.parse_args()

    root = repo_root()
    backup = Backup(root)

    # The first of these puts the file back and ends the run; more are ignored.
    def on_signal(number, frame):
        for each in SIGNALS:
            signal.signal(each, signal.SIG_IGN)
        raise Stopped(number)

    for number in SIGNALS:
        signal.signal(number, on_signal)
    build = os.path.abspath(options.build or os.path.join(root, "build"))
    runner = Runner(root, build, options.timeout)
    try:
        mutate(options, root, backup, runner)
    except Stopped:
        runner.end_child()
        backup.restore(quiet=True)
        say("stopped; the tree holds no mutant")
        sys.exit(130)


def mutate(options, root, backup, runner):
    build = runner.build
    if options.restore:
        sys.exit(0 if backup.restore() else 2)
    if backup.exists():
        say("an earlier run was interrupted; putting its file back first")
        if not backup.restore():
            sys.exit(2)

    files = source_files(root, options.files, options.since)
    if not files:
        fail("no source files to mutate" +
             ("" if options.files else f" changed since {options.since}"))
    targets_of = {}
    for relative in files:
        folder = os.path.dirname(relative)
        tests = tests_of(folder)
        if tests is None and not options.all:
            fail(f"no unit tests are known for {folder}/: use --all")
        targets_of[relative] = tests or []

    mutants = []
    for relative in files:
        mutants += file_mutants(root, relative)
    order = sample_order(mutants, options.seed)
    if options.list:
        for mutant in order[:options.n]:
            print(f"{mutant.report()}   [{mutant.kind}]")
        return

    if not os.path.exists(os.path.join(build, "build.ninja")):
        fail(f"{build} holds no ninja build: cmake -S . -B {build} -G Ninja first")

    def test_commands(targets):
        if options.all:
            return [["ctest", "--test-dir", build, "--stop-on-failure", "-j",
                     str(os.cpu_count() or 2)]]
        commands = []
        for target in targets:
            program = executable(build, target)
            if not program:
                fail(f"{build} has no target {target}")
            commands.append([program, "--gtest_fail_fast", "--gtest_brief=1"])
        return commands

    def build_targets(targets):
        return [] if options.all else list(targets)

    # The unmutated tree must build and pass, and sets the time-out.
    all_targets = sorted({t for ts in targets_of.values() for t in ts})
    say(f"{len(files)} files, {len(mutants)} mutants; building and testing them unmutated")
    if runner.call(["ninja", "-C", build] + build_targets(all_targets), "mutants-build.log"):
        fail(f"the unmutated tree does not build (see {build}/mutants-build.log)")
    commands_of = {}
    for relative in files:
        commands_of[relative] = test_commands(targets_of[relative])
    untested_files = set()
    if not options.all:
        sources = {}
        for relative in files:
            targets = tuple(targets_of[relative])
            if targets not in sources:
                sources[targets] = built_from(build, list(targets))
            if os.path.realpath(os.path.join(root, relative)) not in sources[targets]:
                untested_files.add(relative)
                say(f"{relative}: no test program of its folder is built from it; its mutants "
                    "are left out (--all tests it)")
    started = time.monotonic()
    runner.timeout = 3600
    slowest = 0.0
    for commands in {tuple(map(tuple, c)) for c in commands_of.values()}:
        t = time.monotonic()
        if runner.tests([list(c) for c in commands]) != "passed":
            fail(f"the tests fail without any mutant (see {build}/mutants-test.log)")
        slowest = max(slowest, time.monotonic() - t)
    runner.timeout = options.timeout or max(30.0, 5 * slowest)
    say(f"unmutated tests took {time.monotonic() - started:.1f} s; each mutant gets "
        f"{runner.timeout:.0f} s")

    survivors, caught, timed_out, uncompiled, tested = [], 0, 0, 0, 0
    for mutant in order:
        if tested == options.n:
            break
        if mutant.path in untested_files:
            continue
        targets = build_targets(targets_of[mutant.path])
        original, mutated = apply(root, mutant)
        blocked_signals()
        backup.save(mutant.path, original, mutated)
        write_in_place(os.path.join(root, mutant.path), mutated)
        signal.pthread_sigmask(signal.SIG_UNBLOCK, SIGNALS)
        try:
            if runner.call(["ninja", "-C", build] + targets, "mutants-build.log"):
                uncompiled += 1
                say(f"does not compile, drawing another: {mutant.report()}")
                continue
            tested += 1
            outcome = runner.tests(commands_of[mutant.path])
        finally:
            runner.end_child()
            blocked_signals()
            if not backup.restore(quiet=True):
                sys.exit(2)
            signal.pthread_sigmask(signal.SIG_UNBLOCK, SIGNALS)
        if outcome == "passed":
            survivors.append(mutant)
        else:
            caught += 1
            timed_out += outcome == "time-out"
        say(f"[{tested}/{options.n}] {'SURVIVED' if outcome == 'passed' else outcome:8} "
            f"{mutant.report()}")

    # The build folder as the tree is (ccache makes this cheap).
    runner.call(["ninja", "-C", build] + build_targets(all_targets), "mutants-build.log")
    for mutant in survivors:
        print(mutant.report())
    notes = []
    if timed_out:
        notes.append(f"{timed_out} by time-out")
    if uncompiled:
        notes.append(f"{uncompiled} more did not compile and were replaced by the next drawn")
    if tested < options.n:
        notes.append(f"only {tested} could be made")
    print(f"mutants: {caught} of {tested} caught" + (f" ({'; '.join(notes)})" if notes else ""))


if __name__ == "__main__":
    main()
