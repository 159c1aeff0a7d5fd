#!/usr/bin/env python3
"""Runs one end-to-end case against the morvane binary.

usage: run_case.py --binary PATH [--update] [--keep] CASE.case

The case file format is described in README.md next to this script.
Exit status: 0 pass, 1 fail, 2 broken case file or harness, 77 skipped.
"""

import argparse
import difflib
import os
import re
import shlex
import shutil
import signal
import stat
import struct
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
RUN_CPP = os.path.join(HERE, "..", "..", "src", "driver", "run.cpp")

DEFAULT_TIMEOUT = 20.0
SANITIZER_MARKERS = (b"ERROR: AddressSanitizer", b"runtime error:", b"LeakSanitizer")
# Environment variables passed through from the caller; everything else is dropped.
KEPT_ENV = ("PATH", "ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS")

SKIP = 77


class CaseError(Exception):
    """The case file itself is malformed."""


# ---- The banner ---------------------------------------------------------------------------------

def _cxx_string(src, function):
    m = re.search(function + r'\(\)\s*\{\s*return\s*"((?:[^"\\]|\\.)*)"\s*;', src)
    if m is None:
        return None
    return re.sub(r'\\(.)', r'\1', m.group(1))


def read_banner():
    """The two banner lines, taken from the driver's source so that a new
    notice text does not mean editing every case."""
    try:
        with open(RUN_CPP, encoding="utf-8") as f:
            src = f.read()
    except OSError as e:
        raise CaseError(f"cannot read {RUN_CPP} for the banner: {e}")
    banner = _cxx_string(src, "BannerLine")
    notice = _cxx_string(src, "NoticeLine")
    if banner is None or notice is None:
        raise CaseError(f"cannot find the string literals of BannerLine()/NoticeLine() in {RUN_CPP}; "
                        "update read_banner() in run_case.py")
    return banner, notice


# ---- Helpers available to Python expressions in cases ----------------------------------------------

def words(*values):
    """32-bit words in this machine's byte order, as the compiled rule file stores them."""
    return b"".join(struct.pack("=i", v) if v < 2**31 else struct.pack("=I", v) for v in values)


def swapped(*values):
    """32-bit words in the other byte order."""
    other = ">" if sys.byteorder == "little" else "<"
    return b"".join(struct.pack(other + "i", v) if v < 2**31 else struct.pack(other + "I", v) for v in values)


def mvo_header(name="rules.mv", version=1004, fmt=5, sizes=(1, 4, 4, 4, 4), counts=(0, 0, 0, 0), length=None):
    """A compiled rule file header; the stored name gets its terminating NUL."""
    raw = name.encode() if isinstance(name, str) else name
    raw += b"\0"
    n = len(raw) if length is None else length
    return words(version, fmt, *sizes, n) + raw + words(*counts)


def source_file(path):
    """The bytes of a file of the source tree, named from its top (examples/add.mv)."""
    with open(os.path.join(HERE, "..", "..", path), "rb") as f:
        return f.read()


def python_env(ctx):
    return {
        "__builtins__": __builtins__,
        "tmp": ctx["tmp"],
        "banner": ctx["banner_block"].encode(),
        "bannerline": ctx["banner"],
        "words": words,
        "swapped": swapped,
        "mvo_header": mvo_header,
        "struct": struct,
        "source_file": source_file,
    }


def evaluate(expr, ctx, what):
    try:
        return eval(expr, python_env(ctx))  # noqa: S307 - case files are ours
    except Exception as e:  # report any error in the expression as a broken case
        raise CaseError(f"{what}: cannot evaluate Python expression: {e!r}")


def as_bytes(value, what):
    if isinstance(value, bytes):
        return value
    if isinstance(value, str):
        return value.encode("utf-8", "surrogateescape")
    raise CaseError(f"{what}: expression must give bytes or str, not {type(value).__name__}")


# ---- Parsing --------------------------------------------------------------------------------------

