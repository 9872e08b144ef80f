#!/usr/bin/env python3
"""Reads one memcheck log (run with --fullpath-after=) and sorts its definite leaks and errors
into those of our code and those of libraries. Used by valgrind-gui-test.

  valgrind_verdict.py LOG ROOT

A leak is ours when the first frame above the allocator is in a file under ROOT: our code
allocated the block and nothing freed it. A leak allocated inside a library is the library's,
even when our code is further down the stack (every allocation of a test runs under one); those
are listed with their first frames for a person to judge. Exit status 1 when our code leaked or
an error touched it.
"""

import re
import sys

ALLOCATORS = re.compile(r": (malloc|calloc|realloc|operator new(\[\])?|strdup|strndup|memalign|"
                        r"posix_memalign|aligned_alloc)[ (]")
ERRORS = re.compile(r"(Invalid|Conditional jump|Use of uninitialised|Syscall param|Mismatched|"
                    r"Source and destination|Argument)")


def blocks_of(text):
    lines = [re.sub(r"^==\d+== ?", "", line) for line in text.splitlines()]
    block = []
    for line in lines + [""]:
        if line.strip():
            block.append(line)
        elif block:
            yield block
            block = []


def main():
    log, root = sys.argv[1], sys.argv[2]
    with open(log, encoding="utf-8", errors="replace") as f:
        text = f.read()

    def ours(frame):
        return f"({root}/" in frame

    leaks_ours, leaks_under_us, leaks_elsewhere = [], [], 0
    errors_ours, errors_elsewhere = [], 0
    for block in blocks_of(text):
        head = block[0].strip()
        frames = [line.strip() for line in block if re.match(r"\s+(at|by) 0x", line)]
        if "definitely lost in loss record" in head:
            allocating = [f for f in frames if not ALLOCATORS.search(f)]
            if allocating and ours(allocating[0]):
                leaks_ours.append(block)
            elif any(ours(f) for f in frames):
                leaks_under_us.append([head] + frames[:8])
            else:
                leaks_elsewhere += 1
        elif frames and ERRORS.match(head):
            if any(ours(f) for f in frames):
                errors_ours.append(block)
            else:
                errors_elsewhere += 1

    summary = re.search(r"definitely lost: ([\d,]+) bytes in ([\d,]+) blocks", text)
    total = f"{summary.group(1)} bytes in {summary.group(2)} blocks" if summary else "0 bytes"
    print(f"  definitely lost: {total}")
    print(f"  definite leaks allocated by our code: {len(leaks_ours)}")
    print(f"  definite leaks allocated in a library called from our code: {len(leaks_under_us)}")
    print(f"  definite leaks entirely inside libraries: {leaks_elsewhere}")
    print(f"  memory errors touching our code: {len(errors_ours)}; elsewhere: {errors_elsewhere}")
    for block in leaks_ours + errors_ours:
        print("    " + "\n    ".join(block))
    for block in leaks_under_us:
        print("    (library) " + "\n      ".join(block))
    return 1 if leaks_ours or errors_ours else 0


if __name__ == "__main__":
    sys.exit(main())
