#!/usr/bin/env python3
"""The release's files: README.txt from the user part of README.md (plain text that Notepad
shows well, also the Notepad of older Windows 10: a UTF-8 byte-order mark, CR LF line ends, no
pictures, no Markdown marks), and the zip of the program and
README.txt with fixed entry order, times and permissions, so that the same input gives the same
bytes."""
import argparse
import re
import sys
import time
import zipfile

# The user part of the README ends where the developers' part begins.
DEVELOPER_HEADING = "## For developers"


def readme_text(markdown: str) -> str:
    user = markdown.split("\n" + DEVELOPER_HEADING, 1)[0]
    lines = []
    for line in user.splitlines():
        if re.match(r"^\s*!\[.*\]\(.*\)\s*$", line):
            continue  # a picture
        heading = re.match(r"^(#+)\s+(.*)$", line)
        if heading:
            title = heading.group(2).strip()
            lines.append(title)
            lines.append(("=" if len(heading.group(1)) == 1 else "-") * len(title))
            continue
        line = re.sub(r"!\[([^\]]*)\]\([^)]*\)", r"\1", line)
        line = re.sub(r"\[([^\]]+)\]\(([^)]+)\)", r"\1 (\2)", line)
        line = re.sub(r"\*\*([^*]+)\*\*", r"\1", line)
        line = line.replace("`", "")
        line = line.rstrip()
        if not line and lines and not lines[-1]:
            continue  # one empty line at a time, also where a picture was
        lines.append(line)
    while lines and not lines[-1]:
        lines.pop()
    return "\r\n".join(lines) + "\r\n"


def write_zip(path: str, entries, epoch: int) -> None:
    # Zip times are local date and time fields from 1980 on; the commit's UTC time is used as is.
    stamp = time.gmtime(max(epoch, 315532800))[:6]
    with zipfile.ZipFile(path, "w") as z:
        for name, data in entries:
            info = zipfile.ZipInfo(name, date_time=stamp)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 0  # MS-DOS: no Unix owner or permission bits
            info.external_attr = 0x20  # the archive attribute
            z.writestr(info, data, compresslevel=9)


def main() -> int:
    parser = argparse.ArgumentParser()
    parser.add_argument("--readme", required=True)
    parser.add_argument("--exe", required=True)
    parser.add_argument("--zip", required=True)
    parser.add_argument("--epoch", type=int, required=True)
    parser.add_argument("--text-only", action="store_true", help="print README.txt and stop")
    args = parser.parse_args()
    with open(args.readme, encoding="utf-8") as f:
        text = readme_text(f.read())
    if args.text_only:
        sys.stdout.write(text)
        return 0
    with open(args.exe, "rb") as f:
        exe = f.read()
    write_zip(args.zip, [("zivavavazezire.exe", exe), ("README.txt", text.encode("utf-8-sig"))],
              args.epoch)
    return 0


if __name__ == "__main__":
    sys.exit(main())
