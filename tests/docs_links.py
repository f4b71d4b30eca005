#!/usr/bin/python3
"""Every relative link in README.md and docs/*.md leads somewhere: the file or folder
is there, and a #fragment names a heading (as GitHub makes its anchor) or an <a id>
of the Markdown file it points into. Links in code and in HTML comments are not links.

    docs_links.py [ROOT]     ROOT: the source tree (default: this file's ../)

Prints one line per broken link; exit code 0 when there is none, 1 otherwise.
"""

import glob
import os
import re
import sys

LINK = re.compile(r"!?\[[^\]]*\]\(([^)\s]+)(?:\s+\"[^\"]*\")?\)")


def prose(text):
    """TEXT without fenced code, code spans and HTML comments."""
    text = re.sub(r"<!--.*?-->", "", text, flags=re.S)
    text = re.sub(r"^```.*?^```", "", text, flags=re.S | re.M)
    return re.sub(r"`[^`\n]*`", "", text)


def anchors(path):
    """The anchors of a Markdown file: its headings' GitHub slugs and its <a id>s."""
    with open(path, encoding="utf-8") as f:
        text = prose(f.read())
    found, seen = set(), {}
    for heading in re.findall(r"^#{1,6}\s+(.*?)\s*#*\s*$", text, flags=re.M):
        slug = re.sub(r"[^\w\- ]", "", heading.lower()).replace(" ", "-")
        count = seen.get(slug, 0)
        seen[slug] = count + 1
        found.add(slug if count == 0 else f"{slug}-{count}")
    found.update(re.findall(r"<a\s+(?:id|name)=\"([^\"]+)\"", text))
    return found


def main():
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), ".."))
    broken = 0
    for page in [os.path.join(root, "README.md")] + sorted(glob.glob(os.path.join(root, "docs", "*.md"))):
        with open(page, encoding="utf-8") as f:
            text = prose(f.read())
        for target in LINK.findall(text):
            if re.match(r"[a-z][a-z0-9+.-]*:", target):
                continue  # http:, mailto:, ...
            path, _, fragment = target.partition("#")
            where = os.path.normpath(os.path.join(os.path.dirname(page), path)) if path else page
            problem = None
            if not os.path.exists(where):
                problem = "no such file"
            elif fragment and where.endswith(".md") and fragment not in anchors(where):
                problem = f"no heading #{fragment} in {os.path.relpath(where, root)}"
            if problem:
                broken += 1
                print(f"{os.path.relpath(page, root)}: ({target}): {problem}")
    return 1 if broken else 0


if __name__ == "__main__":
    sys.exit(main())