class Section:
    def __init__(self, kind, arg, lineno):
        self.kind = kind
        self.arg = arg
        self.lineno = lineno
        self.lines = []

    @property
    def content(self):
        return "".join(self.lines)

    def where(self):
        return f"line {self.lineno} (=== {self.kind}{' ' + self.arg if self.arg else ''})"


def split_lines(text):
    parts = text.split("\n")
    lines = [p + "\n" for p in parts[:-1]]
    if parts[-1]:
        lines.append(parts[-1])
    return lines


def unescape(line):
    # "\===" at the start of a content line stands for "===" (one backslash is removed).
    stripped = line.lstrip("\\")
    if line.startswith("\\") and stripped.startswith("==="):
        return line[1:]
    return line


def escape(line):
    stripped = line.lstrip("\\")
    if stripped.startswith("==="):
        return "\\" + line
    return line


def parse_case(path):
    with open(path, "rb") as f:
        text = f.read().decode("utf-8", "surrogateescape")
    sections = []
    current = None
    for lineno, line in enumerate(split_lines(text), 1):
        if line.startswith("==="):
            header = line.rstrip("\n")
            if not header.startswith("=== ") or not header[4:].strip():
                raise CaseError(f"line {lineno}: a section header is '=== <kind> [argument]'")
            fields = header[4:].strip().split(None, 1)
            current = Section(fields[0], fields[1].strip() if len(fields) > 1 else "", lineno)
            sections.append(current)
        elif current is None:
            if line.strip():
                raise CaseError(f"line {lineno}: text before the first section")
        else:
            current.lines.append(unescape(line))
    return text, sections


def one_line(section):
    value = section.content
    if value.endswith("\n"):
        value = value[:-1]
    if "\n" in value:
        raise CaseError(f"{section.where()}: expects a single line")
    return value


def no_content(section):
    if section.content.strip():
        raise CaseError(f"{section.where()}: takes no content")


def need_arg(section, count=1):
    fields = section.arg.split(None, count - 1) if section.arg else []
    if len(fields) != count:
        raise CaseError(f"{section.where()}: needs {count} argument(s)")
    return fields


# ---- Expected text ----------------------------------------------------------------------------------

class Expected:
    """Expected bytes of a stream or file: exact, or line by line with regular expressions."""

    def __init__(self, data, patterns=None, display=None):
        self.data = data              # bytes, the exact expectation (regex lines shown as written)
        self.patterns = patterns      # None, or list of (is_regex, bytes) per line
        self.display = display if display is not None else data

    def matches(self, actual):
        if self.patterns is None:
            return actual == self.data
        lines = split_bytes_lines(actual)
        if len(lines) != len(self.patterns):
            return False
        for (is_regex, want), got in zip(self.patterns, lines):
            if is_regex:
                body = got[:-1] if got.endswith(b"\n") else got
                if not want.endswith(b"\n") and got.endswith(b"\n"):
                    return False
                if want.endswith(b"\n") and not got.endswith(b"\n"):
                    return False
                pattern = want[:-1] if want.endswith(b"\n") else want
                if re.fullmatch(pattern, body, re.S) is None:
                    return False
            elif got != want:
                return False
        return True


def split_bytes_lines(data):
    parts = data.split(b"\n")
    lines = [p + b"\n" for p in parts[:-1]]
    if parts[-1]:
        lines.append(parts[-1])
    return lines


def expected_from_text(text, ctx):
    """Expands the placeholders of an expected stream or file."""
    patterns = []
    has_regex = False
    out = []
    for line in split_lines(text):
        body = line[:-1] if line.endswith("\n") else line
        nl = "\n" if line.endswith("\n") else ""
        if body == "@banner":
            piece = ctx["banner_block"][:-1] + nl
            out.append(piece)
            for sub in split_lines(piece):
                patterns.append((False, sub.encode("utf-8", "surrogateescape")))
            continue
        if body == "@bannerline":
            body = ctx["banner"]
        elif body.startswith("@match "):
            has_regex = True
            regex = body[len("@match "):].replace("@tmp", re.escape(ctx["tmp"]))
            out.append(line)
            patterns.append((True, (regex + nl).encode("utf-8", "surrogateescape")))
            continue
        piece = body.replace("@tmp", ctx["tmp"]) + nl
        out.append(piece)
        patterns.append((False, piece.encode("utf-8", "surrogateescape")))
    data = "".join(out).encode("utf-8", "surrogateescape")
    return Expected(data, patterns if has_regex else None)


