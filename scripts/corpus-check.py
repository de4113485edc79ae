#!/usr/bin/env python3
"""Reads the per-file results of ppd_check, works out independently from each PPD file the
values its main keywords must have, and prints the summary of scripts/corpus-check.

usage: corpus-check.py LIST RESULTS FAILURES SECONDS
       corpus-check.py --run PPD_CHECK PPD...   (runs ppd_check itself; used by a CTest test)
  LIST      the PPD files, one path a line
  RESULTS   ppd_check output (tab-separated: path, valid, errors, six keywords, ms)
  FAILURES  one line per file whose check crashed or made a sanitizer report: path TAB reason
  SECONDS   wall time of the whole run
Exit status 0 when every file parsed without crash, report or keyword mismatch.
"""
import collections
import os
import re
import sys

LINE_END = re.compile(rb"\r\n|\r|\n")

QUOTED = ("*ModelName", "*PCFileName", "*FormatVersion", "*FileVersion")
REST_OF_LINE = ("*LanguageVersion", "*LanguageEncoding")
ORDER = ("*ModelName", "*PCFileName", "*LanguageVersion", "*LanguageEncoding",
         "*FormatVersion", "*FileVersion")


def lines_of(data):
    """The lines the statement loop sees: CR, LF and CR LF end a line; reading stops at a
    line of 255 or more characters, at a 0xFF byte, and before a last line without an end."""
    cut = data.find(b"\xff")
    if cut >= 0:
        data = data[:cut]  # the line holding the byte is not complete: it ends the parse
    pieces = LINE_END.split(data)
    pieces.pop()  # the text after the last line end (empty, or a line without an end)
    out = []
    for line in pieces:
        if len(line) >= 255:
            break
        out.append(line)
    return out


def keyword_of(line):
    """The statement keyword: the text up to a blank, tab or colon (None when empty)."""
    end = 0
    while end < len(line) and line[end] not in b" \t:":
        end += 1
    return (line[:end].decode("latin-1") or None), line[end + 1:]


def quoted(rest, lines, index):
    """Value of a quoted main keyword and the index of the next statement line. A value that
    goes on past its line keeps only its first line; the lines up to the closing quote, or up
    to one that starts with '*', are consumed."""
    start = rest.find(b'"')
    if start < 0:
        return None, index  # no value on the line: left alone (not seen in practice)
    body = rest[start + 1:]
    close = body.find(b'"')
    if close >= 0:
        value = body[:close][:255]
        return (value.decode("latin-1") if value else None), index
    value = body[:255]
    while index < len(lines):
        line = lines[index]
        index += 1
        if not line:
            continue
        if line.startswith(b"*") or b'"' in line:
            break
    return (value.decode("latin-1") if value else None), index


def expected(path):
    try:
        with open(path, "rb") as f:
            data = f.read()
    except OSError:
        return None
    lines = lines_of(data)
    values = dict.fromkeys(ORDER)
    if not data:
        return values
    # The header test: when the file starts with a token, it must be *PPD-Adobe with "4.3".
    first_end = 0
    while first_end < len(data) and data[first_end] not in b" \t:\r\n\xff":
        first_end += 1
    if first_end > 0:
        token = data[:first_end]
        if token != b"*PPD-Adobe":
            return values
        rest = lines[0][first_end + 1:] if lines else b""
        start = rest.find(b'"')
        if start < 0 or rest[start + 1:].split(b'"')[0] != b"4.3":
            return values
    index = 0
    while index < len(lines):
        line = lines[index]
        index += 1
        key, rest = keyword_of(line)
        if key in QUOTED:
            value, index = quoted(rest, lines, index)
            if value is not None:
                values[key] = value
        elif key in REST_OF_LINE:
            value = rest.decode("latin-1").strip(" \t")
            if value:
                values[key] = value
    return values


def unescape(field):
    if field == "(null)":
        return None
    out, i = [], 0
    while i < len(field):
        if field.startswith("\\x", i) and i + 4 <= len(field):
            out.append(chr(int(field[i + 2:i + 4], 16)))
            i += 4
        else:
            out.append(field[i])
            i += 1
    return "".join(out)


def run(check, files):
    """Runs ppd_check over `files` and checks the lot like a corpus run."""
    import subprocess
    import tempfile
    import time
    with tempfile.TemporaryDirectory() as tmp:
        listing = os.path.join(tmp, "list")
        results = os.path.join(tmp, "results")
        failures = os.path.join(tmp, "failures")
        with open(listing, "w", encoding="latin-1") as f:
            f.write("".join(p + "\n" for p in files))
        start = time.time()
        with open(results, "wb") as out:
            done = subprocess.run([check, "-l", listing], stdout=out, check=False)
        with open(failures, "w", encoding="latin-1") as f:
            if done.returncode != 0:
                f.write("%s\texit %d\n" % (files[0], done.returncode))
        sys.argv = [sys.argv[0], listing, results, failures, str(time.time() - start)]
        return main()


def main():
    if len(sys.argv) >= 4 and sys.argv[1] == "--run":
        return run(sys.argv[2], sys.argv[3:])
    if len(sys.argv) != 5:
        print(__doc__, file=sys.stderr)
        return 2
    files = [l.rstrip("\n") for l in open(sys.argv[1], encoding="latin-1") if l.strip()]
    results = {}
    for line in open(sys.argv[2], encoding="latin-1"):
        cols = line.rstrip("\n").split("\t")
        if len(cols) == 10:
            results[unescape(cols[0])] = cols
    failures = {}
    for line in open(sys.argv[3], encoding="latin-1"):
        if "\t" in line:
            path, reason = line.rstrip("\n").split("\t", 1)
            failures[path] = reason
    seconds = float(sys.argv[4])

    valid = 0
    errors = collections.Counter()
    files_with = collections.Counter()
    mismatches = []
    parse_ms = 0.0
    for path in files:
        if path in failures:
            continue
        cols = results.get(path)
        if cols is None:
            failures[path] = "no result line"
            continue
        valid += cols[1] == "1"
        numbers = [] if cols[2] == "-" else [int(x) for x in cols[2].split(",")]
        errors.update(numbers)
        files_with.update(set(numbers))
        parse_ms += float(cols[9])
        want = expected(path)
        got = dict(zip(ORDER, (unescape(c) for c in cols[3:9])))
        for key in ORDER:
            if want is not None and got[key] != want[key]:
                mismatches.append((path, key, want[key], got[key]))

    print("files:        %d" % len(files))
    print("valid:        %d" % valid)
    print("not valid:    %d" % (len(files) - valid - len(failures)))
    print("crashes or sanitizer reports: %d" % len(failures))
    print("keyword mismatches: %d (in %d files)" %
          (len(mismatches), len({m[0] for m in mismatches})))
    print("errors by number (occurrences / files):")
    for number in sorted(errors):
        print("  %3d: %6d / %d" % (number, errors[number], files_with[number]))
    if not errors:
        print("  none")
    print("parse time:   %.1f ms in total (sum over files, sanitizer build)" % parse_ms)
    print("total time:   %.1f s (wall, with process start-up and checks)" % seconds)
    for path, reason in sorted(failures.items())[:50]:
        print("FAILED %s: %s" % (path, reason))
    for path, key, want, got in mismatches[:50]:
        print("MISMATCH %s %s: file says %r, parser gave %r" % (path, key, want, got))
    return 0 if not failures and not mismatches else 1


if __name__ == "__main__":
    sys.exit(main())
