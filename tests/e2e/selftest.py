#!/usr/bin/env python3
"""Checks that run_case.py passes and fails cases as it should.

Each check runs the runner on a small case against a fake binary (a shell
script), so a harness that passed everything, or compared too loosely, is caught
independently of morvane itself.
"""

import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import run_case  # noqa: E402

BANNER, NOTICE = run_case.read_banner()
# Every fake binary starts like the real one: an empty line, banner and notice on stderr.
PROLOGUE = f"#!/bin/sh\nprintf '\\n%s\\n%s\\n' '{BANNER}' '{NOTICE}' >&2\n"


def run(work, script, case, *extra):
    fake = os.path.join(work, "fake")
    with open(fake, "w") as f:
        f.write(PROLOGUE + script)
    os.chmod(fake, 0o755)
    path = os.path.join(work, "t.case")
    with open(path, "wb") as f:
        f.write(case.encode("utf-8", "surrogateescape") if isinstance(case, str) else case)
    p = subprocess.run([sys.executable, os.path.join(HERE, "run_case.py"), "--binary", fake, *extra, path],
                       stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    return p.returncode, p.stdout, path


CHECKS = [
    # name, fake script body, case text, expected runner status, text the report must contain
    ("plain pass", "echo hello >&2\n", "=== stderr\n@banner\nhello\n", 0, ""),
    ("stderr differs", "echo hello >&2\n", "=== stderr\n@banner\nhullo\n", 1, "stderr differs"),
    ("stderr extra newline", "echo hello >&2\n", "=== stderr\n@banner\nhello\n\n", 1, "stderr differs"),
    ("stdout defaults to empty", "echo out\n", "=== stderr\n@banner\n", 1, "stdout differs"),
    ("status defaults to 0", "exit 3\n", "=== stderr\n@banner\n", 1, "exit status differs: expected 0, actual 3"),
    ("status given", "exit 3\n", "=== stderr\n@banner\n=== status\n3\n", 0, ""),
    ("stderr is required", "", "=== status\n0\n", 2, "stderr"),
    ("unknown section", "", "=== stderr\n@banner\n=== bogus\n", 2, "unknown section"),
    ("no final newline", "printf 'x' >&2\n", "=== stderr-nonl\n@banner\nx\n", 0, ""),
    ("final newline missing", "printf 'x' >&2\n", "=== stderr\n@banner\nx\n", 1, "no newline at end"),
    ("python expectation", "printf 'a\\001b' >&2\n", "=== stderr-python\nbanner + b'a\\x01b'\n", 0, ""),
    ("tmp placeholder", "pwd >&2\n", "=== stderr\n@banner\n@tmp\n", 0, ""),
    ("cwd subdirectory", "pwd >&2\n", "=== mkdir sub\n=== cwd\nsub\n=== stderr\n@banner\n@tmp/sub\n", 0, ""),
    ("regex line", "echo 'Line 42 here' >&2\n", "=== stderr\n@banner\n@match Line \\d+ here\n", 0, ""),
    ("regex line fails", "echo 'Line x here' >&2\n", "=== stderr\n@banner\n@match Line \\d+ here\n", 1, "stderr differs"),
    ("regex counts lines", "echo 'Line 4' >&2; echo more >&2\n", "=== stderr\n@banner\n@match Line \\d+\n", 1,
     "stderr differs"),
    ("sanitizer report fails", "echo '==1==ERROR: AddressSanitizer: heap' >&2\n",
     "=== stderr\n@banner\n==1==ERROR: AddressSanitizer: heap\n", 1, "sanitizer report"),
    ("ubsan report fails", "echo 'x.cpp:1:2: runtime error: overflow' >&2\n",
     "=== stderr\n@banner\nx.cpp:1:2: runtime error: overflow\n", 1, "sanitizer report"),
    ("crash is reported", "kill -SEGV $$\n", "=== stderr\n@banner\n", 1, "crashed"),
    ("timeout", "sleep 5\n", "=== timeout\n0.5\n=== stderr\n@banner\n", 1, "did not end"),
    ("environment cleaned", "echo \"${MVRULES-unset} ${INCLUDE-unset} ${MVEXCLUDE-unset}\" >&2\n",
     "=== stderr\n@banner\nunset unset unset\n", 0, ""),
    ("environment set by case", "echo \"[$MVRULES] [$INCLUDE]\" >&2\n",
     "=== env MVRULES\n@tmp/r\n=== env INCLUDE\n\n=== stderr\n@banner\n[@tmp/r] []\n", 0, ""),
    ("arguments", "for a in \"$@\"; do echo \"<$a>\" >&2; done\n",
     "=== args\n-a 'b c' \"d\"\n=== args-python\n['x' * 3]\n=== stderr\n@banner\n<-a>\n<b c>\n<d>\n<xxx>\n", 0, ""),
    ("input files", "od -An -c a b c d/e >&2\n",
     "=== file a\nA\n=== file-nonl b\nB\n=== hexfile c\n43 0d # C and CR\n=== pyfile d/e\nb'\\x1e'\n"
     "=== stderr\n@banner\n   A  \\n   B   C  \\r 036\n", 0, ""),
    ("escaped section line", "echo '=== x' >&2\n", "=== stderr\n@banner\n\\=== x\n", 0, ""),
    ("expected file", "echo data > out.txt\n", "=== stderr\n@banner\n=== expect-file out.txt\ndata\n", 0, ""),
    ("expected file differs", "echo date > out.txt\n", "=== stderr\n@banner\n=== expect-file out.txt\ndata\n", 1,
     "file out.txt differs"),
    ("expected file missing", "", "=== stderr\n@banner\n=== expect-file out.txt\ndata\n", 1, "not written"),
    ("absent file present", "touch x.lst\n", "=== stderr\n@banner\n=== absent x.lst\n", 1, "must not"),
    ("absent file absent", "", "=== stderr\n@banner\n=== absent x.lst\n", 0, ""),
    ("bytes compared exactly", "printf 'a\\r\\n' >&2\n", "=== stderr\n@banner\na\n", 1, "stderr differs"),
]


def main():
    os.environ["MVRULES"] = "/should/not/leak"
    os.environ["INCLUDE"] = "/should/not/leak"
    failures = 0
    with tempfile.TemporaryDirectory(prefix="mv-e2e-self-") as work:
        for name, script, case, want_rc, want_text in CHECKS:
            rc, report, _ = run(work, script, case)
            if rc != want_rc or want_text not in report:
                failures += 1
                print(f"FAIL {name}: runner status {rc} (wanted {want_rc}), report:\n{report}")
        # --update writes the actual output back, after which the case passes.
        rc, report, path = run(work, "echo new >&2\nexit 2\n", "=== about\nkept\n=== stderr\n@banner\nold\n", "--update")
        with open(path) as f:
            updated = f.read()
        rc2, report2, _ = run(work, "echo new >&2\nexit 2\n", updated)
        if rc != 0 or rc2 != 0 or "=== about\nkept\n" not in updated or "@banner\nnew\n" not in updated:
            failures += 1
            print(f"FAIL update: {rc}/{rc2}\n{updated}\n{report}\n{report2}")
    if failures:
        print(f"{failures} harness check(s) failed")
        return 1
    print(f"all {len(CHECKS) + 1} harness checks passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
