#!/usr/bin/env python3
"""The page's two build steps that put files together (cmake/web.cmake runs them):

    site_build.py worker SITE TEMPLATE
        SITE/sw.js from TEMPLATE (frontends/page/site/sw.js): the files it keeps are
        every file of SITE but itself, and its cache is named by their digest, so that
        any change of any file is a new build.
    site_build.py single SITE SCRIPT OUT
        OUT (dreieck.html), the page SITE/index.html in one file: its scripts inside it,
        SCRIPT (the program linked with -sSINGLE_FILE, the WebAssembly inside) in place of
        dreieck.js, and the font as a data: address; without the manifest, which a page
        opened from a file cannot have.

Each output is written whole or not at all (a temporary file renamed into place). A
missing input or a page that is not as expected ends with one line and exit code 1;
wrong usage with exit code 2.
"""

import base64
import hashlib
import json
import os
import re
import sys
import tempfile


class Failed(Exception):
    pass


def write_whole(path, data):
    folder = os.path.dirname(os.path.abspath(path))
    handle, temporary = tempfile.mkstemp(prefix="." + os.path.basename(path) + ".", dir=folder)
    try:
        with os.fdopen(handle, "wb") as f:
            f.write(data)
            f.flush()
            os.fsync(f.fileno())
        os.chmod(temporary, 0o644)
        os.replace(temporary, path)
    except BaseException:
        os.unlink(temporary)
        raise


def read(path, mode="rb"):
    try:
        with open(path, mode) as f:
            return f.read()
    except OSError as e:
        raise Failed(f"cannot read {path}: {e.strerror}") from None


def site_files(site):
    """The site's files as paths relative to it, '/'-separated, sorted; not sw.js."""
    found = []
    for folder, folders, names in os.walk(site):
        folders[:] = sorted(d for d in folders if not d.startswith("."))
        for name in names:
            relative = os.path.relpath(os.path.join(folder, name), site).replace(os.sep, "/")
            if relative != "sw.js" and not name.startswith("."):
                found.append(relative)
    return sorted(found)


def worker(site, template):
    files = site_files(site)
    if "index.html" not in files:
        raise Failed(f"{site} has no index.html")
    digest = hashlib.sha256()
    for name in files:
        data = read(os.path.join(site, name))
        digest.update(f"{name}\0{len(data)}\0".encode())
        digest.update(data)
    text = read(template, "r")
    for placeholder in ('"@BUILD@"', '["@FILES@"]'):
        if text.count(placeholder) != 1:
            raise Failed(f"{template} does not hold {placeholder} once")
    # The page's address with nothing after the folder is index.html too.
    text = text.replace('"@BUILD@"', json.dumps(digest.hexdigest()[:16]))
    text = text.replace('["@FILES@"]', json.dumps(["./"] + files))
    write_whole(os.path.join(site, "sw.js"), text.encode())


def replace_once(page, old, new, what):
    if page.count(old) != 1:
        raise Failed(f"index.html does not hold {what} once: {old}")
    return page.replace(old, new)


def inline_script(code, name):
    # Inside <script> only "</script" ends the element (in any case); "<!--" would
    # change how the rest is read.
    if "</script" in code.lower() or "<!--" in code:
        raise Failed(f"{name} holds '</script' or '<!--' and cannot go inside the page")
    return "<script>\n" + code + ("" if code.endswith("\n") else "\n") + "</script>"


def single(site, script, out):
    page = read(os.path.join(site, "index.html"), "r")
    page = replace_once(page, '<html lang="de">', '<html lang="de" data-build="single">', "the html element")
    page = replace_once(page, '<link rel="manifest" href="manifest.webmanifest">\n', "", "the manifest")
    # The font the page names in its <link id="font">, inside it.
    named = re.findall(r'<link id="font"[^>]* href="([^"]+)"', page)
    if len(named) != 1:
        raise Failed("index.html does not name its font once in <link id=\"font\">")
    font = base64.b64encode(read(os.path.join(site, named[0]))).decode()
    page = replace_once(page, f'href="{named[0]}"', f'href="data:font/ttf;base64,{font}"', "the font")
    page = replace_once(page, '<script src="dreieck.js"></script>', inline_script(read(script, "r"), script),
                        "dreieck.js")
    for name in ("screen.js", "page.js"):
        page = replace_once(page, f'<script src="{name}"></script>',
                            inline_script(read(os.path.join(site, name), "r"), name), name)
    if "<script src=" in page:
        raise Failed("index.html loads a script this step does not know")
    write_whole(out, page.encode())


def main(argv):
    try:
        if len(argv) == 3 and argv[0] == "worker":
            worker(argv[1], argv[2])
        elif len(argv) == 4 and argv[0] == "single":
            single(argv[1], argv[2], argv[3])
        else:
            print(__doc__.split("\n\n")[1], file=sys.stderr)
            return 2
    except Failed as e:
        print(f"site_build: {e}", file=sys.stderr)
        return 1
    except OSError as e:
        print(f"site_build: cannot write {e.filename or 'the output'}: {e.strerror}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
