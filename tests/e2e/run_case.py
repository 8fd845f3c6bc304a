#!/usr/bin/env python3
"""Runs one end-to-end case against the built program.

    run_case.py --binary PATH --case NAME [--platform posix|windows]
                [--runner CMD]... [--state-dir DIR]
    run_case.py --list [--platform posix|windows]

The case is laid out in a fresh temporary directory, the program is run there
(through the runner command, e.g. Wine, when one is given), and standard output,
the exit status and every file left in the directory are compared with the
case's record.  Exit status: 0 passed, 1 failed, 77 skipped.
"""

import argparse
import difflib
import fcntl
import os
import resource
import shutil
import signal
import stat
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from cases import CASES, DIR, by_name  # noqa: E402
import corpus_cases  # noqa: E402,F401  (adds its cases to CASES)

SKIP = 77
NOBODY = 65534
TIMEOUT = 300


def applies(case, platform):
    return not (platform == "windows" and case.posix_only)


def expectation(case, platform, key):
    if platform == "windows" and key in case.windows:
        return case.windows[key]
    return getattr(case, key)


# --- Laying out and reading back a directory --------------------------------------------


def lay_out(root, files):
    for rel, content in sorted(files.items()):
        path = os.path.join(root, rel)
        if content is DIR:
            os.makedirs(path, exist_ok=True)
        else:
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as f:
                f.write(content)


def snapshot(root):
    """Every file and directory under root: relative path -> bytes, or DIR."""
    found = {}
    for top, dirs, names in os.walk(root):
        for d in dirs:
            path = os.path.join(top, d)
            found[os.path.relpath(path, root)] = DIR
        for n in names:
            path = os.path.join(top, n)
            rel = os.path.relpath(path, root)
            if not os.access(path, os.R_OK):
                os.chmod(path, os.stat(path).st_mode | stat.S_IRUSR)
            with open(path, "rb") as f:
                found[rel] = f.read()
    return found


def make_accessible(root):
    """Opens every directory to the runner again so that it can read and remove them."""
    os.chmod(root, 0o700)
    for top, dirs, _ in os.walk(root):
        for d in dirs:
            os.chmod(os.path.join(top, d), 0o700)


# --- Reporting differences -----------------------------------------------------------------


def text_lines(data):
    # Bytes that are not UTF-8 show as \\xNN; repr shows CR, tabs and trailing blanks.
    text = data.decode("utf-8", "backslashreplace")
    return [repr(line) for line in text.splitlines(keepends=True)]


def describe_difference(label, expected, actual, limit=60):
    out = [f"--- {label}: expected {len(expected)} bytes, got {len(actual)} bytes"]
    first = next((i for i in range(min(len(expected), len(actual)))
                  if expected[i] != actual[i]), min(len(expected), len(actual)))
    start = max(0, first - 8)
    out.append(f"    first difference at byte offset {first}:")
    out.append(f"    expected {start:08x}: {expected[start:first + 16].hex(' ')}")
    out.append(f"    actual   {start:08x}: {actual[start:first + 16].hex(' ')}")
    diff = list(difflib.unified_diff(text_lines(expected), text_lines(actual), "expected",
                                     "actual", n=1, lineterm=""))
    out.extend(diff[:limit])
    if len(diff) > limit:
        out.append(f"    ... {len(diff) - limit} more diff lines")
    return "\n".join(out)


def compare(case, platform, stdout, status, after, modes):
    problems = []
    want_stdout = expectation(case, platform, "stdout")
    if isinstance(want_stdout, str):
        want_stdout = want_stdout.encode("utf-8")
    got_stdout = stdout.replace(b"\r\n", b"\n")
    if got_stdout != want_stdout:
        problems.append(describe_difference("standard output", want_stdout, got_stdout))
    want_exit = expectation(case, platform, "exit")
    if status != want_exit:
        problems.append(f"--- exit status: expected {want_exit}, got {status}")
    want_files = expectation(case, platform, "after")
    for rel in sorted(set(want_files) | set(after)):
        want, got = want_files.get(rel), after.get(rel)
        if want is None:
            kind = "directory" if got is DIR else f"file of {len(got)} bytes"
            problems.append(f"--- unexpected {kind} left behind: {rel!r}")
            if rel.startswith("marker") or "/marker" in rel:
                problems.append("    (a marker file: some command in the path was run)")
        elif got is None:
            problems.append(f"--- missing: {rel!r}")
        elif (want is DIR) != (got is DIR):
            problems.append(f"--- {rel!r}: expected a {'directory' if want is DIR else 'file'}")
        elif want is not DIR and want != got:
            problems.append(describe_difference(f"file {rel!r}", want, got))
    if platform == "posix":
        for rel, want_mode in sorted(case.after_modes.items()):
            if rel in modes and modes[rel] != want_mode:
                problems.append(f"--- mode of {rel!r}: expected {want_mode:04o}, "
                                f"got {modes[rel]:04o}")
    return problems


# --- Running as an unprivileged user --------------------------------------------------------


def unprivileged_prefix(binary):
    """The command prefix that runs the program as a user that file modes bind, or None."""
    if os.geteuid() != 0:
        return []
    setpriv = shutil.which("setpriv")
    if setpriv is None:
        return None
    return [setpriv, f"--reuid={NOBODY}", f"--regid={NOBODY}", "--clear-groups", "--"]


