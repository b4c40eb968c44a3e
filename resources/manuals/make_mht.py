#!/usr/bin/env python3
"""Builds the two embedded manuals: one HTML page and its pictures as a MIME-HTML
(multipart/related) document. Run after editing a page; the .mht files are what the
program carries, so they are kept in the repository."""
import base64
import quopri
import sys
from pathlib import Path

HERE = Path(__file__).resolve().parent
IMAGES = HERE.parent / "images"

# page, document title, {location in the page: picture file}
MANUALS = {
    "AppManual_EN": ("Pellix Tool User Manual", {"images/logo.png": "manual_logo.png"}),
    "GWYManual_EN": ("Gateway 1-Wire/Modbus User Manual",
                     {"images/logo.png": "manual_logo.png", "images/gateway.png": "gateway_diagram.png"}),
}
BASE = "file:///PellixTool/Help/"


def wrap(text, width=76):
    return [text[i:i + width] for i in range(0, len(text), width)]


def build(name, title, pictures):
    html = (HERE / f"{name}.html").read_bytes()
    for loc in pictures:
        if loc.encode() not in html:
            sys.exit(f"{name}.html does not use {loc}")
    boundary = f"----=_NextPart_PellixTool_{name}"
    lines = [
        "From: <Saved by Pellix Tool>",
        f"Subject: {title}",
        "MIME-Version: 1.0",
        f'Content-Type: multipart/related; boundary="{boundary}"; type="text/html"',
        "",
        "This is a multi-part message in MIME format.",
        "",
        f"--{boundary}",
        'Content-Type: text/html; charset="utf-8"',
        "Content-Transfer-Encoding: quoted-printable",
        f"Content-Location: {BASE}{name}.htm",
        "",
    ]
    body = quopri.encodestring(html.replace(b"\r\n", b"\n"), quotetabs=False).decode("ascii")
    lines += body.splitlines()
    for loc, file in pictures.items():
        data = base64.b64encode((IMAGES / file).read_bytes()).decode("ascii")
        lines += ["", f"--{boundary}", "Content-Type: image/png", "Content-Transfer-Encoding: base64",
                  f"Content-Location: {BASE}{loc}", ""]
        lines += wrap(data)
    lines += ["", f"--{boundary}--", ""]
    (HERE / f"{name}.mht").write_bytes("\r\n".join(lines).encode("ascii"))


if __name__ == "__main__":
    for n, (t, p) in MANUALS.items():
        build(n, t, p)
