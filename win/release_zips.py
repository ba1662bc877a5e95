#!/usr/bin/env python3
"""The players' zips, the same bytes from every build of a commit, and their checksums.

  release_zips.py write --commit-file F --sums SUMS ZIP...
      Rewrites each ZIP (as CPack made it) with its entries in order of name, each dated at the
      commit's time (TW_COMMIT_TIME in F, UTC), with the permissions rw-r--r--, no extra fields
      and the same compression; then writes SUMS: the SHA-256 of each zip, then of each file
      inside them, one "<hash>  <name>" line each, as sha256sum writes and checks them.
  release_zips.py check --commit-file F --sums SUMS ZIP...
      Fails, saying why, unless each ZIP is written that way and SUMS lists exactly the zips and
      the files inside them, each with the hash of its bytes.

CPack cannot do this itself: its zips carry each file's times, owner and permissions as the
build left them. A file of the same name in two zips must be the same file.
"""
import argparse
import hashlib
import io
import os
import re
import sys
import time
import zipfile

MODE = 0o100644  # a regular file, rw-r--r--
ZIP_EPOCH = 315532800  # 1980-01-01 00:00:00 UTC, the earliest time a zip entry can carry


def commit_time(path):
    with open(path, encoding="utf-8") as f:
        found = re.search(r"^set\(TW_COMMIT_TIME (\d+)\)$", f.read(), re.M)
    if not found:
        sys.exit(f"{path}: no TW_COMMIT_TIME")
    return max(int(found.group(1)), ZIP_EPOCH)


def date_time(epoch):
    # DOS times have no zone and count seconds in twos: UTC, rounded down to an even second.
    t = time.gmtime(epoch - epoch % 2)
    return (t.tm_year, t.tm_mon, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec)


def entry(name, when):
    info = zipfile.ZipInfo(name, date_time=when)
    info.compress_type = zipfile.ZIP_DEFLATED
    info.create_system = 3  # Unix, so that external_attr holds the mode
    info.external_attr = MODE << 16
    return info


def read_entries(path):
    with zipfile.ZipFile(path) as z:
        return {i.filename: z.read(i) for i in z.infolist()}


def rewrite(path, when):
    files = read_entries(path)
    out = io.BytesIO()
    with zipfile.ZipFile(out, "w") as z:
        for name in sorted(files):
            if name.endswith("/"):
                sys.exit(f"{path}: a folder entry {name}; the files belong at the top")
            z.writestr(entry(name, when), files[name], compresslevel=9)
    with open(path + ".tmp", "wb") as f:
        f.write(out.getvalue())
    os.replace(path + ".tmp", path)
    return files


def sha256(data):
    return hashlib.sha256(data).hexdigest()


def sums_text(zips):
    """The checksums file for zips, a list of (zip name, zip bytes, {entry name: bytes})."""
    lines, inside = [], {}
    for name, data, files in sorted(zips, key=lambda z: z[0]):
        lines.append(f"{sha256(data)}  {name}\n")
        for entry_name, content in files.items():
            if inside.setdefault(entry_name, content) != content:
                sys.exit(f"{entry_name} differs between the zips; one name, one file")
    lines += [f"{sha256(inside[n])}  {n}\n" for n in sorted(inside)]
    return "".join(lines)


def base(path):
    return path.replace("\\", "/").rsplit("/", 1)[-1]


def write(args):
    when = date_time(commit_time(args.commit_file))
    zips = []
    for path in args.zips:
        files = rewrite(path, when)
        with open(path, "rb") as f:
            zips.append((base(path), f.read(), files))
    with open(args.sums, "w", encoding="ascii", newline="\n") as f:
        f.write(sums_text(zips))


def check(args):
    when = date_time(commit_time(args.commit_file))
    problems, zips = [], []
    for path in args.zips:
        with open(path, "rb") as f:
            data = f.read()
        with zipfile.ZipFile(io.BytesIO(data)) as z:
            infos = z.infolist()
            names = [i.filename for i in infos]
            if names != sorted(names):
                problems.append(f"{path}: entries not in order of name: {names}")
            for i in infos:
                want = entry(i.filename, when)
                for field in ("date_time", "compress_type", "create_system", "external_attr", "extra", "comment"):
                    if getattr(i, field) != getattr(want, field):
                        problems.append(f"{path}: {i.filename}: {field} is {getattr(i, field)!r}, "
                                        f"not {getattr(want, field)!r}")
            if z.comment:
                problems.append(f"{path}: an archive comment {z.comment!r}")
            zips.append((base(path), data, {i.filename: z.read(i) for i in infos}))
    with open(args.sums, encoding="ascii", newline="") as f:
        listed = f.read()
    expected = sums_text(zips)
    if listed != expected:
        problems.append(f"{args.sums} does not list exactly the zips and their files with their hashes:\n"
                        f"--- it holds\n{listed}--- expected\n{expected}")
    for p in problems:
        print(p)
    if problems:
        sys.exit(1)
    print(f"{len(zips)} zips as written for {when}, and {args.sums} lists each with what it holds:")
    print(listed, end="")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("action", choices=["write", "check"])
    parser.add_argument("--commit-file", required=True)
    parser.add_argument("--sums", required=True)
    parser.add_argument("zips", nargs="+")
    args = parser.parse_args()
    (write if args.action == "write" else check)(args)


if __name__ == "__main__":
    main()
