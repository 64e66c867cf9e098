#!/usr/bin/env python3
"""Writes the release archive and its checksum file, the same bytes from the same sources.

usage: make_archive.py SOURCE_DIR ARCHIVE FILE...

The FILEs go to the top of ARCHIVE in the order given; ARCHIVE.sha256 beside it is read by
`sha256sum -c` in that folder. Nothing of the machine, the user or the moment reaches the archive:
each entry carries the same time (SOURCE_DATE_EPOCH when set, else the time of the commit checked
out in SOURCE_DIR, else 1980-01-01), Unix permissions 644 (755 for .exe) and no owner.
"""
import hashlib
import os
import subprocess
import sys
import time
import zipfile

# The earliest time a zip entry can hold; also the time when there is no commit to take one from.
EARLIEST = 315532800  # 1980-01-01 00:00:00 UTC


def entry_time(source_dir):
    """Seconds since 1970 for every entry."""
    epoch = os.environ.get("SOURCE_DATE_EPOCH")
    if epoch is not None:
        if not epoch.isdigit():
            sys.exit(f"make_archive: SOURCE_DATE_EPOCH is not a number of seconds: {epoch!r}")
        return int(epoch)
    # Sources unpacked without their repository have no commit, even inside another repository.
    if not os.path.exists(os.path.join(source_dir, ".git")):
        print("make_archive: no repository; entries dated 1980-01-01", file=sys.stderr)
        return EARLIEST
    try:
        commit = subprocess.run(["git", "-C", source_dir, "log", "-1", "--format=%ct"],
                                capture_output=True, text=True, check=True)
        return int(commit.stdout.strip())
    except (OSError, subprocess.CalledProcessError, ValueError):
        print("make_archive: no commit time from git; entries dated 1980-01-01", file=sys.stderr)
        return EARLIEST


def main():
    if len(sys.argv) < 4:
        sys.exit(__doc__.split("\n\n")[1])
    source_dir, archive = sys.argv[1], sys.argv[2]
    files = sys.argv[3:]

    seconds = max(entry_time(source_dir), EARLIEST)
    # Zip times have no time zone: UTC, so the builder's zone does not matter.
    date_time = time.gmtime(seconds)[:6]

    partial = archive + ".partial"
    with zipfile.ZipFile(partial, "w") as zip_file:
        for path in files:
            info = zipfile.ZipInfo(os.path.basename(path), date_time)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 3  # Unix, so the permissions below mean what they say
            mode = 0o755 if path.lower().endswith(".exe") else 0o644
            info.external_attr = (0o100000 | mode) << 16  # a regular file
            with open(path, "rb") as f:
                zip_file.writestr(info, f.read(), compresslevel=9)
    os.replace(partial, archive)

    with open(archive, "rb") as f:
        digest = hashlib.sha256(f.read()).hexdigest()
    with open(archive + ".sha256", "w", newline="\n") as f:
        f.write(f"{digest}  {os.path.basename(archive)}\n")
    print(f"{archive}\n{archive}.sha256")


if __name__ == "__main__":
    main()