def expected_from_section(section, ctx, base):
    kind = section.kind
    if kind == base:
        return expected_from_text(section.content, ctx)
    if kind == base + "-nonl":
        text = section.content
        if not text.endswith("\n"):
            raise CaseError(f"{section.where()}: content must end with a line")
        return expected_from_text(text[:-1], ctx)
    if kind == base + "-python":
        return Expected(as_bytes(evaluate(section.content, ctx, section.where()), section.where()))
    if base == "expect-file" and kind == "expect-hexfile":
        return Expected(parse_hex(section))
    raise CaseError(f"{section.where()}: unknown kind")


def parse_hex(section):
    digits = []
    for line in section.lines:
        digits.append(line.split("#", 1)[0])
    text = "".join("".join(digits).split())
    try:
        return bytes.fromhex(text)
    except ValueError as e:
        raise CaseError(f"{section.where()}: bad hex: {e}")


# ---- Building the case directory -------------------------------------------------------------------

def safe_path(root, name, section):
    if not name or os.path.isabs(name) or ".." in name.split("/"):
        raise CaseError(f"{section.where()}: file names must be relative and stay inside the case directory")
    return os.path.join(root, name)


def write_file(root, name, data, section):
    path = safe_path(root, name, section)
    os.makedirs(os.path.dirname(path) or root, exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def input_text(section, ctx):
    return section.content.replace("@tmp", ctx["tmp"]).encode("utf-8", "surrogateescape")


class Case:
    def __init__(self, path, sections, ctx):
        self.path = path
        self.sections = sections
        self.ctx = ctx
        self.args = []
        self.env = {k: os.environ[k] for k in KEPT_ENV if k in os.environ}
        self.cwd = ""
        self.timeout = DEFAULT_TIMEOUT
        self.stdout = None
        self.stderr = None
        self.status = 0
        self.files = []     # (name, Expected, section)
        self.absent = []
        self.skip = None
        self.setup = []     # deferred actions, run in case order after the files exist

    def build(self):
        root = self.ctx["tmp"]
        seen = set()
        for s in self.sections:
            k = s.kind
            if k in ("stdout", "stderr", "status", "cwd", "timeout"):
                if k in seen:
                    raise CaseError(f"{s.where()}: given twice")
                seen.add(k)
            if k == "about":
                continue
            elif k == "args":
                try:
                    self.args += [a.replace("@tmp", root) for a in shlex.split(s.content)]
                except ValueError as e:
                    raise CaseError(f"{s.where()}: {e}")
            elif k == "args-python":
                value = evaluate(s.content, self.ctx, s.where())
                if not isinstance(value, (list, tuple)) or not all(isinstance(a, (str, bytes)) for a in value):
                    raise CaseError(f"{s.where()}: must give a list of str or bytes")
                self.args += list(value)
            elif k == "env":
                self.env[need_arg(s)[0]] = one_line(s).replace("@tmp", root)
            elif k == "env-python":
                value = evaluate(s.content, self.ctx, s.where())
                if not isinstance(value, str):
                    raise CaseError(f"{s.where()}: must give a str")
                self.env[need_arg(s)[0]] = value
            elif k == "file":
                write_file(root, need_arg(s)[0], input_text(s, self.ctx), s)
            elif k == "file-nonl":
                data = input_text(s, self.ctx)
                if not data.endswith(b"\n"):
                    raise CaseError(f"{s.where()}: content must end with a line")
                write_file(root, need_arg(s)[0], data[:-1], s)
            elif k == "asm":
                # A compiled rule file made from an assembler listing by the mvasm tool.
                name = need_arg(s)[0]
                if not self.ctx.get("asm"):
                    raise CaseError(f"{s.where()}: no --asm tool given to the runner")
                listing = safe_path(root, name + ".asm-listing", s)
                with open(listing, "wb") as f:
                    f.write(input_text(s, self.ctx))
                made = subprocess.run([self.ctx["asm"], listing, safe_path(root, name, s)],
                                      stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
                os.unlink(listing)
                if made.returncode != 0:
                    raise CaseError(f"{s.where()}: mvasm failed: {made.stdout.decode(errors='replace').strip()}")
            elif k == "hexfile":
                write_file(root, need_arg(s)[0], parse_hex(s), s)
            elif k == "pyfile":
                write_file(root, need_arg(s)[0], as_bytes(evaluate(s.content, self.ctx, s.where()), s.where()), s)
            elif k == "mkdir":
                no_content(s)
                os.makedirs(safe_path(root, need_arg(s)[0], s), exist_ok=True)
            elif k == "symlink":
                no_content(s)
                name, target = need_arg(s, 2)
                path = safe_path(root, name, s)
                os.makedirs(os.path.dirname(path) or root, exist_ok=True)
                os.symlink(target, path)
            elif k == "chmod":
                no_content(s)
                mode, name = need_arg(s, 2)
                try:
                    bits = int(mode, 8)
                except ValueError:
                    raise CaseError(f"{s.where()}: mode must be octal")
                self.setup.append(lambda p=safe_path(root, name, s), b=bits: os.chmod(p, b))
            elif k == "mtime":
                no_content(s)
                seconds, name = need_arg(s, 2)
                try:
                    t = int(seconds)
                except ValueError:
                    raise CaseError(f"{s.where()}: seconds must be an integer")
                self.setup.insert(0, lambda p=safe_path(root, name, s), t=t: os.utime(p, (t, t)))
            elif k == "cwd":
                self.cwd = one_line(s).strip()
                safe_path(root, self.cwd, s)
            elif k == "timeout":
                self.timeout = float(one_line(s))
            elif k == "require":
                no_content(s)
                what = need_arg(s)[0]
                if what == "non-root":
                    if os.geteuid() == 0:
                        self.skip = "runs as root, where file permissions do not stop reading"
                else:
                    raise CaseError(f"{s.where()}: unknown requirement '{what}'")
            elif k.startswith("stdout"):
                self.stdout = (expected_from_section(s, self.ctx, "stdout"), s)
            elif k.startswith("stderr"):
                self.stderr = (expected_from_section(s, self.ctx, "stderr"), s)
            elif k == "status":
                try:
                    self.status = int(one_line(s).strip())
                except ValueError:
                    raise CaseError(f"{s.where()}: status must be an integer")
            elif k in ("expect-file", "expect-file-nonl", "expect-file-python", "expect-hexfile"):
                self.files.append((need_arg(s)[0], expected_from_section(s, self.ctx, "expect-file"), s))
            elif k == "absent":
                no_content(s)
                self.absent.append(need_arg(s)[0])
            else:
                raise CaseError(f"{s.where()}: unknown section kind '{k}'")
        if self.stderr is None:
            raise CaseError("every case gives its expected '=== stderr' (it always holds at least the banner)")
        if self.stdout is None:
            self.stdout = (Expected(b""), None)
        for action in self.setup:
            action()


# ---- Reporting ------------------------------------------------------------------------------------

MAX_SHOWN = 300


def visible(line):
    """One line of output made readable: control and non-ASCII bytes as escapes."""
    body = line[:-1] if line.endswith(b"\n") else line
    out = []
    for b in body:
        if b == 9:
            out.append("\t")
        elif 32 <= b < 127:
            out.append(chr(b))
        else:
            out.append(f"\\x{b:02x}")
    s = "".join(out)
    if len(s) > MAX_SHOWN:
        s = s[:MAX_SHOWN] + f"...[{len(s) - MAX_SHOWN} more characters]"
    if not line.endswith(b"\n"):
        s += "  <-- no newline at end"
    return s


def show_diff(label, expected, actual):
    exp = [visible(x) for x in split_bytes_lines(expected.display)]
    act = [visible(x) for x in split_bytes_lines(actual)]
    print(f"--- {label} differs:")
    for line in difflib.unified_diff(exp, act, f"expected {label}", f"actual {label}", lineterm="", n=3):
        print(line)
    if exp == act:
        print("(the lines look alike; the difference is in bytes the display escapes)")


def describe_status(code):
    if code < 0:
        try:
            return f"killed by signal {signal.Signals(-code).name}"
        except ValueError:
            return f"killed by signal {-code}"
    return str(code)


# ---- Updating a case ------------------------------------------------------------------------------

def is_plain_text(data):
    try:
        text = data.decode("utf-8")
    except UnicodeDecodeError:
        return False
    return all(c in "\n\t" or (c.isprintable() and c != "\r") for c in text)


def render_section(kind_base, arg, data, ctx):
    """Section text (header and content) holding the given actual bytes."""
    head = f"=== {{}}{' ' + arg if arg else ''}\n"
    if is_plain_text(data):
        text = data.decode("utf-8")
        tmp = ctx["tmp"]
        text = text.replace(tmp, "@tmp")
        block = ctx["banner_block"]
        lines = []
        if kind_base in ("stderr", "stdout") and text.startswith(block):
            lines.append("@banner\n")
            text = text[len(block):]
        nonl = bool(text) and not text.endswith("\n")
        body = split_lines(text)
        lines += [escape(x) for x in body]
        if nonl:
            lines[-1] += "\n"
            return head.format(kind_base + "-nonl") + "".join(lines)
        return head.format(kind_base) + "".join(lines)
    expr = repr(data)
    if kind_base in ("stderr", "stdout") and data.startswith(ctx["banner_block"].encode()):
        expr = "banner + " + repr(data[len(ctx["banner_block"]):])
    return head.format(kind_base + "-python") + expr + "\n"


def update_case(path, text, sections, case, result, ctx):
    replacements = {}   # section index -> new text, or None to keep
    appended = []
    by_id = {id(s): i for i, s in enumerate(sections)}
    out, err, code, files = result

    def replace(section, kind_base, arg, data):
        new = render_section(kind_base, arg, data, ctx)
        if section is None:
            appended.append(new)
        else:
            replacements[by_id[id(section)]] = new

    exp, sec = case.stdout
    if not exp.matches(out):
        replace(sec, "stdout", "", out)
    exp, sec = case.stderr
    if not exp.matches(err):
        replace(sec, "stderr", "", err)
    status_section = next((s for s in sections if s.kind == "status"), None)
    if code != case.status:
        new = f"=== status\n{code}\n"
        if status_section is None:
            appended.append(new)
        else:
            replacements[by_id[id(status_section)]] = new
    for name, exp, sec in case.files:
        data = files.get(name)
        if data is not None and not exp.matches(data):
            replace(sec, "expect-file", name, data)

    lines = split_lines(text)
    out_text = []
    starts = [s.lineno - 1 for s in sections] + [len(lines)]
    out_text.append("".join(lines[:starts[0]]))
    for i, s in enumerate(sections):
        chunk = "".join(lines[starts[i]:starts[i + 1]])
        if i in replacements:
            chunk = replacements[i]
        out_text.append(chunk)
    for new in appended:
        if out_text and not out_text[-1].endswith("\n"):
            out_text.append("\n")
        out_text.append(new)
    with open(path, "wb") as f:
        f.write("".join(out_text).encode("utf-8", "surrogateescape"))
    print(f"updated {path}: check every changed golden by hand")


# ---- Main -------------------------------------------------------------------------------------------

def remove_tree(root):
    def unlock(func, path, _exc):
        try:
            os.chmod(path, stat.S_IRWXU)
            func(path)
        except OSError:
            pass
    for dirpath, dirnames, _ in os.walk(root):
        for d in dirnames:
            try:
                os.chmod(os.path.join(dirpath, d), stat.S_IRWXU)
            except OSError:
                pass
    if sys.version_info >= (3, 12):
        shutil.rmtree(root, onexc=unlock)
    else:
        shutil.rmtree(root, onerror=unlock)


def run(args):
    binary = os.path.abspath(args.binary)
    if not os.access(binary, os.X_OK):
        print(f"binary not found or not executable: {binary}")
        return 2
    banner, notice = read_banner()
    tmp = os.path.realpath(tempfile.mkdtemp(prefix="mv-e2e-"))
    ctx = {"tmp": tmp, "banner": banner, "banner_block": f"\n{banner}\n{notice}\n",
           "asm": os.path.abspath(args.asm) if args.asm else None}
    try:
        text, sections = parse_case(args.case)
        case = Case(args.case, sections, ctx)
        case.build()
        if case.skip:
            print(f"SKIP: {case.skip}")
            return SKIP
        cwd = os.path.join(tmp, case.cwd) if case.cwd else tmp
        # A session of its own, so that a timeout ends the binary and anything it started.
        proc = subprocess.Popen([binary] + case.args, cwd=cwd, env=case.env, stdin=subprocess.DEVNULL,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE, start_new_session=True)
        try:
            out, err = proc.communicate(timeout=case.timeout)
        except subprocess.TimeoutExpired:
            os.killpg(proc.pid, signal.SIGKILL)
            out, err = proc.communicate()
            print(f"FAIL: the run did not end within {case.timeout:g} s")
            show_diff("stderr", case.stderr[0], err)
            return 1
        code = proc.returncode

        failures = []
        for marker in SANITIZER_MARKERS:
            if marker in err or marker in out:
                failures.append(f"sanitizer report found ('{marker.decode()}')")
        if code < 0:
            failures.append(f"the binary crashed: {describe_status(code)}")
        files = {}
        for name, _, _ in case.files:
            path = os.path.join(tmp, name)
            if os.path.isfile(path):
                with open(path, "rb") as f:
                    files[name] = f.read()

        if args.update:
            update_case(args.case, text, sections, case, (out, err, code, files), ctx)
            sys.stdout.write("actual stderr:\n")
            sys.stdout.write("\n".join(visible(x) for x in split_bytes_lines(err)) + "\n")
            return 1 if failures else 0

        ok = not failures
        if not case.stdout[0].matches(out):
            show_diff("stdout", case.stdout[0], out)
            ok = False
        if not case.stderr[0].matches(err):
            show_diff("stderr", case.stderr[0], err)
            ok = False
        if code != case.status:
            print(f"--- exit status differs: expected {case.status}, actual {describe_status(code)}")
            ok = False
        for name, exp, _ in case.files:
            if name not in files:
                print(f"--- file {name} was not written")
                ok = False
            elif not exp.matches(files[name]):
                show_diff(f"file {name}", exp, files[name])
                ok = False
        for name in case.absent:
            if os.path.lexists(os.path.join(tmp, name)):
                print(f"--- file {name} exists but must not")
                ok = False
        for f in failures:
            print(f"FAIL: {f}")
        if not ok:
            print(f"command: (cd {shlex.quote(cwd)} && {shlex.quote(binary)} "
                  f"{' '.join(shlex.quote(a if isinstance(a, str) else a.decode('latin-1'))[:200] for a in case.args)})")
            if args.keep:
                print(f"case directory kept: {tmp}")
            return 1
        return 0
    finally:
        if not args.keep:
            remove_tree(tmp)


def main():
    p = argparse.ArgumentParser(description="Run one morvane end-to-end case.")
    p.add_argument("--binary", required=True, help="the morvane binary under test")
    p.add_argument("--asm", help="the mvasm tool that turns assembler listings into compiled rule files")
    p.add_argument("--update", action="store_true",
                   help="rewrite the mismatching expected sections with the actual output (an aid only)")
    p.add_argument("--keep", action="store_true", help="keep the case directory after a failure")
    p.add_argument("case", help="the .case file")
    args = p.parse_args()
    try:
        return run(args)
    except CaseError as e:
        print(f"{args.case}: broken case: {e}")
        return 2


if __name__ == "__main__":
    sys.exit(main())