def modes_bind(prefix, binary):
    """True when, run through prefix, the program may be run but a mode-000 file is unreadable."""
    with tempfile.TemporaryDirectory(prefix="tarnwick-probe-") as probe_dir:
        probe = os.path.join(probe_dir, "probe")
        with open(probe, "wb") as f:
            f.write(b"x")
        os.chmod(probe, 0)
        os.chmod(probe_dir, 0o555)
        check = 'test -x "$1" && test -r "$1" && ! test -r "$2" && ! test -w "$3"'
        try:
            result = subprocess.run(prefix + ["/bin/sh", "-c", check, "sh", binary, probe,
                                              probe_dir],
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        finally:
            os.chmod(probe_dir, 0o700)
        return result.returncode == 0


def wine_prefix_for_nobody(state_dir, env):
    """A Wine prefix that the unprivileged user owns, made once per build tree."""
    prefix = os.path.join(os.path.abspath(state_dir), "wine-nobody")
    os.makedirs(state_dir, exist_ok=True)
    with open(os.path.join(state_dir, "wine-nobody.lock"), "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        if not os.path.isdir(prefix):
            os.makedirs(prefix)
            os.chown(prefix, NOBODY, NOBODY)
    env["WINEPREFIX"] = prefix
    env["HOME"] = prefix
    return prefix


# --- A full file system ----------------------------------------------------------------------


def file_size_limit(case):
    """What the child does before it starts the program: writes past the case's limit
    then fail with EFBIG, as on a full file system, instead of ending it by SIGXFSZ."""
    limit = getattr(case, "file_size_limit", 0)
    if not limit:
        return None

    def limit_writes():
        signal.signal(signal.SIGXFSZ, signal.SIG_IGN)  # stays ignored across exec
        resource.setrlimit(resource.RLIMIT_FSIZE, (limit, limit))
    return limit_writes


def start_emulator_server(runner, prefix, env):
    """Starts Wine's server, beyond the limit, for the program to use: started by the
    limited program itself, the server could not write its own files."""
    server = os.path.join(os.path.dirname(runner[0]), "wineserver")
    if os.path.exists(server):
        subprocess.run(prefix + [server, "-p10"], env=env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
    subprocess.run(prefix + list(runner) + ["cmd", "/c", "exit"], env=env,
                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=TIMEOUT)


# --- One case -------------------------------------------------------------------------------


def run_case(case, binary, platform, runner, state_dir):
    if not applies(case, platform):
        print(f"SKIPPED: {case.name} holds file names that Windows cannot hold")
        return SKIP
    binary = os.path.abspath(binary)
    env = dict(os.environ)
    env["LC_ALL"] = "C"
    env.update(case.env)
    if runner:
        env["WINEDEBUG"] = "-all"
        env["WINEDLLOVERRIDES"] = "mscoree,mshtml="
    prefix = []
    if case.needs_unprivileged:
        prefix = unprivileged_prefix(binary)
        if prefix is None:
            print(f"SKIPPED: {case.name} needs an unprivileged user and setpriv is missing")
            return SKIP
        if not modes_bind(prefix, binary):
            print(f"SKIPPED: {case.name} needs a user that file modes bind, and none "
                  f"that can run {binary} could be arranged")
            return SKIP
        if prefix and runner:
            if state_dir is None:
                print(f"SKIPPED: {case.name} under Wine needs --state-dir for a Wine prefix")
                return SKIP
            wine_prefix_for_nobody(state_dir, env)

    os.umask(0o022)
    work = tempfile.mkdtemp(prefix=f"tarnwick-e2e-{case.name}-")
    try:
        lay_out(work, case.files)
        for rel in case.user_owns:
            if os.geteuid() == 0:
                os.chown(os.path.join(work, rel), NOBODY, NOBODY)
        # Innermost paths first, so that a closed directory does not hide its files.
        for rel, mode in sorted(case.modes.items(), key=lambda item: -len(item[0])):
            os.chmod(os.path.join(work, rel), mode)

        command = prefix + list(runner) + [binary] + list(case.args)
        if runner and getattr(case, "file_size_limit", 0):
            start_emulator_server(runner, prefix, env)
        try:
            result = subprocess.run(command, cwd=work, env=env, stdin=subprocess.DEVNULL,
                                    stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                    timeout=TIMEOUT,
                                    preexec_fn=file_size_limit(case))
        except subprocess.TimeoutExpired:
            print(f"FAILED: {case.name}: the program did not end within {TIMEOUT} s")
            return 1

        modes = {}
        for top, dirs, names in os.walk(work):
            for n in dirs + names:
                path = os.path.join(top, n)
                modes[os.path.relpath(path, work)] = stat.S_IMODE(os.lstat(path).st_mode)
        make_accessible(work)
        after = snapshot(work)
        problems = compare(case, platform, result.stdout, result.returncode, after, modes)
    finally:
        make_accessible(work)
        shutil.rmtree(work, ignore_errors=True)

    print(f"command: {' '.join(command)}")
    if problems:
        print(f"FAILED: {case.name}")
        print("\n".join(problems))
        if result.stderr:
            print("--- standard error of the program:")
            print(result.stderr.decode("utf-8", "replace"))
        return 1
    print(f"passed: {case.name}")
    return 0


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--list", action="store_true", help="print the case names and end")
    parser.add_argument("--binary")
    parser.add_argument("--case")
    parser.add_argument("--platform", choices=["posix", "windows"], default="posix")
    parser.add_argument("--runner", action="append", default=[],
                        help="command (one word per use) to run the program through")
    parser.add_argument("--state-dir", help="directory kept between runs (Wine prefix)")
    args = parser.parse_args()

    if args.list:
        for case in CASES:
            if applies(case, args.platform):
                print(case.name)
        return 0
    if not args.binary or not args.case:
        parser.error("--binary and --case are needed")
    case = by_name().get(args.case)
    if case is None:
        parser.error(f"no case named {args.case!r}")
    return run_case(case, args.binary, args.platform, args.runner, args.state_dir)


if __name__ == "__main__":
    sys.exit(main())
